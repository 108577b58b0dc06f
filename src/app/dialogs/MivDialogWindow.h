#pragma once

#include <QDialog>

#include <functional>

// The window of a modal dialog controller. Its accept and reject (Return on
// the default button, Escape) go to the controller's OK and Cancel actions
// instead of hiding the window, so every ending runs through the controller.
class MivDialogWindow : public QDialog
{
    Q_OBJECT

public:
    explicit MivDialogWindow(QWidget* parent = nullptr);
    ~MivDialogWindow() override;

    void setActions(std::function<void()> okAction, std::function<void()> cancelAction);

    void accept() override;
    void reject() override;

private:
    std::function<void()> m_okAction;
    std::function<void()> m_cancelAction;
};
