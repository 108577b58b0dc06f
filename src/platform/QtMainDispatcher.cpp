#include "platform/QtMainDispatcher.h"

#include "platform/Log.h"
#include "platform/TaskGuard.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QMetaObject>
#include <QObject>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <climits>

namespace plat {

namespace {

// A wait re-checks its predicate at least this often even when nobody wakes
// it, so a notifier that forgets to wake costs latency, never a hang.
constexpr std::chrono::milliseconds kLongestSleep{50};

constexpr QEventLoop::ProcessEventsFlags kWaitFlags =
    QEventLoop::ExcludeUserInputEvents | QEventLoop::WaitForMoreEvents;

// QTimer counts in int milliseconds.
constexpr std::chrono::milliseconds kLongestTimer{INT_MAX};

} // namespace

QtMainDispatcher::QtMainDispatcher()
    : m_thread(QThread::currentThread())
    , m_receiver(std::make_unique<QObject>())
{
    if (QCoreApplication* app = QCoreApplication::instance(); !app || app->thread() != m_thread)
        MIV_LOG_ERROR(QStringLiteral("The main dispatcher is made outside the application's thread"));
}

QtMainDispatcher::~QtMainDispatcher() = default;

bool QtMainDispatcher::isMainThread() const
{
    return QThread::currentThread() == m_thread;
}

void QtMainDispatcher::post(Task task)
{
    // Queued calls on one receiver keep their posting order, whichever
    // threads they come from.
    QMetaObject::invokeMethod(m_receiver.get(), guarded(std::move(task)), Qt::QueuedConnection);
}

QtMainDispatcher::Task QtMainDispatcher::guarded(Task task)
{
    // An exception must never unwind through Qt's event loop.
    return [task = std::move(task)] { detail::runGuarded(task, QStringLiteral("main")); };
}

void QtMainDispatcher::postDelayed(std::chrono::milliseconds delay, Task task)
{
    if (isMainThread()) {
        startTimer(delay, std::move(task));
        return;
    }
    // Timers belong to the thread that starts them: start it on the main
    // thread, counting the delay from now.
    const Clock::time_point due = Clock::now() + delay;
    post([this, due, task = std::move(task)]() mutable {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(due - Clock::now());
        startTimer(std::max(left, std::chrono::milliseconds(0)), std::move(task));
    });
}

void QtMainDispatcher::startTimer(std::chrono::milliseconds delay, Task task)
{
    if (delay > kLongestTimer) {
        const auto rest = delay - kLongestTimer;
        QTimer::singleShot(kLongestTimer, Qt::PreciseTimer, m_receiver.get(),
                           [this, rest, task = std::move(task)]() mutable { startTimer(rest, std::move(task)); });
        return;
    }
    QTimer::singleShot(delay, Qt::PreciseTimer, m_receiver.get(), guarded(std::move(task)));
}

void QtMainDispatcher::wake()
{
    post([] {});
}

bool QtMainDispatcher::processEventsUntil(const std::function<bool()>& predicate, Clock::time_point deadline)
{
    if (!isMainThread()) {
        MIV_LOG_ERROR(QStringLiteral("The main loop was turned from another thread"));
        return predicate();
    }
    // Bounds every sleep in processEvents: its timeout event wakes the loop.
    QTimer bound;
    bound.setSingleShot(true);
    bound.setTimerType(Qt::PreciseTimer);
    for (;;) {
        if (predicate())
            return true;
        const Clock::time_point now = Clock::now();
        if (now >= deadline)
            return false;
        auto sleep = kLongestSleep;
        if (deadline - now < kLongestSleep)
            sleep = std::chrono::ceil<std::chrono::milliseconds>(deadline - now);
        bound.start(sleep);
        // User input stays queued until the wait is over: a second click or
        // key must not start a command in the middle of the one that waits.
        QCoreApplication::processEvents(kWaitFlags);
    }
}

} // namespace plat
