#pragma once

#include <new>
#include <type_traits>
#include <utility>

namespace plat {

// Holds a T that is constructed in place and never destroyed, for
// function-local statics that detached worker threads may still use while
// the process exits: exit() runs static destructors while such threads
// keep running, and a destroyed collator, queue or icon under a running
// worker is a use after free. What T holds stays reachable from static
// storage, so the leak checker does not report it.
//
//   static const plat::NoDestructor<Collator> instance(options);
//   return *instance;
template <typename T>
class NoDestructor
{
public:
    template <typename... Args>
    explicit NoDestructor(Args&&... args)
    {
        new (m_storage) T(std::forward<Args>(args)...);
    }

    ~NoDestructor() = default;
    NoDestructor(const NoDestructor&) = delete;
    NoDestructor& operator=(const NoDestructor&) = delete;

    T& operator*() { return *get(); }
    const T& operator*() const { return *get(); }
    T* operator->() { return get(); }
    const T* operator->() const { return get(); }
    T* get() { return std::launder(reinterpret_cast<T*>(m_storage)); }
    const T* get() const { return std::launder(reinterpret_cast<const T*>(m_storage)); }

private:
    alignas(T) unsigned char m_storage[sizeof(T)];
};

} // namespace plat
