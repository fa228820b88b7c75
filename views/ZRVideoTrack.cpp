#include "views/ZRVideoTrack.h"

#include "classes/skins/PSDLayerSet.h"
#include "classes/skins/ZRSkinPreload.h"
#include "classes/text/ZRDefaultTextFont.h"
#include "classes/text/ZRTextImage.h"
#include "editor/ZRAppState.h"
#include "editor/ZRChainLinks.h"
#include "editor/ZRScopedPos.h"
#include "editor/ZRUserData.h"
#include "editor/ZRVeskEditor.h"
#include "engine/api/IZRTimeline.h"
#include "views/ZRTimelineScale.h"
#include "views/ZRTimelineView.h"

#include <QLoggingCategory>
#include <QMouseEvent>

#include <memory>

#include <algorithm>

namespace {

// Debug traces, off unless QT_LOGGING_RULES turns them on.
Q_LOGGING_CATEGORY(lcEffectMarker, "clipstead.views.effectmarker", QtInfoMsg)

const char* const kClipSets[4] = {"clip_normal", "clip_selected", "clip_no_audio_normal",
                                  "clip_no_audio_selected"};
const char* const kMarkerLayers[3] = {"normal", "selected", "normal_clip_selected"};

QImage layerImage(QDict<PSDLayer>* layers, const char* name, QRect* rect = nullptr) {
    PSDLayer* layer = layers ? layers->find(QString::fromLatin1(name)) : nullptr;
    if (rect) *rect = layer ? layer->rect() : QRect();
    return layer ? layer->image : QImage();
}

QRgb firstPixel(QDict<PSDLayer>* layers, const char* name) {
    const QImage image = layerImage(layers, name);
    return image.isNull() ? 0 : image.pixel(0, 0);
}

} // namespace

ZRVideoTrack::ZRVideoTrack(const QString& name, int transitionTrackId, int audioTrackId,
                           int trackId)
    : ZRTimelineTrack(0, true, name, 40, trackId), m_transitionTrackId(transitionTrackId),
      m_audioTrackId(audioTrackId) {
    m_clipTrack = true;
    m_rippleInsert = true;
    loadClipSkins();
    QDict<PSDLayer>* effects = preloadedSkinSetLayers("engine_icons", "effects");
    for (int i = 0; i < 3; ++i)
        m_markers[i].image = layerImage(effects, kMarkerLayers[i], &m_markers[i].rect);
    const ZRDefaultTextFont& font = defaultTextFont();
    m_nameText = std::make_unique<ZRTextImage>(QStringLiteral(" "), QColor(255, 255, 255, 255),
                                               font.fileName, font.pointSize, 0.0f);
    ZRVideoTrack::loadSkin(nullptr);
}

ZRVideoTrack::~ZRVideoTrack() = default;

void ZRVideoTrack::loadClipSkins() {
    for (int i = 0; i < 4; ++i) {
        QDict<PSDLayer>* layers = preloadedSkinSetLayers("timeline_tracks", kClipSets[i]);
        Skin& s = m_skins[i];
        s.left = layerImage(layers, "left");
        s.middle = layerImage(layers, "middle_fill");
        s.right = layerImage(layers, "right");
        s.leftFill = layerImage(layers, "left_fill");
        s.rightFill = layerImage(layers, "right_fill");
        s.thumbHeight = layerImage(layers, "thumb_fill").height();
    }
    const Skin& normal = m_skins[Normal];
    m_widths.left = normal.left.width();
    m_widths.middle = normal.middle.width();
    m_widths.right = normal.right.width();
    m_widths.leftFill = normal.leftFill.width();
    m_widths.rightFill = normal.rightFill.width();
    m_startEdgeWidth = m_widths.left;
    m_endEdgeWidth = m_widths.right;
}

void ZRVideoTrack::loadSkin(QDict<PSDLayerSet>* sets) {
    ZRTimelineTrack::loadSkin(sets);
    if (!sets) sets = preloadedSkinSets("timeline_boxes");
    PSDLayerSet* colours = sets ? sets->find(QStringLiteral("colors")) : nullptr;
    QDict<PSDLayer>* layers = colours ? &colours->layers : nullptr;
    m_overlappingColor = firstPixel(layers, "overlapping");
    m_thumbTop[0] = firstPixel(layers, "thumbnail_top_normal");
    m_thumbBottom[0] = firstPixel(layers, "thumbnail_bottom_normal");
    m_thumbTop[1] = firstPixel(layers, "thumbnail_top_selected");
    m_thumbBottom[1] = firstPixel(layers, "thumbnail_bottom_selected");
}

