#include "FileData/Extensions/StringExtensions.h"

#include "platform/Path.h"
#include "platform/PosixError.h"
#include "platform/Error.h"
#include "platform/RegularExpression.h"
#include "platform/NoDestructor.h"

#include <QCoreApplication>

#include <cerrno>
#include <memory>
#include <stdexcept>
#include <sys/stat.h>

namespace StringExtensions {

bool getFSRef(const QString& string, plat::Error* error)
{
    plat::Error::clear(error);
    struct stat info {};
    if (!string.isEmpty() && plat::Path::stat(string, &info) == 0)
        return true;
    const int code = string.isEmpty() ? ENOENT : errno;
    const plat::Error posix = plat::posixError(code);
    QVariantMap userInfo;
    userInfo.insert(QLatin1String(plat::kFilePathErrorKey), string);
    plat::Error::assign(error, plat::Error(QLatin1String(plat::kOSStatusErrorDomain), plat::osstatus::fnfErr, userInfo)
                                   .withUnderlyingError(posix));
    return false;
}

QString stringBySeparatingCapitalizedWords(const QString& string)
{
    // Compiled once for the process; a failure is a programming error.
    static const plat::NoDestructor<std::unique_ptr<plat::RegularExpression>> upperCase([] {
        plat::Error error;
        auto expression = std::make_unique<plat::RegularExpression>(QStringLiteral("[\\p{Uppercase Letter}]"), 0, &error);
        if (!expression->isValid())
            throw std::runtime_error(error.description().toStdString());
        return expression;
    }());
    if (string.size() < 2)
        return string;
    return (*upperCase)->replaceAll(string, QStringLiteral(" $0"), 1);
}

} // namespace StringExtensions
