#include "ExecTestSupport.h"

#include "platform/BoundedQueue.h"
#include "platform/ConcurrentQueue.h"
#include "platform/MainDispatcher.h"
#include "platform/MainQueue.h"
#include "platform/Semaphore.h"
#include "platform/SerialQueue.h"
#include "platform/ThreadInfo.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

#include <pthread.h>

using namespace mivtest;

namespace {

// Counts tasks in flight and remembers the most seen at once.
struct InFlight
{
    std::atomic<int> now{0};
    std::atomic<int> most{0};
    void enter()
    {
        const int current = ++now;
        int seen = most.load();
        while (current > seen && !most.compare_exchange_weak(seen, current)) {
        }
    }
    void leave() { --now; }
};

} // namespace

TEST(SerialQueue, RunsTasksOneAtATimeInSubmissionOrderUnderItsLabel)
{
    auto queue = plat::SerialQueue::create(QStringLiteral("com.quorvex.test-serial"));
    EXPECT_EQ(queue->label(), QStringLiteral("com.quorvex.test-serial"));

    constexpr int kTasks = 500;
    std::vector<int> order; // only touched by the queue's tasks
    InFlight inFlight;
    std::atomic<int> wrongLabel{0};
    plat::Semaphore done;
    for (int i = 0; i < kTasks; ++i) {
        queue->async([&, i] {
            inFlight.enter();
            if (plat::currentThreadLabel() != QStringLiteral("com.quorvex.test-serial"))
                ++wrongLabel;
            order.push_back(i);
            inFlight.leave();
            if (i == kTasks - 1)
                done.signal();
        });
    }
    ASSERT_TRUE(done.wait(within()));
    ASSERT_EQ(order.size(), static_cast<size_t>(kTasks));
    for (int i = 0; i < kTasks; ++i)
        ASSERT_EQ(order[i], i);
    EXPECT_EQ(inFlight.most.load(), 1);
    EXPECT_EQ(wrongLabel.load(), 0);
}

TEST(SerialQueue, PendingWorkRunsAfterTheOwnerLetsGoOfTheQueue)
{
    auto queue = plat::SerialQueue::create(QStringLiteral("orphan"));
    Gate gate;
    std::atomic<int> ran{0};
    plat::Semaphore done;
    queue->async([&] {
        gate.wait();
        ++ran;
    });
    queue->async([&] {
        ++ran;
        done.signal();
    });
    queue.reset();
    gate.open();
    ASSERT_TRUE(done.wait(within()));
    EXPECT_EQ(ran.load(), 2);
}

TEST(BoundedQueue, PendingWorkKeepsTheQueueAliveUntilItIsDone)
{
    auto queue = plat::BoundedQueue::create(QStringLiteral("orphan"), 2);
    std::weak_ptr<plat::BoundedQueue> weak = queue;
    Gate gate;
    std::atomic<int> ran{0};
    for (int i = 0; i < 5; ++i) {
        queue->async([&] {
            gate.wait();
            ++ran;
        });
    }
    queue.reset();
    EXPECT_FALSE(weak.expired());
    gate.open();
    // The last runner lets go of the queue once nothing is left.
    EXPECT_TRUE(eventually([&] { return weak.expired(); }));
    EXPECT_EQ(ran.load(), 5);
}

TEST(BoundedQueue, ThrowingTaskIsContainedAndFreesItsSlot)
{
    auto queue = plat::BoundedQueue::create(QStringLiteral("throws"), 1);
    plat::Semaphore done;
    queue->async([] { throw std::runtime_error("boom"); });
    queue->async([&] { done.signal(); });
    EXPECT_TRUE(done.wait(within()));
    // The slot comes free just after the last task returns.
    EXPECT_TRUE(eventually([&] { return queue->runningCount() == 0; }));
}

TEST(BoundedQueue, MaximumOfTwoRunsFiveBlocksTwoAtATimeInSubmissionOrder)
{
    auto queue = plat::BoundedQueue::create(QStringLiteral("com.quorvex.test-bounded"), 2);
    // Each block waits at its own gate, so exactly one slot comes free at a
    // time and the block that takes it is determined.
    std::array<Gate, 5> gates;
    plat::Semaphore started;
    std::mutex mutex;
    std::vector<int> startOrder;
    InFlight inFlight;
    plat::Semaphore finished;
    for (int i = 0; i < 5; ++i) {
        queue->async([&, i] {
            inFlight.enter();
            {
                std::lock_guard<std::mutex> guard(mutex);
                startOrder.push_back(i);
            }
            started.signal();
            gates[i].wait();
            inFlight.leave();
            finished.signal();
        });
    }
    const auto startedSoFar = [&] {
        std::lock_guard<std::mutex> guard(mutex);
        std::vector<int> sorted = startOrder;
        std::sort(sorted.begin(), sorted.end());
        return sorted;
    };
    ASSERT_TRUE(started.wait(within()));
    ASSERT_TRUE(started.wait(within()));
    // Two run and hold their slots; the other three wait in the queue's own
    // list, not on pool threads.
    EXPECT_EQ(startedSoFar(), (std::vector<int>{0, 1}));
    EXPECT_EQ(queue->runningCount(), 2);
    EXPECT_EQ(queue->pendingCount(), 3);
    EXPECT_FALSE(started.wait(plat::WaitClock::now() + 50ms));

    gates[0].open();
    ASSERT_TRUE(started.wait(within()));
    EXPECT_EQ(startedSoFar(), (std::vector<int>{0, 1, 2}));
    gates[1].open();
    ASSERT_TRUE(started.wait(within()));
    EXPECT_EQ(startedSoFar(), (std::vector<int>{0, 1, 2, 3}));
    gates[2].open();
    ASSERT_TRUE(started.wait(within()));
    EXPECT_EQ(startedSoFar(), (std::vector<int>{0, 1, 2, 3, 4}));
    gates[3].open();
    gates[4].open();
    for (int i = 0; i < 5; ++i)
        ASSERT_TRUE(finished.wait(within()));
    EXPECT_EQ(inFlight.most.load(), 2);
    // The slot comes free just after the last block returns.
    EXPECT_TRUE(eventually([&] { return queue->runningCount() == 0; }));
}

