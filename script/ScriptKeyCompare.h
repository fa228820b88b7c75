#pragma once

#include <cstddef>
#include <string_view>

// The one comparison of keys without regard to case (module kinds, font and settings names,
// the language's stricmp): ASCII letters fold to lower case, every other byte stands as it
// is, whatever the process locale. Header-only, so that every layer may include it as
// "script/ScriptKeyCompare.h" (the interpreter core as "ScriptKeyCompare.h").

/// `c` with an ASCII capital made small.
constexpr char scriptKeyFold(char c) {
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

/// True when `a` and `b` differ at most in the case of ASCII letters.
constexpr bool scriptKeyEqual(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (scriptKeyFold(a[i]) != scriptKeyFold(b[i])) return false;
    return true;
}

/// Orders by the folded bytes, read unsigned; a prefix comes first.
constexpr bool scriptKeyLess(std::string_view a, std::string_view b) {
    const size_t n = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < n; ++i) {
        const auto x = static_cast<unsigned char>(scriptKeyFold(a[i]));
        const auto y = static_cast<unsigned char>(scriptKeyFold(b[i]));
        if (x != y) return x < y;
    }
    return a.size() < b.size();
}

/// scriptKeyLess for ordered containers (transparent: finds by any string view).
struct ScriptKeyLess {
    using is_transparent = void;
    constexpr bool operator()(std::string_view a, std::string_view b) const {
        return scriptKeyLess(a, b);
    }
};
