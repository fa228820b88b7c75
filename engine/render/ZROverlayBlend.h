#pragma once

#include "engine/render/ZRBoxBlur.h"

#include <cstdint>

/// How one overlay is laid over the frame below it: the object's overlay block as the blend
/// reads it, with the transparency of the moment (see `zrOverlayFade`).
///
/// Modes: 1 colour key, 2 luma key, 3 chroma key (the overlay pixel is drawn unless it lies
/// within the match distance of the key), 4 alpha (drawn where its alpha is not 0, mixed by
/// that alpha), 5 multiply, 6 add, 7 subtract, 8 difference (every pixel, combined with the
/// frame); any other mode draws every pixel unchanged. Mode 0 is no overlay and is never
/// blended.
struct ZROverlayParameters {
    int mode = 0;
    int keyRed = 0; ///< key colour
    int keyGreen = 0;
    int keyBlue = 0;
    int keyY = 0; ///< the key colour's luma and colour differences (zrKeyYuv)
    int keyU = 0;
    int keyV = 0;
    int match = 100;        ///< key tolerance, 0..100 (100 = the exact key colour only)
    int smooth = 0;         ///< edge radius; 0 = no edge smoothing
    bool invertKey = false; ///< modes 1-4: draw what the key test refuses; mode 7: overlay - frame
    bool fading = false;    ///< mix with the frame by `transparency`
    int transparency = 0;   ///< percent, 0 = fully drawn, 100 = invisible
};

/// The transparency of an overlay at one moment.
struct ZROverlayFade {
    bool fading = false;
    int transparency = 0;
};

/// The edge radius the blend uses at most: the smoothing blurs a square of (2r + 1)^2 pixels
/// around each pixel of a square of the same size, so its cost grows with r^4.
inline constexpr int kMaxOverlaySmooth = 16;

/// The fade of an overlay `elapsedMs` after its start and `remainingMs` before its end, with
/// `opacity` its resting transparency in percent. A fade in that has not run `fadeTimeMs` yet
/// wins over a fade out; outside both the overlay fades by its opacity when that is not 0.
ZROverlayFade zrOverlayFade(bool fadeIn, bool fadeOut, int fadeTimeMs, int opacity,
                            double elapsedMs, double remainingMs);

/// True when the key test of `p.mode` draws the BGRA pixel `bgra` (before `p.invertKey`).
bool zrOverlayKeyPasses(const ZROverlayParameters& p, const unsigned char* bgra);

/// Blends `overlay` into `frame` pixel by pixel (the common rows and columns of both), every
/// written pixel opaque, then smooths the edges when `p.smooth` is not 0: every frame pixel
/// whose alpha differs from its left or upper neighbour has the square of radius
/// min(smooth, kMaxOverlaySmooth) around it box-blurred, pixel by pixel, with box size 2r + 1.
/// The pixels belong to the caller; nothing else is touched.
void zrBlendOverlay(const ZRPixelView& overlay, const ZRPixelView& frame,
                    const ZROverlayParameters& p);
