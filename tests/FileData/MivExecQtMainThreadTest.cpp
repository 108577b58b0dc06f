#include "FileData/MivExec.h"

#include "platform/Wait.h"
#include "support/QtMainThread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace {

TEST(MivExecQtMainThreadTest, MainThreadWaitKeepsRunningWorkThatHopsToIt)
{
    mivtest::QtMainThread mainThread;
    ASSERT_TRUE(MivExec::isMainThread());
    std::mutex mutex;
    std::condition_variable cv;
    bool done = false;
    std::atomic<bool> ranOnMain{false};
    std::thread worker([&] {
        MivExec::runOnMainThread([&] { ranOnMain = MivExec::isMainThread(); });
        std::lock_guard<std::mutex> guard(mutex);
        done = true;
        cv.notify_all();
        plat::wakeMainWaiters();
    });
    std::unique_lock<std::mutex> lock(mutex);
    EXPECT_TRUE(plat::waitUntil(lock, cv, [&] { return done; },
                                plat::WaitClock::now() + std::chrono::seconds(20)));
    lock.unlock();
    worker.join();
    EXPECT_TRUE(ranOnMain.load());
}

} // namespace
