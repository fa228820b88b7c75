// How the storyboard draws itself: the skinned background and frame, the cells with their
// thumbnails, effect and transition icons, mark bars and render bars, and the time cursor.
// Everything is composed into the shared composed image in paintEvent; the time cursor is
// blended over a copy of it, so the composed image never holds the cursor.

#include "views/ZRStoryboard.h"

#include "classes/painting/ZRImagePainting.h"
#include "classes/pixels/ZRPixelRoutines.h"
#include "classes/skins/PSDImage.h"
#include "classes/skins/ZRSkinPreload.h"
#include "classes/text/ZRTextImage.h"
#include "editor/ZREngineEvents.h"
#include "editor/ZRScopedPos.h"
#include "editor/ZRUserData.h"
#include "editor/ZRVeskEditor.h"
#include "engine/api/IZRObject.h"
#include "engine/api/IZRTimeline.h"

#include <QPaintEvent>
#include <QPainter>
#include <QTimer>

#include <cmath>
#include <mutex>

using G = ZRStoryboardGeometry;

namespace {

constexpr uint32_t kCellColour = 0xFFDDDDDD;
constexpr uint32_t kSelectionTint = 0xA6150185;
constexpr uint32_t kMustRenderColour = 0xFFDEDCDD;
constexpr uint32_t kRenderedColour = 0xFFFFD207;
constexpr uint32_t kEmptyBarColour = 0xFFDEDCDD;
constexpr int kMustRender = 1;
const QPoint kModeLabelCentre(56, 141);

QString skinFile(const char* name) {
    return skinBaseFolder() + QStringLiteral("/skins/default/") + QLatin1String(name);
}

const PSDLayer* layerOf(const char* file, const char* set, const char* layer) {
    QDict<PSDLayer>* layers = preloadedSkinSetLayers(file, set);
    return layers ? layers->find(QString::fromLatin1(layer)) : nullptr;
}

} // namespace

void ZRStoryboard::loadImages() {
    m_markBar = std::make_unique<MarkBarImages>();
    static const char* const names[MarkBarImages::Count] = {
        "frame", "inactive_fill", "active_fill_foreground", "active_fill_background"};
    if (auto layers = LoadPSDImage(skinFile("sb_mark_in_out.psd").toLocal8Bit().constData(),
                                   kPSDApplyLayerOpacity)) {
        for (int i = 0; i < MarkBarImages::Count; ++i)
            if (const PSDLayer* l = layers->find(QString::fromLatin1(names[i]))) {
                m_markBar->image[i] = l->image.convertToFormat(QImage::Format_ARGB32);
                m_markBar->offset[i] = l->position;
            }
    }
    m_effectIcon[0] = layerOf("engine_icons", "effects", "normal");
    m_effectIcon[1] = layerOf("engine_icons", "effects", "selected");
    m_transitionIcon[0] = layerOf("engine_icons", "transition", "normal");
    m_transitionIcon[1] = layerOf("engine_icons", "transition", "selected");

    auto cursor = LoadPSDImage(skinFile("sb_cursor.psd").toLocal8Bit().constData(), 0);
    const PSDLayer* active = cursor ? cursor->find(QStringLiteral("sb_cursor_active")) : nullptr;
    if (active && !active->image.isNull()) {
        m_cursorImage = active->image.convertToFormat(QImage::Format_ARGB32);
    } else {
        m_cursorImage = QImage(16, 16, QImage::Format_ARGB32);
        m_cursorImage.fill(0);
    }
    m_geometry.cursorSize = m_cursorImage.size();
}

void ZRStoryboard::copyImageRect(QImage& target, const QPoint& at, const QImage& sourceImage,
                                 const QRect& source) {
    if (target.depth() != 32 || sourceImage.depth() != 32) return;
    QRect src = source.intersected(sourceImage.rect());
    QPoint dst = at + (src.topLeft() - source.topLeft());
    const QRect placed = QRect(dst, src.size()).intersected(target.rect());
    if (placed.isEmpty()) return;
    src = QRect(src.topLeft() + (placed.topLeft() - dst), placed.size());
    dst = placed.topLeft();
    copyPixelBlock(reinterpret_cast<uint32_t*>(target.scanLine(dst.y())) + dst.x(),
                   int(target.bytesPerLine()),
                   reinterpret_cast<const uint32_t*>(sourceImage.constScanLine(src.y())) + src.x(),
                   int(sourceImage.bytesPerLine()), src.width(), src.height());
}

void ZRStoryboard::composeBackground(int x, int y, int w, int h) {
    QSBWidget::composeBackground(x, y, w, h);
    QImage* image = composedImage();
    const QRect r = QRect(x, y, w, h).intersected(rect());
    if (!image || image->isNull() || r.isEmpty()) return;
    const QPoint root = mapPointToSkinRoot(QPoint(0, 0));
    const QRegion clip(r.translated(root));
    m_baseLeft.drawInto(clip, *image, m_baseLeft.boxRect().translated(root));
    m_baseRight.drawInto(clip, *image, m_baseRight.boxRect().translated(root));
}

