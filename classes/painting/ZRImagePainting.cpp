#include "classes/painting/ZRImagePainting.h"

#include "classes/pixels/ZRPixelRoutines.h"
#include "engine/api/IZRImage.h"

#include <algorithm>
#include <mutex>

namespace {

// A block of 32-bit pixels: an image's, an engine image's or a part of one.
struct Pixels {
    uint32_t* bits = nullptr;
    int stride = 0;
    int width = 0;
    int height = 0;

    QRect rect() const { return QRect(0, 0, width, height); }
    uint32_t* at(int x, int y) const {
        return reinterpret_cast<uint32_t*>(reinterpret_cast<uchar*>(bits) + qsizetype(y) * stride +
                                           qsizetype(x) * 4);
    }
};

bool is32Bit(const QImage& image) {
    return image.format() == QImage::Format_ARGB32 || image.format() == QImage::Format_RGB32;
}

// The target's pixels, or none when it is not a 32-bit image.
Pixels targetPixels(QImage& target) {
    if (target.isNull() || target.depth() != 32) return {};
    return {reinterpret_cast<uint32_t*>(target.bits()), int(target.bytesPerLine()), target.width(),
            target.height()};
}

// A 32-bit straight-alpha view of the source, converted when it is not one already. Reading
// never writes: the pointer is only handed to routines that take their source as const.
struct SourcePixels {
    QImage image;
    Pixels pixels;

    explicit SourcePixels(const QImage& source)
        : image(source.isNull() || is32Bit(source)
                    ? source
                    : source.convertToFormat(QImage::Format_ARGB32)) {
        if (image.isNull()) return;
        pixels = {const_cast<uint32_t*>(reinterpret_cast<const uint32_t*>(image.constBits())),
                  int(image.bytesPerLine()), image.width(), image.height()};
    }
};

// Holds an engine image's lock and exposes its pixels.
class LockedEngineImage {
public:
    explicit LockedEngineImage(IZRImage* image) {
        if (!image) return;
        m_lock = std::unique_lock(*image);
        if (image->pixels() && image->width() > 0 && image->height() > 0)
            m_pixels = {reinterpret_cast<uint32_t*>(image->pixels()), image->stride(),
                        image->width(), image->height()};
    }

    const Pixels& pixels() const { return m_pixels; }

private:
    std::unique_lock<IZRImage> m_lock;
    Pixels m_pixels;
};

// The copy of a w x h source block at `from` to `to`, narrowed to what lies inside both blocks.
// Answers false when nothing is left.
bool clipCopy(const Pixels& target, QPoint& to, const Pixels& source, QPoint& from, QSize& size) {
    if (!target.bits || !source.bits) return false;
    QRect dst(to, size);
    // Both rectangles in target coordinates: the source block moved by (to - from).
    const QPoint shift = to - from;
    dst = dst.intersected(target.rect()).intersected(source.rect().translated(shift));
    if (dst.isEmpty()) return false;
    to = dst.topLeft();
    from = dst.topLeft() - shift;
    size = dst.size();
    return true;
}

enum class Blend { Plain, Opacity, Copy };

void blendBlock(const Pixels& target, QPoint to, const Pixels& source, QPoint from, QSize size,
                Blend mode, int opacity = 255) {
    if (!clipCopy(target, to, source, from, size)) return;
    const uint32_t* src = source.at(from.x(), from.y());
    uint32_t* dst = target.at(to.x(), to.y());
    switch (mode) {
    case Blend::Plain:
        blendPixels(src, source.stride, size.width(), size.height(), dst, target.stride);
        break;
    case Blend::Opacity:
        blendPixelsOpacity(src, source.stride, size.width(), size.height(), dst, target.stride,
                           uint8_t(std::clamp(opacity, 0, 255)));
        break;
    case Blend::Copy:
        copyPixelBlock(dst, target.stride, src, source.stride, size.width(), size.height());
        break;
    }
}

// Tiles the source over `rect` of the target; the part of `rect` cut off at the target's edges
// moves the phase with it, so the pattern stays where it would have been.
void tileBlock(const Pixels& target, const QRect& rect, const Pixels& source, int phaseX,
               int phaseY, bool withOpacity, int opacity) {
    if (!target.bits || !source.bits || source.width < 1 || source.height < 1) return;
    const QRect r = rect.intersected(target.rect());
    if (r.isEmpty()) return;
    phaseX += r.x() - rect.x();
    phaseY += r.y() - rect.y();
    uint32_t* dst = target.at(r.x(), r.y());
    if (withOpacity)
        tileBlendPixelsOpacity(source.bits, source.stride, source.width, source.height, dst,
                               target.stride, uint8_t(std::clamp(opacity, 0, 255)), r.width(),
                               r.height(), phaseX, phaseY);
    else
        tileBlendPixels(source.bits, source.stride, source.width, source.height, dst, target.stride,
                        r.width(), r.height(), phaseX, phaseY);
}

// Calls `apply` with every rectangle of `clip` within `rect`, last to first.
template <class Apply> void forEachRect(const QRegion& clip, const QRect& rect, Apply apply) {
    if (rect.isEmpty()) return;
    const QRegion area = clip.intersected(rect);
    for (auto it = area.end(); it != area.begin();) {
        --it;
        const QRect r = it->intersected(rect);
        if (!r.isEmpty()) apply(r);
    }
}

QPoint phaseOf(const QRect& rect, const Pixels& source) {
    if (source.width < 1 || source.height < 1) return {};
    return {rect.x() % source.width, rect.y() % source.height};
}

} // namespace

