// Listing a folder of many files through the item layer, beside a plain
// getdents64 + statx loop over the same folder and `ls -U -l` to /dev/null,
// all with the folder in the kernel's caches. Usage:
// local_listing_bench [count] (default 100,000 files, made in a folder in the
// temporary folder and removed after).
//
// Aims: the item listing at most 1.5 times the plain loop, and faster than
// ls -U -l.
#include "FileData/Local/MivOsxFileData.h"
#include "FileData/Local/MivOsxFileDataCache.h"
#include "FileData/MivFileUtils.h"
#include "FileData/MivListFilesParams.h"
#include "FileData/MivUrlFileData.h"
#include "platform/Path.h"
#include "platform/PathString.h"
#include "platform/Process.h"

#include <QElapsedTimer>

#include <dirent.h>
#include <fcntl.h>
#include <malloc.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <thread>
#include <vector>

namespace {

constexpr unsigned int kMask = STATX_TYPE | STATX_MODE | STATX_UID | STATX_GID | STATX_INO | STATX_SIZE | STATX_BLOCKS
                               | STATX_ATIME | STATX_MTIME | STATX_CTIME | STATX_BTIME;
constexpr int kRuns = 5;

// The best of several runs, in nanoseconds: the machine may be busy.
qint64 best(const std::function<void()>& body, const std::function<void()>& before = {})
{
    qint64 fastest = -1;
    for (int run = 0; run < kRuns; ++run) {
        if (before)
            before();
        QElapsedTimer timer;
        timer.start();
        body();
        const qint64 took = timer.nsecsElapsed();
        if (fastest < 0 || took < fastest)
            fastest = took;
    }
    return fastest;
}

// What a listing must do at least: read the folder, read each entry's status.
long plainLoop(const QByteArray& folder)
{
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return -1;
    std::vector<char> buffer(64 * 1024);
    long count = 0;
    for (;;) {
        const ssize_t got = ::getdents64(fd, buffer.data(), buffer.size());
        if (got <= 0)
            break;
        for (ssize_t at = 0; at < got;) {
            const auto* record = reinterpret_cast<const struct dirent64*>(buffer.data() + at);
            at += record->d_reclen;
            const char* name = record->d_name;
            if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0')))
                continue;
            struct statx info {};
            if (::statx(fd, name, AT_SYMLINK_NOFOLLOW, kMask, &info) == 0)
                ++count;
        }
    }
    ::close(fd);
    return count;
}

// Processor time of this process (all threads), in nanoseconds.
qint64 cpuNs()
{
    struct rusage usage {};
    ::getrusage(RUSAGE_SELF, &usage);
    const auto ns = [](const struct timeval& t) { return qint64(t.tv_sec) * 1000000000 + qint64(t.tv_usec) * 1000; };
    return ns(usage.ru_utime) + ns(usage.ru_stime);
}

// Processor time of one run, after a set-up that is not counted.
qint64 cpuOf(const std::function<void()>& body, const std::function<void()>& before = {})
{
    if (before)
        before();
    const qint64 start = cpuNs();
    body();
    return cpuNs() - start;
}

void runLs(const QString& folder)
{
    plat::Process ls(QStringLiteral("/bin/ls"), {QStringLiteral("-U"), QStringLiteral("-l"), folder});
    ls.setOutputMode(plat::Process::OutputMode::Discard);
    if (ls.start())
        ls.waitForExit();
}

qsizetype listItems(const QString& folder)
{
    const auto dir = MivUrlFileData::createWithURL<MivOsxFileData>(plat::Path::toFileQUrl(folder));
    // Sorted by name, as a panel opens a folder by default.
    MivListFilesParams params(plat::SortDescriptor{QStringLiteral("name")}, true);
    QList<MivFileDataPtr> items;
    dir->listElementsToArray(items, params, {}, nullptr);
    return items.size();
}

} // namespace

