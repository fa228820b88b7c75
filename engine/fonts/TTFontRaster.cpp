// Glyph drawing of TTFont: rasterising the loaded glyph and blending it into 32-bit pixels.

#include "engine/fonts/TTFont.h"

#include "engine/fonts/TTFontState.h"
#include "engine/fonts/ZRFaceCache.h"

#include <QRect>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>

namespace {

// Glyph boxes beyond this many pixels a side (or this area) are not rasterised.
constexpr int64_t kMaxGlyphSide = 1 << 16;
constexpr int64_t kMaxGlyphArea = int64_t(1) << 26;
// Positions further out than this cannot reach any buffer.
constexpr double kMaxCoordinate = 1e9;

uint32_t loadPixel(const unsigned char* at) {
    uint32_t value;
    std::memcpy(&value, at, 4);
    return value;
}

void storePixel(unsigned char* at, uint32_t value) {
    std::memcpy(at, &value, 4);
}

// Blends coverage c (0..255) of colour rgb at opacity alpha over one pixel.
void blend(unsigned char* at, uint32_t c, uint32_t rgb, uint32_t alpha) {
    const uint32_t a = (c * alpha * 257 + 32895) >> 16;
    if (a == 0) return;
    const uint32_t dst = loadPixel(at);
    const uint32_t dstAlpha = dst >> 24;
    if (dstAlpha == 0) {
        storePixel(at, a << 24 | rgb);
        return;
    }
    const uint32_t wgt = a * 257;
    const uint32_t inv = 65535 - wgt;
    uint32_t out = ((dstAlpha * inv + (wgt + 129) * 255) >> 16) << 24;
    for (int shift = 0; shift <= 16; shift += 8) {
        const uint32_t s = (rgb >> shift) & 0xFF;
        const uint32_t d = (dst >> shift) & 0xFF;
        out |= ((s * wgt + d * inv + 32895) >> 16) << shift;
    }
    storePixel(at, out);
}

const unsigned char* bitmapRow(const FT_Bitmap& bitmap, int row) {
    if (bitmap.pitch >= 0) return bitmap.buffer + size_t(row) * size_t(bitmap.pitch);
    return bitmap.buffer + size_t(int(bitmap.rows) - 1 - row) * size_t(-bitmap.pitch);
}

} // namespace

int TTFont::renderChar(unsigned char* pixels, int bytesPerLine, int width, int height,
                       ZRFontData* data, ZRCharInfo*, float x, float y, int) {
    if (!pixels || !data || bytesPerLine < 4 || width <= 0 || height <= 0) return 1;
    if (!std::isfinite(x) || !std::isfinite(y) || std::fabs(x) > kMaxCoordinate ||
        std::fabs(y) > kMaxCoordinate)
        return 1;
    // Pixels are 4 bytes; a line never reaches past its bytes.
    width = std::min(width, bytesPerLine / 4);

    std::lock_guard lock(fonts::fontMutex());
    if (!m_isOpen || !m_state->glyph) return 1;
    const FT_BBox& box = m_state->box;
    const int64_t left = box.xMin >> 6;
    const int64_t right = (box.xMax + 63) >> 6;
    const int64_t bottom = box.yMin >> 6;
    const int64_t top = (box.yMax + 63) >> 6;
    const int64_t originX = int64_t(std::floor(x));
    const int64_t originY = int64_t(std::floor(y));
    const QRect target(0, 0, width, height);
    const auto visible = [&](int64_t x0, int64_t y0, int64_t w, int64_t h) {
        if (w <= 0 || h <= 0 || w > kMaxGlyphSide || h > kMaxGlyphSide || w * h > kMaxGlyphArea)
            return QRect();
        if (x0 >= width || y0 >= height || x0 + w <= 0 || y0 + h <= 0) return QRect();
        return QRect(int(x0), int(y0), int(w), int(h)).intersected(target);
    };
    // Glyphs wholly outside cost nothing.
    if (visible(originX + left, originY - top, right - left, top - bottom).isEmpty()) return 1;

    const bool grey = data->antiAlias != 0;
    FT_Glyph image = m_state->glyph;
    if (FT_Glyph_To_Bitmap(&image, grey ? FT_RENDER_MODE_NORMAL : FT_RENDER_MODE_MONO, nullptr,
                           0) != 0)
        return 2;
    const auto* glyph = reinterpret_cast<FT_BitmapGlyph>(image);
    const FT_Bitmap& bitmap = glyph->bitmap;
    const int64_t destX = originX + glyph->left;
    const int64_t destY = originY - glyph->top;
    const QRect clip = visible(destX, destY, bitmap.width, bitmap.rows);
    const bool supported = bitmap.pixel_mode == (grey ? FT_PIXEL_MODE_GRAY : FT_PIXEL_MODE_MONO);

    const uint32_t rgb = uint32_t(std::clamp(data->red, 0, 255)) << 16 |
                         uint32_t(std::clamp(data->green, 0, 255)) << 8 |
                         uint32_t(std::clamp(data->blue, 0, 255));
    const uint32_t alpha = uint32_t(std::clamp(data->alpha, 0, 255));
    const uint32_t solid = alpha << 24 | rgb;
    const int grays = std::max(2, int(bitmap.num_grays));
    if (supported) {
        for (int row = clip.top(); row <= clip.bottom(); ++row) {
            const unsigned char* source = bitmapRow(bitmap, int(row - destY));
            unsigned char* line = pixels + size_t(row) * size_t(bytesPerLine);
            for (int column = clip.left(); column <= clip.right(); ++column) {
                const int sx = int(column - destX);
                unsigned char* at = line + size_t(column) * 4;
                if (grey) {
                    const uint32_t coverage = uint32_t(source[sx]) * 255 / uint32_t(grays - 1);
                    blend(at, coverage, rgb, alpha);
                } else if (source[sx >> 3] & (0x80 >> (sx & 7))) {
                    storePixel(at, solid);
                }
            }
        }
    }
    FT_Done_Glyph(image);
    return (supported && !clip.isEmpty()) ? 0 : 1;
}
