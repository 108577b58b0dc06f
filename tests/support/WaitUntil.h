#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>

namespace mivtest {

// Turns the calling thread's Qt event loop (all events, input included, so
// synthesized clicks arrive) until the predicate holds or the timeout
// passes; answers the predicate's last value. The timeout only bounds a
// broken test: a passing test never waits for it, so it can be generous.
bool waitUntil(const std::function<bool()>& predicate,
               std::chrono::milliseconds timeout = std::chrono::seconds(30));

// True on the thread that turns the application's event loop.
bool isGuiThread();

// Waits for a condition that other threads make true under `lock`'s mutex.
// On the GUI thread a plain condition wait would stop the loop that the
// other threads may be waiting for, so there the loop keeps turning and the
// predicate is tested under the lock between events.
template <class Predicate>
bool waitOnCondition(std::unique_lock<std::mutex>& lock, std::condition_variable& condition, Predicate predicate,
                     std::chrono::milliseconds timeout = std::chrono::seconds(30))
{
    if (!isGuiThread())
        return condition.wait_for(lock, timeout, predicate);
    lock.unlock();
    const bool met = waitUntil(
        [&] {
            std::lock_guard relock(*lock.mutex());
            return predicate();
        },
        timeout);
    lock.lock();
    return met;
}

} // namespace mivtest
