#include "FileData/Extensions/UrlParameters.h"

#include "platform/Error.h"
#include "platform/Log.h"
#include "platform/Path.h"
#include "platform/TextEncoding.h"

#include <QByteArray>

#include <cstring>

#include <optional>

namespace UrlParameters {

namespace {

// ---------------------------------------------------------------------------
// Text encodings.
// ---------------------------------------------------------------------------

// UTF-8 goes through the path codec, so the lone surrogates that stand for
// bytes of names that are not UTF-8 travel back as those bytes.
std::optional<QByteArray> encodeText(const QString& text, int encoding)
{
    if (encoding == kUTF8StringEncoding) {
        // A stray surrogate that stands for no byte is broken text, not a name.
        for (qsizetype i = 0; i < text.size(); ++i) {
            const char16_t c = text.at(i).unicode();
            if (QChar::isHighSurrogate(c) && i + 1 < text.size() && QChar::isLowSurrogate(text.at(i + 1).unicode()))
                ++i;
            else if (QChar::isSurrogate(c) && (c < 0xDC80 || c > 0xDCFF))
                return std::nullopt;
        }
        return plat::Path::toNative(text);
    }
    plat::Error error;
    QByteArray bytes = plat::TextEncoding::encode(text, static_cast<quint64>(encoding), &error);
    if (error)
        return std::nullopt;
    return bytes;
}

// Strict: bytes that are not valid in the encoding make the whole text fail.
std::optional<QString> decodeBytes(const QByteArray& bytes, int encoding)
{
    plat::Error error;
    QString text = plat::TextEncoding::decode(bytes, static_cast<quint64>(encoding), &error);
    if (error)
        return std::nullopt;
    return text;
}

// ---------------------------------------------------------------------------
// Percent escaping.
// ---------------------------------------------------------------------------

// Characters a URL allows as they are: unreserved and the RFC 3986
// delimiters. Everything else (controls, space, '"', '%', '<', '>', '[', '\\',
// ']', '^', '`', '{', '|', '}', DEL, any byte >= 0x80) is escaped.
bool isAllowedInUrl(unsigned char b)
{
    if ((b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z') || (b >= '0' && b <= '9'))
        return true;
    switch (b) {
    case '-': case '.': case '_': case '~':
    case '!': case '$': case '&': case '\'': case '(': case ')': case '*': case '+': case ',':
    case ';': case '=': case ':': case '@': case '/': case '?': case '#':
        return true;
    default:
        return false;
    }
}

// A path keeps its "/" but not "?" and "#": left alone, a file named "a?b"
// would become the path "a" with the query "b".
constexpr const char* kPathExtra = "?#";
// A query keeps "?" but "#" would start a fragment.
constexpr const char* kQueryExtra = "#";
// User and password: the delimiters of the authority and what ends it.
constexpr const char* kUserInfoExtra = ":@/?#";

QString percentEscape(const QByteArray& bytes, const char* extra)
{
    static const char kHex[] = "0123456789ABCDEF";
    QString out;
    out.reserve(bytes.size());
    for (const char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        if (isAllowedInUrl(b) && !std::strchr(extra, ch)) {
            out.append(QLatin1Char(ch));
        } else {
            out.append(QLatin1Char('%'));
            out.append(QLatin1Char(kHex[b >> 4]));
            out.append(QLatin1Char(kHex[b & 0xF]));
        }
    }
    return out;
}

QString escapeInEncoding(const QString& text, int encoding, const char* extra)
{
    if (text.isNull())
        return {};
    const std::optional<QByteArray> bytes = encodeText(text, encoding);
    if (!bytes)
        return {};
    return percentEscape(*bytes, extra);
}

int hexValue(char16_t c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// The text with its escapes replaced, decoded in the encoding as one byte
// string: in an encoding whose characters may end in an ASCII byte
// (Shift_JIS "\u30A2" is "%83A") a character spans an escape and the plain
// text after it. Plain characters stand for their bytes in the encoding.
// Nothing for a malformed escape or bytes the encoding rejects.
std::optional<QString> replacePercentEscapes(const QString& text, int encoding)
{
    QByteArray bytes;
    bytes.reserve(text.size());
    const qsizetype n = text.size();
    qsizetype plainStart = 0;
    const auto appendPlain = [&](qsizetype end) {
        if (end == plainStart)
            return true;
        const std::optional<QByteArray> plain = encodeText(text.mid(plainStart, end - plainStart), encoding);
        if (!plain)
            return false;
        bytes.append(*plain);
        return true;
    };
    for (qsizetype i = 0; i < n; ++i) {
        if (text.at(i) != QLatin1Char('%'))
            continue;
        if (!appendPlain(i) || i + 2 >= n)
            return std::nullopt;
        const int hi = hexValue(text.at(i + 1).unicode());
        const int lo = hexValue(text.at(i + 2).unicode());
        if (hi < 0 || lo < 0)
            return std::nullopt;
        bytes.append(char(hi << 4 | lo));
        i += 2;
        plainStart = i + 1;
    }
    if (!appendPlain(n))
        return std::nullopt;
    return decodeBytes(bytes, encoding);
}

// ---------------------------------------------------------------------------
// Building from components that are already escaped.
// ---------------------------------------------------------------------------

// RFC 3986 dot-segment removal. QUrl::NormalizePathSegments in Qt 6.4 leaves
// an empty segment behind for "/a/./b/../c" ("/a//c"), so the path is
// standardised here, on its escaped text, keeping adjacent slashes.
QString removeDotSegments(const QString& path)
{
    QStringView input(path);
    QString output;
    output.reserve(path.size());
    const auto dropLastSegment = [&output] {
        const qsizetype slash = output.lastIndexOf(QLatin1Char('/'));
        output.truncate(slash < 0 ? 0 : slash);
    };
    while (!input.isEmpty()) {
        if (input.startsWith(QLatin1String("../"))) {
            input = input.mid(3);
        } else if (input.startsWith(QLatin1String("./"))) {
            input = input.mid(2);
        } else if (input.startsWith(QLatin1String("/./"))) {
            input = input.mid(2);
        } else if (input == QLatin1String("/.")) {
            output += QLatin1Char('/');
            break;
        } else if (input.startsWith(QLatin1String("/../"))) {
            input = input.mid(3);
            dropLastSegment();
        } else if (input == QLatin1String("/..")) {
            dropLastSegment();
            output += QLatin1Char('/');
            break;
        } else if (input == QLatin1String(".") || input == QLatin1String("..")) {
            break;
        } else {
            qsizetype end = input.indexOf(QLatin1Char('/'), 1);
            if (end < 0)
                end = input.size();
            output += input.left(end);
            input = input.mid(end);
        }
    }
    return output;
}

struct EscapedParts
{
    QString scheme;
    QString user;
    QString password;
    QString host;
    quint16 port = 0;
    QString path;
    QString query;
};

QUrl buildUrl(const EscapedParts& parts)
{
    if (parts.scheme.isEmpty())
        return {};
    QString text = parts.scheme + QLatin1String("://");
    if (!parts.user.isEmpty()) {
        text += parts.user;
        if (!parts.password.isEmpty())
            text += QLatin1Char(':') + parts.password;
        text += QLatin1Char('@');
    }
    if (!parts.host.isNull()) {
        // QUrl hands IPv6 hosts out without their brackets; put back what
        // the URL syntax needs.
        if (parts.host.contains(QLatin1Char(':')) && !parts.host.startsWith(QLatin1Char('[')))
            text += QLatin1Char('[') + parts.host + QLatin1Char(']');
        else
            text += parts.host;
    }
    if (parts.port != 0)
        text += QLatin1Char(':') + QString::number(parts.port);
    if (!parts.path.isEmpty()) {
        QString path = parts.path;
        if (!path.startsWith(QLatin1Char('/')))
            path.prepend(QLatin1Char('/'));
        // Only a last segment that is exactly ".." steps up ("notes.." is a
        // name), and only in the path: a query ending in ".." is data.
        if (path.endsWith(QLatin1String("/.."))) {
            MIV_LOG_DEBUG(QStringLiteral("URLWithScheme end with '..' - append slash char: %1").arg(path));
            path += QLatin1Char('/');
        }
        text += removeDotSegments(path);
    }
    if (!parts.query.isEmpty())
        text += QLatin1Char('?') + parts.query;

    const QUrl url(text, QUrl::StrictMode);
    if (!url.isValid())
        return {};
    return url;
}

QString escapeWithFallback(const QString& text, int encoding, const char* extra)
{
    QString escaped = escapeInEncoding(text, encoding, extra);
    if (escaped.isNull()) {
        MIV_LOG_DEBUG(QStringLiteral("val = NULL"));
        escaped = escapeInEncoding(text, kUTF8StringEncoding, extra);
    }
    return escaped;
}

quint16 portOf(const QUrl& url)
{
    const int port = url.port();
    return port > 0 && port <= 0xFFFF ? quint16(port) : quint16(0);
}

// The parts of a URL exactly as they are escaped in it, so a rebuilt URL keeps
// escapes that are not UTF-8 byte for byte.
EscapedParts escapedPartsOf(const QUrl& url)
{
    EscapedParts parts;
    parts.scheme = url.scheme();
    parts.user = url.userName(QUrl::FullyEncoded);
    parts.password = url.password(QUrl::FullyEncoded);
    parts.host = url.host(QUrl::FullyEncoded);
    parts.port = portOf(url);
    parts.path = url.path(QUrl::FullyEncoded);
    return parts;
}

// The path as the URL's path reads: unescaped, without a trailing "/" except
// for the root. A mounted share "smb://h/share/" and "smb://h/share" name the
// same folder.
QString comparablePath(const QUrl& url)
{
    QString path = pathByReplacingPercentEscapes(url);
    if (path.isEmpty())
        return QStringLiteral("/");
    while (path.size() > 1 && path.endsWith(QLatin1Char('/')))
        path.chop(1);
    return path.toLower();
}

} // namespace

// --- Building ---

QString escapePath(const QString& path, int encoding)
{
    return escapeInEncoding(path, encoding, kPathExtra);
}

QUrl URLWithScheme(const QString& scheme, const QString& host, const QString& path)
{
    return URLWithScheme(scheme, QString(), QString(), host, 0, path);
}

QUrl URLWithScheme(const QString& scheme, const QString& user, const QString& password,
                   const QString& host, quint16 port, const QString& path)
{
    return URLWithScheme(scheme, user, password, host, port, path, QString());
}

QUrl URLWithScheme(const QString& scheme, const QString& user, const QString& password,
                   const QString& host, quint16 port, const QString& path, const QString& query)
{
    return URLWithScheme(scheme, user, password, host, port, path, query, kUTF8StringEncoding);
}

QUrl URLWithScheme(const QString& scheme, const QString& user, const QString& password,
                   const QString& host, quint16 port, const QString& path, const QString& query,
                   int enc)
{
    if (scheme.isEmpty())
        return {};
    EscapedParts parts;
    parts.scheme = scheme;
    if (!user.isEmpty()) {
        parts.user = escapeInEncoding(user, kUTF8StringEncoding, kUserInfoExtra);
        if (parts.user.isNull())
            return {};
        if (!password.isEmpty()) {
            parts.password = escapeInEncoding(password, kUTF8StringEncoding, kUserInfoExtra);
            if (parts.password.isNull())
                return {};
        }
    }
    parts.host = host;
    parts.port = port;
    if (!path.isEmpty()) {
        parts.path = escapeWithFallback(path, enc, kPathExtra);
        if (parts.path.isNull())
            return {};
    }
    if (!query.isEmpty()) {
        parts.query = escapeWithFallback(query, enc, kQueryExtra);
        if (parts.query.isNull())
            return {};
    }
    return buildUrl(parts);
}

// --- Sub-paths and sub-URLs ---

QString subpathForURL(const QUrl& url, const QString& path)
{
    return subpathForPath(path, pathByReplacingPercentEscapes(url));
}

QString subpathForPath(const QString& path, const QString& base)
{
    // An empty base is the server's root: "docs" under it is "/docs", not the
    // root itself.
    QString result = base.isEmpty() ? QStringLiteral("/") : base;
    if (!path.isEmpty()) {
        QString tail = path;
        if (tail.startsWith(QLatin1Char('/')))
            tail.remove(0, 1);
        if (!result.endsWith(QLatin1Char('/')) && !tail.startsWith(QLatin1Char('/')))
            result += QLatin1Char('/');
        result += tail;
    }
    if (!result.startsWith(QLatin1Char('/')))
        result.prepend(QLatin1Char('/'));
    return result;
}

namespace {

// The base's parts exactly as they are escaped in it (an escape that is not
// UTF-8 or an escaped delimiter would not survive unescaping and escaping
// again) with an already escaped path.
QUrl suburlWithEscapedPath(const QUrl& url, const QString& escapedPath)
{
    if (escapedPath.isNull())
        return {};
    EscapedParts parts = escapedPartsOf(url);
    parts.path = escapedPath;
    parts.query = url.query(QUrl::FullyEncoded);
    return buildUrl(parts);
}

} // namespace

QUrl suburlForURL(const QUrl& url, const QString& path)
{
    const QString segment = path.isEmpty() ? QString(QLatin1String("")) : escapeInEncoding(path, kUTF8StringEncoding, kPathExtra);
    if (segment.isNull())
        return {};
    return suburlWithEscapedPath(url, subpathForPath(segment, url.path(QUrl::FullyEncoded)));
}

QUrl suburlForURL(const QUrl& url, const QString& path, const QString& base)
{
    return suburlWithEscapedPath(url, escapeInEncoding(subpathForPath(path, base), kUTF8StringEncoding, kPathExtra));
}

// --- Reading parts back ---

QString passwordByReplacingPercentEscapes(const QUrl& url)
{
    return safeUnescape(url.password(QUrl::FullyEncoded));
}

QString queryByReplacingPercentEscapes(const QUrl& url)
{
    return safeUnescape(url.query(QUrl::FullyEncoded));
}

QString pathByReplacingPercentEscapes(const QUrl& url)
{
    return safeUnescape(url.path(QUrl::FullyEncoded));
}

QString pathByReplacingPercentEscapes(const QUrl& url, int encoding)
{
    const QString path = url.path(QUrl::FullyEncoded);
    if (path.isEmpty())
        return {};
    MIV_LOG_DEBUG(QStringLiteral("Path before replace: %1").arg(path));
    const std::optional<QString> decoded = replacePercentEscapes(path, encoding);
    return decoded ? *decoded : QString();
}

QString safeUnescape(const QString& text)
{
    if (text.isNull())
        return {};
    const QString unescaped = unescape(text);
    return unescaped.isNull() ? text : unescaped;
}

QString unescape(const QString& text)
{
    if (text.isEmpty())
        return {};
    const std::optional<QString> decoded = replacePercentEscapes(text, kUTF8StringEncoding);
    return decoded ? *decoded : QString();
}

// --- Passwords ---

QUrl URLByAddingPassword(const QUrl& url, const QString& password)
{
    EscapedParts parts = escapedPartsOf(url);
    parts.password.clear();
    const QString plain = safeUnescape(password);
    if (!plain.isEmpty()) {
        parts.password = escapeInEncoding(plain, kUTF8StringEncoding, kUserInfoExtra);
        if (parts.password.isNull())
            return {};
    }
    return buildUrl(parts);
}

QUrl URLByDeletingPassword(const QUrl& url)
{
    EscapedParts parts = escapedPartsOf(url);
    parts.password.clear();
    return buildUrl(parts);
}

QUrl URLByDeletingUserAndPassword(const QUrl& url)
{
    EscapedParts parts = escapedPartsOf(url);
    parts.user.clear();
    parts.password.clear();
    return buildUrl(parts);
}

// --- Comparison ---

bool isSemiEqualToURL(const QUrl& url, const QUrl& other, bool checkContains)
{
    // No URL (nil) or one that could not be made equals nothing, on either
    // side: an empty receiver would otherwise read as the root of no server.
    if (url.isEmpty() || other.isEmpty() || !url.isValid() || !other.isValid())
        return false;
    if (url.scheme().toLower() != other.scheme().toLower())
        return false;
    if (url.host(QUrl::FullyEncoded).toLower() != other.host(QUrl::FullyEncoded).toLower())
        return false;
    if ((url.port() != -1 || other.port() != -1) && url.port() != other.port())
        return false;
    const QString path = comparablePath(url);
    const QString otherPath = comparablePath(other);
    if (path == otherPath)
        return true;
    if (!checkContains)
        return false;
    return (path + QLatin1Char('/')).contains(otherPath + QLatin1Char('/'));
}

} // namespace UrlParameters
