#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>

namespace plat {

using WaitClock = std::chrono::steady_clock;

// Marks the current thread as blocked while it lives, so the pool that owns
// the thread may start a replacement at once. Every blocking wait inside plat
// is wrapped in one; a no-op on threads that belong to no pool.
class ScopedBlocking
{
public:
    ScopedBlocking();
    ~ScopedBlocking();
    ScopedBlocking(const ScopedBlocking&) = delete;
    ScopedBlocking& operator=(const ScopedBlocking&) = delete;

private:
    void* m_pool = nullptr;
};

// The one wait used by every plat primitive. Waits until the predicate holds
// (checked with the lock held) or the deadline passes; answers the predicate.
// On the main thread it does not block: it turns the main loop, so work that
// hops to the main thread while it is awaited still runs. Whoever makes the
// predicate true notifies the condition variable and calls wakeMainWaiters().
bool waitUntil(std::unique_lock<std::mutex>& lock, std::condition_variable& cv, const std::function<bool()>& predicate,
               WaitClock::time_point deadline = WaitClock::time_point::max());

// Wakes a main thread that sits in waitUntil, so it checks its predicate again.
void wakeMainWaiters();

} // namespace plat
