#include "engine/render/ZROverlayBlend.h"

#include "engine/base/ZRKeyYuv.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdlib>

namespace {

// 16-bit fixed-point mix of two bytes: `over` weighted by `weight` (0..255), rounded.
inline unsigned mix(unsigned over, unsigned under, unsigned weight) {
    const unsigned w = weight * 257;
    return (over * w + under * (65535 - w) + 0x807F) >> 16;
}

// The overlay's own value of one channel for the modes that combine it with the frame.
inline unsigned combine(int mode, bool invert, unsigned over, unsigned under) {
    switch (mode) {
    case 5:
        return over * under / 255;
    case 6:
        return std::min(over + under, 255u);
    case 7:
        if (invert) return over > under ? over - under : 0;
        return under > over ? under - over : 0;
    case 8:
        return over > under ? over - under : under - over;
    default:
        return over;
    }
}

bool hasAlphaEdge(const ZRPixelView& f, int x, int y) {
    const unsigned char* p = f.pixels + ptrdiff_t(y) * f.stride + ptrdiff_t(x) * 4;
    if (x > 0 && p[3] != p[3 - 4]) return true;
    return y > 0 && p[3] != p[3 - f.stride];
}

void smoothEdges(const ZRPixelView& f, int radius) {
    const int size = 2 * radius + 1;
    // Blurring leaves the alpha bytes alone, so the edges found stay the same during the walk.
    for (int y = 0; y < f.height; ++y) {
        for (int x = 0; x < f.width; ++x) {
            if (!hasAlphaEdge(f, x, y)) continue;
            for (int by = y - radius; by <= y + radius; ++by)
                for (int bx = x - radius; bx <= x + radius; ++bx)
                    zrBoxBlurAt(f, bx, by, size);
        }
    }
}

} // namespace

ZROverlayFade zrOverlayFade(bool fadeIn, bool fadeOut, int fadeTimeMs, int opacity,
                            double elapsedMs, double remainingMs) {
    ZROverlayFade fade;
    const double time = fadeTimeMs;
    const double visible = 100 - std::clamp(opacity, 0, 100);
    if (fadeIn && fadeTimeMs > 0 && elapsedMs < time) {
        fade.fading = true;
        fade.transparency = int(100 - std::max(elapsedMs, 0.0) * visible / time);
    } else if (fadeOut && fadeTimeMs > 0 && remainingMs < time) {
        fade.fading = true;
        fade.transparency = int(100 - std::max(remainingMs, 0.0) * visible / time);
    } else if (opacity != 0) {
        fade.fading = true;
        fade.transparency = std::clamp(opacity, 0, 100);
    }
    return fade;
}

bool zrOverlayKeyPasses(const ZROverlayParameters& p, const unsigned char* bgra) {
    const int b = bgra[0], g = bgra[1], r = bgra[2];
    const int loose = 100 - p.match;
    switch (p.mode) {
    case 1:
        if (p.match == 100) return r != p.keyRed || g != p.keyGreen || b != p.keyBlue;
        return std::abs(r - p.keyRed) + std::abs(g - p.keyGreen) + std::abs(b - p.keyBlue) >
               loose * 7.68;
    case 2: {
        const int y = int(0.299 * r + 0.587 * g + 0.114 * b + 0.5);
        if (y == p.keyY) return false;
        return std::abs(y - p.keyY) > int(std::floor(loose * 2.55 + 1.0));
    }
    case 3: {
        const ZRKeyYuv yuv = zrKeyYuv(r, g, b);
        if (yuv.u == p.keyU && yuv.v == p.keyV) return false;
        return !(std::abs(yuv.u - p.keyU) <= int(std::floor(loose * 2.24 + 0.5)) &&
                 std::abs(yuv.v - p.keyV) <= int(std::floor(loose * 3.14 + 0.5)));
    }
    case 4:
        return bgra[3] != 0;
    default:
        return true;
    }
}

void zrBlendOverlay(const ZRPixelView& overlay, const ZRPixelView& frame,
                    const ZROverlayParameters& p) {
    if (!overlay.pixels || !frame.pixels || p.mode == 0) return;
    const int width = std::min(overlay.width, frame.width);
    const int height = std::min(overlay.height, frame.height);
    const bool keyed = p.mode >= 1 && p.mode <= 4;
    const bool invertTest = p.invertKey && p.mode < 5;
    const unsigned weight =
        p.fading ? unsigned(std::clamp((5110 - 51 * p.transparency) / 20, 0, 255)) : 255;
    for (int y = 0; y < height; ++y) {
        const unsigned char* o = overlay.pixels + ptrdiff_t(y) * overlay.stride;
        unsigned char* d = frame.pixels + ptrdiff_t(y) * frame.stride;
        for (int x = 0; x < width; ++x, o += 4, d += 4) {
            bool pass = keyed ? zrOverlayKeyPasses(p, o) : true;
            if (invertTest) pass = !pass;
            if (!pass) continue;
            unsigned value[3];
            if (p.mode == 4) {
                const unsigned a = o[3];
                for (int c = 0; c < 3; ++c)
                    value[c] = a == 0 ? d[c] : a == 255 ? o[c] : mix(o[c], d[c], a);
            } else {
                for (int c = 0; c < 3; ++c)
                    value[c] = combine(p.mode, p.invertKey, o[c], d[c]);
            }
            for (int c = 0; c < 3; ++c)
                d[c] =
                    static_cast<unsigned char>(p.fading ? mix(value[c], d[c], weight) : value[c]);
            d[3] = 255;
        }
    }
    if (p.smooth > 0) smoothEdges(frame, std::min(p.smooth, kMaxOverlaySmooth));
}
