#include "app/files-table/MivEditTextField.h"

#include "platform/KeyCodeAdapter.h"

#include <QKeyEvent>

using plat::KeyCodeAdapter;

MivEditTextField::MivEditTextField(QWidget* parent) : QLineEdit(parent)
{
    setFrame(false);
}

bool MivEditTextField::performKeyEquivalent(QKeyEvent* event)
{
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::ShortcutOverride)
        return false;
    if (!hasFocus())
        return false;
    const auto stroke = KeyCodeAdapter::fromQt(event->key(), event->modifiers());
    if (!stroke)
        return false;
    // Home and End come before the modifiers: they work with any held.
    switch (stroke->keyCode) {
    case KeyCodeAdapter::End:
        end(false);
        return true;
    case KeyCodeAdapter::Home:
        home(false);
        return true;
    default:
        break;
    }
    if (!(stroke->modifierFlags & KeyCodeAdapter::kCommandKeyMask))
        return false;
    switch (stroke->keyCode) {
    case KeyCodeAdapter::Z:
        if (!isUndoAvailable())
            return false;
        undo();
        return true;
    case KeyCodeAdapter::X:
        if (!hasSelectedText())
            return false;
        cut();
        return true;
    case KeyCodeAdapter::C:
        if (!hasSelectedText())
            return false;
        copy();
        return true;
    case KeyCodeAdapter::V:
        // QLineEdit pastes the clipboard's plain text, never rich text.
        paste();
        return true;
    default:
        return false;
    }
}

bool MivEditTextField::event(QEvent* event)
{
    // A window shortcut on the same keys must not take them from the editor:
    // claim the override and handle the key when it arrives as a key press.
    if (event->type() == QEvent::ShortcutOverride) {
        auto* keyEvent = static_cast<QKeyEvent*>(event);
        const auto stroke = KeyCodeAdapter::fromQt(keyEvent->key(), keyEvent->modifiers());
        if (stroke && hasFocus()
            && (stroke->keyCode == KeyCodeAdapter::Home || stroke->keyCode == KeyCodeAdapter::End
                || ((stroke->modifierFlags & KeyCodeAdapter::kCommandKeyMask)
                    && (stroke->keyCode == KeyCodeAdapter::Z || stroke->keyCode == KeyCodeAdapter::X
                        || stroke->keyCode == KeyCodeAdapter::C || stroke->keyCode == KeyCodeAdapter::V)))) {
            event->accept();
            return true;
        }
    }
    return QLineEdit::event(event);
}

void MivEditTextField::keyPressEvent(QKeyEvent* event)
{
    if (performKeyEquivalent(event)) {
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        event->accept();
        Q_EMIT cancelled();
        return;
    }
    QLineEdit::keyPressEvent(event);
}
