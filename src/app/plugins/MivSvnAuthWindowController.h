#pragma once

#include "FileData/MivAuthDataObject.h"
#include "app/dialogs/MivModalWindowController.h"

class QCheckBox;
class QLabel;
class QLineEdit;

// Asks for the user name and password of a realm (a server, a repository).
// On OK the record handed in is filled in; Cancel leaves it as it was.
class MivSvnAuthWindowController : public MivModalWindowController
{
    Q_OBJECT

public:
    explicit MivSvnAuthWindowController(QObject* parent = nullptr);
    ~MivSvnAuthWindowController() override;

    // Whether the user-name row is shown.
    void setUserNameVisible(bool visible);
    // Runs the dialog application-modally for the record; the response code.
    int showWindowForCredentials(const MivAuthDataObjectPtr& credentials);

    // The GUI handler's credentials prompt: the record filled in on OK,
    // else null. Any thread; the dialog runs on the GUI thread.
    static MivAuthDataObjectPtr authenticate(const MivAuthDataObjectPtr& credentials, bool showUserData);

    QLineEdit* userField() const { return m_user; }
    QLineEdit* passwordField() const { return m_password; }
    QCheckBox* rememberField() const { return m_remember; }

    void processResult(int response) override;

protected:
    void loadWindow(QWidget* window) override;

private:
    MivAuthDataObjectPtr m_credentials;
    bool m_userNameVisible = true;
    QLabel* m_realm = nullptr;
    QLabel* m_userLabel = nullptr;
    QLineEdit* m_user = nullptr;
    QLineEdit* m_password = nullptr;
    QCheckBox* m_remember = nullptr;
};
