#include "app/plugins/MivSvnAuthWindowController.h"

#include "FileData/MivExec.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

MivSvnAuthWindowController::MivSvnAuthWindowController(QObject* parent) : MivModalWindowController(parent) {}

MivSvnAuthWindowController::~MivSvnAuthWindowController() = default;

void MivSvnAuthWindowController::loadWindow(QWidget* window)
{
    window->setWindowTitle(tr("Authentication"));
    auto* layout = new QVBoxLayout(window);
    m_realm = new QLabel(window);
    m_realm->setWordWrap(true);
    layout->addWidget(m_realm);
    auto* form = new QFormLayout;
    m_userLabel = new QLabel(tr("User name:"), window);
    m_user = new QLineEdit(window);
    m_user->setObjectName(QStringLiteral("userName"));
    form->addRow(m_userLabel, m_user);
    m_password = new QLineEdit(window);
    m_password->setObjectName(QStringLiteral("password"));
    m_password->setEchoMode(QLineEdit::Password);
    form->addRow(tr("Password:"), m_password);
    m_remember = new QCheckBox(tr("Remember password"), window);
    form->addRow(QString(), m_remember);
    layout->addLayout(form);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, window);
    connect(buttons, &QDialogButtonBox::accepted, this, &MivModalWindowController::okAction);
    connect(buttons, &QDialogButtonBox::rejected, this, &MivModalWindowController::cancelAction);
    layout->addWidget(buttons);
}

void MivSvnAuthWindowController::setUserNameVisible(bool visible)
{
    m_userNameVisible = visible;
    window();
    m_userLabel->setVisible(visible);
    m_user->setVisible(visible);
}

int MivSvnAuthWindowController::showWindowForCredentials(const MivAuthDataObjectPtr& credentials)
{
    m_credentials = credentials;
    window();
    if (credentials) {
        m_realm->setText(credentials->realm());
        m_user->setText(credentials->user());
        m_password->setText(credentials->password());
        m_remember->setChecked(credentials->rememberPassword());
    }
    (m_userNameVisible && m_user->text().isEmpty() ? m_user : m_password)->setFocus();
    return showModal();
}

void MivSvnAuthWindowController::processResult(int response)
{
    if (response != kResponseStop || !m_credentials)
        return;
    if (m_userNameVisible)
        m_credentials->setUser(m_user->text());
    m_credentials->setPassword(m_password->text());
    m_credentials->setRememberPassword(m_remember->isChecked());
    // The typed password stays in the record only.
    m_password->clear();
}

MivAuthDataObjectPtr MivSvnAuthWindowController::authenticate(const MivAuthDataObjectPtr& credentials,
                                                              bool showUserData)
{
    if (!credentials)
        return nullptr;
    int response = kResponseStop;
    MivExec::runOnMainThread([&] {
        MivSvnAuthWindowController dialog;
        dialog.setUserNameVisible(showUserData);
        response = dialog.showWindowForCredentials(credentials);
    });
    return response == kResponseStop ? credentials : nullptr;
}
