#pragma once

#include <chrono>
#include <functional>

namespace plat {

// The program's main thread, as the rest of the code sees it. The application
// installs one backed by the Qt event loop; tests install one that runs a
// plain loop thread. Until one is installed there is no main thread: posting
// is an error that is logged and dropped.
class MainDispatcher
{
public:
    using Task = std::function<void()>;
    using Clock = std::chrono::steady_clock;

    virtual ~MainDispatcher() = default;

    virtual bool isMainThread() const = 0;

    // Runs the task on the main thread on a later turn, in posting order.
    virtual void post(Task task) = 0;

    // Runs the task on the main thread once the delay has passed.
    virtual void postDelayed(std::chrono::milliseconds delay, Task task) = 0;

    // Main thread only: turns the main loop, running posted work, until the
    // predicate holds or the deadline passes. Answers the last predicate value.
    // User input is not delivered meanwhile (it stays queued), so a command
    // that waits is never re-entered by the user.
    virtual bool processEventsUntil(const std::function<bool()>& predicate, Clock::time_point deadline) = 0;

    // Makes a pending processEventsUntil look at its predicate again soon.
    virtual void wake() = 0;

    static MainDispatcher* instance();
    // Not owned; the installer keeps it alive until it installs nullptr.
    static void install(MainDispatcher* dispatcher);

    // From any thread: true when a dispatcher is installed and this is its thread.
    static bool onMainThread();
};

} // namespace plat
