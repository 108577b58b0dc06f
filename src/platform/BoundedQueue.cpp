#include "platform/BoundedQueue.h"

#include "platform/TaskGuard.h"
#include "platform/WorkerPool.h"

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
        std::lock_guard<std::mutex> guard(m_mutex);
        if (m_running >= limitLocked() || !m_pending.empty()) {
            m_pending.push_back(std::move(task));
            return;
        }
        ++m_running;
    }
    startRunner(std::move(task));
}

bool BoundedQueue::takeNextLocked(Task& task)
{
    if (m_pending.empty() || m_running >= limitLocked())
        return false;
    task = std::move(m_pending.front());
    m_pending.pop_front();
    ++m_running;
    return true;
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
        std::unique_lock<std::mutex> lock(m_mutex);
        --m_running;
        if (!takeNextLocked(task))
            return;
        if (done + 1 >= kBatch) {
            lock.unlock();
            startRunner(std::move(task));
            return;
        }
    }
}

QString BoundedQueue::label() const
{
    std::lock_guard<std::mutex> guard(m_mutex);
    return m_label;
}

void BoundedQueue::setLabel(const QString& label)
{
    std::lock_guard<std::mutex> guard(m_mutex);
    m_label = label;
}

int BoundedQueue::maxConcurrency() const
{
    std::lock_guard<std::mutex> guard(m_mutex);
    return m_max;
}

void BoundedQueue::setMaxConcurrency(int maxConcurrency)
{
    std::deque<Task> toStart;
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        m_max = normalizedMax(maxConcurrency);
        Task task;
        while (takeNextLocked(task))
            toStart.push_back(std::move(task));
    }
    for (Task& task : toStart)
        startRunner(std::move(task));
}

int BoundedQueue::pendingCount() const
{
    std::lock_guard<std::mutex> guard(m_mutex);
    return static_cast<int>(m_pending.size());
}

int BoundedQueue::runningCount() const
{
    std::lock_guard<std::mutex> guard(m_mutex);
    return m_running;
}

} // namespace plat
