#pragma once

#include "FileData/Local/LRUCache.h"

#include <bit>
#include <cstddef>
#include <memory>
#include <vector>

// An LRUCache split into stripes by key hash, each with its own lock and
// recency list, so threads that look up different keys rarely wait for each
// other. A listing's workers look up and insert every entry they make: under
// one lock they spent more time waking each other than working.
//
// Recency is kept per stripe: when a stripe overflows, its own least recently
// used entry goes. With keys spread evenly that is close to the whole cache's
// least recently used, and the cache never holds more than its capacity.
template <class Key, class Value, std::size_t Stripes = 64, class Hash = LRUCacheKeyHash<Key>>
class StripedLRUCache
{
    static_assert(Stripes > 1 && (Stripes & (Stripes - 1)) == 0, "a power of two, two or more");

public:
    explicit StripedLRUCache(std::size_t capacity) : _capacity(capacity)
    {
        // The first stripes take the remainder, so the stripes hold exactly
        // the capacity together.
        _stripes.reserve(Stripes);
        for (std::size_t i = 0; i < Stripes; ++i)
            _stripes.push_back(std::make_unique<Stripe>(capacity / Stripes + (i < capacity % Stripes ? 1 : 0)));
    }
    StripedLRUCache(const StripedLRUCache&) = delete;
    StripedLRUCache& operator=(const StripedLRUCache&) = delete;

    Value objectForKey(const Key& key)
    {
        const std::size_t hash = _hash(key);
        return stripe(hash).objectForKey(key, hash);
    }
    void setObject(Value value, const Key& key)
    {
        const std::size_t hash = _hash(key);
        stripe(hash).setObject(std::move(value), key, hash);
    }
    Value removeObjectForKey(const Key& key)
    {
        const std::size_t hash = _hash(key);
        return stripe(hash).removeObjectForKey(key, hash);
    }
    void removeAllObjects()
    {
        for (auto& each : _stripes)
            each->removeAllObjects();
    }

    std::size_t capacity() const { return _capacity; }
    // A sum over the stripes, each read under its own lock.
    std::size_t size() const
    {
        std::size_t total = 0;
        for (const auto& each : _stripes)
            total += each->size();
        return total;
    }

private:
    using Stripe = LRUCache<Key, Value, Hash>;

    // The stripe comes from the hash's high bits: the stripes' own tables
    // pick buckets by the low bits, which would otherwise all be alike in one
    // stripe.
    Stripe& stripe(std::size_t hash)
    {
        constexpr int kShift = int(sizeof(std::size_t) * 8) - std::countr_zero(Stripes);
        return *_stripes[(hash >> kShift) & (Stripes - 1)];
    }

    const std::size_t _capacity;
    const Hash _hash{};
    std::vector<std::unique_ptr<Stripe>> _stripes;
};
