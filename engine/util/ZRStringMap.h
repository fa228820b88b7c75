#pragma once

#include "platform/text/KeyCompare.h"

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

/// The engine's string hash: h = (h << 4) + c, folding the top nibble back in. Characters are
/// lowered first (ASCII letters, as platform::keyFold lowers them) when `caseSensitive` is false.
/// An empty text hashes to 0.
uint32_t zrStringHash(std::string_view text, bool caseSensitive);

/// A map from texts to `T*`, ordered by the texts' hash (module maps, the font registry).
/// Each entry keeps its text, so two texts with the same hash find their own values; texts are
/// compared without regard to case unless the map is case-sensitive. Inserting a text twice adds
/// a second entry. Iteration runs in ascending hash order, equal hashes in insertion order.
/// With `ownsValues`, destroying the map deletes the values. Not thread-safe.
template <class T> class ZRStringMap {
public:
    struct Entry {
        std::string key;
        T* value;
    };
    using Tree = std::multimap<uint32_t, Entry>;

    explicit ZRStringMap(bool ownsValues, bool caseSensitive = false)
        : m_ownsValues(ownsValues), m_caseSensitive(caseSensitive) {}
    ZRStringMap(const ZRStringMap&) = delete;
    ZRStringMap& operator=(const ZRStringMap&) = delete;
    virtual ~ZRStringMap() {
        if (!m_ownsValues) return;
        for (auto& [hash, entry] : m_tree)
            delete entry.value;
    }

    bool insert(std::string_view key, T* value) {
        m_tree.emplace(zrStringHash(key, m_caseSensitive), Entry{std::string(key), value});
        return true;
    }

    /// The value of the first entry inserted under `key`, or null.
    T* find(std::string_view key) const {
        auto [begin, end] = m_tree.equal_range(zrStringHash(key, m_caseSensitive));
        for (auto it = begin; it != end; ++it) {
            if (sameKey(it->second.key, key)) return it->second.value;
        }
        return nullptr;
    }

    uint32_t count() const { return static_cast<uint32_t>(m_tree.size()); }
    typename Tree::const_iterator begin() const { return m_tree.begin(); }
    typename Tree::const_iterator end() const { return m_tree.end(); }

private:
    bool sameKey(std::string_view a, std::string_view b) const {
        return m_caseSensitive ? a == b : platform::keyEqual(a, b);
    }

    Tree m_tree;
    bool m_ownsValues;
    bool m_caseSensitive;
};
