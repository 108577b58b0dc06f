#include "ExecTestSupport.h"

#include "platform/ConcurrentQueue.h"
#include "platform/Group.h"
#include "platform/Semaphore.h"
#include "platform/WorkerPool.h"

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include <unistd.h>

using namespace mivtest;


// Two hundred tasks, each waiting for one submitted after it, spread over all
// five bands: every band holds dozens of blocked threads at once, far more
// than the processor count. A pool of fixed size would never run the last task.
TEST(WorkerPool, TasksWaitingForLaterTasksAllFinish)
{
    constexpr int kTasks = 200;
    const std::array<int, 5> bands = {plat::Qos::UserInteractive, plat::Qos::UserInitiated, plat::Qos::Default,
                                      plat::Qos::Utility, plat::Qos::Background};
    std::vector<std::unique_ptr<plat::Semaphore>> released;
    for (int i = 0; i < kTasks; ++i)
        released.push_back(std::make_unique<plat::Semaphore>());
    auto all = plat::Group::create();
    for (int i = 0; i < kTasks; ++i) {
        auto queue = plat::ConcurrentQueue::global(bands[i % bands.size()]);
        all->async(*queue, [&, i] {
            if (i < kTasks - 1)
                released[i]->wait();
            if (i > 0)
                released[i - 1]->signal();
        });
    }
    const bool finished = all->wait(within(60s));
    if (!finished) {
        // Let the stuck tasks go so the process can end.
        for (auto& semaphore : released)
            semaphore->signal();
        all->wait(within());
    }
    ASSERT_TRUE(finished);
}

// Each level waits for the next one on the same queue: forty threads of one
// band blocked inside one another.
TEST(WorkerPool, NestedWaitsOnOneQueueFinish)
{
    auto queue = plat::ConcurrentQueue::create(QStringLiteral("nested"), plat::Qos::UserInitiated);
    std::atomic<int> deepest{0};
    std::function<void(int)> level = [&](int depth) {
        deepest = std::max(deepest.load(), depth);
        if (depth == 40)
            return;
        auto group = plat::Group::create();
        group->async(*queue, [&, depth] { level(depth + 1); });
        group->wait();
    };
    ASSERT_TRUE(plat::asyncAndWait(*queue, [&] { level(0); }, within(60s)));
    EXPECT_EQ(deepest.load(), 40);
}

// Readers block in a plain read(2) that plat cannot see, more of them than
// the band's width; the writer is queued behind them on the same band. Only
// the stall monitor can get it a thread.
TEST(WorkerPool, MonitorGrowsTheBandPastThreadsStuckInForeignCalls)
{
    const int readers = plat::WorkerPool::width() + 2;
    std::vector<std::array<int, 2>> pipes(readers);
    for (auto& ends : pipes)
        ASSERT_EQ(::pipe(ends.data()), 0);
    auto queue = plat::ConcurrentQueue::create(QStringLiteral("pipe-readers"), plat::Qos::Utility);
    auto done = plat::Group::create();
    std::atomic<int> readBytes{0};
    for (int i = 0; i < readers; ++i) {
        done->async(*queue, [&, i] {
            char byte = 0;
            if (::read(pipes[i][0], &byte, 1) == 1)
                ++readBytes;
        });
    }
    done->async(*queue, [&] {
        for (auto& ends : pipes) {
            const char byte = 'x';
            (void)!::write(ends[1], &byte, 1);
        }
    });
    const bool finished = done->wait(within(30s));
    for (auto& ends : pipes) {
        ::close(ends[1]); // ends stuck readers if the writer never ran
    }
    if (!finished)
        done->wait(within());
    for (auto& ends : pipes)
        ::close(ends[0]);
    ASSERT_TRUE(finished);
    EXPECT_EQ(readBytes.load(), readers);
}

