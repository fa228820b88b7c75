#pragma once

#include <cstdint>
#include <list>
#include <memory>
#include <mutex>
#include <unordered_map>

/// One of the timeline's registries of what it made: owns each item from `add` until `take`
/// hands it back (or the registry goes), keeps the items in making order, with a hash index
/// beside them so that asking whether a pointer was made here, and taking it out, cost the same
/// for a hundred thousand items as for one. Holds each pointer at most once.
/// Thread-safety: every operation takes the registry's own mutex, a leaf among the engine's
/// locks except around `forEach`, which calls its function under it.
template <class T> class ZRRegistry {
public:
    ZRRegistry() = default;
    ZRRegistry(const ZRRegistry&) = delete;
    ZRRegistry& operator=(const ZRRegistry&) = delete;

    /// Registers `item` and takes it over; null when `item` is.
    T* add(std::unique_ptr<T> item) {
        T* raw = item.get();
        if (!raw) return nullptr;
        std::lock_guard lock(m_mutex);
        m_items.push_back(raw);
        m_owned.emplace(raw, Entry{std::move(item), std::prev(m_items.end())});
        return raw;
    }
    /// Unregisters `item` and hands it back; null when it is not registered.
    std::unique_ptr<T> take(const void* item) {
        std::lock_guard lock(m_mutex);
        auto found = m_owned.find(item);
        if (found == m_owned.end()) return nullptr;
        std::unique_ptr<T> owned = std::move(found->second.item);
        m_items.erase(found->second.at);
        m_owned.erase(found);
        return owned;
    }
    bool contains(const void* item) const {
        std::lock_guard lock(m_mutex);
        return m_owned.count(item) > 0;
    }
    uint32_t count() const {
        std::lock_guard lock(m_mutex);
        return uint32_t(m_items.size());
    }
    /// The item made first, or null.
    T* first() {
        std::lock_guard lock(m_mutex);
        return m_items.empty() ? nullptr : m_items.front();
    }
    /// Calls `f(T*)` for each item in making order, under the registry's mutex.
    template <class F> void forEach(F f) {
        std::lock_guard lock(m_mutex);
        for (T* item : m_items)
            f(item);
    }

private:
    struct Entry {
        std::unique_ptr<T> item;
        typename std::list<T*>::iterator at; ///< its place in `m_items`
    };
    mutable std::mutex m_mutex;
    std::list<T*> m_items;
    std::unordered_map<const void*, Entry> m_owned;
};
