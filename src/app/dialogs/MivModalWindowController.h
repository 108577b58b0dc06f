#pragma once

#include "app/dialogs/MivDialogWindow.h"

#include <QObject>
#include <QPointer>

#include <atomic>
#include <functional>

// The base of the program's dialogs. Runs a dialog window in one of four
// ways and ends every run through the same hooks: processResult() with the
// response code, the window ordered out, then closeData() (or
// movedToBackground() for a run that ended because the dialog went to the
// background and its work goes on).
//
//  - application-modal in a modal loop: showModal(), showModalFor(),
//    showModalOnMainThread();
//  - a window-modal sheet run by the same loop: showModalSheet();
//  - a polled run that calls processInLoop() on every turn and may be sent
//    to the background: showWindowForSheet();
//  - an asynchronous sheet ended by a completion: showModalSheetForWindow().
//
// Runs take place on the GUI thread; stopModal() and abortModal() may be
// called from any thread. Subclasses build their window in loadWindow().
class MivModalWindowController : public QObject
{
    Q_OBJECT

public:
    // Response codes.
    static constexpr int kResponseStop = -1000;     // ended with OK
    static constexpr int kResponseAbort = -1001;    // Cancel, window closed, or aborted for the background
    static constexpr int kResponseContinue = -1002; // the polled run ended: the dialog went to the background

    using CompletionHandler = std::function<void(int response)>;
    // One modal run of the application; internal to the runs.
    struct Run;

    explicit MivModalWindowController(QObject* parent = nullptr);
    ~MivModalWindowController() override;

    // The dialog's window, built on first use.
    MivDialogWindow* window();
    bool isWindowLoaded() const { return m_window != nullptr; }

    // The window of the innermost modal run of the application, if any.
    static QWidget* modalWindow();

    // --- Hooks ---
    // When a modal run starts (the modal-loop runs get it once, on the first
    // turn after the window was built; the polled run on every run).
    virtual void initData() {}
    // Once the dialog ends; not when it goes to the background.
    virtual void processResult(int response) { Q_UNUSED(response); }
    // Releases the dialog's data at the very end.
    virtual void closeData() {}
    // May the OK button end the dialog.
    virtual bool validate() { return true; }
    // On every turn of the polled run.
    virtual void processInLoop() {}
    // Instead of closeData() when the run ended because the dialog went to the background.
    virtual void movedToBackground() {}

    // --- Ending; any thread ---
    virtual void stopModal();
    virtual void abortModal();
    // Sends the dialog to the background: its modal run ends, its work goes on.
    void backgroundProcess();

    // --- Running; GUI thread ---
    int showModal();
    int showModalFor(QWidget* parent);
    // From a worker thread: runs showModal() on the GUI thread and waits.
    // The result comes back through processResult().
    void showModalOnMainThread();
    int showModalSheet();
    int showWindowForSheet(bool sheet);
    // Returns at once; the completion gets the response after processResult()
    // and closeData(). No parent means the active window.
    void showModalSheetForWindow(QWidget* parent, CompletionHandler completionHandler);
    // The core run.
    int showWindow(bool sheet, bool runModal, QWidget* parent);

    // --- Actions of the dialogs' buttons ---
    void okAction();
    virtual void cancelAction();

    bool modalRelative() const { return m_modalRelative; }
    void setModalRelative(bool relative) { m_modalRelative = relative; }

    bool isStopped() const { return m_stop; }
    bool isBackground() const { return m_background; }
    bool isSheet() const { return m_sheet; }
    bool isRunModal() const { return m_runModal; }
    bool isAsyncSheet() const { return m_asyncSheet; }

protected:
    // Builds the window's content; called once, by window().
    virtual void loadWindow(QWidget* window) { Q_UNUSED(window); }
    // After loadWindow(); subclasses call the base first.
    virtual void awakeFromNib();

    // Closes the window and runs the block, when this dialog is the running
    // modal one (or, without any, the active window); otherwise nothing.
    void closeWithBlock(const std::function<void()>& block);
    void closeModalDialog();
    void abortModalDialog();
    // For a dialog in the background: processResult(), windowOut(), closeData().
    void prosessBackground(int response);
    void windowOut();
    void windowOutInternal();

    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void endWith(int response);
    int runLoopForSession(Run& run);
    void didEndModalSheet(int response);
    void attachToParent(QWidget* parent, Qt::WindowModality modality);
    QString describe() const;

    QPointer<MivDialogWindow> m_window;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_background{false};
    std::atomic<bool> m_sheet{false};
    std::atomic<bool> m_runModal{false};
    std::atomic<bool> m_asyncSheet{false};
    std::atomic<bool> m_runModalForWindow{false};
    bool m_modalRelative = false;
    // The asynchronous sheet's completion; empty once it ended.
    CompletionHandler m_sheetCompletion;
    bool m_sheetRunning = false;
};
