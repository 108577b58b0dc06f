#include "platform/SerialQueue.h"

namespace plat {

SerialQueuePtr SerialQueue::create(const QString& label, int qos)
{
    return SerialQueuePtr(new SerialQueue(label, qos));
}

SerialQueue::SerialQueue(const QString& label, int qos)
    : BoundedQueue(label, 1, qos)
{
}

} // namespace plat
