#include "FileData/Local/MivEventData.h"

#include "platform/Log.h"
#include "platform/Path.h"
#include "platform/PathString.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

MivEventData::MivEventData(const QVariantMap& properties, quint64 eventId, quint32 flags)
    : _flags(flags)
    , _path(standarizedPath(properties.value(QStringLiteral("path")).toString()))
    , _inode(properties.value(QStringLiteral("fileID")).toLongLong())
    , _eventId(eventId)
{
}

MivEventData::MivEventData(const QString& path, quint64 eventId, quint32 flags)
    : _flags(flags)
    , _path(standarizedPath(path))
    , _inode(-1)
    , _eventId(eventId)
{
}

QString MivEventData::standarizedPath(const QString& path)
{
    if (path.isEmpty())
        return path;
    // A file URL of a relative path is taken against the current folder.
    const QString absolute = path.startsWith(QLatin1Char('/')) ? path : plat::Path::fromFileUrl(plat::Path::toFileUrl(path));
    return plat::PathString::strippingTrailingSlashes(plat::PathString::standardizingPath(absolute));
}

QUrl MivEventData::resolveURL() const
{
    return plat::Path::toFileQUrl(_path);
}

QVariant MivEventData::resolveFileId() const
{
    struct stat st;
    const QByteArray native = plat::Path::toNative(_path);
    if (_path.isEmpty() || !plat::Path::isNameable(_path) || ::lstat(native.constData(), &st) != 0) {
        const int err = _path.isEmpty() ? ENOENT : errno;
        MIV_LOG_INFO(QStringLiteral("ERROR RESOURCE VALUE: %1, URL: %2")
                         .arg(QString::fromLocal8Bit(std::strerror(err)), plat::Path::toFileUrl(_path)));
        return {};
    }
    return QStringLiteral("%1:%2").arg(static_cast<quint64>(st.st_dev)).arg(static_cast<quint64>(st.st_ino));
}

bool MivEventData::pathIsSubpathOf(const QString& watchedPath) const
{
    const QString watched = standarizedPath(watchedPath);
    if (watched.isEmpty() || !_path.startsWith(watched))
        return false;
    QStringView rest = QStringView(_path).mid(watched.size());
    if (!rest.isEmpty()) {
        // A prefix that ends inside a name is a sibling ("/a/bc" against
        // "/a/b"), not the folder itself.
        if (!watched.endsWith(QLatin1Char('/')) && !rest.startsWith(QLatin1Char('/')))
            return false;
        if (rest.startsWith(QLatin1Char('/')))
            rest = rest.mid(1);
    }
    return !rest.contains(QLatin1Char('/'));
}

QString MivEventData::description() const
{
    // "%#.8x": the "0x" prefix only for a value other than zero.
    const QString hex = QStringLiteral("%1").arg(_flags, 8, 16, QLatin1Char('0'));
    return QStringLiteral("ID: %1, FLAGS: %2, PATH: %3")
        .arg(QString::number(_eventId), _flags ? QStringLiteral("0x") + hex : hex, _path);
}
