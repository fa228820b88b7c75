#include "views/ZRAudioTrack.h"

#include "classes/skins/PSDLayerSet.h"
#include "classes/skins/ZRSkinPreload.h"
#include "classes/widgets/ZRScrollBar.h"
#include "editor/ZRChainLinks.h"
#include "editor/ZRUserData.h"
#include "editor/ZRVeskEditor.h"
#include "engine/api/IZRSettings.h"
#include "engine/api/IZRTimeline.h"
#include "views/ZRTimelineScale.h"
#include "views/ZRTimelineTrim.h"
#include "views/ZRTimelineView.h"

#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QUrl>

#include <algorithm>

namespace {

const char* const kIconFile = "timeline_track_icons";

PSDLayerSet* iconSet(const char* name) {
    QDict<PSDLayerSet>* sets = preloadedSkinSets(kIconFile);
    return sets ? sets->find(QString::fromLatin1(name)) : nullptr;
}

QImage layerImage(PSDLayerSet* set, const char* name, QPoint* at = nullptr) {
    PSDLayer* layer = set ? set->layers.find(QString::fromLatin1(name)) : nullptr;
    if (at) *at = layer ? layer->position : QPoint();
    return layer ? layer->image : QImage();
}

} // namespace

ZRAudioTrack::ZRAudioTrack(const QString& name, int trackNumber, int linkedTrackId, int trackId)
    : ZRTimelineTrack(trackNumber, false, name, kClosedHeight, trackId),
      m_linkedTrackId(linkedTrackId), m_linked(linkedTrackId >= 0) {
    if (m_linked) m_rippleInsert = true;
    loadSkins();
}

ZRAudioTrack::~ZRAudioTrack() = default;

void ZRAudioTrack::loadSkins() {
    PSDLayerSet* sw = iconSet("audio_switch");
    m_switch[0] = layerImage(sw, "open", &m_switchOffset);
    m_switch[1] = layerImage(sw, "open_over");
    m_switch[2] = layerImage(sw, "closed");
    m_switch[3] = layerImage(sw, "closed_over");
    m_switchSize = sw ? sw->bounds.size() : QSize();
    PSDLayerSet* audio = iconSet("audio");
    m_indicator[0] = layerImage(audio, "on");
    m_indicator[1] = layerImage(audio, "off");
    PSDLayerSet* speaker = iconSet("speaker");
    m_speaker[0] = layerImage(speaker, "off");
    m_speaker[1] = layerImage(speaker, "off_over");
    m_speakerSize = speaker ? speaker->bounds.size() : QSize();
    PSDLayerSet* slider = iconSet("volume_slider");
    m_sliderLeft = layerImage(slider, "left", &m_sliderLeftAt);
    m_sliderRight = layerImage(slider, "right", &m_sliderRightAt);
    m_activeFill = layerImage(slider, "active_fill", &m_fillAt);
    m_inactiveFill = layerImage(slider, "inactive_fill");
    m_knobImage[0] = layerImage(slider, "knob", &m_knobAt);
    m_knobImage[1] = layerImage(slider, "knob_over");
    m_knob = QRect(m_knobAt, m_knobImage[0].size());
    m_sliderSize = QSize(kSliderWidth, slider ? slider->bounds.height() : 0);

    QDict<PSDLayerSet>* boxes = preloadedSkinSets("timeline_boxes");
    PSDLayerSet* leftOpen = boxes ? boxes->find(QStringLiteral("left_open")) : nullptr;
    PSDLayerSet* middleOpen = boxes ? boxes->find(QStringLiteral("middle_open")) : nullptr;
    m_openHeaderBox.setSkin(leftOpen ? &leftOpen->layers : nullptr);
    m_openControlBox.setSkin(middleOpen ? &middleOpen->layers : nullptr);

    const char* const linkedSets[2][2] = {
        {"clip_audio_closed_normal", "clip_audio_closed_selected"},
        {"clip_audio_opened_normal", "clip_audio_opened_selected"}};
    const char* const freeSets[2][2] = {{"audio_closed_normal", "audio_closed_selected"},
                                        {"audio_opened_normal", "audio_opened_selected"}};
    QDict<PSDLayerSet>* tracks = preloadedSkinSets("timeline_tracks");
    for (int open = 0; open < 2; ++open) {
        for (int selected = 0; selected < 2; ++selected) {
            const char* name = (m_linked ? linkedSets : freeSets)[open][selected];
            PSDLayerSet* set = tracks ? tracks->find(QString::fromLatin1(name)) : nullptr;
            ClipSkin& s = m_clipSkins[open][selected];
            s.left = layerImage(set, "left");
            s.fill = layerImage(set, "fill");
            s.right = layerImage(set, "right");
        }
    }
    m_startEdgeWidth = m_clipSkins[1][0].left.width();
    m_endEdgeWidth = m_clipSkins[1][0].right.width();
    m_minEdgeWidth = m_startEdgeWidth + m_endEdgeWidth;
}

