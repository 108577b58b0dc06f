#include "platform/OperationQueue.h"

#include "platform/BlockOperation.h"
#include "platform/Log.h"
#include "platform/TaskGuard.h"

#include <QScopeGuard>

#include <algorithm>

namespace plat {

OperationQueuePtr OperationQueue::create(const QString& name, int maxConcurrentOperationCount, int qualityOfService)
{
    return OperationQueuePtr(new OperationQueue(name, maxConcurrentOperationCount, qualityOfService));
}

OperationQueue::OperationQueue(const QString& name, int maxConcurrentOperationCount, int qualityOfService)
    : m_runner(BoundedQueue::create(runnerLabel(name), maxConcurrentOperationCount, qualityOfService))
    , m_name(name)
{
}

QString OperationQueue::runnerLabel(const QString& name)
{
    return name.isEmpty() ? QStringLiteral("plat.operation-queue") : name;
}

QString OperationQueue::name() const
{
    MutexLock guard(m_mutex);
    return m_name;
}

void OperationQueue::setName(const QString& name)
{
    {
        MutexLock guard(m_mutex);
        m_name = name;
    }
    m_runner->setLabel(runnerLabel(name));
}

int OperationQueue::maxConcurrentOperationCount() const
{
    return m_runner->maxConcurrency();
}

void OperationQueue::setMaxConcurrentOperationCount(int count)
{
    m_runner->setMaxConcurrency(count);
}

int OperationQueue::qualityOfService() const
{
    return m_runner->qos();
}

void OperationQueue::setQualityOfService(int qos)
{
    m_runner->setQos(qos);
}

void OperationQueue::addOperation(const OperationPtr& operation)
{
    if (!operation)
        return;
    if (operation->m_enqueued.exchange(true) || operation->isExecuting() || operation->isFinished()) {
        MIV_LOG_ERROR(QStringLiteral("Operation \"%1\" is already queued, running or finished; not added to \"%2\"")
                          .arg(operation->name(), name()));
        return;
    }
    {
        MutexLock guard(m_mutex);
        m_operations.push_back(operation);
    }
    // The task holds the queue, so it outlives its owner's reference until
    // its operations are done.
    m_runner->async([self = shared_from_this(), operation] { self->run(operation); });
}

void OperationQueue::run(const OperationPtr& operation)
{
    // The queue lets go of the operation however it ends, so that
    // waitUntilAllOperationsAreFinished returns.
    const auto didFinish = qScopeGuard([&] { operationDidFinish(operation); });
    if (!detail::runGuarded([&] { operation->start(); }, operation->name())) {
        // A start() that threw will not report its end: finish it here so
        // its own waiters return too.
        operation->setExecuting(false);
        operation->setFinished(true);
        return;
    }
    // An operation that finishes later by itself keeps its slot until then.
    if (!operation->isFinished())
        operation->waitUntilFinished();
}

void OperationQueue::operationDidFinish(const OperationPtr& operation)
{
    {
        MutexLock guard(m_mutex);
        m_operations.erase(std::remove(m_operations.begin(), m_operations.end(), operation), m_operations.end());
    }
    m_cv.notify_all();
    wakeMainWaiters();
}

void OperationQueue::addOperations(const std::vector<OperationPtr>& operations, bool waitUntilFinished)
{
    for (const OperationPtr& operation : operations)
        addOperation(operation);
    if (!waitUntilFinished)
        return;
    for (const OperationPtr& operation : operations) {
        if (operation)
            operation->waitUntilFinished();
    }
}

void OperationQueue::addOperationWithBlock(Operation::Block block)
{
    addOperation(BlockOperation::create(std::move(block)));
}

void OperationQueue::cancelAllOperations()
{
    for (const OperationPtr& operation : operations())
        operation->cancel();
}

void OperationQueue::waitUntilAllOperationsAreFinished()
{
    MutexLock lock(m_mutex);
    waitUntil(lock.uniqueLock(), m_cv, [this]() MIV_REQUIRES(m_mutex) { return m_operations.empty(); });
}

int OperationQueue::operationCount() const
{
    MutexLock guard(m_mutex);
    return static_cast<int>(m_operations.size());
}

std::vector<OperationPtr> OperationQueue::operations() const
{
    MutexLock guard(m_mutex);
    return m_operations;
}

} // namespace plat
