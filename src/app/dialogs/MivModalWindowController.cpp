#include "app/dialogs/MivModalWindowController.h"

#include "FileData/MivExec.h"
#include "app/alerts/MivAlertResponder.h"
#include "app/dialogs/MivDialogWindow.h"
#include "platform/Log.h"
#include "platform/NoDestructor.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QList>
#include <QScopeGuard>
#include <QTimer>
#include <QWindow>

#include <optional>

namespace {

// How often the polled run turns when nothing else wakes it.
constexpr int kPolledTurnMs = 2;

QString describeObject(const QObject* object)
{
    if (!object)
        return QStringLiteral("(null)");
    const QString name = object->objectName();
    return QStringLiteral("<%1: 0x%2%3>")
        .arg(QLatin1String(object->metaObject()->className()))
        .arg(quintptr(object), 0, 16)
        .arg(name.isEmpty() ? QString() : QStringLiteral(" ") + name);
}

} // namespace

// One modal run of the application: a modal loop, or a polled session. The
// innermost run's window is the application's modal window. GUI thread only.
struct MivModalWindowController::Run
{
    QPointer<QWidget> window;
    QEventLoop* loop = nullptr; // null for a polled session
    std::optional<int> response;
};

namespace {

QList<MivModalWindowController::Run*>& modalRuns()
{
    static plat::NoDestructor<QList<MivModalWindowController::Run*>> runs;
    return *runs;
}

} // namespace

MivModalWindowController::MivModalWindowController(QObject* parent) : QObject(parent) {}

MivModalWindowController::~MivModalWindowController()
{
    if (!m_window)
        return;
    m_window->removeEventFilter(this);
    if (MivExec::isMainThread())
        delete m_window.data();
    else
        m_window->deleteLater();
}

MivDialogWindow* MivModalWindowController::window()
{
    if (m_window)
        return m_window;
    auto* window = new MivDialogWindow;
    QPointer<MivModalWindowController> self(this);
    window->setActions(
        [self] {
            if (self)
                self->okAction();
        },
        [self] {
            if (self)
                self->cancelAction();
        });
    m_window = window;
    m_window->setObjectName(QLatin1String(metaObject()->className()));
    m_window->installEventFilter(this);
    loadWindow(m_window);
    awakeFromNib();
    return m_window;
}

QWidget* MivModalWindowController::modalWindow()
{
    const auto& runs = modalRuns();
    return runs.isEmpty() ? nullptr : runs.last()->window.data();
}

void MivModalWindowController::awakeFromNib()
{
    // The modal-loop runs get their initData on the first turn of the loop.
    QPointer<MivModalWindowController> self(this);
    MivExec::runAsyncOnMainThread([self] {
        if (self && self->m_runModal)
            self->initData();
    });
}

QString MivModalWindowController::describe() const
{
    return describeObject(this);
}

// --- Ending ---------------------------------------------------------------

void MivModalWindowController::stopModal()
{
    endWith(kResponseStop);
}

void MivModalWindowController::abortModal()
{
    endWith(kResponseAbort);
}

void MivModalWindowController::endWith(int response)
{
    QPointer<MivModalWindowController> self(this);
    if (m_background) {
        // Widgets are touched only on the GUI thread.
        MivExec::runOnMainThreadAsync([self, response] {
            if (self)
                self->prosessBackground(response);
        });
        return;
    }
    if (!m_asyncSheet) {
        MivExec::runAsyncOnMainThread([self, response] {
            if (!self)
                return;
            if (response == kResponseStop)
                self->closeModalDialog();
            else
                self->abortModalDialog();
        });
        return;
    }
    MivExec::runOnMainThreadAsync([self, response] {
        if (self)
            self->didEndModalSheet(response);
    });
}

