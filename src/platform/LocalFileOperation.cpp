#include "platform/LocalFileOperation.h"

#include "platform/ConcurrentQueue.h"
#include "platform/Log.h"
#include "platform/Path.h"
#include "platform/PathString.h"
#include "platform/PosixError.h"
#include "platform/Qos.h"
#include "platform/ReplacingFile.h"
#include "platform/RunLoop.h"
#include "platform/Trash.h"

#include <QByteArray>

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <exception>
#include <vector>

namespace plat {

struct LocalFileOperation::Report
{
    QString path;
    quint32 stage = Undefined;
    qint32 status = 0;
    QVariantMap dictionary;
    bool final = false;
};

namespace {

QByteArray joined(const QByteArray& folder, const QByteArray& name)
{
    return folder.endsWith('/') ? folder + name : folder + '/' + name;
}

// A failure inside the tree: errno and the path it happened at.
struct Failure
{
    int err = 0;
    QByteArray path;
};

// Closes a descriptor at the end of a scope.
struct ScopedFd
{
    int fd = -1;
    ~ScopedFd()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

// Removes a tree without following links; answers 0 or an errno. Goes on
// past entries it cannot remove, so as much goes as may.
int removeTree(const QByteArray& path)
{
    struct stat info;
    if (::lstat(path.constData(), &info) != 0)
        return errno == ENOENT ? 0 : errno;
    if (!S_ISDIR(info.st_mode))
        return ::unlink(path.constData()) == 0 || errno == ENOENT ? 0 : errno;
    int result = 0;
    if (DIR* dir = ::opendir(path.constData())) {
        std::vector<QByteArray> names;
        while (dirent* entry = ::readdir(dir)) {
            const char* name = entry->d_name;
            if (qstrcmp(name, ".") != 0 && qstrcmp(name, "..") != 0)
                names.emplace_back(name);
        }
        ::closedir(dir);
        for (const QByteArray& name : names) {
            if (const int err = removeTree(joined(path, name)); err && !result)
                result = err;
        }
    } else {
        result = errno;
    }
    if (::rmdir(path.constData()) != 0 && !result)
        result = errno;
    return result;
}

// Extended attributes from one entry to another; what the target's file
// system does not take is left out quietly (it is no reason to fail a copy).
void copyAttributes(const QByteArray& from, const QByteArray& to, int fromFd, int toFd)
{
    const auto list = [&](char* buffer, size_t size) {
        return fromFd >= 0 ? ::flistxattr(fromFd, buffer, size) : ::llistxattr(from.constData(), buffer, size);
    };
    const ssize_t size = list(nullptr, 0);
    if (size <= 0)
        return;
    QByteArray names(size, '\0');
    const ssize_t got = list(names.data(), size_t(names.size()));
    if (got <= 0)
        return;
    for (const QByteArray& name : names.left(got).split('\0')) {
        if (name.isEmpty())
            continue;
        const auto get = [&](void* buffer, size_t n) {
            return fromFd >= 0 ? ::fgetxattr(fromFd, name.constData(), buffer, n)
                               : ::lgetxattr(from.constData(), name.constData(), buffer, n);
        };
        const ssize_t valueSize = get(nullptr, 0);
        if (valueSize < 0)
            continue;
        QByteArray value(valueSize, '\0');
        const ssize_t valueGot = get(value.data(), size_t(value.size()));
        if (valueGot < 0)
            continue;
        if (toFd >= 0)
            ::fsetxattr(toFd, name.constData(), value.constData(), size_t(valueGot), 0);
        else
            ::lsetxattr(to.constData(), name.constData(), value.constData(), size_t(valueGot), 0);
    }
}

// The errno behind an error of the errno table.
int errnoOf(const Error& error)
{
    for (std::optional<Error> e = error; e; e = e->underlyingError()) {
        if (e->domain() == QLatin1String(kPosixErrorDomain))
            return int(e->code());
    }
    return EIO;
}

// Regular file bytes below an entry, links not followed.
qint64 treeSize(const QByteArray& path)
{
    struct stat info;
    if (::lstat(path.constData(), &info) != 0)
        return 0;
    if (S_ISREG(info.st_mode))
        return info.st_size;
    if (!S_ISDIR(info.st_mode))
        return 0;
    qint64 total = 0;
    if (DIR* dir = ::opendir(path.constData())) {
        while (dirent* entry = ::readdir(dir)) {
            if (qstrcmp(entry->d_name, ".") != 0 && qstrcmp(entry->d_name, "..") != 0)
                total += treeSize(joined(path, entry->d_name));
        }
        ::closedir(dir);
    }
    return total;
}

} // namespace

// The work of one operation, on its pool thread. Owns no state the
// scheduling thread reads, except through posted reports.
class LocalFileOperation::Worker
{
public:
    Worker(std::shared_ptr<LocalFileOperation> owner, Kind kind, QByteArray source, QByteArray destFolder,
           QByteArray destName, bool overwrite, double interval)
        : m_owner(std::move(owner))
        , m_kind(kind)
        , m_source(std::move(source))
        , m_destFolder(std::move(destFolder))
        , m_destName(std::move(destName))
        , m_overwrite(overwrite)
        , m_interval(interval)
    {
    }

