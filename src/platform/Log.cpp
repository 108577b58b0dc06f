#include "platform/Log.h"

#include "platform/LogText.h"
#include "platform/Path.h"
#include "platform/PathString.h"

#include "platform/RollingFileSink.h"
#include "platform/SpdlogLevels.h"
#include "platform/SystemLogSink.h"
#include "platform/ThreadInfo.h"


#include <spdlog/logger.h>

#include <cstdio>
#include <memory>
#include <mutex>
#include <unistd.h>

namespace plat {

namespace {

struct ActiveLogger
{
    std::shared_ptr<spdlog::logger> logger;
    LogSetup setup;
    LogClock clock;
};

// Readers copy the pointers under the mutex and work on their copies, so a
// new set-up or formatter never pulls an object from under a writing thread.
struct LogState
{
    std::mutex mutex;
    std::shared_ptr<const ActiveLogger> active;
    std::shared_ptr<const LogLineFormatter> formatter;
};

LogState& state()
{
    // Never destroyed: threads and static destructors may log during exit.
    static LogState* const instance = new LogState;
    return *instance;
}

std::shared_ptr<const ActiveLogger> activeLogger()
{
    LogState& s = state();
    std::lock_guard<std::mutex> guard(s.mutex);
    return s.active;
}

std::shared_ptr<const LogLineFormatter> lineFormatter()
{
    LogState& s = state();
    std::lock_guard<std::mutex> guard(s.mutex);
    return s.formatter;
}

QChar levelLetter(int flag)
{
    switch (flag) {
    case static_cast<int>(LogLevel::Error):
        return QLatin1Char('E');
    case static_cast<int>(LogLevel::Warning):
        return QLatin1Char('W');
    case static_cast<int>(LogLevel::Info):
        return QLatin1Char('I');
    case static_cast<int>(LogLevel::Debug):
        return QLatin1Char('D');
    default:
        return QLatin1Char('V');
    }
}

// Used until the program installs its own layout.
QString plainLine(const LogMessage& message)
{
    QString thread = message.threadId;
    if (!message.threadName.isEmpty())
        thread += QLatin1Char(':') + message.threadName;
    return QStringLiteral("%1;%2 [%3] %4")
        .arg(message.timestamp.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")), levelLetter(message.flag), thread,
             message.text);
}

QString lineFor(const LogMessage& message)
{
    const std::shared_ptr<const LogLineFormatter> formatter = lineFormatter();
    if (formatter && *formatter) {
        try {
            return (*formatter)(message);
        } catch (...) {
            // A broken layout must not cost the line.
        }
    }
    return plainLine(message);
}

// The loggers are synchronous: sinks run on the logging thread, so the
// thread's identity is read there.
LogMessage messageFrom(const spdlog::details::log_msg& msg)
{
    LogMessage message;
    message.flag = static_cast<int>(fromSpdlogLevel(msg.level));
    message.timestamp = QDateTime::fromMSecsSinceEpoch(
        std::chrono::duration_cast<std::chrono::milliseconds>(msg.time.time_since_epoch()).count());
    message.text = logText(msg.payload);
    message.threadId = currentThreadIdText();
    message.threadName = currentThreadLabel();
    message.function = msg.source.funcname;
    message.file = msg.source.filename;
    message.line = msg.source.line;
    return message;
}

void writeToStderr(const QString& line)
{
    static std::mutex mutex;
    const QByteArray bytes = logBytes(line) + '\n';
    std::lock_guard<std::mutex> guard(mutex);
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stderr);
}

} // namespace

