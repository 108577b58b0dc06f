#include "platform/BlockingAllowed.h"

#include "platform/Log.h"
#include "platform/MainDispatcher.h"

#include <mutex>
#include <set>
#include <tuple>

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

bool reportBlockingOnMainThread(const std::source_location& where)
{
    if (t_allowed > 0 || !MainDispatcher::onMainThread())
        return false;
    using Site = std::tuple<const char*, std::uint_least32_t, std::uint_least32_t>;
    // Never destroyed: the main thread may do I/O while the process exits.
    static std::mutex* const mutex = new std::mutex;
    static std::set<Site>* const reported = new std::set<Site>;
    {
        std::lock_guard<std::mutex> guard(*mutex);
        if (!reported->emplace(where.file_name(), where.line(), where.column()).second)
            return true;
    }
    MIV_LOG_WARN(QStringLiteral("Blocking file-system call on the main thread in %1 (%2:%3); it belongs on a worker")
                     .arg(QString::fromUtf8(where.function_name()), QString::fromUtf8(where.file_name()))
                     .arg(where.line()));
    return true;
}

} // namespace detail
} // namespace plat
