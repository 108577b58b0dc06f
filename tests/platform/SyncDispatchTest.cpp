// A synchronous dispatch runs its task on the calling thread once the queue
// reaches it, so it never needs a pool thread of its own: waiters that fill a
// band up to its cap still finish. Every wait here has a deadline, so a
// deadlock fails the test instead of hanging it.

#include "ExecTestSupport.h"

#include "platform/BoundedQueue.h"
#include "platform/ConcurrentQueue.h"
#include "platform/MainDispatcher.h"
#include "platform/MainQueue.h"
#include "platform/SerialQueue.h"
#include "platform/WorkerPool.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

using namespace mivtest;

namespace {

constexpr int kWaiters = 200;

// Puts kWaiters tasks on the band's pool that all sit at a gate until every
// thread the band may have is taken, then lets them go on to run body: the
// band is at its cap while they dispatch.
bool runAtTheCap(int qos, const std::function<void()>& body)
{
    auto outer = plat::ConcurrentQueue::create(QStringLiteral("test.sync.outer"), qos);
    auto group = plat::Group::create();
    auto gate = std::make_shared<Gate>();
    for (int i = 0; i < kWaiters; ++i)
        group->async(*outer, [gate, body] {
            gate->wait();
            body();
        });
    plat::WorkerPool& pool = plat::WorkerPool::forQos(qos);
    EXPECT_TRUE(eventually([&] { return pool.blockedThreadCount() == plat::WorkerPool::kMaxThreads; }));
    gate->open();
    return group->wait(within(60s));
}

} // namespace

TEST(SyncDispatch, WaitersOnTheirOwnConcurrentQueueFinishAtTheCap)
{
    auto queue = plat::ConcurrentQueue::create(QStringLiteral("test.sync.concurrent"), plat::Qos::Utility);
    std::atomic<int> ran{0};
    std::atomic<int> onCaller{0};
    const bool finished = runAtTheCap(plat::Qos::Utility, [&] {
        const auto caller = std::this_thread::get_id();
        EXPECT_TRUE(plat::asyncAndWait(*queue, [&] {
            ++ran;
            onCaller += std::this_thread::get_id() == caller;
        }));
    });
    ASSERT_TRUE(finished) << "synchronous dispatches deadlocked at the cap";
    EXPECT_EQ(ran, kWaiters);
    EXPECT_EQ(onCaller, kWaiters) << "a concurrent queue runs it at once on the caller's thread";
}

TEST(SyncDispatch, WaitersOnOneSerialQueueOfTheirBandFinishAtTheCap)
{
    auto serial = plat::SerialQueue::create(QStringLiteral("test.sync.serial"), plat::Qos::Utility);
    std::atomic<int> inside{0};
    std::atomic<int> overlaps{0};
    std::atomic<int> ran{0};
    std::atomic<int> onCaller{0};
    const bool finished = runAtTheCap(plat::Qos::Utility, [&] {
        const auto caller = std::this_thread::get_id();
        plat::asyncAndWait(*serial, [&] {
            overlaps += ++inside > 1;
            ++ran;
            onCaller += std::this_thread::get_id() == caller;
            --inside;
        });
    });
    ASSERT_TRUE(finished) << "synchronous dispatches deadlocked at the cap";
    EXPECT_EQ(ran, kWaiters);
    EXPECT_EQ(overlaps, 0) << "the serial queue still runs one task at a time";
    EXPECT_EQ(onCaller, kWaiters);
}

TEST(SyncDispatch, CallerGetsTheSlotInSubmissionOrderAndTheQueueGoesOnAfterIt)
{
    for (const int limit : {1, 2}) {
        SCOPED_TRACE(limit);
        auto queue = plat::BoundedQueue::create(QStringLiteral("test.sync.order"), limit);
        // Shared with the detached caller, which may outlive a failed test.
        struct Record
        {
            std::mutex mutex;
            std::vector<std::string> order;
            std::thread::id ranOn;
            void add(const char* what)
            {
                std::lock_guard<std::mutex> guard(mutex);
                order.push_back(what);
            }
            std::vector<std::string> snapshot()
            {
                std::lock_guard<std::mutex> guard(mutex);
                return order;
            }
        };
        auto record = std::make_shared<Record>();
        // Every slot taken by work that waits at a gate.
        auto gate = std::make_shared<Gate>();
        for (int i = 0; i < limit; ++i)
            queue->async([gate] { gate->wait(); });
        ASSERT_TRUE(eventually([&] { return queue->runningCount() == limit; }));

        queue->async([record] { record->add("before"); });
        auto callerId = std::make_shared<std::promise<std::thread::id>>();
        DetachedWait caller([queue, record, callerId] {
            callerId->set_value(std::this_thread::get_id());
            plat::asyncAndWait(*queue, [record] {
                record->ranOn = std::this_thread::get_id();
                record->add("sync");
            });
        });
        const std::thread::id callerThread = callerId->get_future().get();
        ASSERT_TRUE(eventually([&] { return queue->pendingCount() == 2; }));
        queue->async([record] { record->add("after"); });
        gate->open();
        ASSERT_TRUE(caller.finished()) << "the caller never got its slot";
        EXPECT_EQ(record->ranOn, callerThread) << "the task ran on the caller's thread";
        ASSERT_TRUE(eventually([&] { return record->snapshot().size() == 3; })) << "the queue went on after the caller";
        if (limit == 1)
            EXPECT_EQ(record->snapshot(), (std::vector<std::string>{"before", "sync", "after"}));
        else
            EXPECT_EQ(record->snapshot().front(), "before") << "started in submission order";
        EXPECT_TRUE(eventually([&] { return queue->runningCount() == 0 && queue->pendingCount() == 0; }));
    }
}

TEST(SyncDispatch, MainThreadCallerTurnsTheLoopWhileItWaitsForItsSlot)
{
    // The serial queue's task needs the main thread while the main thread
    // waits for a slot on the serial queue.
    auto serial = plat::SerialQueue::create(QStringLiteral("test.sync.main"));
    auto gate = std::make_shared<Gate>();
    auto hopped = std::make_shared<std::atomic<bool>>(false);
    auto ranOnMain = std::make_shared<std::atomic<bool>>(false);
    serial->async([gate, hopped] {
        gate->wait();
        plat::asyncAndWait(*plat::MainQueue::instance(), [hopped] { *hopped = true; });
    });
    DetachedWait onMain([serial, gate, ranOnMain] {
        plat::asyncAndWait(*plat::MainQueue::instance(), [serial, gate, ranOnMain] {
            gate->open();
            plat::asyncAndWait(*serial, [ranOnMain] { *ranOnMain = plat::MainDispatcher::onMainThread(); });
        });
    });
    ASSERT_TRUE(onMain.finished()) << "the main thread and the serial queue deadlocked";
    EXPECT_TRUE(*hopped);
    EXPECT_TRUE(*ranOnMain);
}
