#include "views/ZRTransitionTrack.h"

#include "classes/painting/ZRImagePainting.h"
#include "classes/skins/ZRSkinPreload.h"
#include "editor/ZRChainLinks.h"
#include "editor/ZREngineDrag.h"
#include "editor/ZRScopedPos.h"
#include "editor/ZRVeskEditor.h"
#include "engine/api/IZRTimeline.h"
#include "views/ZRTimelinePlacement.h"
#include "views/ZRTimelineScale.h"
#include "views/ZRTimelineTrim.h"
#include "views/ZRTimelineView.h"
#include "views/ZRVideoTrack.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDropEvent>
#include <QLoggingCategory>
#include <QMouseEvent>

#include <algorithm>

namespace {

// Debug traces, off unless QT_LOGGING_RULES turns them on.
Q_LOGGING_CATEGORY(lcDrag, "clipstead.views.drag", QtInfoMsg)

constexpr int kTransitionTrack = chainlinks::kTransitionTrack;

/// True when `data` carries a transition dragged from the browser.
bool browserTransition(const QMimeData* data) {
    int id = 0;
    QString kind, group, name;
    return data && ZREngineDrag::decode(data, id, kind, group, name) &&
           kind == QLatin1String("Transition");
}

const QImage* layer(PSDLayerSet* set, const char* name) {
    PSDLayer* found = set ? set->layers.find(QString::fromLatin1(name)) : nullptr;
    return found && !found->image.isNull() ? &found->image : nullptr;
}

int widthOf(const QImage* image) {
    return image ? image->width() : 0;
}

/// A clip's own transition length in frames; 0 without one.
double transitionLength(IZRObject* clip) {
    ZRVideoUserData* record = chainlinks::clip(clip);
    if (!record || !record->linkedObject) return 0.0;
    if (record->linkedPosition) return record->linkedPosition->toFrames();
    return record->linkedObject->duration()->toFrames();
}

QString tr(const char* text) {
    return QCoreApplication::translate("ZRTransitionTrack", text);
}

} // namespace

ZRTransitionTrack::ZRTransitionTrack(const QString& name, int linkedTrackId, int trackId)
    : ZRTimelineTrack(kTransitionTrack, true, name, 15, trackId), m_linkedTrackId(linkedTrackId) {
    m_selected = piecesOf("transition_selected");
    m_normal = piecesOf("transition_normal");
    m_capsWidth = widthOf(m_normal.left) + widthOf(m_normal.right);
    m_iconMinWidth = m_capsWidth + widthOf(m_normal.icon);
}

ZRTransitionTrack::~ZRTransitionTrack() = default;

ZRTransitionTrack::Pieces ZRTransitionTrack::piecesOf(const char* name) {
    QDict<PSDLayerSet>* sets = preloadedSkinSets("timeline_tracks");
    PSDLayerSet* set = sets ? sets->find(QString::fromLatin1(name)) : nullptr;
    return {layer(set, "left"), layer(set, "left_fill"), layer(set, "icon"),
            layer(set, "right_fill"), layer(set, "right")};
}

IZRObject* ZRTransitionTrack::transitionAt(const QPoint& point, int* part) {
    return engineObjectAt(point, part, m_capsWidth, widthOf(m_normal.left),
                          widthOf(m_normal.right));
}

void ZRTransitionTrack::paint(const QRegion& region, QImage* target, const QPoint& offset) {
    paintBackground(region, target, offset);
    const std::vector<IZRObject*> list = objects();
    ZRPlacementInput in = placementInput();
    if (in.objects.size() != list.size()) return;
    const double shift = m_dropShift ? m_dropShift->toFrames() : 0.0;
    IZRPos* end = m_editor ? m_editor->endPosition() : nullptr;
    const ZRPlacementResult placed = placeTransitions(in, shift, end ? end->toFrames() : 0.0);
    for (const ZRPlacement& item : placed.items) {
        IZRObject* o = item.object < 0 ? m_dropObject : list[size_t(item.object)];
        paintObject(region, target, offset, px(item.start), px(item.length), o);
    }
}

