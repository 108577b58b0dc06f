#include "platform/BlockingAllowed.h"

#include "platform/Log.h"
#include "platform/MainDispatcher.h"
#include "platform/Mutex.h"
#include "platform/NoDestructor.h"

#include <set>
#include <string>
#include <utility>

namespace plat {

namespace {
thread_local int t_allowed = 0;
}

ScopedAllowBlocking::ScopedAllowBlocking()
{
    ++t_allowed;
}

ScopedAllowBlocking::~ScopedAllowBlocking()
{
    --t_allowed;
}

namespace detail {

bool reportBlockingOnMainThread(const CallSite& where)
{
    if (t_allowed > 0 || !MainDispatcher::onMainThread())
        return false;
    using Site = std::pair<std::string, int>;
    struct Reported
    {
        Mutex mutex;
        std::set<Site> sites MIV_GUARDED_BY(mutex);
    };
    // Never destroyed: the main thread may do I/O while the process exits.
    static NoDestructor<Reported> reported;
    {
        MutexLock guard(reported->mutex);
        if (!reported->sites.emplace(where.file, where.line).second)
            return true;
    }
    MIV_LOG_WARN(QStringLiteral("Blocking file-system call on the main thread in %1 (%2:%3); it belongs on a worker")
                     .arg(QString::fromUtf8(where.function), QString::fromUtf8(where.file))
                     .arg(where.line));
    return true;
}

} // namespace detail
} // namespace plat
