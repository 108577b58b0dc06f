#pragma once

#include <QHashFunctions>

#include <cstddef>
#include <mutex>
#include <unordered_map>
#include <utility>
#include <vector>

// A thread-safe cache of at most `capacity` entries that drops the least
// recently used one when an insert overflows it.
//
// Every entry sits in a doubly linked recency list (root: most recently used,
// tail: least) and in a hash map from key to node, so every operation is one
// map access and a few link changes; nothing scans the list.
//
// One mutex serialises every access. Inserts and clears take effect before
// they return, so a lookup made after an insert (from any thread that saw the
// insert return) finds the entry. Keys are hashed before the lock is taken
// and entries keep their hash, so neither a lookup nor a growing map hashes
// a key while other threads wait (a listing looks up every entry it makes).
//
// Value must be nullable (a smart pointer): a default-constructed Value
// answers "nothing", and null values are never stored.
// Hashes keys with Qt's qHash, which every key type of the program has.
template <class Key>
struct LRUCacheKeyHash
{
    std::size_t operator()(const Key& key) const noexcept { return std::size_t(qHash(key)); }
};

template <class Key, class Value, class Hash = LRUCacheKeyHash<Key>>
class LRUCache
{
public:
    explicit LRUCache(std::size_t capacity) : _capacity(capacity) { _dictionary.reserve(capacity); }
    LRUCache(const LRUCache&) = delete;
    LRUCache& operator=(const LRUCache&) = delete;

    // The value under the key, or nothing; a hit becomes the most recently used.
    Value objectForKey(const Key& key) { return objectForKey(key, _hash(key)); }
    // The same with the key's hash already at hand (it must be this cache's
    // hash of the key).
    Value objectForKey(const Key& key, std::size_t hash)
    {
        const Probe probe{&key, hash};
        std::lock_guard lock(_mutex);
        const auto found = _dictionary.find(probe);
        if (found == _dictionary.end())
            return Value();
        moveToFront(&found->second);
        return found->second.value;
    }

    // Inserts the entry as the most recently used. A key that is already
    // there keeps the value stored first and only becomes the most recently
    // used. Evicts the least recently used entry when over capacity.
    void setObject(Value value, const Key& key) { setObject(std::move(value), key, _hash(key)); }
    void setObject(Value value, const Key& key, std::size_t hash)
    {
        if (!value)
            return;
        Value evicted;  // released after the lock: a value's destructor may call back in
        StoredKey stored{key, hash};
        {
            std::lock_guard lock(_mutex);
            auto it = _dictionary.find(Probe{&stored.key, stored.hash});
            const bool inserted = it == _dictionary.end();
            if (inserted)
                it = _dictionary.emplace(std::move(stored), Node()).first;
            Node* node = &it->second;
            if (inserted) {
                node->key = &it->first;
                node->value = std::move(value);
                ++_size;
                if (!_tailNode)
                    _tailNode = node;
                if (!_rootNode)
                    _rootNode = node;
            }
            moveToFront(node);
            if (_size > _capacity && _tailNode) {
                Node* tail = _tailNode;
                evicted = std::move(tail->value);
                unlink(tail);
                _dictionary.erase(_dictionary.find(Probe{&tail->key->key, tail->key->hash}));
                --_size;
            }
        }
    }

    // Removes the entry; answers its value, or nothing.
    Value removeObjectForKey(const Key& key) { return removeObjectForKey(key, _hash(key)); }
    Value removeObjectForKey(const Key& key, std::size_t hash)
    {
        const Probe probe{&key, hash};
        std::lock_guard lock(_mutex);
        const auto found = _dictionary.find(probe);
        if (found == _dictionary.end())
            return Value();
        Value value = std::move(found->second.value);
        unlink(&found->second);
        _dictionary.erase(found);
        --_size;
        return value;
    }

    void removeAllObjects()
    {
        Dictionary released;
        {
            std::lock_guard lock(_mutex);
            released.swap(_dictionary);
            _dictionary.reserve(_capacity);
            _rootNode = nullptr;
            _tailNode = nullptr;
            _size = 0;
        }
    }

    std::size_t capacity() const { return _capacity; }
    // The hash this cache files the key under.
    std::size_t hashOf(const Key& key) const { return _hash(key); }
    std::size_t size() const
    {
        std::lock_guard lock(_mutex);
        return _size;
    }

    // The keys from the most to the least recently used (for tests and
    // diagnostics; walks the whole list).
    std::vector<Key> keysByRecency() const
    {
        std::lock_guard lock(_mutex);
        std::vector<Key> keys;
        keys.reserve(_size);
        for (const Node* node = _rootNode; node; node = node->next)
            keys.push_back(node->key->key);
        return keys;
    }

private:
    // A stored key with its hash, and the probe that finds it without a copy
    // of the key.
    struct StoredKey
    {
        Key key;
        std::size_t hash;
    };
    struct Probe
    {
        const Key* key;
        std::size_t hash;
    };
    struct StoredHash
    {
        using is_transparent = void;
        std::size_t operator()(const StoredKey& stored) const noexcept { return stored.hash; }
        std::size_t operator()(const Probe& probe) const noexcept { return probe.hash; }
    };
    struct StoredEqual
    {
        using is_transparent = void;
        bool operator()(const StoredKey& a, const StoredKey& b) const { return a.hash == b.hash && a.key == b.key; }
        bool operator()(const Probe& a, const StoredKey& b) const { return a.hash == b.hash && *a.key == b.key; }
        bool operator()(const StoredKey& a, const Probe& b) const { return a.hash == b.hash && a.key == *b.key; }
    };

    struct Node
    {
        const StoredKey* key = nullptr;  // the map's own key: map nodes never move
        Value value;
        Node* next = nullptr;  // the next less recently used
        Node* prev = nullptr;  // the next more recently used
    };

    // Takes the node out of the list, moving root and tail to its neighbours.
    void unlink(Node* node)
    {
        if (node->prev)
            node->prev->next = node->next;
        if (node->next)
            node->next->prev = node->prev;
        if (_rootNode == node)
            _rootNode = node->next;
        if (_tailNode == node)
            _tailNode = node->prev;
        node->prev = nullptr;
        node->next = nullptr;
    }

    void moveToFront(Node* node)
    {
        if (_rootNode == node)
            return;
        unlink(node);
        node->next = _rootNode;
        if (_rootNode)
            _rootNode->prev = node;
        _rootNode = node;
        if (!_tailNode)
            _tailNode = node;
    }

    using Dictionary = std::unordered_map<StoredKey, Node, StoredHash, StoredEqual>;

    const std::size_t _capacity;
    const Hash _hash{};
    mutable std::mutex _mutex;
    Dictionary _dictionary;
    Node* _rootNode = nullptr;
    Node* _tailNode = nullptr;
    std::size_t _size = 0;
};
