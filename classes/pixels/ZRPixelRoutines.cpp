#include "classes/pixels/ZRPixelRoutines.h"

#include "classes/pixels/ZRPixelKernels.h"

#include <QImage>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <type_traits>

namespace {

template <class T> T* rowAt(T* base, int stride, int y) {
    using Byte = std::conditional_t<std::is_const_v<T>, const unsigned char, unsigned char>;
    return reinterpret_cast<T*>(reinterpret_cast<Byte*>(base) + ptrdiff_t(y) * stride);
}

// The start of a tile run: p mod size, p = phase, or size - phase for a negative phase.
int tileStart(int phase, int size) {
    const long long p = phase >= 0 ? phase : static_cast<long long>(size) - phase;
    return int(p % size);
}

// Walks a w x h destination block over a tiled source, one contiguous source run at a time.
template <class Row>
void tileWalk(const uint32_t* src, int srcStride, int srcW, int srcH, uint32_t* dst, int dstStride,
              int w, int h, int phaseX, int phaseY, Row row) {
    if (w <= 0 || h <= 0 || srcW <= 0 || srcH <= 0) return;
    const int x0 = tileStart(phaseX, srcW);
    int sy = tileStart(phaseY, srcH);
    for (int j = 0; j < h; ++j) {
        const uint32_t* s = rowAt(src, srcStride, sy);
        uint32_t* d = rowAt(dst, dstStride, j);
        int sx = x0;
        for (int left = w; left > 0;) {
            const int n = std::min(srcW - sx, left);
            row(s + sx, d, n);
            d += n;
            left -= n;
            sx = 0;
        }
        if (++sy == srcH) sy = 0;
    }
}

// Rules C and F share their cases: a colour of alpha 0 does nothing, an opaque one overwrites,
// any other goes through the rule's row kernel.
template <class Row>
void colourWalk(uint32_t colour, uint32_t* dst, int stride, int w, int h, Row translucentRow) {
    const uint32_t ca = colour >> 24;
    if (ca == 0 || w <= 0) return;
    for (int j = 0; j < h; ++j) {
        if (ca == 255)
            std::fill_n(rowAt(dst, stride, j), w, colour);
        else
            translucentRow(rowAt(dst, stride, j));
    }
}

void copyRow(const uint32_t* src, uint32_t* dst, int n) {
    std::memcpy(dst, src, size_t(n) * 4);
}

} // namespace

namespace zrpixels {

void blendPixels(const Kernels& k, const uint32_t* src, int srcStride, int w, int h, uint32_t* dst,
                 int dstStride) {
    if (w <= 0) return;
    for (int j = 0; j < h; ++j)
        k.blend(rowAt(src, srcStride, j), rowAt(dst, dstStride, j), w);
}

void blendPixelsOpacity(const Kernels& k, const uint32_t* src, int srcStride, int w, int h,
                        uint32_t* dst, int dstStride, uint8_t opacity) {
    if (w <= 0) return;
    for (int j = 0; j < h; ++j) {
        if (opacity == 0)
            copyRow(rowAt(src, srcStride, j), rowAt(dst, dstStride, j), w);
        else
            k.blendOpacity(rowAt(src, srcStride, j), rowAt(dst, dstStride, j), w, opacity);
    }
}

void tileBlendPixels(const Kernels& k, const uint32_t* src, int srcStride, int srcW, int srcH,
                     uint32_t* dst, int dstStride, int w, int h, int phaseX, int phaseY) {
    tileWalk(src, srcStride, srcW, srcH, dst, dstStride, w, h, phaseX, phaseY, k.blend);
}

void tileBlendPixelsOpacity(const Kernels& k, const uint32_t* src, int srcStride, int srcW,
                            int srcH, uint32_t* dst, int dstStride, uint8_t opacity, int w, int h,
                            int phaseX, int phaseY) {
    if (opacity == 0) {
        tileWalk(src, srcStride, srcW, srcH, dst, dstStride, w, h, phaseX, phaseY, copyRow);
        return;
    }
    tileWalk(src, srcStride, srcW, srcH, dst, dstStride, w, h, phaseX, phaseY,
             [&](const uint32_t* s, uint32_t* d, int n) { k.blendTile(s, d, n, opacity); });
}

void tintPixelRect(const Kernels& k, uint32_t colour, uint32_t* dst, int stride, int w, int h) {
    colourWalk(colour, dst, stride, w, h, [&](uint32_t* row) { k.tint(colour, row, w); });
}

void fillColorRect(const Kernels& k, uint32_t colour, uint32_t* dst, int stride, int w, int h,
                   uint8_t alpha) {
    colourWalk(colour, dst, stride, w, h, [&](uint32_t* row) { k.fill(colour, row, w, alpha); });
}

} // namespace zrpixels

void blendPixels(const uint32_t* src, int srcStride, int w, int h, uint32_t* dst, int dstStride) {
    zrpixels::blendPixels(zrpixels::vectorKernels(), src, srcStride, w, h, dst, dstStride);
}

void blendPixelsOpacity(const uint32_t* src, int srcStride, int w, int h, uint32_t* dst,
                        int dstStride, uint8_t opacity) {
    zrpixels::blendPixelsOpacity(zrpixels::vectorKernels(), src, srcStride, w, h, dst, dstStride,
                                 opacity);
}

void tileBlendPixels(const uint32_t* src, int srcStride, int srcW, int srcH, uint32_t* dst,
                     int dstStride, int w, int h, int phaseX, int phaseY) {
    zrpixels::tileBlendPixels(zrpixels::vectorKernels(), src, srcStride, srcW, srcH, dst, dstStride,
                              w, h, phaseX, phaseY);
}

