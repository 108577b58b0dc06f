#pragma once

#include "FileData/MivFileDataTypes.h"
#include "app/operations/IMivAsyncActionDelegate.h"
#include "app/operations/IMivFileOperationRefreshDelegate.h"

#include <QString>

#include <atomic>
#include <memory>
#include <mutex>

// The waiter of an operation that a caller waits for: handed to the
// operation as both refresh and action delegate, it starts the operation,
// records where the result went, says when the operation is complete,
// passes on one cancel and gives the item the operation produced.
//
// Threads: reports arrive from the main thread and from workers while the
// caller polls complete() from its own thread; the flags are atomics and the
// recorded objects sit behind a mutex.
class LocalActionHendler : public IMivAsyncActionDelegate, public IMivFileOperationRefreshDelegate
{
public:
    LocalActionHendler() = default;

    QString operationName() const;
    void setOperationName(const QString& name);
    bool complete() const { return m_complete.load(); }
    // Cancels the started operation once; later calls do nothing.
    void cancel();
    // The item the operation created, or the existing child of the
    // destination folder named after its destination path; null otherwise.
    MivFileDataPtr getResult();

    void updateInfo(const QVariant& info, const std::shared_ptr<MivFileOperationData>& forOperation) override;
    void startOperation(const std::shared_ptr<MivFileOperationData>& operation) override;
    void didReceiveCurrentPath(const QString& path, quint64 bytesCompleted, quint64 bytesTotal, double throughput,
                               int currentStageOfFileOperation,
                               const std::shared_ptr<MivFileOperationData>& operation) override;
    void didAsyncOperationStarted(const std::shared_ptr<MivFileOperationData>& operation) override;
    void didAsyncOperationComplete(const std::shared_ptr<MivFileOperationData>& operation) override;
    bool didReceiveOperationError(const plat::Error& error, const QString& withMessage,
                                  const std::shared_ptr<MivFileOperationData>& operation,
                                  const QString& currentPath) override;

    void notifyStart(QObject* notification) override;
    void notifyStop(QObject* notification) override;
    void refreshDataAfterOperation(const std::shared_ptr<MivFileOperationData>& operation) override;
    void refreshDataAfterOperationItem(const std::shared_ptr<MivFileOperationData>& operation) override;

private:
    std::shared_ptr<MivFileOperationData> operation() const;

    mutable std::mutex m_mutex;
    std::shared_ptr<MivFileOperationData> m_operation;
    QString m_destPath;
    MivFileDataPtr m_context;
    MivFileDataPtr m_destination;
    QString m_operationName;
    std::atomic<bool> m_canceled{false};
    std::atomic<bool> m_complete{false};
};
