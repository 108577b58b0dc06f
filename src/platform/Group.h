#pragma once

#include "platform/DispatchQueue.h"
#include "platform/Wait.h"

#include "platform/Mutex.h"

#include <condition_variable>
#include <memory>
#include <vector>

namespace plat {

class Group;
using GroupPtr = std::shared_ptr<Group>;

// Counts outstanding work: enter before it starts, leave when it is done.
// Waiters and notifications fire when the count is back at zero.
class Group : public std::enable_shared_from_this<Group>
{
public:
    static GroupPtr create();

    void enter();
    // A leave without a matching enter is logged and ignored: the count never
    // goes below zero, so waiters are not released early later.
    void leave();

    // Enters, runs the task on the queue, leaves. The task keeps the group alive.
    void async(DispatchQueue& queue, DispatchQueue::Task task);

    // Waits until the count is zero or the deadline passes; answers whether it
    // reached zero.
    bool wait(WaitClock::time_point deadline = WaitClock::time_point::max());

    // Submits the task to the queue once the count is zero: at once if it is
    // zero now. Each notification fires once.
    void notify(DispatchQueuePtr queue, DispatchQueue::Task task);

    long count() const;

protected:
    Group() = default;

private:
    struct Notification
    {
        DispatchQueuePtr queue;
        DispatchQueue::Task task;
    };

    mutable Mutex m_mutex;
    std::condition_variable m_cv;
    long m_count MIV_GUARDED_BY(m_mutex) = 0;
    std::vector<Notification> m_notifications MIV_GUARDED_BY(m_mutex);
};

} // namespace plat
