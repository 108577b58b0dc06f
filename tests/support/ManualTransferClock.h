#pragma once

#include "FileData/Transfer/MivTransferClock.h"

#include <mutex>

namespace mivtest {

// A transfer clock whose time moves only when told to, or when someone
// sleeps on it: a throttle that "sleeps" 4 s returns at once with the clock
// 4 s later, so limits of seconds are checked without waiting.
class ManualTransferClock : public MivTransferClock
{
public:
    double now() override;
    void sleepFor(double seconds) override;
    void advance(double seconds);
    // Seconds slept through sleepFor so far.
    double slept() const;

private:
    mutable std::mutex m_mutex;
    // Far from 0, so a schedule left at 0 by the real clock is in the past.
    double m_now = 1000.0;
    double m_slept = 0;
};

} // namespace mivtest
