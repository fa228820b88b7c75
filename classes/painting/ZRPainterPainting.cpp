#include "classes/painting/ZRPainterPainting.h"

#include "classes/pixels/ZRPixelRoutines.h"

#include <QBrush>
#include <QPainter>

namespace {

QImage checkerboard() {
    QImage pattern(8, 8, QImage::Format_RGB32);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            pattern.setPixel(x, y, (x + y) % 2 == 0 ? 0xFF000000u : 0xFFFFFFFFu);
    return pattern;
}

} // namespace

void tileImageOverPainter(QPainter& painter, int x, int y, int w, int h, const QImage& source,
                          int phaseX, int phaseY) {
    if (w < 1 || h < 1 || source.isNull()) return;
    const QImage src = source.convertToFormat(QImage::Format_ARGB32);
    QImage tiled(w, h, QImage::Format_ARGB32);
    tiled.fill(0);
    // Over fully transparent pixels the blend copies the source exactly.
    tileBlendPixels(reinterpret_cast<const uint32_t*>(src.constBits()), int(src.bytesPerLine()),
                    src.width(), src.height(), reinterpret_cast<uint32_t*>(tiled.bits()),
                    int(tiled.bytesPerLine()), w, h, phaseX, phaseY);
    blitImageRegion(painter, QPoint(x, y), tiled);
}

void fillRectWithImageBrush(QPainter& painter, const QRect& rect) {
    if (rect.isEmpty()) return;
    static const QBrush brush(checkerboard());
    // A region covers each pixel of the frame once, however narrow the rectangle.
    const QRegion frame = QRegion(rect).subtracted(rect.adjusted(2, 2, -2, -2));
    painter.save();
    painter.setClipRegion(frame, painter.hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
    painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    painter.fillRect(rect, brush);
    painter.restore();
}

void blitImageRegion(QPainter& painter, const QPoint& at, const QImage& image) {
    if (image.isNull()) return;
    painter.save();
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.drawImage(at, image);
    painter.restore();
}
