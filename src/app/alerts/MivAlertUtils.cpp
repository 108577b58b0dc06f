#include "app/alerts/MivAlertUtils.h"

#include "app/alerts/MivAlert.h"

#include "FileData/MivExec.h"

#include <QCoreApplication>
#include <QLineEdit>
#include <QPushButton>

#include <memory>

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("MivAlertUtils", text);
}

// Alerts are run once and then thrown away.
int runAndDispose(MivAlert* alert)
{
    std::unique_ptr<MivAlert> owned(alert);
    return owned->runModal();
}

} // namespace

MivAlert* MivAlertUtils::alertWithMessageText(const QString& message, const QString& defaultButton,
                                              const QString& alternateButton, const QString& otherButton,
                                              const QString& informativeText)
{
    auto* alert = new MivAlert;
    alert->setMessageText(message);
    alert->setInformativeText(informativeText);
    for (const QString& title : {defaultButton, alternateButton, otherButton})
        if (!title.isNull())
            alert->addButtonWithTitle(title);
    return alert;
}

MivAlert* MivAlertUtils::alertWithMessageText(const QString& message, const QString& defaultButton,
                                              const QString& informativeText)
{
    return alertWithMessageText(message, defaultButton, QString(), QString(), informativeText);
}

MivAlert* MivAlertUtils::okAlertWithMessageText(const QString& message, const QString& informativeText)
{
    return alertWithMessageText(message, tr("OK"), informativeText);
}

MivAlert* MivAlertUtils::makeAlertWithMessage(const QString& message, const QString& info, const QString& defButton,
                                              const QString& altButton, const QString& othButton,
                                              const QString& inputString, int textInputHeight)
{
    MivAlert* alert = alertWithMessageText(message, defButton, altButton, othButton, info);
    if (!inputString.isNull()) {
        // Wide enough for a path; the layout gives the rest.
        auto* field = new QLineEdit(inputString);
        field->setObjectName(QStringLiteral("alertInput"));
        field->setFixedHeight(std::max(textInputHeight, field->minimumSizeHint().height()));
        field->setMinimumWidth(300);
        alert->setAccessoryView(field);
        field->selectAll();
        alert->setFocusProxy(field);
        field->setFocus();
    }
    alert->setAlertStyle(MivAlert::Style::Warning);
    if (alert->buttons().size() >= 2)
        alert->setEscapeButton(1);
    alert->setReturnButton(0);
    return alert;
}

MivAlert* MivAlertUtils::makeAlertWithMessage(const QString& message, const QString& info, const QString& defButton,
                                              const QString& altButton, const QString& othButton,
                                              const QString& inputString)
{
    return makeAlertWithMessage(message, info, defButton, altButton, othButton, inputString, kDefaultTextInputHeight);
}

MivAlert* MivAlertUtils::makeAlertWithMessage(const QString& message, const QString& info, const QString& defButton,
                                              const QString& altButton, const QString& inputString)
{
    return makeAlertWithMessage(message, info, defButton, altButton, QString(), inputString);
}

MivAlert* MivAlertUtils::makeOKCancelAlertWithMessage(const QString& message, const QString& info,
                                                      const QString& inputString)
{
    return makeAlertWithMessage(message, info, tr("OK"), tr("Cancel"), inputString);
}

MivAlert* MivAlertUtils::makeYesNoAlertWithMessage(const QString& message, const QString& info,
                                                   const QString& inputString)
{
    return makeAlertWithMessage(message, info, tr("YES"), tr("NO"), inputString);
}

QString MivAlertUtils::inputStringOf(const MivAlert* alert)
{
    const auto* field = alert ? qobject_cast<const QLineEdit*>(alert->accessoryView()) : nullptr;
    return field ? field->text() : QString();
}

void MivAlertUtils::showMessage(const QString& message)
{
    MivExec::runOnMainThread([&message] { runAndDispose(okAlertWithMessageText(message, QStringLiteral(""))); });
}

int MivAlertUtils::showWarningMessage(const QString& message, const QString& infoText)
{
    MivExec::runOnMainThread([&] {
        MivAlert* alert = okAlertWithMessageText(message, infoText);
        alert->setAlertStyle(MivAlert::Style::Warning);
        alert->setReturnButton(0);
        runAndDispose(alert);
    });
    return 0;
}

int MivAlertUtils::runYesNoAlertWithMessage(const QString& message, const QString& info, const QString& inputString)
{
    int response = 0;
    MivExec::runOnMainThread(
        [&] { response = runAndDispose(makeYesNoAlertWithMessage(message, info, inputString)); });
    return response;
}

QWidget* MivAlertUtils::resolveAncestorFor(QWidget* view, const QMetaObject& ofClass)
{
    for (QWidget* widget = view; widget; widget = widget->parentWidget())
        if (widget->metaObject()->inherits(&ofClass))
            return widget;
    return nullptr;
}

QImage MivAlertUtils::imageWithSubviews(QWidget* view)
{
    if (!view)
        return QImage();
    return view->grab().toImage();
}
