#pragma once

#include "platform/Wait.h"

#include <QString>

#include <atomic>
#include "platform/Mutex.h"

#include <condition_variable>
#include <functional>
#include <memory>

namespace plat {

class Operation;
using OperationPtr = std::shared_ptr<Operation>;

// One unit of cancellable work, run once: by an operation queue, or by
// calling start() directly. Subclasses supply main(); those that manage their
// own progress (an operation that turns a run loop until a request ends)
// override start() and report through setExecuting()/setFinished().
class Operation : public std::enable_shared_from_this<Operation>
{
public:
    using Block = std::function<void()>;

    virtual ~Operation() = default;
    Operation(const Operation&) = delete;
    Operation& operator=(const Operation&) = delete;

    // Runs the operation on the calling thread. A cancelled operation finishes
    // without running main(); one that was started before is left alone.
    virtual void start();
    virtual void main() = 0;

    // Marks the operation cancelled. Running work sees it through
    // isCancelled(); an operation that has not started will not run main().
    virtual void cancel();

    bool isCancelled() const { return m_cancelled.load(); }
    bool isExecuting() const;
    bool isFinished() const;

    // Waits until the operation has finished (on the main thread the main loop
    // turns meanwhile). The deadline form answers whether it finished.
    void waitUntilFinished();
    bool waitUntilFinished(WaitClock::time_point deadline);

    // Runs once, on the thread that finishes the operation, after waiters were
    // released; it is dropped afterwards, so it may hold the operation.
    void setCompletionBlock(Block block);
    Block completionBlock() const;

    QString name() const;
    void setName(const QString& name);

    // The operation the current thread works for, as registered below, or null.
    static OperationPtr currentThreadOperation();

    // Registers an operation as the current thread's for its lifetime and puts
    // back the previous one after. Code that works for an operation registers
    // it explicitly; start() does not.
    class ThreadRegistration
    {
    public:
        explicit ThreadRegistration(OperationPtr operation);
        ~ThreadRegistration();
        ThreadRegistration(const ThreadRegistration&) = delete;
        ThreadRegistration& operator=(const ThreadRegistration&) = delete;

    private:
        OperationPtr m_previous;
    };

protected:
    Operation() = default;

    void setExecuting(bool executing);
    // The first change to finished releases waiters and runs the completion block.
    void setFinished(bool finished);

private:
    friend class OperationQueue;

    mutable Mutex m_mutex;
    std::condition_variable m_cv;
    bool m_started MIV_GUARDED_BY(m_mutex) = false;
    bool m_executing MIV_GUARDED_BY(m_mutex) = false;
    bool m_finished MIV_GUARDED_BY(m_mutex) = false;
    std::atomic<bool> m_cancelled{false};
    // Set once an operation queue took it: an operation runs at most once.
    std::atomic<bool> m_enqueued{false};
    QString m_name MIV_GUARDED_BY(m_mutex);
    Block m_completionBlock MIV_GUARDED_BY(m_mutex);
};

} // namespace plat