void ZRStoryboard::paintEvent(QPaintEvent* e) {
    QImage* image = composedImage();
    const QRegion region = e->region().intersected(rect());
    if (!image || image->isNull() || region.isEmpty()) return;
    const QPoint root = mapPointToSkinRoot(QPoint(0, 0));
    const QRegion rootClip = region.translated(root);

    composeRegion(region);
    m_frameLeft.drawInto(rootClip, *image, m_frameLeft.boxRect().translated(root));
    m_frameRight.drawInto(rootClip, *image, m_frameRight.boxRect().translated(root));
    m_toolFrame.drawInto(rootClip, *image, m_toolFrame.boxRect().translated(root));
    if (m_modeLabel && m_modeLabel->isValid()) {
        const QImage& label = *m_modeLabel->image();
        const QPoint at = kModeLabelCentre - QPoint(label.width() / 2, label.height() / 2);
        blendImageClipped(rootClip, *image, at + root, label);
    }
    if (region.intersects(m_cursorArea) && m_visibleFirst >= 0) {
        const QRegion cells = region.intersected(m_contentRect);
        for (int i = m_visibleFirst; i <= m_visibleLast; ++i)
            paintCell(cells, *image, root, i);
    }

    std::lock_guard locker(m_paintMutex);
    QPainter painter(this);
    painter.setClipRegion(region);
    for (const QRect& r : region)
        presentComposedRect(painter, r);

    const QRect cursor = onScreen(m_cursorRect).intersected(m_cursorArea);
    if (!m_projectEmpty && !cursor.isEmpty() && region.intersects(cursor)) {
        QImage composed(cursor.size(), QImage::Format_ARGB32);
        copyImageRect(composed, QPoint(0, 0), *image, cursor.translated(root));
        blendImageAt(composed, onScreen(m_cursorRect).topLeft() - cursor.topLeft(), m_cursorImage,
                     m_cursorImage.rect());
        setImageAlpha(composed, 255);
        painter.drawImage(cursor.topLeft(), composed);
    }
    m_drawnCursorRect = m_cursorRect;

    if (!m_dragFeedback.isEmpty()) {
        painter.setClipRect(QRect(m_cursorArea.left(), 0, m_cursorArea.width(), height()));
        painter.setPen(QPen(QColor(255, 255, 255), 1, Qt::DashLine));
        painter.setBrush(Qt::NoBrush);
        for (const QRect& r : m_dragFeedback)
            painter.drawRect(r.adjusted(0, 0, -1, -1));
    }
}

void ZRStoryboard::paintCell(const QRegion& region, QImage& image, const QPoint& offset,
                             int index) {
    const QRect cell = onScreen(G::cell(index));
    QRect slot = cell;
    slot.setBottom(ZRStoryboardGeometry::kRowBottom);
    const QRegion clip = region.intersected(QRegion(slot) + onScreen(G::transitionBox(index)) +
                                            onScreen(G::transitionBox(index - 1)));
    if (clip.isEmpty()) return;
    const QRegion target = clip.translated(offset);
    const QRect thumb = onScreen(G::thumbnail(index)).translated(offset);
    const QRect renderBar = onScreen(G::renderBar(index)).translated(offset);
    const QRect markBar = onScreen(G::markBar(index)).translated(offset);

    tintImageClipped(target, image, cell.translated(offset), kCellColour);
    IZRObject* clipObject = clipAt(index);
    ZRVideoUserData* record = recordOf(index);
    if (!clipObject || !record) {
        blendImageClipped(target, image,
                          markBar.topLeft() + m_markBar->offset[MarkBarImages::Frame],
                          m_markBar->image[MarkBarImages::Frame]);
        tintImageClipped(target, image, renderBar, kEmptyBarColour);
        return;
    }

    if (!record->largeFirstFrame.isNull())
        blendImageClipped(target.intersected(thumb), image, thumb.topLeft(),
                          record->largeFirstFrame);
    if (record->effect) {
        const PSDLayer* icon =
            m_effectIcon[record->videoFlags & ZRVideoUserData::EffectSelected ? 1 : 0];
        if (icon) {
            const QPoint at(thumb.left() + thumb.width() / 2 - icon->image.width() / 2,
                            thumb.bottom() - icon->image.height());
            blendImageClipped(target, image, at, icon->image);
        }
    }
    if (record->isSelected())
        tintImageClipped(target.intersected(thumb), image, thumb, kSelectionTint);

    // A box between two cells belongs to the cell on its left; the left neighbour's is drawn
    // here only when that neighbour is not painted itself, so that no icon is blended twice.
    const auto drawTransition = [&](IZRObject* transition, int box) {
        ZRUserData* data = transition ? ZRUserData::of(transition) : nullptr;
        const PSDLayer* icon = m_transitionIcon[data && data->isSelected() ? 1 : 0];
        if (!transition || !icon) return;
        const QPoint at = onScreen(G::transitionBox(box)).topLeft() + offset + icon->position;
        blendImageClipped(target, image, at, icon->image);
    };
    if (index > 0 && index == m_visibleFirst) {
        auto* previous = dynamic_cast<ZRVideoUserData*>(ZRUserData::of(record->previous));
        if (previous) drawTransition(previous->linkedObject, index - 1);
    }
    drawTransition(record->linkedObject, index);

    if (target.intersects(markBar)) drawMarkBar(image, target, markBar, clipObject);
    if (target.intersects(renderBar)) drawRenderBar(image, target, renderBar, clipObject);
}

