#pragma once

// Private to the logger: the one mapping between our level flags and spdlog's.

#include "platform/Log.h"

#include <spdlog/common.h>

namespace plat {

// Flags that are not exactly one of the four named levels travel as trace,
// which the logger's level never lets through.
inline spdlog::level::level_enum toSpdlogLevel(int flag)
{
    switch (flag) {
    case static_cast<int>(LogLevel::Error):
        return spdlog::level::err;
    case static_cast<int>(LogLevel::Warning):
        return spdlog::level::warn;
    case static_cast<int>(LogLevel::Info):
        return spdlog::level::info;
    case static_cast<int>(LogLevel::Debug):
        return spdlog::level::debug;
    default:
        return spdlog::level::trace;
    }
}

inline LogLevel fromSpdlogLevel(spdlog::level::level_enum level)
{
    switch (level) {
    case spdlog::level::critical:
    case spdlog::level::err:
        return LogLevel::Error;
    case spdlog::level::warn:
        return LogLevel::Warning;
    case spdlog::level::info:
        return LogLevel::Info;
    case spdlog::level::debug:
        return LogLevel::Debug;
    default:
        return LogLevel::Verbose;
    }
}

} // namespace plat
