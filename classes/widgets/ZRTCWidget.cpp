#include "classes/widgets/ZRTCWidget.h"

#include "classes/painting/ZRImagePainting.h"
#include "engine/api/IZRPos.h"

#include <QPaintEvent>
#include <QPainter>

#include <algorithm>

namespace {

uint8_t capped(uint64_t value, uint64_t cap) {
    return uint8_t(std::min(value, cap));
}

uint64_t nonNegative(int value) {
    return value < 0 ? 0 : uint64_t(value);
}

} // namespace

ZRTCWidget::ZRTCWidget(QDict<PSDLayer>* glyphs, QWidget* parent, const char* name,
                       Qt::WindowFlags flags)
    : QSBWidget(parent, name, flags) {
    if (glyphs) {
        for (const auto& [layerName, layer] : *glyphs) {
            if (layerName.isEmpty()) continue;
            const QChar c = layerName.at(0);
            const int index = c.isDigit() && c.unicode() < 128 ? c.unicode() - '0'
                              : c == QLatin1Char(':')          ? int(Colon)
                              : c == QLatin1Char('.')          ? int(Dot)
                                                               : -1;
            if (index < 0) continue;
            m_glyphs[index] = &layer->image;
            m_glyphRects[index] = layer->rect();
        }
    }
    // The paint loop's extent: eight digits at the widest, two colons and a dot, each followed
    // by a one-pixel gap except the last, plus the largest offset a glyph has in its skin.
    int widest = 0;
    int tallest = 0;
    int offset = 0;
    for (int i = 0; i < GlyphCount; ++i) {
        if (i < Colon) {
            widest = std::max(widest, m_glyphRects[i].width());
            tallest = std::max(tallest, m_glyphRects[i].y() + m_glyphRects[i].height());
        }
        offset = std::max(offset, m_glyphRects[i].x());
    }
    const int width = 8 * (widest + 1) + 2 * (m_glyphRects[Colon].width() + 1) +
                      (m_glyphRects[Dot].width() + 1) - 1 + offset;
    setFixedSize(std::max(width, 1), std::max(tallest, 1));
}

ZRTCWidget::Fields ZRTCWidget::fields() const {
    std::lock_guard<std::mutex> hold(m_lock);
    return {m_hours, m_minutes, m_seconds, m_frames};
}

void ZRTCWidget::store(uint64_t hours, uint64_t minutes, uint64_t seconds, uint64_t frames) {
    {
        std::lock_guard<std::mutex> hold(m_lock);
        m_hours = capped(hours, 99);
        m_minutes = capped(minutes, 59);
        m_seconds = capped(seconds, 59);
        m_frames = capped(frames, 99);
    }
    update();
}

void ZRTCWidget::setTimeCode(IZRPos* position) {
    if (!position) return;
    store(nonNegative(position->hours()), nonNegative(position->minutes()),
          nonNegative(position->seconds()), nonNegative(position->frames()));
}

void ZRTCWidget::setTimeCode(uint32_t packed) {
    const auto field = [packed](int shift) {
        const uint32_t byte = (packed >> shift) & 0xFF;
        return uint64_t((byte >> 4) * 10 + (byte & 0x0F));
    };
    store(field(24), field(16), field(8), field(0));
}

void ZRTCWidget::setTimeCode(uint32_t hours, uint32_t minutes, uint32_t seconds) {
    setTimeCode(hours, minutes, seconds, 0);
}

void ZRTCWidget::setTimeCode(uint32_t hours, uint32_t minutes, uint32_t seconds, uint32_t frames) {
    uint64_t h = hours, m = minutes, s = seconds;
    if (s > 59) {
        m += s / 60;
        s %= 60;
    }
    if (m > 59) {
        h += m / 60;
        m %= 60;
    }
    store(h, m, s, frames);
}

void ZRTCWidget::paintEvent(QPaintEvent* e) {
    std::lock_guard<std::mutex> hold(m_lock);
    QImage* target = composedImage();
    const QRegion region = e->region().intersected(rect());
    QPainter painter(this);
    if (!target || target->isNull()) {
        for (const QRect& r : region)
            painter.fillRect(r, palette().brush(backgroundRole()));
        return;
    }
    composeRegion(region);
    if (isEnabled()) {
        const QPoint origin = mapPointToSkinRoot(QPoint(0, 0));
        const QRegion clip = region.translated(origin);
        int pen = 0;
        const auto draw = [&](int glyph) {
            if (const QImage* image = m_glyphs[glyph]; image && !image->isNull())
                blendImageClipped(clip, *target,
                                  origin + m_glyphRects[glyph].topLeft() + QPoint(pen, 0), *image);
            pen += m_glyphRects[glyph].width() + 1;
        };
        const uint8_t values[4] = {m_hours, m_minutes, m_seconds, m_frames};
        const int separators[3] = {Colon, Colon, Dot};
        for (int i = 0; i < 4; ++i) {
            draw(values[i] / 10);
            draw(values[i] % 10);
            if (i < 3) draw(separators[i]);
        }
    }
    for (const QRect& r : region)
        presentComposedRect(painter, r);
}
