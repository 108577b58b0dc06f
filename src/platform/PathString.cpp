#include "platform/PathString.h"

#include "platform/Path.h"

#include <cerrno>
#include <cstdlib>
#include <pwd.h>
#include <unistd.h>
#include <vector>

namespace plat::PathString {

namespace {

const QChar kSlash = QLatin1Char('/');

// Home folder from the password database; getpw*_r because any thread may ask.
QString homeFromPasswd(const QByteArray* name)
{
    long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? size_t(size) : 16384);
    for (int attempt = 0; attempt < 4; ++attempt) {
        passwd entry {};
        passwd* found = nullptr;
        const int rc = name ? ::getpwnam_r(name->constData(), &entry, buffer.data(), buffer.size(), &found)
                            : ::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found);
        if (rc == ERANGE) {
            buffer.resize(buffer.size() * 4);
            continue;
        }
        if (rc != 0 || !found || !found->pw_dir || !*found->pw_dir)
            return QString();
        return Path::fromNative(found->pw_dir);
    }
    return QString();
}

// Index one past the last character that is not a trailing "/"; 1 for a
// path made of slashes only (its root).
qsizetype endWithoutTrailingSlashes(const QString& path)
{
    qsizetype end = path.size();
    while (end > 1 && path.at(end - 1) == kSlash)
        --end;
    return end;
}

} // namespace

QString strippingTrailingSlashes(const QString& path)
{
    return path.left(endWithoutTrailingSlashes(path));
}

QString lastPathComponent(const QString& path)
{
    const QString trimmed = strippingTrailingSlashes(path);
    if (trimmed == QLatin1String("/"))
        return trimmed;
    return trimmed.mid(trimmed.lastIndexOf(kSlash) + 1);
}

QString pathExtension(const QString& path)
{
    const QString name = lastPathComponent(path);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    // A leading dot names a hidden file; it starts no extension.
    if (dot <= 0 || name == QLatin1String("/"))
        return QString(QLatin1String(""));
    return name.mid(dot + 1);
}

QString deletingPathExtension(const QString& path)
{
    const QString trimmed = strippingTrailingSlashes(path);
    const QString extension = pathExtension(trimmed);
    if (extension.isEmpty())
        return trimmed;
    return trimmed.left(trimmed.size() - extension.size() - 1);
}

QString deletingLastPathComponent(const QString& path)
{
    const QString trimmed = strippingTrailingSlashes(path);
    if (trimmed == QLatin1String("/"))
        return trimmed;
    const qsizetype slash = trimmed.lastIndexOf(kSlash);
    if (slash < 0)
        return QString(QLatin1String(""));
    const QString parent = strippingTrailingSlashes(trimmed.left(slash));
    return parent.isEmpty() ? QString(kSlash) : parent;
}

QString appendingPathComponent(const QString& path, const QString& component)
{
    QString joined = path;
    if (!joined.isEmpty() && !component.isEmpty())
        joined += kSlash;
    joined += component;
    // Collapse runs of "/" the join may have made, and any already there.
    QString result;
    result.reserve(joined.size());
    for (const QChar c : joined) {
        if (c == kSlash && result.endsWith(kSlash))
            continue;
        result += c;
    }
    return strippingTrailingSlashes(result);
}

QString expandingTildeInPath(const QString& path)
{
    if (!path.startsWith(QLatin1Char('~')))
        return path;
    const qsizetype slash = path.indexOf(kSlash);
    const QString user = path.mid(1, slash < 0 ? -1 : slash - 1);
    QString home;
    if (user.isEmpty()) {
        home = homeDirectory();
    } else {
        home = homeDirectoryForUser(user);
    }
    if (home.isEmpty())
        return path;
    return appendingPathComponent(home, slash < 0 ? QString() : path.mid(slash));
}

QStringList pathComponents(const QString& path)
{
    QStringList components;
    if (path.startsWith(kSlash))
        components << QString(kSlash);
    for (const QString& part : path.split(kSlash, Qt::SkipEmptyParts))
        components << part;
    return components;
}

QString pathWithComponents(const QStringList& components)
{
    QString result;
    for (const QString& component : components)
        result = result.isEmpty() && component == QLatin1String("/") ? QString(kSlash)
                                                                     : appendingPathComponent(result, component);
    return result;
}

QString standardizingPath(const QString& path)
{
    if (path.isEmpty())
        return path;
    const QString expanded = expandingTildeInPath(path);
    const bool absolute = expanded.startsWith(kSlash);
    QStringList kept;
    for (const QString& part : expanded.split(kSlash, Qt::SkipEmptyParts)) {
        if (part == QLatin1String("."))
            continue;
        if (part == QLatin1String("..") && absolute) {
            if (!kept.isEmpty())
                kept.removeLast();
            continue;
        }
        kept << part;
    }
    if (absolute)
        return kSlash + kept.join(kSlash);
    if (kept.isEmpty())
        return QString(QLatin1Char('.'));
    // "./~root" names the folder "~root" here; without its "./" the result
    // would name root's home the next time it is standardised.
    if (kept.first().startsWith(QLatin1Char('~')) && !expanded.startsWith(QLatin1Char('~')))
        return QStringLiteral("./") + kept.join(kSlash);
    return kept.join(kSlash);
}

QString homeDirectory()
{
    const char* home = std::getenv("HOME");
    if (home && *home)
        return Path::fromNative(home);
    return homeFromPasswd(nullptr);
}

QString homeDirectoryForUser(const QString& userName)
{
    if (userName.isEmpty() || !Path::isNameable(userName))
        return QString();
    const QByteArray name = Path::toNative(userName);
    return homeFromPasswd(&name);
}

QString temporaryDirectory()
{
    const char* tmp = std::getenv("TMPDIR");
    if (tmp && *tmp)
        return strippingTrailingSlashes(Path::fromNative(tmp));
    return QStringLiteral("/tmp");
}

} // namespace plat::PathString
