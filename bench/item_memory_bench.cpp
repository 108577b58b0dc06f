// Memory and read cost of the item base and the URL item, as a listing
// leaves them: made, refreshed, and asked for what a panel row shows (name,
// extension, display name, key, path, hidden flag). Heap figures are all
// the item allocates, per item: its object (with the shared pointer's
// control block) and its strings, name included; the baseline ("before") is
// the code before items kept as their path began to share their folder's
// text (the compact layout with the side structure was already in; the
// layout before that took 656 and 832 bytes for a simple item, 824 and 1440
// for a file URL item, and 915 ns per row read).
// The file URL item's path is "/tmp/mivo-bench-folder/" and the name (35
// characters), which it keeps in place of the URL.
// Usage: item_memory_bench [count] (default 100000).
#include "FileData/MivFileData.h"
#include "FileData/MivSimpleFileData.h"
#include "FileData/MivUrlFileData.h"
#include "platform/Path.h"

#include <QElapsedTimer>
#include <QString>

#include <cstdio>
#include <cstdlib>
#include <malloc.h>
#include <vector>

namespace {

// Before the folder sharing (sizeof, then heap bytes per item with the
// name, measured with this program on the code of that time).
constexpr std::size_t kBaselineSimpleSizeof = 120;
constexpr double kBaselineSimpleBytes = 208;
constexpr std::size_t kBaselineUrlSizeof = 192;
constexpr double kBaselineUrlBytes = 384;
constexpr double kBaselinePathBytes = 384;
constexpr double kBaselineUrlReadNs = 326;

std::size_t heapInUse()
{
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

// "f0000001.txt" and so on: 12 characters with the extension.
QString nameFor(int index) { return QStringLiteral("f%1.txt").arg(index, 7, 10, QLatin1Char('0')); }

class BenchItem : public MivSimpleFileData
{
};

template <class Make>
double bytesPerItem(int count, Make make)
{
    std::vector<MivFileDataPtr> items;
    items.reserve(static_cast<std::size_t>(count));
    const std::size_t before = heapInUse();
    for (int index = 0; index < count; ++index)
        items.push_back(make(index));
    const std::size_t after = heapInUse();
    return double(after - before) / count;
}

// What a panel row reads of an item.
qsizetype readRow(const MivFileData& item)
{
    return item.name().size() + item.extenssion().size() + item.displayName().size() + item.pathKey().size()
           + item.sourcePath().size() + (item.hidden() ? 1 : 0);
}

} // namespace

int main(int argc, char** argv)
{
    const int count = argc > 1 ? std::atoi(argv[1]) : 100000;
    const QString folder = QStringLiteral("/tmp/mivo-bench-folder");

    const double simpleBytes = bytesPerItem(count, [](int index) {
        auto item = MivFileData::makeItem<BenchItem>();
        item->updateName(nameFor(index));
        item->refresh();
        (void)readRow(*item);
        return MivFileDataPtr(item);
    });

    // Made from a path, as a local listing makes them (the URL is not built).
    const double pathBytes = bytesPerItem(count, [&folder](int index) {
        auto item = MivUrlFileData::createWithPath<MivUrlFileData>(folder + QLatin1Char('/') + nameFor(index), true);
        (void)readRow(*item);
        return MivFileDataPtr(item);
    });

    std::vector<MivFileDataPtr> urlItems;
    urlItems.reserve(static_cast<std::size_t>(count));
    const std::size_t before = heapInUse();
    for (int index = 0; index < count; ++index) {
        auto item = MivUrlFileData::createWithURL<MivUrlFileData>(
            plat::Path::toFileQUrl(folder + QLatin1Char('/') + nameFor(index)), true);
        (void)readRow(*item);
        urlItems.push_back(item);
    }
    const double urlBytes = double(heapInUse() - before) / count;

    // Five rounds of row reads over warm items: the cost a sort or a redraw pays.
    QElapsedTimer timer;
    timer.start();
    qsizetype sink = 0;
    for (int round = 0; round < 5; ++round) {
        for (const MivFileDataPtr& item : urlItems)
            sink += readRow(*item);
    }
    const double readNs = double(timer.nsecsElapsed()) / (5.0 * count);

    std::printf("items: %d, name: %lld characters (sink %lld)\n", count, static_cast<long long>(nameFor(0).size()),
                static_cast<long long>(sink));
    std::printf("%-34s %10s %10s\n", "", "now", "before");
    std::printf("%-34s %10zu %10zu\n", "sizeof(MivSimpleFileData)", sizeof(BenchItem), kBaselineSimpleSizeof);
    std::printf("%-34s %10.0f %10.0f\n", "simple item, heap B/item", simpleBytes, kBaselineSimpleBytes);
    std::printf("%-34s %10zu %10zu\n", "sizeof(MivUrlFileData)", sizeof(MivUrlFileData), kBaselineUrlSizeof);
    std::printf("%-34s %10.0f %10.0f\n", "file URL item, heap B/item", urlBytes, kBaselineUrlBytes);
    std::printf("%-34s %10.0f %10.0f\n", "  made from its path, heap B/item", pathBytes, kBaselinePathBytes);
    std::printf("%-34s %10.0f %10.0f\n", "file URL item, ns per row read", readNs, kBaselineUrlReadNs);
    return 0;
}
