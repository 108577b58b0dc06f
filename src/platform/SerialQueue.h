#pragma once

#include "platform/BoundedQueue.h"

namespace plat {

class SerialQueue;
using SerialQueuePtr = std::shared_ptr<SerialQueue>;

// Runs its tasks one at a time, in submission order, on threads of its band's
// pool; while it has nothing to do it holds no thread.
class SerialQueue final : public BoundedQueue
{
public:
    static SerialQueuePtr create(const QString& label, int qos = Qos::Default);

private:
    SerialQueue(const QString& label, int qos);
};

} // namespace plat
