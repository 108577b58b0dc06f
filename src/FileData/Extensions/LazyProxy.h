#pragma once

#include <functional>
#include <memory>
#include <tuple>
#include <utility>

// Holds an object that is made only when it is first used. An
// initialisation given before then is recorded and used to make it; without
// one the object is default-constructed. Not guarded: one proxy is used from
// one thread.
template <typename T>
class LazyProxy
{
public:
    LazyProxy() = default;
    LazyProxy(LazyProxy&&) noexcept = default;
    LazyProxy& operator=(LazyProxy&&) noexcept = default;

    // Records the constructor arguments (kept by value) and answers the
    // proxy itself; once the object exists it changes nothing.
    template <typename... Args>
    LazyProxy& init(Args... args)
    {
        if (!_object) {
            _initInvocation = [arguments = std::make_tuple(std::move(args)...)]() mutable {
                return std::apply([](auto&&... a) { return std::make_unique<T>(std::move(a)...); }, std::move(arguments));
            };
        }
        return *this;
    }

    bool isCreated() const { return _object != nullptr; }

    T* get()
    {
        if (!_object) {
            _object = _initInvocation ? _initInvocation() : std::make_unique<T>();
            _initInvocation = nullptr;
        }
        return _object.get();
    }
    T* operator->() { return get(); }
    T& operator*() { return *get(); }

private:
    std::unique_ptr<T> _object;
    std::function<std::unique_ptr<T>()> _initInvocation;
};

// A new, empty proxy for T.
template <typename T>
LazyProxy<T> lazy()
{
    return LazyProxy<T>();
}
