#include "FileData/Transfer/MivFileDataLoader.h"

#include "FileData/MivErrorPresenter.h"
#include "FileData/MivFileData.h"
#include "FileData/Transfer/MivFileSyncDataReader.h"
#include "FileData/MivFileUtils.h"
#include "platform/Log.h"
#include "platform/Path.h"
#include "platform/PathString.h"
#include "platform/PosixError.h"

#include <QCoreApplication>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr qint64 kChunkSize = 65536;

bool writeAll(int fd, const QByteArray& bytes)
{
    const char* at = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, at, size_t(left));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        at += n;
        left -= n;
    }
    return true;
}

plat::Error cancelledError()
{
    return MivErrorPresenter::makeFileOperationErrorWithCode(
        -128, QCoreApplication::translate("MivFileDataLoader", "The load was cancelled."));
}

} // namespace

MivFileDataLoader::MivFileDataLoader(MivFileDataPtr data, MivCopyContextPtr context)
    : m_data(std::move(data))
    , m_ctx(std::move(context))
{
}

MivFileDataLoader::~MivFileDataLoader() = default;

QString MivFileDataLoader::loadToTempFile(plat::Error* error)
{
    const QString temporary = MivFileUtils::createLocalTempFile(false, false);
    if (temporary.isNull()) {
        plat::Error::assign(error, plat::errorFromErrno(errno, plat::FileAccess::Writing));
        return QString();
    }
    const QString extension = m_data ? MivFileUtils::resolveExtension(m_data->realPath()) : QString();
    const QString target = extension.isEmpty() ? temporary : QStringLiteral("%1.%2").arg(temporary, extension);
    const bool ok = loadToFile(target, error);
    // The bare name only reserved the UUID once the target has an extension.
    if (target != temporary || !ok)
        plat::Path::unlink(temporary);
    return ok ? target : QString();
}

bool MivFileDataLoader::loadToFile(const QString& path, plat::Error* error)
{
    m_loading = true;
    const QString folder = plat::PathString::deletingLastPathComponent(path);
    const QString temporary = plat::PathString::appendingPathComponent(
        folder.isEmpty() ? QStringLiteral(".") : folder,
        QStringLiteral("%1-%2").arg(QLatin1String(MivFileUtils::kTemporaryPrefix), MivFileUtils::calculateUUID()));
    // Created as any new file (the umask applies); an existing target's
    // permissions are kept.
    const int fd = plat::Path::open(temporary, O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0666);
    plat::Error failure;
    if (fd < 0) {
        failure = plat::errorFromErrno(errno, plat::FileAccess::Writing, path);
    } else {
        struct stat existing;
        if (plat::Path::stat(path, &existing) == 0 && S_ISREG(existing.st_mode))
            ::fchmod(fd, existing.st_mode & 07777);
        const bool loaded = load(fd, temporary, &failure);
        const bool synced = loaded && ::fsync(fd) == 0;
        if (loaded && !synced)
            failure = plat::errorFromErrno(errno, plat::FileAccess::Writing, path);
        if (::close(fd) != 0 && synced)
            failure = plat::errorFromErrno(errno, plat::FileAccess::Writing, path);
        if (!failure && plat::Path::rename(temporary, path) != 0)
            failure = plat::errorFromErrno(errno, plat::FileAccess::Writing, path);
        if (failure)
            plat::Path::unlink(temporary);
    }
    cancel();
    if (failure) {
        MIV_LOG_ERROR(QStringLiteral("Error writing to stream %1: %2").arg(path, failure.description()));
        plat::Error::assign(error, failure);
        return false;
    }
    return true;
}

bool MivFileDataLoader::load(int fd, const QString& path, plat::Error* error)
{
    auto reader = std::make_shared<MivFileSyncDataReader>(m_data, kChunkSize, m_ctx);
    {
        std::lock_guard lock(m_readerMutex);
        m_reader = reader;
    }
    if (reader->closed()) {
        *error = reader->lastError() ? reader->lastError()
                                     : MivErrorPresenter::makeFileOperationErrorWithCode(
                                           -1, QCoreApplication::translate("MivFileDataLoader", "The item cannot be read."));
        return false;
    }
    for (;;) {
        if (!m_loading) {
            *error = cancelledError();
            return false;
        }
        const std::optional<QByteArray> chunk = reader->read();
        if (!chunk) {
            // A cancel closes the reader, which then reads like the end.
            if (!m_loading) {
                *error = cancelledError();
                return false;
            }
            if (const plat::Error readError = reader->lastError()) {
                *error = readError;
                return false;
            }
            return true;
        }
        if (!writeAll(fd, *chunk)) {
            *error = plat::errorFromErrno(errno, plat::FileAccess::Writing, path);
            return false;
        }
    }
}

void MivFileDataLoader::cancel()
{
    if (!m_loading.exchange(false))
        return;
    std::shared_ptr<MivFileSyncDataReader> reader;
    {
        std::lock_guard lock(m_readerMutex);
        reader = std::exchange(m_reader, nullptr);
    }
    if (reader)
        reader->close();
}
