#include "FileData/MivFileUtils.h"

#include "platform/Path.h"
#include "platform/PathString.h"

#include <QUuid>

#include <fcntl.h>
#include <unistd.h>

namespace PS = plat::PathString;

namespace {

// The rest of the path after the base, when the base is a leading part of
// it that ends at a component boundary; null otherwise.
QString restAfterBase(const QString& path, const QString& base)
{
    if (base.isEmpty() || !path.startsWith(base))
        return QString();
    if (path.size() == base.size())
        return QString(QLatin1String(""));
    if (base.endsWith(QLatin1Char('/')))
        return path.mid(base.size());
    if (path.at(base.size()) == QLatin1Char('/'))
        return path.mid(base.size() + 1);
    return QString();
}

} // namespace

QString MivFileUtils::calculateUUID()
{
    // The platform's UUID text is upper case; QUuid writes lower case.
    return QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
}

QString MivFileUtils::pathForTemporaryFileWithPrefix(const QString& prefix)
{
    return PS::appendingPathComponent(PS::temporaryDirectory(), prefix + QLatin1Char('-') + calculateUUID());
}

QString MivFileUtils::createLocalTempFile(bool folder, bool withAutoDealloc)
{
    Q_UNUSED(withAutoDealloc);
    const QString path = pathForTemporaryFileWithPrefix(QLatin1String(kTemporaryPrefix));
    // mkstemp/mkdtemp refuse a name without "XXXXXX"; O_EXCL and mkdir give
    // the same exclusive creation on the name itself.
    if (folder)
        return plat::Path::mkdir(path, 0700) == 0 ? path : QString();
    const int fd = plat::Path::open(path, O_CREAT | O_EXCL | O_WRONLY, 0600);
    if (fd < 0)
        return QString();
    ::close(fd);
    return path;
}

QString MivFileUtils::createLocalTempDir()
{
    return createLocalTempFile(true, false);
}

QString MivFileUtils::resolveNameForOverwriteRename(const QString& name)
{
    const QString extension = PS::pathExtension(name);
    const QString base = PS::deletingPathExtension(name) + QLatin1String(kOverwriteRenameSuffix);
    return extension.isEmpty() ? base : base + QLatin1Char('.') + extension;
}

namespace {

// The path without trailing slashes; the root stays "/".
QStringView withoutTrailingSlashes(QStringView path)
{
    qsizetype end = path.size();
    while (end > 1 && path[end - 1] == QLatin1Char('/'))
        --end;
    return path.first(end);
}

} // namespace

// Every listed item asks for these when refreshed: views keep them free of
// the copies the path-string forms make on the way.
QStringView MivFileUtils::extensionView(QStringView path)
{
    const QStringView trimmed = withoutTrailingSlashes(path);
    if (trimmed == QLatin1String("/"))
        return {};
    const QStringView name = trimmed.sliced(trimmed.lastIndexOf(QLatin1Char('/')) + 1);
    // A leading dot names a hidden file; it starts no extension.
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot <= 0 ? QStringView() : name.sliced(dot + 1);
}

QStringView MivFileUtils::stemView(QStringView path)
{
    const QStringView trimmed = withoutTrailingSlashes(path);
    const QStringView extension = extensionView(trimmed);
    return extension.isEmpty() ? trimmed : trimmed.first(trimmed.size() - extension.size() - 1);
}

QString MivFileUtils::resolveExtension(const QString& path)
{
    if (path.isNull())
        return QString();
    const QStringView extension = extensionView(path);
    return extension.isEmpty() ? QString() : extension.toString();
}

QString MivFileUtils::resolvePath(const QUrl& url)
{
    if (url.isEmpty())
        return QString();
    if (url.scheme().compare(QLatin1String("file"), Qt::CaseInsensitive) == 0)
        return plat::Path::fromFileUrl(url);
    return url.path(QUrl::FullyDecoded);
}

QString MivFileUtils::resolveRelativePath(const QString& path)
{
    if (path.isEmpty())
        return QString();
    return plat::Path::realPath(PS::standardizingPath(PS::expandingTildeInPath(path)));
}

QString MivFileUtils::resolveRelativePathTo(const QString& path, const QString& usingBase)
{
    if (usingBase == QLatin1String("/"))
        return path.startsWith(QLatin1Char('/')) ? path.mid(1) : QString();
    return restAfterBase(path, usingBase);
}

QString MivFileUtils::relativePathFor(const QString& name, const QString& usingPath, const QString& usingBase)
{
    if (usingBase.isEmpty())
        return QString();
    QString base = usingBase;
    if (base.size() > 1 && base.endsWith(QLatin1Char('/')))
        base.chop(1);
    if (!name.isEmpty())
        base = PS::appendingPathComponent(base, name);

    const QString inside = restAfterBase(usingPath, base);
    if (!inside.isNull())
        return inside;

    const QString parent = PS::deletingLastPathComponent(usingPath);
    if (parent.isEmpty())
        return QString();
    const QString below = restAfterBase(base, parent);
    if (below.isNull())
        return QString();
    QStringList components;
    for (qsizetype i = 0, n = PS::pathComponents(below).size(); i < n; ++i)
        components << QStringLiteral("..");
    components << PS::lastPathComponent(usingPath);
    return PS::pathWithComponents(components);
}

QString MivFileUtils::resolveLink(const QString& link, const QString& forPath)
{
    if (link.isNull() || link.startsWith(QLatin1Char('/')))
        return link;
    return PS::appendingPathComponent(PS::deletingLastPathComponent(forPath), link);
}

QString MivFileUtils::stripUserDataInPath(const QString& path)
{
    if (!path.contains(QLatin1Char('@')))
        return path;
    const qsizetype start = path.indexOf(QLatin1String("//"));
    if (start < 0)
        return path;
    const qsizetype authority = start + 2;
    qsizetype end = authority;
    while (end < path.size() && path[end] != QLatin1Char('/') && path[end] != QLatin1Char('?')
           && path[end] != QLatin1Char('#'))
        ++end;
    const qsizetype at = path.lastIndexOf(QLatin1Char('@'), end - 1);
    if (at < authority)
        return path;
    return path.left(authority) + path.mid(at + 1);
}

QByteArray MivFileUtils::readFileHead(const QString& path, qsizetype size)
{
    const int fd = plat::Path::open(path, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return QByteArray();
    QByteArray head(size, Qt::Uninitialized);
    const ssize_t got = ::read(fd, head.data(), size_t(head.size()));
    ::close(fd);
    if (got < 0)
        return QByteArray();
    if (got == 0)
        return QByteArray("");
    head.truncate(got);
    return head;
}
