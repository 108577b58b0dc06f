#pragma once

#include "platform/MainDispatcher.h"
#include "platform/Mutex.h"

#include <condition_variable>
#include <deque>
#include <map>
#include <thread>

namespace plat {

// A main thread without Qt: one thread that runs posted and delayed tasks in
// order. Tests install it so that main-thread code runs on a real, separate
// thread; it serves any process that has no GUI.
class LoopThreadMainDispatcher final : public MainDispatcher
{
public:
    LoopThreadMainDispatcher();
    ~LoopThreadMainDispatcher() override;

    bool isMainThread() const override;
    void post(Task task) override;
    void postDelayed(std::chrono::milliseconds delay, Task task) override;
    bool processEventsUntil(const std::function<bool()>& predicate, Clock::time_point deadline) override;
    void wake() override;

    // Runs the task on the loop thread and waits for it.
    void runAndWait(Task task);

private:
    void threadMain();
    // Runs what is due; with the lock held on entry and exit.
    bool runOneLocked() MIV_REQUIRES(m_mutex);

    mutable Mutex m_mutex;
    std::condition_variable m_cv;
    std::deque<Task> m_tasks MIV_GUARDED_BY(m_mutex);
    std::multimap<Clock::time_point, Task> m_timers MIV_GUARDED_BY(m_mutex);
    bool m_stopping MIV_GUARDED_BY(m_mutex) = false;
    bool m_woken MIV_GUARDED_BY(m_mutex) = false;
    std::thread m_thread;
    std::thread::id m_threadId;
};

} // namespace plat
