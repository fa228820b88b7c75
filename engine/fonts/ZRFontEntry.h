#pragma once

#include <cstdint>
#include <string>

/// Where a registered font face lives: its file and its index in a collection (-1 = none).
struct ZRFontEntry {
    std::string fileName;
    int32_t faceIndex = -1;
};
