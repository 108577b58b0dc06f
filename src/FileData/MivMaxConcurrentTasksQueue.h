#pragma once

#include <QString>

#include <functional>
#include <memory>

namespace plat {
class BoundedQueue;
}

// A dispatch queue that lets at most a given number of submitted blocks run
// at once. Blocks beyond the limit wait in submission order without holding a
// worker thread, so many waiting blocks cost nothing but memory.
class MivMaxConcurrentTasksQueue
{
public:
    MivMaxConcurrentTasksQueue(const char* label, unsigned maxConcurrency);
    ~MivMaxConcurrentTasksQueue();
    MivMaxConcurrentTasksQueue(const MivMaxConcurrentTasksQueue&) = delete;
    MivMaxConcurrentTasksQueue& operator=(const MivMaxConcurrentTasksQueue&) = delete;

    void runAsync(std::function<void()> block);

    QString label() const;
    unsigned maxConcurrency() const { return _maxConcurrency; }

private:
    std::shared_ptr<plat::BoundedQueue> _concurrentq;
    unsigned _maxConcurrency;
};

using MivMaxConcurrentTasksQueuePtr = std::shared_ptr<MivMaxConcurrentTasksQueue>;
