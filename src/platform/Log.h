#pragma once

#include <QDateTime>
#include <QString>

#include <functional>

namespace plat {

// Level flags as the program's log lines know them.
enum class LogLevel : int {
    Error = 1,
    Warning = 2,
    Info = 4,
    Debug = 8,
    Verbose = 16,
};

// One message handed to the line formatter.
struct LogMessage
{
    int flag = 0;                // a LogLevel value; kept as int so odd flags survive
    QDateTime timestamp;         // local time of the call
    QString text;
    QString threadId;            // short text identifying the calling thread
    QString threadName;          // label of the calling thread, may be empty
    const char* function = nullptr;
    const char* file = nullptr;
    int line = 0;
};

using LogLineFormatter = std::function<QString(const LogMessage&)>;

// Writes one message. Below the process-wide level (information) it costs a
// comparison. Texts are used as they are: never as a format string.
void log(LogLevel level, const char* function, const char* file, int line, const QString& message);

bool isLogEnabled(LogLevel level);

// Installs the program's line layout for the file logger; until then lines
// go to stderr in a plain layout.
void setLogLineFormatter(LogLineFormatter formatter);

} // namespace plat

#define MIV_LOG(level, message) ::plat::log((level), __func__, __FILE__, __LINE__, (message))
#define MIV_LOG_ERROR(message) MIV_LOG(::plat::LogLevel::Error, message)
#define MIV_LOG_WARN(message) MIV_LOG(::plat::LogLevel::Warning, message)
#define MIV_LOG_INFO(message) MIV_LOG(::plat::LogLevel::Info, message)
#define MIV_LOG_DEBUG(message)                                    \
    do {                                                          \
        if (::plat::isLogEnabled(::plat::LogLevel::Debug))        \
            MIV_LOG(::plat::LogLevel::Debug, message);            \
    } while (0)
