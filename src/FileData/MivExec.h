#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

class MivMaxConcurrentTasksQueue;

namespace plat {
class ConcurrentQueue;
class DispatchQueue;
class Operation;
class OperationQueue;
class Process;
class SerialQueue;
} // namespace plat

// The one place that decides on which thread or queue work runs.
class MivExec
{
public:
    using Block = std::function<void()>;

    MivExec() = delete;

    // On the main thread: runs the block before returning. Elsewhere: hands it
    // to the main thread and waits until it has run. The caller must not hold
    // anything the main thread may be waiting for.
    static void runOnMainThread(const Block& block);

    // Always runs the block on a later turn of the main loop; never waits.
    static void runAsyncOnMainThread(Block block);

    // On the main thread: runs the block at once. Elsewhere: hands it to the
    // main thread without waiting.
    static void runOnMainThreadAsync(Block block);

    // forceAsync true behaves as runAsyncOnMainThread, false as runOnMainThreadAsync.
    static void runAsyncOnMainThread(Block block, bool forceAsync);

    static bool isMainThread();

    // Hands the block to the queue without waiting; no queue means a later
    // turn of the main loop.
    static void runAsync(Block block, const std::shared_ptr<plat::DispatchQueue>& on);
    // Hands the block to the bounded queue; with no queue the block is dropped.
    static void runAsync(Block block, const std::shared_ptr<MivMaxConcurrentTasksQueue>& onQueue);

    // Runs the block on the global queue of that priority and waits until it
    // finishes or the time-out (milliseconds) passes, whichever comes first.
    // A block that outlasts the time-out keeps running; the caller is not told.
    static void runAndJoin(Block block, unsigned timeout, long priority);

    // Queue factories: each answers a new queue owned by the caller. Labels of
    // dispatch queues are used as given; operation queue names get the
    // prefix "com.quorvex.".
    static std::shared_ptr<plat::SerialQueue> createSerialDispatchQueueWithName(const char* label);
    static std::shared_ptr<plat::ConcurrentQueue> createConcurrentDispatchQueueWithName(const char* label);
    static std::shared_ptr<plat::ConcurrentQueue> createConcurrentDispatchQueueWithNameQos(const char* label, int qos);
    static std::shared_ptr<MivMaxConcurrentTasksQueue>
    createConcurrentDispatchQueueWithNameAndMaxConcurrency(const char* label, unsigned maxConcurrency);
    static std::shared_ptr<plat::OperationQueue>
    createOperationQueueWithName(const QString& name, int maxOperationsCount, int qualityOfService);
    static std::shared_ptr<plat::OperationQueue> createUtilityOperationQueueWithName(const QString& name);
    static std::shared_ptr<plat::OperationQueue> createSingleOperationQueueWithName(const QString& name);
    static std::shared_ptr<plat::OperationQueue> createBackgroundOperationQueueWithName(const QString& name);

    // "com.quorvex.shared.operation.queue": at most 20 operations at the
    // utility quality of service; made once, on first request.
    static std::shared_ptr<plat::OperationQueue> sharedOperationQueue();
    static void addOperationWithBlock(Block block, const std::shared_ptr<plat::OperationQueue>& toQueue);
    // Runs the operations on a fresh background queue, in order, and waits
    // until all have finished.
    static void runOperations(const std::vector<std::shared_ptr<plat::Operation>>& operations);

    // True when the current thread works for a registered operation
    // (plat::Operation::ThreadRegistration) that is cancelled or finished.
    static bool hasCancelledOperation();

    // Starts a user tool and answers the running process at once; its output
    // is not captured and nobody needs to wait for it (the process reaper
    // collects it). params nullptr means none. Launch modes: 2 runs
    // "/bin/bash" "-l" "-c" "<path> <params joined by blanks>"; 3 launches a
    // desktop entry (path ending in ".desktop") by its Exec line with the
    // params, any other path directly; 0 is 3 for a desktop entry file, else
    // 1; 1 and any other value start the path directly with the params.
    // No path, or no file at the program's path (or a desktop entry whose
    // program is not installed): nullptr, nothing logged. A program that
    // exists but cannot be started throws MivTaskLaunchException.
    static std::shared_ptr<plat::Process> executeTaskWithLaunchPath(const QString& path, const QStringList* params, int as);
};
