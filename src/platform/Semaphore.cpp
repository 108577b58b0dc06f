#include "platform/Semaphore.h"

namespace plat {

Semaphore::Semaphore(long value)
    : m_value(value)
{
}

void Semaphore::signal()
{
    {
        // Notified under the lock: a waiter that returns may destroy the
        // semaphore at once, so nothing of it may be touched after unlocking.
        std::lock_guard<std::mutex> guard(m_mutex);
        ++m_value;
        m_cv.notify_one();
    }
    wakeMainWaiters();
}

bool Semaphore::wait(WaitClock::time_point deadline)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    if (!waitUntil(lock, m_cv, [this] { return m_value > 0; }, deadline))
        return false;
    --m_value;
    return true;
}

} // namespace plat
