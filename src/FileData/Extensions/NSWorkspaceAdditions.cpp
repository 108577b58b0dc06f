#include "FileData/Extensions/NSWorkspaceAdditions.h"

#include "FileData/Extensions/StringExtensions.h"
#include "platform/Path.h"
#include "platform/PosixError.h"

#include "platform/DesktopEntry.h"
#include "platform/Log.h"
#include "platform/Process.h"

#include <cerrno>

#include <sys/stat.h>

namespace NSWorkspaceAdditions {

namespace {

plat::Error statusError(qint64 status, const QString& path, const plat::Error& underlying = {})
{
    QVariantMap info;
    info.insert(QLatin1String(plat::kFilePathErrorKey), path);
    plat::Error error(QString::fromLatin1(plat::kOSStatusErrorDomain), status, info);
    return underlying ? error.withUnderlyingError(underlying) : error;
}

// The launch status for a failure of the launcher below.
qint64 launchStatus(const plat::Error& error)
{
    if (error.domain() == QLatin1String(plat::kPosixErrorDomain)) {
        if (error.code() == ENOENT)
            return plat::osstatus::kLSApplicationNotFoundErr;
        if (error.code() == EACCES || error.code() == EPERM)
            return plat::osstatus::afpAccessDenied;
    }
    return plat::osstatus::kLSUnknownErr;
}

} // namespace

bool launchApplicationAtPath(const QString& path, const QStringList& arguments, plat::Error* error)
{
    plat::Error::clear(error);
    if (path.isEmpty())
        return false;

    // Turning the path into a file reference fails when nothing is there;
    // that error is the caller's.
    if (!StringExtensions::getFSRef(path, error))
        return false;
    struct stat info {};
    plat::Path::stat(path, &info);

    plat::Error failure;
    bool launched = false;
    if (plat::DesktopEntry::isDesktopEntryPath(path) && S_ISREG(info.st_mode)) {
        if (const auto entry = plat::DesktopEntry::load(path, &failure))
            launched = !entry->launch(arguments, &failure).empty();
    } else {
        plat::Process process(path, arguments);
        launched = process.start(&failure);
    }
    if (launched)
        return true;

    const qint64 status = launchStatus(failure);
    MIV_LOG_INFO(QStringLiteral("[%1 %2] LSOpenApplication() returned %3 for %4")
                     .arg(QStringLiteral("NSWorkspaceAdditions"), QStringLiteral("launchApplicationAtPath"))
                     .arg(status)
                     .arg(path));
    plat::Error::assign(error, statusError(status, path, failure));
    return false;
}

} // namespace NSWorkspaceAdditions