// Object access: the editor's chain.

int ZRVideoTrack::indexOfObject(IZRObject* object) {
    return object && m_editor ? m_editor->indexOf(object) : -1;
}

IZRObject* ZRVideoTrack::objectAtIndex(int index) {
    return index >= 0 && m_editor ? m_editor->objectAt(index) : nullptr;
}

IZRObject* ZRVideoTrack::firstObject() {
    return m_chain.first(m_editor);
}

IZRObject* ZRVideoTrack::lastObject() {
    return m_chain.last(m_editor);
}

IZRObject* ZRVideoTrack::prevObject() {
    return m_chain.previous();
}

IZRObject* ZRVideoTrack::nextObject() {
    return m_chain.next();
}

bool ZRVideoTrack::insertObject(IZRPos* at, IZRObject* object) {
    if (!m_editor || !object) return false;
    const int count = m_editor->objectCount();
    if (m_droppingCopy)
        return m_editor->insertClip(object, m_insertIndex < 0 ? count : m_insertIndex);
    IZRObject* there = at ? m_editor->clipAtPosition(at) : nullptr;
    return m_editor->insertClip(object, there ? m_editor->indexOf(there) : count);
}

void ZRVideoTrack::removeObject(IZRObject* object) {
    if (!m_editor || !object) return;
    m_chain.forget(object);
    m_editor->unlinkClip(object, true);
}

void ZRVideoTrack::moveObject(IZRPos*, IZRObject* object) {
    if (!m_editor || !object) return;
    m_editor->moveClip(object, m_insertIndex < 0 ? m_editor->objectCount() : m_insertIndex);
}

void ZRVideoTrack::forgetObject(IZRObject* object) {
    ZRTimelineTrack::forgetObject(object);
    m_chain.forget(object);
    if (m_pressedEffectClip == object) m_pressedEffectClip = nullptr;
}

void ZRVideoTrack::allItemsDeleted() {
    ZRTimelineTrack::allItemsDeleted();
    m_chain = ZRClipChain();
    m_pressedEffectClip = nullptr;
}

// Geometry.

QRect ZRVideoTrack::movedContent() const {
    return m_contentRect.translated(0, -verticalScroll());
}

QRect ZRVideoTrack::viewRect(const ZRSpan& span, int top, int height) const {
    if (span.isEmpty() || height <= 0) return QRect();
    const QRect content = movedContent();
    // Anything further out than this margin is off the picture anyway; clamping keeps the
    // numbers inside int while everything that shows keeps its place.
    const int64_t margin = 4096;
    const int64_t origin = contentOrigin() - content.left();
    const int64_t l = std::max(span.left - origin, int64_t(content.left()) - margin);
    const int64_t r = std::min(span.left + span.width - origin,
                               int64_t(content.left()) + content.width() + margin);
    if (l >= r) return QRect();
    return QRect(int(l), top, int(r - l), height);
}

ZRClipLayout ZRVideoTrack::clipLayout(IZRObject* clip) const {
    if (!clip) return ZRClipLayout();
    return layoutClip(m_widths, px(clip->startPos()->toFrames()), px(clip->duration()->toFrames()),
                      px(double(ZRClipChain::transitionBefore(clip))),
                      px(double(ZRClipChain::transitionAfter(clip))));
}

ZRTimelineTrack* ZRVideoTrack::audioTrack() const {
    return m_view ? m_view->trackAt(m_view->indexOfTrackId(m_audioTrackId)) : nullptr;
}

int ZRVideoTrack::audioTrackIndex() const {
    return m_view ? m_view->indexOfTrackId(m_audioTrackId) : -1;
}

// Hit tests.