void blendImageRect(QImage& target, const QRect& rect, const QImage& source, int sx, int sy) {
    const SourcePixels src(source);
    blendBlock(targetPixels(target), rect.topLeft(), src.pixels, QPoint(sx, sy), rect.size(),
               Blend::Plain);
}

void blendImageOpacityRect(QImage& target, int opacity, int dx, int dy, const QImage& source,
                           int sx, int sy, int w, int h) {
    const SourcePixels src(source);
    blendBlock(targetPixels(target), QPoint(dx, dy), src.pixels, QPoint(sx, sy), QSize(w, h),
               Blend::Opacity, opacity);
}

void blendImageAt(QImage& target, const QPoint& at, const QImage& source, const QRect& sourceRect) {
    blendImageRect(target, QRect(at, sourceRect.size()), source, sourceRect.x(), sourceRect.y());
}

void copyImageAt(QImage& target, const QPoint& at, const QImage& source) {
    const SourcePixels src(source);
    blendBlock(targetPixels(target), at, src.pixels, QPoint(0, 0), source.size(), Blend::Copy);
}

void tintImageRect(QImage& target, const QRect& rect, uint32_t colour) {
    const Pixels dst = targetPixels(target);
    const QRect r = rect.intersected(dst.rect());
    if (!dst.bits || r.isEmpty()) return;
    tintPixelRect(colour, dst.at(r.x(), r.y()), dst.stride, r.width(), r.height());
}

void tileImageRect(QImage& target, const QRect& rect, const QImage& source, int phaseX,
                   int phaseY) {
    const SourcePixels src(source);
    tileBlock(targetPixels(target), rect, src.pixels, phaseX, phaseY, false, 255);
}

void tileImageOpacityRect(QImage& target, int opacity, const QRect& rect, const QImage& source,
                          int phaseX, int phaseY, bool rectPhase) {
    const SourcePixels src(source);
    const QPoint phase =
        QPoint(phaseX, phaseY) + (rectPhase ? phaseOf(rect, src.pixels) : QPoint());
    tileBlock(targetPixels(target), rect, src.pixels, phase.x(), phase.y(), true, opacity);
}

void setRgbInRect(QImage& target, const QRect& rect, uint32_t colour) {
    const Pixels dst = targetPixels(target);
    const QRect r = rect.intersected(dst.rect());
    if (!dst.bits || r.isEmpty()) return;
    const uint32_t rgb = colour & 0x00FFFFFFu;
    for (int y = r.top(); y <= r.bottom(); ++y) {
        uint32_t* p = dst.at(r.x(), y);
        for (int x = 0; x < r.width(); ++x)
            p[x] = (p[x] & 0xFF000000u) | rgb;
    }
}

void blendImageClipped(const QRegion& clip, QImage& target, const QPoint& at,
                       const QImage& source) {
    blendSkinImageClipped(clip, target, QRect(at, source.size()), source);
}

void blendSkinImageClipped(const QRegion& clip, QImage& target, const QRect& rect,
                           const QImage& source) {
    const Pixels dst = targetPixels(target);
    const SourcePixels src(source);
    if (!dst.bits || !src.pixels.bits) return;
    forEachRect(clip, rect.intersected(dst.rect()), [&](const QRect& r) {
        blendBlock(dst, r.topLeft(), src.pixels, r.topLeft() - rect.topLeft(), r.size(),
                   Blend::Plain);
    });
}

