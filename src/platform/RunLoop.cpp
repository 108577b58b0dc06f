#include "platform/RunLoop.h"

#include "platform/Log.h"
#include "platform/MainDispatcher.h"
#include "platform/Wait.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace plat {

namespace {

// A turn that waits for a predicate re-checks it at least this often, so a
// thread that changes the state and forgets to wake the loop costs latency,
// not a hang.
constexpr std::chrono::milliseconds kPredicatePoll{50};

// Intervals beyond this never pass in practice. Callers use the largest
// double as "never", which must not overflow the clock.
constexpr double kNeverSeconds = 100.0 * 365 * 24 * 3600;

constexpr RunLoop::Clock::time_point kNever = RunLoop::Clock::time_point::max();

} // namespace

// Ends the thread's loop with the thread: whoever still holds it can post
// into it safely, and the work is dropped.
struct RunLoop::ThreadSlot
{
    std::shared_ptr<RunLoop> loop;
    ~ThreadSlot()
    {
        if (loop)
            loop->shutDown();
    }
};

std::shared_ptr<RunLoop> RunLoop::current()
{
    thread_local ThreadSlot slot;
    MainDispatcher* main = MainDispatcher::instance();
    if (main && !main->isMainThread())
        main = nullptr;
    // The main thread's loop follows the installed dispatcher (tests swap it).
    if (!slot.loop || slot.loop->m_mainDispatcher != main) {
        if (slot.loop)
            slot.loop->shutDown();
        slot.loop.reset(new RunLoop(main));
    }
    return slot.loop;
}

RunLoop::RunLoop(MainDispatcher* mainDispatcher)
    : m_mainDispatcher(mainDispatcher)
    , m_thread(std::this_thread::get_id())
{
}

RunLoop::~RunLoop() = default;

bool RunLoop::isCurrent() const
{
    return std::this_thread::get_id() == m_thread;
}

MainDispatcher* RunLoop::liveMainDispatcher() const
{
    MainDispatcher* dispatcher = MainDispatcher::instance();
    return dispatcher == m_mainDispatcher ? dispatcher : nullptr;
}

void RunLoop::shutDown()
{
    std::deque<Task> tasks;
    std::map<TimerId, Timer> timers;
    {
        MutexLock guard(m_mutex);
        m_dead = true;
        tasks.swap(m_tasks);
        timers.swap(m_timers);
        m_pendingMainTasks = 0;
    }
    m_cv.notify_all();
    // The dropped work is destroyed here, outside the lock.
}

void RunLoop::post(Task task)
{
    if (!m_mainDispatcher) {
        {
            MutexLock guard(m_mutex);
            if (m_dead)
                return;
            m_tasks.push_back(std::move(task));
        }
        m_cv.notify_all();
        return;
    }
    {
        MutexLock guard(m_mutex);
        if (m_dead)
            return;
        ++m_pendingMainTasks;
    }
    MainDispatcher* dispatcher = liveMainDispatcher();
    if (!dispatcher) {
        MutexLock guard(m_mutex);
        --m_pendingMainTasks;
        return;
    }
    dispatcher->post([weak = weak_from_this(), task = std::move(task)] {
        if (auto self = weak.lock())
            self->runMainTask(task);
    });
}

void RunLoop::runMainTask(const Task& task)
{
    {
        MutexLock guard(m_mutex);
        if (m_dead)
            return;
        --m_pendingMainTasks;
        ++m_handled;
    }
    task();
}

RunLoop::TimerId RunLoop::addTimer(std::chrono::duration<double> interval, bool repeats, Task task)
{
    const double seconds = interval.count();
    const bool never = std::isnan(seconds) || seconds > kNeverSeconds;
    const Clock::duration delay = never ? Clock::duration::zero()
                                        : std::chrono::duration_cast<Clock::duration>(
                                              std::chrono::duration<double>(std::max(seconds, 0.0)));
    TimerId id = 0;
    {
        MutexLock guard(m_mutex);
        if (m_dead)
            return 0;
        id = m_nextTimerId++;
        Timer& timer = m_timers[id];
        timer.due = never ? kNever : Clock::now() + delay;
        timer.interval = delay;
        timer.repeats = repeats && !never;
        timer.task = std::make_shared<Task>(std::move(task));
    }
    if (never)
        return id;
    if (m_mainDispatcher)
        scheduleMainTimer(id, delay);
    else
        m_cv.notify_all();
    return id;
}

