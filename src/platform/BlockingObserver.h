#pragma once

namespace plat::detail {

// Implemented by worker pools: told when one of their threads starts and
// stops a blocking wait, so the pool can keep enough threads running.
class BlockingObserver
{
public:
    virtual void threadWillBlock() = 0;
    virtual void threadDidUnblock() = 0;

protected:
    ~BlockingObserver() = default;
};

// Pool threads register their pool once when they start.
void setCurrentThreadBlockingObserver(BlockingObserver* observer);
BlockingObserver* currentThreadBlockingObserver();

} // namespace plat::detail