// Geometry.

QRect ZRAudioTrack::headerRect() const {
    QRect r = m_headerRect;
    if (r.isValid()) r.setHeight(m_contentRect.height());
    return r;
}

QRect ZRAudioTrack::controlRect() const {
    QRect r = m_controlRect;
    if (r.isValid()) r.setHeight(m_contentRect.height());
    return r;
}

void ZRAudioTrack::setGeometry(const QRect& r) {
    if (r.left() > r.right() || r.top() > r.bottom()) return;
    ZRTimelineTrack::setGeometry(QRect(r.left(), r.top(), r.width(), kClosedHeight));
    m_trackRect = r;
    m_contentRect.setBottom(r.bottom());
    const QRect head = m_headerRect, control = m_controlRect;
    m_switchRect = QRect(QPoint(head.right() - 3 - m_switchSize.width(),
                                head.top() + (kClosedHeight - m_switchSize.height()) / 2) +
                             m_switchOffset,
                         m_switchSize);
    // The lower boxes fill the columns below the first row while the row is open.
    const int lowerHeight = r.height() - kClosedHeight;
    m_openHeaderRect = QRect(head.left(), head.bottom() + 1, head.width(), lowerHeight);
    m_openControlRect = QRect(control.left(), control.bottom() + 1, control.width(), lowerHeight);
    if (m_openHeaderRect.isValid()) m_openHeaderBox.setGeometry(m_openHeaderRect);
    if (m_openControlRect.isValid()) m_openControlBox.setGeometry(m_openControlRect);
    // The speaker and the indicator beside it, centred 4 pixels left of the control's centre.
    const int pair = m_speakerSize.width() + m_indicator[0].width();
    const int centre = control.left() + control.width() / 2 - 4;
    m_speakerRect = QRect(
        QPoint(centre - pair / 2, control.top() + (kClosedHeight - m_speakerSize.height()) / 2),
        m_speakerSize);
    m_indicatorRect = QRect(m_speakerRect.topRight() + QPoint(1, 0), m_indicator[0].size());
    // The slider sits in the middle of the lower control box of the open row.
    const QRect lower(control.left(), control.bottom() + 1, control.width(),
                      kOpenHeight - kClosedHeight);
    m_sliderRect = QRect(QPoint(lower.left() + (lower.width() - m_sliderSize.width()) / 2,
                                lower.top() + (lower.height() - m_sliderSize.height()) / 2),
                         m_sliderSize);
}

QRect ZRAudioTrack::switchArea() const {
    return moved(m_switchRect);
}

QRect ZRAudioTrack::speakerArea() const {
    return moved(m_speakerRect);
}

QRect ZRAudioTrack::sliderArea() const {
    return moved(m_sliderRect);
}

int ZRAudioTrack::knobOffset() const {
    return int(knobTravel() * (m_level + 1.0) * 0.5);
}

QRect ZRAudioTrack::knobArea() const {
    return moved(m_knob.translated(m_sliderRect.topLeft() + QPoint(knobOffset(), 0)));
}

// Engine settings.

void ZRAudioTrack::newProject(bool repaint) {
    if (m_timeline) {
        IZRSettings* settings = m_timeline->settings();
        int track = settingsTrack();
        double level = 0.0;
        if (settings->getIndexedDoubleSetting("Track Audio Level", &track, &level))
            m_level = std::clamp(level, -1.0, 1.0);
        track = settingsTrack();
        int value = 0;
        if (settings->getIntPairSetting("Mute Track", &track, &value)) m_muted = value != 0 ? 1 : 0;
    }
    if (repaint && m_view) m_view->repaintTrack(m_viewIndex, 3);
}

void ZRAudioTrack::writeLevel() {
    if (!m_timeline) return;
    IZRSettings* settings = m_timeline->settings();
    settings->setIndexedDoubleSetting("Track Audio Level", settingsTrack(), m_level);
    if (m_linked) settings->setIndexedDoubleSetting("Track Audio Level", 3, m_level);
}

void ZRAudioTrack::writeMute(int muted) {
    if (!m_timeline) return;
    IZRSettings* settings = m_timeline->settings();
    settings->setIntPairSetting("Mute Track", settingsTrack(), muted);
    if (settingsTrack() == 1) settings->setIntPairSetting("Mute Track", 3, muted);
}

void ZRAudioTrack::setEditor(ZRVeskEditor* editor) {
    ZRTimelineTrack::setEditor(editor);
    newProject(false);
}

// Object access: the chain when linked, else the engine track.

ZRTimelineTrack* ZRAudioTrack::linkedTrack() const {
    return m_view && m_linked ? m_view->trackAt(m_view->indexOfTrackId(m_linkedTrackId)) : nullptr;
}

