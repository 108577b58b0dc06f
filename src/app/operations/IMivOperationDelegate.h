#pragma once

#include <memory>

class IMivAsyncActionDelegate;

// What an operation record asks of the object that runs its steps (the
// operation item of the operations controller). The record holds it weakly.
class IMivOperationDelegate
{
public:
    virtual ~IMivOperationDelegate() = default;

    // The record moved to a new current source: run its step, or end the
    // operation when the record is finished.
    virtual void processCurrentFile() = 0;
    // Run the step for the current source now.
    virtual void executeCurrentFileAction() = 0;
    // The record was closed: unregister the operation.
    virtual void finishFileOperation() = 0;
    // The receiver of the operation's progress and error reports, or null.
    virtual std::shared_ptr<IMivAsyncActionDelegate> asyncDelegate() = 0;
};
