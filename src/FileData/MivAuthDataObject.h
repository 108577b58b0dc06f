#pragma once

#include <QString>

#include <memory>
#include <mutex>

// The credentials record that travels between a remote back-end that needs a
// log-in and the application's credentials dialog: the realm it is asked for
// (a server URL without user and password), the user, the password and
// whether the user wants the password kept. The dialog fills it on the main
// thread while the asking thread waits, so each field is read and written
// under the record's lock.
class MivAuthDataObject
{
public:
    MivAuthDataObject() = default;

    QString realm() const;
    void setRealm(const QString& realm);
    QString user() const;
    void setUser(const QString& user);
    QString password() const;
    void setPassword(const QString& password);
    bool rememberPassword() const;
    void setRememberPassword(bool rememberPassword);

private:
    mutable std::mutex m_mutex;
    QString m_realm;
    QString m_user;
    QString m_password;
    bool m_rememberPassword = false;
};

using MivAuthDataObjectPtr = std::shared_ptr<MivAuthDataObject>;
