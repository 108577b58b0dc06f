#pragma once

#include <cstddef>
#include <mutex>
#include <utility>

namespace plat {

// A fixed table of small locks chosen by an object's address. Objects that
// are shared between threads but too numerous for a mutex each (file items)
// guard their fields with the lock of their stripe. Two objects may share a
// stripe, so a holder must never take another stripe lock (or call into
// another object) while holding one: then no lock order can deadlock.
class StripedLocks
{
public:
    StripedLocks() = delete;

    static constexpr std::size_t kStripeCount = 256;

    static std::mutex& forAddress(const void* address);

    // A second table of recursive locks, for an object's monitor: a lock it
    // holds across a few of its own steps. Its holder may take the object's
    // field stripe (forAddress) but never another object's monitor, since
    // two objects may share one.
    static std::recursive_mutex& recursiveForAddress(const void* address);

    // Reads a field under its stripe lock and answers a copy.
    template <class T>
    static T read(const void* owner, const T& field)
    {
        std::lock_guard lock(forAddress(owner));
        return field;
    }

    // Replaces a field under its stripe lock. The old value is destroyed
    // after the lock is released: its destructor may run arbitrary code (a
    // released parent item), which must not run under a stripe lock.
    template <class T>
    static void write(const void* owner, T& field, T value)
    {
        {
            std::lock_guard lock(forAddress(owner));
            std::swap(field, value);
        }
    }
};

} // namespace plat
