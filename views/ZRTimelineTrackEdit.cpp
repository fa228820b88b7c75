// Editing on a track: the hit test, selection on release, trimming an edge, dragging an object
// away and placing an object dragged over the track in a gap.
#include "classes/skins/ZRSkinPreload.h"
#include "editor/ZRAppState.h"
#include "editor/ZRScopedPos.h"
#include "editor/ZRUserData.h"
#include "editor/ZRVeskEditor.h"
#include "editor/ZRVeskEditorDrag.h"
#include "engine/api/IZRTimeline.h"
#include "views/ZRRenderPause.h"
#include "views/ZRTimelinePlacement.h"
#include "views/ZRTimelineScale.h"
#include "views/ZRTimelineTrack.h"
#include "views/ZRTimelineTrim.h"
#include "views/ZRTimelineView.h"

#include <QDebug>
#include <QDropEvent>
#include <QLoggingCategory>
#include <QMouseEvent>
#include <QThread>

#include <algorithm>
#include <climits>
#include <cmath>

namespace {

// Debug traces, off unless QT_LOGGING_RULES turns them on.
Q_LOGGING_CATEGORY(lcDrag, "clipstead.views.drag", QtInfoMsg)

/// A press must travel more than this (Manhattan length) before it drags the object away.
constexpr int kDragThreshold = 2;

ZRTimelineTrack::MoveDragFactory& moveDragFactory() {
    static ZRTimelineTrack::MoveDragFactory factory;
    return factory;
}

bool dragging(int state) {
    return state == ZRTimelineTrack::DragCopy || state == ZRTimelineTrack::DragMove ||
           state == ZRTimelineTrack::DragInsert;
}

double framesOf(IZRPos* pos) {
    return pos ? pos->toFrames() : 0.0;
}

} // namespace

void ZRTimelineTrack::setMoveDragFactory(MoveDragFactory factory) {
    moveDragFactory() = std::move(factory);
}

int64_t ZRTimelineTrack::contentOrigin() const {
    return m_view ? int64_t(m_view->horizontalValue()) * scale().pixelsPerUnit() : 0;
}

int64_t ZRTimelineTrack::contentX(const QPoint& point) const {
    return point.x() - m_contentRect.left() + contentOrigin();
}

void ZRTimelineTrack::setFrames(IZRPos* pos, double frames) {
    if (!pos) return;
    pos->set(0, 0, 0, 0, pos->framerate());
    pos->addFrames(int(std::clamp<double>(std::round(frames), 0.0, double(INT_MAX))));
}

IZRPos* ZRTimelineTrack::newPos(double frames) const {
    if (!m_timeline) return nullptr;
    IZRPos* pos = m_timeline->factory()->createPos();
    setFrames(pos, frames);
    return pos;
}

IZRPos* ZRTimelineTrack::framePos(int64_t x) const {
    return newPos(double(scale().framesAt(x)));
}

void ZRTimelineTrack::showStatus(const QString& text) {
    if (ZRAppState::Hub* hub = appState().hub) hub->message(text, 0);
}

void ZRTimelineTrack::setDropShift(IZRPos* shift) {
    if (!shift || !m_timeline) {
        destroyPos(m_dropShift);
        return;
    }
    if (!m_dropShift) m_dropShift = m_timeline->factory()->createPos();
    m_dropShift->assign(shift);
}

IZRObject* ZRTimelineTrack::objectAt(const QPoint& point, int* part) {
    if (part) *part = -1;
    if (!m_editor || m_editor->objectCount() == 0) return nullptr;
    return engineObjectAt(point, part, m_minEdgeWidth, m_startEdgeWidth, m_endEdgeWidth);
}

IZRObject* ZRTimelineTrack::engineObjectAt(const QPoint& point, int* part, int minWidth,
                                           int startWidth, int endWidth) {
    if (part) *part = -1;
    if (!m_timeline || !visibleContent().contains(point)) return nullptr;
    const int64_t x = contentX(point);
    IZRPos* at = framePos(x);
    IZRObject* o = m_timeline->objectAt(m_trackNumber, at, m_isVideo);
    m_timeline->factory()->destroyPos(at);
    if (!o) return nullptr;
    if (part) {
        const ZRObjectEdges edges = objectEdges(scale(), o->startPos()->toFrames(),
                                                o->duration()->toFrames(), o->endPos()->toFrames());
        *part = hitPart(x, edges, minWidth, startWidth, endWidth);
    }
    return o;
}

