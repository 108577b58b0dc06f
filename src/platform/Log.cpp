#include "platform/Log.h"

#include <cstdio>

// Minimal stand-in until the logger is set up: every line to stderr.
namespace plat {

void log(LogLevel level, const char* function, const char* file, int line, const QString& message)
{
    if (!isLogEnabled(level))
        return;
    std::fprintf(stderr, "%d %s: %s\n", static_cast<int>(level), function ? function : "", message.toUtf8().constData());
}

bool isLogEnabled(LogLevel level)
{
    return static_cast<int>(level) <= static_cast<int>(LogLevel::Info);
}

void setLogLineFormatter(LogLineFormatter)
{
}

} // namespace plat
