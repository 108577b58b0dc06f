#include "FileData/MivExec.h"

#include "platform/LoopThreadMainDispatcher.h"
#include "platform/Wait.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

namespace {

// Runs the body on the (test) main thread and waits for it.
void onMain(const std::function<void()>& body)
{
    auto* dispatcher = static_cast<plat::LoopThreadMainDispatcher*>(plat::MainDispatcher::instance());
    dispatcher->runAndWait(body);
}

TEST(MivExecMainThreadTest, OrderingOnTheMainThread)
{
    std::vector<std::string> order;
    std::promise<void> asyncRan;
    onMain([&] {
        ASSERT_TRUE(MivExec::isMainThread());
        MivExec::runAsyncOnMainThread([&] {
            order.push_back("async");
            asyncRan.set_value();
        });
        MivExec::runOnMainThreadAsync([&] { order.push_back("inline-async"); });
        MivExec::runOnMainThread([&] { order.push_back("inline-sync"); });
        MivExec::runAsyncOnMainThread([&] { order.push_back("forced"); }, true);
        MivExec::runAsyncOnMainThread([&] { order.push_back("not-forced"); }, false);
        order.push_back("returned");
    });
    asyncRan.get_future().wait();
    onMain([] {});
    const std::vector<std::string> expected{"inline-async", "inline-sync", "not-forced", "returned", "async", "forced"};
    EXPECT_EQ(order, expected);
}

TEST(MivExecMainThreadTest, RunOnMainThreadFromAWorkerWaitsForTheBlock)
{
    std::atomic<bool> ran{false};
    std::atomic<bool> ranOnMain{false};
    std::thread worker([&] {
        EXPECT_FALSE(MivExec::isMainThread());
        MivExec::runOnMainThread([&] {
            ranOnMain = MivExec::isMainThread();
            ran = true;
        });
        EXPECT_TRUE(ran.load());
    });
    worker.join();
    EXPECT_TRUE(ranOnMain.load());
}

TEST(MivExecMainThreadTest, RunOnMainThreadReturnsWhenTheBlockThrows)
{
    auto returned = std::make_shared<std::promise<void>>();
    std::future<void> future = returned->get_future();
    // Detached: a wait that never returned must fail the test, not hang it.
    std::thread([returned] {
        MivExec::runOnMainThread([] { throw std::runtime_error("block failed"); });
        returned->set_value();
    }).detach();
    EXPECT_EQ(future.wait_for(std::chrono::seconds(20)), std::future_status::ready);
    // The main thread goes on with later work.
    std::atomic<bool> ran{false};
    std::thread([&] { MivExec::runOnMainThread([&] { ran = true; }); }).join();
    EXPECT_TRUE(ran.load());
}

TEST(MivExecMainThreadTest, AsyncBlocksFromOneWorkerRunInSubmissionOrder)
{
    std::vector<int> seen;
    std::promise<void> last;
    std::thread worker([&] {
        for (int i = 0; i < 100; ++i)
            MivExec::runOnMainThreadAsync([&seen, i] { seen.push_back(i); });
        MivExec::runAsyncOnMainThread([&] { last.set_value(); });
    });
    worker.join();
    last.get_future().wait();
    ASSERT_EQ(seen.size(), 100u);
    for (int i = 0; i < 100; ++i)
        EXPECT_EQ(seen[i], i);
}

TEST(MivExecMainThreadTest, MainThreadWaitKeepsRunningPostedWork)
{
    // A main-thread wait for a worker that itself hops to the main thread
    // must not deadlock: the wait turns the main loop.
    onMain([] {
        std::mutex mutex;
        std::condition_variable cv;
        bool done = false;
        std::thread worker([&] {
            MivExec::runOnMainThread([] {});
            std::lock_guard<std::mutex> guard(mutex);
            done = true;
            cv.notify_all();
            plat::wakeMainWaiters();
        });
        std::unique_lock<std::mutex> lock(mutex);
        EXPECT_TRUE(plat::waitUntil(lock, cv, [&] { return done; }));
        lock.unlock();
        worker.join();
    });
}

} // namespace