void RunLoop::cancelTimer(TimerId id)
{
    std::shared_ptr<Task> task;
    {
        MutexLock guard(m_mutex);
        auto it = m_timers.find(id);
        if (it == m_timers.end())
            return;
        task = std::move(it->second.task);
        m_timers.erase(it);
    }
    // The task may own objects whose destruction calls back into the loop.
    task.reset();
}

void RunLoop::scheduleMainTimer(TimerId id, Clock::duration delay)
{
    if (MainDispatcher* dispatcher = liveMainDispatcher()) {
        dispatcher->postDelayed(std::chrono::ceil<std::chrono::milliseconds>(delay),
                                [weak = weak_from_this(), id] {
                                    if (auto self = weak.lock())
                                        self->fireMainTimer(id);
                                });
    }
}

std::shared_ptr<RunLoop::Task> RunLoop::takeTimerFiringLocked(TimerId id, Clock::time_point now)
{
    auto it = m_timers.find(id);
    if (it == m_timers.end())
        return nullptr;
    std::shared_ptr<Task> task = it->second.task;
    if (it->second.repeats) {
        Timer& timer = it->second;
        timer.due += timer.interval;
        // A loop that was not turned for a while fires once, not once per
        // missed interval.
        if (timer.due <= now)
            timer.due = now + timer.interval;
    } else {
        m_timers.erase(it);
    }
    ++m_handled;
    return task;
}

void RunLoop::fireMainTimer(TimerId id)
{
    std::shared_ptr<Task> task;
    Clock::duration next{};
    {
        MutexLock guard(m_mutex);
        if (m_dead)
            return;
        const Clock::time_point now = Clock::now();
        task = takeTimerFiringLocked(id, now);
        if (!task)
            return;
        auto it = m_timers.find(id);
        if (it != m_timers.end())
            next = std::max(it->second.due - now, Clock::duration::zero());
        else
            id = 0;
    }
    if (id != 0)
        scheduleMainTimer(id, next);
    (*task)();
}

void RunLoop::stop()
{
    {
        MutexLock guard(m_mutex);
        if (m_dead)
            return;
        m_stopRequested = true;
    }
    wake();
}

void RunLoop::wake()
{
    if (m_mainDispatcher) {
        if (MainDispatcher* dispatcher = liveMainDispatcher())
            dispatcher->wake();
        return;
    }
    {
        MutexLock guard(m_mutex);
        m_woken = true;
    }
    m_cv.notify_all();
}

bool RunLoop::hasSources() const
{
    MutexLock guard(m_mutex);
    return !m_tasks.empty() || m_pendingMainTasks > 0 || !m_timers.empty();
}

bool RunLoop::takeStopLocked()
{
    const bool stop = m_stopRequested;
    m_stopRequested = false;
    return stop;
}

bool RunLoop::checkOwner(const char* what) const
{
    if (isCurrent())
        return true;
    MIV_LOG_ERROR(QStringLiteral("A run loop was turned (%1) from a thread that does not own it")
                      .arg(QString::fromLatin1(what)));
    return false;
}

RunLoop::RunResult RunLoop::runOnce(Clock::time_point deadline)
{
    if (!checkOwner("runOnce"))
        return RunResult::TimedOut;
    switch (turn(deadline, nullptr, true)) {
    case Outcome::Handled:
    case Outcome::Satisfied:
        return RunResult::HandledSource;
    case Outcome::Stopped:
        return RunResult::Stopped;
    case Outcome::TimedOut:
        break;
    }
    return RunResult::TimedOut;
}

RunLoop::RunResult RunLoop::runUntil(Clock::time_point deadline)
{
    if (!checkOwner("runUntil"))
        return RunResult::TimedOut;
    return turn(deadline, nullptr, false) == Outcome::Stopped ? RunResult::Stopped : RunResult::TimedOut;
}

