#include "platform/PosixError.h"

#include <cerrno>
#include <cstring>

namespace plat {

namespace {

struct ErrnoMapping
{
    int err;
    qint64 readingCode;
    qint64 writingCode;
    qint64 otherCode;
    qint32 status;
};

// The one place that decides which errno becomes which file error. Every
// errno not listed stays a POSIX error (EXDEV keeps its 18, which callers test).
constexpr ErrnoMapping kErrnoMappings[] = {
    {ENOENT, cocoa::NSFileReadNoSuchFileError, cocoa::NSFileNoSuchFileError, cocoa::NSFileNoSuchFileError,
     osstatus::fnfErr},
    {EACCES, cocoa::NSFileReadNoPermissionError, cocoa::NSFileWriteNoPermissionError, cocoa::NSFileWriteNoPermissionError,
     osstatus::afpAccessDenied},
    {EPERM, cocoa::NSFileReadNoPermissionError, cocoa::NSFileWriteNoPermissionError, cocoa::NSFileWriteNoPermissionError,
     osstatus::afpAccessDenied},
    {EEXIST, cocoa::NSFileWriteFileExistsError, cocoa::NSFileWriteFileExistsError, cocoa::NSFileWriteFileExistsError,
     osstatus::dupFNErr},
    {ENOSPC, cocoa::NSFileWriteOutOfSpaceError, cocoa::NSFileWriteOutOfSpaceError, cocoa::NSFileWriteOutOfSpaceError,
     osstatus::dskFulErr},
};

struct StatusEntry
{
    qint32 status;
    const char* name;
    const char* comment;
};

constexpr StatusEntry kStatuses[] = {
    {osstatus::noErr, "noErr", "No error"},
    {osstatus::fnfErr, "fnfErr", "File not found"},
    {osstatus::dupFNErr, "dupFNErr", "duplicate filename (rename)"},
    {osstatus::dskFulErr, "dskFulErr", "Disk full"},
    {osstatus::ioErr, "ioErr", "I/O error"},
    {osstatus::bdNamErr, "bdNamErr", "Bad file name"},
    {osstatus::paramErr, "paramErr", "Invalid parameter"},
    {osstatus::userCanceledErr, "userCanceledErr", "The user canceled the operation"},
    {osstatus::afpAccessDenied, "afpAccessDenied", "Insufficient access privileges for operation"},
};

struct SecurityEntry
{
    qint32 status;
    const char* message;
};

constexpr SecurityEntry kSecurityStatuses[] = {
    {osstatus::errSecSuccess, "No error."},
    {osstatus::errSecIO, "I/O error."},
    {osstatus::errSecParam, "One or more parameters passed to a function were not valid."},
    {osstatus::errSecAllocate, "Failed to allocate memory."},
    {osstatus::errSecUserCanceled, "User canceled the operation."},
    {osstatus::errSecAuthFailed, "The user name or passphrase you entered is not correct."},
    {osstatus::errSecNoSuchKeychain, "The specified keychain could not be found."},
    {osstatus::errSecDuplicateItem, "The specified item already exists in the keychain."},
    {osstatus::errSecItemNotFound, "The specified item could not be found in the keychain."},
    {osstatus::errSecInteractionNotAllowed, "User interaction is not allowed."},
    {osstatus::errSecDecode, "Unable to decode the provided data."},
};

const StatusEntry* findStatus(qint32 status)
{
    for (const StatusEntry& entry : kStatuses) {
        if (entry.status == status)
            return &entry;
    }
    return nullptr;
}

QString describe(int err, const QString& path)
{
    const QString text = errnoText(err);
    return path.isEmpty() ? text : QStringLiteral("%1: %2").arg(path, text);
}

QVariantMap userInfo(int err, const QString& path)
{
    QVariantMap info;
    info.insert(QLatin1String(kLocalizedDescriptionKey), describe(err, path));
    if (!path.isEmpty())
        info.insert(QLatin1String(kFilePathErrorKey), path);
    return info;
}

} // namespace

QString errnoText(int err)
{
    char buffer[256];
    // GNU strerror_r: answers either buffer or a static text.
    const char* text = ::strerror_r(err, buffer, sizeof buffer);
    return QString::fromLocal8Bit(text);
}

Error posixError(int err, const QString& path)
{
    return Error(QLatin1String(kPosixErrorDomain), err, userInfo(err, path));
}

Error errorFromErrno(int err, FileAccess access, const QString& path)
{
    for (const ErrnoMapping& mapping : kErrnoMappings) {
        if (mapping.err != err)
            continue;
        const qint64 code = access == FileAccess::Reading ? mapping.readingCode
                            : access == FileAccess::Writing ? mapping.writingCode
                                                            : mapping.otherCode;
        return Error(QLatin1String(kCocoaErrorDomain), code, userInfo(err, path)).withUnderlyingError(posixError(err, path));
    }
    return posixError(err, path);
}

qint32 statusFromErrno(int err)
{
    // A read-only volume refuses as a permission does.
    if (err == EROFS)
        return osstatus::afpAccessDenied;
    if (err == ECANCELED)
        return osstatus::userCanceledErr;
    for (const ErrnoMapping& mapping : kErrnoMappings) {
        if (mapping.err == err)
            return mapping.status;
    }
    return osstatus::ioErr;
}

qint32 statusFromError(const Error& error)
{
    if (!error)
        return osstatus::noErr;
    if (error.domain() == QLatin1String(kOSStatusErrorDomain))
        return qint32(error.code());
    for (std::optional<Error> e = error; e; e = e->underlyingError()) {
        if (e->domain() == QLatin1String(kPosixErrorDomain))
            return statusFromErrno(int(e->code()));
    }
    return osstatus::ioErr;
}

QString statusName(qint32 status)
{
    const StatusEntry* entry = findStatus(status);
    return entry ? QString::fromLatin1(entry->name) : QString();
}

QString statusComment(qint32 status)
{
    const StatusEntry* entry = findStatus(status);
    return entry ? QString::fromLatin1(entry->comment) : QString();
}

QString securityStatusMessage(qint32 status)
{
    for (const SecurityEntry& entry : kSecurityStatuses) {
        if (entry.status == status)
            return QString::fromLatin1(entry.message);
    }
    return QString();
}

} // namespace plat
