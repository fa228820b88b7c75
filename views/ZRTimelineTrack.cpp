#include "views/ZRTimelineTrack.h"

#include "classes/skins/ZRSkinPreload.h"
#include "classes/text/ZRDefaultTextFont.h"
#include "classes/text/ZRTextImage.h"
#include "editor/ZRUserData.h"
#include "editor/ZRVeskEditor.h"
#include "engine/api/IZRTimeline.h"
#include "views/ZRTimelineScale.h"
#include "views/ZRTimelineView.h"

#include <mutex>

namespace {

const QRect kNullRect(0, 0, -1, -1);

QRgb firstPixel(PSDLayerSet* set, const char* layer) {
    PSDLayer* found = set ? set->layers.find(QString::fromLatin1(layer)) : nullptr;
    if (!found || found->image.isNull()) return 0;
    return found->image.pixel(0, 0);
}

} // namespace

ZRTimelineTrack::ZRTimelineTrack(int trackNumber, bool isVideo, const QString& name, int height,
                                 int trackId)
    : m_labelText(name), m_trackRect(kNullRect), m_headerRect(kNullRect), m_controlRect(kNullRect),
      m_contentRect(kNullRect), m_trackId(trackId), m_height(height), m_trackNumber(trackNumber),
      m_isVideo(isVideo) {
    const ZRDefaultTextFont& font = defaultTextFont();
    m_label =
        std::make_unique<ZRTextImage>(name, m_labelColor, font.fileName, font.pointSize, 0.0f);
    loadSkin(nullptr);
}

ZRTimelineTrack::ZRTimelineTrack(const QString& name, int trackId)
    : ZRTimelineTrack(0, false, name, 15, trackId) {}

ZRTimelineTrack::ZRTimelineTrack() : ZRTimelineTrack(QString(), -1) {}

ZRTimelineTrack::~ZRTimelineTrack() {
    clearTrim();
    clearDrop();
    destroyPos(m_dropShift);
}

void ZRTimelineTrack::destroyPos(IZRPos*& pos) {
    if (pos && m_timeline) m_timeline->factory()->destroyPos(pos);
    pos = nullptr;
}

bool ZRTimelineTrack::isObjectSelected(IZRObject* object) {
    ZRUserData* data = ZRUserData::of(object);
    return data && data->isSelected();
}

void ZRTimelineTrack::setObjectSelected(IZRObject* object, bool on) {
    ZRUserData* data = ZRUserData::of(object);
    if (!object) return;
    if (data) data->setSelected(on);
    notifyView(2);
}

int ZRTimelineTrack::indexOfObject(IZRObject* object) {
    ZRGuardedList* list = m_timeline ? m_timeline->track(m_trackNumber, m_isVideo) : nullptr;
    return list ? list->find(object) : -1;
}

std::vector<IZRObject*> ZRTimelineTrack::objects() {
    std::vector<IZRObject*> out;
    ZRGuardedList* list = m_timeline ? m_timeline->track(m_trackNumber, m_isVideo) : nullptr;
    if (!list) return out;
    std::lock_guard listLock(*list);
    out.reserve(list->count());
    for (void* p = list->first(); p; p = list->next())
        out.push_back(static_cast<IZRObject*>(p));
    return out;
}

// The single queries below take and drop the list's lock inside the engine call.
IZRObject* ZRTimelineTrack::objectAtIndex(int index) {
    ZRGuardedList* list = m_timeline ? m_timeline->track(m_trackNumber, m_isVideo) : nullptr;
    if (!list || index < 0) return nullptr;
    return static_cast<IZRObject*>(list->at(unsigned(index)));
}

IZRObject* ZRTimelineTrack::firstObject() {
    ZRGuardedList* list = m_timeline ? m_timeline->track(m_trackNumber, m_isVideo) : nullptr;
    return list ? static_cast<IZRObject*>(list->first()) : nullptr;
}

IZRObject* ZRTimelineTrack::lastObject() {
    ZRGuardedList* list = m_timeline ? m_timeline->track(m_trackNumber, m_isVideo) : nullptr;
    return list ? static_cast<IZRObject*>(list->last()) : nullptr;
}

IZRObject* ZRTimelineTrack::prevObject() {
    ZRGuardedList* list = m_timeline ? m_timeline->track(m_trackNumber, m_isVideo) : nullptr;
    return list ? static_cast<IZRObject*>(list->prev()) : nullptr;
}

IZRObject* ZRTimelineTrack::nextObject() {
    ZRGuardedList* list = m_timeline ? m_timeline->track(m_trackNumber, m_isVideo) : nullptr;
    return list ? static_cast<IZRObject*>(list->next()) : nullptr;
}

bool ZRTimelineTrack::insertObject(IZRPos* at, IZRObject* object) {
    if (!m_timeline || !m_timeline->track(m_trackNumber, m_isVideo)) return false;
    return m_timeline->insertObject(m_trackNumber, at, object);
}

void ZRTimelineTrack::removeObject(IZRObject* object) {
    if (m_timeline && object) m_timeline->removeObject(object);
}

void ZRTimelineTrack::moveObject(IZRPos* at, IZRObject* object) {
    removeObject(object);
    insertObject(at, object);
}

void ZRTimelineTrack::setLabel(const QString& text) {
    m_labelText = text;
    m_label->setTextAndColor(text, m_labelColor);
}

void ZRTimelineTrack::setLabelColor(const QColor& colour) {
    m_labelColor = colour;
    m_label->setColor(colour);
}

