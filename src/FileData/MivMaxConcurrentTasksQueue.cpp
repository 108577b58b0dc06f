#include "FileData/MivMaxConcurrentTasksQueue.h"

#include "platform/BoundedQueue.h"

MivMaxConcurrentTasksQueue::MivMaxConcurrentTasksQueue(const char* label, unsigned maxConcurrency)
    : _concurrentq(plat::BoundedQueue::create(QString::fromUtf8(label ? label : ""),
                                              maxConcurrency == 0 ? 1 : static_cast<int>(maxConcurrency)))
    , _maxConcurrency(maxConcurrency)
{
}

MivMaxConcurrentTasksQueue::~MivMaxConcurrentTasksQueue() = default;

void MivMaxConcurrentTasksQueue::runAsync(std::function<void()> block)
{
    if (block)
        _concurrentq->async(std::move(block));
}

QString MivMaxConcurrentTasksQueue::label() const
{
    return _concurrentq->label();
}
