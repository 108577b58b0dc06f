#include "FileData/MivExec.h"
#include "FileData/MivMaxConcurrentTasksQueue.h"

#include "../platform/ExecTestSupport.h"
#include "platform/BlockOperation.h"
#include "platform/ConcurrentQueue.h"
#include "platform/Group.h"
#include "platform/LoopThreadMainDispatcher.h"
#include "platform/OperationQueue.h"
#include "platform/SerialQueue.h"

#include <QThread>

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <mutex>
#include <set>
#include <vector>

namespace {

using namespace std::chrono_literals;
using mivtest::within;

TEST(MivExecQueuesTest, OperationQueuePresets)
{
    const int background = 4 * QThread::idealThreadCount();
    struct Case
    {
        std::shared_ptr<plat::OperationQueue> queue;
        QString name;
        int maxCount;
        int qos;
    };
    const Case cases[] = {
        {MivExec::createUtilityOperationQueueWithName(QStringLiteral("x")), QStringLiteral("com.quorvex.x"), 20, 17},
        {MivExec::createSingleOperationQueueWithName(QStringLiteral("single")), QStringLiteral("com.quorvex.single"), 1, 33},
        {MivExec::createBackgroundOperationQueueWithName(QStringLiteral("bg")), QStringLiteral("com.quorvex.bg"), background, 9},
        {MivExec::createOperationQueueWithName(QStringLiteral("%1 odd"), 3, 25), QStringLiteral("com.quorvex.%1 odd"), 3, 25},
        {MivExec::sharedOperationQueue(), QStringLiteral("com.quorvex.shared.operation.queue"), 20, 17},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name.toStdString());
        EXPECT_EQ(c.queue->name(), c.name);
        EXPECT_EQ(c.queue->maxConcurrentOperationCount(), c.maxCount);
        EXPECT_EQ(c.queue->qualityOfService(), c.qos);
    }
}

TEST(MivExecQueuesTest, DispatchQueueLabelsAreKeptAsGiven)
{
    EXPECT_EQ(MivExec::createSerialDispatchQueueWithName("com.quorvex.stream-reader")->label(),
              QStringLiteral("com.quorvex.stream-reader"));
    EXPECT_EQ(MivExec::createConcurrentDispatchQueueWithName("dir-enum-queue")->label(), QStringLiteral("dir-enum-queue"));
    const auto utility = MivExec::createConcurrentDispatchQueueWithNameQos("util", 17);
    EXPECT_EQ(utility->label(), QStringLiteral("util"));
    EXPECT_EQ(utility->qos(), 17);
    const auto bounded = MivExec::createConcurrentDispatchQueueWithNameAndMaxConcurrency("com.quorvex.loading", 3);
    EXPECT_EQ(bounded->label(), QStringLiteral("com.quorvex.loading"));
    EXPECT_EQ(bounded->maxConcurrency(), 3u);
}

TEST(MivExecQueuesTest, SharedOperationQueueIsMadeOnceUnderConcurrentFirstRequests)
{
    std::vector<std::thread> threads;
    std::mutex mutex;
    std::set<plat::OperationQueue*> seen;
    for (int i = 0; i < 8; ++i)
        threads.emplace_back([&] {
            auto queue = MivExec::sharedOperationQueue();
            std::lock_guard<std::mutex> guard(mutex);
            seen.insert(queue.get());
        });
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(seen.size(), 1u);
}