    void run()
    {
        m_start = now();
        m_current = m_source;
        Failure failure;
        try {
            report(Preflighting, true);
            failure = work();
        } catch (const std::exception& e) {
            MIV_LOG_ERROR(QStringLiteral("Local file operation failed: %1").arg(QString::fromLocal8Bit(e.what())));
            failure = Failure{EIO, m_current};
        } catch (...) {
            failure = Failure{EIO, m_current};
        }
        finish(failure);
    }

private:
    Clock::time_point now() const { return m_owner->m_clock ? m_owner->m_clock() : Clock::now(); }
    bool cancelled() const { return m_owner->m_cancelled.load(); }

    void report(quint32 stage, bool always)
    {
        const Clock::time_point t = now();
        if (!always && m_reported && t - m_lastReport < std::chrono::duration<double>(m_interval))
            return;
        m_reported = true;
        m_lastReport = t;
        Report r;
        r.path = Path::fromNative(m_current);
        r.stage = stage;
        r.dictionary = dictionary(t);
        m_owner->post(std::move(r));
    }

    QVariantMap dictionary(Clock::time_point t) const
    {
        const double seconds = std::chrono::duration<double>(t - m_start).count();
        QVariantMap d;
        d.insert(QLatin1String(kThroughputKey), seconds > 0 ? double(m_complete) / seconds : 0.0);
        d.insert(QLatin1String(kTotalBytesKey), double(m_total));
        d.insert(QLatin1String(kBytesCompleteKey), double(m_complete));
        return d;
    }

    void finish(const Failure& failure)
    {
        Report r;
        r.stage = Complete;
        r.final = true;
        int err = failure.err;
        if (cancelled() && err == 0 && m_kind != Kind::Trash && !m_done)
            err = ECANCELED;
        if (err) {
            r.status = statusFromErrno(err);
            const QString path = Path::fromNative(failure.path.isEmpty() ? m_current : failure.path);
            Error error = err == ECANCELED ? Error(QLatin1String(kOSStatusErrorDomain), osstatus::userCanceledErr)
                                           : errorFromErrno(err, FileAccess::Other, path);
            if (err != ECANCELED)
                MIV_LOG_ERROR(QStringLiteral("Local file operation: %1").arg(error.localizedDescription()));
            std::lock_guard lock(m_owner->m_errorLock);
            m_owner->m_lastError = error;
        } else if (!m_trashError.isNull()) {
            r.status = statusFromError(m_trashError);
            std::lock_guard lock(m_owner->m_errorLock);
            m_owner->m_lastError = m_trashError;
        }
        r.path = Path::fromNative(failure.path.isEmpty() ? m_source : failure.path);
        r.dictionary = dictionary(now());
        m_owner->post(std::move(r));
    }

    QByteArray target() const
    {
        const QByteArray name = m_destName.isEmpty() ? Path::toNative(PathString::lastPathComponent(
                                                           Path::fromNative(m_source)))
                                                     : m_destName;
        return joined(m_destFolder, name);
    }

