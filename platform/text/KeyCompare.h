#pragma once

#include <cstddef>
#include <string_view>

namespace platform {

// The one comparison of keys without regard to case (module kinds, font and settings names,
// the language's stricmp): ASCII letters fold to lower case, every other byte stands as it
// is, whatever the process locale. Header-only (target clipstead_text), so that every layer,
// the interpreter core and the plug-in modules included, may use it.

/// `c` with an ASCII capital made small.
constexpr char keyFold(char c) {
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

/// True when `a` and `b` differ at most in the case of ASCII letters.
constexpr bool keyEqual(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (keyFold(a[i]) != keyFold(b[i])) return false;
    return true;
}

/// Orders by the folded bytes, read unsigned; a prefix comes first.
constexpr bool keyLess(std::string_view a, std::string_view b) {
    const size_t n = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < n; ++i) {
        const auto x = static_cast<unsigned char>(keyFold(a[i]));
        const auto y = static_cast<unsigned char>(keyFold(b[i]));
        if (x != y) return x < y;
    }
    return a.size() < b.size();
}

/// keyLess for ordered containers (transparent: finds by any string view).
struct KeyLess {
    using is_transparent = void;
    constexpr bool operator()(std::string_view a, std::string_view b) const {
        return keyLess(a, b);
    }
};

} // namespace platform
