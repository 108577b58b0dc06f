#include "app/filetools/MivProcessWindowController.h"

#include "FileData/MivExec.h"
#include "app/shell/MivApplication.h"
#include "platform/TimerSource.h"
#include "platform/Wait.h"

#include <QApplication>
#include <QPointer>
#include <QScopeGuard>

#include <chrono>
#include <condition_variable>

// The pending show of the window. Gone once it fired or was cancelled.
struct MivProcessWindowController::ShowTimer
{
    std::mutex lock;
    std::condition_variable changed;
    bool cancelled = false;
    bool fired = false;

    bool gone()
    {
        return cancelled || fired;
    }
};

// The work's hold on its dialog: a cancelled dialog ends its modal run while
// the work may still run, and the owner may then destroy the dialog.
struct MivProcessWindowController::WorkGate
{
    std::mutex lock;
    std::condition_variable changed;
    bool ownerGone = false;
    int running = 0;
};

MivProcessWindowController::MivProcessWindowController(QObject* parent)
    : MivModalWindowController(parent), m_workGate(std::make_shared<WorkGate>())
{
}

MivProcessWindowController::~MivProcessWindowController()
{
    finishWork();
}

void MivProcessWindowController::finishWork()
{
    cancelShowTimer();
    std::unique_lock lock(m_workGate->lock);
    m_workGate->ownerGone = true;
    plat::waitUntil(lock, m_workGate->changed, [this] { return m_workGate->running == 0; });
}

int MivProcessWindowController::result() const
{
    std::lock_guard guard(m_lock);
    return m_result;
}

bool MivProcessWindowController::aborted() const
{
    std::lock_guard guard(m_lock);
    return m_aborted;
}

bool MivProcessWindowController::cancelShowTimer()
{
    std::shared_ptr<ShowTimer> timer;
    {
        std::lock_guard guard(m_lock);
        timer = std::move(m_showTimer);
    }
    if (!timer)
        return false;
    bool cancelled = false;
    {
        std::lock_guard guard(timer->lock);
        if (!timer->gone()) {
            timer->cancelled = true;
            cancelled = true;
        }
    }
    timer->changed.notify_all();
    plat::wakeMainWaiters();
    return cancelled;
}

void MivProcessWindowController::processResult(int response)
{
    {
        std::lock_guard guard(m_lock);
        m_result = response;
        if (response == kResponseAbort)
            m_aborted = true;
    }
    cancelShowTimer();
}

void MivProcessWindowController::stopModal()
{
    // Never shown: the work ended within the show delay. The result is in
    // place before the waiting start sees the timer gone.
    std::shared_ptr<ShowTimer> dropped;
    {
        std::lock_guard guard(m_lock);
        if (m_showTimer) {
            std::lock_guard timerGuard(m_showTimer->lock);
            if (!m_showTimer->gone()) {
                m_result = kResponseStop;
                m_showTimer->cancelled = true;
                dropped = std::move(m_showTimer);
            }
        }
    }
    if (dropped) {
        dropped->changed.notify_all();
        plat::wakeMainWaiters();
        return;
    }
    MivModalWindowController::stopModal();
}

void MivProcessWindowController::process()
{
    stopModal();
}

void MivProcessWindowController::startWhenKeyWindow(bool whenKeyWindow)
{
    {
        std::lock_guard guard(m_lock);
        m_result = 0;
        m_aborted = false;
    }
    auto work = [this, gate = m_workGate] {
        {
            std::lock_guard guard(gate->lock);
            if (gate->ownerGone)
                return;
            ++gate->running;
        }
        const auto release = qScopeGuard([&gate] {
            {
                std::lock_guard guard(gate->lock);
                --gate->running;
            }
            gate->changed.notify_all();
            plat::wakeMainWaiters();
        });
        process();
    };

    QWidget* mainWindow = MivApplication::mainWindow();
    if (whenKeyWindow && (!mainWindow || QApplication::activeWindow() != mainWindow)) {
        backgroundProcess();
        MivExec::addOperationWithBlock(work, MivExec::sharedOperationQueue());
        return;
    }

    auto timer = std::make_shared<ShowTimer>();
    {
        std::lock_guard guard(m_lock);
        m_showTimer = timer;
    }
    const auto delay = std::chrono::milliseconds(qint64(m_showTime * 1000.0));
    QPointer<MivProcessWindowController> self(this);
    plat::TimerSource::current().schedule(delay, [self, timer] {
        {
            std::lock_guard guard(timer->lock);
            if (timer->gone())
                return;
            timer->fired = true;
        }
        timer->changed.notify_all();
        plat::wakeMainWaiters();
        if (self)
            self->showModal();
    });
    MivExec::addOperationWithBlock(work, MivExec::sharedOperationQueue());

    // Turns this thread's loop until the window was shown and ended, or the
    // work ended before it was due.
    std::unique_lock lock(timer->lock);
    plat::waitUntil(lock, timer->changed, [&timer] { return timer->gone(); });
}
