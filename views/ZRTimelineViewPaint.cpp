#include "classes/painting/ZRImagePainting.h"
#include "classes/painting/ZRPainterPainting.h"
#include "classes/skins/ZRSkinPreload.h"
#include "classes/text/ZRTextImage.h"
#include "classes/widgets/ZRScrollBar.h"
#include "editor/ZRAppState.h"
#include "views/ZRTimelineTrack.h"
#include "views/ZRTimelineView.h"

#include <QPaintEvent>
#include <QPainter>

#include <algorithm>
#include <mutex>

namespace {

const QImage* layerImage(PSDLayerSet* set, const char* name) {
    PSDLayer* layer = set ? set->layers.find(QString::fromLatin1(name)) : nullptr;
    return layer && !layer->image.isNull() ? &layer->image : nullptr;
}

QPoint layerPosition(PSDLayerSet* set, const char* name) {
    PSDLayer* layer = set ? set->layers.find(QString::fromLatin1(name)) : nullptr;
    return layer ? layer->position : QPoint();
}

void blendCentred(const QRegion& clip, QImage& target, const QRect& box, const QImage* image) {
    if (!image) return;
    const QPoint at(box.left() + (box.width() - image->width()) / 2,
                    box.top() + (box.height() - image->height()) / 2);
    blendImageClipped(clip, target, at, *image);
}

} // namespace

void ZRTimelineView::applySkin(const char* boxesFile, const char* cursorFile) {
    QDict<PSDLayerSet>* sets = preloadedSkinSets(boxesFile);
    auto set = [sets](const char* name) {
        return sets ? sets->find(QString::fromLatin1(name)) : nullptr;
    };
    const char* const boxes[5] = {"corner_nw", "top", "top", "corner_sw", "tc_box"};
    for (int i = 0; i < 5; ++i) {
        PSDLayerSet* s = set(boxes[i]);
        m_frameBoxes[i].setSkin(s ? &s->layers : nullptr);
    }
    PSDLayerSet* other = set("other");
    const char* const colours[6] = {"dark_track_fill_color",  "dark_track_line_color",
                                    "light_track_fill_color", "light_track_line_color",
                                    "corner_frame_color",     "background_color"};
    for (int i = 0; i < 6; ++i) {
        const QImage* image = layerImage(other, colours[i]);
        m_colors[i] = image ? image->pixel(0, 0) : 0;
    }
    m_seCorner = layerImage(other, "se_corner");
    QDict<PSDLayerSet>* icons = preloadedSkinSets("timeline_track_icons");
    m_speakerOn = layerImage(icons ? icons->find(QStringLiteral("speaker")) : nullptr, "on");
    m_audioOn = layerImage(icons ? icons->find(QStringLiteral("audio")) : nullptr, "on");

    QDict<PSDLayerSet>* cursorSets = preloadedSkinSets(cursorFile);
    PSDLayerSet* cursor = cursorSets ? cursorSets->find(QStringLiteral("cursor")) : nullptr;
    const char* const pieces[3] = {"top", "middle", "bottom"};
    for (int i = 0; i < 3; ++i) {
        m_cursorPieces[i] = layerImage(cursor, pieces[i]);
        m_cursorPieceAt[i] = layerPosition(cursor, pieces[i]);
    }
    const QSize size = cursor ? cursor->bounds.size() : QSize(15, 20);
    m_cursorRect = QRect(QPoint(0, 0), size);
    m_cursorHotX = 7;
    if (m_cursorPieces[1]) m_cursorHotX = m_cursorPieceAt[1].x();
}

void ZRTimelineView::buildCursorImage() {
    m_cursorRect.setBottom(m_trackRegion.bottom());
    if (m_cursorRect.height() <= 0 || m_cursorRect.width() <= 0) return;
    m_cursorImage = QImage(m_cursorRect.size(), QImage::Format_ARGB32);
    m_cursorImage.fill(0);
    const QRegion all(m_cursorImage.rect());
    const QImage* top = m_cursorPieces[0];
    const QImage* middle = m_cursorPieces[1];
    const QImage* bottom = m_cursorPieces[2];
    const int topEnd = top ? m_cursorPieceAt[0].y() + top->height() : 0;
    const int bottomStart =
        bottom ? m_cursorImage.height() - bottom->height() : m_cursorImage.height();
    if (middle && bottomStart > topEnd)
        tileImageClipped(
            all, m_cursorImage,
            QRect(m_cursorPieceAt[1].x(), topEnd, middle->width(), bottomStart - topEnd), *middle,
            0, 0);
    if (top) blendImageClipped(all, m_cursorImage, m_cursorPieceAt[0], *top);
    if (bottom)
        blendImageClipped(all, m_cursorImage, QPoint(m_cursorPieceAt[2].x(), bottomStart), *bottom);
}

