#include "platform/Path.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace plat {

namespace {

constexpr char16_t kEscapeBase = 0xDC00;

bool isContinuation(unsigned char c)
{
    return (c & 0xC0) == 0x80;
}

// Length of the well-formed UTF-8 sequence at data[i] (Unicode table 3-7:
// no overlong forms, no surrogates, nothing above U+10FFFF), or 0.
int wellFormedLength(const unsigned char* data, qsizetype size, qsizetype i, char32_t* codePoint)
{
    const unsigned char c = data[i];
    const qsizetype left = size - i;
    if (c < 0x80) {
        *codePoint = c;
        return 1;
    }
    if (c >= 0xC2 && c <= 0xDF) {
        if (left < 2 || !isContinuation(data[i + 1]))
            return 0;
        *codePoint = (char32_t(c & 0x1F) << 6) | (data[i + 1] & 0x3F);
        return 2;
    }
    if (c >= 0xE0 && c <= 0xEF) {
        if (left < 3)
            return 0;
        const unsigned char c1 = data[i + 1];
        const unsigned char lo = c == 0xE0 ? 0xA0 : 0x80;
        const unsigned char hi = c == 0xED ? 0x9F : 0xBF;
        if (c1 < lo || c1 > hi || !isContinuation(data[i + 2]))
            return 0;
        *codePoint = (char32_t(c & 0x0F) << 12) | (char32_t(c1 & 0x3F) << 6) | (data[i + 2] & 0x3F);
        return 3;
    }
    if (c >= 0xF0 && c <= 0xF4) {
        if (left < 4)
            return 0;
        const unsigned char c1 = data[i + 1];
        const unsigned char lo = c == 0xF0 ? 0x90 : 0x80;
        const unsigned char hi = c == 0xF4 ? 0x8F : 0xBF;
        if (c1 < lo || c1 > hi || !isContinuation(data[i + 2]) || !isContinuation(data[i + 3]))
            return 0;
        *codePoint = (char32_t(c & 0x07) << 18) | (char32_t(c1 & 0x3F) << 12) | (char32_t(data[i + 2] & 0x3F) << 6)
                     | (data[i + 3] & 0x3F);
        return 4;
    }
    return 0;
}

void appendUtf8(QByteArray& out, char32_t cp)
{
    if (cp < 0x80) {
        out.append(char(cp));
    } else if (cp < 0x800) {
        out.append(char(0xC0 | (cp >> 6)));
        out.append(char(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.append(char(0xE0 | (cp >> 12)));
        out.append(char(0x80 | ((cp >> 6) & 0x3F)));
        out.append(char(0x80 | (cp & 0x3F)));
    } else {
        out.append(char(0xF0 | (cp >> 18)));
        out.append(char(0x80 | ((cp >> 12) & 0x3F)));
        out.append(char(0x80 | ((cp >> 6) & 0x3F)));
        out.append(char(0x80 | (cp & 0x3F)));
    }
}

bool isUnreserved(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.'
           || c == '_' || c == '~';
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

QString currentFolder()
{
    std::unique_ptr<char, decltype(&std::free)> cwd(::getcwd(nullptr, 0), &std::free);
    return cwd ? Path::fromNative(cwd.get()) : QString();
}

} // namespace

QByteArray Path::toNative(const QString& path)
{
    const qsizetype size = path.size();
    const char16_t* units = reinterpret_cast<const char16_t*>(path.constData());
    bool plain = true;
    for (qsizetype i = 0; i < size && plain; ++i)
        plain = !QChar::isSurrogate(units[i]);
    if (plain)
        return path.toUtf8();

    QByteArray out;
    out.reserve(size * 3);
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t u = units[i];
        if (QChar::isHighSurrogate(u) && i + 1 < size && QChar::isLowSurrogate(units[i + 1])) {
            appendUtf8(out, QChar::surrogateToUcs4(u, units[i + 1]));
            ++i;
        } else if (u >= 0xDC80 && u <= 0xDCFF) {
            out.append(char(u - kEscapeBase));
        } else {
            appendUtf8(out, u);
        }
    }
    return out;
}

QString Path::fromNative(const QByteArray& bytes)
{
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.constData());
    const qsizetype size = bytes.size();
    QString out;
    out.reserve(size);
    qsizetype i = 0;
    while (i < size) {
        if (data[i] < 0x80) {
            out.append(QChar(char16_t(data[i])));
            ++i;
            continue;
        }
        char32_t cp = 0;
        const int length = wellFormedLength(data, size, i, &cp);
        if (length == 0) {
            out.append(QChar(char16_t(kEscapeBase + data[i])));
            ++i;
        } else {
            if (QChar::requiresSurrogates(cp)) {
                out.append(QChar(QChar::highSurrogate(cp)));
                out.append(QChar(QChar::lowSurrogate(cp)));
            } else {
                out.append(QChar(char16_t(cp)));
            }
            i += length;
        }
    }
    return out;
}

QString Path::fromNative(const char* bytes)
{
    return bytes ? fromNative(QByteArray(bytes)) : QString();
}

QByteArray Path::percentEncode(const QByteArray& bytes)
{
    static const char kHex[] = "0123456789ABCDEF";
    QByteArray out;
    out.reserve(bytes.size() * 3);
    for (const char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        if (isUnreserved(c) || c == '/') {
            out.append(ch);
        } else {
            out.append('%');
            out.append(kHex[c >> 4]);
            out.append(kHex[c & 0x0F]);
        }
    }
    return out;
}

QByteArray Path::percentDecode(const QByteArray& encoded)
{
    QByteArray out;
    out.reserve(encoded.size());
    for (qsizetype i = 0; i < encoded.size(); ++i) {
        if (encoded[i] == '%' && i + 2 < encoded.size()) {
            const int hi = hexValue(encoded[i + 1]);
            const int lo = hexValue(encoded[i + 2]);
            if (hi >= 0 && lo >= 0) {
                out.append(char((hi << 4) | lo));
                i += 2;
                continue;
            }
        }
        out.append(encoded[i]);
    }
    return out;
}

QString Path::toFileUrl(const QString& path)
{
    if (path.isEmpty() || !isNameable(path))
        return QString();
    QString absolute = path;
    // "file://" followed by a relative path would name a host.
    if (!absolute.startsWith(QLatin1Char('/')))
        absolute = currentFolder() + QLatin1Char('/') + absolute;
    return QLatin1String("file://") + QLatin1String(percentEncode(toNative(absolute)));
}

QUrl Path::toFileQUrl(const QString& path)
{
    const QString url = toFileUrl(path);
    return url.isEmpty() ? QUrl() : QUrl::fromEncoded(url.toLatin1(), QUrl::StrictMode);
}

QString Path::fromFileUrl(const QString& url)
{
    // Non-ASCII characters of a hand-written URL stand for their UTF-8 bytes.
    const QByteArray bytes = toNative(url);
    const QByteArray scheme("file:");
    if (bytes.size() < scheme.size() || qstrnicmp(bytes.constData(), scheme.constData(), scheme.size()) != 0)
        return QString();
    QByteArray rest = bytes.mid(scheme.size());
    if (rest.startsWith("//")) {
        const qsizetype slash = rest.indexOf('/', 2);
        const QByteArray authority = rest.mid(2, slash < 0 ? -1 : slash - 2);
        if (!authority.isEmpty() && qstricmp(authority.constData(), "localhost") != 0)
            return QString();
        if (slash < 0)
            return QString();
        rest = rest.mid(slash);
    }
    if (!rest.startsWith('/'))
        return QString();
    for (const char end : {'?', '#'}) {
        const qsizetype at = rest.indexOf(end);
        if (at >= 0)
            rest.truncate(at);
    }
    return fromNative(percentDecode(rest));
}

QString Path::fromFileUrl(const QUrl& url)
{
    if (!url.isValid())
        return QString();
    return fromFileUrl(QString::fromLatin1(url.toEncoded(QUrl::FullyEncoded)));
}

bool Path::isNameable(const QString& path)
{
    const qsizetype size = path.size();
    const char16_t* units = reinterpret_cast<const char16_t*>(path.constData());
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t u = units[i];
        if (u == 0)
            return false;
        if (!QChar::isSurrogate(u))
            continue;
        if (QChar::isHighSurrogate(u) && i + 1 < size && QChar::isLowSurrogate(units[i + 1]))
            ++i;
        else if (u < 0xDC80 || u > 0xDCFF)
            return false;
    }
    return true;
}

