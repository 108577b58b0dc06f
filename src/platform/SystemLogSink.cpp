#include "platform/SystemLogSink.h"

#include "platform/LogText.h"
#include "platform/SpdlogLevels.h"

#include <syslog.h>

namespace plat {

namespace {

int priorityOf(LogLevel level)
{
    switch (level) {
    case LogLevel::Error:
        return LOG_ERR;
    case LogLevel::Warning:
        return LOG_WARNING;
    case LogLevel::Info:
        return LOG_INFO;
    default:
        return LOG_DEBUG;
    }
}

void writeToSyslog(LogLevel level, const QString& text)
{
    static const bool opened = [] {
        ::openlog("mivo", LOG_PID, LOG_USER);
        return true;
    }();
    (void)opened;
    ::syslog(priorityOf(level), "%s", logBytes(text).constData());
}

} // namespace

SystemLogSink::SystemLogSink(SystemLogWriter writer)
    : m_writer(writer ? std::move(writer) : SystemLogWriter(writeToSyslog))
{
}

void SystemLogSink::sink_it_(const spdlog::details::log_msg& msg)
{
    m_writer(fromSpdlogLevel(msg.level), logText(msg.payload));
}

} // namespace plat