QRect ZRTimelineView::cursorViewRect() const {
    // Clamped far outside the widget so the rectangle stays representable at any zoom.
    const qint64 x = std::clamp<qint64>(
        m_timeArea.left() - m_cursorHotX + m_cursorContentX - contentOrigin(), -100000, 100000);
    return QRect(int(x), m_cursorRect.top(), m_cursorRect.width(), m_cursorRect.height());
}

void ZRTimelineView::updateCursor(bool) {
    const QRect now = cursorViewRect() & m_timeArea;
    update(m_cursorShown | now);
    m_cursorShown = now;
}

void ZRTimelineView::repaintTimeArea() {
    update(m_timeArea);
}

void ZRTimelineView::repaintTrackRegion(const QRegion& region) {
    update(region & QRegion(m_trackRegion));
}

void ZRTimelineView::repaintTracks(const QList<int>& indexes, int part) {
    QRegion region;
    for (int index : indexes) {
        ZRTimelineTrack* track = trackAt(index);
        if (!track) continue;
        QRect r;
        if (part == 1)
            r = QRect(track->headerRect().topLeft(), track->controlRect().bottomRight());
        else if (part == 2)
            r = track->contentRect();
        else
            r = track->trackRect();
        region |= r.translated(0, -m_vScrollValue) & m_trackRegion;
    }
    if (!region.isEmpty()) update(region);
}

void ZRTimelineView::repaintTrack(int index, int part) {
    repaintTracks(QList<int>{index}, part);
}

void ZRTimelineView::repaintTracksOfNumber(int trackNumber, int part) {
    QList<int> indexes;
    for (int i = 0; i < trackCount(); ++i)
        if (m_tracks[size_t(i)]->trackNumber() == trackNumber) indexes.append(i);
    repaintTracks(indexes, part);
}

void ZRTimelineView::repaintTrackStates(const QList<ZRTrackState>& states, int part) {
    clearTrackStates();
    QList<int> indexes;
    for (const ZRTrackState& s : states) {
        if (!s.track || s.track->view() != this) continue;
        if (s.drop) {
            s.track->setDrop(s.object, s.start, s.end, s.valid);
            s.track->setDropShift(s.shift);
        } else
            s.track->setTrim(s.object, s.start, s.end);
        m_stateTracks.append(s.track);
        indexes.append(s.track->viewIndex());
    }
    repaintTracks(indexes, part);
}

void ZRTimelineView::clearTrackStates() {
    QList<int> indexes;
    for (ZRTimelineTrack* track : std::as_const(m_stateTracks)) {
        track->clearTrim();
        track->clearDrop();
        track->setDropShift(nullptr);
        indexes.append(track->viewIndex());
    }
    m_stateTracks.clear();
    repaintTracks(indexes, 3);
}

void ZRTimelineView::composeBackground(int x, int y, int w, int h) {
    QSBWidget::composeBackground(x, y, w, h);
    QImage* image = composedImage();
    const QRect r = QRect(x, y, w, h) & rect();
    if (!image || image->isNull() || r.isEmpty()) return;
    const QPoint root = mapPointToSkinRoot(QPoint(0, 0));
    const QRegion clip(r.translated(root));
    m_baseLeft.drawInto(clip, *image, QRect(0, 0, 206, height()).translated(root));
    m_baseRight.drawInto(clip, *image,
                         QRect(206, 10, width() - 206, height() - 20).translated(root));
    m_frameBoxes[3].drawInto(clip, *image, m_lowerLeftRect.translated(root));
    tintImageClipped(clip, *image, m_vScrollBar->geometry().translated(root), m_colors[5]);
}

