#pragma once

// The running part of one step that an operation record can stop: the
// system's file operation of a local step, or the cross-file-system
// processor. cancel() may come from any thread and only asks it to stop.
class IMivOperationStep
{
public:
    virtual ~IMivOperationStep() = default;
    virtual void cancel() = 0;
};
