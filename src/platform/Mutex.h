#pragma once

#include "platform/ThreadSafety.h"

#include <mutex>

namespace plat {

// std::mutex as a capability the thread-safety analysis knows (the standard
// library's is not annotated). Condition variables wait on native() through
// a MutexLock's uniqueLock().
class MIV_CAPABILITY("mutex") Mutex
{
public:
    Mutex() = default;
    Mutex(const Mutex&) = delete;
    Mutex& operator=(const Mutex&) = delete;

    void lock() MIV_ACQUIRE() { m_mutex.lock(); }
    void unlock() MIV_RELEASE() { m_mutex.unlock(); }
    bool try_lock() MIV_TRY_ACQUIRE(true) { return m_mutex.try_lock(); }

    std::mutex& native() { return m_mutex; }

private:
    std::mutex m_mutex;
};

// Holds a Mutex for its scope, like std::unique_lock: it may be released and
// taken again in between, and it lends its std::unique_lock to condition
// variable waits (plat::waitUntil), which give the mutex back before they
// return.
class MIV_SCOPED_CAPABILITY MutexLock
{
public:
    explicit MutexLock(Mutex& mutex) MIV_ACQUIRE(mutex) : m_lock(mutex.native()) {}
    ~MutexLock() MIV_RELEASE() = default;
    MutexLock(const MutexLock&) = delete;
    MutexLock& operator=(const MutexLock&) = delete;

    void unlock() MIV_RELEASE() { m_lock.unlock(); }
    void lock() MIV_ACQUIRE() { m_lock.lock(); }

    std::unique_lock<std::mutex>& uniqueLock() { return m_lock; }

private:
    std::unique_lock<std::mutex> m_lock;
};

} // namespace plat