void ZRTimelineView::composeTracks(const QRegion& region) {
    QImage* image = composedImage();
    if (!image || image->isNull() || m_firstVisibleTrack < 0) return;
    const QPoint root = mapPointToSkinRoot(QPoint(0, 0));
    const QRegion clip = region & QRegion(m_trackRegion);
    if (clip.isEmpty()) return;
    for (int i = m_firstVisibleTrack; i <= m_lastVisibleTrack; ++i) {
        ZRTimelineTrack* track = m_tracks[size_t(i)].get();
        const QRegion trackClip = clip & QRegion(movedTrackRect(track));
        if (trackClip.isEmpty()) continue;
        track->paintControls(trackClip, image, root);
        track->paint(trackClip & QRegion(track->contentRect().translated(0, -m_vScrollValue)),
                     image, root);
    }
}

void ZRTimelineView::paintEvent(QPaintEvent* e) {
    adoptFramerate();
    QImage* image = composedImage();
    if (!image || image->isNull()) return;
    const QRegion region = e->region() & QRegion(rect());
    const QPoint root = mapPointToSkinRoot(QPoint(0, 0));
    const QRegion clip = region.translated(root);
    composeRegion(region);
    m_frameLeft.drawInto(clip, *image, QRect(0, 0, 206, height()).translated(root));
    m_frameRight.drawInto(clip, *image,
                          QRect(206, 10, width() - 206, height() - 20).translated(root));
    m_toolboxFrame.drawInto(clip, *image, QRect(19, 24, 72, 104).translated(root));
    m_frameBoxes[0].drawInto(clip, *image, m_headerRect.translated(root));
    m_frameBoxes[1].drawInto(clip, *image, m_upperBox1Rect.translated(root));
    m_frameBoxes[2].drawInto(clip, *image, m_upperBox2Rect.translated(root));
    m_frameBoxes[4].drawInto(clip, *image, m_tcBoxRect.translated(root));
    if (m_modeLabel->isValid())
        blendCentred(clip, *image, QRect(QPoint(56, 141), QSize(0, 0)).translated(root),
                     m_modeLabel->image());
    blendCentred(clip, *image, m_upperBox1Rect.translated(root), m_speakerOn);
    blendCentred(clip, *image, m_upperBox2Rect.translated(root), m_audioOn);
    composeTracks(region);

    const QRgb frame = m_colors[4] | 0xFF000000u;
    fillImageClipped(clip, *image, m_vScrollBar->geometry().adjusted(-1, -1, 1, 1).translated(root),
                     frame, 1);
    for (int x : {m_headerRect.right(), m_upperBox2Rect.right()})
        tintImageClipped(
            clip, *image,
            QRect(x, m_lowerLeftRect.top(), 1, m_lowerLeftRect.height()).translated(root), frame);
    if (m_seCorner)
        blendImageClipped(clip, *image,
                          m_trackArea.bottomRight() + QPoint(1, 1) -
                              QPoint(m_seCorner->width(), m_seCorner->height()) + root,
                          *m_seCorner);
    paintRuler(region, false);

    const std::lock_guard lock(m_paintMutex);
    QPainter painter(this);
    painter.setClipRegion(region);
    for (const QRect& r : region)
        presentComposedRect(painter, r);
    drawCursorInto(painter);
    if (m_bandShown) {
        painter.setClipRect(m_timeArea);
        fillRectWithImageBrush(painter, m_bandRect);
    }
}

void ZRTimelineView::drawCursorInto(QPainter& painter) {
    if (m_projectEmpty) return;
    const QRect r = cursorViewRect();
    const QRect shown = r & m_timeArea;
    if (shown.isEmpty()) return;
    painter.save();
    painter.setClipRect(m_timeArea, Qt::IntersectClip);
    if (m_tool == SplitTool) {
        const int x = r.left() + m_cursorHotX;
        QRegion line(QRect(x, m_rulerRect.top(), 1, m_rulerRect.height()));
        if (m_hoveredTrack) {
            const QRect t = movedTrackRect(m_hoveredTrack);
            line |= QRect(x, t.top(), 1, t.height());
        }
        for (const QRect& part : line)
            painter.fillRect(part, QColor::fromRgba(0xC0FF0000));
    } else {
        painter.drawImage(r.topLeft(), m_cursorImage);
    }
    painter.restore();
}
