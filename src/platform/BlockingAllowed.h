#pragma once

#include <source_location>

namespace plat {

namespace detail {
// Logs, once per call site, that blocking I/O runs on the main thread;
// answers whether it did run there. Built in every configuration so that it
// can be tested; only debug builds call it.
bool reportBlockingOnMainThread(const std::source_location& where);
} // namespace detail

// Placed at the top of calls that may block on I/O (the file-system wrappers
// of Path). The GUI thread must not wait for a slow disk or a dead mount, so
// in debug builds such a call made on the main thread is logged once per
// call site: the work belongs on a worker, its result posted back. Release
// builds pay nothing.
inline void assertBlockingAllowed(const std::source_location& where = std::source_location::current())
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
