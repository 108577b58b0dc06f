#include "FileData/Local/StripedLRUCache.h"

#include <QString>

#include <gtest/gtest.h>

#include <memory>
#include <thread>
#include <vector>

namespace {

using Cache = StripedLRUCache<QString, std::shared_ptr<int>, 8>;

std::shared_ptr<int> value(int v) { return std::make_shared<int>(v); }

TEST(StripedLRUCacheTest, FindsWhatItHoldsAndNeverExceedsItsCapacity)
{
    // Capacities that do and do not divide among the stripes.
    for (const std::size_t capacity : {std::size_t(0), std::size_t(5), std::size_t(64), std::size_t(1000)}) {
        SCOPED_TRACE(capacity);
        Cache cache(capacity);
        for (int i = 0; i < 5000; ++i) {
            const QString key = QString::number(i);
            cache.setObject(value(i), key);
            ASSERT_LE(cache.size(), capacity);
            // The entry just stored is the most recent of its stripe.
            if (capacity >= 8) {
                const auto found = cache.objectForKey(key);
                ASSERT_TRUE(found);
                EXPECT_EQ(*found, i);
            }
        }
        if (capacity >= 1000)
            EXPECT_GT(cache.size(), capacity / 2) << "stripes must fill, not evict early";
        cache.removeAllObjects();
        EXPECT_EQ(cache.size(), 0u);
    }
}

TEST(StripedLRUCacheTest, KeepsTheFirstValueAndRemovesByKey)
{
    Cache cache(100);
    cache.setObject(value(1), QStringLiteral("A"));
    cache.setObject(value(2), QStringLiteral("A"));
    EXPECT_EQ(*cache.objectForKey(QStringLiteral("A")), 1);
    EXPECT_EQ(*cache.removeObjectForKey(QStringLiteral("A")), 1);
    EXPECT_FALSE(cache.objectForKey(QStringLiteral("A")));
    EXPECT_FALSE(cache.removeObjectForKey(QStringLiteral("A")));
    cache.setObject(nullptr, QStringLiteral("B"));
    EXPECT_EQ(cache.size(), 0u);
}

TEST(StripedLRUCacheTest, ConcurrentUseNeverOverflows)
{
    Cache cache(256);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&cache, t] {
            for (int i = 0; i < 5000; ++i) {
                const QString key = QString::number((i * 7 + t) % 1000);
                cache.setObject(value(i), key);
                cache.objectForKey(key);
                if (i % 5 == 0)
                    cache.removeObjectForKey(QString::number(i % 1000));
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    EXPECT_LE(cache.size(), 256u);
}

} // namespace
