#pragma once

#include "platform/Wait.h"

#include <QString>

#include <functional>
#include <memory>

namespace plat {

// Something that runs submitted tasks later, on some thread: serial,
// concurrent and bounded queues, the main queue. Queues are shared objects;
// work that is still pending keeps its queue alive.
class DispatchQueue
{
public:
    using Task = std::function<void()>;

    virtual ~DispatchQueue() = default;

    // Never waits for the task.
    virtual void async(Task task) = 0;
    virtual QString label() const = 0;

    // Runs the task once the queue reaches it and returns when it has run.
    // Queues whose work runs on pool threads run it on the calling thread, so
    // a synchronous dispatch never needs a pool thread of its own: a
    // concurrent queue runs it at once; a bounded or serial queue hands the
    // caller its slot in submission order and goes on when the caller is
    // done. This base version posts the task and waits (the main queue).
    // Answers whether the task ran: not when the queue dropped it.
    virtual bool runSynchronously(Task task);
};

using DispatchQueuePtr = std::shared_ptr<DispatchQueue>;

// Runs the task on the queue and waits until it has run; answers whether it
// ran (a task that throws has run; one dropped unrun by a main loop that ended
// has not).
//
// Without a deadline this is a synchronous dispatch (runSynchronously): the
// task runs on the calling thread once the queue reaches it. Waiting on a
// serial queue from its own work deadlocks, as it would anywhere.
//
// With a deadline the task is submitted and runs on the queue's threads; the
// caller gives up at the deadline and the task runs on. Such a wait needs a
// thread for the task while the caller blocks.
bool asyncAndWait(DispatchQueue& queue, DispatchQueue::Task task,
                  WaitClock::time_point deadline = WaitClock::time_point::max());

} // namespace plat
