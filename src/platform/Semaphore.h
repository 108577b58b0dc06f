#pragma once

#include "platform/Wait.h"

#include "platform/Mutex.h"

#include <condition_variable>

namespace plat {

// A counting semaphore whose waits follow plat's rules: on the main thread a
// wait turns the main loop, on a pool thread it lets the pool start a
// replacement thread.
class Semaphore
{
public:
    explicit Semaphore(long value = 0);
    Semaphore(const Semaphore&) = delete;
    Semaphore& operator=(const Semaphore&) = delete;

    void signal();
    // Takes one unit, waiting until there is one or the deadline passes;
    // answers whether it took one.
    bool wait(WaitClock::time_point deadline = WaitClock::time_point::max());

private:
    Mutex m_mutex;
    std::condition_variable m_cv;
    long m_value MIV_GUARDED_BY(m_mutex);
};

} // namespace plat
