#include "platform/LoopThreadMainDispatcher.h"

#include "platform/TaskGuard.h"
#include "platform/ThreadInfo.h"

#include <QScopeGuard>

#include <future>

namespace plat {

LoopThreadMainDispatcher::LoopThreadMainDispatcher()
{
    std::promise<void> started;
    m_thread = std::thread([this, &started] {
        m_threadId = std::this_thread::get_id();
        setCurrentThreadLabel(QStringLiteral("main"));
        started.set_value();
        threadMain();
    });
    started.get_future().wait();
}

LoopThreadMainDispatcher::~LoopThreadMainDispatcher()
{
    {
        MutexLock guard(m_mutex);
        m_stopping = true;
        m_cv.notify_all();
    }
    if (m_thread.joinable())
        m_thread.join();
}

// Every notice is given under the lock, so a dispatcher destroyed right
// after a poster's unlock is never touched by that poster again.
bool LoopThreadMainDispatcher::isMainThread() const
{
    return std::this_thread::get_id() == m_threadId;
}

void LoopThreadMainDispatcher::post(Task task)
{
    MutexLock guard(m_mutex);
    m_tasks.push_back(std::move(task));
    m_cv.notify_all();
}

void LoopThreadMainDispatcher::postDelayed(std::chrono::milliseconds delay, Task task)
{
    MutexLock guard(m_mutex);
    m_timers.emplace(Clock::now() + delay, std::move(task));
    m_cv.notify_all();
}

void LoopThreadMainDispatcher::wake()
{
    MutexLock guard(m_mutex);
    m_woken = true;
    m_cv.notify_all();
}

void LoopThreadMainDispatcher::runAndWait(Task task)
{
    if (isMainThread()) {
        task();
        return;
    }
    std::promise<void> done;
    post([&] {
        const auto release = qScopeGuard([&] { done.set_value(); });
        task();
    });
    done.get_future().wait();
}

bool LoopThreadMainDispatcher::runOneLocked()
{
    Task task;
    if (!m_timers.empty() && m_timers.begin()->first <= Clock::now()) {
        task = std::move(m_timers.begin()->second);
        m_timers.erase(m_timers.begin());
    } else if (!m_tasks.empty()) {
        task = std::move(m_tasks.front());
        m_tasks.pop_front();
    } else {
        return false;
    }
    // The caller's lock is given up while the task runs, and taken again.
    m_mutex.unlock();
    detail::runGuarded(task, QStringLiteral("main"));
    task = nullptr;
    m_mutex.lock();
    return true;
}

void LoopThreadMainDispatcher::threadMain()
{
    MutexLock lock(m_mutex);
    while (!m_stopping) {
        if (runOneLocked())
            continue;
        if (m_timers.empty())
            m_cv.wait(lock.uniqueLock());
        else
            m_cv.wait_until(lock.uniqueLock(), m_timers.begin()->first);
    }
}

bool LoopThreadMainDispatcher::processEventsUntil(const std::function<bool()>& predicate, Clock::time_point deadline)
{
    MutexLock lock(m_mutex);
    for (;;) {
        // Cleared before the predicate is read, so a wake that follows the
        // read is never lost.
        m_woken = false;
        lock.unlock();
        if (predicate())
            return true;
        lock.lock();
        if (Clock::now() >= deadline || m_stopping)
            break;
        if (runOneLocked())
            continue;
        auto until = deadline;
        if (!m_timers.empty() && m_timers.begin()->first < until)
            until = m_timers.begin()->first;
        const auto ready = [&]() MIV_REQUIRES(m_mutex) { return m_woken || !m_tasks.empty() || m_stopping; };
        if (until == Clock::time_point::max())
            m_cv.wait(lock.uniqueLock(), ready);
        else
            m_cv.wait_until(lock.uniqueLock(), until, ready);
    }
    lock.unlock();
    return predicate();
}

} // namespace plat