TEST(MivExecQueuesTest, BoundedQueueRunsAtMostItsMaximumInSubmissionOrder)
{
    // What the queue promises is the order in which it starts tasks; tasks
    // that run side by side may record themselves in any order. So slots
    // are freed one at a time: each time, the next task in submission order
    // must be the one that starts.
    constexpr int kTasks = 5;
    const auto queue = MivExec::createConcurrentDispatchQueueWithNameAndMaxConcurrency("com.quorvex.test-bounded", 2);
    std::array<mivtest::Gate, kTasks> gates;
    std::atomic<int> running{0};
    std::atomic<int> peak{0};
    std::mutex mutex;
    std::set<int> started;
    auto done = plat::Group::create();
    for (int i = 0; i < kTasks; ++i) {
        done->enter();
        MivExec::runAsync(
            [&, i] {
                const int now = ++running;
                int previous = peak.load();
                while (previous < now && !peak.compare_exchange_weak(previous, now)) {
                }
                {
                    std::lock_guard<std::mutex> guard(mutex);
                    started.insert(i);
                }
                gates[i].wait();
                --running;
                done->leave();
            },
            queue);
    }
    const auto startedSet = [&] {
        std::lock_guard<std::mutex> guard(mutex);
        return started;
    };
    ASSERT_TRUE(mivtest::eventually([&] { return startedSet().size() == 2; }));
    EXPECT_EQ(startedSet(), (std::set<int>{0, 1}));
    for (int next = 2; next < kTasks; ++next) {
        // Frees one slot: exactly the next task may take it.
        gates[next - 2].open();
        ASSERT_TRUE(mivtest::eventually([&] { return startedSet().size() == size_t(next + 1); }));
        std::set<int> expected;
        for (int i = 0; i <= next; ++i)
            expected.insert(i);
        EXPECT_EQ(startedSet(), expected);
    }
    for (auto& gate : gates)
        gate.open();
    ASSERT_TRUE(done->wait(within()));
    EXPECT_LE(peak.load(), 2);
}

TEST(MivExecQueuesTest, RunAsyncWithoutAQueue)
{
    // No dispatch queue: the main thread, on a later turn.
    auto ranOnMain = plat::Group::create();
    ranOnMain->enter();
    std::atomic<bool> onMain{false};
    MivExec::runAsync([&] {
        onMain = MivExec::isMainThread();
        ranOnMain->leave();
    }, std::shared_ptr<plat::DispatchQueue>());
    ASSERT_TRUE(ranOnMain->wait(within()));
    EXPECT_TRUE(onMain.load());

    // No bounded queue: never run.
    bool ran = false;
    MivExec::runAsync([&] { ran = true; }, std::shared_ptr<MivMaxConcurrentTasksQueue>());
    auto* dispatcher = static_cast<plat::LoopThreadMainDispatcher*>(plat::MainDispatcher::instance());
    dispatcher->runAndWait([] {});
    EXPECT_FALSE(ran);
}

TEST(MivExecQueuesTest, RunAndJoinWaitsUntilTheBlockOrTheTimeOut)
{
    std::atomic<bool> finished{false};
    MivExec::runAndJoin([&] { finished = true; }, 20000, 0);
    EXPECT_TRUE(finished.load());

    // A time-out of 0 returns while the block still runs.
    mivtest::Gate gate;
    std::atomic<bool> slowFinished{false};
    MivExec::runAndJoin([&] {
        gate.wait();
        slowFinished = true;
    }, 0, 2);
    EXPECT_FALSE(slowFinished.load());
    gate.open();
    EXPECT_TRUE(mivtest::eventually([&] { return slowFinished.load(); }));
}

TEST(MivExecQueuesTest, RunOperationsWaitsForAll)
{
    std::atomic<int> count{0};
    std::vector<std::shared_ptr<plat::Operation>> operations;
    for (int i = 0; i < 50; ++i)
        operations.push_back(plat::BlockOperation::create([&] {
            std::this_thread::sleep_for(1ms);
            ++count;
        }));
    MivExec::runOperations(operations);
    EXPECT_EQ(count.load(), 50);
    for (const auto& operation : operations)
        EXPECT_TRUE(operation->isFinished());
}

TEST(MivExecQueuesTest, HasCancelledOperation)
{
    EXPECT_FALSE(MivExec::hasCancelledOperation());

    const auto running = plat::BlockOperation::create([] {});
    {
        plat::Operation::ThreadRegistration registration(running);
        EXPECT_FALSE(MivExec::hasCancelledOperation());
        running->cancel();
        EXPECT_TRUE(MivExec::hasCancelledOperation());
    }
    EXPECT_FALSE(MivExec::hasCancelledOperation());

    const auto finished = plat::BlockOperation::create([] {});
    finished->start();
    ASSERT_TRUE(finished->isFinished());
    plat::Operation::ThreadRegistration registration(finished);
    EXPECT_TRUE(MivExec::hasCancelledOperation());
}

} // namespace
