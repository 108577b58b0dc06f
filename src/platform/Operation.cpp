#include "platform/Operation.h"

#include "platform/Log.h"
#include "platform/TaskGuard.h"

#include <utility>

namespace plat {

namespace {
thread_local OperationPtr t_currentOperation;
}

void Operation::start()
{
    {
        MutexLock lock(m_mutex);
        if (m_started || m_finished) {
            const QString name = m_name;
            lock.unlock();
            MIV_LOG_WARN(QStringLiteral("Operation \"%1\" started twice; ignored").arg(name));
            return;
        }
        m_started = true;
    }
    if (isCancelled()) {
        setFinished(true);
        return;
    }
    setExecuting(true);
    detail::runGuarded([this] { main(); }, name());
    setExecuting(false);
    setFinished(true);
}

void Operation::cancel()
{
    m_cancelled.store(true);
}

bool Operation::isExecuting() const
{
    MutexLock guard(m_mutex);
    return m_executing;
}

bool Operation::isFinished() const
{
    MutexLock guard(m_mutex);
    return m_finished;
}

void Operation::setExecuting(bool executing)
{
    MutexLock guard(m_mutex);
    m_executing = executing;
}

void Operation::setFinished(bool finished)
{
    Block completion;
    {
        MutexLock guard(m_mutex);
        if (m_finished == finished)
            return;
        m_finished = finished;
        if (!finished)
            return;
        m_started = true;
        completion = std::move(m_completionBlock);
        m_completionBlock = nullptr;
    }
    m_cv.notify_all();
    wakeMainWaiters();
    // Guarded: the completion block runs inside whoever finished the
    // operation (a queue's bookkeeping, a caller of start()), and its
    // exception must not skip their clean-up.
    if (completion)
        detail::runGuarded(completion, name());
}

void Operation::waitUntilFinished()
{
    waitUntilFinished(WaitClock::time_point::max());
}

bool Operation::waitUntilFinished(WaitClock::time_point deadline)
{
    MutexLock lock(m_mutex);
    return waitUntil(lock.uniqueLock(), m_cv, [this]() MIV_REQUIRES(m_mutex) { return m_finished; }, deadline);
}

void Operation::setCompletionBlock(Block block)
{
    MutexLock guard(m_mutex);
    m_completionBlock = std::move(block);
}

Operation::Block Operation::completionBlock() const
{
    MutexLock guard(m_mutex);
    return m_completionBlock;
}

QString Operation::name() const
{
    MutexLock guard(m_mutex);
    return m_name;
}

void Operation::setName(const QString& name)
{
    MutexLock guard(m_mutex);
    m_name = name;
}

OperationPtr Operation::currentThreadOperation()
{
    return t_currentOperation;
}

Operation::ThreadRegistration::ThreadRegistration(OperationPtr operation)
    : m_previous(std::exchange(t_currentOperation, std::move(operation)))
{
}

Operation::ThreadRegistration::~ThreadRegistration()
{
    t_currentOperation = std::move(m_previous);
}

} // namespace plat