void ZRTimelineTrack::MousePressEvent(QMouseEvent* e) {
    if (dragging(m_mouseState)) m_mouseState = Idle;
    const QPoint at = e->position().toPoint();
    int part = -1;
    IZRObject* o = hitTest(at, &part);
    if (!o || m_mouseState == Trimming || m_mouseState == TrimReserved) {
        if (m_editor) m_editor->clearAllSelections();
        if (m_view) m_view->repaintTimeArea();
        return;
    }
    if (e->button() != Qt::LeftButton) return;
    if (m_mouseState == Pressed) {
        if ((at - m_pressPoint).manhattanLength() > kDragThreshold) {
            m_mouseState = DragMove;
            startMoveDrag(o);
        }
    } else if (part == 2) {
        m_mouseState = Pressed;
        m_pressPoint = at;
    } else {
        beginTrim(o, part, at);
    }
    if (m_mouseState != TrimReserved) m_pressedObject = o;
}

void ZRTimelineTrack::beginTrim(IZRObject* object, int part, const QPoint& point) {
    m_mouseState = Trimming;
    m_trimPressPoint = point;
    setTrim(object, object->startPos(), object->endPos());
    m_trimEdge = part;
    if (m_view) m_view->setToolCursor(ZRCursor::Trim);
}

void ZRTimelineTrack::MouseMoveEvent(QMouseEvent* e) {
    if (dragging(m_mouseState)) m_mouseState = Idle;
    const QPoint at = e->position().toPoint();
    int part = -1;
    IZRObject* o = hitTest(at, &part);
    if (!o || m_mouseState == Trimming || m_mouseState == TrimReserved) {
        if (m_mouseState == Idle && m_view) m_view->setToolCursor(ZRCursor::Arrow);
        showStatus(QString());
    } else {
        if ((e->buttons() & Qt::LeftButton) && m_mouseState == Pressed &&
            (at - m_pressPoint).manhattanLength() > kDragThreshold) {
            m_mouseState = DragMove;
            if (m_pressedObject == o) {
                // Selected without a repaint: the drag shows it.
                if (ZRUserData* data = ZRUserData::of(o)) data->setSelected(true);
                m_pressedObject = nullptr;
            }
            // The drag may have changed the track: nothing found before it is used after it.
            startMoveDrag(o);
            return;
        }
        if (m_view) m_view->setToolCursor(part == 2 ? ZRCursor::Move : ZRCursor::Trim);
        showStatus(hoverText(o));
    }
    if (m_mouseState == Trimming) trimStep(at);
}

bool ZRTimelineTrack::trimInput(ZRTrimInput* in, const QPoint& point) {
    IZRObject* t = m_trimObject;
    if (!t || !m_trimStart || !m_trimEnd || !m_timeline) return false;
    const int i = indexOfObject(t);
    IZRObject* prev = i > 0 ? objectAtIndex(i - 1) : nullptr;
    IZRObject* next = i >= 0 ? objectAtIndex(i + 1) : nullptr;
    in->edge = m_trimEdge;
    in->start = t->startPos()->toFrames();
    in->end = t->endPos()->toFrames();
    in->duration = t->duration()->toFrames();
    in->markIn = framesOf(t->markIn());
    in->markOut = framesOf(t->markOut());
    in->sourceLength = framesOf(t->sourceLength());
    in->trimStart = m_trimStart->toFrames();
    in->trimEnd = m_trimEnd->toFrames();
    in->minPos = prev ? prev->endPos()->toFrames() + 1.0 : 0.0;
    if (next)
        in->maxPos = next->startPos()->toFrames() - 1.0;
    else if (m_clipTrack)
        in->maxPos = in->sourceLength - in->markOut + in->end;
    else
        in->maxPos = framesOf(m_editor ? m_editor->endPosition() : nullptr) - 1.0;
    in->dx = point.x() - m_trimPressPoint.x();
    return true;
}

