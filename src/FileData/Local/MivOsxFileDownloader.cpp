#include "FileData/Local/MivOsxFileDownloader.h"

#include "FileData/MivErrorPresenter.h"
#include "FileData/MivFileData.h"
#include "platform/Log.h"
#include "platform/Path.h"
#include "platform/PosixError.h"

#include <QCoreApplication>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

MivOsxFileDownloader::MivOsxFileDownloader(MivFileDataPtr data)
    : MivFileLoader(std::move(data), false)
{
}

MivOsxFileDownloader::~MivOsxFileDownloader() { close(); }

bool MivOsxFileDownloader::open(quint64, const MivCopyContextPtr&)
{
    const QString path = m_data ? m_data->realPath() : QString();
    const int fd = path.isEmpty() ? -1 : plat::Path::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        const plat::Error error = path.isEmpty()
            ? MivErrorPresenter::makeFileOperationErrorWithCode(
                  -1, QCoreApplication::translate("MivOsxFileDownloader", "The item has no local path."))
            : plat::errorFromErrno(errno, plat::FileAccess::Reading, path);
        MIV_LOG_INFO(QStringLiteral("OSXDownloader STREAM: %1, status: %2, error: %3, file URL: %4")
                         .arg(path)
                         .arg(7)
                         .arg(error.description(), path));
        setLastError(error);
        return false;
    }
    // The whole file is read once from start to end.
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    if (const int previous = _stream.exchange(fd); previous >= 0)
        ::close(previous);
    return true;
}

qint64 MivOsxFileDownloader::handleDataBuffer(char* buffer, qint64 offset, qint64 length)
{
    const int fd = _stream.load();
    if (fd < 0 || length <= offset)
        return 0;
    for (;;) {
        const ssize_t n = ::read(fd, buffer + offset, size_t(length - offset));
        if (n >= 0)
            return n;
        if (errno == EINTR)
            continue;
        setLastError(plat::errorFromErrno(errno, plat::FileAccess::Reading, m_data->realPath()));
        return -1;
    }
}

void MivOsxFileDownloader::close()
{
    if (const int fd = _stream.exchange(-1); fd >= 0)
        ::close(fd);
}
