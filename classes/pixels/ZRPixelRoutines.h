#pragma once

// Block routines on 32-bit straight-alpha pixels: bytes B, G, R, A in memory (0xAARRGGBB as a
// number, QImage::Format_ARGB32). Strides are in bytes, widths and heights in pixels.
//
// Contract of the block routines: every block passed lies inside its image; nothing is checked
// and nothing is allocated. A width or height of 0 (or less) does nothing. The QImage forms at
// the end clip their rectangle to the image instead.
//
// The blend of a source pixel s of alpha a (1..254) over a destination pixel d:
//   colour bytes (s*a + d*(255 - a)) >> 8, alpha byte (a*255 + d.alpha*(255 - a)) >> 8.
// Rule B: a > 254 or d.alpha == 0 copies s; a == 0 keeps d; otherwise the blend.
// Rule O: a > 254 or opacity == 0 copies s; a == 0 keeps d; otherwise d.alpha = opacity, blend.
// Rule T: d.alpha = opacity first (also when a == 0), then rule O.
//
// All routines are reentrant: they touch only the blocks they are given.

#include <cstdint>

#include <QRect>

class QImage;

/// Rule B of a w x h source block over a destination block.
void blendPixels(const uint32_t* src, int srcStride, int w, int h, uint32_t* dst, int dstStride);

/// Rule O of a w x h source block over a destination block.
void blendPixelsOpacity(const uint32_t* src, int srcStride, int w, int h, uint32_t* dst,
                        int dstStride, uint8_t opacity);

/// Tiles a srcW x srcH source over a w x h destination block with rule B. The tile starts at
/// column x0 = p mod srcW, p = phaseX when phaseX >= 0, else srcW - phaseX; rows likewise.
void tileBlendPixels(const uint32_t* src, int srcStride, int srcW, int srcH, uint32_t* dst,
                     int dstStride, int w, int h, int phaseX, int phaseY);

/// As tileBlendPixels with rule T.
void tileBlendPixelsOpacity(const uint32_t* src, int srcStride, int srcW, int srcH, uint32_t* dst,
                            int dstStride, uint8_t opacity, int w, int h, int phaseX, int phaseY);

/// Rule C: blends `colour` over every pixel; alpha 0 does nothing, alpha 255 overwrites, pixels
/// whose own alpha is 0 take the colour.
void tintPixelRect(uint32_t colour, uint32_t* dst, int stride, int w, int h);

/// Rule F: as tintPixelRect, except that each pixel's alpha is first set to `alpha`; with
/// `alpha` 0 every pixel takes the colour.
void fillColorRect(uint32_t colour, uint32_t* dst, int stride, int w, int h, uint8_t alpha);

/// Rule R: blends `colour` (16-bit rounded weights) over `rings` nested one-pixel outlines of the
/// block, ring k moved in by k pixels. Stops at the rings the block holds; nothing for a colour
/// of alpha 0 or rings < 1.
void fillPixelsBlended(uint32_t* dst, int stride, int w, int h, uint32_t colour, int rings);

/// Scales every alpha byte by opacity / 255, rounded; alpha 0 stays 0, opacity 255 changes nothing.
void applyOpacity(uint32_t* dst, int stride, int w, int h, uint8_t opacity);

/// Sets every alpha byte to `value`; colour bytes untouched.
void fillAlphaBytes(uint32_t* dst, int stride, int w, int h, uint8_t value);

/// Destination alpha = matchAlpha where the source's low 24 bits equal the key's, else otherAlpha.
void setAlphaByColorKey(uint32_t* dst, int dstStride, const uint32_t* src, int srcStride, int w,
                        int h, uint32_t key, uint8_t matchAlpha, uint8_t otherAlpha);

/// Writes `value` to every pixel of the block.
void fillPixelRect(uint32_t* dst, int stride, int w, int h, uint32_t value);

/// Copies a w x h block.
void copyPixelBlock(uint32_t* dst, int dstStride, const uint32_t* src, int srcStride, int w, int h);

/// fillAlphaBytes over `rect` of a 32-bit image, clipped to the image.
void setAlphaInRect(QImage& image, const QRect& rect, int value);

/// fillColorRect over `rect` of a 32-bit image with alpha 255, clipped to the image.
void blendColorInRect(QImage& image, const QRect& rect, uint32_t colour);

/// fillAlphaBytes over a whole 32-bit image.
void setImageAlpha(QImage& image, int value);

/// The same blend routines in two implementations with equal results: `reference` (one pixel at
/// a time, as the rules read) and `sse2` (the vector form the plain names above call on x86-64).
/// Both exist for tests and benchmarks.
namespace zrpixels {
struct Kernels;
const Kernels& referenceKernels();
const Kernels& vectorKernels();

void blendPixels(const Kernels& k, const uint32_t* src, int srcStride, int w, int h, uint32_t* dst,
                 int dstStride);
void blendPixelsOpacity(const Kernels& k, const uint32_t* src, int srcStride, int w, int h,
                        uint32_t* dst, int dstStride, uint8_t opacity);
void tileBlendPixels(const Kernels& k, const uint32_t* src, int srcStride, int srcW, int srcH,
                     uint32_t* dst, int dstStride, int w, int h, int phaseX, int phaseY);
void tileBlendPixelsOpacity(const Kernels& k, const uint32_t* src, int srcStride, int srcW,
                            int srcH, uint32_t* dst, int dstStride, uint8_t opacity, int w, int h,
                            int phaseX, int phaseY);
void tintPixelRect(const Kernels& k, uint32_t colour, uint32_t* dst, int stride, int w, int h);
void fillColorRect(const Kernels& k, uint32_t colour, uint32_t* dst, int stride, int w, int h,
                   uint8_t alpha);
} // namespace zrpixels
