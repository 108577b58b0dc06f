#pragma once

#include <QVariant>

// The copy engine's progress sink. Stream handlers never call it; they hand
// it on to the transfer delegates of the running operation.
class IOperationProgressProvider
{
public:
    virtual ~IOperationProgressProvider() = default;

    virtual void progress(const QVariant& progress, const QVariant& total, const QVariant& throughput,
                          const QVariant& message) = 0;
};
