#include "support/ManualTransferClock.h"
#include "support/ScopedTransferClock.h"

#include "FileData/Transfer/MivStream.h"

namespace mivtest {

double ManualTransferClock::now()
{
    std::lock_guard lock(m_mutex);
    return m_now;
}

void ManualTransferClock::sleepFor(double seconds)
{
    if (seconds <= 0)
        return;
    std::lock_guard lock(m_mutex);
    m_now += seconds;
    m_slept += seconds;
}

void ManualTransferClock::advance(double seconds)
{
    std::lock_guard lock(m_mutex);
    m_now += seconds;
}

double ManualTransferClock::slept() const
{
    std::lock_guard lock(m_mutex);
    return m_slept;
}

ScopedTransferClock::ScopedTransferClock()
{
    MivStream::resetSpeedSchedules();
    MivTransferClock::setShared(m_clock);
}

ScopedTransferClock::~ScopedTransferClock()
{
    MivTransferClock::setShared(nullptr);
    MivStream::resetSpeedSchedules();
}

} // namespace mivtest
