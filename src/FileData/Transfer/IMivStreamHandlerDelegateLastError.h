#pragma once

namespace plat {
class Error;
}

// Optional part of a transfer delegate: takes an error to report later.
class IMivStreamHandlerDelegateLastError
{
public:
    virtual ~IMivStreamHandlerDelegateLastError() = default;
    virtual void setLastError(const plat::Error& error) = 0;
};
