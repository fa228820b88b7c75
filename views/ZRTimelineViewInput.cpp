#include "classes/skins/ZRSkinPreload.h"
#include "classes/widgets/ZRPushButton.h"
#include "classes/widgets/ZRScrollBar.h"
#include "editor/ZRAppState.h"
#include "editor/ZRUserData.h"
#include "editor/ZRVeskEditor.h"
#include "engine/api/IZRTimeline.h"
#include "views/ZRTimelineTrack.h"
#include "views/ZRTimelineView.h"

#include <QApplication>
#include <QDebug>
#include <QDropEvent>
#include <QKeyEvent>
#include <QLoggingCategory>
#include <QMouseEvent>
#include <QTimer>

#include <algorithm>

namespace {

// Debug traces, off unless QT_LOGGING_RULES turns them on.
Q_LOGGING_CATEGORY(lcDrag, "clipstead.views.drag", QtInfoMsg)

constexpr int kSaveAsMenuItem = 2904;
constexpr int kLeftMargin = 20;
constexpr int kRightMargin = 50;

void markModified() {
    ZRAppState& state = appState();
    state.setModified(true);
    if (state.hub) state.hub->setMenuItemEnabled(kSaveAsMenuItem, true);
}

} // namespace

void ZRTimelineView::setToolCursor(int index) {
    if (index == m_toolCursor) return;
    m_toolCursor = index;
    if (QCursor* c = skinCursor(index)) setCursor(*c);
}

void ZRTimelineView::toolSelected(int id) {
    const int before = m_tool;
    switch (id) {
    case ArrowButton:
        m_tool = SelectTool;
        setToolCursor(ZRCursor::Arrow);
        if (before == SplitTool) m_hoveredTrack = nullptr;
        break;
    case ZoomButton:
        m_tool = ZoomTool;
        m_bandPressed = m_bandShown = false;
        setToolCursor(m_zoomInByClick ? ZRCursor::ZoomIn : ZRCursor::ZoomOut);
        break;
    case KnifeButton:
        m_tool = SplitTool;
        setToolCursor(ZRCursor::Split);
        if (before == SelectTool) m_hoveredTrack = nullptr;
        break;
    case MarkerButton:
        m_tool = MarkerTool;
        setToolCursor(ZRCursor::Marker);
        break;
    default:
        return;
    }
    update(m_timeArea);
}

void ZRTimelineView::slotSnapshot() {
    if (m_editor && m_editor->objectCount() >= 1) Q_EMIT snapshot(m_cursorPosition);
}

void ZRTimelineView::keyPressEvent(QKeyEvent* e) {
    switch (e->key()) {
    case Qt::Key_Plus:
        slotZoomIn();
        break;
    case Qt::Key_Minus:
        slotZoomOut();
        break;
    case Qt::Key_A:
        if (m_editor && m_editor->objectCount() > 0) {
            m_editor->selectEverything();
            repaintTimeArea();
        }
        break;
    case Qt::Key_Delete:
        slotRemoveSelection();
        break;
    default:
        QSBWidget::keyPressEvent(e);
    }
}

void ZRTimelineView::focusOutEvent(QFocusEvent* e) {
    QSBWidget::focusOutEvent(e);
    if (!m_editor) return;
    m_editor->clearAllSelections();
    updateVisibleRange();
    repaintTimeArea();
}

void ZRTimelineView::slotUpdateClip(IZRObject* object) {
    setCursorPosition(m_cursorPosition, true);
    if (object && m_visibleStart && *object->endPos() >= m_visibleStart &&
        *object->startPos() <= m_visibleEnd) {
        updateHorizontalRange();
        repaintTimeArea();
    }
}

ZRTimelineTrack* ZRTimelineView::visibleTrackAt(const QPoint& point, const QRect& clip) const {
    if (m_firstVisibleTrack < 0) return nullptr;
    for (int i = m_firstVisibleTrack; i <= m_lastVisibleTrack; ++i) {
        ZRTimelineTrack* track = m_tracks[size_t(i)].get();
        if ((movedTrackRect(track) & clip).contains(point)) return track;
    }
    return nullptr;
}

void ZRTimelineView::setHovered(ZRTimelineTrack* track, const QPoint&) {
    if (track == m_hoveredTrack) return;
    if (m_hoveredTrack) {
        QEvent leave(QEvent::Leave);
        m_hoveredTrack->leaveEvent(&leave);
    }
    m_hoveredTrack = track;
    if (track) {
        QEvent enter(QEvent::Enter);
        track->enterEvent(&enter);
    }
}

