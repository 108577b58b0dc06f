#pragma once

// Private to the logger (src/platform/Log.cpp): it brings spdlog in.

#include "platform/Log.h"

#include <spdlog/details/log_msg.h>
#include <spdlog/sinks/base_sink.h>

#include <mutex>

namespace plat {

// Hands the message text, without the program's line layout, to the system
// log (or to the writer a test installs). The logger gives it errors only.
class SystemLogSink final : public spdlog::sinks::base_sink<std::mutex>
{
public:
    // An empty writer sends to syslog(3) under the identity "mivo".
    explicit SystemLogSink(SystemLogWriter writer);

protected:
    void sink_it_(const spdlog::details::log_msg& msg) override;
    void flush_() override {}

private:
    SystemLogWriter m_writer;
};

} // namespace plat
