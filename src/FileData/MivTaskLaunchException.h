#pragma once

#include "platform/Error.h"

#include <stdexcept>

// Thrown when the system refuses to start a tool that exists (not
// executable, a malformed desktop entry, no resources). The tools menu
// catches it and presents the error.
class MivTaskLaunchException : public std::runtime_error
{
public:
    explicit MivTaskLaunchException(plat::Error error)
        : std::runtime_error(error.description().toStdString()), m_error(std::move(error))
    {
    }

    const plat::Error& error() const { return m_error; }

private:
    plat::Error m_error;
};