void ZRTimelineView::mousePressEvent(QMouseEvent* e) {
    const QPoint at = e->position().toPoint();
    if (m_tool == ZoomTool) {
        if (m_timeArea.contains(at)) {
            m_pressPoint = at;
            m_bandPressed = true;
        }
        setToolCursor(e->button() == Qt::RightButton ? ZRCursor::ZoomOut : ZRCursor::ZoomIn);
        return;
    }
    if (m_tool == SplitTool) {
        cursorToViewX(at.x());
        setHovered(visibleTrackAt(at, m_trackRegion), at);
        if (e->button() == Qt::LeftButton && m_hoveredTrack && m_splitPosition) {
            m_splitObject = m_hoveredTrack->objectAt(at, nullptr);
            m_splitPosition->assign(m_cursorPosition);
        }
        update(m_timeArea);
        return;
    }
    if (e->button() == Qt::LeftButton && m_rulerRect.contains(at) && m_mouseState == Idle &&
        !m_projectEmpty) {
        m_mouseState = DraggingTimeCursor;
        cursorToViewX(at.x());
        return;
    }
    if (m_firstVisibleTrack < 0) return;
    for (int i = m_firstVisibleTrack; i <= m_lastVisibleTrack; ++i) {
        ZRTimelineTrack* track = m_tracks[size_t(i)].get();
        if (!(movedTrackRect(track) & m_trackRegion).contains(at)) continue;
        QMouseEvent press(QEvent::MouseButtonPress, e->position(), e->globalPosition(), e->button(),
                          e->buttons(), e->modifiers());
        track->MousePressEvent(&press);
    }
}

void ZRTimelineView::mouseMoveEvent(QMouseEvent* e) {
    const QPoint at = e->position().toPoint();
    if (m_tool == ZoomTool) {
        if (!(e->buttons() & (Qt::LeftButton | Qt::RightButton))) return;
        if (!m_bandPressed) {
            if (!m_timeArea.contains(at)) return;
            m_pressPoint = at;
            m_bandPressed = true;
        }
        const QPoint d = at - m_pressPoint;
        if (m_bandShown || qAbs(d.x()) > 2 || qAbs(d.y()) > 2) {
            const QRect old = m_bandRect;
            m_bandRect = QRect(m_pressPoint, at).normalized();
            m_bandShown = true;
            update((old | m_bandRect).adjusted(-1, -1, 1, 1) & m_timeArea);
        }
        return;
    }
    if (m_tool == SplitTool) {
        cursorToViewX(at.x());
        ZRTimelineTrack* track = visibleTrackAt(at, m_trackRegion);
        if (track != m_hoveredTrack) {
            setHovered(track, at);
            update(m_timeArea);
        }
        if ((e->buttons() & Qt::LeftButton) && track && m_splitPosition) {
            m_splitObject = track->objectAt(at, nullptr);
            m_splitPosition->assign(m_cursorPosition);
        }
        return;
    }
    if (m_rulerRect.contains(at) && m_mouseState != DraggingInTrack) setToolCursor(ZRCursor::Arrow);
    if (m_mouseState == Idle && (e->buttons() & Qt::LeftButton) && m_rulerRect.contains(at) &&
        !m_projectEmpty)
        m_mouseState = DraggingTimeCursor;
    if (m_mouseState == DraggingTimeCursor) {
        cursorToViewX(at.x());
        return;
    }
    if (e->buttons() == Qt::NoButton) {
        setHovered(visibleTrackAt(at, m_trackRegion), at);
        if (m_hoveredTrack) m_hoveredTrack->MouseMoveEvent(e);
    } else if (m_hoveredTrack) {
        m_mouseState = DraggingInTrack;
        m_hoveredTrack->MouseMoveEvent(e);
    }
}

