#pragma once

#include "platform/Mutex.h"

#include <QtGlobal>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <thread>

namespace plat {

class MainDispatcher;

// The run loop of one thread: tasks posted to it and timers run on that
// thread while it turns the loop. On the main thread the loop is the main
// dispatcher's (the Qt event loop in the application), so code that turns
// "its" run loop in steps behaves the same on every thread, and main-thread
// work keeps running meanwhile.
//
// post, stop, addTimer and cancelTimer may be called from any thread through
// a shared_ptr; once the loop's thread has ended they do nothing.
class RunLoop : public std::enable_shared_from_this<RunLoop>
{
public:
    using Task = std::function<void()>;
    using Clock = std::chrono::steady_clock;
    using TimerId = quint64;

    enum class RunResult {
        HandledSource, // a posted task or a timer ran
        Stopped,       // stop() was called
        TimedOut,      // the deadline passed first
    };

    // The calling thread's loop, made on first use.
    static std::shared_ptr<RunLoop> current();

    ~RunLoop();
    RunLoop(const RunLoop&) = delete;
    RunLoop& operator=(const RunLoop&) = delete;

    // Runs the task on a later turn, in posting order.
    void post(Task task);

    // Runs task after interval, and then every interval when repeats. An
    // interval too long to ever pass (years) never fires; timers count as
    // sources of the loop until cancelled or, when single-shot, fired.
    TimerId addTimer(std::chrono::duration<double> interval, bool repeats, Task task);
    // After this returns on the loop's thread the timer never fires again.
    void cancelTimer(TimerId id);

    // Owner thread only. Turns the loop until stop() or the deadline.
    RunResult runUntil(Clock::time_point deadline);
    // Owner thread only. Turns the loop until the predicate holds (answers
    // true), stop() or the deadline (answer false).
    bool runUntil(const std::function<bool()>& predicate, Clock::time_point deadline);
    // Owner thread only. Runs the posted tasks and due timers that are ready,
    // waiting for some until the deadline.
    RunResult runOnce(Clock::time_point deadline);

    // Makes the innermost turn of the loop return Stopped. A stop that comes
    // while the loop is not turning ends its next turn at once, so a stop
    // racing with the start of a turn is never lost.
    void stop();

    // Makes a turn that waits re-check its predicate now. Whoever makes the
    // predicate of runUntil true from another thread calls it (or posts).
    void wake();

    // True while timers are scheduled or tasks wait.
    bool hasSources() const;

    bool isCurrent() const;

private:
    struct Timer
    {
        Clock::time_point due;
        Clock::duration interval;
        bool repeats = false;
        std::shared_ptr<Task> task;
    };
    struct ThreadSlot;
    enum class Outcome { Handled, Stopped, TimedOut, Satisfied };

    explicit RunLoop(MainDispatcher* mainDispatcher);

    bool checkOwner(const char* what) const;
    Outcome turn(Clock::time_point deadline, const std::function<bool()>& predicate, bool once);
    // A thread of its own: waits on the condition variable.
    Outcome turnOwn(Clock::time_point deadline, const std::function<bool()>& predicate, bool once);
    // The main thread: the dispatcher turns the main loop.
    Outcome turnMain(Clock::time_point deadline, const std::function<bool()>& predicate, bool once);
    // Runs what is ready; the lock is given up while tasks run.
    bool runReady() MIV_REQUIRES(m_mutex);
    // Under the lock: takes the timer's task for one firing, rescheduling a
    // repeating timer; null when it was cancelled.
    std::shared_ptr<Task> takeTimerFiringLocked(TimerId id, Clock::time_point now) MIV_REQUIRES(m_mutex);
    bool takeStopLocked() MIV_REQUIRES(m_mutex);
    void runMainTask(const Task& task);
    void fireMainTimer(TimerId id);
    void scheduleMainTimer(TimerId id, Clock::duration delay);
    void shutDown();
    MainDispatcher* liveMainDispatcher() const;

    MainDispatcher* const m_mainDispatcher; // set for the main thread's loop
    const std::thread::id m_thread;
    // Taken before a pool's (a turn waits inside ScopedBlocking).
    mutable Mutex m_mutex;
    std::condition_variable m_cv;
    std::deque<Task> m_tasks MIV_GUARDED_BY(m_mutex);           // own loop only
    std::map<TimerId, Timer> m_timers MIV_GUARDED_BY(m_mutex);
    TimerId m_nextTimerId MIV_GUARDED_BY(m_mutex) = 1;
    quint64 m_pendingMainTasks MIV_GUARDED_BY(m_mutex) = 0;     // main loop: posted, not yet run
    quint64 m_handled MIV_GUARDED_BY(m_mutex) = 0;              // sources run so far
    bool m_stopRequested MIV_GUARDED_BY(m_mutex) = false;
    bool m_woken MIV_GUARDED_BY(m_mutex) = false;
    bool m_dead MIV_GUARDED_BY(m_mutex) = false;
};

} // namespace plat
