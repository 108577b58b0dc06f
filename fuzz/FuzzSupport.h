#pragma once

// Shared by the fuzz targets: splitting an input into parts, turning bytes
// into text, and failing a property loudly enough for libFuzzer to keep the
// input.

#include "platform/IcuLocale.h"
#include "platform/Path.h"

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <string>

namespace fuzz {

// The input as parts separated by "\n"; the last part asked for takes the
// rest, newlines included. Seeds stay readable text files this way.
class Input
{
public:
    Input(const uint8_t* data, size_t size)
        : m_bytes(reinterpret_cast<const char*>(data), qsizetype(size))
    {
    }

    bool atEnd() const { return m_at >= m_bytes.size(); }

    QByteArray part()
    {
        if (atEnd())
            return {};
        const qsizetype end = m_bytes.indexOf('\n', m_at);
        const QByteArray result = m_bytes.mid(m_at, end < 0 ? -1 : end - m_at);
        m_at = end < 0 ? m_bytes.size() : end + 1;
        return result;
    }

    QByteArray rest()
    {
        const QByteArray result = m_bytes.mid(m_at);
        m_at = m_bytes.size();
        return result;
    }

    // One byte, 0 when the input is used up.
    uint8_t byte()
    {
        return atEnd() ? 0 : uint8_t(m_bytes[m_at++]);
    }

private:
    QByteArray m_bytes;
    qsizetype m_at = 0;
};

// Bytes as the program reads names: lossless, bytes that are not UTF-8
// become the codec's escapes.
inline QString text(const QByteArray& bytes)
{
    return plat::Path::fromNative(bytes);
}

// Bytes as raw UTF-16 units (little-endian pairs), lone surrogates and all:
// strings no decoder would make, which text from widgets may still hold.
inline QString rawUtf16(const QByteArray& bytes)
{
    QString result;
    for (qsizetype i = 0; i + 1 < bytes.size(); i += 2)
        result.append(QChar(char16_t(uint8_t(bytes[i]) | uint8_t(bytes[i + 1]) << 8)));
    return result;
}

// Printable form of a text for a failure report: every unit outside
// printable ASCII as \uXXXX.
inline std::string show(const QString& value)
{
    if (value.isNull())
        return "<null>";
    std::string out = "\"";
    for (const QChar c : value) {
        const char16_t u = c.unicode();
        if (u >= 0x20 && u < 0x7F && u != '\\' && u != '"') {
            out += char(u);
        } else {
            char buffer[8];
            std::snprintf(buffer, sizeof buffer, "\\u%04X", unsigned(u));
            out += buffer;
        }
    }
    return out + "\"";
}

inline std::string show(const QByteArray& value)
{
    return show(QString::fromLatin1(value));
}

inline std::string show(const QUrl& value)
{
    return value.isValid() ? show(value.toString(QUrl::FullyEncoded)) : std::string("<invalid url>");
}

inline std::string show(bool value)
{
    return value ? "true" : "false";
}

// A property that does not hold: report what was compared and abort, which
// libFuzzer records as a finding with the input that caused it.
[[noreturn]] inline void fail(const char* property, std::initializer_list<std::string> details)
{
    std::fprintf(stderr, "\n*** property failed: %s\n", property);
    for (const std::string& detail : details)
        std::fprintf(stderr, "    %s\n", detail.c_str());
    std::abort();
}

// The process set-up every target shares: a fixed ICU locale, as the tests
// have, so findings reproduce on any machine.
inline void initialize()
{
    plat::setIcuDefaultLocale(QStringLiteral("en_US"));
}

} // namespace fuzz

// Targets name the details of a failure with show(...).
using fuzz::show;

#define FUZZ_CHECK(condition, ...)                       \
    do {                                                 \
        if (!(condition))                                \
            ::fuzz::fail(#condition, {__VA_ARGS__});     \
    } while (0)
