#pragma once

#include <chrono>
#include <functional>

namespace mivtest {

// Turns the calling thread's Qt event loop (all events, input included, so
// synthesized clicks arrive) until the predicate holds or the timeout
// passes; answers the predicate's last value. The timeout only bounds a
// broken test: a passing test never waits for it, so it can be generous.
bool waitUntil(const std::function<bool()>& predicate,
               std::chrono::milliseconds timeout = std::chrono::seconds(30));

} // namespace mivtest
