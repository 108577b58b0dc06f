#include "FileData/MivExec.h"

#include "FileData/MivMaxConcurrentTasksQueue.h"
#include "platform/ConcurrentQueue.h"
#include "platform/DispatchQueue.h"
#include "platform/Log.h"
#include "platform/Operation.h"
#include "platform/OperationQueue.h"
#include "platform/Qos.h"
#include "platform/SerialQueue.h"
#include "platform/MainDispatcher.h"
#include "platform/Wait.h"
#include "platform/NoDestructor.h"

#include <QScopeGuard>
#include <QThread>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace {

// Without an installed main thread (a tool process, an early start-up step)
// the calling thread stands in for it, so synchronous callers still make progress.
plat::MainDispatcher* mainDispatcherOrLog()
{
    plat::MainDispatcher* dispatcher = plat::MainDispatcher::instance();
    if (!dispatcher)
        MIV_LOG_ERROR(QStringLiteral("No main thread is installed: work for it is dropped"));
    return dispatcher;
}

} // namespace

bool MivExec::isMainThread()
{
    return plat::MainDispatcher::onMainThread();
}

void MivExec::runOnMainThread(const Block& block)
{
    plat::MainDispatcher* dispatcher = plat::MainDispatcher::instance();
    if (!dispatcher || dispatcher->isMainThread()) {
        block();
        return;
    }
    std::mutex mutex;
    std::condition_variable cv;
    bool done = false;
    dispatcher->post([&] {
        // Released even when the block throws (the dispatcher logs it).
        const auto release = qScopeGuard([&] {
            std::lock_guard<std::mutex> guard(mutex);
            done = true;
            cv.notify_all();
        });
        block();
    });
    std::unique_lock<std::mutex> lock(mutex);
    plat::waitUntil(lock, cv, [&] { return done; });
}

void MivExec::runAsyncOnMainThread(Block block)
{
    if (plat::MainDispatcher* dispatcher = mainDispatcherOrLog())
        dispatcher->post(std::move(block));
}

void MivExec::runOnMainThreadAsync(Block block)
{
    plat::MainDispatcher* dispatcher = plat::MainDispatcher::instance();
    if (dispatcher && dispatcher->isMainThread()) {
        block();
        return;
    }
    if ((dispatcher = mainDispatcherOrLog()))
        dispatcher->post(std::move(block));
}

void MivExec::runAsyncOnMainThread(Block block, bool forceAsync)
{
    if (forceAsync)
        runAsyncOnMainThread(std::move(block));
    else
        runOnMainThreadAsync(std::move(block));
}

void MivExec::runAsync(Block block, const std::shared_ptr<plat::DispatchQueue>& on)
{
    if (on)
        on->async(std::move(block));
    else
        runAsyncOnMainThread(std::move(block));
}

void MivExec::runAsync(Block block, const std::shared_ptr<MivMaxConcurrentTasksQueue>& onQueue)
{
    if (onQueue)
        onQueue->runAsync(std::move(block));
}

void MivExec::runAndJoin(Block block, unsigned timeout, long priority)
{
    const auto deadline = plat::WaitClock::now() + std::chrono::milliseconds(timeout);
    plat::asyncAndWait(*plat::ConcurrentQueue::global(plat::GlobalQueuePriority::qos(priority)), std::move(block),
                       deadline);
}

std::shared_ptr<plat::SerialQueue> MivExec::createSerialDispatchQueueWithName(const char* label)
{
    return plat::SerialQueue::create(QString::fromUtf8(label));
}

std::shared_ptr<plat::ConcurrentQueue> MivExec::createConcurrentDispatchQueueWithName(const char* label)
{
    return plat::ConcurrentQueue::create(QString::fromUtf8(label));
}

std::shared_ptr<plat::ConcurrentQueue> MivExec::createConcurrentDispatchQueueWithNameQos(const char* label, int qos)
{
    return plat::ConcurrentQueue::create(QString::fromUtf8(label), qos);
}

std::shared_ptr<MivMaxConcurrentTasksQueue>
MivExec::createConcurrentDispatchQueueWithNameAndMaxConcurrency(const char* label, unsigned maxConcurrency)
{
    return std::make_shared<MivMaxConcurrentTasksQueue>(label, maxConcurrency);
}

std::shared_ptr<plat::OperationQueue> MivExec::createOperationQueueWithName(const QString& name, int maxOperationsCount,
                                                                             int qualityOfService)
{
    return plat::OperationQueue::create(QStringLiteral("com.quorvex.%1").arg(name), maxOperationsCount,
                                        qualityOfService);
}

std::shared_ptr<plat::OperationQueue> MivExec::createUtilityOperationQueueWithName(const QString& name)
{
    return createOperationQueueWithName(name, 20, plat::Qos::Utility);
}

std::shared_ptr<plat::OperationQueue> MivExec::createSingleOperationQueueWithName(const QString& name)
{
    return createOperationQueueWithName(name, 1, plat::Qos::UserInteractive);
}

namespace {
// Background work follows the machine; read when the queue is made.
int backgroundConcurrency()
{
    return 4 * std::max(1, QThread::idealThreadCount());
}
} // namespace

std::shared_ptr<plat::OperationQueue> MivExec::createBackgroundOperationQueueWithName(const QString& name)
{
    return createOperationQueueWithName(name, backgroundConcurrency(), plat::Qos::Background);
}

std::shared_ptr<plat::OperationQueue> MivExec::sharedOperationQueue()
{
    static const plat::NoDestructor<std::shared_ptr<plat::OperationQueue>> queue(
        plat::OperationQueue::create(QStringLiteral("com.quorvex.shared.operation.queue"), 20, plat::Qos::Utility));
    return *queue;
}

void MivExec::addOperationWithBlock(Block block, const std::shared_ptr<plat::OperationQueue>& toQueue)
{
    if (toQueue)
        toQueue->addOperationWithBlock(std::move(block));
}

void MivExec::runOperations(const std::vector<std::shared_ptr<plat::Operation>>& operations)
{
    const auto queue = plat::OperationQueue::create(QString(), backgroundConcurrency(), plat::Qos::Background);
    queue->addOperations(operations, true);
}

bool MivExec::hasCancelledOperation()
{
    const auto operation = plat::Operation::currentThreadOperation();
    return operation && (operation->isCancelled() || operation->isFinished());
}