// At the cap the band stops growing; the rest of the work waits in the queue
// and runs once threads come free.
TEST(WorkerPool, StopsAtTheCapAndRunsTheRestLater)
{
    plat::WorkerPool& pool = plat::WorkerPool::forQos(plat::Qos::Background);
    auto queue = plat::ConcurrentQueue::create(QStringLiteral("cap"), plat::Qos::Background);
    constexpr int kTasks = plat::WorkerPool::kMaxThreads + 6;
    Gate gate;
    std::atomic<int> inside{0};
    auto done = plat::Group::create();
    for (int i = 0; i < kTasks; ++i) {
        done->async(*queue, [&] {
            ++inside;
            gate.wait(within(60s));
        });
    }
    ASSERT_TRUE(eventually([&] { return inside.load() == plat::WorkerPool::kMaxThreads; }));
    EXPECT_EQ(pool.threadCount(), plat::WorkerPool::kMaxThreads);
    EXPECT_EQ(pool.queuedTaskCount(), kTasks - plat::WorkerPool::kMaxThreads);
    EXPECT_FALSE(eventually([&] { return inside.load() > plat::WorkerPool::kMaxThreads; }, 100ms));
    gate.open();
    ASSERT_TRUE(done->wait(within()));
    EXPECT_EQ(inside.load(), kTasks);
    EXPECT_LE(pool.threadCount(), plat::WorkerPool::kMaxThreads);
}

TEST(WorkerPool, IdleThreadsExit)
{
    plat::WorkerPool& pool = plat::WorkerPool::forQos(plat::Qos::UserInteractive);
    pool.setIdleTimeout(50ms);
    auto queue = plat::ConcurrentQueue::create(QStringLiteral("burst"), plat::Qos::UserInteractive);
    const int tasks = plat::WorkerPool::width() * 2;
    Gate gate;
    std::atomic<int> inside{0};
    auto done = plat::Group::create();
    for (int i = 0; i < tasks; ++i) {
        done->async(*queue, [&] {
            ++inside;
            gate.wait();
        });
    }
    ASSERT_TRUE(eventually([&] { return inside.load() == tasks; }));
    // Each waiting thread counts as blocked, which is what let the pool grow.
    EXPECT_TRUE(eventually([&] { return pool.blockedThreadCount() == tasks; }));
    EXPECT_GE(pool.threadCount(), tasks);
    gate.open();
    ASSERT_TRUE(done->wait(within()));
    EXPECT_TRUE(eventually([&] { return pool.threadCount() == 0; }));
}

// A thread waiting idle takes new work at once: it is woken, not left to
// find the work when its idle time-out ends. The time-out is set far above
// the wait the test allows, so a wake-up that goes missing fails the test
// instead of slowing it down; how soon the work starts is not measured.
TEST(WorkerPool, WorkForAnIdleThreadStartsWithoutWaitingForTheIdleTimeout)
{
    constexpr auto kIdleTimeout = std::chrono::milliseconds(10min);
    constexpr auto kAllowed = 60s; // a tenth of the time-out: generous for a loaded machine
    const std::array<int, 5> bands = {plat::Qos::UserInteractive, plat::Qos::UserInitiated, plat::Qos::Default,
                                      plat::Qos::Utility, plat::Qos::Background};
    for (const int qos : bands) {
        SCOPED_TRACE(qos);
        plat::WorkerPool& pool = plat::WorkerPool::forQos(qos);
        pool.setIdleTimeout(kIdleTimeout);
        auto queue = plat::ConcurrentQueue::create(QStringLiteral("idle-handoff"), qos);
        // Each round finds the thread of the round before waiting idle.
        for (int round = 0; round < 3; ++round) {
            SCOPED_TRACE(round);
            if (round > 0) {
                ASSERT_TRUE(eventually([&] { return pool.idleThreadCount() >= 1; }));
            }
            const int threadsBefore = pool.threadCount();
            plat::Semaphore ran;
            queue->async([&] { ran.signal(); });
            ASSERT_TRUE(ran.wait(within(kAllowed)));
            if (round > 0) {
                EXPECT_EQ(pool.threadCount(), threadsBefore) << "the idle thread took the work, no new one was started";
            }
        }
        pool.setIdleTimeout(5s);
    }
}