IZRObject* ZRVideoTrack::objectAt(const QPoint& point, int* part) {
    if (part) *part = -1;
    if (!m_editor || m_editor->objectCount() == 0) return nullptr;
    const QRect content = movedContent();
    if (!content.contains(point)) return nullptr;
    const int64_t x = contentX(point);
    IZRObject* clip = ZRClipChain::clipAtFrame(m_editor, scale().framesAt(x));
    if (!clip) return nullptr;
    if (part) {
        *part = 2;
        const ZRSpan box = clipLayout(clip).box;
        if (box.width >= m_widths.narrowLimit()) {
            if (x >= box.left && x < box.left + m_widths.left)
                *part = 0;
            else if (x > box.right() - m_widths.right && x <= box.right())
                *part = 1;
        }
    }
    return clip;
}

IZRObject* ZRVideoTrack::transitionSlotAt(const QPoint& point) {
    if (!m_editor || m_editor->objectCount() == 0) return nullptr;
    const QRect content = movedContent();
    if (!content.contains(point)) return nullptr;
    const double frame = double(scale().framesAt(contentX(point)));
    for (IZRObject* c = m_editor->firstObject(); c; c = chainlinks::next(c)) {
        IZRObject* n = chainlinks::next(c);
        if (!n) break;
        const double durC = c->duration()->toFrames(), durN = n->duration()->toFrames();
        const double before = double(ZRClipChain::transitionBefore(c));
        const double after = double(ZRClipChain::transitionAfter(c));
        const double lower =
            c->startPos()->toFrames() + (before > 0 ? std::max(before, durC / 2) : durC / 2);
        const double upper =
            n->startPos()->toFrames() + (after > 0 ? std::max(after, durN / 2) : durN / 2);
        if (lower < frame && frame < upper) return c;
    }
    return nullptr;
}

QRect ZRVideoTrack::effectMarkerRect(IZRObject* clip, const ZRClipLayout& layout) const {
    ZRVideoUserData* record = chainlinks::clip(clip);
    if (!record || !record->effect || layout.box.isEmpty()) return QRect();
    const Marker& marker = markerFor(clip);
    const QRect content = movedContent();
    const ZRClipPiece* body = layout.piece(ZRClipPiece::Body);
    const ZRClipPiece* thumb = layout.piece(ZRClipPiece::FirstThumb);
    QRect area;
    if (body && layout.style == ZRClipLayout::Wide && body->span.width > marker.rect.width() + 5) {
        area = viewRect(body->span, content.top(), content.height());
    } else if (thumb) {
        // The first-frame picture lies one pixel inside its slot.
        const QSize picture = record->smallFirstFrame.isNull()
                                  ? (m_editor ? m_editor->smallThumbSize() : QSize())
                                  : record->smallFirstFrame.size();
        const QRect slot = viewRect(thumb->span, content.top(), content.height());
        if (slot.isEmpty()) return QRect();
        area = QRect(slot.topLeft() + QPoint(1, 1), picture);
    } else if (body) {
        area = viewRect(body->span, content.top(), content.height());
    }
    if (area.isEmpty()) return QRect();
    QRect r(QPoint(0, 0), marker.rect.size());
    r.moveCenter(area.center());
    r.moveTop(area.top() + 2);
    return r;
}

IZRObject* ZRVideoTrack::effectMarkerAt(const QPoint& point) {
    IZRObject* hit = nullptr;
    const QRect content = movedContent();
    if (m_editor && content.contains(point)) {
        const int64_t x = contentX(point);
        // The clip under the point, its transition zones included: the marker may lie there.
        ZRScopedPos at(m_timeline->factory(), m_editor->endPosition());
        at->assignFrames(int(std::min<int64_t>(scale().framesAt(x), INT32_MAX)));
        IZRObject* clip = m_editor->clipAtPosition(at);
        if (clip && effectMarkerRect(clip, clipLayout(clip)).contains(point)) hit = clip;
    }
    // A trace of the hit test, for the log only: the status bar is the user's.
    const QPoint rel = point - content.topLeft();
    qCDebug(lcEffectMarker, "VideoTrack: (%d,%d) %s", rel.x(), rel.y(), hit ? "[Effect]" : "");
    return hit;
}

// Feedback to the clip-audio track.

namespace {

/// True when the track shows a feedback installed for another track's trim or drag.
bool carriesCopy(const ZRTimelineTrack* track) {
    return track && track->mouseState() == ZRTimelineTrack::Idle &&
           (track->trimObject() || track->dropObject());
}

} // namespace

