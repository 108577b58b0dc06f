// Every hand-off between threads completes even when the work throws: the
// waiter returns and the executor goes on with later work.

#include "ExecTestSupport.h"

#include "platform/BlockOperation.h"
#include "platform/BoundedQueue.h"
#include "platform/ConcurrentQueue.h"
#include "platform/Group.h"
#include "platform/MainDispatcher.h"
#include "platform/MainQueue.h"
#include "platform/OperationQueue.h"
#include "platform/SerialQueue.h"
#include "support/QtMainThread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <memory>
#include <stdexcept>
#include <thread>

using namespace mivtest;

namespace {

[[noreturn]] void fail()
{
    throw std::runtime_error("work failed");
}

} // namespace

TEST(HandOff, AsyncAndWaitReturnsWhenTheTaskThrows)
{
    const plat::DispatchQueuePtr queues[] = {
        plat::SerialQueue::create(QStringLiteral("test.handoff.serial")),
        plat::BoundedQueue::create(QStringLiteral("test.handoff.bounded"), 2),
        plat::ConcurrentQueue::create(QStringLiteral("test.handoff.concurrent")),
        plat::MainQueue::instance(),
    };
    for (const plat::DispatchQueuePtr& queue : queues) {
        SCOPED_TRACE(queue->label().toStdString());
        EXPECT_TRUE(returnsWithin([queue] { plat::asyncAndWait(*queue, fail); }));
        EXPECT_TRUE(plat::asyncAndWait(*queue, fail, within())) << "with a deadline too";
        // The queue still runs later work.
        std::atomic<bool> ran{false};
        EXPECT_TRUE(plat::asyncAndWait(*queue, [&] { ran = true; }, within()));
        EXPECT_TRUE(ran);
    }
}

TEST(HandOff, GroupAsyncLeavesWhenTheTaskThrows)
{
    auto queue = plat::ConcurrentQueue::create(QStringLiteral("test.handoff.group"));
    auto group = plat::Group::create();
    std::atomic<int> notified{0};
    group->async(*queue, fail);
    group->async(*queue, [] {});
    group->async(*queue, fail);
    group->notify(queue, [&] { ++notified; });
    EXPECT_TRUE(group->wait(within()));
    EXPECT_EQ(group->count(), 0);
    EXPECT_TRUE(eventually([&] { return notified == 1; }));
}

TEST(HandOff, ThrowingCompletionBlockStillFinishesTheOperationAndItsQueue)
{
    auto queue = plat::OperationQueue::create(QStringLiteral("test.handoff.operations"), 1);
    auto failing = plat::BlockOperation::create([] {});
    failing->setCompletionBlock(fail);
    std::atomic<bool> laterRan{false};
    auto later = plat::BlockOperation::create([&] { laterRan = true; });
    queue->addOperation(failing);
    queue->addOperation(later);
    EXPECT_TRUE(returnsWithin([queue] { queue->waitUntilAllOperationsAreFinished(); }));
    EXPECT_TRUE(failing->waitUntilFinished(within()));
    EXPECT_TRUE(later->waitUntilFinished(within()));
    EXPECT_TRUE(laterRan);
    EXPECT_EQ(queue->operationCount(), 0);

    // Started by hand, the operation finishes and start() returns normally.
    auto direct = plat::BlockOperation::create([] {});
    direct->setCompletionBlock(fail);
    EXPECT_NO_THROW(direct->start());
    EXPECT_TRUE(direct->isFinished());
}

namespace {

// Overrides start() and throws from it before it reports anything.
class ThrowingStartOperation : public plat::Operation
{
public:
    static std::shared_ptr<ThrowingStartOperation> create()
    {
        return std::shared_ptr<ThrowingStartOperation>(new ThrowingStartOperation);
    }
    void start() override
    {
        setExecuting(true);
        fail();
    }
    void main() override {}

private:
    ThrowingStartOperation() = default;
};

} // namespace

TEST(HandOff, OperationWhoseStartThrowsIsFinishedByItsQueue)
{
    auto queue = plat::OperationQueue::create(QStringLiteral("test.handoff.start"), 1);
    auto operation = ThrowingStartOperation::create();
    std::atomic<bool> completed{false};
    operation->setCompletionBlock([&] { completed = true; });
    queue->addOperation(operation);
    EXPECT_TRUE(operation->waitUntilFinished(within()));
    EXPECT_FALSE(operation->isExecuting());
    EXPECT_TRUE(eventually([&] { return completed.load(); })) << "the completion block runs after waiters are released";
    EXPECT_TRUE(returnsWithin([queue] { queue->waitUntilAllOperationsAreFinished(); }));
}

TEST(HandOff, ThrowingMainThreadTaskIsContainedAndLaterTasksRun)
{
    // The test main's loop thread.
    plat::MainDispatcher* dispatcher = plat::MainDispatcher::instance();
    ASSERT_NE(dispatcher, nullptr);
    std::atomic<bool> ran{false};
    dispatcher->post(fail);
    dispatcher->postDelayed(1ms, fail);
    dispatcher->post([&] { ran = true; });
    EXPECT_TRUE(eventually([&] { return ran.load(); }));
}

TEST(HandOff, ThrowingTaskNeverUnwindsThroughTheQtEventLoop)
{
    QtMainThread main;
    bool ran = false;
    bool delayedRan = false;
    main.dispatcher().post(fail);
    main.dispatcher().postDelayed(1ms, fail);
    main.dispatcher().post([&] { ran = true; });
    main.dispatcher().postDelayed(2ms, [&] { delayedRan = true; });
    EXPECT_TRUE(main.dispatcher().processEventsUntil([&] { return ran && delayedRan; }, within()));
    // A worker waiting for main-thread work that throws gets its answer.
    std::future<bool> waited = std::async(std::launch::async, [] {
        return plat::asyncAndWait(*plat::MainQueue::instance(), fail, within());
    });
    EXPECT_TRUE(main.dispatcher().processEventsUntil(
        [&] { return waited.wait_for(0s) == std::future_status::ready; }, within()));
    EXPECT_TRUE(waited.get());
}

TEST(HandOff, WorkDroppedUnrunReleasesItsWaiter)
{
    // Without a main thread the main queue drops its work; the waiter learns
    // that the task did not run instead of waiting for ever.
    plat::MainDispatcher* previous = plat::MainDispatcher::instance();
    plat::MainDispatcher::install(nullptr);
    bool ran = false;
    bool answered = true;
    const bool returned = returnsWithin([&] { answered = plat::asyncAndWait(*plat::MainQueue::instance(), [&] { ran = true; }); });
    plat::MainDispatcher::install(previous);
    ASSERT_TRUE(returned);
    EXPECT_FALSE(answered);
    EXPECT_FALSE(ran);

    auto group = plat::Group::create();
    plat::MainDispatcher::install(nullptr);
    group->async(*plat::MainQueue::instance(), [] {});
    plat::MainDispatcher::install(previous);
    EXPECT_EQ(group->count(), 0);
}