void ZRTimelineTrack::trimStep(const QPoint& point) {
    ZRTrimInput in;
    if (!trimInput(&in, point)) {
        showStatus(QString());
        return;
    }
    const ZRTrimOutput out = ::trimStep(in, scale());
    setFrames(m_trimStart, out.trimStart);
    setFrames(m_trimEnd, out.trimEnd);
    if (out.moved) notifyView(2);
    ZRScopedPos markIn(m_timeline->factory()), markOut(m_timeline->factory());
    setFrames(markIn, out.markIn);
    setFrames(markOut, out.markOut);
    showStatus(trimText(m_trimObject, m_trimStart, m_trimEnd, markIn, markOut));
}

void ZRTimelineTrack::MouseReleaseEvent(QMouseEvent* e) {
    if (dragging(m_mouseState)) m_mouseState = Idle;
    if (m_mouseState == Trimming || m_mouseState == TrimReserved) {
        commitTrim();
        if (m_view) m_view->setToolCursor(ZRCursor::Arrow);
        clearTrim();
        notifyView(2);
    } else if (IZRObject* o = m_pressedObject; o && e->button() == Qt::LeftButton) {
        const bool ctrl = e->modifiers() & Qt::ControlModifier;
        bool done = false;
        if (isObjectSelected(o)) {
            if (ctrl) {
                setObjectSelected(o, false);
            } else {
                if (m_editor) m_editor->clearAllSelections();
                setObjectSelected(o, false);
                if (m_view) {
                    m_view->repaintTimeArea();
                    m_view->slotGotoPosition(o->startPos(), nullptr);
                }
                done = true;
            }
        } else if (!ctrl) {
            if (m_editor) m_editor->clearAllSelections();
            setObjectSelected(o, true);
            if (m_view) m_view->repaintTimeArea();
        } else {
            setObjectSelected(o, true);
            done = true;
        }
        ZRUserData* data = ZRUserData::of(o);
        if (!done && m_view && data && data->kind == ZRUserData::Video) {
            Q_EMIT m_view->objectChanged(o, m_view);
            m_view->slotGotoPosition(o->startPos(), nullptr);
            Q_EMIT m_view->positionChanged(o->startPos(), m_view);
        }
    }
    m_pressedObject = nullptr;
    m_mouseState = Idle;
}

void ZRTimelineTrack::commitTrim() {
    if (!m_trimObject) return;
    const ZRRenderPause pause(m_timeline);
    finishTrim(m_trimObject, m_trimStart, m_trimEnd);
}

void ZRTimelineTrack::finishTrim(IZRObject* object, IZRPos* start, IZRPos* end) {
    if (object && start && end && m_editor &&
        (start->toFrames() != object->startPos()->toFrames() ||
         end->toFrames() != object->endPos()->toFrames()))
        m_editor->trimTrackObject(object, start, end);
    clearTrim();
}

void ZRTimelineTrack::startMoveDrag(IZRObject* object) {
    if (!object || !m_view) return;
    static constexpr char kName[] = "Moving Editor Object";
    std::unique_ptr<ZRVeskEditorDrag> drag =
        moveDragFactory() ? moveDragFactory()(m_view, kName)
                          : std::make_unique<ZRVeskEditorDrag>(m_view, kName);
    if (!drag) return;
    drag->setPayload(reinterpret_cast<uintptr_t>(QThread::currentThread()),
                     reinterpret_cast<uintptr_t>(object), reinterpret_cast<uintptr_t>(m_editor));
    (void)drag->dragCopyOrMove();
}

void ZRTimelineTrack::beginDrop(IZRObject* object, const QPoint& point, int state) {
    if (m_dropObject) endDrop();
    m_dropObject = object;
    if (!m_dropStart) m_dropStart = newPos(0);
    if (!m_dropEnd) m_dropEnd = newPos(0);
    m_dragEnterPoint = point;
    m_dropValid = false;
    m_mouseState = state;
}

void ZRTimelineTrack::endDrop() {
    if (IZRObject* o = m_dropObject) {
        const bool made = m_mouseState == DragInsert;
        clearDrop();
        // An object the drag made exists nowhere else.
        if (made && m_timeline) m_timeline->factory()->destroyObject(o);
        notifyView(2);
    }
    m_mouseState = Idle;
}

bool ZRTimelineTrack::admitsDrag(const QMimeData* data) const {
    return m_editor && data && ZRVeskEditorDrag::canDecode(data);
}

