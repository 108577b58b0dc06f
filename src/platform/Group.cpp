#include "platform/Group.h"

#include "platform/Log.h"
#include "platform/TaskGuard.h"

namespace plat {

GroupPtr Group::create()
{
    return GroupPtr(new Group);
}

void Group::enter()
{
    MutexLock guard(m_mutex);
    ++m_count;
}

void Group::leave()
{
    std::vector<Notification> due;
    {
        MutexLock guard(m_mutex);
        const bool unmatched = m_count == 0;
        if (unmatched) {
            guard.unlock();
            MIV_LOG_ERROR(QStringLiteral("Group left more often than entered; ignored"));
            return;
        }
        if (--m_count > 0)
            return;
        due.swap(m_notifications);
        // Under the lock: a waiter that returns may drop the last reference.
        m_cv.notify_all();
    }
    wakeMainWaiters();
    for (Notification& notification : due)
        notification.queue->async(std::move(notification.task));
}

void Group::async(DispatchQueue& queue, DispatchQueue::Task task)
{
    enter();
    // Left even when the task throws or is dropped unrun, or waiters would
    // never return.
    queue.async(detail::withCompletion(std::move(task), [self = shared_from_this()] { self->leave(); }));
}

bool Group::wait(WaitClock::time_point deadline)
{
    MutexLock lock(m_mutex);
    return waitUntil(lock.uniqueLock(), m_cv, [this]() MIV_REQUIRES(m_mutex) { return m_count == 0; }, deadline);
}

void Group::notify(DispatchQueuePtr queue, DispatchQueue::Task task)
{
    if (!queue) {
        MIV_LOG_ERROR(QStringLiteral("Group notification without a queue; dropped"));
        return;
    }
    {
        MutexLock guard(m_mutex);
        if (m_count > 0) {
            m_notifications.push_back(Notification{std::move(queue), std::move(task)});
            return;
        }
    }
    queue->async(std::move(task));
}

long Group::count() const
{
    MutexLock guard(m_mutex);
    return m_count;
}

} // namespace plat
