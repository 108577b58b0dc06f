#include "platform/ParallelFor.h"

#include "platform/TaskGuard.h"
#include "platform/ThreadInfo.h"
#include "platform/Wait.h"
#include "platform/WorkerPool.h"
#include "platform/Mutex.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <memory>

namespace plat {

namespace {

// Shared with the helpers: one that starts after the loop has returned finds
// no index left and leaves without touching the body.
struct LoopState
{
    std::atomic<std::size_t> next{0};
    std::size_t count = 0;
    const std::function<void(std::size_t)>* body = nullptr;
    Mutex mutex;
    std::condition_variable cv;
    std::size_t done MIV_GUARDED_BY(mutex) = 0;

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
            MutexLock guard(mutex);
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

    MutexLock lock(state->mutex);
    waitUntil(lock.uniqueLock(), state->cv, [&]() MIV_REQUIRES(state->mutex) { return state->done == state->count; });
}

} // namespace plat
