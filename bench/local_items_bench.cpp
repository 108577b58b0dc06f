// Making local items from the status reads of a real folder, beside the bare
// status-read loop, and what each item keeps in memory. Usage:
// local_items_bench [count] (default 100,000 files, made in a folder in the
// temporary folder and removed after).
//
// Aims: the item loop at most 1.3 times the status-read loop; at most 400
// resident bytes per item, its name included (the listing's pointer to it
// too: the vector's pages are first touched while the items are made). The
// first run also pays for fresh pages from the kernel, which on some virtual
// machines costs several microseconds a page; the second shows the work.
#include "FileData/Local/MivOsxFileAttributes.h"
#include "FileData/Local/MivOsxFileData.h"
#include "FileData/MivFileUtils.h"
#include "FileData/MivUrlFileData.h"
#include "platform/Path.h"
#include "platform/PathString.h"

#include <QElapsedTimer>
#include <QString>

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <malloc.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// Before this work's changes to the item (local items made from their path,
// otherwise the code of that time), measured with this program on the
// shared build machine: the median of six runs. Times vary with the
// machine's load; the ratios to the status-read loop of the same run are
// what to compare.
constexpr double kBeforeRatio = 4.6;
constexpr double kBeforeWarmRatio = 2.42;
constexpr double kBeforeResidentBytes = 637;
constexpr double kBeforeHeapBytes = 618;
constexpr std::size_t kBeforeItemSizeof = 232;
constexpr std::size_t kBeforeAttributesSizeof = 64;

constexpr unsigned int kMask = STATX_TYPE | STATX_MODE | STATX_UID | STATX_GID | STATX_INO | STATX_SIZE | STATX_BLOCKS
                               | STATX_ATIME | STATX_MTIME | STATX_CTIME | STATX_BTIME;

long residentBytes()
{
    long pages = 0;
    long resident = 0;
    if (FILE* statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(statm);
    }
    return resident * ::sysconf(_SC_PAGESIZE);
}

size_t heapBytes() { return mallinfo2().uordblks; }

// Names as a listing meets them: varied lengths and extensions.
QString nameFor(int i)
{
    static const char* const kExtensions[] = {"txt", "jpg", "cpp", "h", "pdf", "tar.gz", "md", ""};
    QString name = QStringLiteral("document-%1-%2").arg(i).arg(QString(i % 13, QLatin1Char('x')));
    const char* extension = kExtensions[i % 8];
    if (*extension)
        name += QLatin1Char('.') + QLatin1String(extension);
    return name;
}

} // namespace

