#include "platform/WorkerPool.h"

#include "platform/Log.h"
#include "platform/Qos.h"
#include "platform/TaskGuard.h"
#include "platform/ThreadInfo.h"
#include "platform/Wait.h"

#include <algorithm>
#include <array>
#include <system_error>
#include <thread>
#include <utility>

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
    void arm()
    {
        {
            std::lock_guard<std::mutex> guard(m_mutex);
            if (m_armed)
                return;
            m_armed = true;
            if (!m_started) {
                m_started = true;
                try {
                    std::thread([this] { run(); }).detach();
                } catch (const std::system_error& error) {
                    m_started = false;
                    MIV_LOG_ERROR(QStringLiteral("Cannot start the worker pool monitor: %1").arg(QString::fromLocal8Bit(error.what())));
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
                std::unique_lock<std::mutex> lock(m_mutex);
                m_cv.wait(lock, [this] { return m_armed; });
            }
            std::this_thread::sleep_for(kStallInterval / 2);
            // Disarmed before the bands are read, so work queued after the
            // read arms the monitor again instead of being missed.
            {
                std::lock_guard<std::mutex> guard(m_mutex);
                m_armed = false;
            }
            bool waiting = false;
            const auto now = Clock::now();
            for (WorkerPool* pool : allPools())
                waiting = pool->checkStall(now) || waiting;
            if (waiting) {
                std::lock_guard<std::mutex> guard(m_mutex);
                m_armed = true;
            }
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_cv;
    bool m_armed = false;
    bool m_started = false;
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
    static const int processors = std::max(2, static_cast<int>(std::thread::hardware_concurrency()));
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
        std::lock_guard<std::mutex> guard(m_mutex);
        if (!m_quitting) {
            if (m_queue.empty())
                m_lastProgress = Clock::now();
            m_queue.push_back(Work{label, std::move(task)});
            balanceLocked();
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

void WorkerPool::balanceLocked()
{
    while (hasUnclaimedWorkLocked()) {
        if (busyLocked() >= widthLocked()) {
            Monitor::instance().arm();
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
                MIV_LOG_WARN(QStringLiteral("Worker pool of QoS %1 has reached %2 threads; further work waits in its queue")
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
            MIV_LOG_ERROR(QStringLiteral("Cannot start a worker thread of QoS %1: %2")
                              .arg(m_qos)
                              .arg(QString::fromLocal8Bit(error.what())));
            // The monitor tries again while the work waits.
            Monitor::instance().arm();
            return;
        }
    }
}

void WorkerPool::threadMain()
{
    detail::setCurrentThreadBlockingObserver(this);
    QString currentLabel = m_threadLabel;
    setCurrentThreadLabel(currentLabel);

    std::unique_lock<std::mutex> lock(m_mutex);
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
            m_cv.wait_until(lock, deadline);
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
    std::lock_guard<std::mutex> guard(m_mutex);
    if (!hasUnclaimedWorkLocked())
        return false;
    if (now - m_lastProgress < kStallInterval)
        return true;
    // Nothing finished for a while although work waits: some busy thread is
    // probably stuck in a call plat cannot see. Let one more run.
    if (widthLocked() < kMaxThreads)
        ++m_extraWidth;
    m_lastProgress = now;
    balanceLocked();
    return hasUnclaimedWorkLocked();
}

void WorkerPool::threadWillBlock()
{
    if (t_blockDepth++ > 0)
        return;
    std::lock_guard<std::mutex> guard(m_mutex);
    ++m_blocked;
    balanceLocked();
}

void WorkerPool::threadDidUnblock()
{
    if (--t_blockDepth > 0)
        return;
    std::lock_guard<std::mutex> guard(m_mutex);
    --m_blocked;
}

bool WorkerPool::drainAllForQuit(Clock::time_point deadline)
{
    // Every pool refuses new work before any is waited for: work that one
    // pool's task hands to another would otherwise keep the other busy.
    for (WorkerPool* pool : allPools()) {
        std::lock_guard<std::mutex> guard(pool->m_mutex);
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
    std::unique_lock<std::mutex> lock(m_mutex);
    m_quitting = true;
    return waitUntil(lock, m_drainedCv, [this] { return drainedLocked(); }, deadline);
}

int WorkerPool::threadCount() const
{
    std::lock_guard<std::mutex> guard(m_mutex);
    return m_threads;
}

int WorkerPool::idleThreadCount() const
{
    std::lock_guard<std::mutex> guard(m_mutex);
    return m_idle;
}

int WorkerPool::blockedThreadCount() const
{
    std::lock_guard<std::mutex> guard(m_mutex);
    return m_blocked;
}

int WorkerPool::queuedTaskCount() const
{
    std::lock_guard<std::mutex> guard(m_mutex);
    return static_cast<int>(m_queue.size());
}

void WorkerPool::setIdleTimeout(std::chrono::milliseconds timeout)
{
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        m_idleTimeout = timeout;
    }
    m_cv.notify_all();
}

} // namespace plat