void log(LogLevel level, const char* function, const char* file, int line, const QString& message)
{
    if (!isLogEnabled(level))
        return;
    const int flag = static_cast<int>(level);
    const QString text = singleLineText(message);
    if (const std::shared_ptr<const ActiveLogger> active = activeLogger()) {
        const QByteArray bytes = logBytes(text);
        active->logger->log(active->clock(), spdlog::source_loc{file, line, function}, toSpdlogLevel(flag),
                            spdlog::string_view_t(bytes.constData(), static_cast<size_t>(bytes.size())));
        return;
    }
    LogMessage entry;
    entry.flag = flag;
    entry.timestamp = QDateTime::currentDateTime();
    entry.text = text;
    entry.threadId = currentThreadIdText();
    entry.threadName = currentThreadLabel();
    entry.function = function;
    entry.file = file;
    entry.line = line;
    writeToStderr(lineFor(entry));
}

bool isLogEnabled(LogLevel level)
{
    return level == LogLevel::Error || level == LogLevel::Warning || level == LogLevel::Info;
}

void setLogLineFormatter(LogLineFormatter formatter)
{
    std::shared_ptr<const LogLineFormatter> replacement;
    if (formatter)
        replacement = std::make_shared<const LogLineFormatter>(std::move(formatter));
    LogState& s = state();
    {
        std::lock_guard<std::mutex> guard(s.mutex);
        s.formatter.swap(replacement);
    }
    // replacement now holds the old formatter and releases it here, unlocked.
}

LogLineFormatter logLineFormatter()
{
    const std::shared_ptr<const LogLineFormatter> formatter = lineFormatter();
    return formatter ? *formatter : LogLineFormatter();
}

bool setupLogging(const LogSetup& setup)
{
    if (setup.folder.isEmpty() || !Path::makePath(setup.folder, 0700)) {
        writeToStderr(QStringLiteral("Cannot create the log folder \"%1\"; logging to stderr").arg(setup.folder));
        return false;
    }
    auto active = std::make_shared<ActiveLogger>();
    active->setup = setup;
    active->clock = setup.clock ? setup.clock : LogClock([] { return std::chrono::system_clock::now(); });

    RollingFileSink::Options options;
    options.folder = setup.folder;
    options.maximumFileSize = setup.maximumFileSize;
    options.rollingFrequency = setup.rollingFrequency;
    options.maximumNumberOfLogFiles = setup.maximumNumberOfLogFiles;
    options.clock = active->clock;
    auto fileSink = std::make_shared<RollingFileSink>(
        std::move(options), [](const spdlog::details::log_msg& msg) { return lineFor(messageFrom(msg)); });
    if (!fileSink->isOpen()) {
        writeToStderr(QStringLiteral("Cannot open the log file \"%1\": %2; logging to stderr")
                          .arg(fileSink->currentFilePath(), fileSink->errorString()));
        return false;
    }
    fileSink->set_level(spdlog::level::info);
    auto systemSink = std::make_shared<SystemLogSink>(setup.systemLog);
    systemSink->set_level(spdlog::level::err);

    active->logger = std::make_shared<spdlog::logger>("mivo", spdlog::sinks_init_list{fileSink, systemSink});
    active->logger->set_level(spdlog::level::info);

    std::shared_ptr<const ActiveLogger> previous = std::move(active);
    LogState& s = state();
    {
        std::lock_guard<std::mutex> guard(s.mutex);
        s.active.swap(previous);
    }
    return true;
}

void shutdownLogging()
{
    std::shared_ptr<const ActiveLogger> previous;
    LogState& s = state();
    std::lock_guard<std::mutex> guard(s.mutex);
    s.active.swap(previous);
}

std::optional<LogSetup> currentLogSetup()
{
    if (const std::shared_ptr<const ActiveLogger> active = activeLogger())
        return active->setup;
    return std::nullopt;
}

QString defaultLogFolder()
{
    QString state = Path::fromNative(qgetenv("XDG_STATE_HOME"));
    // XDG base directories must be absolute; a relative one is ignored.
    if (!state.startsWith(QLatin1Char('/')))
        state = PathString::homeDirectory() + QStringLiteral("/.local/state");
    return state + QStringLiteral("/MIVO/logs");
}

} // namespace plat
