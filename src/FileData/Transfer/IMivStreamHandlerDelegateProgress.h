#pragma once

#include <memory>

class IOperationProgressProvider;

// Optional part of a transfer delegate: reports its progress to the running
// operation's sink (held weakly).
class IMivStreamHandlerDelegateProgress
{
public:
    virtual ~IMivStreamHandlerDelegateProgress() = default;
    virtual void setProgressProvider(const std::weak_ptr<IOperationProgressProvider>& provider) = 0;
};
