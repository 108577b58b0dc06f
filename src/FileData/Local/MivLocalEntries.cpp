#include "FileData/Local/MivLocalEntries.h"

#include "platform/Error.h"
#include "platform/Log.h"
#include "platform/Path.h"
#include "platform/PosixError.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

constexpr int kMaxTemporaryNames = 1000;

} // namespace

int MivLocalEntries::renameNoReplace(const QString& from, const QString& to)
{
    return plat::Path::renameNoReplaceOrCheck(from, to) == 0 ? 0 : errno;
}

// Moves the entry to a free name beside it, starting with "<path><suffix>";
// answers that name, or a null string with the errno.
QString MivLocalEntries::moveAside(const QString& path, const QString& suffix, int* err)
{
    for (int attempt = 1; attempt <= kMaxTemporaryNames; ++attempt) {
        const QString aside = attempt == 1 ? path + suffix : path + suffix + QLatin1Char('.') + QString::number(attempt);
        *err = renameNoReplace(path, aside);
        if (*err == 0)
            return aside;
        if (*err != EEXIST)
            return QString();
    }
    return QString();
}

// Removes an entry and, for a folder, everything inside it, without ever
// following a link; the first failure's errno (the rest is still removed).
int MivLocalEntries::removeEntryAt(int folderFd, const char* name)
{
    if (::unlinkat(folderFd, name, 0) == 0)
        return 0;
    if (errno != EISDIR && errno != EPERM)
        return errno;
    const int unlinkError = errno;
    struct stat info {};
    if (::fstatat(folderFd, name, &info, AT_SYMLINK_NOFOLLOW) != 0)
        return errno;
    if (!S_ISDIR(info.st_mode))
        return unlinkError;
    const int fd = ::openat(folderFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return errno;
    DIR* folder = ::fdopendir(fd);
    if (!folder) {
        const int err = errno;
        ::close(fd);
        return err;
    }
    int firstError = 0;
    while (const struct dirent* entry = ::readdir(folder)) {
        if (::strcmp(entry->d_name, ".") == 0 || ::strcmp(entry->d_name, "..") == 0)
            continue;
        const int err = removeEntryAt(::dirfd(folder), entry->d_name);
        if (err && !firstError)
            firstError = err;
    }
    ::closedir(folder);
    if (firstError)
        return firstError;
    return ::unlinkat(folderFd, name, AT_REMOVEDIR) == 0 ? 0 : errno;
}

int MivLocalEntries::removeEntry(const QString& path)
{
    if (!plat::Path::isNameable(path) || path.isEmpty())
        return EINVAL;
    return removeEntryAt(AT_FDCWD, plat::Path::toNative(path).constData());
}

// Puts the source in the target's place, whatever the target is: a plain
// rename where the kernel allows it; otherwise (a folder over a file, a
// file over a folder, over a folder with content) the old target is moved
// aside first and removed only once the source stands in its place.
int MivLocalEntries::replaceEntry(const QString& from, const QString& to)
{
    const QByteArray source = plat::Path::toNative(from);
    const QByteArray target = plat::Path::toNative(to);
    if (::rename(source.constData(), target.constData()) == 0)
        return 0;
    const int err = errno;
    if (err != EISDIR && err != ENOTDIR && err != ENOTEMPTY && err != EEXIST)
        return err;
    int asideError = 0;
    const QString aside = moveAside(to, QStringLiteral(".miv-old"), &asideError);
    if (aside.isNull())
        return asideError;
    if (::rename(source.constData(), target.constData()) != 0) {
        const int moveError = errno;
        renameNoReplace(aside, to);
        return moveError;
    }
    if (const int removeError = removeEntry(aside)) {
        const plat::Error failure = plat::errorFromErrno(removeError, plat::FileAccess::Writing, aside);
        MIV_LOG_ERROR(QStringLiteral("Cannot remove replaced item: %1").arg(failure.description()));
    }
    return 0;
}

