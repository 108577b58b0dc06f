#include "platform/WorkerPool.h"

#include "platform/Log.h"
#include "platform/Qos.h"
#include "platform/TaskGuard.h"
#include "platform/ThreadInfo.h"
#include "platform/Wait.h"

#include <sched.h>

#include <algorithm>
#include <array>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

namespace plat {

namespace {

using Clock = std::chrono::steady_clock;

// Nesting depth of plat waits on this thread: a wait inside a wait (a group
// wait that turns into a semaphore wait) still blocks only one thread.
thread_local int t_blockDepth = 0;

std::array<WorkerPool*, 5>& allPools()
{
    // Never destroyed: detached pool threads may still use their pool while
    // the process exits.
    static std::array<WorkerPool*, 5> pools = {
        &WorkerPool::forQos(Qos::UserInteractive), &WorkerPool::forQos(Qos::UserInitiated),
        &WorkerPool::forQos(Qos::Default), &WorkerPool::forQos(Qos::Utility), &WorkerPool::forQos(Qos::Background)};
    return pools;
}

} // namespace

// Lines found while a pool's lock is held, written once it is released:
// logging formats text, takes the logger's locks and writes a file. Declared
// before the lock in a scope, so it is destroyed, and writes, after it.
class WorkerPool::DeferredLog
{
public:
    DeferredLog() = default;
    DeferredLog(const DeferredLog&) = delete;
    DeferredLog& operator=(const DeferredLog&) = delete;
    ~DeferredLog()
    {
        for (const auto& [level, text] : m_lines)
            plat::log(level, "WorkerPool", __FILE__, __LINE__, text);
    }

    void warn(QString text) { m_lines.emplace_back(LogLevel::Warning, std::move(text)); }
    void error(QString text) { m_lines.emplace_back(LogLevel::Error, std::move(text)); }

private:
    std::vector<std::pair<LogLevel, QString>> m_lines;
};

// One thread for all bands. It sleeps until a band leaves work queued because
// its busy threads fill its width, then looks every half stall interval until
// no band has such work left.
class WorkerPool::Monitor
{
public:
    static Monitor& instance()
    {
        static Monitor* monitor = new Monitor;
        return *monitor;
    }

    // Called with a pool's lock held; takes only the monitor's own lock.
    void arm(DeferredLog& log)
    {
        {
            MutexLock guard(m_mutex);
            if (m_armed)
                return;
            m_armed = true;
            if (!m_started) {
                m_started = true;
                try {
                    std::thread([this] { run(); }).detach();
                } catch (const std::system_error& error) {
                    m_started = false;
                    log.error(QStringLiteral("Cannot start the worker pool monitor: %1").arg(QString::fromLocal8Bit(error.what())));
                    return;
                }
            }
        }
        m_cv.notify_one();
    }

private:
    void run()
    {
        setCurrentThreadLabel(QStringLiteral("plat.pool-monitor"));
        for (;;) {
            {
                MutexLock lock(m_mutex);
                m_cv.wait(lock.uniqueLock(), [this]() MIV_REQUIRES(m_mutex) { return m_armed; });
            }
            std::this_thread::sleep_for(kStallInterval / 2);
            // Disarmed before the bands are read, so work queued after the
            // read arms the monitor again instead of being missed.
            {
                MutexLock guard(m_mutex);
                m_armed = false;
            }
            bool waiting = false;
            const auto now = Clock::now();
            for (WorkerPool* pool : allPools())
                waiting = pool->checkStall(now) || waiting;
            if (waiting) {
                MutexLock guard(m_mutex);
                m_armed = true;
            }
        }
    }

