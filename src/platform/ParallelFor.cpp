#include "platform/ParallelFor.h"

#include "platform/TaskGuard.h"
#include "platform/ThreadInfo.h"
#include "platform/Wait.h"
#include "platform/WorkerPool.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>

namespace plat {

namespace {

// Shared with the helpers: one that starts after the loop has returned finds
// no index left and leaves without touching the body.
struct LoopState
{
    std::atomic<std::size_t> next{0};
    std::size_t count = 0;
    const std::function<void(std::size_t)>* body = nullptr;
    std::mutex mutex;
    std::condition_variable cv;
    std::size_t done = 0;

    void work()
    {
        std::size_t ran = 0;
        for (std::size_t i = next.fetch_add(1); i < count; i = next.fetch_add(1)) {
            detail::runGuarded([this, i] { (*body)(i); }, QStringLiteral("parallel loop"));
            ++ran;
        }
        if (ran == 0)
            return;
        bool last = false;
        {
            std::lock_guard<std::mutex> guard(mutex);
            done += ran;
            last = done == count;
        }
        if (last) {
            cv.notify_all();
            wakeMainWaiters();
        }
    }
};

} // namespace

void parallelFor(std::size_t count, const std::function<void(std::size_t)>& body, int qos)
{
    if (count == 0)
        return;
    if (count == 1) {
        body(0);
        return;
    }
    auto state = std::make_shared<LoopState>();
    state->count = count;
    state->body = &body;

    const std::size_t helpers = std::min<std::size_t>(count - 1, static_cast<std::size_t>(WorkerPool::width() - 1));
    QString label = currentThreadLabel();
    if (label.isEmpty())
        label = QStringLiteral("plat.parallel-for");
    WorkerPool& pool = WorkerPool::forQos(qos);
    for (std::size_t i = 0; i < helpers; ++i)
        pool.submit(label, [state] { state->work(); });

    state->work();

    std::unique_lock<std::mutex> lock(state->mutex);
    waitUntil(lock, state->cv, [&] { return state->done == state->count; });
}

} // namespace plat