    Failure work()
    {
        if (m_kind == Kind::Trash) {
            struct stat info;
            if (::lstat(m_source.constData(), &info) == 0 && S_ISREG(info.st_mode))
                m_total = info.st_size;
            if (cancelled())
                return {ECANCELED, m_source};
            Error error;
            Trash::moveToTrash(Path::fromNative(m_source), &error);
            m_trashError = error;
            if (error.isNull()) {
                m_complete = m_total;
                m_done = true;
            }
            return {};
        }

        if (cancelled())
            return {ECANCELED, m_source};
        const QByteArray to = target();
        struct stat sourceInfo;
        if (::lstat(m_source.constData(), &sourceInfo) != 0)
            return {errno, m_source};
        // Onto itself: replacing the target would destroy the source.
        struct stat targetInfo;
        const bool targetExists = ::lstat(to.constData(), &targetInfo) == 0;
        if (targetExists && targetInfo.st_dev == sourceInfo.st_dev && targetInfo.st_ino == sourceInfo.st_ino)
            return {EEXIST, to};
        if (targetExists && !m_overwrite)
            return {EEXIST, to};
        // A folder into itself would never end.
        if (S_ISDIR(sourceInfo.st_mode) && (to + '/').startsWith(m_source.endsWith('/') ? m_source : m_source + '/'))
            return {EINVAL, to};

        if (m_kind == Kind::Move) {
            m_total = S_ISREG(sourceInfo.st_mode) ? sourceInfo.st_size : 0;
            const int err = place(m_source, to, S_ISDIR(sourceInfo.st_mode));
            if (err == 0) {
                m_complete = m_total;
                m_done = true;
                return {};
            }
            if (err != EXDEV)
                return {err, to};
        }

        m_total = treeSize(m_source);
        report(Running, false);
        if (const Failure f = copyTop(sourceInfo, to); f.err)
            return f;
        m_done = true;
        if (m_kind == Kind::Move) {
            // The copy is in place and checked; only now may the source go.
            if (const int err = removeTree(m_source))
                return {err, m_source};
        }
        return {};
    }

