#include "app/panel/MivSharedListing.h"

#include "FileData/MivSimpleFileData.h"
#include "support/WaitUntil.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <stdexcept>
#include <thread>

namespace {

using Outcome = MivSharedListing::Outcome;

const QString kKey = MivSharedListing::keyFor("folder", QStringLiteral("/tmp/shared"), false, false, QString());

Outcome listedWith(int items)
{
    Outcome outcome;
    outcome.listed = true;
    for (int i = 0; i < items; ++i)
        outcome.items.append(MivFileData::makeItem<MivSimpleFileData>());
    return outcome;
}

// A listing that runs on its own thread until the test lets it end.
class HeldListing
{
public:
    explicit HeldListing(std::function<Outcome()> answer)
    {
        m_done = std::async(std::launch::async, [this, answer = std::move(answer)] {
            return MivSharedListing::run(kKey, false, [&] {
                m_entered = true;
                m_release.get_future().wait();
                return answer();
            });
        });
        EXPECT_TRUE(mivtest::waitUntil([&] { return m_entered.load(); }));
    }
    ~HeldListing()
    {
        release();
        if (m_done.valid())
            m_done.wait();
    }
    void release()
    {
        if (!m_released.exchange(true))
            m_release.set_value();
    }
    std::future<Outcome>& done() { return m_done; }

private:
    std::atomic<bool> m_entered{false};
    std::atomic<bool> m_released{false};
    std::promise<void> m_release;
    std::future<Outcome> m_done;
};

// Joins on its own thread; records whether it had to list for itself.
std::future<Outcome> joinFrom(std::atomic<bool>& listedItself, bool* joined, bool join = true)
{
    return std::async(std::launch::async, [&listedItself, joined, join] {
        return MivSharedListing::run(kKey, join, [&] {
            listedItself = true;
            return listedWith(1);
        }, joined);
    });
}

TEST(MivSharedListingTest, AJoinerTakesTheRunningListingsAnswer)
{
    const Outcome answer = listedWith(3);
    HeldListing leader([&] { return answer; });
    std::atomic<bool> listedItself{false};
    bool joined = false;
    auto joiner = joinFrom(listedItself, &joined);
    ASSERT_TRUE(mivtest::waitUntil([] { return MivSharedListing::waitingForTesting() == 1; }));
    leader.release();
    const Outcome taken = joiner.get();
    EXPECT_TRUE(joined);
    EXPECT_FALSE(listedItself);
    EXPECT_EQ(taken.items, answer.items) << "the very items of the running listing";
    EXPECT_EQ(leader.done().get().items, answer.items);
    EXPECT_EQ(MivSharedListing::waitingForTesting(), 0);
}

TEST(MivSharedListingTest, WhoDoesNotJoinOrFindsAFailureListsForItself)
{
    struct Case
    {
        const char* name;
        bool join;
        std::function<Outcome()> leaderAnswer;
    };
    const Case cases[] = {
        {"a refresh never joins", false, [] { return listedWith(2); }},
        {"a listing that failed is not handed on", true, [] { return Outcome(); }},
        {"nor one that ended with an error", true,
         [] {
             Outcome partial = listedWith(2);
             partial.error = plat::Error(QStringLiteral("test"), 1);
             return partial;
         }},
        {"nor one that threw", true, []() -> Outcome { throw std::runtime_error("listing failed"); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        HeldListing leader(c.leaderAnswer);
        std::atomic<bool> listedItself{false};
        bool joined = true;
        auto joiner = joinFrom(listedItself, &joined, c.join);
        if (c.join)
            ASSERT_TRUE(mivtest::waitUntil([] { return MivSharedListing::waitingForTesting() == 1; }));
        else
            EXPECT_EQ(joiner.get().items.size(), 1);
        leader.release();
        if (c.join)
            EXPECT_EQ(joiner.get().items.size(), 1);
        EXPECT_TRUE(listedItself);
        EXPECT_FALSE(joined);
        try {
            leader.done().get();
        } catch (const std::runtime_error&) {
        }
    }
    // Every listing has left the registry: the next one leads.
    bool joined = true;
    EXPECT_EQ(MivSharedListing::run(kKey, true, [] { return listedWith(4); }, &joined).items.size(), 4);
    EXPECT_FALSE(joined);
}

TEST(MivSharedListingTest, KeysTellFoldersKindsAndOptionsApart)
{
    const QString base = MivSharedListing::keyFor("local", QStringLiteral("/a"), false, false, QStringLiteral("name"));
    EXPECT_EQ(base, MivSharedListing::keyFor("local", QStringLiteral("/a"), false, false, QStringLiteral("name")));
    for (const QString& other :
         {MivSharedListing::keyFor("search", QStringLiteral("/a"), false, false, QStringLiteral("name")),
          MivSharedListing::keyFor("local", QStringLiteral("/b"), false, false, QStringLiteral("name")),
          MivSharedListing::keyFor("local", QStringLiteral("/a"), true, false, QStringLiteral("name")),
          MivSharedListing::keyFor("local", QStringLiteral("/a"), false, true, QStringLiteral("name")),
          MivSharedListing::keyFor("local", QStringLiteral("/a"), false, false, QStringLiteral("size"))})
        EXPECT_NE(base, other);
    EXPECT_TRUE(MivSharedListing::keyFor("local", QString(), false, false, QString()).isEmpty())
        << "an item without a path key shares nothing";
}

} // namespace
