#pragma once

#include <cstring>

/// Typed reads and writes of value areas and stored bytes, which hold values of any alignment.
namespace scriptarea {

template <class T> T get(const void* p) {
    T v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

template <class T> void put(void* p, T v) {
    std::memcpy(p, &v, sizeof v);
}

} // namespace scriptarea
