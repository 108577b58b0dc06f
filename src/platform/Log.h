#pragma once

#include <QDateTime>
#include <QString>

#include <chrono>
#include <functional>
#include <optional>

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
using LogClock = std::function<std::chrono::system_clock::time_point()>;
// Receives the text of every error-level message for the system log.
using SystemLogWriter = std::function<void(LogLevel level, const QString& text)>;

// Name of the log file being written; rolled files are named
// "mivo-yyyy-MM-dd_HH-mm-ss.log" (local time of the roll, "_N" added when
// that name is taken) in the same folder.
inline constexpr const char* kCurrentLogFileName = "mivo.log";

// The file and system-log loggers. The level is fixed at information: the
// limits are fields only so that tests can roll files without writing
// megabytes; the program uses the defaults.
struct LogSetup
{
    QString folder;
    qint64 maximumFileSize = 20971520;
    std::chrono::seconds rollingFrequency{86400};
    int maximumNumberOfLogFiles = 14; // the current file included
    LogClock clock;                   // empty: the system clock
    SystemLogWriter systemLog;        // empty: syslog(3)
};

// Writes one message. Below the process-wide level (information) it costs a
// comparison. Texts are used as they are: never as a format string. A
// message is one line: CR and LF in it are written as "\r" and "\n"
// (LogMessage::text holds it so); every other character is kept.
void log(LogLevel level, const char* function, const char* file, int line, const QString& message);

bool isLogEnabled(LogLevel level);

// Installs the program's line layout for the file logger (and for stderr
// until the file logger runs); an empty formatter restores the plain layout.
// The previous formatter is released outside the logger's locks.
void setLogLineFormatter(LogLineFormatter formatter);
LogLineFormatter logLineFormatter();

// Starts the rolling file logger in setup.folder (created when missing) and
// the system logger for errors, replacing any earlier set-up. When the folder
// or the file cannot be made, lines keep going to stderr and false is
// answered; the reason is written to stderr.
bool setupLogging(const LogSetup& setup);

// Stops the file and system loggers; lines go to stderr again.
void shutdownLogging();

// The set-up in force, if any (tests restore it after installing their own).
std::optional<LogSetup> currentLogSetup();

// $XDG_STATE_HOME/MIVO/logs, by default ~/.local/state/MIVO/logs.
QString defaultLogFolder();

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
