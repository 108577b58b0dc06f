#pragma once

#include <cstddef>
#include <iterator>
#include <utility>

namespace MutableArrayExtensions {

// Moves the element at `from` to `to` (appending when `to` is past the end
// once it is taken out, a negative `to` counting as past the end); nothing
// when from == to or from is no valid index. Works on QList and std::vector.
template <typename List>
void moveObjectFromIndex(List& list, std::ptrdiff_t from, std::ptrdiff_t to)
{
    const auto count = std::ptrdiff_t(list.size());
    if (from == to || from < 0 || from >= count)
        return;
    auto element = std::move(list[from]);
    list.erase(std::next(list.begin(), from));
    if (to < 0 || to >= count - 1)
        list.insert(list.end(), std::move(element));
    else
        list.insert(std::next(list.begin(), to), std::move(element));
}

} // namespace MutableArrayExtensions