    // Moves an entry into place without ever leaving the target missing:
    // a plain rename where nothing is there, an exchange (and the old entry
    // removed after) where something is and we may replace it.
    int place(const QByteArray& from, const QByteArray& to, bool isFolder)
    {
        if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0)
            return 0;
        int err = errno;
        if (err == EINVAL || err == ENOSYS) {
            // No atomic no-replace on this file system: check, then rename.
            struct stat info;
            if (::lstat(to.constData(), &info) == 0)
                err = EEXIST;
            else if (::rename(from.constData(), to.constData()) == 0)
                return 0;
            else
                return errno;
        }
        if (err != EEXIST || !m_overwrite)
            return err;
        if (!isFolder && ::rename(from.constData(), to.constData()) == 0)
            return 0;
        if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_EXCHANGE) != 0)
            return errno;
        // The old entry now lies where the new one was.
        removeTree(from);
        return 0;
    }

    Failure copyTop(const struct stat& info, const QByteArray& to)
    {
        m_current = m_source;
        if (S_ISREG(info.st_mode)) {
            // A single file: the replacing file writes it under a temporary
            // name beside the target and renames it over only when complete.
            ScopedFd in{::open(m_source.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC)};
            if (in.fd < 0)
                return {errno, m_source};
            ReplacingFile file(Path::fromNative(to));
            Error error;
            if (!file.open(&error))
                return {errnoOf(error), m_destFolder};
            file.setMode(info.st_mode);
            if (const Failure f = fillFile(in.fd, file.fd(), info, to); f.err)
                return f;
            if (!file.commit(&error, m_overwrite ? ReplacingFile::Replacement::Replace
                                                 : ReplacingFile::Replacement::NoReplace))
                return {errnoOf(error), to};
            return {};
        }
        const QByteArray temporary = Path::toNative(ReplacingFile::temporaryPathIn(Path::fromNative(m_destFolder)));
        Failure f = copyEntry(m_source, temporary);
        if (!f.err) {
            // One flush for the whole tree before it takes the target's name.
            ScopedFd dir{::open(m_destFolder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)};
            if (dir.fd >= 0 && ::syncfs(dir.fd) != 0)
                f = {errno, to};
            else if (const int err = place(temporary, to, S_ISDIR(info.st_mode)))
                f = {err, to};
        }
        if (f.err)
            removeTree(temporary);
        return f;
    }

    // The bytes, then the attributes of a regular file through descriptors.
    Failure fillFile(int in, int out, const struct stat& info, const QByteArray& to)
    {
        qint64 copiedHere = 0;
        const qint64 before = m_complete;
        Error error;
        const bool ok = ReplacingFile::copyBytes(in, out, Path::fromNative(to), [&](qint64 copied) {
            copiedHere = copied;
            m_complete = before + copied;
            report(Running, false);
            return !cancelled();
        }, &error);
        if (!ok) {
            const int err = errnoOf(error);
            return {err, err == ENOSPC ? to : m_current};
        }
        // The check that lets a move delete its source: every byte arrived.
        struct stat written;
        if (::fstat(out, &written) != 0)
            return {errno, to};
        if (written.st_size != info.st_size || copiedHere != info.st_size) {
            MIV_LOG_ERROR(QStringLiteral("File changed while copied: %1").arg(Path::fromNative(m_current)));
            return {EIO, m_current};
        }
        copyAttributes(m_current, to, in, out);
        if (::geteuid() == 0)
            ::fchown(out, info.st_uid, info.st_gid);
        ::fchmod(out, info.st_mode & 07777);
        const struct timespec times[2] = {info.st_atim, info.st_mtim};
        ::futimens(out, times);
        return {};
    }

    Failure copyEntry(const QByteArray& from, const QByteArray& to)
    {
        if (cancelled())
            return {ECANCELED, from};
        m_current = from;
        struct stat info;
        if (::lstat(from.constData(), &info) != 0)
            return {errno, from};
        const struct timespec times[2] = {info.st_atim, info.st_mtim};

        if (S_ISLNK(info.st_mode)) {
            // A link stays a link, pointing where it pointed.
            QByteArray link(qsizetype(info.st_size > 0 ? info.st_size : PATH_MAX) + 1, '\0');
            const ssize_t n = ::readlink(from.constData(), link.data(), size_t(link.size()));
            if (n < 0)
                return {errno, from};
            link.truncate(n);
            if (::symlink(link.constData(), to.constData()) != 0)
                return {errno, to};
            if (::geteuid() == 0)
                ::lchown(to.constData(), info.st_uid, info.st_gid);
            ::utimensat(AT_FDCWD, to.constData(), times, AT_SYMLINK_NOFOLLOW);
            return {};
        }
        if (S_ISDIR(info.st_mode)) {
            if (::mkdir(to.constData(), 0700) != 0)
                return {errno, to};
            DIR* dir = ::opendir(from.constData());
            if (!dir)
                return {errno, from};
            std::vector<QByteArray> names;
            while (dirent* entry = ::readdir(dir)) {
                if (qstrcmp(entry->d_name, ".") != 0 && qstrcmp(entry->d_name, "..") != 0)
                    names.emplace_back(entry->d_name);
            }
            ::closedir(dir);
            for (const QByteArray& name : names) {
                if (const Failure f = copyEntry(joined(from, name), joined(to, name)); f.err)
                    return f;
            }
            m_current = from;
            // Attributes last: the mode may forbid writing, and every entry
            // written above would change the times.
            copyAttributes(from, to, -1, -1);
            if (::geteuid() == 0)
                ::lchown(to.constData(), info.st_uid, info.st_gid);
            ::chmod(to.constData(), info.st_mode & 07777);
            ::utimensat(AT_FDCWD, to.constData(), times, AT_SYMLINK_NOFOLLOW);
            return {};
        }
        if (S_ISREG(info.st_mode)) {
            ScopedFd in{::open(from.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC)};
            if (in.fd < 0)
                return {errno, from};
            ScopedFd out{::open(to.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600)};
            if (out.fd < 0)
                return {errno, to};
            if (const Failure f = fillFile(in.fd, out.fd, info, to); f.err)
                return f;
            // A full volume may only show at close.
            if (::close(std::exchange(out.fd, -1)) != 0)
                return {errno, to};
            return {};
        }
        // Pipes, sockets and devices are made again, not read.
        if (::mknod(to.constData(), info.st_mode, info.st_rdev) != 0)
            return {errno, to};
        ::utimensat(AT_FDCWD, to.constData(), times, AT_SYMLINK_NOFOLLOW);
        return {};
    }

    const std::shared_ptr<LocalFileOperation> m_owner;
    const Kind m_kind;
    const QByteArray m_source;
    const QByteArray m_destFolder;
    const QByteArray m_destName;
    const bool m_overwrite;
    const double m_interval;

    Clock::time_point m_start;
    Clock::time_point m_lastReport;
    bool m_reported = false;
    bool m_done = false;
    QByteArray m_current;
    qint64 m_total = 0;
    qint64 m_complete = 0;
    Error m_trashError;
};