void ZRStoryboard::drawMarkBar(QImage& image, const QRegion& clip, const QRect& bar,
                               IZRObject* object) {
    const MarkBarImages& m = *m_markBar;
    const QImage& fg = m.image[MarkBarImages::Foreground];
    const int w = fg.width() - 1;
    const G::MarkSpan span =
        G::markSpan(object->markIn()->toFrames(), object->markOut()->toFrames() - 1.0,
                    object->sourceLength()->toFrames() - 1.0, w);
    int xIn = span.in;
    int xOut = span.out;
    const QPoint anchor = bar.topLeft();
    if (xIn <= 0 && xOut >= w) {
        blendImageClipped(clip, image, anchor + m.offset[MarkBarImages::Foreground], fg);
    } else {
        blendImageClipped(clip, image, anchor + m.offset[MarkBarImages::Background],
                          m.image[MarkBarImages::Background]);
        xIn = std::clamp(xIn, 0, std::max(0, w));
        xOut = std::clamp(xOut, xIn, std::max(0, w));
        const QRect used(anchor + m.offset[MarkBarImages::Foreground] + QPoint(xIn, 0),
                         QSize(xOut - xIn + 1, fg.height()));
        if (!fg.isNull()) tileImageClipped(clip, image, used, fg, xIn, 0);
    }
    blendImageClipped(clip, image, anchor + m.offset[MarkBarImages::Frame],
                      m.image[MarkBarImages::Frame]);
}

void ZRStoryboard::drawRenderBar(QImage& image, const QRegion& clip, const QRect& bar,
                                 IZRObject* object) {
    if (!m_timeline) return;
    const QRect bounds = clip.boundingRect().intersected(bar);
    if (bounds.isEmpty()) return;
    ZRScopedPos position(m_timeline->factory());
    const double msPerPixel = object->duration()->toMilliseconds() / double(bar.width());
    const double start = object->startPos()->toMilliseconds();
    double lastFrame = -1.0;
    int state = 0;
    for (int x = bounds.left(); x <= bounds.right(); ++x) {
        const double t = start + msPerPixel * (x - bar.left());
        position->setMilliseconds(unsigned(std::max(0.0, t)));
        // Neighbouring columns often fall on one frame: ask the engine once per frame.
        const double frame = position->toFrames();
        if (frame != lastFrame) {
            state = m_timeline->renderStateAt(position);
            lastFrame = frame;
        }
        tintImageClipped(clip, image, QRect(x, bar.top(), 1, bar.height()),
                         state == kMustRender ? kMustRenderColour : kRenderedColour);
    }
}

void ZRStoryboard::customEvent(QEvent* e) {
    if (e->type() == ZRFrameRenderedEvent::kType && isVisible() && m_refreshTimer &&
        !m_refreshTimer->isActive() && m_editor && m_timeline) {
        const ZRFramePosition at = static_cast<ZRFrameRenderedEvent*>(e)->position();
        if (at.rate > 0 && std::isfinite(at.rate)) {
            IZRObjectFactory* factory = m_timeline->factory();
            IZRPos* position = factory->createPosAt(0, 0, 0, 0, at.rate);
            position->setTotalFrames(at.frames);
            IZRObject* clip = m_editor->clipAtPosition(position);
            factory->destroyPos(position);
            ZRUserData* record = clip ? ZRUserData::of(clip) : nullptr;
            if (record && isVisibleCell(record->number)) m_refreshTimer->start(kRefreshMs);
        }
    }
    QSBWidget::customEvent(e);
}

void ZRStoryboard::slotBGRenderer() {
    if (m_timeline) refreshRenderBars();
}

void ZRStoryboard::refreshRenderBars() {
    if (m_visibleFirst < 0) return;
    for (int i = m_visibleFirst; i <= m_visibleLast; ++i)
        update(onScreen(G::renderBar(i)).intersected(m_contentRect));
}
