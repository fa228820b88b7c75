#pragma once

#include <QImage>
#include <QPainter>

/// Draws `source` of a 32-bit composed image at `at` with its alpha ignored: the alpha of a
/// composed image belongs to the skins, the screen shows its colours. 32-bit images only.
inline void drawImageOpaque(QPainter& painter, const QPoint& at, const QImage& image,
                            const QRect& source) {
    const QImage opaque(image.constBits(), image.width(), image.height(), image.bytesPerLine(),
                        QImage::Format_RGB32);
    painter.drawImage(at, opaque, source);
}
