#pragma once

// Optional part of a transfer delegate: stops a running back-end request at
// once when the transfer is cancelled.
class IMivStreamHandlerDelegateCancel
{
public:
    virtual ~IMivStreamHandlerDelegateCancel() = default;
    virtual void processCancelOperation() = 0;
};