void ZRAudioTrack::setObjectSelected(IZRObject* object, bool on) {
    if (!object) return;
    ZRTimelineTrack::setObjectSelected(object, on);
    if (!m_view) return;
    if (m_linked) m_view->repaintTrack(m_view->indexOfTrackId(m_linkedTrackId), 2);
    m_view->repaintTrack(m_viewIndex, 2);
}

int ZRAudioTrack::indexOfObject(IZRObject* object) {
    if (!m_linked) return ZRTimelineTrack::indexOfObject(object);
    return object && m_editor ? m_editor->indexOf(object) : -1;
}

IZRObject* ZRAudioTrack::objectAtIndex(int index) {
    if (!m_linked) return ZRTimelineTrack::objectAtIndex(index);
    return index >= 0 && m_editor ? m_editor->objectAt(index) : nullptr;
}

IZRObject* ZRAudioTrack::firstObject() {
    return m_linked ? m_chain.first(m_editor) : ZRTimelineTrack::firstObject();
}

IZRObject* ZRAudioTrack::lastObject() {
    return m_linked ? m_chain.last(m_editor) : ZRTimelineTrack::lastObject();
}

IZRObject* ZRAudioTrack::prevObject() {
    return m_linked ? m_chain.previous() : ZRTimelineTrack::prevObject();
}

IZRObject* ZRAudioTrack::nextObject() {
    return m_linked ? m_chain.next() : ZRTimelineTrack::nextObject();
}

IZRObject* ZRAudioTrack::objectAt(const QPoint& point, int* part) {
    if (!m_linked) return ZRTimelineTrack::objectAt(point, part);
    if (part) *part = -1;
    if (!m_editor || m_editor->objectCount() == 0) return nullptr;
    const QRect content = moved(m_contentRect);
    if (!content.contains(point)) return nullptr;
    const int64_t x = contentX(point);
    IZRObject* clip = ZRClipChain::clipAtFrame(m_editor, scale().framesAt(x));
    if (!clip || !clip->hasAudio()) return nullptr;
    if (part) {
        const ZRObjectEdges edges =
            objectEdges(scale(), clip->startPos()->toFrames(), clip->duration()->toFrames(),
                        clip->endPos()->toFrames());
        *part = hitPart(x, edges, m_minEdgeWidth, m_startEdgeWidth, m_endEdgeWidth);
    }
    return clip;
}

bool ZRAudioTrack::insertObject(IZRPos* at, IZRObject* object) {
    if (!m_editor || !object) return false;
    m_editor->insertAudioObject(at, m_trackNumber, object);
    return object->trackNumber(false) != 0;
}

void ZRAudioTrack::removeObject(IZRObject* object) {
    if (!m_editor || !object) return;
    m_chain.forget(object);
    m_editor->detachObject(object);
}

void ZRAudioTrack::forgetObject(IZRObject* object) {
    ZRTimelineTrack::forgetObject(object);
    m_chain.forget(object);
}

void ZRAudioTrack::allItemsDeleted() {
    ZRTimelineTrack::allItemsDeleted();
    m_chain = ZRClipChain();
}

void ZRAudioTrack::finishTrim(IZRObject* object, IZRPos* start, IZRPos* end) {
    if (!m_linked) {
        ZRTimelineTrack::finishTrim(object, start, end);
        return;
    }
    ZRClipChain::finishTrim(m_editor, m_view, object, start, end);
    clearTrim();
}

void ZRAudioTrack::notifyView(int what) {
    if (m_view && m_linked) {
        ZRTimelineTrack* video = linkedTrack();
        // The video track shows this track's trim while it runs; the copy goes when it ends.
        if (m_trimObject && (m_mouseState == Trimming || m_mouseState == TrimReserved) && video) {
            ZRTrackState s;
            s.track = video;
            s.kind = m_mouseState;
            s.object = m_trimObject;
            s.start = m_trimStart;
            s.end = m_trimEnd;
            m_view->repaintTrackStates(QList<ZRTrackState>{s}, what);
        } else if (video && video->trimObject() && video->mouseState() == Idle) {
            m_view->clearTrackStates();
        }
    }
    ZRTimelineTrack::notifyView(what);
}

// Dropping audio files on a free track.

bool ZRAudioTrack::admitsDrag(const QMimeData* data) const {
    if (m_linked || !m_editor || !m_timeline || !data) return false;
    if (data->hasUrls()) {
        const QList<QUrl> urls = data->urls();
        return std::any_of(urls.begin(), urls.end(), [](const QUrl& u) { return u.isLocalFile(); });
    }
    return ZRTimelineTrack::admitsDrag(data);
}

