#include "platform/ParallelSort.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

namespace {

struct Item
{
    int key;
    int seq;  // the position before the sort: tells whether ties kept their order
    bool operator==(const Item&) const = default;
};

TEST(ParallelSortTest, MatchesAStableSortAtEverySize)
{
    // Around the serial threshold, uneven runs, and few distinct keys (many
    // ties cross the runs' borders).
    for (const std::size_t count : {std::size_t(0), std::size_t(1), std::size_t(16383), std::size_t(16384),
                                    std::size_t(65537), std::size_t(200003)}) {
        for (const int distinct : {3, 1000000}) {
            SCOPED_TRACE(testing::Message() << count << " items, " << distinct << " keys");
            std::mt19937 random(unsigned(count) + unsigned(distinct));
            std::vector<Item> items(count);
            for (std::size_t i = 0; i < count; ++i)
                items[i] = Item{int(random() % unsigned(distinct)), int(i)};
            std::vector<Item> expected = items;
            const auto less = [](const Item& a, const Item& b) { return a.key < b.key; };
            std::stable_sort(expected.begin(), expected.end(), less);
            plat::parallelStableSort(items, less);
            ASSERT_EQ(items, expected);
        }
    }
}

} // namespace
