#pragma once

#include "platform/Qos.h"

#include <algorithm>
#include <cstddef>
#include <functional>

namespace plat {

// Calls body(i) once for every i in [0, count), on the calling thread and on
// threads of the band's pool, and returns when all calls have returned. The
// calling thread takes indices itself, so the loop finishes even when no pool
// thread is free, and a body may run a parallel loop of its own.
void parallelFor(std::size_t count, const std::function<void(std::size_t)>& body, int qos = Qos::Default);

// parallelFor over many small steps: the indices go out in slices of
// `sliceSize`, so a pool thread takes many per hand-off, and body(i) is
// called directly within a slice.
template <class Body>
void parallelForSlices(std::size_t count, std::size_t sliceSize, Body&& body, int qos = Qos::Default)
{
    if (sliceSize == 0)
        sliceSize = 1;
    parallelFor(
        (count + sliceSize - 1) / sliceSize,
        [&](std::size_t slice) {
            const std::size_t end = std::min(count, (slice + 1) * sliceSize);
            for (std::size_t i = slice * sliceSize; i < end; ++i)
                body(i);
        },
        qos);
}

} // namespace plat
