// Drops on the video track from outside the timeline: media files, titles, video effects and
// transitions (images are taken and make nothing). Moves of the track's own clips are the base's.
#include "ZRChainLinks.h"
#include "ZREngineDrag.h"
#include "ZRScopedPos.h"
#include "ZRTimelineView.h"
#include "ZRTitleDrag.h"
#include "ZRUserData.h"
#include "ZRVeskEditor.h"
#include "ZRVideoTrack.h"

#include <IZRObject.h>
#include <IZRSettings.h>
#include <IZRTimeline.h>

#include <QDropEvent>
#include <QMimeData>
#include <QRegularExpression>
#include <QUrl>

#include <climits>
#include <cmath>

namespace {

/// Holds the background renderer off for its life; the engine counts nested pauses.
class RenderPause {
public:
    explicit RenderPause(IZRTimeline* timeline) : m_timeline(timeline) {
        if (m_timeline) m_timeline->settings()->setIntSetting("Pause Background Rendering", 1);
    }
    ~RenderPause() {
        if (m_timeline) m_timeline->settings()->setIntSetting("Pause Background Rendering", 0);
    }
    RenderPause(const RenderPause&) = delete;
    RenderPause& operator=(const RenderPause&) = delete;

private:
    IZRTimeline* m_timeline;
};

/// A title's name: its text without "<!...!>" tags, up to the first line break.
QString titleName(QString text) {
    text.remove(QRegularExpression(QStringLiteral("<!.*!>")));
    const QRegularExpressionMatch m = QRegularExpression(QStringLiteral("([^\n]*)\n*")).match(text);
    return m.hasMatch() ? m.captured(1) : QString();
}

} // namespace

void ZRVideoTrack::DragEnterEvent(QDragEnterEvent* e) {
    const QMimeData* data = e->mimeData();
    if (ZRTitleDrag::canDecode(data) || ZREngineDrag::canDecode(data) || data->hasImage() ||
        data->hasUrls()) {
        m_mouseState = 6;
        e->accept();
        return;
    }
    // Only clips of this timeline's chain move onto the video track.
    IZRObject* dragged = m_editor ? m_editor->droppedObject(e) : nullptr;
    if (dragged && chainlinks::clip(dragged)) {
        ZRTimelineTrack::DragEnterEvent(e);
        return;
    }
    e->ignore();
}

void ZRVideoTrack::DragDropEvent(QDropEvent* e) {
    if (m_mouseState == 4 || m_mouseState == 5) {
        ZRTimelineTrack::DragDropEvent(e);
        return;
    }
    const QPoint at = e->position().toPoint();
    int index = -1;
    if (ZRUserData* hit = ZRUserData::of(objectAt(at, nullptr))) index = hit->number;
    const QMimeData* data = e->mimeData();
    if (m_editor && m_timeline) {
        RenderPause pause(m_timeline);
        ZRTitleSettings title;
        if (data->hasUrls()) {
            dropFiles(data, index);
        } else if (ZRTitleDrag::decode(data, title)) {
            dropTitle(title, index);
        } else if (ZREngineDrag::canDecode(data)) {
            dropEngineObject(data, at, index);
        }
    }
    m_mouseState = 0;
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
    // The duration becomes whole milliseconds: anything that is not is refused before an object
    // exists.
    if (!std::isfinite(title.duration) || !(title.duration > 0) || title.duration > double(INT_MAX))
        return;
    IZRObjectFactory* factory = m_timeline->factory();
    IZRObject* object =
        factory->createObject("2D-Text", "ZR-Engine", nullptr, title.text.toUtf8().constData());
    if (!object) return;
    object->setName(titleName(title.text).toUtf8().constData());
    if (auto* s = dynamic_cast<IZRSettings*>(object)) {
        s->setIntSetting("Text Alignment", title.alignment);
        s->setIntSetting("Text Separator Width", title.letterSpacing);
        s->setIntSetting("Text Separator Height", title.lineSpacing);
        s->setIntTripleSetting("Text Background Color", qRed(title.backgroundColor),
                               qGreen(title.backgroundColor), qBlue(title.backgroundColor));
        s->setIntSetting("Text Opaque Background", title.opaqueBackground);
        s->setIntSetting("Text StartX Pos", title.startX);
        s->setIntSetting("Text StartY Pos", title.startY);
        s->setIntSetting("Text EndX Pos", title.endX);
        s->setIntSetting("Text EndY Pos", title.endY);
        s->setIntSetting("Text Movement", title.movement);
        s->setIntSetting("Overlay Fade In", title.fadeIn);
        s->setIntSetting("Overlay Fade Out", title.fadeOut);
        s->setIntSetting("Overlay Fade Time", title.fadeTime);
        s->setDoubleSetting("Text Safe Frame Size", title.safeFrameSize);
        s->setIntSetting("Overlay Mode", 0);
    }
    {
        ZRScopedPos length(factory);
        length->setMilliseconds(unsigned(title.duration));
        m_timeline->setObjectMarkOut(object, length);
    }
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