int main(int argc, char** argv)
{
    const int count = argc > 1 ? std::atoi(argv[1]) : 100000;
    // "items" lists through the item layer only (for profiling).
    const bool itemsOnly = argc > 2 && QByteArray(argv[2]) == "items";
    const QString folder = MivFileUtils::createLocalTempDir();
    if (folder.isEmpty()) {
        std::fprintf(stderr, "cannot make a temporary folder\n");
        return 1;
    }
    std::vector<QByteArray> paths;
    paths.reserve(size_t(count));
    for (int i = 0; i < count; ++i) {
        const QString file = plat::PathString::appendingPathComponent(folder, QStringLiteral("file-%1.txt").arg(i));
        paths.push_back(plat::Path::toNative(file));
        const int fd = plat::Path::open(file, O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
        if (fd >= 0) {
            if (::write(fd, "0123456789", size_t(i % 10)) < 0)
                std::perror("write");
            ::close(fd);
        }
    }
    const QByteArray nativeFolder = plat::Path::toNative(folder);

    // Freed memory stays with the allocator, so runs after the first show
    // the work itself rather than the kernel handing out fresh pages (which
    // costs several microseconds a page on some virtual machines).
    ::mallopt(M_TRIM_THRESHOLD, 1 << 30);
    // Warm the kernel's caches (and the program's allocator) first.
    const long plainCount = plainLoop(nativeFolder);
    if (!itemsOnly)
        runLs(folder);
    QElapsedTimer firstTimer;
    firstTimer.start();
    const qsizetype itemCount = listItems(folder);
    const qint64 firstNs = firstTimer.nsecsElapsed();

    const qint64 plainNs = best([&] { plainLoop(nativeFolder); });
    const qint64 lsNs = itemsOnly ? 1 : best([&] { runLs(folder); });
    // A new item per entry: the item cache emptied before each run.
    const qint64 itemNs = best([&] { listItems(folder); }, [] { MivOsxFileDataCache::resetForTesting(); });
    // The same folder listed again: the cache's items checked and reused.
    listItems(folder);
    const qint64 againNs = best([&] { listItems(folder); });

    const qint64 plainCpu = cpuOf([&] { plainLoop(nativeFolder); });
    const qint64 itemCpu = cpuOf([&] { listItems(folder); }, [] { MivOsxFileDataCache::resetForTesting(); });
    const qint64 againCpu = cpuOf([&] { listItems(folder); });

    std::printf("local listing: %d files in %s, %u processors\n", count, folder.toLocal8Bit().constData(),
                std::thread::hardware_concurrency());
    std::printf("  getdents64 + statx loop   %8.1f ms  (%ld entries)\n", plainNs / 1e6, plainCount);
    std::printf("  ls -U -l > /dev/null      %8.1f ms\n", lsNs / 1e6);
    std::printf("  item listing, first run   %8.1f ms  (fresh memory from the kernel)\n", firstNs / 1e6);
    std::printf("  item listing, new items   %8.1f ms  (%lld items)\n", itemNs / 1e6, static_cast<long long>(itemCount));
    std::printf("  item listing, cached      %8.1f ms\n", againNs / 1e6);
    std::printf("  ratio new items / loop    %8.2fx   (aim: at most 1.50x)\n", double(itemNs) / double(plainNs));
    std::printf("  ratio cached / loop       %8.2fx\n", double(againNs) / double(plainNs));
    std::printf("  ratio new items / ls      %8.2fx   (aim: below 1.00x)\n", double(itemNs) / double(lsNs));
    std::printf("  processor time: loop %.1f ms, new items %.1f ms (%.0f ns/entry), cached %.1f ms\n", plainCpu / 1e6,
                itemCpu / 1e6, double(itemCpu) / double(count), againCpu / 1e6);

    MivOsxFileDataCache::resetForTesting();
    for (const QByteArray& path : paths)
        ::unlink(path.constData());
    ::rmdir(nativeFolder.constData());
    return 0;
}
