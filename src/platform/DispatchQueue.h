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
};

using DispatchQueuePtr = std::shared_ptr<DispatchQueue>;

// Runs the task on the queue and waits until it has run or the deadline has
// passed; answers whether it ran. A task that outlasts the deadline keeps
// running. Waiting on the main thread turns the main loop; waiting on a queue
// of limited width for work on the same queue deadlocks as it would anywhere.
bool asyncAndWait(DispatchQueue& queue, DispatchQueue::Task task,
                  WaitClock::time_point deadline = WaitClock::time_point::max());

} // namespace plat