void MivModalWindowController::closeWithBlock(const std::function<void()>& block)
{
    QWidget* modal = modalWindow();
    QWidget* key = QApplication::activeWindow();
    const bool ours = m_window != nullptr;
    if (!ours || !(m_runModalForWindow || modal == m_window || (!modal && key == m_window)))
        return;
    m_stop = true;
    QPointer<QWidget> window(m_window.data());
    MivExec::runAsyncOnMainThread([window] {
        if (window) {
            window->hide();
            window->close();
        }
    });
    if (block)
        block();
}

namespace {

// Ends the modal run of this window only: a stop that arrives after its run
// ended, or while another dialog runs above it, must not end someone else's.
void endModalRunOf(QWidget* window, int response)
{
    const auto& runs = modalRuns();
    for (qsizetype i = runs.size() - 1; i >= 0; --i) {
        MivModalWindowController::Run* run = runs[i];
        if (run->window != window)
            continue;
        if (!run->response)
            run->response = response;
        if (run->loop)
            run->loop->exit(0);
        return;
    }
}

} // namespace

void MivModalWindowController::closeModalDialog()
{
    closeWithBlock([this] { endModalRunOf(m_window, kResponseStop); });
}

void MivModalWindowController::abortModalDialog()
{
    closeWithBlock([this] { endModalRunOf(m_window, kResponseAbort); });
}

void MivModalWindowController::prosessBackground(int response)
{
    // Ends once: a second stop of a dialog that already ended does nothing.
    if (!m_background.exchange(false))
        return;
    m_stop = true;
    processResult(response);
    windowOut();
    closeData();
}

void MivModalWindowController::windowOut()
{
    QPointer<MivModalWindowController> self(this);
    MivExec::runOnMainThreadAsync([self] {
        if (self)
            self->windowOutInternal();
    });
}

void MivModalWindowController::windowOutInternal()
{
    if (!m_window)
        return;
    m_window->hide();
    m_window->setWindowModality(Qt::NonModal);
}

void MivModalWindowController::backgroundProcess()
{
    m_background = true;
    if (m_runModal) {
        QPointer<MivModalWindowController> self(this);
        MivExec::runOnMainThreadAsync([self] {
            if (self)
                endModalRunOf(self->m_window, kResponseAbort);
        });
    }
}

// --- Running --------------------------------------------------------------

int MivModalWindowController::showModal()
{
    return showWindow(false, true, nullptr);
}

int MivModalWindowController::showModalFor(QWidget* parent)
{
    return showWindow(false, true, parent);
}

void MivModalWindowController::showModalOnMainThread()
{
    MivExec::runOnMainThread([this] { showModal(); });
}

int MivModalWindowController::showModalSheet()
{
    return showWindow(true, true, nullptr);
}

int MivModalWindowController::showWindowForSheet(bool sheet)
{
    return showWindow(sheet, false, nullptr);
}

void MivModalWindowController::attachToParent(QWidget* parent, Qt::WindowModality modality)
{
    QWidget* win = window();
    if (win->isVisible())
        win->hide();
    win->setWindowModality(modality);
    win->winId();
    if (QWindow* handle = win->windowHandle()) {
        QWindow* parentHandle = parent ? parent->window()->windowHandle() : nullptr;
        handle->setTransientParent(parentHandle);
    }
}

