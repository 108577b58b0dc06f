#pragma once

#include "platform/DispatchQueue.h"
#include "platform/Qos.h"

namespace plat {

class ConcurrentQueue;
using ConcurrentQueuePtr = std::shared_ptr<ConcurrentQueue>;

// Hands every task straight to the worker pool of its band: tasks start in
// submission order and run side by side as far as the pool allows.
class ConcurrentQueue final : public DispatchQueue
{
public:
    static ConcurrentQueuePtr create(const QString& label, int qos = Qos::Default);

    // The process-wide queue of a band, labelled like "plat.global.qos-21".
    static ConcurrentQueuePtr global(int qos);

    void async(Task task) override;
    // Runs the task on the calling thread at once.
    bool runSynchronously(Task task) override;
    QString label() const override { return m_label; }
    int qos() const { return m_qos; }

private:
    ConcurrentQueue(const QString& label, int qos);

    const QString m_label;
    const int m_qos;
};

} // namespace plat
