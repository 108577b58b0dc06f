#pragma once

#include <memory>

// The time source of the transfer layer: the stall limits of the stream
// handlers and the speed limits of the transfer streams read it, and the
// throttle sleeps through it. Tests install a clock whose sleep only moves
// its own time, so limits of seconds are checked without waiting.
class MivTransferClock
{
public:
    virtual ~MivTransferClock() = default;

    // Seconds on a monotonic scale (the origin is arbitrary).
    virtual double now() = 0;
    // Blocks the calling thread for the given seconds (microsecond resolution).
    virtual void sleepFor(double seconds) = 0;

    // The clock in use; the system's steady clock unless one was installed.
    static std::shared_ptr<MivTransferClock> shared();
    // Installs a clock; null puts the system's back.
    static void setShared(std::shared_ptr<MivTransferClock> clock);
};
