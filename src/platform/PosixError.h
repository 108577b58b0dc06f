#pragma once

#include "platform/Error.h"

#include <QString>

namespace plat {

// The codes that callers branch on keep the platform's names.
namespace cocoa {
inline constexpr qint64 NSFileNoSuchFileError = 4;
inline constexpr qint64 NSFileReadNoPermissionError = 257;
inline constexpr qint64 NSFileReadNoSuchFileError = 260;
inline constexpr qint64 NSFileWriteNoPermissionError = 513;
inline constexpr qint64 NSFileWriteFileExistsError = 516;
inline constexpr qint64 NSFileWriteOutOfSpaceError = 640;
} // namespace cocoa

// Status codes (signed 32-bit) that the program raises and tests.
namespace osstatus {
inline constexpr qint32 noErr = 0;
inline constexpr qint32 dskFulErr = -34;
inline constexpr qint32 bdNamErr = -37;
inline constexpr qint32 fnfErr = -43;
inline constexpr qint32 paramErr = -50;
inline constexpr qint32 dupFNErr = -48;
inline constexpr qint32 userCanceledErr = -128;
inline constexpr qint32 afpAccessDenied = -5000;
inline constexpr qint32 ioErr = -36;

// Statuses of launching an application.
inline constexpr qint32 kLSUnknownErr = -10810;
inline constexpr qint32 kLSApplicationNotFoundErr = -10814;

// Statuses of the keychain store.
inline constexpr qint32 errSecSuccess = 0;
inline constexpr qint32 errSecIO = -36;
inline constexpr qint32 errSecParam = -50;
inline constexpr qint32 errSecAllocate = -108;
inline constexpr qint32 errSecUserCanceled = -128;
inline constexpr qint32 errSecAuthFailed = -25293;
inline constexpr qint32 errSecNoSuchKeychain = -25294;
inline constexpr qint32 errSecDuplicateItem = -25299;
inline constexpr qint32 errSecItemNotFound = -25300;
inline constexpr qint32 errSecInteractionNotAllowed = -25308;
inline constexpr qint32 errSecDecode = -26275;
} // namespace osstatus

// What a failed call was doing with the file: the same errno means a
// different error to callers when reading than when writing.
enum class FileAccess { Reading, Writing, Other };

// The error for an errno from a file call. ENOENT, EACCES, EPERM, EEXIST and
// ENOSPC become the file errors callers branch on, with the POSIX error as
// the underlying error; every other errno (EXDEV among them) stays a POSIX
// error. The description is the system's text for the errno, after the path
// when one is given; the path is kept under kFilePathErrorKey.
Error errorFromErrno(int err, FileAccess access, const QString& path = {});

// A POSIX-domain error for an errno, described by the system's text.
Error posixError(int err, const QString& path = {});

// The status of the file operations for an errno: ENOENT -43; EACCES, EPERM
// and EROFS -5000; EEXIST -48; ENOSPC -34; ECANCELED -128; any other -36
// (whose text is the errno's, from the error that carried it).
qint32 statusFromErrno(int err);
// The same for an error of this table (its POSIX error underneath), a status
// error (its code) or none (0).
qint32 statusFromError(const Error& error);

// The system's text for an errno ("No such file or directory").
QString errnoText(int err);

// The symbolic name and the comment of a status; empty when unknown.
QString statusName(qint32 status);
QString statusComment(qint32 status);

// The keychain store's message for one of its statuses; empty when unknown.
QString securityStatusMessage(qint32 status);

} // namespace plat
