#include "app/dialogs/MivDialogWindow.h"

MivDialogWindow::MivDialogWindow(QWidget* parent) : QDialog(parent) {}

MivDialogWindow::~MivDialogWindow() = default;

void MivDialogWindow::setActions(std::function<void()> okAction, std::function<void()> cancelAction)
{
    m_okAction = std::move(okAction);
    m_cancelAction = std::move(cancelAction);
}

void MivDialogWindow::accept()
{
    if (m_okAction)
        m_okAction();
    else
        QDialog::accept();
}

void MivDialogWindow::reject()
{
    if (m_cancelAction)
        m_cancelAction();
    else
        QDialog::reject();
}
