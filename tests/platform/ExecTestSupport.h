#pragma once

#include "platform/Group.h"
#include "platform/Wait.h"

#include <chrono>
#include <functional>
#include <future>
#include <memory>
#include <thread>

namespace mivtest {

using namespace std::chrono_literals;

// Generous limit for waits in executor tests: a regression fails the test
// instead of hanging it.
inline plat::WaitClock::time_point within(std::chrono::milliseconds limit = 20s)
{
    return plat::WaitClock::now() + limit;
}

// Polls a condition that no one signals (counters of the executors).
inline bool eventually(const std::function<bool()>& condition, std::chrono::milliseconds limit = 20s)
{
    const auto deadline = plat::WaitClock::now() + limit;
    while (!condition()) {
        if (plat::WaitClock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

// Starts a wait that has no deadline of its own on a detached thread, so a
// hand-off that never completes fails the test instead of hanging it (the
// stuck thread is left behind). finished() answers whether it returned in time.
class DetachedWait
{
public:
    explicit DetachedWait(std::function<void()> wait)
    {
        auto returned = std::make_shared<std::promise<void>>();
        m_future = returned->get_future();
        std::thread([returned, wait = std::move(wait)] {
            wait();
            returned->set_value();
        }).detach();
    }
    bool finished(std::chrono::milliseconds limit = 20s) { return m_future.wait_for(limit) == std::future_status::ready; }

private:
    std::future<void> m_future;
};

inline bool returnsWithin(std::function<void()> wait, std::chrono::milliseconds limit = 20s)
{
    return DetachedWait(std::move(wait)).finished(limit);
}

// A gate that many tasks wait at until the test opens it once.
class Gate
{
public:
    Gate() { m_group->enter(); }
    ~Gate() { open(); }
    bool wait(plat::WaitClock::time_point deadline = within()) { return m_group->wait(deadline); }
    void open()
    {
        if (!m_opened) {
            m_opened = true;
            m_group->leave();
        }
    }

private:
    plat::GroupPtr m_group = plat::Group::create();
    bool m_opened = false;
};

} // namespace mivtest