void ZRTimelineView::mouseReleaseEvent(QMouseEvent* e) {
    if (m_tool == ZoomTool) {
        if (m_bandShown) update(m_bandRect.adjusted(-1, -1, 1, 1) & m_timeArea);
        if (e->button() == Qt::LeftButton)
            slotZoomIn();
        else if (e->button() == Qt::RightButton)
            slotZoomOut();
        m_bandPressed = m_bandShown = false;
        setToolCursor(ZRCursor::ZoomIn);
        return;
    }
    if (m_tool == SplitTool) {
        if (m_splitObject && m_editor) m_editor->splitObject(m_splitObject, m_splitPosition);
        m_splitObject = nullptr;
        updateHorizontalRange();
        repaintTimeArea();
        return;
    }
    if (m_firstVisibleTrack >= 0) {
        for (int i = m_firstVisibleTrack; i <= m_lastVisibleTrack; ++i)
            m_tracks[size_t(i)]->MouseReleaseEvent(e);
    }
    m_mouseState = Idle;
}

void ZRTimelineView::enterEvent(QEnterEvent* e) {
    QSBWidget::enterEvent(e);
    const QPoint at = e->position().toPoint();
    setHovered(visibleTrackAt(at, m_trackRegion), at);
}

void ZRTimelineView::leaveEvent(QEvent* e) {
    QSBWidget::leaveEvent(e);
    setHovered(nullptr, QPoint());
}

void ZRTimelineView::resetAutoScroll() {
    m_autoScrolling = false;
    m_hScrollDelay = 100;
    m_hScrollStep = 1;
}

bool ZRTimelineView::someTrackAdmits(const QMimeData* data) const {
    return std::any_of(m_tracks.begin(), m_tracks.end(),
                       [data](const auto& track) { return track->admitsDrag(data); });
}

void ZRTimelineView::passDragTo(ZRTimelineTrack* target, QDragMoveEvent* e,
                                QDragEnterEvent* entering) {
    if (m_dragTrack && m_dragTrack != target) {
        QDragLeaveEvent leave;
        m_dragTrack->DragLeaveEvent(&leave);
        m_dragTrack = nullptr;
        m_dragTaken = false;
    }
    if (!target) {
        e->ignore();
        return;
    }
    // A drag entering the view is new to every track, even to one that refused the last drag
    // (a refused drag gets no leave).
    if (entering || target != m_dragTrack) {
        if (entering) {
            target->DragEnterEvent(entering);
            m_dragTaken = entering->isAccepted();
        } else {
            QDragEnterEvent enter(e->position().toPoint(), e->possibleActions(), e->mimeData(),
                                  e->buttons(), e->modifiers());
            target->DragEnterEvent(&enter);
            m_dragTaken = enter.isAccepted();
        }
    }
    m_dragTrack = target;
    // Qt carries the last answer into the next move and drops only what the last move accepted,
    // so every move is answered here: accepted over a track that took the drag (which may still
    // refuse this move), refused elsewhere.
    if (m_dragTaken)
        e->acceptProposedAction();
    else
        e->ignore();
    target->DragMoveEvent(e);
    if (!m_dragTaken) e->ignore();
}

void ZRTimelineView::dragEnterEvent(QDragEnterEvent* e) {
    qCDebug(lcDrag, "ZRTimelineview: dragEnterEvent");
    ZRTimelineTrack* target = visibleTrackAt(e->position().toPoint(), m_timeArea);
    passDragTo(target, e, e);
    // Over a track the track answers. A drag that enters over the ruler or the track names is
    // kept while some track could take it: the moves that follow find the track.
    if (!target && someTrackAdmits(e->mimeData())) e->acceptProposedAction();
}

void ZRTimelineView::dragMoveEvent(QDragMoveEvent* e) {
    if (!isEnabled()) return;
    const QPoint at = e->position().toPoint();
    const bool inLeft = at.x() < m_timeArea.left() + kLeftMargin;
    const bool inRight = at.x() > m_timeArea.right() - kRightMargin;
    if (m_autoScrollEnabled && (inLeft || inRight)) {
        m_autoScrollPoint = at;
        m_hScrollStep = inLeft ? -1 : 1;
        if (!m_autoScrolling && !m_hScrollTimer->isActive()) {
            m_autoScrolling = true;
            m_hScrollTimer->start(m_hScrollDelay);
            return;
        }
    } else if (m_autoScrolling) {
        resetAutoScroll();
    }
    passDragTo(visibleTrackAt(at, m_timeArea), e, nullptr);
}

void ZRTimelineView::slotHScrollDelayTimeout() {
    if (!m_autoScrolling) {
        m_hScrollTimer->stop();
        m_hScrollDelay = 100;
        m_hScrollStep = 1;
        return;
    }
    m_hScrollBar->setValue(m_hScrollBar->value() + m_hScrollStep);
}

