#include "support/ManualTimerSource.h"

#include <algorithm>

namespace mivtest {

ManualTimerSource::ManualTimerSource()
{
    plat::TimerSource::install(this);
}

ManualTimerSource::~ManualTimerSource()
{
    plat::TimerSource::install(nullptr);
}

ManualTimerSource::TimerId ManualTimerSource::schedule(std::chrono::milliseconds delay, Task task)
{
    const TimerId id = ++m_lastId;
    m_timers.emplace(std::make_pair(m_now + std::max(delay, std::chrono::milliseconds(0)), id), std::move(task));
    return id;
}

void ManualTimerSource::cancel(TimerId id)
{
    std::erase_if(m_timers, [id](const auto& entry) { return entry.first.second == id; });
}

void ManualTimerSource::advance(std::chrono::milliseconds by)
{
    const std::chrono::milliseconds end = m_now + by;
    while (!m_timers.empty() && m_timers.begin()->first.first <= end) {
        auto node = m_timers.extract(m_timers.begin());
        m_now = node.key().first;
        node.mapped()();
    }
    m_now = end;
}

} // namespace mivtest
