#include "platform/SerialQueue.h"

namespace plat {

SerialQueuePtr SerialQueue::create(const QString& label, int qos)
{
    return SerialQueuePtr(new SerialQueue(BoundedQueue::create(label, 1, qos)));
}

SerialQueue::SerialQueue(BoundedQueuePtr queue)
    : m_queue(std::move(queue))
{
}

} // namespace plat
