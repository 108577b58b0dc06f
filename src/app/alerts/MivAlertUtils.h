#pragma once

#include <QImage>
#include <QString>

class MivAlert;
class QMetaObject;
class QWidget;

// The builders of the program's alerts (OK, OK/Cancel, Yes/No, with a
// one-line input field) and the runners that show them on the main thread,
// with the view helpers that go with them. Builders run on the main thread;
// the runners may be called from any thread and wait until the alert has
// been dismissed. A null title adds no button.
class MivAlertUtils
{
public:
    MivAlertUtils() = delete;

    // The height of the input field when none is given.
    static constexpr int kDefaultTextInputHeight = 24;

    static MivAlert* alertWithMessageText(const QString& message, const QString& defaultButton,
                                          const QString& alternateButton, const QString& otherButton,
                                          const QString& informativeText);
    static MivAlert* alertWithMessageText(const QString& message, const QString& defaultButton,
                                          const QString& informativeText);
    static MivAlert* okAlertWithMessageText(const QString& message, const QString& informativeText);

    // Warning style, Return on the first button, Escape on the second when
    // there is one; with an input string, a one-line field holding it, all
    // selected and focused, as the accessory view (object name "alertInput").
    static MivAlert* makeAlertWithMessage(const QString& message, const QString& info, const QString& defButton,
                                          const QString& altButton, const QString& othButton,
                                          const QString& inputString, int textInputHeight);
    static MivAlert* makeAlertWithMessage(const QString& message, const QString& info, const QString& defButton,
                                          const QString& altButton, const QString& othButton,
                                          const QString& inputString);
    static MivAlert* makeAlertWithMessage(const QString& message, const QString& info, const QString& defButton,
                                          const QString& altButton, const QString& inputString);
    static MivAlert* makeOKCancelAlertWithMessage(const QString& message, const QString& info,
                                                  const QString& inputString);
    static MivAlert* makeYesNoAlertWithMessage(const QString& message, const QString& info,
                                               const QString& inputString);
    // The text of an alert's input field; null when it has none.
    static QString inputStringOf(const MivAlert* alert);

    static void showMessage(const QString& message);
    // Always answers 0.
    static int showWarningMessage(const QString& message, const QString& infoText);
    // 1000 for YES, 1001 for NO.
    static int runYesNoAlertWithMessage(const QString& message, const QString& info, const QString& inputString);

    // The widget itself when it is of the class, else its nearest ancestor
    // that is; null when none is.
    static QWidget* resolveAncestorFor(QWidget* view, const QMetaObject& ofClass);
    // A snapshot of the widget with its children, at its own size.
    static QImage imageWithSubviews(QWidget* view);
};