void ZRTimelineView::dragLeaveEvent(QDragLeaveEvent* e) {
    m_autoScrolling = false;
    qCDebug(lcDrag, "ZRTimelineview: dragLeaveEvent");
    if (m_dragTrack) m_dragTrack->DragLeaveEvent(e);
    m_dragTrack = nullptr;
    m_dragTaken = false;
}

void ZRTimelineView::dropEvent(QDropEvent* e) {
    resetAutoScroll();
    markModified();
    if (ZRTimelineTrack* target = visibleTrackAt(e->position().toPoint(), m_trackRegion))
        target->DragDropEvent(e);
    m_dragTrack = nullptr;
    m_dragTaken = false;
    m_mouseState = Idle;
    setFocus();
}

void ZRTimelineView::insertObjects(const QStringList& paths, int index) {
    if (!m_editor || !m_timeline) return;
    QApplication::setOverrideCursor(skinCursor(ZRCursor::Busy) ? *skinCursor(ZRCursor::Busy)
                                                               : QCursor(Qt::WaitCursor));
    const int count = m_editor->objectCount();
    if (index < 0 || index > count) index = count;
    const bool wasEmpty = count == 0;
    int inserted = 0;
    for (const QString& path : paths) {
        IZRObject* object = m_editor->importFile(path);
        if (!object) continue;
        // What cannot become a clip is not left behind in the engine.
        if (!object->hasVideo() || !m_editor->insertClip(object, index)) {
            m_timeline->factory()->destroyObject(object);
            continue;
        }
        ++index;
        ++inserted;
    }
    if (inserted > 0) {
        if (m_editor->objectCount() > 0) m_projectEmpty = false;
        markModified();
        updateHorizontalRange();
        if (!wasEmpty) {
            Q_EMIT contentsChanged(this);
        } else if (IZRObject* first = m_editor->firstObject()) {
            setCursorPosition(first->startPos(), false);
        }
        repaintTimeArea();
    }
    QApplication::restoreOverrideCursor();
}

void ZRTimelineView::slotRemoveSelection() {
    if (!m_editor || !m_cursorPosition) return;
    IZRObject* clip = m_editor->clipAtPosition(m_cursorPosition);
    ZRUserData* data = ZRUserData::of(clip);
    // The cursor goes to the first unselected clip after it, else to the end of the nearest
    // unselected clip before it. Unselected clips survive the deletion, so their places are read
    // afterwards, when the chain has closed up.
    IZRObject* landing = nullptr;
    bool atEnd = false;
    if (clip && data && data->isSelected()) {
        Q_EMIT objectDeleted(clip);
        auto* record = dynamic_cast<ZRVideoUserData*>(data);
        for (IZRObject* c = record ? record->next : nullptr; c && !landing;) {
            auto* r = dynamic_cast<ZRVideoUserData*>(ZRUserData::of(c));
            if (r && !r->isSelected()) landing = c;
            c = r ? r->next : nullptr;
        }
        for (IZRObject* c = record ? record->previous : nullptr; c && !landing;) {
            auto* r = dynamic_cast<ZRVideoUserData*>(ZRUserData::of(c));
            if (r && !r->isSelected()) {
                landing = c;
                atEnd = true;
            }
            c = r ? r->previous : nullptr;
        }
    }
    m_editor->deleteSelected(true);
    if (landing && m_editor->objectCount() > 0) {
        m_cursorPosition->assign(atEnd ? landing->endPos() : landing->startPos());
        Q_EMIT positionChanged(m_cursorPosition, this);
        setCursorPosition(m_cursorPosition, true);
    } else if (m_editor->objectCount() == 0) {
        m_arrowButton->setChecked(true);
        toolSelected(ArrowButton);
        m_toolCursor = -1;
        setToolCursor(ZRCursor::Arrow);
        m_projectEmpty = true;
        setPosFrames(m_cursorPosition, 0);
        Q_EMIT objectChanged(nullptr, this);
        Q_EMIT allItemsDeleted();
    } else if (IZRPos* end = m_editor->endPosition(); end && *m_cursorPosition > end) {
        const QSignalBlocker block(this);
        setCursorPosition(end, false);
    }
    updateHorizontalRange();
    repaintTimeArea();
    Q_EMIT contentsChanged(this);
}
