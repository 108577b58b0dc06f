#pragma once

#include "platform/DispatchQueue.h"
#include "platform/Mutex.h"
#include "platform/Qos.h"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <memory>

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
    // Waits for a slot in submission order, then runs the task on the calling
    // thread under that slot; the queue goes on when it returns.
    bool runSynchronously(Task task) override;
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

    // A caller of runSynchronously waiting for its turn; lives on its stack.
    struct SyncCaller
    {
        bool granted = false;
    };
    // A waiting task, or a synchronous caller that gets the slot itself.
    struct Pending
    {
        Task task;
        SyncCaller* caller = nullptr;
    };

    static int normalizedMax(int maxConcurrency);
    int limitLocked() const MIV_REQUIRES(m_mutex);
    // With the lock held: takes a slot for the next waiting task, if any
    // fits. Synchronous callers reached on the way get their slots handed
    // over (handedOver tells, so the caller wakes a waiting main thread after
    // unlocking).
    bool takeNextLocked(Task& task, bool& handedOver) MIV_REQUIRES(m_mutex);
    void startRunner(Task first);
    void runFrom(Task task);
    // After a synchronous caller's task: frees its slot for the next one.
    void releaseSyncSlot();

    mutable Mutex m_mutex;
    std::condition_variable m_syncCv;
    std::deque<Pending> m_pending MIV_GUARDED_BY(m_mutex);
    int m_running MIV_GUARDED_BY(m_mutex) = 0;
    int m_max MIV_GUARDED_BY(m_mutex);
    QString m_label MIV_GUARDED_BY(m_mutex);
    std::atomic<int> m_qos;
};

} // namespace plat
