#pragma once

#include "platform/ParallelFor.h"
#include "platform/WorkerPool.h"

#include <algorithm>
#include <cstddef>
#include <iterator>
#include <vector>

namespace plat {

// std::stable_sort spread over the worker pool: runs are sorted side by side,
// then merged pairwise, each level's merges side by side. Elements that
// compare equal keep their order (the merges take from the left run first).
// Small ranges are sorted on the calling thread.
template <class T, class Less>
void parallelStableSort(std::vector<T>& values, Less less, int qos = Qos::Default)
{
    constexpr std::size_t kSerialBelow = 16 * 1024;
    const std::size_t count = values.size();
    const std::size_t width = std::size_t(std::max(1, WorkerPool::width()));
    if (count < kSerialBelow || width < 2) {
        std::stable_sort(values.begin(), values.end(), less);
        return;
    }
    // A power of two runs, so every level pairs them all.
    std::size_t runs = 1;
    while (runs < width && runs < 16 && count / (runs * 2) >= kSerialBelow / 4)
        runs *= 2;
    std::vector<std::size_t> bounds(runs + 1);
    for (std::size_t i = 0; i <= runs; ++i)
        bounds[i] = count * i / runs;
    parallelFor(runs, [&](std::size_t run) {
        std::stable_sort(values.begin() + std::ptrdiff_t(bounds[run]),
                         values.begin() + std::ptrdiff_t(bounds[run + 1]), less);
    }, qos);

    std::vector<T> buffer(count);
    std::vector<T>* from = &values;
    std::vector<T>* to = &buffer;
    for (std::size_t span = 1; span < runs; span *= 2) {
        parallelFor(runs / (span * 2), [&](std::size_t pair) {
            const std::size_t first = bounds[pair * span * 2];
            const std::size_t middle = bounds[pair * span * 2 + span];
            const std::size_t last = bounds[pair * span * 2 + span * 2];
            const auto source = from->begin();
            std::merge(std::make_move_iterator(source + std::ptrdiff_t(first)),
                       std::make_move_iterator(source + std::ptrdiff_t(middle)),
                       std::make_move_iterator(source + std::ptrdiff_t(middle)),
                       std::make_move_iterator(source + std::ptrdiff_t(last)), to->begin() + std::ptrdiff_t(first),
                       less);
        }, qos);
        std::swap(from, to);
    }
    if (from != &values)
        values.swap(*from);
}

} // namespace plat
