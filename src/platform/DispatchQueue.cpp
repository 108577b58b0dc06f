#include "platform/DispatchQueue.h"

#include <QScopeGuard>

#include <condition_variable>
#include <mutex>

namespace plat {

bool asyncAndWait(DispatchQueue& queue, DispatchQueue::Task task, WaitClock::time_point deadline)
{
    // Shared with the task, which may finish after the caller gave up.
    struct State
    {
        std::mutex mutex;
        std::condition_variable cv;
        bool done = false;
    };
    auto state = std::make_shared<State>();
    queue.async([state, task = std::move(task)] {
        // Done even when the task throws (the queue logs the exception):
        // otherwise the caller would wait for ever.
        const auto markDone = qScopeGuard([&] {
            {
                std::lock_guard<std::mutex> guard(state->mutex);
                state->done = true;
            }
            state->cv.notify_all();
            wakeMainWaiters();
        });
        task();
    });
    std::unique_lock<std::mutex> lock(state->mutex);
    return waitUntil(lock, state->cv, [&] { return state->done; }, deadline);
}

} // namespace plat
