#include "support/widgets/PresetAlertResponder.h"

#include <QAbstractButton>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMetaObject>
#include <QPointer>

#include <gtest/gtest.h>

namespace mivtest {

namespace {

QString withoutMnemonic(QString text)
{
    return text.remove(QLatin1Char('&'));
}

// Buttons in the order the dialog made them: alerts name theirs
// "alertButton<n>", other dialogs are taken in child order.
QList<QAbstractButton*> buttonsOf(QDialog* dialog)
{
    QList<QAbstractButton*> buttons;
    for (int n = 0;; ++n) {
        auto* button = dialog->findChild<QAbstractButton*>(QStringLiteral("alertButton%1").arg(n));
        if (!button)
            break;
        buttons.append(button);
    }
    if (buttons.isEmpty())
        buttons = dialog->findChildren<QAbstractButton*>();
    return buttons;
}

} // namespace

PresetAlertResponder::PresetAlertResponder()
{
    MivAlertResponder::install(this);
}

PresetAlertResponder::~PresetAlertResponder()
{
    MivAlertResponder::install(nullptr);
}

PresetAlertResponder& PresetAlertResponder::pressButton(int index, std::optional<QString> text)
{
    m_answers.push_back({Answer::Kind::ButtonIndex, index, {}, std::move(text)});
    return *this;
}

PresetAlertResponder& PresetAlertResponder::pressButtonTitled(const QString& title, std::optional<QString> text)
{
    m_answers.push_back({Answer::Kind::ButtonTitle, 0, title, std::move(text)});
    return *this;
}

PresetAlertResponder& PresetAlertResponder::reject()
{
    m_answers.push_back({Answer::Kind::Reject, 0, {}, std::nullopt});
    return *this;
}

void PresetAlertResponder::dialogShown(QDialog* dialog)
{
    Seen seen;
    seen.windowTitle = dialog->windowTitle();
    for (QLabel* label : dialog->findChildren<QLabel*>())
        if (!label->text().isEmpty())
            seen.texts.append(label->text());
    const QList<QAbstractButton*> buttons = buttonsOf(dialog);
    for (QAbstractButton* button : buttons)
        seen.buttons.append(withoutMnemonic(button->text()));
    seen.windowModal = dialog->windowModality() == Qt::WindowModal;
    m_seen.push_back(seen);

    std::optional<Answer> answer;
    if (!m_answers.empty()) {
        answer = m_answers.front();
        m_answers.pop_front();
    } else {
        ADD_FAILURE() << "A dialog was shown with no preset answer: " << seen.windowTitle.toStdString() << " / "
                      << seen.texts.join(QStringLiteral(" | ")).toStdString();
    }

    // Answered from the loop that now waits for the user.
    QPointer<QDialog> target(dialog);
    QMetaObject::invokeMethod(dialog, [target, answer] {
        if (!target)
            return;
        if (!answer) {
            // Closes whatever the dialog would do with Escape.
            target->done(QDialog::Rejected);
            return;
        }
        if (answer->kind == Answer::Kind::Reject) {
            target->reject();
            return;
        }
        if (answer->text) {
            auto* field = target->findChild<QLineEdit*>(QStringLiteral("alertInput"));
            if (!field)
                field = target->findChild<QLineEdit*>();
            if (field)
                field->setText(*answer->text);
            else
                ADD_FAILURE() << "The dialog has no input field for the preset text";
        }
        const QList<QAbstractButton*> buttons = buttonsOf(target);
        QAbstractButton* chosen = nullptr;
        if (answer->kind == Answer::Kind::ButtonIndex) {
            if (answer->index >= 0 && answer->index < buttons.size())
                chosen = buttons[answer->index];
        } else {
            for (QAbstractButton* button : buttons)
                if (withoutMnemonic(button->text()) == answer->title)
                    chosen = button;
        }
        if (!chosen) {
            ADD_FAILURE() << "The dialog has no button for the preset answer";
            target->done(QDialog::Rejected);
            return;
        }
        chosen->click();
    }, Qt::QueuedConnection);
}

} // namespace mivtest
