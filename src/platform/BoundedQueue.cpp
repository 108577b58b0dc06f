#include "platform/BoundedQueue.h"

#include "platform/TaskGuard.h"
#include "platform/WorkerPool.h"

#include <QScopeGuard>

#include <climits>

namespace plat {

BoundedQueuePtr BoundedQueue::create(const QString& label, int maxConcurrency, int qos)
{
    return BoundedQueuePtr(new BoundedQueue(label, maxConcurrency, qos));
}

BoundedQueue::BoundedQueue(const QString& label, int maxConcurrency, int qos)
    : m_max(normalizedMax(maxConcurrency))
    , m_label(label)
    , m_qos(Qos::band(qos))
{
}

int BoundedQueue::normalizedMax(int maxConcurrency)
{
    if (maxConcurrency == Unlimited)
        return Unlimited;
    return maxConcurrency < 1 ? 1 : maxConcurrency;
}

int BoundedQueue::limitLocked() const
{
    return m_max == Unlimited ? INT_MAX : m_max;
}

void BoundedQueue::async(Task task)
{
    {
        MutexLock guard(m_mutex);
        if (m_running >= limitLocked() || !m_pending.empty()) {
            m_pending.push_back(Pending{std::move(task), nullptr});
            return;
        }
        ++m_running;
    }
    startRunner(std::move(task));
}

bool BoundedQueue::runSynchronously(Task task)
{
    SyncCaller caller;
    {
        MutexLock lock(m_mutex);
        if (m_running < limitLocked() && m_pending.empty()) {
            ++m_running;
        } else {
            m_pending.push_back(Pending{nullptr, &caller});
            // Whoever hands the slot over counted it as running already.
            waitUntil(lock.uniqueLock(), m_syncCv, [&]() MIV_REQUIRES(m_mutex) { return caller.granted; });
        }
    }
    // Released after an exception too; runGuarded contains it anyway.
    const auto release = qScopeGuard([this] { releaseSyncSlot(); });
    detail::runGuarded(task, label());
    return true;
}

void BoundedQueue::releaseSyncSlot()
{
    Task next;
    bool handedOver = false;
    bool start = false;
    {
        MutexLock guard(m_mutex);
        --m_running;
        start = takeNextLocked(next, handedOver);
    }
    if (handedOver)
        wakeMainWaiters();
    if (start)
        startRunner(std::move(next));
}

bool BoundedQueue::takeNextLocked(Task& task, bool& handedOver)
{
    while (!m_pending.empty() && m_running < limitLocked()) {
        Pending next = std::move(m_pending.front());
        m_pending.pop_front();
        ++m_running;
        if (next.caller) {
            next.caller->granted = true;
            handedOver = true;
            // Under the lock: once it sees the grant the caller may return
            // and take its record with it.
            m_syncCv.notify_all();
            continue;
        }
        task = std::move(next.task);
        return true;
    }
    return false;
}

void BoundedQueue::startRunner(Task first)
{
    // The runner holds the queue: work still pending keeps it alive.
    WorkerPool::forQos(m_qos.load()).submit(label(), [self = shared_from_this(), first = std::move(first)]() mutable {
        self->runFrom(std::move(first));
    });
}

void BoundedQueue::runFrom(Task task)
{
    for (int done = 0;; ++done) {
        detail::runGuarded(task, label());
        task = nullptr;
        bool handedOver = false;
        MutexLock lock(m_mutex);
        --m_running;
        const bool more = takeNextLocked(task, handedOver);
        lock.unlock();
        if (handedOver)
            wakeMainWaiters();
        if (!more)
            return;
        if (done + 1 >= kBatch) {
            startRunner(std::move(task));
            return;
        }
    }
}

QString BoundedQueue::label() const
{
    MutexLock guard(m_mutex);
    return m_label;
}

void BoundedQueue::setLabel(const QString& label)
{
    MutexLock guard(m_mutex);
    m_label = label;
}

int BoundedQueue::maxConcurrency() const
{
    MutexLock guard(m_mutex);
    return m_max;
}

void BoundedQueue::setMaxConcurrency(int maxConcurrency)
{
    std::deque<Task> toStart;
    bool handedOver = false;
    {
        MutexLock guard(m_mutex);
        m_max = normalizedMax(maxConcurrency);
        Task task;
        while (takeNextLocked(task, handedOver))
            toStart.push_back(std::move(task));
    }
    if (handedOver)
        wakeMainWaiters();
    for (Task& task : toStart)
        startRunner(std::move(task));
}

int BoundedQueue::pendingCount() const
{
    MutexLock guard(m_mutex);
    return static_cast<int>(m_pending.size());
}

int BoundedQueue::runningCount() const
{
    MutexLock guard(m_mutex);
    return m_running;
}

} // namespace plat
