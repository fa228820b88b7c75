#pragma once

// Skin images blended, tiled, tinted and filled into 32-bit target images (QImage::Format_ARGB32
// or Format_RGB32, straight alpha). Every function clips what it touches to the target image and
// to the source image: a rectangle partly or wholly outside either changes only what lies
// inside both. A target that is not 32 bits deep is left alone; a source of another format is
// converted first.
//
// The region-clipped family (…Clipped) takes a clip region in target coordinates; it intersects
// the region with the target rectangle and works on each rectangle of the result, last to
// first, so that no pixel is touched twice. Where a source is drawn, the source pixel under a
// rectangle's top-left corner lies as far from the source origin as the rectangle lies from the
// target rectangle's corner; where a source is tiled, that offset is added to the tile phase.
//
// Reentrant: the functions touch only the images they are given. Engine images are locked for
// the call.

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QRegion>

#include <cstdint>

class IZRImage;

// Single rectangles.

/// Blends the source block at (sx, sy) of `rect`'s size into `rect` of the target.
void blendImageRect(QImage& target, const QRect& rect, const QImage& source, int sx, int sy);
/// Blends a w x h source block at (sx, sy) to (dx, dy) with the opacity rule.
void blendImageOpacityRect(QImage& target, int opacity, int dx, int dy, const QImage& source,
                           int sx, int sy, int w, int h);
/// Blends `sourceRect` of the source to `at`.
void blendImageAt(QImage& target, const QPoint& at, const QImage& source, const QRect& sourceRect);
/// Copies the whole source to `at` (no blending).
void copyImageAt(QImage& target, const QPoint& at, const QImage& source);
/// Blends the ARGB colour over `rect`.
void tintImageRect(QImage& target, const QRect& rect, uint32_t colour);
/// Tiles the source over `rect`; the tile starts at source column phaseX, row phaseY.
void tileImageRect(QImage& target, const QRect& rect, const QImage& source, int phaseX, int phaseY);
/// Tiles with the opacity rule; `rectPhase` adds (rect x mod source width, rect y mod source
/// height) to the phase.
void tileImageOpacityRect(QImage& target, int opacity, const QRect& rect, const QImage& source,
                          int phaseX, int phaseY, bool rectPhase);
/// Gives every pixel of `rect` the colour's red, green and blue; alpha stays.
void setRgbInRect(QImage& target, const QRect& rect, uint32_t colour);

// Region-clipped family.

/// Blends the whole source with its top-left corner at `at`.
void blendImageClipped(const QRegion& clip, QImage& target, const QPoint& at, const QImage& source);
/// Blends the source into `rect`, the source's origin at the rectangle's corner.
void blendSkinImageClipped(const QRegion& clip, QImage& target, const QRect& rect,
                           const QImage& source);
void blendImageOpacityClipped(const QRegion& clip, QImage& target, int opacity, const QPoint& at,
                              const QImage& source);
void tileImageClipped(const QRegion& clip, QImage& target, const QRect& rect, const QImage& source,
                      int phaseX, int phaseY);
void tileImageOpacityClipped(const QRegion& clip, QImage& target, int opacity, const QRect& rect,
                             const QImage& source, int phaseX, int phaseY, bool rectPhase);
void tintImageClipped(const QRegion& clip, QImage& target, const QRect& rect, uint32_t colour);
/// Sets the alpha of every pixel to the low byte of `value`.
void setAlphaClipped(const QRegion& clip, QImage& target, const QRect& rect, int value);
/// Blends the colour (as opaque) over the band of `thickness` pixels along the inside of
/// `rect`'s four edges.
void fillImageClipped(const QRegion& clip, QImage& target, const QRect& rect, uint32_t colour,
                      int thickness);
/// Blends the engine image, its origin at `rect`'s corner, into the target.
void blitSkinImageClipped(const QRegion& clip, QImage& target, const QRect& rect, IZRImage* source);
/// Blends the source, its top-left corner at `at`, into the engine image.
void blitSkinImageClippedAt(const QRegion& clip, IZRImage* target, const QPoint& at,
                            const QImage& source);
