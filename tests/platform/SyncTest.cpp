#include "ExecTestSupport.h"

#include "platform/ConcurrentQueue.h"
#include "platform/Group.h"
#include "platform/MainQueue.h"
#include "platform/ParallelFor.h"
#include "platform/Semaphore.h"
#include "platform/SerialQueue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <vector>

using namespace mivtest;

TEST(Semaphore, CountsSignalsAndTimesOut)
{
    plat::Semaphore semaphore(1);
    EXPECT_TRUE(semaphore.wait(plat::WaitClock::now()));
    EXPECT_FALSE(semaphore.wait(plat::WaitClock::now() + 20ms));
    semaphore.signal();
    semaphore.signal();
    EXPECT_TRUE(semaphore.wait(within()));
    EXPECT_TRUE(semaphore.wait(within()));
    EXPECT_FALSE(semaphore.wait(plat::WaitClock::now()));
}

TEST(Group, WaitWithDeadlineAnswersWhetherAllWorkLeft)
{
    auto group = plat::Group::create();
    EXPECT_TRUE(group->wait(plat::WaitClock::now()));
    group->enter();
    EXPECT_FALSE(group->wait(plat::WaitClock::now() + 30ms));
    auto queue = plat::ConcurrentQueue::create(QStringLiteral("group"));
    std::atomic<int> ran{0};
    for (int i = 0; i < 20; ++i)
        group->async(*queue, [&] { ++ran; });
    EXPECT_FALSE(group->wait(plat::WaitClock::now() + 30ms));
    group->leave();
    ASSERT_TRUE(group->wait(within()));
    EXPECT_EQ(ran.load(), 20);
    EXPECT_EQ(group->count(), 0);
}

TEST(Group, NotifyFiresOnceWhenTheCountReachesZero)
{
    auto group = plat::Group::create();
    auto queue = plat::SerialQueue::create(QStringLiteral("notify"));
    auto fired = std::make_shared<plat::Semaphore>();
    std::atomic<int> notified{0};
    group->enter();
    group->enter();
    group->notify(queue, [&] {
        ++notified;
        fired->signal();
    });
    group->leave();
    EXPECT_FALSE(fired->wait(plat::WaitClock::now() + 30ms));
    group->leave();
    ASSERT_TRUE(fired->wait(within()));
    // An empty group notifies at once; the earlier notification stays spent.
    group->notify(plat::MainQueue::instance(), [&] {
        ++notified;
        fired->signal();
    });
    ASSERT_TRUE(fired->wait(within()));
    EXPECT_EQ(notified.load(), 2);
}

TEST(Group, ExtraLeaveIsIgnoredAndDoesNotReleaseLaterWaitsEarly)
{
    auto group = plat::Group::create();
    group->leave();
    EXPECT_EQ(group->count(), 0);
    group->enter();
    EXPECT_FALSE(group->wait(plat::WaitClock::now() + 20ms));
    group->leave();
    EXPECT_TRUE(group->wait(within()));
}

TEST(ParallelFor, CallsEveryIndexExactlyOnce)
{
    for (const std::size_t count : {std::size_t{0}, std::size_t{1}, std::size_t{7}, std::size_t{10000}}) {
        std::vector<std::atomic<int>> calls(count);
        plat::parallelFor(count, [&](std::size_t i) { ++calls[i]; });
        for (std::size_t i = 0; i < count; ++i)
            ASSERT_EQ(calls[i].load(), 1) << "index " << i << " of " << count;
    }
}

TEST(ParallelFor, NestedLoopsAndLoopsOnTheMainThreadFinish)
{
    std::vector<std::atomic<int>> calls(30 * 30);
    plat::Semaphore finished;
    // The main thread takes part too; inner loops run on pool threads that
    // are busy with the outer loop.
    plat::MainQueue::instance()->async([&] {
        plat::parallelFor(30, [&](std::size_t outer) {
            plat::parallelFor(30, [&](std::size_t inner) { ++calls[outer * 30 + inner]; });
        });
        finished.signal();
    });
    ASSERT_TRUE(finished.wait(within()));
    for (auto& call : calls)
        ASSERT_EQ(call.load(), 1);
}