void ZRVideoTrack::notifyView(int what) {
    if (!m_view) return;
    const int own = m_viewIndex;
    const int audio = audioTrackIndex();
    ZRTimelineTrack* linked = audioTrack();
    ZRTimelineTrack* transitions = m_view->trackAt(m_view->indexOfTrackId(m_transitionTrackId));
    const bool trimming =
        m_trimObject && (m_mouseState == Trimming || m_mouseState == TrimReserved);
    const bool dragging = m_dropObject && (m_mouseState == DragCopy || m_mouseState == DragMove ||
                                           m_mouseState == DragInsert);
    if (!trimming && !dragging) {
        // A feedback shown on the linked tracks ends with the trim or drag that made it.
        if (carriesCopy(linked) || carriesCopy(transitions)) m_view->clearTrackStates();
        m_view->repaintTracks(QList<int>{own, audio}, what);
        return;
    }
    QList<ZRTrackState> states;
    ZRTrackState s;
    s.kind = m_mouseState;
    if (trimming) {
        s.object = m_trimObject;
        s.start = m_trimStart;
        s.end = m_trimEnd;
    } else {
        s.object = m_dropObject;
        s.start = m_dropStart;
        s.end = m_dropEnd;
        s.drop = true;
        s.valid = m_dropValid;
    }
    if (linked && s.start && s.end) {
        s.track = linked;
        states.append(s);
    }
    // The transitions follow the ripple preview: those after the drop move by its length.
    std::unique_ptr<ZRScopedPos> shift;
    if (dragging && m_dropValid && transitions && m_dropStart && m_dropEnd) {
        shift = std::make_unique<ZRScopedPos>(m_timeline->factory(), m_dropEnd);
        (*shift)->increment();
        (*shift)->subtract(m_dropStart);
        s.track = transitions;
        s.shift = *shift;
        states.append(s);
    }
    if (dragging && m_dropValid) {
        // The drop lands where the preview shows it; the preview follows this placement.
        ZRChainFeedback drop = chainFeedback();
        drop.trimObject = nullptr;
        m_insertIndex =
            placeTrackObjects(ZRClipChain::placementInput(ZRClipChain::clips(m_editor), drop))
                .insertIndex;
    }
    // This track shows its own state; the linked tracks are given copies.
    m_view->repaintTrackStates(states, what);
    m_view->repaintTrack(own, what);
}

void ZRVideoTrack::newProject(bool notify) {
    if (ZRTimelineTrack* linked = audioTrack()) linked->newProject(notify);
}

void ZRVideoTrack::finishTrim(IZRObject* object, IZRPos* start, IZRPos* end) {
    ZRClipChain::finishTrim(m_editor, m_view, object, start, end);
    clearTrim();
}

// Mouse: effect markers first, everything else by the base.

void ZRVideoTrack::MousePressEvent(QMouseEvent* e) {
    if (m_mouseState != Trimming && m_mouseState != TrimReserved &&
        (e->buttons() & Qt::LeftButton)) {
        m_pressedEffectClip = effectMarkerAt(e->position().toPoint());
        if (m_pressedEffectClip) return;
    }
    ZRTimelineTrack::MousePressEvent(e);
}

void ZRVideoTrack::MouseReleaseEvent(QMouseEvent* e) {
    if (m_mouseState == DragCopy || m_mouseState == DragMove || m_mouseState == DragInsert)
        m_mouseState = Idle;
    ZRVideoUserData* record = chainlinks::clip(m_pressedEffectClip);
    if (m_mouseState != Trimming && m_mouseState != TrimReserved && record &&
        e->button() == Qt::LeftButton && m_editor) {
        const bool ctrl = e->modifiers() & Qt::ControlModifier;
        const bool selected = record->videoFlags & ZRVideoUserData::EffectSelected;
        if (!ctrl) m_editor->clearAllSelections();
        if (selected && ctrl)
            record->videoFlags &= uint8_t(~ZRVideoUserData::EffectSelected);
        else
            record->videoFlags |= ZRVideoUserData::EffectSelected;
        if (!ctrl && m_view)
            m_view->repaintTimeArea();
        else
            notifyView(2);
        // A newly selected effect, or one deselected with Ctrl, changes what the views show.
        if (ctrl == selected && m_view) Q_EMIT m_view->objectChanged(m_pressedEffectClip, m_view);
    }
    m_pressedEffectClip = nullptr;
    ZRTimelineTrack::MouseReleaseEvent(e);
}
