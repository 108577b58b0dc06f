#pragma once

#include <memory>
#include <mutex>

// The base of the program's singletons: each subclass T derives from
// MivSingleton<T> and gets one instance of its own, made on first use.
//
// Copying a singleton gives the same object: the instance is handed out as a
// shared pointer and the class itself cannot be copied. Every subclass can
// release its instance (the next sharedInstance makes a new one); holders of
// the old pointer keep it alive until they let go.
template <class T>
class MivSingleton
{
public:
    MivSingleton(const MivSingleton&) = delete;
    MivSingleton& operator=(const MivSingleton&) = delete;

    static std::shared_ptr<T> sharedInstance()
    {
        Storage& storage = staticStorage();
        std::lock_guard lock(storage.monitor);
        if (!storage.instance)
            storage.instance = makeInstance();
        return storage.instance;
    }

    static void releaseSharedInstance()
    {
        Storage& storage = staticStorage();
        std::shared_ptr<T> released;
        {
            std::lock_guard lock(storage.monitor);
            released.swap(storage.instance);
        }
        // Destroyed outside the class's monitor: its destructor may ask for
        // other singletons.
    }

protected:
    MivSingleton() = default;
    ~MivSingleton() = default;

private:
    struct Storage
    {
        std::recursive_mutex monitor;
        std::shared_ptr<T> instance;
    };

    static Storage& staticStorage()
    {
        static Storage storage;
        return storage;
    }

    // Subclasses may keep their constructor private and befriend MivSingleton<T>.
    static std::shared_ptr<T> makeInstance() { return std::shared_ptr<T>(new T()); }
};
