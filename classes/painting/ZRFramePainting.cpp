#include "classes/painting/ZRFramePainting.h"

#include "engine/api/IZRTimeline.h"

#include <QImage>
#include <QPainter>

#include <mutex>

namespace {

constexpr int kFieldThreshold = 288;

// Draws width x height pixels of the buffer over `target`; with `evenLines` and more than 288
// lines, every other line (a doubled stride at half the height).
void drawPixels(QPainter& painter, const QRect& target, const unsigned char* pixels, int width,
                int bytesPerLine, int height, bool evenLines) {
    if (!pixels || width < 1 || height < 1 || bytesPerLine < width * 4 || target.isEmpty()) return;
    if (evenLines && height > kFieldThreshold) {
        height /= 2;
        bytesPerLine *= 2;
    }
    const QImage frame(pixels, width, height, bytesPerLine, QImage::Format_RGB32);
    painter.drawImage(target, frame, frame.rect());
}

void drawEngineImage(QPainter& painter, const QRect& target, IZRImage* image, bool evenLines) {
    drawPixels(painter, target, image->pixels(), image->width(), image->stride(), image->height(),
               evenLines);
}

} // namespace

void stretchFrameToDC(IZRTimeline* timeline, IZRObject*, IZRPos* position, QPainter& painter, int x,
                      int y, int w, int h) {
    if (!timeline || !position || w < 1 || h < 1) return;
    IZRObjectFactory* factory = timeline->factory();
    IZRImage* image = factory ? factory->createImage(w, h, 0) : nullptr;
    if (!image) return;
    if (IZRImage* frame = timeline->videoAt(position, 0)) {
        // The frame comes locked; it is scaled into the image of the size asked for, so the
        // timeline's buffer is released before the painter is touched.
        std::lock_guard frameLock(*frame, std::adopt_lock);
        std::lock_guard imageLock(*image);
        const bool fits = frame->pixels() && frame->width() > 0 && frame->height() > 0 &&
                          frame->stride() >= frame->width() * 4 && image->pixels();
        if (fits) {
            const QImage source(frame->pixels(), frame->width(), frame->height(), frame->stride(),
                                QImage::Format_RGB32);
            QImage scaled(image->pixels(), image->width(), image->height(), image->stride(),
                          QImage::Format_RGB32);
            QPainter into(&scaled);
            into.setRenderHint(QPainter::SmoothPixmapTransform);
            into.drawImage(scaled.rect(), source, source.rect());
        }
    }
    {
        std::lock_guard imageLock(*image);
        drawEngineImage(painter, QRect(x, y, w, h), image, false);
    }
    factory->destroyImage(image);
}

bool stretchFrameToRect(QPainter& painter, const QRect& rect, IZRTimeline* timeline,
                        IZRPos* position) {
    if (!timeline || !position) return false;
    IZRImage* frame = timeline->videoAt(position, 0);
    if (!frame) return false;
    // The frame comes locked.
    std::lock_guard frameLock(*frame, std::adopt_lock);
    // The frame's own size is what its pixels hold, whatever the settings say by now.
    try {
        drawEngineImage(painter, rect, frame, true);
    } catch (...) {
    }
    return true;
}

void stretchFrameToWidget(IZRImage* image, QPainter& painter, int x, int y, int w, int h) {
    if (!image) return;
    drawEngineImage(painter, QRect(x, y, w, h), image, true);
}

void stretchFrameToWidgetRect(QPainter& painter, const QRect& rect, const unsigned char* pixels,
                              int bytesPerLine, int height) {
    drawPixels(painter, rect, pixels, bytesPerLine / 4, bytesPerLine, height, false);
}
