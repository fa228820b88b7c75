#pragma once

#include "engine/util/ZREngineString.h"

#include <cstdint>

/// Where a registered font face lives: its file and its index in a collection (-1 = none).
struct ZRFontEntry {
    ZREngineString fileName;
    int32_t faceIndex = -1;
};