void ZRTransitionTrack::paintObject(const QRegion& region, QImage* target, const QPoint& offset,
                                    int64_t x, int64_t width, IZRObject* object) {
    if (!target || width <= 0) return;
    const QRect r = barRect(x, width).translated(offset);
    const QRegion clip = (region & QRegion(visibleContent())).translated(offset);
    const QRect visible = visibleContent().translated(offset);
    if (clip.isEmpty() || !r.intersects(visible)) return;
    const Pieces& p = isObjectSelected(object) ? m_selected : m_normal;
    const QSize leftSize = p.left ? p.left->size() : QSize(0, r.height());
    const QSize rightSize = p.right ? p.right->size() : QSize(0, r.height());
    const QRect left(r.topLeft(), leftSize);
    const QRect right(QPoint(r.right() - rightSize.width() + 1, r.top()), rightSize);
    const int h = leftSize.height();
    QRect leftFill, rightFill, icon;
    QRegion leftCapClip = clip, rightCapClip = clip;
    if (width >= m_iconMinWidth && p.icon) {
        const int between = right.left() - left.right() - 1;
        icon = QRect(QPoint(left.right() + 1 + (between - p.icon->width()) / 2,
                            r.top() + (h - p.icon->height()) / 2),
                     p.icon->size());
        leftFill =
            QRect(QPoint(left.right() + 1, r.top()), QPoint(icon.left() - 1, r.top() + h - 1));
        rightFill =
            QRect(QPoint(icon.right() + 1, r.top()), QPoint(right.left() - 1, r.top() + h - 1));
    } else {
        const int space = right.left() - left.right() - 1;
        const int half = (space + 1) / 2;
        leftFill = QRect(left.right() + 1, r.top(), half, h);
        rightFill = QRect(leftFill.right() + 1, r.top(), space - half, h);
        if (width < m_capsWidth) {
            // The caps overlap: each takes half of the left cap's place.
            const QRect leftHalf(left.topLeft(), QSize(left.width() / 2, left.height()));
            leftCapClip &= QRegion(leftHalf);
            rightCapClip &=
                QRegion(QRect(QPoint(leftHalf.right() + 1, left.top()), left.bottomRight()));
        }
    }
    const QRegion fillClip = clip & QRegion(visible);
    if (p.left) blendImageClipped(leftCapClip, *target, left.topLeft(), *p.left);
    if (!icon.isNull()) blendImageClipped(clip, *target, icon.topLeft(), *p.icon);
    if (p.leftFill && leftFill.isValid())
        tileImageClipped(fillClip, *target, leftFill, *p.leftFill, 0, 0);
    if (p.rightFill && rightFill.isValid())
        tileImageClipped(fillClip, *target, rightFill, *p.rightFill, 0, 0);
    if (p.right) blendImageClipped(rightCapClip, *target, right.topLeft(), *p.right);
}

double ZRTransitionTrack::longestLength(IZRObject* transition) {
    ZRTransitionUserData* link = chainlinks::transition(transition);
    IZRObject* owner = link ? link->owner : nullptr;
    ZRVideoUserData* record = chainlinks::clip(owner);
    if (!record) return 0.0;
    double longest = owner->duration()->toFrames() - transitionLength(record->previous);
    IZRObject* next = record->next;
    const double second = next ? next->duration()->toFrames() - transitionLength(next) : 0.0;
    return std::min(longest, second);
}

void ZRTransitionTrack::trimStep(const QPoint& point) {
    ZRTrimInput in;
    ZRTransitionUserData* link = chainlinks::transition(m_trimObject);
    // A transition no clip owns (a dropped copy) has no length to keep: it is not trimmed.
    if (!link || !chainlinks::clip(link->owner) || !trimInput(&in, point)) {
        showStatus(QString());
        return;
    }
    in.maxLength = longestLength(m_trimObject);
    const ZRTrimOutput out = transitionTrimStep(in, scale());
    setFrames(m_trimStart, out.trimStart);
    setFrames(m_trimEnd, out.trimEnd);
    if (out.moved) notifyView(2);
    ZRScopedPos length(m_timeline->factory());
    setFrames(length, out.markOut - out.markIn);
    showStatus(tr("Transition [%1]: start: %2, end: %3, duration: %4")
                   .arg(QString::fromUtf8(m_trimObject->name()),
                        QString::fromLatin1(m_trimStart->toText()),
                        QString::fromLatin1(m_trimEnd->toText()),
                        QString::fromLatin1(length->toText())));
}

void ZRTransitionTrack::finishTrim(IZRObject* object, IZRPos* start, IZRPos* end) {
    ZRTransitionUserData* link = chainlinks::transition(object);
    IZRObject* owner = link ? link->owner : nullptr;
    if (link && chainlinks::clip(owner) && m_editor && start && end)
        m_editor->setTransitionLength(object, start, end);
    clearTrim();
    if (link && m_view) {
        m_view->slotUpdateClip(object);
        Q_EMIT m_view->objectChanged(owner, m_view);
    }
}

