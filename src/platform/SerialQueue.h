#pragma once

#include "platform/BoundedQueue.h"

namespace plat {

class SerialQueue;
using SerialQueuePtr = std::shared_ptr<SerialQueue>;

// Runs its tasks one at a time, in submission order, on threads of its band's
// pool; while it has nothing to do it holds no thread. A bounded queue of one
// whose limit cannot be changed.
class SerialQueue final : public DispatchQueue
{
public:
    static SerialQueuePtr create(const QString& label, int qos = Qos::Default);

    void async(Task task) override { m_queue->async(std::move(task)); }
    bool runSynchronously(Task task) override { return m_queue->runSynchronously(std::move(task)); }
    QString label() const override { return m_queue->label(); }
    int qos() const { return m_queue->qos(); }

private:
    explicit SerialQueue(BoundedQueuePtr queue);

    // Pending work holds this one, so it runs on after the wrapper is gone.
    const BoundedQueuePtr m_queue;
};

} // namespace plat
