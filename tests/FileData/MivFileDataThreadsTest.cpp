#include "FileData/MivFileData.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

// One writer and several readers on the same item at once, as a listing
// worker and the GUI thread do. Each read must see one whole value: a torn
// QString or shared_ptr shows up as a wrong text, a crash, or a report under
// -fsanitize=thread.
TEST(MivFileDataThreadsTest, ConcurrentWriterAndReadersSeeWholeValues)
{
    auto item = std::make_shared<MivFileData>();
    // Long enough to live on the heap, so a torn read would be visible.
    const QString first = QString(200, QLatin1Char('a'));
    const QString second = QString(300, QLatin1Char('b'));
    const auto parentA = std::make_shared<MivFileData>();
    const auto parentB = std::make_shared<MivFileData>();
    item->setName(first);
    item->setParent(parentA);

    constexpr int kWrites = 20000;
    std::atomic<bool> done{false};
    std::atomic<int> badReads{0};

    std::vector<std::thread> readers;
    for (int r = 0; r < 3; ++r) {
        readers.emplace_back([&] {
            while (!done.load()) {
                const QString name = item->name();
                const QString display = item->displayName();
                const auto parent = item->parent();
                if ((name != first && name != second) || (display != first && display != second))
                    ++badReads;
                if (parent != parentA && parent != parentB)
                    ++badReads;
            }
        });
    }
    std::thread writer([&] {
        for (int i = 0; i < kWrites; ++i) {
            const bool even = i % 2 == 0;
            item->setName(even ? second : first);
            item->setParent(even ? parentB : parentA);
            item->setSize(i);
        }
        done.store(true);
    });
    writer.join();
    for (auto& reader : readers)
        reader.join();

    EXPECT_EQ(badReads.load(), 0);
    EXPECT_EQ(item->name(), first);
    EXPECT_EQ(item->parent(), parentA);
    EXPECT_EQ(item->size(), kWrites - 1);
}

TEST(MivFileDataThreadsTest, BlocksFromManyThreadsBalance)
{
    MivFileData item;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 1000; ++i) {
                item.setBlocked(true);
                item.setBlocked(false);
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    EXPECT_FALSE(item.blocked());
}

TEST(MivFileDataThreadsTest, PermissionSnapshotIsMadeOnceUnderContention)
{
    auto item = std::make_shared<MivFileData>();
    item->setPosix(0755);
    std::vector<PermsDataPtr> seen(4);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&, t] { seen[t] = item->perms(); });
    for (auto& thread : threads)
        thread.join();
    for (const auto& snapshot : seen)
        EXPECT_EQ(snapshot, seen.front());
}

} // namespace