void ZRAudioTrack::DragEnterEvent(QDragEnterEvent* e) {
    if (m_linked || !m_editor || !m_timeline) {
        e->ignore();
        return;
    }
    const QMimeData* data = e->mimeData();
    if (data->hasUrls()) {
        QString file;
        for (const QUrl& url : data->urls()) {
            if (url.isLocalFile()) {
                file = url.toLocalFile();
                break;
            }
        }
        IZRObject* object = file.isEmpty() ? nullptr : m_editor->importFile(file);
        if (!object) {
            e->ignore();
            return;
        }
        if (!object->hasAudio()) {
            m_timeline->factory()->destroyObject(object);
            e->ignore();
            return;
        }
        object->setUserValue(reinterpret_cast<intptr_t>(new ZRAudioUserData()));
        // Placed by the drag moves and dropped by the base; a leave destroys it.
        beginDrop(object, e->position().toPoint(), 6);
        e->accept();
        return;
    }
    IZRObject* dragged = m_editor->droppedObject(e);
    ZRUserData* record = ZRUserData::of(dragged);
    if (record && record->kind == ZRUserData::Audio) {
        ZRTimelineTrack::DragEnterEvent(e);
        return;
    }
    e->ignore();
}

// Controls.

void ZRAudioTrack::dragKnob(const QPoint& point) {
    const int x = point.x() - m_knob.width() / 2;
    if (!m_knobDragging) {
        m_knobDragging = true;
        m_lastKnob = QPoint(x, point.y());
    }
    const int min = m_sliderRect.left() + m_knobAt.x();
    const int travel = knobTravel();
    const int clamped = std::clamp(x, min, min + travel);
    m_lastKnob = QPoint(clamped, point.y());
    m_level = travel > 0 ? 2.0 * (clamped - min) / travel - 1.0 : 0.0;
    m_knobHover = knobArea().contains(point);
    if (m_view) m_view->repaintTrack(m_viewIndex, 1);
    writeLevel();
}

void ZRAudioTrack::toggleOpen() {
    m_open = !m_open;
    m_height = m_open ? kOpenHeight : kClosedHeight;
    if (!m_view) return;
    m_view->layoutTracks();
    if (QWidget* parent = m_view->parentWidget())
        QCoreApplication::postEvent(parent, new QEvent(QEvent::LayoutRequest));
    if (m_open) {
        // An opened row at the bottom scrolls into sight.
        const int below = moved(m_trackRect).bottom() - m_view->trackRegionRect().bottom();
        if (below > 0) m_view->verticalBar()->setValue(m_view->verticalBar()->value() + below);
    }
    m_view->repaintTrackRegion(m_view->trackRegionRect());
}

void ZRAudioTrack::MousePressEvent(QMouseEvent* e) {
    if (m_mouseState == DragCopy || m_mouseState == DragMove || m_mouseState == DragInsert) {
        ZRTimelineTrack::MousePressEvent(e);
        return;
    }
    const QPoint p = e->position().toPoint();
    if (m_open && (e->buttons() & Qt::LeftButton) && (m_knobDragging || knobArea().contains(p))) {
        dragKnob(p);
        return;
    }
    if (switchArea().contains(p)) {
        toggleOpen();
    } else if (speakerArea().contains(p)) {
        m_muted = m_muted ? 0 : 1;
        writeMute(m_muted);
        if (m_view) m_view->repaintTrack(m_viewIndex, 1);
    }
    ZRTimelineTrack::MousePressEvent(e);
}

void ZRAudioTrack::MouseMoveEvent(QMouseEvent* e) {
    if (m_mouseState != Idle) {
        ZRTimelineTrack::MouseMoveEvent(e);
        return;
    }
    const QPoint p = e->position().toPoint();
    auto follow = [this](bool& flag, bool now) {
        if (flag == now) return;
        flag = now;
        if (m_view) m_view->repaintTrack(m_viewIndex, 1);
    };
    follow(m_switchHover, switchArea().contains(p));
    follow(m_speakerHover, speakerArea().contains(p));
    if (m_open) {
        if ((e->buttons() & Qt::LeftButton) && (m_knobDragging || knobArea().contains(p)))
            dragKnob(p);
        else
            follow(m_knobHover, knobArea().contains(p));
    }
    ZRTimelineTrack::MouseMoveEvent(e);
}

void ZRAudioTrack::MouseReleaseEvent(QMouseEvent* e) {
    m_knobDragging = false;
    ZRTimelineTrack::MouseReleaseEvent(e);
}

void ZRAudioTrack::leaveEvent(QEvent* e) {
    if (m_switchHover || m_speakerHover || (m_open && m_knobHover)) {
        m_switchHover = m_speakerHover = m_knobHover = false;
        if (m_view) m_view->repaintTrack(m_viewIndex, 3);
    }
    ZRTimelineTrack::leaveEvent(e);
}
