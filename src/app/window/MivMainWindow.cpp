#include "app/window/MivMainWindow.h"

#include "app/window/IMivMainWindowDelegate.h"
#include "app/window/MivWindowControlKeys.h"
#include "platform/Log.h"
#include "platform/NotificationCenter.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>

namespace {

QString describe(const QObject* object)
{
    if (!object)
        return QStringLiteral("(null)");
    return QStringLiteral("%1(%2)").arg(QString::fromLatin1(object->metaObject()->className()), object->objectName());
}

// The enabled command of the menu (or its submenus) whose key is the sequence.
QAction* findAction(const QList<QAction*>& actions, const QKeySequence& sequence)
{
    for (QAction* action : actions) {
        if (QMenu* menu = action->menu()) {
            if (QAction* found = findAction(menu->actions(), sequence))
                return found;
        } else if (action->isEnabled() && action->shortcuts().contains(sequence)) {
            return action;
        }
    }
    return nullptr;
}

} // namespace

MivMainWindow::MivMainWindow(QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("MainWindow"));
    // The first start has no saved frame yet.
    resize(1100, 700);
    connect(qApp, &QApplication::focusChanged, this, &MivMainWindow::focusMoved);
    // Key presses reach the focused widget first; the space bar must be seen before it.
    qApp->installEventFilter(this);
}

MivMainWindow::~MivMainWindow() = default;

void MivMainWindow::focusMoved(QWidget* old, QWidget* now)
{
    const bool intoThis = now && now->window() == this;
    if (!intoThis && !(old && old->window() == this))
        return;
    MIV_LOG_DEBUG(QStringLiteral("[%1] Transfer key responder to: %2 from: %3")
                      .arg(describe(this), describe(intoThis ? now : nullptr), describe(old)));
    QVariantMap userInfo;
    if (intoThis)
        userInfo.insert(QStringLiteral("responder"), QVariant::fromValue<QObject*>(now));
    plat::NotificationCenter::defaultCenter().post(QString::fromLatin1(ksFistResponderWillChangeNotification), this,
                                                   userInfo);
}

QAction* MivMainWindow::menuActionForKey(const QKeyEvent* event) const
{
    auto* bar = qobject_cast<QMenuBar*>(menuWidget());
    if (!bar)
        return nullptr;
    const QKeySequence sequence(QKeyCombination(event->modifiers() & ~Qt::KeypadModifier, Qt::Key(event->key())));
    return findAction(bar->actions(), sequence);
}

bool MivMainWindow::handleSpacebar(const QKeyEvent* event)
{
    if (!event || event->type() != QEvent::KeyPress || !event->text().startsWith(QLatin1Char(' ')))
        return false;
    QAction* action = menuActionForKey(event);
    if (!action)
        return false;
    action->trigger();
    return true;
}

bool MivMainWindow::eventFilter(QObject* watched, QEvent* event)
{
    // A menu key that no widget claims never arrives as a key press (the
    // shortcut runs instead), so a command runs here only when the focused
    // widget would have taken the key for itself.
    if (event->type() == QEvent::KeyPress) {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (widget && widget->window() == this && handleSpacebar(static_cast<QKeyEvent*>(event)))
            return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void MivMainWindow::keyPressEvent(QKeyEvent* event)
{
    // The space bar was seen on its way to the focused widget (eventFilter).
    if (event->key() == Qt::Key_Escape && m_delegate && m_delegate->closeQuickViewPanel()) {
        event->accept();
        return;
    }
    QMainWindow::keyPressEvent(event);
}
