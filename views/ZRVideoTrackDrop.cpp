// Drops on the video track from outside the timeline: media files, titles, video effects and
// transitions (images are taken and make nothing). Moves of the track's own clips are the base's.
#include "editor/ZRChainLinks.h"
#include "editor/ZREngineDrag.h"
#include "editor/ZRScopedPos.h"
#include "editor/ZRTitleDrag.h"
#include "editor/ZRUserData.h"
#include "editor/ZRVeskEditor.h"
#include "engine/api/IZRObject.h"
#include "engine/api/IZRTimeline.h"
#include "views/ZRRenderPause.h"
#include "views/ZRTimelineView.h"
#include "views/ZRTitleObject.h"
#include "views/ZRVideoTrack.h"

#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

namespace {

/// Drags from outside the timeline that the video track turns into clips, effects or
/// transitions.
bool outsideDrag(const QMimeData* data) {
    return ZRTitleDrag::canDecode(data) || ZREngineDrag::canDecode(data) || data->hasImage() ||
           data->hasUrls();
}

} // namespace

bool ZRVideoTrack::admitsDrag(const QMimeData* data) const {
    return data && (outsideDrag(data) || ZRTimelineTrack::admitsDrag(data));
}

void ZRVideoTrack::DragEnterEvent(QDragEnterEvent* e) {
    const QMimeData* data = e->mimeData();
    if (outsideDrag(data)) {
        m_mouseState = DragInsert;
        e->accept();
        return;
    }
    // Only clips of this timeline's chain move onto the video track; the editor alone finds the
    // object a payload names.
    IZRObject* dragged = m_editor ? m_editor->droppedObject(e) : nullptr;
    if (dragged && chainlinks::clip(dragged)) {
        ZRTimelineTrack::DragEnterEvent(e);
        return;
    }
    e->ignore();
}

void ZRVideoTrack::DragDropEvent(QDropEvent* e) {
    if (m_mouseState == DragCopy || m_mouseState == DragMove) {
        // A copy lands where the ripple preview showed it, as a moved clip does.
        m_droppingCopy = m_mouseState == DragCopy;
        ZRTimelineTrack::DragDropEvent(e);
        m_droppingCopy = false;
        // The copies of the preview on the linked tracks go with it.
        notifyView(2);
        return;
    }
    const QPoint at = e->position().toPoint();
    int index = -1;
    if (ZRUserData* hit = ZRUserData::of(objectAt(at, nullptr))) index = hit->number;
    const QMimeData* data = e->mimeData();
    if (m_editor && m_timeline) {
        const ZRRenderPause pause(m_timeline);
        ZRTitleSettings title;
        if (data->hasUrls()) {
            dropFiles(data, index);
        } else if (ZRTitleDrag::decode(data, title)) {
            dropTitle(title, index);
        } else if (ZREngineDrag::canDecode(data)) {
            dropEngineObject(data, at, index);
        }
    }
    m_mouseState = Idle;
}

void ZRVideoTrack::dropFiles(const QMimeData* data, int index) {
    QStringList files;
    for (const QUrl& url : data->urls())
        if (url.isLocalFile()) files.append(url.toLocalFile());
    if (files.isEmpty() || !m_view) return;
    m_view->insertObjects(files, index);
    m_view->repaintTimeArea();
    m_view->notifyContentsChanged();
}

void ZRVideoTrack::dropTitle(const ZRTitleSettings& title, int index) {
    IZRObject* object = createTitleObject(m_timeline, title, title.opaqueBackground, 0);
    if (!object) return;
    IZRObjectFactory* factory = m_timeline->factory();
    object->setUserValue(reinterpret_cast<intptr_t>(new ZRVideoUserData()));
    if (!m_editor->insertClip(object, index < 0 ? m_editor->objectCount() : index)) {
        factory->destroyObject(object);
        return;
    }
    if (!m_view) return;
    m_view->repaintTimeArea();
    m_view->notifyContentsChanged();
}

void ZRVideoTrack::dropEngineObject(const QMimeData* data, const QPoint& at, int index) {
    int id = 0;
    QString kind, first, second;
    if (!ZREngineDrag::decode(data, id, kind, first, second)) return;
    IZRObjectFactory* factory = m_timeline->factory();
    const QByteArray k = kind.toUtf8(), f = first.toUtf8(), n = second.toUtf8();
    if (index >= 0 && kind == QLatin1String("Video Effect")) {
        IZRObject* clip = m_editor->objectAt(index);
        ZREffect* effect = factory->createEffect(k.constData(), f.constData(), n.constData());
        if (!effect) return;
        if (!m_editor->setEffect(index, effect)) {
            factory->destroyEffect(effect);
            return;
        }
        if (!m_view) return;
        m_view->repaintTracks(
            QList<int>{m_view->indexOfTrackId(m_transitionTrackId), m_viewIndex, audioTrackIndex()},
            2);
        Q_EMIT m_view->objectChanged(clip, m_view);
        m_view->notifyContentsChanged();
        return;
    }
    IZRObject* clip = transitionSlotAt(at);
    if (!clip || kind != QLatin1String("Transition")) return;
    IZRObject* transition =
        factory->createObject(k.constData(), f.constData(), n.constData(), nullptr);
    if (!transition) return;
    {
        ZRScopedPos length(factory);
        length->setTotalFrames(5000);
        m_timeline->setObjectMarkOut(transition, length);
    }
    if (!m_editor->setTransition(m_editor->indexOf(clip), transition)) {
        factory->destroyObject(transition);
        return;
    }
    if (!m_view) return;
    m_view->updateVisibleRange();
    m_view->repaintTimeArea();
    m_view->notifyContentsChanged();
}