TEST(BoundedQueue, RaisingTheMaximumStartsWaitingBlocksAtOnce)
{
    auto queue = plat::BoundedQueue::create(QStringLiteral("raise"), 1);
    Gate gate;
    plat::Semaphore started;
    plat::Semaphore finished;
    for (int i = 0; i < 4; ++i) {
        queue->async([&] {
            started.signal();
            gate.wait();
            finished.signal();
        });
    }
    ASSERT_TRUE(started.wait(within()));
    EXPECT_EQ(queue->pendingCount(), 3);
    queue->setMaxConcurrency(4);
    // All four are inside at once while the gate is still shut.
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(started.wait(within()));
    EXPECT_EQ(queue->runningCount(), 4);
    gate.open();
    for (int i = 0; i < 4; ++i)
        ASSERT_TRUE(finished.wait(within()));
}

TEST(BoundedQueue, MaximumBelowOneIsOneAndUnlimitedStaysUnlimited)
{
    EXPECT_EQ(plat::BoundedQueue::create(QStringLiteral("zero"), 0)->maxConcurrency(), 1);
    EXPECT_EQ(plat::BoundedQueue::create(QStringLiteral("negative"), -7)->maxConcurrency(), 1);
    EXPECT_EQ(plat::BoundedQueue::create(QStringLiteral("any"), plat::BoundedQueue::Unlimited)->maxConcurrency(),
              plat::BoundedQueue::Unlimited);
}

TEST(ConcurrentQueue, KernelThreadNameIsTheEndOfTheLabel)
{
    auto queue = plat::ConcurrentQueue::create(QStringLiteral("com.quorvex.file-system-event-queue"), plat::Qos::Utility);
    EXPECT_EQ(queue->qos(), plat::Qos::Utility);
    char name[32] = {};
    QString label;
    ASSERT_TRUE(plat::asyncAndWait(*queue, [&] {
        pthread_getname_np(pthread_self(), name, sizeof name);
        label = plat::currentThreadLabel();
    }, within()));
    EXPECT_STREQ(name, "tem-event-queue");
    EXPECT_EQ(label, QStringLiteral("com.quorvex.file-system-event-queue"));
}

TEST(ConcurrentQueue, GlobalQueuesFollowTheBands)
{
    EXPECT_EQ(plat::ConcurrentQueue::global(plat::GlobalQueuePriority::qos(plat::GlobalQueuePriority::High))->qos(), 25);
    EXPECT_EQ(plat::ConcurrentQueue::global(plat::GlobalQueuePriority::qos(plat::GlobalQueuePriority::Default))->qos(), 21);
    EXPECT_EQ(plat::ConcurrentQueue::global(plat::GlobalQueuePriority::qos(plat::GlobalQueuePriority::Low))->qos(), 17);
    EXPECT_EQ(plat::ConcurrentQueue::global(plat::GlobalQueuePriority::qos(plat::GlobalQueuePriority::Background))->qos(), 9);
    EXPECT_EQ(plat::ConcurrentQueue::global(plat::Qos::Unspecified), plat::ConcurrentQueue::global(plat::Qos::Default));
    EXPECT_EQ(plat::Qos::band(40), 33);
    EXPECT_EQ(plat::Qos::band(30), 25);
    EXPECT_EQ(plat::Qos::band(1), 9);
}

TEST(AsyncAndWait, GivesUpAtTheDeadlineWhileTheTaskRunsOn)
{
    auto queue = plat::ConcurrentQueue::create(QStringLiteral("join"));
    auto gate = std::make_shared<Gate>();
    auto finished = std::make_shared<plat::Semaphore>();
    EXPECT_FALSE(plat::asyncAndWait(*queue, [gate, finished] {
        gate->wait();
        finished->signal();
    }, plat::WaitClock::now() + 20ms));
    gate->open();
    EXPECT_TRUE(finished->wait(within()));
}

TEST(MainQueue, MainThreadWaitTurnsTheLoopForWorkThatHopsToTheMainThread)
{
    auto* mainThread = plat::MainDispatcher::instance();
    ASSERT_NE(mainThread, nullptr);
    // The main thread waits for a worker that itself waits for the main
    // thread: without the loop turning inside the wait this deadlocks.
    std::atomic<bool> ranOnMain{false};
    bool acquired = false;
    plat::Semaphore mainFinished;
    plat::MainQueue::instance()->async([&] {
        plat::Semaphore semaphore;
        plat::ConcurrentQueue::global(plat::Qos::Default)->async([&] {
            plat::asyncAndWait(*plat::MainQueue::instance(), [&] { ranOnMain = plat::MainDispatcher::onMainThread(); });
            semaphore.signal();
        });
        acquired = semaphore.wait(within());
        mainFinished.signal();
    });
    ASSERT_TRUE(mainFinished.wait(within(30s)));
    EXPECT_TRUE(acquired);
    EXPECT_TRUE(ranOnMain.load());
}
