#include "ExecTestSupport.h"

#include "platform/BlockOperation.h"
#include "platform/ConcurrentQueue.h"
#include "platform/MainQueue.h"
#include "platform/OperationQueue.h"
#include "platform/Semaphore.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

using namespace mivtest;

namespace {

class RecordingOperation : public plat::Operation
{
public:
    static std::shared_ptr<RecordingOperation> create(std::function<void()> work = nullptr)
    {
        auto operation = std::shared_ptr<RecordingOperation>(new RecordingOperation);
        operation->m_work = std::move(work);
        return operation;
    }
    void main() override
    {
        ++mainCalls;
        if (m_work)
            m_work();
    }
    std::atomic<int> mainCalls{0};

private:
    RecordingOperation() = default;
    std::function<void()> m_work;
};

// Finishes later, from another thread, as an operation that waits for a
// request does.
class LaterFinishingOperation : public plat::Operation
{
public:
    static std::shared_ptr<LaterFinishingOperation> create()
    {
        return std::shared_ptr<LaterFinishingOperation>(new LaterFinishingOperation);
    }
    void start() override { setExecuting(true); }
    void main() override {}
    void finishNow()
    {
        setExecuting(false);
        setFinished(true);
    }

private:
    LaterFinishingOperation() = default;
};

} // namespace

TEST(OperationQueue, RunsAtMostTheMaximumStartingWithTheFirstAdded)
{
    auto queue = plat::OperationQueue::create(QStringLiteral("com.quorvex.test"), 3, plat::Qos::Utility);
    EXPECT_EQ(queue->name(), QStringLiteral("com.quorvex.test"));
    EXPECT_EQ(queue->maxConcurrentOperationCount(), 3);
    EXPECT_EQ(queue->qualityOfService(), plat::Qos::Utility);

    Gate gate;
    plat::Semaphore started;
    std::mutex mutex;
    std::vector<int> order;
    std::atomic<int> inside{0};
    std::atomic<int> most{0};
    for (int i = 0; i < 10; ++i) {
        queue->addOperationWithBlock([&, i] {
            const int now = ++inside;
            int seen = most.load();
            while (now > seen && !most.compare_exchange_weak(seen, now)) {
            }
            {
                std::lock_guard<std::mutex> guard(mutex);
                order.push_back(i);
            }
            started.signal();
            gate.wait();
            --inside;
        });
    }
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(started.wait(within()));
    EXPECT_FALSE(started.wait(plat::WaitClock::now() + 50ms));
    {
        // The first three added hold the slots (in which order they record
        // themselves is up to the threads).
        std::lock_guard<std::mutex> guard(mutex);
        std::vector<int> first = order;
        std::sort(first.begin(), first.end());
        EXPECT_EQ(first, (std::vector<int>{0, 1, 2}));
    }
    EXPECT_EQ(queue->operationCount(), 10);
    gate.open();
    queue->waitUntilAllOperationsAreFinished();
    EXPECT_EQ(queue->operationCount(), 0);
    EXPECT_EQ(most.load(), 3);
    std::sort(order.begin(), order.end());
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
}

TEST(Operation, CancelledBeforeStartFinishesWithoutRunningMain)
{
    auto operation = RecordingOperation::create();
    std::atomic<int> completions{0};
    operation->setCompletionBlock([&] { ++completions; });
    operation->cancel();
    EXPECT_TRUE(operation->isCancelled());
    EXPECT_FALSE(operation->isFinished());
    operation->start();
    EXPECT_TRUE(operation->isFinished());
    EXPECT_FALSE(operation->isExecuting());
    EXPECT_EQ(operation->mainCalls.load(), 0);
    EXPECT_EQ(completions.load(), 1);
    operation->start(); // a second start is ignored
    EXPECT_EQ(completions.load(), 1);
}

TEST(OperationQueue, CancelledWaitingOperationsNeverRunMain)
{
    auto queue = plat::OperationQueue::create(QStringLiteral("cancel"), 1);
    Gate gate;
    plat::Semaphore started;
    std::atomic<bool> sawCancel{false};
    std::shared_ptr<RecordingOperation> first;
    first = RecordingOperation::create([&] {
        started.signal();
        gate.wait();
        sawCancel = first->isCancelled(); // the running one learns of it
    });
    std::vector<std::shared_ptr<RecordingOperation>> waiting;
    for (int i = 0; i < 4; ++i)
        waiting.push_back(RecordingOperation::create());
    queue->addOperation(first);
    for (auto& operation : waiting)
        queue->addOperation(operation);
    ASSERT_TRUE(started.wait(within()));
    waiting[1]->cancel();
    queue->cancelAllOperations();
    EXPECT_TRUE(first->isCancelled());
    EXPECT_TRUE(first->isExecuting());
    gate.open();
    queue->waitUntilAllOperationsAreFinished();
    EXPECT_EQ(first->mainCalls.load(), 1);
    EXPECT_TRUE(sawCancel.load());
    for (auto& operation : waiting) {
        EXPECT_TRUE(operation->isFinished());
        EXPECT_EQ(operation->mainCalls.load(), 0);
    }
}

