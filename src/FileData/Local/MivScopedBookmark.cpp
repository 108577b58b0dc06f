#include "FileData/Local/MivScopedBookmark.h"

#include "platform/Log.h"
#include "platform/Path.h"
#include "platform/PathString.h"

MivScopedBookmark::MivScopedBookmark(QUrl url, QByteArray bookmark) : m_url(std::move(url)), m_bookmark(std::move(bookmark)) {}

QString MivScopedBookmark::path() const
{
    const QString path = plat::Path::fromFileUrl(m_url);
    return path == QLatin1String("/") ? path : plat::PathString::strippingTrailingSlashes(path);
}

bool MivScopedBookmark::startAccessing()
{
    // No folder offers a security scope here, which counts as success.
    m_isAccessing = true;
    MIV_LOG_INFO(QStringLiteral("[Sandbox] START accessing resource: %1").arg(path()));
    return m_isAccessing;
}

void MivScopedBookmark::stopAccessing()
{
    m_isAccessing = false;
}

QUrl MivScopedBookmark::resolveURLFromPath(const QString& path)
{
    if (path.isEmpty())
        return QUrl();
    // A path that does not resolve (gone, or a dangling link) stays as given.
    const QString resolved = plat::Path::realPath(path);
    return plat::Path::toFileQUrl(resolved.isNull() ? plat::PathString::standardizingPath(path) : resolved);
}

QString MivScopedBookmark::resolvePathFromURL(const QUrl& url)
{
    const QString path = plat::Path::fromFileUrl(url);
    return path.endsWith(u'/') ? path : path + u'/';
}

bool MivScopedBookmark::isPrefixForPath(const QString& path, bool exact) const
{
    const QString own = resolvePathFromURL(resolveURLFromPath(this->path()));
    const QString other = resolvePathFromURL(resolveURLFromPath(path));
    // Both end in "/", so "/a/" is a prefix of "/a/x/" but not of "/ab/".
    const bool result = exact ? own == other : other.startsWith(own) && other != own;
    MIV_LOG_DEBUG(QStringLiteral("[Sandbox] is path: %1 prefix for %2: %3").arg(this->path(), path, result ? QStringLiteral("YES") : QStringLiteral("NO")));
    return result;
}

bool MivScopedBookmark::matchesPrefix(const QString& path, bool exact) const
{
    const QString own = resolvePathFromURL(resolveURLFromPath(this->path()));
    const QString other = resolvePathFromURL(resolveURLFromPath(path));
    MIV_LOG_DEBUG(QStringLiteral("[Sandbox] matchesPrefix: %1 in path %2").arg(this->path(), path));
    return exact ? own == other : own.startsWith(other) && own != other;
}

QByteArray MivScopedBookmark::bookmarkDataForURL(const QUrl& url)
{
    if (!url.isLocalFile())
        return QByteArray();
    return plat::Path::toFileUrl(plat::Path::fromFileUrl(url)).toLatin1();
}

QUrl MivScopedBookmark::urlFromBookmarkData(const QByteArray& bookmark)
{
    const QString text = QString::fromLatin1(bookmark);
    if (!text.startsWith(QLatin1String("file:///")))
        return QUrl();
    const QUrl url(text, QUrl::StrictMode);
    return url.isValid() ? url : QUrl();
}
