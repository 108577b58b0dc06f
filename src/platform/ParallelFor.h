#pragma once

#include "platform/Qos.h"

#include <cstddef>
#include <functional>

namespace plat {

// Calls body(i) once for every i in [0, count), on the calling thread and on
// threads of the band's pool, and returns when all calls have returned. The
// calling thread takes indices itself, so the loop finishes even when no pool
// thread is free, and a body may run a parallel loop of its own.
void parallelFor(std::size_t count, const std::function<void(std::size_t)>& body, int qos = Qos::Default);

} // namespace plat
