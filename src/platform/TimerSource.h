#pragma once

#include <QtGlobal>

#include <chrono>
#include <functional>
#include <memory>

namespace plat {

// Where the short delays of the views come from (a menu that opens after a
// pause, a rename that starts after a second click, a tooltip that waits).
// The program uses the main dispatcher's timers; tests install a source whose
// time moves only when the test says so, so no test depends on how long a
// delay really takes. Tasks run on the main thread.
class TimerSource
{
public:
    using Task = std::function<void()>;
    using TimerId = quint64;

    virtual ~TimerSource() = default;

    // Runs the task on the main thread once the delay has passed, unless
    // cancelled first. Ids are never 0 and never reused.
    virtual TimerId schedule(std::chrono::milliseconds delay, Task task) = 0;
    // A timer that already ran or was cancelled is ignored.
    virtual void cancel(TimerId id) = 0;

    // The installed source, else the main dispatcher's.
    static TimerSource& current();
    // Not owned; the installer keeps it alive until it installs nullptr.
    static void install(TimerSource* source);
};

// A one-shot timer of the current source that is cancelled when restarted,
// stopped or destroyed, which is what a widget's delay wants. Main thread only.
class SingleShotTimer
{
public:
    SingleShotTimer() = default;
    ~SingleShotTimer();
    SingleShotTimer(const SingleShotTimer&) = delete;
    SingleShotTimer& operator=(const SingleShotTimer&) = delete;

    void start(std::chrono::milliseconds delay, TimerSource::Task task);
    void stop();
    bool isActive() const { return m_id != 0; }

private:
    // Watched by the scheduled task, so a firing after destruction does nothing.
    std::shared_ptr<int> m_alive = std::make_shared<int>(0);
    TimerSource::TimerId m_id = 0;
    TimerSource* m_source = nullptr;
};

} // namespace plat