int Path::open(const QString& path, int flags, mode_t mode)
{
    if (!isNameable(path)) {
        errno = EINVAL;
        return -1;
    }
    return ::open(toNative(path).constData(), flags | O_CLOEXEC, mode);
}

int Path::mkdir(const QString& path, mode_t mode)
{
    if (!isNameable(path)) {
        errno = EINVAL;
        return -1;
    }
    return ::mkdir(toNative(path).constData(), mode);
}

bool Path::makePath(const QString& path, mode_t mode)
{
    if (path.isEmpty() || !isNameable(path)) {
        errno = path.isEmpty() ? ENOENT : EINVAL;
        return false;
    }
    QByteArray native = toNative(path);
    while (native.size() > 1 && native.endsWith('/'))
        native.chop(1);
    struct stat info {};
    if (::stat(native.constData(), &info) == 0) {
        if (S_ISDIR(info.st_mode))
            return true;
        errno = ENOTDIR;
        return false;
    }
    // Each prefix ending before a "/" is a folder to make, then the whole path.
    for (qsizetype slash = native.indexOf('/', 1); ; slash = native.indexOf('/', slash + 1)) {
        const QByteArray prefix = slash < 0 ? native : native.left(slash);
        if (::mkdir(prefix.constData(), mode) != 0 && errno != EEXIST)
            return false;
        if (slash < 0)
            break;
    }
    if (::stat(native.constData(), &info) != 0)
        return false;
    if (!S_ISDIR(info.st_mode)) {
        errno = ENOTDIR;
        return false;
    }
    return true;
}

QString Path::realPath(const QString& path)
{
    if (path.isEmpty() || !isNameable(path)) {
        errno = path.isEmpty() ? ENOENT : EINVAL;
        return QString();
    }
    std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(toNative(path).constData(), nullptr), &std::free);
    return resolved ? fromNative(resolved.get()) : QString();
}

} // namespace plat