bool ZRTransitionTrack::admitsDrag(const QMimeData* data) const {
    return browserTransition(data) || ZRTimelineTrack::admitsDrag(data);
}

void ZRTransitionTrack::DragEnterEvent(QDragEnterEvent* e) {
    qCDebug(lcDrag, "ZRTransitionTrack::DragEnterEvent");
    m_browserDrag = m_editor && browserTransition(e->mimeData());
    if (m_browserDrag) {
        e->accept();
        return;
    }
    IZRObject* o = m_editor ? m_editor->droppedObject(e) : nullptr;
    if (!chainlinks::transition(o)) {
        e->ignore();
        return;
    }
    ZRTimelineTrack::DragEnterEvent(e);
}

void ZRTransitionTrack::DragMoveEvent(QDragMoveEvent* e) {
    qCDebug(lcDrag, "ZRTransitionTrack::DragMoveEvent");
    if (m_browserDrag) {
        e->accept();
        return;
    }
    // Transitions are only copied within the track.
    if (!chainlinks::transition(m_dropObject) || e->dropAction() == Qt::MoveAction) {
        // A place shown for a copy does not carry over to a move.
        if (m_dropValid) {
            m_dropValid = false;
            notifyView(2);
        }
        e->ignore();
        return;
    }
    ZRTimelineTrack::DragMoveEvent(e);
}

void ZRTransitionTrack::DragLeaveEvent(QDragLeaveEvent* e) {
    m_browserDrag = false;
    ZRTimelineTrack::DragLeaveEvent(e);
}

void ZRTransitionTrack::DragDropEvent(QDropEvent* e) {
    if (!m_browserDrag) {
        ZRTimelineTrack::DragDropEvent(e);
        return;
    }
    m_browserDrag = false;
    // The video track places transitions by the zone between two clips under the drop's x:
    // the drop reaches it at the same x, in the middle of its row.
    ZRTimelineTrack* linked =
        m_view ? m_view->trackAt(m_view->indexOfTrackId(m_linkedTrackId)) : nullptr;
    auto* video = dynamic_cast<ZRVideoTrack*>(linked);
    if (!video) return;
    const QPoint at(e->position().toPoint().x(),
                    video->contentRect().center().y() - m_view->verticalValue());
    QDropEvent moved(QPointF(at), e->possibleActions(), e->mimeData(), e->buttons(),
                     e->modifiers());
    video->DragDropEvent(&moved);
    e->setAccepted(moved.isAccepted());
}

void ZRTransitionTrack::MousePressEvent(QMouseEvent* e) {
    if (m_mouseState == DragCopy || m_mouseState == DragMove || m_mouseState == DragInsert) return;
    ZRTimelineTrack::MousePressEvent(e);
}

void ZRTransitionTrack::MouseMoveEvent(QMouseEvent* e) {
    if (m_mouseState == DragCopy || m_mouseState == DragMove || m_mouseState == DragInsert) return;
    const QPoint at = e->position().toPoint();
    int part = -1;
    IZRObject* o = transitionAt(at, &part);
    if (!o || m_mouseState == Trimming || m_mouseState == TrimReserved) {
        if (m_mouseState == Idle && m_view) m_view->setToolCursor(ZRCursor::Arrow);
        showStatus(QString());
    } else {
        if (e->buttons() & Qt::LeftButton) {
            // A transition is never dragged away from here; an edge starts a trim.
            if (part == 2 || m_mouseState == Pressed) {
                if (m_mouseState != Pressed) {
                    m_mouseState = Pressed;
                    m_pressPoint = at;
                }
            } else {
                beginTrim(o, part, at);
            }
        }
        if (m_view) m_view->setToolCursor(part == 2 ? ZRCursor::Move : ZRCursor::Trim);
        ZRScopedPos start(m_timeline->factory(), o->startPos()),
            end(m_timeline->factory(), o->endPos()), length(m_timeline->factory(), o->duration());
        showStatus(QString::asprintf("Transition [%s]: start: %s, end pos: %s, duration: %s",
                                     o->name(), start->toText(), end->toText(), length->toText()));
    }
    if (m_mouseState == Trimming) trimStep(at);
}