std::shared_ptr<LocalFileOperation> LocalFileOperation::create()
{
    return std::shared_ptr<LocalFileOperation>(new LocalFileOperation);
}

LocalFileOperation::~LocalFileOperation() = default;

qint32 LocalFileOperation::scheduleWithRunLoop(std::shared_ptr<RunLoop> loop)
{
    if (m_started.load() || !loop)
        return osstatus::paramErr;
    m_loop = std::move(loop);
    return osstatus::noErr;
}

void LocalFileOperation::setClock(ClockFunction clock)
{
    if (!m_started.load())
        m_clock = std::move(clock);
}

bool LocalFileOperation::isHostileName(const QString& name)
{
    return name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..")
        || name.contains(QLatin1Char('/')) || name.contains(QChar(0)) || name.contains(QLatin1Char('\r'))
        || name.contains(QLatin1Char('\n'));
}

qint32 LocalFileOperation::copyObject(const QString& source, const QString& destFolder, const QString& destName,
                                      quint32 flags, StatusCallback callback, double interval)
{
    return start(Kind::Copy, source, destFolder, destName, flags, std::move(callback), interval);
}

qint32 LocalFileOperation::moveObject(const QString& source, const QString& destFolder, const QString& destName,
                                      quint32 flags, StatusCallback callback, double interval)
{
    return start(Kind::Move, source, destFolder, destName, flags, std::move(callback), interval);
}

qint32 LocalFileOperation::moveObjectToTrash(const QString& source, quint32 flags, StatusCallback callback,
                                             double interval)
{
    return start(Kind::Trash, source, QString(), QString(), flags, std::move(callback), interval);
}

qint32 LocalFileOperation::start(Kind kind, const QString& source, const QString& destFolder,
                                 const QString& destName, quint32 flags, StatusCallback callback, double interval)
{
    if (!m_loop || !callback || source.isEmpty() || !Path::isNameable(source)
        || (kind != Kind::Trash && (destFolder.isEmpty() || !Path::isNameable(destFolder))))
        return osstatus::paramErr;
    if (!destName.isNull() && isHostileName(destName)) {
        MIV_LOG_ERROR(QStringLiteral("Refused destination name \"%1\" for %2")
                          .arg(Path::toFileUrl(destName), Path::toFileUrl(source)));
        return osstatus::bdNamErr;
    }
    // The source's own name must also be one name ("/" and "a/.." are none).
    const QString ownName = PathString::lastPathComponent(PathString::standardizingPath(source));
    if (destName.isNull() && kind != Kind::Trash && isHostileName(ownName))
        return osstatus::bdNamErr;
    struct stat info;
    if (Path::lstat(source, &info) != 0)
        return statusFromErrno(errno);
    if (kind != Kind::Trash) {
        if (Path::stat(destFolder, &info) != 0)
            return statusFromErrno(errno);
        if (!S_ISDIR(info.st_mode))
            return osstatus::fnfErr;
    }
    if (m_started.exchange(true))
        return osstatus::paramErr;
    m_callback = std::move(callback);
    auto worker = std::make_shared<Worker>(shared_from_this(), kind, Path::toNative(source),
                                           Path::toNative(destFolder), Path::toNative(destName),
                                           (flags & kOverwrite) != 0, interval);
    ConcurrentQueue::global(Qos::UserInitiated)->async([worker] { worker->run(); });
    return osstatus::noErr;
}

void LocalFileOperation::cancel() { m_cancelled.store(true); }

Error LocalFileOperation::lastError() const
{
    std::lock_guard lock(m_errorLock);
    return m_lastError;
}

void LocalFileOperation::post(Report report)
{
    // The operation stays alive until its last report has been delivered,
    // even when its owner lets it go.
    m_loop->post([self = shared_from_this(), report = std::move(report)] {
        if (self->m_callback)
            self->m_callback(report.path, report.stage, report.status, report.dictionary);
        if (report.final) {
            self->m_finished.store(true);
            // Drop what the callback holds: it may hold this operation.
            self->m_callback = nullptr;
        }
    });
}

} // namespace plat
