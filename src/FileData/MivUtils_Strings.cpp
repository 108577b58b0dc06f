#include "FileData/MivUtils.h"

#include "platform/Path.h"
#include "platform/PathString.h"

#include <array>
#include <string_view>

namespace {

// The bytes a URL path keeps as they are, as a table: every listed entry's
// cache key is made from its path one byte at a time.
constexpr std::array<bool, 256> kUrlPathAllowed = [] {
    std::array<bool, 256> allowed {};
    for (int c = 'A'; c <= 'Z'; ++c)
        allowed[std::size_t(c)] = true;
    for (int c = 'a'; c <= 'z'; ++c)
        allowed[std::size_t(c)] = true;
    for (int c = '0'; c <= '9'; ++c)
        allowed[std::size_t(c)] = true;
    for (const char c : std::string_view("!$&'()*+,-./:=@_~"))
        allowed[static_cast<unsigned char>(c)] = true;
    return allowed;
}();

bool isUrlPathAllowed(unsigned char c)
{
    return kUrlPathAllowed[c];
}

bool isSpace(QChar c)
{
    return c.isSpace();
}

bool isAsciiDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

} // namespace

QString MivUtils::sanitizedString(const QString& string)
{
    return sanitizedNative(plat::Path::toNative(string));
}

QString MivUtils::sanitizedNative(const QByteArray& bytes)
{
    static const char kHex[] = "0123456789ABCDEF";
    // Item-cache keys are made for every listed entry: one allocation, sized
    // exactly, and no per-character append.
    qsizetype length = 0;
    for (const char ch : bytes)
        length += isUrlPathAllowed(static_cast<unsigned char>(ch)) ? 1 : 3;
    QString out(length, Qt::Uninitialized);
    QChar* at = out.data();
    for (const char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        if (isUrlPathAllowed(c)) {
            *at++ = QLatin1Char(ch);
        } else {
            *at++ = QLatin1Char('%');
            *at++ = QLatin1Char(kHex[c >> 4]);
            *at++ = QLatin1Char(kHex[c & 0x0F]);
        }
    }
    return out;
}

QString MivUtils::stringWithStripSuffix(const QString& suffix, const QString& from)
{
    if (suffix.isEmpty() || !from.endsWith(suffix))
        return from;
    return from.left(from.size() - suffix.size());
}

bool MivUtils::string(const QString& string, const QString& contains)
{
    return !contains.isEmpty() && string.contains(contains);
}

QString MivUtils::stringWithPath(const QString& path, const QString& relativeTo)
{
    const QStringList pathParts = plat::PathString::pathComponents(path);
    const QStringList baseParts = plat::PathString::pathComponents(relativeTo);
    qsizetype common = 0;
    while (common < pathParts.size() && common < baseParts.size() && pathParts[common] == baseParts[common])
        ++common;
    QStringList result;
    for (qsizetype i = common; i < baseParts.size(); ++i)
        result << QStringLiteral("..");
    for (qsizetype i = common; i < pathParts.size(); ++i)
        result << pathParts[i];
    return plat::PathString::pathWithComponents(result);
}

bool MivUtils::isAllDigits(const QString& string)
{
    for (const char32_t c : string.toUcs4()) {
        if (!QChar::isDigit(c))
            return false;
    }
    return true;
}

bool MivUtils::isNumeric(const QString& string)
{
    // The C library's strtod would also take "inf", "nan", hexadecimal and
    // the locale's decimal separator: a number here is decimal with ".".
    qsizetype i = 0;
    const qsizetype n = string.size();
    auto digits = [&] {
        const qsizetype start = i;
        while (i < n && isAsciiDigit(string[i]))
            ++i;
        return i - start;
    };
    while (i < n && isSpace(string[i]))
        ++i;
    if (i < n && (string[i] == QLatin1Char('+') || string[i] == QLatin1Char('-')))
        ++i;
    qsizetype mantissa = digits();
    if (i < n && string[i] == QLatin1Char('.')) {
        ++i;
        mantissa += digits();
    }
    if (mantissa == 0)
        return false;
    if (i < n && (string[i] == QLatin1Char('e') || string[i] == QLatin1Char('E'))) {
        const qsizetype mark = i;
        ++i;
        if (i < n && (string[i] == QLatin1Char('+') || string[i] == QLatin1Char('-')))
            ++i;
        if (digits() == 0)
            i = mark; // "1e" is the number 1 followed by a letter
    }
    while (i < n && isSpace(string[i]))
        ++i;
    return i == n;
}

QString MivUtils::leftPadString(const QString& string, const QString& withPadding)
{
    return (withPadding + string).right(withPadding.size());
}

QString MivUtils::leftPadString(const QString& string, qsizetype toLength, const QString& withString,
                                qsizetype startingAtIndex)
{
    if (toLength < string.size() || withString.isEmpty())
        return string;
    const qsizetype missing = toLength - string.size();
    qsizetype index = startingAtIndex % withString.size();
    if (index < 0)
        index += withString.size();
    QString pad;
    pad.reserve(missing);
    while (pad.size() < missing) {
        pad += withString.at(index);
        index = (index + 1) % withString.size();
    }
    return pad + string;
}