    // Taken after a pool's (arm is called under it).
    Mutex m_mutex;
    std::condition_variable m_cv;
    bool m_armed MIV_GUARDED_BY(m_mutex) = false;
    bool m_started MIV_GUARDED_BY(m_mutex) = false;
};

WorkerPool& WorkerPool::forQos(int qos)
{
    static WorkerPool* const userInteractive = new WorkerPool(Qos::UserInteractive);
    static WorkerPool* const userInitiated = new WorkerPool(Qos::UserInitiated);
    static WorkerPool* const defaultBand = new WorkerPool(Qos::Default);
    static WorkerPool* const utility = new WorkerPool(Qos::Utility);
    static WorkerPool* const background = new WorkerPool(Qos::Background);
    switch (Qos::band(qos)) {
    case Qos::UserInteractive:
        return *userInteractive;
    case Qos::UserInitiated:
        return *userInitiated;
    case Qos::Utility:
        return *utility;
    case Qos::Background:
        return *background;
    default:
        return *defaultBand;
    }
}

int WorkerPool::width()
{
    // The processors this process may run on, as nproc counts them: a
    // process confined by its affinity or a cpuset would otherwise run as
    // many busy workers as the machine has processors on a few of them.
    static const int processors = [] {
        cpu_set_t allowed;
        CPU_ZERO(&allowed);
        const int count = ::sched_getaffinity(0, sizeof(allowed), &allowed) == 0
                              ? CPU_COUNT(&allowed)
                              : static_cast<int>(std::thread::hardware_concurrency());
        return std::max(2, count);
    }();
    return processors;
}

WorkerPool::WorkerPool(int qos)
    : m_qos(qos)
    , m_threadLabel(QStringLiteral("plat.worker.qos-%1").arg(qos))
    , m_lastProgress(Clock::now())
{
}

void WorkerPool::submit(const QString& label, Task task)
{
    bool warn = false;
    {
        DeferredLog log;
        MutexLock guard(m_mutex);
        if (!m_quitting) {
            if (m_queue.empty())
                m_lastProgress = Clock::now();
            m_queue.push_back(Work{label, std::move(task)});
            balanceLocked(log);
            return;
        }
        warn = !std::exchange(m_dropWarned, true);
    }
    // Dropped unlocked: releasing the task may release its waiters.
    task = nullptr;
    if (warn)
        MIV_LOG_WARN(QStringLiteral("Worker pool of QoS %1 is quitting; work submitted now is dropped").arg(m_qos));
}

int WorkerPool::widthLocked() const
{
    return std::min(width() + m_extraWidth, kMaxThreads);
}

void WorkerPool::balanceLocked(DeferredLog& log)
{
    while (hasUnclaimedWorkLocked()) {
        if (busyLocked() >= widthLocked()) {
            Monitor::instance().arm(log);
            return;
        }
        if (m_idle > 0) {
            --m_idle;
            ++m_wakeups;
            ++m_starting;
            m_cv.notify_one();
            continue;
        }
        if (m_threads >= kMaxThreads) {
            if (!m_capWarned) {
                m_capWarned = true;
                log.warn(QStringLiteral("Worker pool of QoS %1 has reached %2 threads; further work waits in its queue")
                             .arg(m_qos)
                             .arg(kMaxThreads));
            }
            return;
        }
        ++m_threads;
        ++m_starting;
        try {
            std::thread([this] { threadMain(); }).detach();
        } catch (const std::system_error& error) {
            --m_threads;
            --m_starting;
            log.error(QStringLiteral("Cannot start a worker thread of QoS %1: %2")
                          .arg(m_qos)
                          .arg(QString::fromLocal8Bit(error.what())));
            // The monitor tries again while the work waits.
            Monitor::instance().arm(log);
            return;
        }
    }
}

void WorkerPool::threadMain()
{
    detail::setCurrentThreadBlockingObserver(this);
    QString currentLabel = m_threadLabel;
    setCurrentThreadLabel(currentLabel);

    MutexLock lock(m_mutex);
    --m_starting;
    for (;;) {
        // A thread that finds more threads busy than the width allows (blocked
        // ones came back) goes idle instead of taking more work.
        if (!m_queue.empty() && busyLocked() <= widthLocked()) {
            Work work = std::move(m_queue.front());
            m_queue.pop_front();
            ++m_running;
            if (m_queue.empty())
                m_capWarned = false;
            lock.unlock();
            const QString& label = work.label.isEmpty() ? m_threadLabel : work.label;
            if (label != currentLabel) {
                currentLabel = label;
                setCurrentThreadLabel(currentLabel);
            }
            detail::runGuarded(work.task, currentLabel);
            // Captured objects are released before the lock is taken again:
            // their destructors may submit work.
            work = Work{};
            lock.lock();
            --m_running;
            if (m_quitting && drainedLocked()) {
                m_drainedCv.notify_all();
                lock.unlock();
                wakeMainWaiters();
                lock.lock();
            }
            m_lastProgress = Clock::now();
            if (m_queue.empty() && m_extraWidth > 0)
                --m_extraWidth;
            continue;
        }
        ++m_idle;
        const auto idleSince = Clock::now();
        bool woken = false;
        for (;;) {
            if (m_wakeups > 0) {
                woken = true;
                break;
            }
            // Read on every turn, so a changed timeout applies at once.
            const auto deadline = idleSince + m_idleTimeout;
            if (Clock::now() >= deadline)
                break;
            m_cv.wait_until(lock.uniqueLock(), deadline);
        }
        if (woken) {
            // The waker already took this thread off the idle count.
            --m_wakeups;
            --m_starting;
            continue;
        }
        --m_idle;
        --m_threads;
        return;
    }
}

bool WorkerPool::checkStall(Clock::time_point now)
{
    DeferredLog log;
    MutexLock guard(m_mutex);
    if (!hasUnclaimedWorkLocked())
        return false;
    if (now - m_lastProgress < kStallInterval)
        return true;
    // Nothing finished for a while although work waits: some busy thread is
    // probably stuck in a call plat cannot see. Let one more run.
    if (widthLocked() < kMaxThreads)
        ++m_extraWidth;
    m_lastProgress = now;
    balanceLocked(log);
    return hasUnclaimedWorkLocked();
}

void WorkerPool::threadWillBlock()
{
    if (t_blockDepth++ > 0)
        return;
    DeferredLog log;
    MutexLock guard(m_mutex);
    ++m_blocked;
    balanceLocked(log);
}

void WorkerPool::threadDidUnblock()
{
    if (--t_blockDepth > 0)
        return;
    MutexLock guard(m_mutex);
    --m_blocked;
}

bool WorkerPool::drainAllForQuit(Clock::time_point deadline)
{
    // Every pool refuses new work before any is waited for: work that one
    // pool's task hands to another would otherwise keep the other busy.
    for (WorkerPool* pool : allPools()) {
        MutexLock guard(pool->m_mutex);
        pool->m_quitting = true;
    }
    bool drained = true;
    for (WorkerPool* pool : allPools())
        drained = pool->drainForQuit(deadline) && drained;
    if (!drained)
        MIV_LOG_WARN(QStringLiteral("Worker pools still busy at quit; their work runs on while the process exits"));
    return drained;
}

bool WorkerPool::drainForQuit(Clock::time_point deadline)
{
    MutexLock lock(m_mutex);
    m_quitting = true;
    return waitUntil(lock.uniqueLock(), m_drainedCv, [this]() MIV_REQUIRES(m_mutex) { return drainedLocked(); }, deadline);
}

int WorkerPool::threadCount() const
{
    MutexLock guard(m_mutex);
    return m_threads;
}

int WorkerPool::idleThreadCount() const
{
    MutexLock guard(m_mutex);
    return m_idle;
}

int WorkerPool::blockedThreadCount() const
{
    MutexLock guard(m_mutex);
    return m_blocked;
}

int WorkerPool::queuedTaskCount() const
{
    MutexLock guard(m_mutex);
    return static_cast<int>(m_queue.size());
}

void WorkerPool::setIdleTimeout(std::chrono::milliseconds timeout)
{
    {
        MutexLock guard(m_mutex);
        m_idleTimeout = timeout;
    }
    m_cv.notify_all();
}

} // namespace plat
