#pragma once

#include <cstdint>
#include <string_view>

/// A name with its precomputed hash (scriptNameHash), the key of every name table of the
/// interpreter. The view must stay valid while the key is stored.
struct ScriptNameKey {
    std::string_view name;
    uint64_t hash;
    bool operator==(const ScriptNameKey& other) const {
        return hash == other.hash && name == other.name;
    }
};

struct ScriptNameKeyHash {
    size_t operator()(const ScriptNameKey& key) const { return size_t(key.hash); }
};
