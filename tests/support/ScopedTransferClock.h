#pragma once

#include "support/ManualTransferClock.h"

#include <memory>

namespace mivtest {

// Installs a manual transfer clock for a test's lifetime, with fresh speed
// schedules, and puts the system clock back after.
class ScopedTransferClock
{
public:
    ScopedTransferClock();
    ~ScopedTransferClock();
    ScopedTransferClock(const ScopedTransferClock&) = delete;
    ScopedTransferClock& operator=(const ScopedTransferClock&) = delete;

    ManualTransferClock& clock() { return *m_clock; }
    ManualTransferClock* operator->() { return m_clock.get(); }

private:
    std::shared_ptr<ManualTransferClock> m_clock = std::make_shared<ManualTransferClock>();
};

} // namespace mivtest