void ZRTimelineTrack::loadSkin(QDict<PSDLayerSet>* sets) {
    if (!sets) sets = preloadedSkinSets("timeline_boxes");
    auto set = [sets](const char* name) {
        return sets ? sets->find(QString::fromLatin1(name)) : nullptr;
    };
    PSDLayerSet* left = set("left_normal");
    PSDLayerSet* middle = set("middle_normal");
    m_headerBox.setSkin(left ? &left->layers : nullptr);
    m_controlBox.setSkin(middle ? &middle->layers : nullptr);
    PSDLayerSet* other = set("other");
    m_darkFillColor = firstPixel(other, "dark_track_fill_color");
    m_darkLineColor = firstPixel(other, "dark_track_line_color");
    m_lightFillColor = firstPixel(other, "light_track_fill_color");
    m_lightLineColor = firstPixel(other, "light_track_line_color");
    m_cornerFrameColor = firstPixel(other, "corner_frame_color");
    m_backgroundColor = firstPixel(other, "background_color");
    m_overlappingColor = firstPixel(set("colors"), "overlapping");
    if (m_headerRect.isValid()) m_headerBox.setGeometry(m_headerRect);
    if (m_controlRect.isValid()) m_controlBox.setGeometry(m_controlRect);
}

void ZRTimelineTrack::setEditor(ZRVeskEditor* editor) {
    if (editor && editor->timeline() != m_timeline) {
        // Positions belong to the timeline that made them.
        clearTrim();
        clearDrop();
        destroyPos(m_dropShift);
    }
    m_editor = editor;
    m_timeline = editor ? editor->timeline() : nullptr;
}

void ZRTimelineTrack::notifyView(int what) {
    if (m_view) m_view->repaintTrack(m_viewIndex, what);
}

void ZRTimelineTrack::newProject(bool) {}

void ZRTimelineTrack::allItemsDeleted() {
    clearTrim();
    clearDrop();
    m_pressedObject = nullptr;
    m_mouseState = 0;
}

void ZRTimelineTrack::forgetObject(IZRObject* object) {
    if (!object) return;
    if (m_trimObject == object) clearTrim();
    if (m_pressedObject == object) m_pressedObject = nullptr;
    if (m_dropObject == object) clearDrop();
}

void ZRTimelineTrack::setGeometry(const QRect& r) {
    if (r.left() > r.right() || r.top() > r.bottom()) return;
    m_trackRect = r;
    m_headerRect = QRect(r.left(), r.top(), m_headerWidth + 1, r.height());
    m_controlRect =
        QRect(m_headerRect.right() + 1, r.top(), m_controlEnd - m_headerWidth, r.height());
    m_contentRect = QRect(QPoint(m_controlRect.right() + 1, r.top()), r.bottomRight());
    if (m_headerRect.isValid()) m_headerBox.setGeometry(m_headerRect);
    if (m_controlRect.isValid()) m_controlBox.setGeometry(m_controlRect);
}

int ZRTimelineTrack::setColumnWidths(int headerWidth, int controlEnd) {
    m_headerWidth = headerWidth;
    m_controlEnd = controlEnd;
    m_headerRect.setWidth(headerWidth);
    m_controlRect.setLeft(m_headerRect.left() + controlEnd);
    if (m_headerRect.isValid()) m_headerBox.setGeometry(m_headerRect);
    if (m_controlRect.isValid()) m_controlBox.setGeometry(m_controlRect);
    m_contentRect.setLeft(m_controlRect.right() + 1);
    return m_contentRect.left();
}

void ZRTimelineTrack::enterEvent(QEvent*) {}
void ZRTimelineTrack::leaveEvent(QEvent*) {}

const ZRTimelineScale& ZRTimelineTrack::scale() const {
    static const ZRTimelineScale fallback;
    return m_view ? m_view->timeScale() : fallback;
}

int ZRTimelineTrack::verticalScroll() const {
    return m_view ? m_view->verticalValue() : 0;
}

int64_t ZRTimelineTrack::px(double frames) const {
    return scale().xOfFrames(frames);
}

void ZRTimelineTrack::setTrim(IZRObject* object, IZRPos* start, IZRPos* end) {
    if (!object || !start || !end || !m_timeline) {
        clearTrim();
        return;
    }
    IZRObjectFactory* factory = m_timeline->factory();
    if (!m_trimStart) m_trimStart = factory->createPos();
    if (!m_trimEnd) m_trimEnd = factory->createPos();
    m_trimStart->assign(start);
    m_trimEnd->assign(end);
    m_trimObject = object;
}

void ZRTimelineTrack::clearTrim() {
    m_trimObject = nullptr;
    destroyPos(m_trimStart);
    destroyPos(m_trimEnd);
}

void ZRTimelineTrack::setDrop(IZRObject* object, IZRPos* start, IZRPos* end, bool valid) {
    if (!object || !start || !end || !m_timeline) {
        clearDrop();
        return;
    }
    IZRObjectFactory* factory = m_timeline->factory();
    if (!m_dropStart) m_dropStart = factory->createPos();
    if (!m_dropEnd) m_dropEnd = factory->createPos();
    m_dropStart->assign(start);
    m_dropEnd->assign(end);
    m_dropObject = object;
    m_dropValid = valid;
}

void ZRTimelineTrack::clearDrop() {
    m_dropObject = nullptr;
    m_dropValid = false;
    destroyPos(m_dropStart);
    destroyPos(m_dropEnd);
}
