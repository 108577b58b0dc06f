#include "FileData/MivFileUtils.h"

#include "FileData/IMivRemoteFile.h"
#include "FileData/MivFileData.h"
#include "FileData/MivRemoteFileData.h"
#include "FileData/MivSimpleFileData.h"
#include "platform/Log.h"
#include "platform/Path.h"

#include <sys/stat.h>
#include <unistd.h>

bool MivFileUtils::isNetworkFile(const MivFileDataPtr& item)
{
    return dynamic_cast<const MivRemoteFileData*>(item.get()) != nullptr;
}

bool MivFileUtils::isSpecialFile(const MivFileDataPtr& item)
{
    return isNetworkFile(item) || dynamic_cast<const IMivRemoteFile*>(item.get()) != nullptr
        || dynamic_cast<const MivSimpleFileData*>(item.get()) != nullptr;
}

bool MivFileUtils::isFolder(const MivFileDataPtr& item)
{
    if (!item)
        return false;
    return item->folder() || item->showContentAllowed();
}

bool MivFileUtils::isActiveExistDirectory(const MivFileDataPtr& item)
{
    return item && item->activate() && item->exists() && isFolder(item);
}

bool MivFileUtils::isFileDirectoryAtURL(const QUrl& url)
{
    if (!url.isValid() || !url.isLocalFile())
        return false;
    struct stat info {};
    if (plat::Path::stat(plat::Path::fromFileUrl(url), &info) != 0)
        return false;
    // No folder is a package on Linux, so whether packages count as folders
    // changes nothing.
    return S_ISDIR(info.st_mode);
}

QString MivFileUtils::convertPosixToString(quint64 posix)
{
    return QString::number((posix >> 6) & 07) + QString::number((posix >> 3) & 07) + QString::number(posix & 07);
}

QUrl MivFileUtils::urlForFileDescriptor(int fileDescriptor)
{
    if (fileDescriptor < 0)
        return QUrl();
    const QByteArray link = "/proc/self/fd/" + QByteArray::number(fileDescriptor);
    QByteArray target(4096, '\0');
    const ssize_t length = ::readlink(link.constData(), target.data(), target.size());
    if (length <= 0 || length >= target.size())
        return QUrl();
    target.truncate(length);
    // Pipes and sockets answer "pipe:[123]": only a path is a file.
    if (!target.startsWith('/'))
        return QUrl();
    const QString path = plat::Path::fromNative(target);
    MIV_LOG_DEBUG(QStringLiteral("New file path: %1").arg(path));
    return QUrl(plat::Path::toFileUrl(path), QUrl::StrictMode);
}
