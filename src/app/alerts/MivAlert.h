#pragma once

#include <QDialog>
#include <QList>
#include <QString>

#include <functional>

class QLabel;
class QPushButton;
class QHBoxLayout;
class QVBoxLayout;

// The program's alert: a message, an informative text, an optional accessory
// view (an input field) and buttons that answer 1000, 1001, 1002, … in the
// order they were added. Run it modally (runModal) or as a sheet on a window
// (beginSheetModalForWindow). Main thread only.
class MivAlert : public QDialog
{
    Q_OBJECT

public:
    enum class Style { Warning, Informational, Critical };

    // The answer of the first button; the n-th answers kFirstButtonReturn + n.
    static constexpr int kFirstButtonReturn = 1000;
    static constexpr int kSecondButtonReturn = 1001;
    static constexpr int kThirdButtonReturn = 1002;

    explicit MivAlert(QWidget* parent = nullptr);
    ~MivAlert() override;

    QString messageText() const;
    void setMessageText(const QString& text);
    QString informativeText() const;
    void setInformativeText(const QString& text);
    Style alertStyle() const { return m_style; }
    void setAlertStyle(Style style);

    // Buttons are laid out right to left, the first at the right as the
    // default. The button is owned by the alert.
    QPushButton* addButtonWithTitle(const QString& title);
    const QList<QPushButton*>& buttons() const { return m_buttons; }

    // Return presses the button at returnIndex, Escape the one at
    // escapeIndex; -1 binds nothing.
    void setReturnButton(int index);
    void setEscapeButton(int index);
    int returnButton() const { return m_returnIndex; }
    int escapeButton() const { return m_escapeIndex; }

    // Shown between the texts and the buttons; owned by the alert.
    void setAccessoryView(QWidget* view);
    QWidget* accessoryView() const { return m_accessory; }

    // Shows the alert application-modal and answers the pressed button's code.
    int runModal();
    // Shows the alert modal to the window only; the completion runs with the
    // pressed button's code once it is closed. Without a window it runs as
    // an application-modal alert that does not block the caller.
    void beginSheetModalForWindow(QWidget* window, std::function<void(int)> completion);

    void reject() override;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void pressButton(int index);
    void updateIcon();

    QLabel* m_icon = nullptr;
    QLabel* m_message = nullptr;
    QLabel* m_informative = nullptr;
    QVBoxLayout* m_textColumn = nullptr;
    QHBoxLayout* m_buttonRow = nullptr;
    QWidget* m_accessory = nullptr;
    QList<QPushButton*> m_buttons;
    Style m_style = Style::Warning;
    int m_returnIndex = 0;
    int m_escapeIndex = -1;
};
