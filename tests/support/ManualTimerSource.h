#pragma once

#include "platform/TimerSource.h"

#include <map>
#include <utility>

namespace mivtest {

// A timer source whose time moves only when the test advances it; installed
// for its lifetime (the previous source comes back). Main thread only: timers
// run inside advance(), on the test's thread.
class ManualTimerSource final : public plat::TimerSource
{
public:
    ManualTimerSource();
    ~ManualTimerSource() override;
    ManualTimerSource(const ManualTimerSource&) = delete;
    ManualTimerSource& operator=(const ManualTimerSource&) = delete;

    TimerId schedule(std::chrono::milliseconds delay, Task task) override;
    void cancel(TimerId id) override;

    // Moves time on, running every timer that falls due in order of due
    // time (timers scheduled meanwhile included).
    void advance(std::chrono::milliseconds by);
    // Number of timers waiting.
    int pending() const { return int(m_timers.size()); }
    std::chrono::milliseconds now() const { return m_now; }

private:
    std::chrono::milliseconds m_now{0};
    TimerId m_lastId = 0;
    // Keyed by (due, id): due order, then scheduling order.
    std::map<std::pair<std::chrono::milliseconds, TimerId>, Task> m_timers;
};

} // namespace mivtest
