#include "platform/RunLoop.h"
#include "platform/Wait.h"
#include "support/QtMainThread.h"

#include <QCoreApplication>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

using namespace std::chrono_literals;
using Clock = plat::MainDispatcher::Clock;

namespace {

constexpr auto kLongWait = 20s;

class QtMainDispatcherTest : public ::testing::Test
{
protected:
    plat::QtMainDispatcher& dispatcher() { return m_main.dispatcher(); }
    bool turnUntil(const std::function<bool()>& predicate)
    {
        return dispatcher().processEventsUntil(predicate, Clock::now() + kLongWait);
    }

    mivtest::QtMainThread m_main;
};

TEST_F(QtMainDispatcherTest, TheApplicationThreadIsTheMainThread)
{
    EXPECT_TRUE(dispatcher().isMainThread());
    EXPECT_TRUE(plat::MainDispatcher::onMainThread());
    std::atomic<bool> onMainElsewhere{true};
    std::thread([&] { onMainElsewhere = plat::MainDispatcher::onMainThread(); }).join();
    EXPECT_FALSE(onMainElsewhere.load());
}

TEST_F(QtMainDispatcherTest, PostsFromManyThreadsRunOnTheMainThreadInEachThreadsOrder)
{
    constexpr int kThreads = 4;
    constexpr int kPosts = 250;
    std::map<int, std::vector<int>> seen;
    int total = 0;
    bool allOnMain = true;
    QThread* const mainThread = QCoreApplication::instance()->thread();

    bool postedHereRan = false;
    dispatcher().post([&] { postedHereRan = true; });
    EXPECT_FALSE(postedHereRan) << "a post from the main thread runs on a later turn";

    std::vector<std::thread> posters;
    for (int t = 0; t < kThreads; ++t) {
        posters.emplace_back([&, t] {
            for (int i = 0; i < kPosts; ++i) {
                dispatcher().post([&, t, i] {
                    allOnMain = allOnMain && QThread::currentThread() == mainThread;
                    seen[t].push_back(i);
                    ++total;
                });
            }
        });
    }
    for (auto& poster : posters)
        poster.join();
    EXPECT_TRUE(turnUntil([&] { return total == kThreads * kPosts; }));
    EXPECT_TRUE(postedHereRan);
    EXPECT_TRUE(allOnMain);
    for (int t = 0; t < kThreads; ++t) {
        ASSERT_EQ(seen[t].size(), std::size_t(kPosts));
        for (int i = 0; i < kPosts; ++i)
            ASSERT_EQ(seen[t][i], i) << "thread " << t;
    }
}

TEST_F(QtMainDispatcherTest, DelayedWorkWaitsForItsDelay)
{
    std::vector<std::string> order;
    std::map<std::string, Clock::duration> late;
    const auto record = [&](std::string name, Clock::time_point posted) {
        return [&, name, posted] {
            late[name] = Clock::now() - posted;
            order.push_back(name);
        };
    };
    // The longest delay leaves room for a slow worker thread on a loaded machine.
    dispatcher().postDelayed(250ms, record("250 ms", Clock::now()));
    dispatcher().postDelayed(10ms, record("10 ms", Clock::now()));
    std::thread([&] { dispatcher().postDelayed(30ms, record("worker 30 ms", Clock::now())); }).join();
    EXPECT_TRUE(turnUntil([&] { return order.size() == 3; }));
    ASSERT_EQ(order.size(), 3u);
    EXPECT_EQ(order.front(), "10 ms");
    EXPECT_EQ(order.back(), "250 ms");
    EXPECT_GE(late["10 ms"], 10ms);
    EXPECT_GE(late["worker 30 ms"], 30ms);
    EXPECT_GE(late["250 ms"], 250ms);
}

TEST_F(QtMainDispatcherTest, ProcessEventsUntilSeesAWorkersChange)
{
    // With a wake the loop looks at once; without one it must still notice.
    for (bool wake : {true, false}) {
        SCOPED_TRACE(wake ? "woken" : "not woken");
        std::atomic<bool> flag{false};
        std::thread worker([&] {
            std::this_thread::sleep_for(10ms);
            flag = true;
            if (wake)
                plat::MainDispatcher::instance()->wake();
        });
        EXPECT_TRUE(turnUntil([&] { return flag.load(); }));
        worker.join();
    }
}

TEST_F(QtMainDispatcherTest, ProcessEventsUntilReturnsAtTheDeadline)
{
    for (auto timeout : {0ms, 1ms, 40ms}) {
        const auto start = Clock::now();
        EXPECT_FALSE(dispatcher().processEventsUntil([] { return false; }, start + timeout));
        EXPECT_GE(Clock::now() - start, timeout);
    }
}

TEST_F(QtMainDispatcherTest, NestedTurnsKeepRunningPostedWork)
{
    bool inner = false;
    bool outerDone = false;
    dispatcher().post([&] {
        dispatcher().post([&] { inner = true; });
        EXPECT_TRUE(turnUntil([&] { return inner; }));
        outerDone = true;
    });
    EXPECT_TRUE(turnUntil([&] { return outerDone; }));
}

TEST_F(QtMainDispatcherTest, WaitingOnTheMainThreadRunsWorkThatHopsToIt)
{
    // A worker that waits for the main thread while the main thread waits for
    // the worker: the main thread's wait must keep turning the loop.
    std::mutex mutex;
    std::condition_variable cv;
    bool done = false;
    bool hopRan = false;
    std::thread worker([&] {
        std::mutex hopMutex;
        std::condition_variable hopCv;
        bool hopped = false;
        dispatcher().post([&] {
            hopRan = dispatcher().isMainThread();
            std::lock_guard<std::mutex> guard(hopMutex);
            hopped = true;
            hopCv.notify_all();
        });
        {
            std::unique_lock<std::mutex> lock(hopMutex);
            plat::waitUntil(lock, hopCv, [&] { return hopped; });
        }
        std::lock_guard<std::mutex> guard(mutex);
        done = true;
        cv.notify_all();
        plat::wakeMainWaiters();
    });
    std::unique_lock<std::mutex> lock(mutex);
    EXPECT_TRUE(plat::waitUntil(lock, cv, [&] { return done; }, Clock::now() + kLongWait));
    lock.unlock();
    worker.join();
    EXPECT_TRUE(hopRan);
}

TEST_F(QtMainDispatcherTest, TheMainRunLoopRunsOnQt)
{
    auto loop = plat::RunLoop::current();
    std::vector<std::string> order;
    loop->post([&] { order.push_back("posted"); });
    std::thread([&] { loop->post([&] { order.push_back("from worker"); }); }).join();
    EXPECT_EQ(loop->runOnce(Clock::now() + kLongWait), plat::RunLoop::RunResult::HandledSource);
    EXPECT_TRUE(loop->runUntil([&] { return order.size() == 2; }, Clock::now() + kLongWait));

    int repeats = 0;
    plat::RunLoop::TimerId repeating = 0;
    repeating = loop->addTimer(5ms, true, [&] {
        if (++repeats == 3)
            loop->cancelTimer(repeating);
    });
    const auto cancelled = loop->addTimer(1ms, false, [&] { order.push_back("cancelled"); });
    loop->cancelTimer(cancelled);
    EXPECT_TRUE(loop->runUntil([&] { return repeats == 3; }, Clock::now() + kLongWait));
    EXPECT_EQ(loop->runUntil(Clock::now() + 30ms), plat::RunLoop::RunResult::TimedOut);
    EXPECT_EQ(repeats, 3);
    EXPECT_EQ(order, (std::vector<std::string>{"posted", "from worker"}));

    std::thread stopper([&] {
        std::this_thread::sleep_for(5ms);
        loop->stop();
    });
    EXPECT_EQ(loop->runUntil(Clock::now() + kLongWait), plat::RunLoop::RunResult::Stopped);
    stopper.join();
    EXPECT_FALSE(loop->hasSources());
}

} // namespace
