#include "platform/ReplacingFile.h"

#include "platform/Path.h"
#include "platform/PathString.h"
#include "platform/PosixError.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QUuid>

#include <vector>

namespace plat {

ReplacingFile::ReplacingFile(QString targetPath)
    : m_target(std::move(targetPath))
{
}

ReplacingFile::~ReplacingFile() { discard(); }

bool ReplacingFile::open(Error* error)
{
    discard();
    m_temporary = temporaryPathIn(PathString::deletingLastPathComponent(m_target));
    // Created as any new file (the umask applies); an existing target's
    // permissions, and its owner where we may give it, are kept.
    m_fd = Path::open(m_temporary, O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0666);
    if (m_fd < 0) {
        Error::assign(error, errorFromErrno(errno, FileAccess::Writing, m_target));
        m_temporary.clear();
        return false;
    }
    m_keptMode.reset();
    struct stat existing;
    if (Path::stat(m_target, &existing) == 0 && S_ISREG(existing.st_mode)) {
        if (::fchown(m_fd, existing.st_uid, existing.st_gid) != 0)
            ::fchown(m_fd, uid_t(-1), existing.st_gid);
        // Readable and writable as the target until the bytes are in; the
        // full mode, set-id bits included, comes at commit.
        m_keptMode = existing.st_mode & 07777;
        ::fchmod(m_fd, *m_keptMode & 0777);
    }
    return true;
}

bool ReplacingFile::write(const char* bytes, qint64 length, Error* error)
{
    while (length > 0) {
        const ssize_t n = ::write(m_fd, bytes, size_t(length));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            Error::assign(error, errorFromErrno(errno, FileAccess::Writing, m_target));
            return false;
        }
        bytes += n;
        length -= n;
    }
    return true;
}

QString ReplacingFile::temporaryPathIn(const QString& folder)
{
    // Upper case, as the platform writes UUIDs.
    return PathString::appendingPathComponent(
        folder.isEmpty() ? QStringLiteral(".") : folder,
        QStringLiteral("%1-%2").arg(QLatin1String(kTemporaryPrefix),
                                    QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper()));
}

bool ReplacingFile::copyBytes(int sourceFd, int targetFd, const QString& targetPath, const Progress& progress,
                              Error* error)
{
    // Chunks small enough that a cancel is seen within a fraction of a
    // second, large enough that the kernel copies at full speed.
    constexpr size_t kKernelChunk = size_t(8) << 20;
    qint64 copied = 0;
    const auto fail = [&](int err, FileAccess access) {
        Error::assign(error, errorFromErrno(err, access, access == FileAccess::Writing ? targetPath : QString()));
        errno = err;
        return false;
    };
    const auto advance = [&](qint64 n) {
        copied += n;
        return !progress || progress(copied);
    };
    bool kernel = true;
    while (kernel) {
        const ssize_t n = ::copy_file_range(sourceFd, nullptr, targetFd, nullptr, kKernelChunk, 0);
        if (n == 0)
            return true;
        if (n > 0) {
            if (!advance(n))
                return fail(ECANCELED, FileAccess::Other);
            continue;
        }
        if (errno == EINTR)
            continue;
        // Across file systems (EXDEV), or where the kernel or the file
        // system has no such copy: the same bytes through a buffer. Nothing
        // was written by the failed call, so the offsets still agree.
        if (errno == EXDEV || errno == EINVAL || errno == EOPNOTSUPP || errno == ENOSYS)
            kernel = false;
        else
            return fail(errno, FileAccess::Writing);
    }
    std::vector<char> buffer(size_t(1) << 20);
    for (;;) {
        const ssize_t n = ::read(sourceFd, buffer.data(), buffer.size());
        if (n == 0)
            return true;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return fail(errno, FileAccess::Reading);
        }
        for (ssize_t done = 0; done < n;) {
            const ssize_t w = ::write(targetFd, buffer.data() + done, size_t(n - done));
            if (w < 0) {
                if (errno == EINTR)
                    continue;
                return fail(errno, FileAccess::Writing);
            }
            done += w;
        }
        if (!advance(n))
            return fail(ECANCELED, FileAccess::Other);
    }
}

bool ReplacingFile::copyFrom(int sourceFd, Error* error, const Progress& progress)
{
    return copyBytes(sourceFd, m_fd, m_target, progress, error);
}

bool ReplacingFile::commit(Error* error, Replacement replacement)
{
    if (m_fd < 0) {
        Error::assign(error, errorFromErrno(EBADF, FileAccess::Writing, m_target));
        return false;
    }
    Error failure;
    if (m_keptMode)
        ::fchmod(m_fd, *m_keptMode);
    if (::fsync(m_fd) != 0)
        failure = errorFromErrno(errno, FileAccess::Writing, m_target);
    // A full volume may only show at close on some file systems.
    const int fd = std::exchange(m_fd, -1);
    if (::close(fd) != 0 && !failure)
        failure = errorFromErrno(errno, FileAccess::Writing, m_target);
    if (!failure
        && (replacement == Replacement::Replace ? Path::rename(m_temporary, m_target)
                                                : Path::renameNoReplace(m_temporary, m_target))
               != 0)
        failure = errorFromErrno(errno, FileAccess::Writing, m_target);
    if (failure) {
        discard();
        Error::assign(error, failure);
        return false;
    }
    m_temporary.clear();
    return true;
}

void ReplacingFile::discard()
{
    if (m_fd >= 0)
        ::close(std::exchange(m_fd, -1));
    if (!m_temporary.isEmpty())
        ::unlink(Path::toNative(std::exchange(m_temporary, QString())).constData());
}

} // namespace plat
