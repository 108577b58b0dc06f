#pragma once

// Private to the logger: how a message's text crosses spdlog (bytes) and
// reaches the files and the system log (bytes).

#include "platform/Path.h"

#include <QByteArray>
#include <QString>

#include <spdlog/common.h>

namespace plat {

// One message is one line: a line break inside it would end the line early
// and pass what follows off as a line of its own (with a forged time and
// level). CR and LF are written as the two characters "\r" and "\n".
inline QString singleLineText(const QString& text)
{
    if (!text.contains(QLatin1Char('\r')) && !text.contains(QLatin1Char('\n')))
        return text;
    QString out;
    out.reserve(text.size() + 8);
    for (const QChar c : text) {
        if (c == QLatin1Char('\r'))
            out += QLatin1String("\\r");
        else if (c == QLatin1Char('\n'))
            out += QLatin1String("\\n");
        else
            out += c;
    }
    return out;
}

// Through the path codec, not UTF-8: QString::fromUtf8 drops a leading
// U+FEFF and toUtf8 turns the lone surrogates that stand for the bytes of
// names that are not UTF-8 into "?". The codec keeps every character, and a
// file name's bytes reach the log file as they are.
inline QByteArray logBytes(const QString& text)
{
    return Path::toNative(text);
}

inline QString logText(spdlog::string_view_t payload)
{
    return Path::fromNative(QByteArray(payload.data(), static_cast<qsizetype>(payload.size())));
}

} // namespace plat
