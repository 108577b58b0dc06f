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
        MutexLock guard(m_mutex);
        ++m_value;
        m_cv.notify_one();
    }
    wakeMainWaiters();
}

bool Semaphore::wait(WaitClock::time_point deadline)
{
    MutexLock lock(m_mutex);
    if (!waitUntil(lock.uniqueLock(), m_cv, [this]() MIV_REQUIRES(m_mutex) { return m_value > 0; }, deadline))
        return false;
    --m_value;
    return true;
}

} // namespace plat
