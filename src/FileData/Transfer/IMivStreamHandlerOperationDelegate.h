#pragma once

#include <memory>

class IOperationProgressProvider;
class MivFileStreamHandler;

// Observes a stream handler's run. Both operations are optional: the
// defaults stand for an observer that does not answer them.
class IMivStreamHandlerOperationDelegate
{
public:
    virtual ~IMivStreamHandlerOperationDelegate() = default;

    // The running operation's progress sink, handed on to the delegate.
    virtual std::shared_ptr<IOperationProgressProvider> progressProvider() { return nullptr; }
    // Called after each step that moved bytes, with its status (2 go on, 0
    // finished, 1 failed); false stops the transfer as failed.
    virtual bool handler(const std::shared_ptr<MivFileStreamHandler>& handler, int didChunkProcessed) { return true; }
};