TEST(Operation, WaitUntilFinishedFromAWorkerAndFromTheMainThread)
{
    auto queue = plat::OperationQueue::create(QStringLiteral("wait"), 2);
    // The operation itself needs the main thread, which is the one waiting.
    auto operation = RecordingOperation::create([] {
        plat::asyncAndWait(*plat::MainQueue::instance(), [] {});
    });
    EXPECT_FALSE(operation->waitUntilFinished(plat::WaitClock::now() + 10ms));
    plat::Semaphore mainDone;
    bool finishedOnMain = false;
    plat::MainQueue::instance()->async([&] {
        queue->addOperations({operation}, true);
        finishedOnMain = operation->isFinished();
        mainDone.signal();
    });
    ASSERT_TRUE(mainDone.wait(within()));
    EXPECT_TRUE(finishedOnMain);
    EXPECT_TRUE(operation->waitUntilFinished(within()));
    EXPECT_EQ(operation->mainCalls.load(), 1);
}

TEST(OperationQueue, OperationThatFinishesLaterKeepsItsSlot)
{
    auto queue = plat::OperationQueue::create(QStringLiteral("later"), 1);
    auto slow = LaterFinishingOperation::create();
    auto next = RecordingOperation::create();
    queue->addOperation(slow);
    queue->addOperation(next);
    ASSERT_TRUE([&] {
        const auto deadline = within();
        while (!slow->isExecuting() && plat::WaitClock::now() < deadline)
            std::this_thread::sleep_for(1ms);
        return slow->isExecuting();
    }());
    EXPECT_FALSE(next->waitUntilFinished(plat::WaitClock::now() + 50ms));
    slow->finishNow();
    EXPECT_TRUE(next->waitUntilFinished(within()));
    EXPECT_EQ(next->mainCalls.load(), 1);
}

TEST(Operation, MainThatThrowsStillFinishesTheOperation)
{
    auto operation = RecordingOperation::create([] { throw std::runtime_error("boom"); });
    auto queue = plat::OperationQueue::create(QStringLiteral("throws"), 1);
    queue->addOperation(operation);
    EXPECT_TRUE(operation->waitUntilFinished(within()));
    queue->waitUntilAllOperationsAreFinished();
    EXPECT_EQ(queue->operationCount(), 0);
}

TEST(OperationQueue, AnOperationRunsOnceEvenWhenAddedTwice)
{
    auto first = plat::OperationQueue::create(QStringLiteral("a"));
    auto second = plat::OperationQueue::create(QStringLiteral("b"));
    auto operation = RecordingOperation::create();
    first->addOperation(operation);
    first->addOperation(operation);
    second->addOperation(operation);
    first->waitUntilAllOperationsAreFinished();
    second->waitUntilAllOperationsAreFinished();
    EXPECT_EQ(operation->mainCalls.load(), 1);
    EXPECT_EQ(second->operationCount(), 0);
}

TEST(OperationQueue, KeepsRunningAfterItsOwnerLetsGo)
{
    auto queue = plat::OperationQueue::create(QStringLiteral("orphan"), 1);
    std::weak_ptr<plat::OperationQueue> weak = queue;
    Gate gate;
    auto last = RecordingOperation::create();
    queue->addOperationWithBlock([&] { gate.wait(); });
    queue->addOperation(last);
    queue.reset();
    EXPECT_FALSE(weak.expired());
    gate.open();
    EXPECT_TRUE(last->waitUntilFinished(within()));
    EXPECT_EQ(last->mainCalls.load(), 1);
}

TEST(BlockOperation, RunsEveryBlockOnceBeforeFinishing)
{
    std::atomic<int> calls{0};
    auto operation = plat::BlockOperation::create([&] { ++calls; });
    for (int i = 0; i < 9; ++i)
        operation->addExecutionBlock([&] { ++calls; });
    EXPECT_EQ(operation->executionBlocks().size(), 10u);
    auto queue = plat::OperationQueue::create();
    EXPECT_EQ(queue->maxConcurrentOperationCount(), plat::OperationQueue::DefaultMaxConcurrentOperationCount);
    queue->addOperations({operation}, true);
    EXPECT_EQ(calls.load(), 10);
    operation->addExecutionBlock([&] { ++calls; }); // too late: dropped
    EXPECT_EQ(operation->executionBlocks().size(), 10u);
}

TEST(Operation, ThreadRegistrationIsPerThreadAndRestoresThePreviousOne)
{
    EXPECT_EQ(plat::Operation::currentThreadOperation(), nullptr);
    auto outer = RecordingOperation::create();
    auto inner = RecordingOperation::create();
    {
        plat::Operation::ThreadRegistration registerOuter(outer);
        EXPECT_EQ(plat::Operation::currentThreadOperation(), outer);
        {
            plat::Operation::ThreadRegistration registerInner(inner);
            EXPECT_EQ(plat::Operation::currentThreadOperation(), inner);
            plat::OperationPtr elsewhere = outer;
            std::thread([&] { elsewhere = plat::Operation::currentThreadOperation(); }).join();
            EXPECT_EQ(elsewhere, nullptr);
        }
        EXPECT_EQ(plat::Operation::currentThreadOperation(), outer);
        // start() registers nothing by itself.
        plat::OperationPtr seen;
        auto checking = RecordingOperation::create([&] { seen = plat::Operation::currentThreadOperation(); });
        checking->start();
        EXPECT_EQ(seen, outer);
    }
    EXPECT_EQ(plat::Operation::currentThreadOperation(), nullptr);
}
