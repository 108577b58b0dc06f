#pragma once

#include "platform/BlockingObserver.h"
#include "platform/Mutex.h"

#include <QString>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>

namespace plat {

// The threads of one quality-of-service band. Work submitted here runs on
// at most "width" (the processor count) threads that are busy at a time, but
// the pool grows past that whenever its threads block: callers wait inside
// queue work all the time, and a fixed pool would deadlock.
//
// Growth has two sources. A thread that enters a plat wait (ScopedBlocking)
// stops counting as busy, so a replacement starts at once. A wait that plat
// cannot see (a blocking library call) is caught by a monitor: when a band has
// queued work and none of its tasks finished for about 50 ms, the band may
// keep one more thread busy. At 64 threads the work waits in the queue and one
// warning is logged. Threads idle for a while exit.
class WorkerPool final : private detail::BlockingObserver
{
public:
    using Task = std::function<void()>;

    static constexpr int kMaxThreads = 64;
    static constexpr std::chrono::milliseconds kStallInterval{50};

    // The pool of the band that qos falls into (see Qos::band). Pools live for
    // the whole process.
    static WorkerPool& forQos(int qos);

    // Processor count: how many threads of a band run at once when none blocks.
    static int width();

    // Runs the task on a thread of this pool, in submission order relative to
    // other submissions. The thread carries the label while the task runs.
    void submit(const QString& label, Task task);

    int qos() const { return m_qos; }

    // Figures for tests and diagnostics.
    int threadCount() const;
    int idleThreadCount() const;
    int blockedThreadCount() const;
    int queuedTaskCount() const;

    // How long a thread stays idle before it exits (five seconds unless set).
    void setIdleTimeout(std::chrono::milliseconds timeout);

    // At quit, before the main dispatcher is uninstalled: every pool stops
    // taking work (a later submission is dropped, which releases whoever waits
    // for it) and the caller waits until the pools have no queued or running
    // work, or the deadline passes. On the main thread the wait turns the main
    // loop, so work that hops there meanwhile still finishes. Answers whether
    // every pool drained. Work still running after the deadline runs on
    // while the process exits; what it may touch is never destroyed.
    static bool drainAllForQuit(std::chrono::steady_clock::time_point deadline);

private:
    struct Work
    {
        QString label;
        Task task;
    };
    class Monitor;
    class DeferredLog;

    explicit WorkerPool(int qos);
    ~WorkerPool() = default;

    void threadMain();
    // Starts or wakes threads for queued work as far as width and cap allow.
    // What it has to log waits in `log` until the caller has unlocked.
    void balanceLocked(DeferredLog& log) MIV_REQUIRES(m_mutex);
    int busyLocked() const MIV_REQUIRES(m_mutex) { return m_threads - m_idle - m_blocked; }
    int widthLocked() const MIV_REQUIRES(m_mutex);
    bool hasUnclaimedWorkLocked() const MIV_REQUIRES(m_mutex) { return static_cast<int>(m_queue.size()) > m_starting; }
    // Monitor step: widens a stalled band by one thread. Answers whether the
    // band still has work waiting for a thread.
    bool checkStall(std::chrono::steady_clock::time_point now);

    // Stops taking work and waits, as drainAllForQuit does for all pools.
    bool drainForQuit(std::chrono::steady_clock::time_point deadline);
    bool drainedLocked() const MIV_REQUIRES(m_mutex) { return m_queue.empty() && m_running == 0; }

    void threadWillBlock() override;
    void threadDidUnblock() override;

    const int m_qos;
    const QString m_threadLabel;
    // Taken after the mutex of any plat primitive a waiting thread holds
    // (ScopedBlocking), before the monitor's. Nothing is logged under it.
    mutable Mutex m_mutex;
    std::condition_variable m_cv;
    // Told when the pool drains while it quits; apart from m_cv so that a
    // drain never takes a wake-up meant for an idle thread.
    std::condition_variable m_drainedCv;
    std::deque<Work> m_queue MIV_GUARDED_BY(m_mutex);
    int m_running MIV_GUARDED_BY(m_mutex) = 0;    // tasks taken from the queue and not yet finished
    bool m_quitting MIV_GUARDED_BY(m_mutex) = false;
    bool m_dropWarned MIV_GUARDED_BY(m_mutex) = false;
    int m_threads MIV_GUARDED_BY(m_mutex) = 0;    // alive
    int m_idle MIV_GUARDED_BY(m_mutex) = 0;       // waiting for work
    int m_blocked MIV_GUARDED_BY(m_mutex) = 0;    // inside a plat wait while running a task
    int m_starting MIV_GUARDED_BY(m_mutex) = 0;   // started or woken, not yet at the queue
    int m_wakeups MIV_GUARDED_BY(m_mutex) = 0;    // wake-ups handed to idle threads, not yet taken
    int m_extraWidth MIV_GUARDED_BY(m_mutex) = 0; // threads the monitor let through for stalled work
    bool m_capWarned MIV_GUARDED_BY(m_mutex) = false;
    std::chrono::steady_clock::time_point m_lastProgress MIV_GUARDED_BY(m_mutex);
    std::chrono::milliseconds m_idleTimeout MIV_GUARDED_BY(m_mutex){5000};
};

} // namespace plat
