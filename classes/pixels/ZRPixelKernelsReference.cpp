#include "classes/pixels/ZRPixelKernels.h"
#include "classes/pixels/ZRPixelRoutines.h"

namespace zrpixels {
namespace {

void blendRow(const uint32_t* src, uint32_t* dst, int n) {
    for (int i = 0; i < n; ++i) {
        const uint32_t s = src[i];
        const uint32_t a = s >> 24;
        if (a > 254 || (dst[i] >> 24) == 0)
            dst[i] = s;
        else if (a != 0)
            dst[i] = blendOver(s, dst[i]);
    }
}

void blendOpacityRow(const uint32_t* src, uint32_t* dst, int n, uint32_t opacity) {
    for (int i = 0; i < n; ++i) {
        const uint32_t s = src[i];
        const uint32_t a = s >> 24;
        if (a > 254)
            dst[i] = s;
        else if (a != 0)
            dst[i] = blendOver(s, (dst[i] & 0x00FFFFFF) | opacity << 24);
    }
}

void blendTileRow(const uint32_t* src, uint32_t* dst, int n, uint32_t opacity) {
    for (int i = 0; i < n; ++i) {
        const uint32_t s = src[i];
        const uint32_t a = s >> 24;
        const uint32_t d = (dst[i] & 0x00FFFFFF) | opacity << 24;
        if (a > 254)
            dst[i] = s;
        else if (a != 0)
            dst[i] = blendOver(s, d);
        else
            dst[i] = d;
    }
}

void tintRow(uint32_t colour, uint32_t* dst, int n) {
    for (int i = 0; i < n; ++i)
        dst[i] = (dst[i] >> 24) != 0 ? blendOver(colour, dst[i]) : colour;
}

void fillRow(uint32_t colour, uint32_t* dst, int n, uint32_t alpha) {
    for (int i = 0; i < n; ++i)
        dst[i] = alpha != 0 ? blendOver(colour, (dst[i] & 0x00FFFFFF) | alpha << 24) : colour;
}

const Kernels kReference{blendRow, blendOpacityRow, blendTileRow, tintRow, fillRow};

} // namespace

const Kernels& referenceKernels() {
    return kReference;
}

} // namespace zrpixels
