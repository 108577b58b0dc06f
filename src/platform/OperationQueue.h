#pragma once

#include "platform/BoundedQueue.h"
#include "platform/Operation.h"
#include "platform/Qos.h"

#include "platform/Mutex.h"

#include <condition_variable>
#include <vector>

namespace plat {

class OperationQueue;
using OperationQueuePtr = std::shared_ptr<OperationQueue>;

// Runs added operations in the order they were added, at most a maximum of
// them at once, on the worker pool of its quality of service. Operations
// waiting for a slot hold no thread. The queue stays alive while it has
// operations.
class OperationQueue : public std::enable_shared_from_this<OperationQueue>
{
public:
    // As many at once as the pool runs.
    static constexpr int DefaultMaxConcurrentOperationCount = -1;

    // A maximum below 1 (other than the default) is taken as 1.
    static OperationQueuePtr create(const QString& name = QString(),
                                    int maxConcurrentOperationCount = DefaultMaxConcurrentOperationCount,
                                    int qualityOfService = Qos::Default);

    QString name() const;
    void setName(const QString& name);

    int maxConcurrentOperationCount() const;
    void setMaxConcurrentOperationCount(int count);

    int qualityOfService() const;
    void setQualityOfService(int qos);

    // An operation runs once: adding one that is in a queue already, running
    // or finished is logged and ignored.
    void addOperation(const OperationPtr& operation);
    void addOperations(const std::vector<OperationPtr>& operations, bool waitUntilFinished);
    void addOperationWithBlock(Operation::Block block);

    // Cancels every operation in the queue; those not started finish without
    // running when their turn comes.
    void cancelAllOperations();
    void waitUntilAllOperationsAreFinished();

    // Operations added and not yet finished.
    int operationCount() const;
    std::vector<OperationPtr> operations() const;

protected:
    OperationQueue(const QString& name, int maxConcurrentOperationCount, int qualityOfService);

private:
    static QString runnerLabel(const QString& name);
    void run(const OperationPtr& operation);
    void operationDidFinish(const OperationPtr& operation);

    const BoundedQueuePtr m_runner;
    mutable Mutex m_mutex;
    std::condition_variable m_cv;
    QString m_name MIV_GUARDED_BY(m_mutex);
    std::vector<OperationPtr> m_operations MIV_GUARDED_BY(m_mutex);
};

} // namespace plat