bool RunLoop::runUntil(const std::function<bool()>& predicate, Clock::time_point deadline)
{
    if (!checkOwner("runUntil"))
        return predicate();
    if (turn(deadline, predicate, false) == Outcome::Satisfied)
        return true;
    return predicate();
}

RunLoop::Outcome RunLoop::turn(Clock::time_point deadline, const std::function<bool()>& predicate, bool once)
{
    if (m_mainDispatcher)
        return turnMain(deadline, predicate, once);
    return turnOwn(deadline, predicate, once);
}

bool RunLoop::runReady()
{
    const Clock::time_point now = Clock::now();
    std::deque<Task> tasks;
    tasks.swap(m_tasks);
    std::vector<std::pair<Clock::time_point, TimerId>> due;
    for (const auto& [id, timer] : m_timers) {
        if (timer.due <= now)
            due.emplace_back(timer.due, id);
    }
    if (tasks.empty() && due.empty())
        return false;
    std::sort(due.begin(), due.end());

    m_handled += tasks.size();
    m_mutex.unlock();
    while (!tasks.empty()) {
        Task task = std::move(tasks.front());
        tasks.pop_front();
        task();
    }
    for (const auto& entry : due) {
        m_mutex.lock();
        // Looked up again: an earlier task or timer may have cancelled it.
        std::shared_ptr<Task> task = takeTimerFiringLocked(entry.second, now);
        m_mutex.unlock();
        if (task)
            (*task)();
    }
    m_mutex.lock();
    return true;
}

RunLoop::Outcome RunLoop::turnOwn(Clock::time_point deadline, const std::function<bool()>& predicate, bool once)
{
    MutexLock lock(m_mutex);
    const quint64 start = m_handled;
    for (;;) {
        if (takeStopLocked())
            return Outcome::Stopped;
        // Cleared before the predicate is read, so a wake that follows the
        // read is never lost.
        m_woken = false;
        if (predicate) {
            lock.unlock();
            const bool holds = predicate();
            lock.lock();
            if (holds)
                return Outcome::Satisfied;
        }
        if (once && m_handled != start)
            return Outcome::Handled;
        if (m_dead)
            return Outcome::TimedOut;
        if (runReady())
            continue;

        const Clock::time_point now = Clock::now();
        if (now >= deadline)
            return Outcome::TimedOut;
        Clock::time_point until = deadline;
        for (const auto& entry : m_timers)
            until = std::min(until, entry.second.due);
        if (predicate)
            until = std::min(until, now + kPredicatePoll);
        const auto ready = [this]() MIV_REQUIRES(m_mutex) { return !m_tasks.empty() || m_stopRequested || m_woken || m_dead; };
        ScopedBlocking blocking;
        if (until == kNever)
            m_cv.wait(lock.uniqueLock(), ready);
        else
            m_cv.wait_until(lock.uniqueLock(), until, ready);
    }
}

RunLoop::Outcome RunLoop::turnMain(Clock::time_point deadline, const std::function<bool()>& predicate, bool once)
{
    MainDispatcher* dispatcher = liveMainDispatcher();
    if (!dispatcher) {
        MIV_LOG_ERROR(QStringLiteral("The main thread's run loop was turned after its dispatcher went away"));
        return Outcome::TimedOut;
    }
    quint64 start = 0;
    {
        MutexLock guard(m_mutex);
        if (takeStopLocked())
            return Outcome::Stopped;
        start = m_handled;
    }
    Outcome outcome = Outcome::TimedOut;
    dispatcher->processEventsUntil(
        [&] {
            {
                MutexLock guard(m_mutex);
                if (takeStopLocked()) {
                    outcome = Outcome::Stopped;
                    return true;
                }
                if (once && m_handled != start) {
                    outcome = Outcome::Handled;
                    return true;
                }
            }
            if (predicate && predicate()) {
                outcome = Outcome::Satisfied;
                return true;
            }
            return false;
        },
        deadline);
    return outcome;
}

} // namespace plat
