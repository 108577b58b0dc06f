#pragma once

#include "platform/Log.h"

#include <optional>

namespace mivtest {

// Puts back the logger set-up and line layout that were in force when it was
// made, so a test may install its own.
class ScopedLogState
{
public:
    ScopedLogState() : m_setup(plat::currentLogSetup()), m_formatter(plat::logLineFormatter()) {}
    ~ScopedLogState()
    {
        if (m_setup)
            plat::setupLogging(*m_setup);
        else
            plat::shutdownLogging();
        plat::setLogLineFormatter(m_formatter);
    }
    ScopedLogState(const ScopedLogState&) = delete;
    ScopedLogState& operator=(const ScopedLogState&) = delete;

private:
    std::optional<plat::LogSetup> m_setup;
    plat::LogLineFormatter m_formatter;
};

} // namespace mivtest