int main(int argc, char** argv)
{
    const int count = argc > 1 ? std::atoi(argv[1]) : 100000;
    const QString folder = MivFileUtils::createLocalTempDir();
    if (folder.isEmpty()) {
        std::fprintf(stderr, "cannot make a temporary folder\n");
        return 1;
    }
    std::vector<QByteArray> names;
    names.reserve(size_t(count));
    for (int i = 0; i < count; ++i) {
        names.push_back(plat::Path::toNative(nameFor(i)));
        const int fd = plat::Path::open(plat::PathString::appendingPathComponent(folder, nameFor(i)),
                                        O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
        if (fd >= 0) {
            if (::write(fd, "0123456789", size_t(i % 10)) < 0)
                std::perror("write");
            ::close(fd);
        }
    }
    const QByteArray nativeFolder = plat::Path::toNative(folder) + '/';

    // The bare loop: one statx per entry, as a listing must do at least.
    auto statLoop = [&] {
        qint64 sum = 0;
        struct statx info {};
        for (const QByteArray& name : names) {
            const QByteArray path = nativeFolder + name;
            if (::statx(AT_FDCWD, path.constData(), AT_SYMLINK_NOFOLLOW, kMask, &info) == 0)
                sum += qint64(info.stx_size);
        }
        return sum;
    };
    statLoop();  // warm the inode cache
    QElapsedTimer timer;
    timer.start();
    const qint64 checksum = statLoop();
    const qint64 statNs = timer.nsecsElapsed();

    std::vector<std::shared_ptr<MivOsxFileData>> items;
    items.reserve(size_t(count));
    auto itemLoop = [&] {
        for (const QByteArray& name : names) {
            const QByteArray path = nativeFolder + name;
            struct statx info {};
            if (::statx(AT_FDCWD, path.constData(), AT_SYMLINK_NOFOLLOW, kMask, &info) != 0)
                continue;
            auto item = MivUrlFileData::createWithPath<MivOsxFileData>(plat::Path::fromNative(path), false);
            item->refreshWithAttributes(MivOsxFileAttributes::fromStatx(info, path));
            items.push_back(std::move(item));
        }
    };
    // Freed memory stays with the allocator, so the second run shows the
    // work itself without the kernel handing out fresh pages (which costs
    // several microseconds a page on some virtual machines).
    ::mallopt(M_TRIM_THRESHOLD, 1 << 30);
    ::malloc_trim(0);
    const long residentBefore = residentBytes();
    const size_t heapBefore = heapBytes();
    timer.restart();
    itemLoop();
    const qint64 itemNs = timer.nsecsElapsed();
    const long residentAfter = residentBytes();
    const size_t heapAfter = heapBytes();
    items.clear();
    timer.restart();
    itemLoop();
    const qint64 warmNs = timer.nsecsElapsed();

    // Where the time goes: the path text alone, the item object alone, the refresh.
    std::vector<QString> paths;
    paths.reserve(names.size());
    timer.restart();
    for (const QByteArray& name : names)
        paths.push_back(plat::Path::fromNative(nativeFolder + name));
    const qint64 urlNs = timer.nsecsElapsed();
    std::vector<std::shared_ptr<MivOsxFileData>> bare;
    bare.reserve(paths.size());
    timer.restart();
    for (const QString& path : paths)
        bare.push_back(MivUrlFileData::createWithPath<MivOsxFileData>(path, false));
    const qint64 makeNs = timer.nsecsElapsed();
    timer.restart();
    for (size_t i = 0; i < bare.size(); ++i)
        bare[i]->refreshWithAttributes(items[i]->attributes());
    const qint64 refreshNs = timer.nsecsElapsed();
    bare.clear();
    paths.clear();

    qint64 itemSum = 0;
    for (const auto& item : items)
        itemSum += item->size();

    const double n = double(items.size());
    std::printf("local items: %d files in %s\n", count, folder.toLocal8Bit().constData());
    std::printf("  statx loop            %8.1f ms  (%6.0f ns/file)\n", statNs / 1e6, statNs / n);
    std::printf("  statx + items         %8.1f ms  (%6.0f ns/file)\n", itemNs / 1e6, itemNs / n);
    std::printf("    of which: path text %.0f ns, item object %.0f ns, refresh from the status read %.0f ns per file\n",
                urlNs / n, makeNs / n, refreshNs / n);
    std::printf("  again, memory reused  %8.1f ms  (%6.0f ns/file)\n", warmNs / 1e6, warmNs / n);
    std::printf("%-34s %10s %10s %10s\n", "", "now", "before", "aim");
    std::printf("%-34s %9.2fx %9.2fx %9.2fx\n", "items / statx loop", double(itemNs) / double(statNs), kBeforeRatio, 1.3);
    std::printf("%-34s %9.2fx %9.2fx\n", "  again, memory reused", double(warmNs) / double(statNs), kBeforeWarmRatio);
    std::printf("%-34s %10.0f %10.0f %10.0f\n", "resident B/item (name included)",
                double(residentAfter - residentBefore) / n, kBeforeResidentBytes, 400.0);
    std::printf("%-34s %10.0f %10.0f\n", "  heap in use B/item", double(heapAfter - heapBefore) / n, kBeforeHeapBytes);
    std::printf("%-34s %10zu %10zu\n", "sizeof(MivOsxFileData)", sizeof(MivOsxFileData), kBeforeItemSizeof);
    std::printf("%-34s %10zu %10zu\n", "sizeof(MivOsxFileAttributes)", sizeof(MivOsxFileAttributes),
                kBeforeAttributesSizeof);
    if (itemSum != checksum)
        std::printf("  size mismatch: %lld vs %lld\n", static_cast<long long>(itemSum), static_cast<long long>(checksum));

    items.clear();
    for (const QByteArray& name : names)
        ::unlink((nativeFolder + name).constData());
    ::rmdir(plat::Path::toNative(folder).constData());
    return 0;
}
