#pragma once

#include <QString>
#include <QVariant>

#include <memory>

class MivFileOperationData;

namespace plat {
class Error;
}

// Receiver of an operation's start, progress, error and completion reports
// (the operations controller, or a waiter that a caller blocks on).
class IMivAsyncActionDelegate
{
public:
    virtual ~IMivAsyncActionDelegate() = default;

    virtual void updateInfo(const QVariant& info, const std::shared_ptr<MivFileOperationData>& forOperation) = 0;
    virtual void startOperation(const std::shared_ptr<MivFileOperationData>& operation) = 0;
    // stage: 0 undefined, 1 preparing, 2 running, 3 complete.
    virtual void didReceiveCurrentPath(const QString& path, quint64 bytesCompleted, quint64 bytesTotal, double throughput,
                                       int currentStageOfFileOperation,
                                       const std::shared_ptr<MivFileOperationData>& operation) = 0;
    virtual void didAsyncOperationStarted(const std::shared_ptr<MivFileOperationData>& operation) = 0;
    virtual void didAsyncOperationComplete(const std::shared_ptr<MivFileOperationData>& operation) = 0;
    // True when the receiver handled the error.
    virtual bool didReceiveOperationError(const plat::Error& error, const QString& withMessage,
                                          const std::shared_ptr<MivFileOperationData>& operation,
                                          const QString& currentPath) = 0;
};
