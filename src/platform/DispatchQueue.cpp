#include "platform/DispatchQueue.h"

#include "platform/Mutex.h"
#include "platform/TaskGuard.h"

#include <condition_variable>

namespace plat {

namespace {

// Submits the task and waits for it, for queues that cannot run it on the
// calling thread and for waits with a deadline.
bool postAndWait(DispatchQueue& queue, DispatchQueue::Task task, WaitClock::time_point deadline)
{
    // Shared with the task, which may finish after the caller gave up.
    struct State
    {
        Mutex mutex;
        std::condition_variable cv;
        bool done MIV_GUARDED_BY(mutex) = false;
        bool ran MIV_GUARDED_BY(mutex) = false;
    };
    auto state = std::make_shared<State>();
    // Done also when the task throws (the queue logs the exception) or is
    // dropped unrun: otherwise the caller would wait for ever.
    queue.async(detail::withCompletion(
        [state, task = std::move(task)] {
            {
                MutexLock guard(state->mutex);
                state->ran = true;
            }
            task();
        },
        [state] {
            {
                MutexLock guard(state->mutex);
                state->done = true;
            }
            state->cv.notify_all();
            wakeMainWaiters();
        }));
    MutexLock lock(state->mutex);
    return waitUntil(lock.uniqueLock(), state->cv, [&]() MIV_REQUIRES(state->mutex) { return state->done; }, deadline)
        && state->ran;
}

} // namespace

bool DispatchQueue::runSynchronously(Task task)
{
    return postAndWait(*this, std::move(task), WaitClock::time_point::max());
}

bool asyncAndWait(DispatchQueue& queue, DispatchQueue::Task task, WaitClock::time_point deadline)
{
    if (deadline == WaitClock::time_point::max())
        return queue.runSynchronously(std::move(task));
    return postAndWait(queue, std::move(task), deadline);
}

} // namespace plat
