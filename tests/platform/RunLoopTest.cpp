#include "platform/LoopThreadMainDispatcher.h"
#include "platform/RunLoop.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <thread>
#include <vector>

using plat::RunLoop;
using namespace std::chrono_literals;

namespace {

RunLoop::Clock::time_point in(RunLoop::Clock::duration d)
{
    return RunLoop::Clock::now() + d;
}

// Generous bound for "this must happen": only a broken loop reaches it.
constexpr auto kLongWait = 20s;

// A thread that runs the body with its run loop, handing the loop out first.
class LoopThread
{
public:
    explicit LoopThread(std::function<void(RunLoop&)> body)
    {
        std::promise<std::shared_ptr<RunLoop>> started;
        auto future = started.get_future();
        m_thread = std::thread([&started, body = std::move(body)] {
            auto loop = RunLoop::current();
            started.set_value(loop);
            body(*loop);
        });
        m_loop = future.get();
    }
    ~LoopThread() { join(); }
    void join()
    {
        if (m_thread.joinable())
            m_thread.join();
    }
    const std::shared_ptr<RunLoop>& loop() const { return m_loop; }

private:
    std::thread m_thread;
    std::shared_ptr<RunLoop> m_loop;
};

void onMain(const std::function<void()>& body)
{
    static_cast<plat::LoopThreadMainDispatcher*>(plat::MainDispatcher::instance())->runAndWait(body);
}

TEST(RunLoopTest, PostsFromOtherThreadsRunInOrderOnTheLoopThread)
{
    std::vector<int> seen;
    std::atomic<bool> allOnLoopThread{true};
    std::thread::id loopThreadId;
    LoopThread worker([&](RunLoop& loop) {
        loopThreadId = std::this_thread::get_id();
        EXPECT_TRUE(loop.runUntil([&] { return seen.size() == 500; }, in(kLongWait)));
    });
    std::thread poster([&] {
        for (int i = 0; i < 500; ++i) {
            worker.loop()->post([&, i] {
                if (std::this_thread::get_id() != loopThreadId)
                    allOnLoopThread = false;
                seen.push_back(i);
            });
        }
    });
    poster.join();
    worker.join();
    ASSERT_EQ(seen.size(), 500u);
    for (int i = 0; i < 500; ++i)
        ASSERT_EQ(seen[i], i);
    EXPECT_TRUE(allOnLoopThread.load());
}

TEST(RunLoopTest, TimersFireCancelAndRepeatOnAWorker)
{
    LoopThread worker([](RunLoop& loop) {
        int single = 0;
        int repeating = 0;
        int cancelled = 0;
        const auto start = RunLoop::Clock::now();
        RunLoop::Clock::time_point singleAt;
        loop.addTimer(30ms, false, [&] {
            ++single;
            singleAt = RunLoop::Clock::now();
        });
        const RunLoop::TimerId dropped = loop.addTimer(10ms, false, [&] { ++cancelled; });
        RunLoop::TimerId repeatingId = 0;
        repeatingId = loop.addTimer(5ms, true, [&] {
            // A timer may cancel itself from its own callback.
            if (++repeating == 3)
                loop.cancelTimer(repeatingId);
        });
        loop.cancelTimer(dropped);
        EXPECT_TRUE(loop.runUntil([&] { return single == 1 && repeating == 3; }, in(kLongWait)));
        // Nothing left that could fire: the loop just times out.
        EXPECT_EQ(loop.runUntil(in(40ms)), RunLoop::RunResult::TimedOut);
        EXPECT_EQ(single, 1);
        EXPECT_EQ(repeating, 3);
        EXPECT_EQ(cancelled, 0);
        EXPECT_GE(singleAt - start, 30ms);
        EXPECT_FALSE(loop.hasSources());
    });
}

TEST(RunLoopTest, TimersCanBeAddedAndCancelledFromAnotherThread)
{
    std::atomic<int> fired{0};
    std::atomic<bool> stopLooping{false};
    LoopThread worker([&](RunLoop& loop) {
        // Waits with nothing scheduled: a timer added from outside must wake it.
        loop.runUntil([&] { return stopLooping.load(); }, in(kLongWait));
    });
    const RunLoop::TimerId cancelled = worker.loop()->addTimer(200ms, false, [&] { fired += 100; });
    worker.loop()->addTimer(10ms, false, [&] {
        ++fired;
        stopLooping = true;
    });
    worker.loop()->cancelTimer(cancelled);
    worker.join();
    EXPECT_EQ(fired.load(), 1);
}

TEST(RunLoopTest, StopFromAnotherThreadEndsTheTurn)
{
    std::promise<void> turning;
    LoopThread worker([&](RunLoop& loop) {
        loop.post([&] { turning.set_value(); });
        EXPECT_EQ(loop.runUntil(in(kLongWait)), RunLoop::RunResult::Stopped);
    });
    turning.get_future().wait();
    worker.loop()->stop();
    worker.join();
}

TEST(RunLoopTest, StopBeforeTheTurnIsNotLostAndEndsOnlyOneTurn)
{
    LoopThread worker([](RunLoop& loop) {
        loop.stop();
        EXPECT_EQ(loop.runUntil(in(kLongWait)), RunLoop::RunResult::Stopped);
        EXPECT_EQ(loop.runOnce(in(20ms)), RunLoop::RunResult::TimedOut);
    });
}

TEST(RunLoopTest, RunOnceHandlesWhatIsReadyOrReturnsAtTheDeadline)
{
    LoopThread worker([](RunLoop& loop) {
        auto start = RunLoop::Clock::now();
        EXPECT_EQ(loop.runOnce(in(30ms)), RunLoop::RunResult::TimedOut);
        EXPECT_GE(RunLoop::Clock::now() - start, 30ms);

        int ran = 0;
        loop.post([&] { ++ran; });
        loop.post([&] { ++ran; });
        EXPECT_EQ(loop.runOnce(in(kLongWait)), RunLoop::RunResult::HandledSource);
        EXPECT_EQ(ran, 2);

        // A timer is a source: runOnce waits for it, well before the deadline.
        loop.addTimer(10ms, false, [&] { ++ran; });
        EXPECT_EQ(loop.runOnce(in(kLongWait)), RunLoop::RunResult::HandledSource);
        EXPECT_EQ(ran, 3);

        // A deadline in the past still runs what is ready.
        loop.post([&] { ++ran; });
        EXPECT_EQ(loop.runOnce(RunLoop::Clock::now() - 1s), RunLoop::RunResult::HandledSource);
        EXPECT_EQ(ran, 4);

        start = RunLoop::Clock::now();
        EXPECT_EQ(loop.runUntil(in(30ms)), RunLoop::RunResult::TimedOut);
        EXPECT_GE(RunLoop::Clock::now() - start, 30ms);
        EXPECT_FALSE(loop.runUntil([] { return false; }, in(10ms)));
    });
}

TEST(RunLoopTest, ATimerThatNeverFiresKeepsTheLoopAliveWithoutOverflow)
{
    LoopThread worker([](RunLoop& loop) {
        bool fired = false;
        const RunLoop::TimerId keepAlive = loop.addTimer(std::chrono::duration<double>(1.7976931348623157e308), false,
                                                         [&] { fired = true; });
        EXPECT_NE(keepAlive, 0u);
        EXPECT_TRUE(loop.hasSources());
        EXPECT_EQ(loop.runOnce(in(20ms)), RunLoop::RunResult::TimedOut);
        EXPECT_FALSE(fired);
        loop.cancelTimer(keepAlive);
        EXPECT_FALSE(loop.hasSources());
    });
}

TEST(RunLoopTest, PostingIntoTheLoopOfAFinishedThreadIsDropped)
{
    auto payload = std::make_shared<int>(7);
    std::shared_ptr<RunLoop> kept;
    {
        LoopThread worker([](RunLoop&) {});
        kept = worker.loop();
        // Pending work of a thread that ends is released with it.
        kept->post([payload] {});
    }
    EXPECT_EQ(payload.use_count(), 1);
    bool ran = false;
    kept->post([&ran, payload] { ran = true; });
    EXPECT_EQ(kept->addTimer(1ms, false, [&ran] { ran = true; }), 0u);
    kept->stop();
    kept->wake();
    EXPECT_FALSE(ran);
    EXPECT_EQ(payload.use_count(), 1);
    EXPECT_FALSE(kept->hasSources());
}

TEST(RunLoopTest, TurningAnotherThreadsLoopIsRefused)
{
    std::promise<void> release;
    LoopThread worker([&](RunLoop&) { release.get_future().wait(); });
    EXPECT_EQ(worker.loop()->runOnce(in(kLongWait)), RunLoop::RunResult::TimedOut);
    release.set_value();
}

// The way an operation runs its thread's loop until it declares itself
// finished: a keep-alive timer and turns of a tenth of a second.
void turnInStepsUntilFinished(RunLoop& loop, const std::function<void(std::function<void()>)>& startRequest)
{
    bool stopRunLoop = false;
    const RunLoop::TimerId keepAlive =
        loop.addTimer(std::chrono::duration<double>(1.7976931348623157e308), false, [] {});
    startRequest([&] {
        loop.cancelTimer(keepAlive);
        stopRunLoop = true;
    });
    const auto giveUp = in(kLongWait);
    while (!stopRunLoop && RunLoop::Clock::now() < giveUp)
        loop.runUntil(in(100ms));
    EXPECT_TRUE(stopRunLoop);
}

// The request finishes on another thread and reports back through the loop.
void finishFromAnotherThread(const std::shared_ptr<RunLoop>& loop, std::function<void()> finished,
                             std::vector<std::thread>& threads)
{
    threads.emplace_back([loop, finished = std::move(finished)] {
        std::this_thread::sleep_for(5ms);
        loop->post(finished);
    });
}

TEST(RunLoopTest, TurningInStepsBehavesAlikeOnAWorkerAndOnTheMainThread)
{
    std::vector<std::thread> threads;
    for (bool onMainThread : {false, true}) {
        SCOPED_TRACE(onMainThread ? "main thread" : "worker");
        const auto body = [&] {
            auto loop = RunLoop::current();
            turnInStepsUntilFinished(*loop, [&](std::function<void()> finished) {
                finishFromAnotherThread(loop, std::move(finished), threads);
            });
        };
        if (onMainThread)
            onMain(body);
        else
            std::thread(body).join();
    }
    for (auto& thread : threads)
        thread.join();
}

TEST(RunLoopTest, TheMainThreadsLoopIsTheMainDispatcher)
{
    onMain([] {
        auto loop = RunLoop::current();
        EXPECT_EQ(loop, RunLoop::current());

        // Work posted to the main dispatcher by others runs while the loop turns.
        bool dispatcherWorkRan = false;
        plat::MainDispatcher::instance()->post([&] { dispatcherWorkRan = true; });
        EXPECT_TRUE(loop->runUntil([&] { return dispatcherWorkRan; }, in(kLongWait)));

        // Posts and timers of the loop, from this and other threads.
        std::vector<std::string> order;
        loop->post([&] { order.push_back("posted"); });
        std::thread([&] { loop->post([&] { order.push_back("from worker"); }); }).join();
        EXPECT_EQ(loop->runOnce(in(kLongWait)), RunLoop::RunResult::HandledSource);
        EXPECT_TRUE(loop->runUntil([&] { return order.size() == 2; }, in(kLongWait)));
        loop->addTimer(10ms, false, [&] { order.push_back("timer"); });
        const RunLoop::TimerId cancelled = loop->addTimer(1ms, false, [&] { order.push_back("cancelled"); });
        loop->cancelTimer(cancelled);
        EXPECT_TRUE(loop->runUntil([&] { return order.size() == 3; }, in(kLongWait)));
        EXPECT_EQ(loop->runUntil(in(30ms)), RunLoop::RunResult::TimedOut);
        EXPECT_EQ(order, (std::vector<std::string>{"posted", "from worker", "timer"}));

        int repeats = 0;
        RunLoop::TimerId repeating = 0;
        repeating = loop->addTimer(5ms, true, [&] {
            if (++repeats == 3)
                loop->cancelTimer(repeating);
        });
        EXPECT_TRUE(loop->runUntil([&] { return repeats == 3; }, in(kLongWait)));
        EXPECT_EQ(loop->runUntil(in(30ms)), RunLoop::RunResult::TimedOut);
        EXPECT_EQ(repeats, 3);

        // Stop from a worker ends a turn that has nothing else to do.
        std::thread stopper([&] {
            std::this_thread::sleep_for(5ms);
            loop->stop();
        });
        EXPECT_EQ(loop->runUntil(in(kLongWait)), RunLoop::RunResult::Stopped);
        stopper.join();
        EXPECT_FALSE(loop->hasSources());
    });
}

} // namespace
