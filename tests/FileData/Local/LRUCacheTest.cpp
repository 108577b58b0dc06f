#include "FileData/Local/LRUCache.h"

#include <QString>

#include <gtest/gtest.h>

#include <memory>
#include <thread>
#include <vector>

namespace {

using Cache = LRUCache<QString, std::shared_ptr<int>>;

std::shared_ptr<int> value(int v) { return std::make_shared<int>(v); }

std::vector<QString> keys(std::initializer_list<const char*> names)
{
    std::vector<QString> out;
    for (const char* name : names)
        out.push_back(QString::fromLatin1(name));
    return out;
}

TEST(LRUCacheTest, EvictsTheLeastRecentlyUsed)
{
    Cache plain(2);
    plain.setObject(value(1), QStringLiteral("A"));
    plain.setObject(value(2), QStringLiteral("B"));
    plain.setObject(value(3), QStringLiteral("C"));
    EXPECT_EQ(plain.keysByRecency(), keys({"C", "B"}));
    EXPECT_FALSE(plain.objectForKey(QStringLiteral("A")));
    EXPECT_EQ(plain.size(), 2u);

    Cache touched(2);
    touched.setObject(value(1), QStringLiteral("A"));
    touched.setObject(value(2), QStringLiteral("B"));
    ASSERT_TRUE(touched.objectForKey(QStringLiteral("A")));
    touched.setObject(value(3), QStringLiteral("C"));
    EXPECT_EQ(touched.keysByRecency(), keys({"C", "A"}));
    EXPECT_EQ(*touched.objectForKey(QStringLiteral("A")), 1);
}

TEST(LRUCacheTest, InsertingAnExistingKeyKeepsTheFirstValueAndTouchesIt)
{
    Cache cache(3);
    cache.setObject(value(1), QStringLiteral("A"));
    cache.setObject(value(2), QStringLiteral("B"));
    cache.setObject(value(9), QStringLiteral("A"));
    EXPECT_EQ(*cache.objectForKey(QStringLiteral("A")), 1);
    EXPECT_EQ(cache.size(), 2u);
    cache.setObject(value(3), QStringLiteral("C"));
    cache.setObject(value(4), QStringLiteral("D"));
    EXPECT_EQ(cache.keysByRecency(), keys({"D", "C", "A"})) << "B was the least recently used";
}

TEST(LRUCacheTest, RemovalKeepsTheListLinked)
{
    Cache cache(5);
    for (const char* name : {"A", "B", "C", "D"})
        cache.setObject(value(name[0]), QString::fromLatin1(name));
    EXPECT_EQ(*cache.removeObjectForKey(QStringLiteral("B")), 'B');  // middle
    EXPECT_EQ(cache.keysByRecency(), keys({"D", "C", "A"}));
    cache.removeObjectForKey(QStringLiteral("D"));  // root
    cache.removeObjectForKey(QStringLiteral("A"));  // tail
    EXPECT_EQ(cache.keysByRecency(), keys({"C"}));
    EXPECT_FALSE(cache.removeObjectForKey(QStringLiteral("A")));
    cache.setObject(value(5), QStringLiteral("E"));
    EXPECT_EQ(cache.keysByRecency(), keys({"E", "C"}));
    EXPECT_EQ(cache.size(), 2u);
}

TEST(LRUCacheTest, ClearingStartsAFreshList)
{
    Cache cache(2);
    cache.setObject(value(1), QStringLiteral("A"));
    cache.setObject(value(2), QStringLiteral("B"));
    cache.removeAllObjects();
    EXPECT_EQ(cache.size(), 0u);
    EXPECT_TRUE(cache.keysByRecency().empty());
    cache.setObject(value(3), QStringLiteral("C"));
    cache.setObject(value(4), QStringLiteral("D"));
    cache.setObject(value(5), QStringLiteral("E"));
    EXPECT_EQ(cache.keysByRecency(), keys({"E", "D"}));
}

TEST(LRUCacheTest, NullValuesAndZeroCapacityStoreNothing)
{
    Cache cache(0);
    cache.setObject(value(1), QStringLiteral("A"));
    EXPECT_EQ(cache.size(), 0u);
    Cache other(2);
    other.setObject(nullptr, QStringLiteral("A"));
    EXPECT_EQ(other.size(), 0u);
}

TEST(LRUCacheTest, ConcurrentUseNeverOverflows)
{
    Cache cache(64);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&cache, t] {
            for (int i = 0; i < 5000; ++i) {
                const QString key = QString::number((i * 7 + t) % 200);
                cache.setObject(value(i), key);
                // Seen by the same thread right after its insert, unless
                // 64 newer inserts of other threads pushed it out.
                cache.objectForKey(key);
                if (i % 5 == 0)
                    cache.removeObjectForKey(QString::number(i % 200));
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    EXPECT_LE(cache.size(), 64u);
    EXPECT_EQ(cache.keysByRecency().size(), cache.size());
}

} // namespace
