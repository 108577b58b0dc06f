#pragma once

#include "app/alerts/MivAlertResponder.h"

#include <QString>
#include <QStringList>

#include <deque>
#include <optional>

namespace mivtest {

// Answers the program's alerts, sheets and modal dialogs with answers that a
// test queued beforehand, in order, by pressing the real button (so the
// dialog's own code produces the result). Installed for its lifetime. A
// dialog with no answer left fails the test and is rejected, so a test never
// hangs on a forgotten dialog.
class PresetAlertResponder final : public MivAlertResponder
{
public:
    // One answer: which button to press, and text to type into the dialog's
    // input field first.
    struct Answer
    {
        enum class Kind { ButtonIndex, ButtonTitle, Reject };
        Kind kind = Kind::ButtonIndex;
        int index = 0;
        QString title;
        std::optional<QString> text;
    };

    // What a dialog showed, for the test to check.
    struct Seen
    {
        QString windowTitle;
        // Texts of its labels, in widget order.
        QStringList texts;
        // Titles of its buttons, in order, without mnemonics.
        QStringList buttons;
        bool windowModal = false;
    };

    PresetAlertResponder();
    ~PresetAlertResponder() override;

    // The n-th button from the left of the alert's default order (0 is the
    // first button added, which answers 1000).
    PresetAlertResponder& pressButton(int index, std::optional<QString> text = std::nullopt);
    PresetAlertResponder& pressButtonTitled(const QString& title, std::optional<QString> text = std::nullopt);
    // Escape or the window's close button.
    PresetAlertResponder& reject();

    const std::deque<Seen>& seen() const { return m_seen; }
    int unused() const { return int(m_answers.size()); }

    void dialogShown(QDialog* dialog) override;

private:
    std::deque<Answer> m_answers;
    std::deque<Seen> m_seen;
};

} // namespace mivtest
