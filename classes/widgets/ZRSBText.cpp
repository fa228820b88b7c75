#include "classes/widgets/ZRSBText.h"

#include "classes/painting/ZRImagePainting.h"

#include <QPaintEvent>
#include <QPainter>

#include <algorithm>

ZRSBText::ZRSBText(QDict<PSDLayer>* glyphs, QWidget* parent, const char* name,
                   Qt::WindowFlags flags)
    : QSBWidget(parent, name, flags) {
    hide();
    setFixedSize(1, 1);
    if (!glyphs) return;
    for (const auto& [layerName, layer] : *glyphs) {
        if (layerName.size() != 1 || layerName.at(0).unicode() > 255) continue;
        const int code = layerName.at(0).unicode();
        m_glyphs[code] = &layer->image;
        m_glyphPositions[code] = layer->position;
    }
}

const QImage* ZRSBText::glyphFor(QChar c, QPoint* position) const {
    const int code = c.unicode() > 255 ? 0 : c.unicode();
    const QImage* glyph = m_glyphs[code];
    if (!glyph || glyph->isNull()) return nullptr;
    *position = m_glyphPositions[code];
    return glyph;
}

QSize ZRSBText::getSize(const QString& text) const {
    int width = 0;
    int height = 0;
    for (const QChar c : text) {
        QPoint at;
        const QImage* glyph = glyphFor(c, &at);
        if (!glyph) continue;
        width += at.x() + glyph->width() + 1;
        height = std::max(height, at.y() + glyph->height());
    }
    return QSize(width, height);
}

void ZRSBText::setText(const QString& text, QColor colour) {
    m_text = text;
    m_colour = colour;
    const QSize size = getSize(text);
    setFixedSize(size);

    // The glyphs are tinted in an image of their own and blended over the skin when painted,
    // so that the background shows between them.
    m_rendered = QImage();
    if (!size.isEmpty()) {
        m_rendered = QImage(size, QImage::Format_ARGB32);
        m_rendered.fill(0);
        int pen = 0;
        for (const QChar c : text) {
            QPoint at;
            const QImage* glyph = glyphFor(c, &at);
            if (!glyph) continue;
            blendImageAt(m_rendered, QPoint(at.x() + pen, at.y()), *glyph, glyph->rect());
            pen += at.x() + glyph->width() + 1;
        }
        setRgbInRect(m_rendered, m_rendered.rect(), colour.rgb());
    }
    update();
}

void ZRSBText::paintEvent(QPaintEvent* e) {
    QImage* target = composedImage();
    const QRegion region = e->region().intersected(rect());
    if (!target || target->isNull() || region.isEmpty()) return;
    composeRegion(region);
    if (!m_rendered.isNull()) {
        const QPoint origin = mapPointToSkinRoot(QPoint(0, 0));
        blendImageClipped(region.translated(origin), *target, origin, m_rendered);
    }
    QPainter painter(this);
    for (const QRect& r : region)
        presentComposedRect(painter, r);
}
