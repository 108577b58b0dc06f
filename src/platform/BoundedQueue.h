#pragma once

#include "platform/DispatchQueue.h"
#include "platform/Qos.h"

#include <atomic>
#include <deque>
#include <memory>
#include <mutex>

namespace plat {

class BoundedQueue;
using BoundedQueuePtr = std::shared_ptr<BoundedQueue>;

// Runs at most a given number of its tasks at once, starting them in
// submission order, on the worker pool of its band. Tasks beyond the limit
// wait in the queue's own list, not on pool threads: when a running task
// finishes, its thread goes on with the next waiting one. A serial queue is
// the case of one.
class BoundedQueue : public DispatchQueue, public std::enable_shared_from_this<BoundedQueue>
{
public:
    // Any number at once.
    static constexpr int Unlimited = -1;

    // maxConcurrency below 1 (other than Unlimited) is taken as 1.
    static BoundedQueuePtr create(const QString& label, int maxConcurrency, int qos = Qos::Default);

    void async(Task task) override;
    QString label() const override;
    // For owners whose name may change (operation queues); later tasks run
    // under the new label.
    void setLabel(const QString& label);

    int maxConcurrency() const;
    // Raising it starts waiting tasks at once; lowering it lets running tasks
    // finish and starts no more until fewer run than the new maximum.
    void setMaxConcurrency(int maxConcurrency);

    int qos() const { return m_qos.load(); }
    void setQos(int qos) { m_qos.store(Qos::band(qos)); }

    // Tasks submitted and not yet started.
    int pendingCount() const;
    int runningCount() const;

protected:
    BoundedQueue(const QString& label, int maxConcurrency, int qos);

private:
    // A thread goes on with waiting tasks for at most this many before it
    // hands the rest back to the pool, so one busy queue cannot keep a pool
    // thread from other queues' work for ever.
    static constexpr int kBatch = 32;

    static int normalizedMax(int maxConcurrency);
    int limitLocked() const;
    // With the lock held: takes a slot for the next waiting task, if any fits.
    bool takeNextLocked(Task& task);
    void startRunner(Task first);
    void runFrom(Task task);

    mutable std::mutex m_mutex;
    std::deque<Task> m_pending;
    int m_running = 0;
    int m_max;
    QString m_label;
    std::atomic<int> m_qos;
};

} // namespace plat
