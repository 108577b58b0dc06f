#include "platform/Shutdown.h"

#include "platform/MainDispatcher.h"
#include "platform/WorkerPool.h"

namespace plat {

bool shutdownExecutors(WaitClock::time_point drainDeadline)
{
    const bool drained = WorkerPool::drainAllForQuit(drainDeadline);
    MainDispatcher::install(nullptr);
    return drained;
}

} // namespace plat
