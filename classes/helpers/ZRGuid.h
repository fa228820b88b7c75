#pragma once

#include <cstdint>

/// A 16-byte globally unique identifier in its usual four fields (device categories, media
/// types of the capture code).
struct ZRGuid {
    uint32_t data1 = 0;
    uint16_t data2 = 0;
    uint16_t data3 = 0;
    uint8_t data4[8] = {};
};
static_assert(sizeof(ZRGuid) == 16);
