#include "platform/TimerSource.h"

#include "platform/Log.h"
#include "platform/MainDispatcher.h"

#include <atomic>
#include <mutex>
#include <unordered_set>

namespace plat {

namespace {

// Delays on the main dispatcher; cancellation drops the id, and a timer whose
// id is gone does nothing when it fires.
class MainTimerSource final : public TimerSource
{
public:
    TimerId schedule(std::chrono::milliseconds delay, Task task) override
    {
        MainDispatcher* main = MainDispatcher::instance();
        if (!main) {
            MIV_LOG_ERROR(QStringLiteral("A timer was scheduled with no main thread"));
            return 0;
        }
        const TimerId id = ++m_lastId;
        {
            std::lock_guard lock(m_mutex);
            m_live.insert(id);
        }
        main->postDelayed(delay, [this, id, task = std::move(task)] {
            if (take(id))
                task();
        });
        return id;
    }

    void cancel(TimerId id) override { take(id); }

private:
    bool take(TimerId id)
    {
        std::lock_guard lock(m_mutex);
        return m_live.erase(id) != 0;
    }

    std::atomic<TimerId> m_lastId{0};
    std::mutex m_mutex;
    std::unordered_set<TimerId> m_live;
};

std::atomic<TimerSource*> g_installed{nullptr};

} // namespace

TimerSource& TimerSource::current()
{
    if (TimerSource* source = g_installed.load())
        return *source;
    // Never destroyed: its timers may fire while the process exits.
    static auto* const mainSource = new MainTimerSource;
    return *mainSource;
}

void TimerSource::install(TimerSource* source)
{
    g_installed.store(source);
}

SingleShotTimer::~SingleShotTimer()
{
    stop();
}

void SingleShotTimer::start(std::chrono::milliseconds delay, TimerSource::Task task)
{
    stop();
    m_source = &TimerSource::current();
    std::weak_ptr<int> alive = m_alive;
    m_id = m_source->schedule(delay, [this, alive, task = std::move(task)] {
        if (alive.expired())
            return;
        m_id = 0;
        task();
    });
}

void SingleShotTimer::stop()
{
    if (m_id != 0 && m_source)
        m_source->cancel(m_id);
    m_id = 0;
}

} // namespace plat
