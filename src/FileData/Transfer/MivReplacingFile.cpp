#include "FileData/Transfer/MivReplacingFile.h"

#include "FileData/MivFileUtils.h"
#include "platform/Path.h"
#include "platform/PathString.h"
#include "platform/PosixError.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

MivReplacingFile::MivReplacingFile(QString targetPath)
    : m_target(std::move(targetPath))
{
}

MivReplacingFile::~MivReplacingFile() { discard(); }

bool MivReplacingFile::open(plat::Error* error)
{
    discard();
    const QString folder = plat::PathString::deletingLastPathComponent(m_target);
    m_temporary = plat::PathString::appendingPathComponent(
        folder.isEmpty() ? QStringLiteral(".") : folder,
        QStringLiteral("%1-%2").arg(QLatin1String(MivFileUtils::kTemporaryPrefix), MivFileUtils::calculateUUID()));
    // Created as any new file (the umask applies); an existing target's
    // permissions, and its owner where we may give it, are kept.
    m_fd = plat::Path::open(m_temporary, O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0666);
    if (m_fd < 0) {
        plat::Error::assign(error, plat::errorFromErrno(errno, plat::FileAccess::Writing, m_target));
        m_temporary.clear();
        return false;
    }
    m_keptMode.reset();
    struct stat existing;
    if (plat::Path::stat(m_target, &existing) == 0 && S_ISREG(existing.st_mode)) {
        if (::fchown(m_fd, existing.st_uid, existing.st_gid) != 0)
            ::fchown(m_fd, uid_t(-1), existing.st_gid);
        // Readable and writable as the target until the bytes are in; the
        // full mode, set-id bits included, comes at commit.
        m_keptMode = existing.st_mode & 07777;
        ::fchmod(m_fd, *m_keptMode & 0777);
    }
    return true;
}

bool MivReplacingFile::write(const char* bytes, qint64 length, plat::Error* error)
{
    while (length > 0) {
        const ssize_t n = ::write(m_fd, bytes, size_t(length));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            plat::Error::assign(error, plat::errorFromErrno(errno, plat::FileAccess::Writing, m_target));
            return false;
        }
        bytes += n;
        length -= n;
    }
    return true;
}

bool MivReplacingFile::copyFrom(int sourceFd, plat::Error* error)
{
    constexpr size_t kKernelChunk = size_t(1) << 30;
    for (;;) {
        const ssize_t n = ::copy_file_range(sourceFd, nullptr, m_fd, nullptr, kKernelChunk, 0);
        if (n == 0)
            return true;
        if (n > 0)
            continue;
        if (errno == EINTR)
            continue;
        // Across file systems (EXDEV), or where the kernel or the file
        // system has no such copy: the same bytes through a buffer. Nothing
        // was written by the failed call, so the offsets still agree.
        if (errno == EXDEV || errno == EINVAL || errno == EOPNOTSUPP || errno == ENOSYS)
            break;
        plat::Error::assign(error, plat::errorFromErrno(errno, plat::FileAccess::Writing, m_target));
        return false;
    }
    std::vector<char> buffer(size_t(1) << 20);
    for (;;) {
        const ssize_t n = ::read(sourceFd, buffer.data(), buffer.size());
        if (n == 0)
            return true;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            plat::Error::assign(error, plat::errorFromErrno(errno, plat::FileAccess::Reading));
            return false;
        }
        if (!write(buffer.data(), n, error))
            return false;
    }
}

bool MivReplacingFile::commit(plat::Error* error)
{
    if (m_fd < 0) {
        plat::Error::assign(error, plat::errorFromErrno(EBADF, plat::FileAccess::Writing, m_target));
        return false;
    }
    plat::Error failure;
    if (m_keptMode)
        ::fchmod(m_fd, *m_keptMode);
    if (::fsync(m_fd) != 0)
        failure = plat::errorFromErrno(errno, plat::FileAccess::Writing, m_target);
    // A full volume may only show at close on some file systems.
    const int fd = std::exchange(m_fd, -1);
    if (::close(fd) != 0 && !failure)
        failure = plat::errorFromErrno(errno, plat::FileAccess::Writing, m_target);
    if (!failure
        && plat::Path::rename(m_temporary, m_target) != 0)
        failure = plat::errorFromErrno(errno, plat::FileAccess::Writing, m_target);
    if (failure) {
        discard();
        plat::Error::assign(error, failure);
        return false;
    }
    m_temporary.clear();
    return true;
}

void MivReplacingFile::discard()
{
    if (m_fd >= 0)
        ::close(std::exchange(m_fd, -1));
    if (!m_temporary.isEmpty())
        ::unlink(plat::Path::toNative(std::exchange(m_temporary, QString())).constData());
}