void ZRTimelineTrack::DragEnterEvent(QDragEnterEvent* e) {
    qCDebug(lcDrag, "ZRTimelineTrack::DragEnterEvent");
    // Only the editor finds the object a payload names, and only while this program's drag runs.
    IZRObject* o = m_editor ? m_editor->droppedObject(e) : nullptr;
    if (!o) {
        e->ignore();
        return;
    }
    beginDrop(o, e->position().toPoint(), 5);
    e->accept();
}

void ZRTimelineTrack::DragMoveEvent(QDragMoveEvent* e) {
    if (m_mouseState != DragInsert) {
        const int before = m_mouseState;
        if (e->dropAction() == Qt::MoveAction)
            m_mouseState = DragMove;
        else if (e->dropAction() == Qt::CopyAction)
            m_mouseState = DragCopy;
        if (m_mouseState != before) notifyView(2);
    }
    const QPoint at = e->position().toPoint();
    if (m_dropObject && at.x() == m_dragEnterPoint.x()) return;
    m_dropValid = false;
    if (m_dropObject) {
        const int64_t x = at.x() - m_contentRect.left();
        if (x < 0) return;
        const double pointer = double(scale().framesAt(x + contentOrigin()));
        const bool moving = m_mouseState == DragMove;
        int part = -1;
        if (moving || m_rippleInsert || objectAt(at, &part) != m_dropObject) {
            const double end = framesOf(m_editor ? m_editor->endPosition() : nullptr);
            double gapEnd = end - 1.0;
            if (m_rippleInsert && !moving)
                gapEnd = end + framesOf(m_dropEnd) + 1.0 - framesOf(m_dropStart) - 1.0;
            const ZRPlacementInput in = placementInput();
            const ZRDropSpot spot = placeInGap(in.objects, moving ? in.dropIndex : -1, pointer,
                                               gapEnd, m_dropObject->duration()->toFrames());
            if (spot.valid) {
                setFrames(m_dropStart, spot.start);
                setFrames(m_dropEnd, spot.end);
                m_dropValid = true;
            }
        }
    }
    notifyView(2);
}

void ZRTimelineTrack::DragLeaveEvent(QDragLeaveEvent*) {
    endDrop();
    qCDebug(lcDrag, "ZRTimelineTrack::DragLeaveEvent");
}

bool ZRTimelineTrack::insertOrDestroy(IZRPos* at, IZRObject* object) {
    bool destroyed = false;
    QMetaObject::Connection watch;
    if (m_editor)
        watch = QObject::connect(m_editor, &ZRVeskEditor::objectToBeDeleted,
                                 [&](IZRObject* gone) { destroyed |= gone == object; });
    const bool placed = insertObject(at, object);
    QObject::disconnect(watch);
    if (!placed && !destroyed && !object->trackNumber(true) && !object->trackNumber(false))
        m_timeline->factory()->destroyObject(object);
    return placed;
}

void ZRTimelineTrack::DragDropEvent(QDropEvent*) {
    qCDebug(lcDrag, "ZRTimelineTrack::DragDropEvent");
    if (!m_dropObject || !m_dropValid || !m_timeline) {
        // A drop without a place ends the drag as a leave does.
        endDrop();
        return;
    }
    IZRObject* o = m_dropObject;
    const int state = m_mouseState;
    IZRObjectFactory* factory = m_timeline->factory();
    ZRScopedPos start(factory, m_dropStart);
    ZRScopedPos newOut(factory, m_dropEnd);
    // The drag's state goes before the edit: what the edit announces must find none of it.
    clearDrop();
    m_mouseState = Idle;
    {
        const ZRRenderPause pause(m_timeline);
        // The mark-out that makes the object exactly as long as its place.
        setFrames(newOut, newOut->toFrames() + 1.0 - start->toFrames() + framesOf(o->markIn()));
        if (state != 4) m_timeline->setObjectMarkOut(o, newOut);
        if (state == 6) {
            (void)insertOrDestroy(start, o);
        } else if (state == 5) {
            moveObject(start, o);
        } else if (IZRObject* copy = m_editor ? m_editor->duplicateObject(o) : nullptr) {
            m_timeline->setObjectMarkOut(copy, newOut);
            (void)insertOrDestroy(start, copy);
        }
    }
    if (m_view) {
        m_view->repaintTimeArea();
        m_view->notifyContentsChanged();
    }
}