void tileBlendPixelsOpacity(const uint32_t* src, int srcStride, int srcW, int srcH, uint32_t* dst,
                            int dstStride, uint8_t opacity, int w, int h, int phaseX, int phaseY) {
    zrpixels::tileBlendPixelsOpacity(zrpixels::vectorKernels(), src, srcStride, srcW, srcH, dst,
                                     dstStride, opacity, w, h, phaseX, phaseY);
}

void tintPixelRect(uint32_t colour, uint32_t* dst, int stride, int w, int h) {
    zrpixels::tintPixelRect(zrpixels::vectorKernels(), colour, dst, stride, w, h);
}

void fillColorRect(uint32_t colour, uint32_t* dst, int stride, int w, int h, uint8_t alpha) {
    zrpixels::fillColorRect(zrpixels::vectorKernels(), colour, dst, stride, w, h, alpha);
}

void fillPixelsBlended(uint32_t* dst, int stride, int w, int h, uint32_t colour, int rings) {
    if (colour <= 0x00FFFFFF || rings < 1) return;
    const uint32_t weight = (colour >> 24) * 257;
    const auto mix = [weight](uint32_t c, uint32_t d) {
        return (c * weight + d * (65535 - weight) + 32895) >> 16;
    };
    const auto blend = [&](uint32_t* p) {
        const uint32_t d = *p;
        *p = mix(colour & 0xFF, d & 0xFF) | mix((colour >> 8) & 0xFF, (d >> 8) & 0xFF) << 8 |
             mix((colour >> 16) & 0xFF, (d >> 16) & 0xFF) << 16 | mix(255, d >> 24) << 24;
    };
    for (int k = 0; k < rings && 2 * k < w && 2 * k < h; ++k) {
        const int left = k, right = w - 1 - k, top = k, bottom = h - 1 - k;
        for (int x = left; x <= right; ++x)
            blend(rowAt(dst, stride, top) + x);
        for (int y = top + 1; y < bottom; ++y) {
            blend(rowAt(dst, stride, y) + left);
            if (right != left) blend(rowAt(dst, stride, y) + right);
        }
        if (bottom != top)
            for (int x = left; x <= right; ++x)
                blend(rowAt(dst, stride, bottom) + x);
    }
}

void applyOpacity(uint32_t* dst, int stride, int w, int h, uint8_t opacity) {
    if (opacity == 255) return;
    const uint32_t scale = uint32_t(opacity) * 257;
    for (int j = 0; j < h; ++j) {
        uint32_t* row = rowAt(dst, stride, j);
        for (int i = 0; i < w; ++i) {
            const uint32_t a = row[i] >> 24;
            if (a == 0) continue;
            const uint32_t scaled = opacity == 0 ? 0 : (scale * a + 32895) >> 16;
            row[i] = (row[i] & 0x00FFFFFF) | scaled << 24;
        }
    }
}

void fillAlphaBytes(uint32_t* dst, int stride, int w, int h, uint8_t value) {
    const uint32_t alpha = uint32_t(value) << 24;
    for (int j = 0; j < h; ++j) {
        uint32_t* row = rowAt(dst, stride, j);
        for (int i = 0; i < w; ++i)
            row[i] = (row[i] & 0x00FFFFFF) | alpha;
    }
}

void setAlphaByColorKey(uint32_t* dst, int dstStride, const uint32_t* src, int srcStride, int w,
                        int h, uint32_t key, uint8_t matchAlpha, uint8_t otherAlpha) {
    for (int j = 0; j < h; ++j) {
        uint32_t* d = rowAt(dst, dstStride, j);
        const uint32_t* s = rowAt(src, srcStride, j);
        for (int i = 0; i < w; ++i) {
            const uint32_t alpha = ((s[i] ^ key) & 0x00FFFFFF) == 0 ? matchAlpha : otherAlpha;
            d[i] = (d[i] & 0x00FFFFFF) | alpha << 24;
        }
    }
}

void fillPixelRect(uint32_t* dst, int stride, int w, int h, uint32_t value) {
    if (w <= 0) return;
    for (int j = 0; j < h; ++j)
        std::fill_n(rowAt(dst, stride, j), w, value);
}

void copyPixelBlock(uint32_t* dst, int dstStride, const uint32_t* src, int srcStride, int w,
                    int h) {
    if (w <= 0) return;
    for (int j = 0; j < h; ++j)
        copyRow(rowAt(src, srcStride, j), rowAt(dst, dstStride, j), w);
}

namespace {

// The part of `rect` inside a 32-bit image and its first pixel; empty for other depths.
QRect clipTo32BitImage(const QImage& image, const QRect& rect) {
    if (image.depth() != 32) return QRect();
    return rect.intersected(image.rect());
}

uint32_t* pixelAt(QImage& image, const QPoint& at) {
    return reinterpret_cast<uint32_t*>(image.scanLine(at.y())) + at.x();
}

} // namespace

void setAlphaInRect(QImage& image, const QRect& rect, int value) {
    const QRect r = clipTo32BitImage(image, rect);
    if (r.isEmpty()) return;
    fillAlphaBytes(pixelAt(image, r.topLeft()), int(image.bytesPerLine()), r.width(), r.height(),
                   uint8_t(value));
}

void blendColorInRect(QImage& image, const QRect& rect, uint32_t colour) {
    const QRect r = clipTo32BitImage(image, rect);
    if (r.isEmpty()) return;
    fillColorRect(colour, pixelAt(image, r.topLeft()), int(image.bytesPerLine()), r.width(),
                  r.height(), 255);
}

void setImageAlpha(QImage& image, int value) {
    setAlphaInRect(image, image.rect(), value);
}
