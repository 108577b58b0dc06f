#include "FileData/MivAuthDataObject.h"

QString MivAuthDataObject::realm() const
{
    std::lock_guard lock(m_mutex);
    return m_realm;
}

void MivAuthDataObject::setRealm(const QString& realm)
{
    std::lock_guard lock(m_mutex);
    m_realm = realm;
}

QString MivAuthDataObject::user() const
{
    std::lock_guard lock(m_mutex);
    return m_user;
}

void MivAuthDataObject::setUser(const QString& user)
{
    std::lock_guard lock(m_mutex);
    m_user = user;
}

QString MivAuthDataObject::password() const
{
    std::lock_guard lock(m_mutex);
    return m_password;
}

void MivAuthDataObject::setPassword(const QString& password)
{
    std::lock_guard lock(m_mutex);
    m_password = password;
}

bool MivAuthDataObject::rememberPassword() const
{
    std::lock_guard lock(m_mutex);
    return m_rememberPassword;
}

void MivAuthDataObject::setRememberPassword(bool rememberPassword)
{
    std::lock_guard lock(m_mutex);
    m_rememberPassword = rememberPassword;
}
