#include "platform/Error.h"

namespace plat {

Error::Error(QString domain, qint64 code, QVariantMap userInfo)
    : m_domain(std::move(domain)), m_code(code), m_userInfo(std::move(userInfo))
{
}

Error::Error(QString domain, qint64 code, const QString& localizedDescription)
    : m_domain(std::move(domain)), m_code(code)
{
    m_userInfo.insert(QLatin1String(kLocalizedDescriptionKey), localizedDescription);
}

bool Error::hasLocalizedDescription() const
{
    return m_userInfo.contains(QLatin1String(kLocalizedDescriptionKey));
}

QString Error::localizedDescription() const
{
    const auto it = m_userInfo.constFind(QLatin1String(kLocalizedDescriptionKey));
    if (it != m_userInfo.constEnd())
        return it->toString();
    return QStringLiteral("The operation couldn\u2019t be completed. (%1 error %2.)").arg(m_domain).arg(m_code);
}

std::optional<Error> Error::underlyingError() const
{
    const auto it = m_userInfo.constFind(QLatin1String(kUnderlyingErrorKey));
    if (it == m_userInfo.constEnd() || !it->canConvert<Error>() || it->metaType() != QMetaType::fromType<Error>())
        return std::nullopt;
    return it->value<Error>();
}

Error Error::withUnderlyingError(const Error& underlying) const
{
    Error copy = *this;
    copy.m_userInfo.insert(QLatin1String(kUnderlyingErrorKey), QVariant::fromValue(underlying));
    return copy;
}

bool Error::is(const char* domain, qint64 code) const
{
    return m_code == code && m_domain == QLatin1String(domain);
}

QString Error::description() const
{
    return QStringLiteral("Error Domain=%1 Code=%2 \"%3\"").arg(m_domain).arg(m_code).arg(localizedDescription());
}

bool Error::operator==(const Error& other) const
{
    return m_domain == other.m_domain && m_code == other.m_code && m_userInfo == other.m_userInfo;
}

} // namespace plat