int MivModalWindowController::showWindow(bool sheet, bool runModal, QWidget* parent)
{
    m_stop = false;
    m_background = false;
    m_runModalForWindow = false;
    m_sheet = sheet;
    m_runModal = runModal;

    QWidget* win = window();
    if (!parent)
        parent = QApplication::activeWindow();
    if (parent == win)
        parent = nullptr;
    MIV_LOG_INFO(QStringLiteral("parent window: %1 for controller: %2, is sheet: %3")
                     .arg(describeObject(parent), describe(), QString::number(sheet ? 1 : 0, 16)));
    attachToParent(parent, sheet ? Qt::WindowModal : Qt::ApplicationModal);

    Run run;
    run.window = win;
    modalRuns().append(&run);
    auto popRun = qScopeGuard([&run] { modalRuns().removeOne(&run); });

    int response = kResponseAbort;
    if (!runModal) {
        win->show();
        MivAlertResponder::notifyShown(m_window);
        initData();
        response = runLoopForSession(run);
    } else {
        m_runModalForWindow = true;
        if (m_modalRelative && parent) {
            MIV_LOG_INFO(QStringLiteral("show modal (11.0): %1 relative to: %2").arg(describe(), describeObject(parent)));
            win->adjustSize();
            const QRect frame = parent->window()->frameGeometry();
            win->move(frame.center() - win->rect().center());
        } else {
            MIV_LOG_INFO(QStringLiteral("show modal (11.0): %1").arg(describe()));
        }
        QEventLoop loop;
        run.loop = &loop;
        win->show();
        MivAlertResponder::notifyShown(m_window);
        if (!run.response)
            loop.exec();
        run.loop = nullptr;
        // A loop ended from outside (the application quits) counts as Cancel.
        response = run.response.value_or(kResponseAbort);
    }
    popRun.dismiss();
    modalRuns().removeOne(&run);

    if (!m_background)
        processResult(response);
    if (!m_background)
        windowOut();
    if (m_background && m_window && m_window->isVisible()) {
        // The work goes on in front of the user, but the dialog no longer blocks.
        m_window->hide();
        m_window->setWindowModality(Qt::NonModal);
        m_window->show();
    }
    if (m_background)
        movedToBackground();
    else
        closeData();
    return response;
}

int MivModalWindowController::runLoopForSession(Run& run)
{
    QEventLoop loop;
    int result = kResponseContinue;
    QTimer turn;
    turn.setTimerType(Qt::PreciseTimer);
    turn.setInterval(kPolledTurnMs);
    connect(&turn, &QTimer::timeout, &loop, [&] {
        if (m_background) {
            result = kResponseContinue;
            loop.exit(0);
            return;
        }
        const int response = run.response.value_or(kResponseContinue);
        processInLoop();
        // A stop only ends the run while this dialog is the application's
        // modal one; a dialog above it finishes first.
        if (response != kResponseContinue && modalWindow() == m_window && m_stop) {
            result = response;
            loop.exit(0);
        }
    });
    turn.start();
    loop.exec();
    return result;
}

void MivModalWindowController::showModalSheetForWindow(QWidget* parent, CompletionHandler completionHandler)
{
    m_asyncSheet = true;
    m_sheet = true;
    m_stop = false;
    m_background = false;
    m_runModal = false;

    QWidget* win = window();
    if (!parent)
        parent = QApplication::activeWindow();
    if (parent == win)
        parent = nullptr;
    MIV_LOG_INFO(QStringLiteral("parent window: %1 for controller: %2, is sheet: %3")
                     .arg(describeObject(parent), describe(), QString::number(1, 16)));
    attachToParent(parent, Qt::WindowModal);
    m_sheetCompletion = std::move(completionHandler);
    m_sheetRunning = true;
    win->show();
    MivAlertResponder::notifyShown(m_window);
}

void MivModalWindowController::didEndModalSheet(int response)
{
    if (!m_sheetRunning)
        return;
    m_sheetRunning = false;
    m_stop = true;
    CompletionHandler completion = std::move(m_sheetCompletion);
    m_sheetCompletion = {};
    processResult(response);
    windowOut();
    closeData();
    if (completion)
        completion(response);
}

// --- Actions ---------------------------------------------------------------

void MivModalWindowController::okAction()
{
    if (validate())
        stopModal();
}

void MivModalWindowController::cancelAction()
{
    abortModal();
}

bool MivModalWindowController::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_window || event->type() != QEvent::Close || m_stop || !m_window->isVisible())
        return QObject::eventFilter(watched, event);
    // The window closes when the dialog ends, not before: a sheet ends through
    // its buttons only, any other dialog is cancelled by closing it.
    if (!m_sheet)
        abortModal();
    event->ignore();
    return true;
}
