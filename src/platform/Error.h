#pragma once

#include <QMetaType>
#include <QString>
#include <QVariantMap>

#include <optional>

namespace plat {

// Domains of errors raised by the platform layer itself. The program's own
// domains are defined next to the code that raises them.
inline constexpr const char* kPosixErrorDomain = "NSPOSIXErrorDomain";
inline constexpr const char* kCocoaErrorDomain = "NSCocoaErrorDomain";
inline constexpr const char* kOSStatusErrorDomain = "NSOSStatusErrorDomain";
inline constexpr const char* kUrlErrorDomain = "NSURLErrorDomain";

// Keys of an error's user information that callers test for.
inline constexpr const char* kLocalizedDescriptionKey = "NSLocalizedDescription";
inline constexpr const char* kUnderlyingErrorKey = "NSUnderlyingError";
inline constexpr const char* kFilePathErrorKey = "NSFilePath";

// An error value: domain, signed code and user information. The underlying
// error, when there is one, sits in the user information under
// kUnderlyingErrorKey as a QVariant holding a plat::Error, so code that walks
// chains sees exactly what was stored there (which need not be an error).
class Error
{
public:
    Error() = default;
    Error(QString domain, qint64 code, QVariantMap userInfo = {});
    Error(QString domain, qint64 code, const QString& localizedDescription);

    bool isNull() const { return m_domain.isEmpty() && m_code == 0 && m_userInfo.isEmpty(); }
    explicit operator bool() const { return !isNull(); }

    const QString& domain() const { return m_domain; }
    qint64 code() const { return m_code; }
    const QVariantMap& userInfo() const { return m_userInfo; }

    // The description stored by whoever raised the error; when none was
    // stored, a generic text naming domain and code, as users expect to see
    // something in an alert.
    QString localizedDescription() const;
    bool hasLocalizedDescription() const;

    // The directly underlying error, when the user information holds one.
    std::optional<Error> underlyingError() const;
    Error withUnderlyingError(const Error& underlying) const;

    bool is(const char* domain, qint64 code) const;

    // "Error Domain=<domain> Code=<code> \"<description>\"", for logs.
    QString description() const;

    bool operator==(const Error& other) const;
    bool operator!=(const Error& other) const { return !(*this == other); }

    // Fills *out when the caller gave an out-parameter; the common idiom of
    // every fallible operation.
    static void assign(Error* out, const Error& error)
    {
        if (out)
            *out = error;
    }
    static void clear(Error* out)
    {
        if (out)
            *out = Error();
    }

private:
    QString m_domain;
    qint64 m_code = 0;
    QVariantMap m_userInfo;
};

} // namespace plat

Q_DECLARE_METATYPE(plat::Error)
