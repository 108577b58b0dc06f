#pragma once

#include "app/dialogs/MivModalWindowController.h"

#include <atomic>
#include <memory>
#include <mutex>

// A modal window in front of a piece of work that runs on the shared
// operation queue. The window shows up only when the work takes longer than
// showTime(); work that ends sooner finishes without it ever appearing.
class MivProcessWindowController : public MivModalWindowController
{
    Q_OBJECT

public:
    static constexpr double kDefaultShowTime = 0.9;

    explicit MivProcessWindowController(QObject* parent = nullptr);
    ~MivProcessWindowController() override;

    // Seconds before the window is shown.
    double showTime() const { return m_showTime; }
    void setShowTime(double seconds) { m_showTime = seconds; }
    int result() const;
    bool aborted() const;

    // With true while the main window is not the active window: goes to the
    // background at once and the work runs without a window. Otherwise the
    // window is shown after showTime() unless the work ended by then; the
    // caller's loop turns until the window is gone or never needed. The
    // answer comes through result().
    void startWhenKeyWindow(bool whenKeyWindow);
    void start() { startWhenKeyWindow(false); }

    // The work; runs on the shared operation queue. Subclasses do theirs
    // first and then call this, which ends the dialog with OK.
    virtual void process();

    void stopModal() override;
    void processResult(int response) override;

protected:
    // Drops work that has not started and waits until started work ended, so
    // the work never outlives the dialog it reports to. Destructors of
    // subclasses whose process() uses their own members call it first.
    void finishWork();

private:
    struct ShowTimer;
    struct WorkGate;

    // True when the timer was pending and is now cancelled.
    bool cancelShowTimer();

    double m_showTime = kDefaultShowTime;
    mutable std::mutex m_lock;
    int m_result = 0;
    bool m_aborted = false;
    std::shared_ptr<ShowTimer> m_showTimer;
    const std::shared_ptr<WorkGate> m_workGate;
};
