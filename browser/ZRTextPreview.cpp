#include "browser/ZRTextPreview.h"

#include "classes/painting/ZRFramePainting.h"
#include "engine/api/IZRImage.h"

#include <QPaintEvent>
#include <QPainter>

#include <cmath>

ZRTextPreview::ZRTextPreview(QWidget* parent, const char* name) : QSBWidget(parent, name) {}

QRect ZRTextPreview::safeAreaFor(const QSize& size) {
    const int w = 3 + int(std::trunc(0.8 * size.width()));
    const int h = 3 + int(std::trunc(0.8 * size.height()));
    const auto half = [](int v) { return v >= 0 ? v / 2 : -((1 - v) / 2); };
    return QRect(half(size.width() - w), half(size.height() - h), w, h);
}

void ZRTextPreview::present(IZRImage* frame, bool opaque, const QRect& safeArea,
                            const QRegion& region) {
    m_frame = frame;
    m_opaque = opaque;
    m_safeArea = safeArea;
    // A frame handed over while painting is shown by that paint.
    if (!m_painting) update(region);
}

void ZRTextPreview::paintEvent(QPaintEvent* e) {
    m_painting = true;
    if (!m_frame) Q_EMIT sigPaintPreview(e->region());
    m_painting = false;
    const QRegion region = e->region().intersected(rect());
    composeRegion(region);
    QImage* composed = composedImage();
    QPainter painter(this);
    if (!composed || composed->isNull()) return;
    const QPoint root = mapPointToSkinRoot(QPoint(0, 0));
    {
        QPainter target(composed);
        target.setClipRegion(region.translated(root));
        if (m_frame) {
            m_frame->lock();
            if (m_frame->pixels()) {
                if (m_opaque) {
                    stretchFrameToWidget(m_frame, target, root.x(), root.y(), width(), height());
                } else {
                    const QImage title(m_frame->pixels(), m_frame->width(), m_frame->height(),
                                       m_frame->stride(), QImage::Format_ARGB32);
                    target.drawImage(root, title);
                }
            }
            m_frame->unlock();
        }
        if (!m_safeArea.isNull()) {
            target.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
            target.setPen(QPen(QColor(128, 128, 128), 0, Qt::DashLine));
            target.setBrush(Qt::NoBrush);
            target.drawRect(m_safeArea.translated(root));
        }
    }
    for (const QRect& r : region)
        presentComposedRect(painter, r);
}
