#pragma once

#include <memory>

class IOperationProgressProvider;
class MivRunloopOperation;

// A loader whose transfer is one request running on its own run loop.
class IMivLoaderProtocol
{
public:
    virtual ~IMivLoaderProtocol() = default;
    // The request that performs the transfer; null when there is none.
    virtual std::shared_ptr<MivRunloopOperation> createRunloopOperation() = 0;
    // Optional: null stands for a loader that does not answer it.
    virtual std::shared_ptr<IOperationProgressProvider> progressProvider() const { return nullptr; }
};
