#include "platform/Wait.h"

#include "platform/BlockingObserver.h"
#include "platform/Log.h"
#include "platform/MainDispatcher.h"

#include <atomic>

namespace plat {

namespace {
thread_local detail::BlockingObserver* t_observer = nullptr;
std::atomic<int> g_mainWaiters{0};
} // namespace

namespace detail {
void setCurrentThreadBlockingObserver(BlockingObserver* observer)
{
    t_observer = observer;
}
BlockingObserver* currentThreadBlockingObserver()
{
    return t_observer;
}
} // namespace detail

ScopedBlocking::ScopedBlocking()
{
    if (auto* observer = t_observer) {
        m_pool = observer;
        observer->threadWillBlock();
    }
}

ScopedBlocking::~ScopedBlocking()
{
    if (m_pool)
        static_cast<detail::BlockingObserver*>(m_pool)->threadDidUnblock();
}

bool waitUntil(std::unique_lock<std::mutex>& lock, std::condition_variable& cv, const std::function<bool()>& predicate,
               WaitClock::time_point deadline)
{
    if (predicate())
        return true;

    MainDispatcher* dispatcher = MainDispatcher::instance();
    if (dispatcher && dispatcher->isMainThread()) {
        // Registered before the lock is released, so a notifier that changes
        // the state after this point always sees a waiter to wake.
        const int depth = g_mainWaiters.fetch_add(1) + 1;
        lock.unlock();
        // Each level is main-thread work that waits inside another's wait:
        // they finish innermost first, so the outer ones stall meanwhile.
        if (depth > 1)
            MIV_LOG_WARN(QStringLiteral("Nested wait on the main thread, depth %1").arg(depth));
        dispatcher->processEventsUntil(
            [&] {
                std::lock_guard<std::mutex> guard(*lock.mutex());
                return predicate();
            },
            deadline);
        lock.lock();
        g_mainWaiters.fetch_sub(1);
        return predicate();
    }

    ScopedBlocking blocking;
    if (deadline == WaitClock::time_point::max()) {
        cv.wait(lock, predicate);
        return true;
    }
    return cv.wait_until(lock, deadline, predicate);
}

void wakeMainWaiters()
{
    if (g_mainWaiters.load() == 0)
        return;
    if (MainDispatcher* dispatcher = MainDispatcher::instance())
        dispatcher->wake();
}

} // namespace plat
