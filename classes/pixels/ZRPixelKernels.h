#pragma once

// Row kernels behind the blend routines: each handles one run of n pixels of a row. The block and
// tile walkers in ZRPixelRoutines.cpp are shared, so the two kernel sets differ only here.

#include <cstdint>

namespace zrpixels {

struct Kernels {
    /// Rule B over n pixels.
    void (*blend)(const uint32_t* src, uint32_t* dst, int n);
    /// Rule O over n pixels; opacity is not 0 (the walkers copy for 0).
    void (*blendOpacity)(const uint32_t* src, uint32_t* dst, int n, uint32_t opacity);
    /// Rule T over n pixels; opacity is not 0.
    void (*blendTile)(const uint32_t* src, uint32_t* dst, int n, uint32_t opacity);
    /// Rule C over n pixels for a colour alpha of 1..254.
    void (*tint)(uint32_t colour, uint32_t* dst, int n);
    /// Rule F over n pixels for a colour alpha of 1..254.
    void (*fill)(uint32_t colour, uint32_t* dst, int n, uint32_t alpha);
};

/// The blend of one source pixel of alpha 1..254 over one destination pixel.
inline uint32_t blendOver(uint32_t s, uint32_t d) {
    const uint32_t a = s >> 24;
    const uint32_t ia = 255 - a;
    const uint32_t b = ((s & 0xFF) * a + (d & 0xFF) * ia) >> 8;
    const uint32_t g = (((s >> 8) & 0xFF) * a + ((d >> 8) & 0xFF) * ia) >> 8;
    const uint32_t r = (((s >> 16) & 0xFF) * a + ((d >> 16) & 0xFF) * ia) >> 8;
    const uint32_t al = (a * 255 + (d >> 24) * ia) >> 8;
    return b | g << 8 | r << 16 | al << 24;
}

} // namespace zrpixels
