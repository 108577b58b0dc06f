#pragma once

namespace plat {

// Where a call was made: a default argument of this type is filled in at the
// caller. (std::source_location is not available to every compiler the tree
// is built with; these builtins are.)
struct CallSite
{
    const char* file = "";
    int line = 0;
    const char* function = "";

    static constexpr CallSite current(const char* file = __builtin_FILE(), int line = __builtin_LINE(),
                                      const char* function = __builtin_FUNCTION())
    {
        return CallSite{file, line, function};
    }
};

namespace detail {
// Logs, once per call site, that blocking I/O runs on the main thread;
// answers whether it did run there. Built in every configuration so that it
// can be tested; only debug builds call it.
bool reportBlockingOnMainThread(const CallSite& where);
} // namespace detail

// Placed at the top of calls that may block on I/O (the file-system wrappers
// of Path). The GUI thread must not wait for a slow disk or a dead mount, so
// in debug builds such a call made on the main thread is logged once per
// call site: the work belongs on a worker, its result posted back. Release
// builds pay nothing.
inline void assertBlockingAllowed(const CallSite& where = CallSite::current())
{
#ifndef NDEBUG
    detail::reportBlockingOnMainThread(where);
#else
    (void)where;
#endif
}

// Marks a scope whose blocking I/O on the main thread is accepted by design:
// the logger's own writes (one write(2) per line, under the sink's lock,
// where a report would log into itself). Nests.
class ScopedAllowBlocking
{
public:
    ScopedAllowBlocking();
    ~ScopedAllowBlocking();
    ScopedAllowBlocking(const ScopedAllowBlocking&) = delete;
    ScopedAllowBlocking& operator=(const ScopedAllowBlocking&) = delete;
};

} // namespace plat