void blendImageOpacityClipped(const QRegion& clip, QImage& target, int opacity, const QPoint& at,
                              const QImage& source) {
    const Pixels dst = targetPixels(target);
    const SourcePixels src(source);
    if (!dst.bits || !src.pixels.bits) return;
    forEachRect(clip, QRect(at, source.size()).intersected(dst.rect()), [&](const QRect& r) {
        blendBlock(dst, r.topLeft(), src.pixels, r.topLeft() - at, r.size(), Blend::Opacity,
                   opacity);
    });
}

void tileImageClipped(const QRegion& clip, QImage& target, const QRect& rect, const QImage& source,
                      int phaseX, int phaseY) {
    const Pixels dst = targetPixels(target);
    const SourcePixels src(source);
    if (!dst.bits || !src.pixels.bits) return;
    forEachRect(clip, rect.intersected(dst.rect()), [&](const QRect& r) {
        tileBlock(dst, r, src.pixels, phaseX + r.x() - rect.x(), phaseY + r.y() - rect.y(), false,
                  255);
    });
}

void tileImageOpacityClipped(const QRegion& clip, QImage& target, int opacity, const QRect& rect,
                             const QImage& source, int phaseX, int phaseY, bool rectPhase) {
    const Pixels dst = targetPixels(target);
    const SourcePixels src(source);
    if (!dst.bits || !src.pixels.bits) return;
    const QPoint phase =
        QPoint(phaseX, phaseY) + (rectPhase ? phaseOf(rect, src.pixels) : QPoint());
    forEachRect(clip, rect.intersected(dst.rect()), [&](const QRect& r) {
        tileBlock(dst, r, src.pixels, phase.x() + r.x() - rect.x(), phase.y() + r.y() - rect.y(),
                  true, opacity);
    });
}

void tintImageClipped(const QRegion& clip, QImage& target, const QRect& rect, uint32_t colour) {
    forEachRect(clip, rect.intersected(target.rect()),
                [&](const QRect& r) { tintImageRect(target, r, colour); });
}

void setAlphaClipped(const QRegion& clip, QImage& target, const QRect& rect, int value) {
    const Pixels dst = targetPixels(target);
    if (!dst.bits) return;
    forEachRect(clip, rect.intersected(dst.rect()), [&](const QRect& r) {
        fillAlphaBytes(dst.at(r.x(), r.y()), dst.stride, r.width(), r.height(), uint8_t(value));
    });
}

void fillImageClipped(const QRegion& clip, QImage& target, const QRect& rect, uint32_t colour,
                      int thickness) {
    if (thickness < 1 || target.depth() != 32) return;
    const int t = std::min({thickness, rect.width(), rect.height()});
    QRegion band;
    band += QRect(rect.x(), rect.y(), rect.width(), t);
    band += QRect(rect.x(), rect.bottom() - t + 1, rect.width(), t);
    band += QRect(rect.x(), rect.y() + t, t, rect.height() - 2 * t);
    band += QRect(rect.right() - t + 1, rect.y() + t, t, rect.height() - 2 * t);
    const QRegion area = clip.intersected(band);
    forEachRect(area, rect.intersected(target.rect()),
                [&](const QRect& r) { blendColorInRect(target, r, colour); });
}

void blitSkinImageClipped(const QRegion& clip, QImage& target, const QRect& rect,
                          IZRImage* source) {
    const Pixels dst = targetPixels(target);
    const LockedEngineImage src(source);
    if (!dst.bits || !src.pixels().bits) return;
    forEachRect(clip, rect.intersected(dst.rect()), [&](const QRect& r) {
        blendBlock(dst, r.topLeft(), src.pixels(), r.topLeft() - rect.topLeft(), r.size(),
                   Blend::Plain);
    });
}

void blitSkinImageClippedAt(const QRegion& clip, IZRImage* target, const QPoint& at,
                            const QImage& source) {
    const LockedEngineImage dst(target);
    const SourcePixels src(source);
    if (!dst.pixels().bits || !src.pixels.bits) return;
    forEachRect(clip, QRect(at, source.size()).intersected(dst.pixels().rect()),
                [&](const QRect& r) {
                    blendBlock(dst.pixels(), r.topLeft(), src.pixels, r.topLeft() - at, r.size(),
                               Blend::Plain);
                });
}
