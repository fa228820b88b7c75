#pragma once

#include "engine/util/ZRList.h"

#include <cstdint>
#include <unordered_set>

/// One of the timeline's registries of what it made: the items in making order, with a hash
/// index beside them so that asking whether a pointer was made here costs the same for ten
/// thousand items as for one. Holds each pointer at most once. Not thread-safe: the timeline
/// guards each registry with its own lock.
template <class T> class ZRRegistry {
public:
    void append(T* item) {
        m_items.append(item);
        m_index.insert(item);
    }
    /// Removes `item`; false when it is not registered.
    bool remove(T* item) {
        if (m_index.erase(item) == 0) return false;
        return m_items.remove(item);
    }
    bool contains(const void* item) const { return m_index.count(item) > 0; }
    uint32_t count() const { return m_items.count(); }
    T* first() { return m_items.first(); }
    T* next() { return m_items.next(); }

private:
    ZRTypedList<T> m_items;
    std::unordered_set<const void*> m_index;
};
