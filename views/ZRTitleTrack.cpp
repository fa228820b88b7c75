#include "views/ZRTitleTrack.h"

#include "classes/painting/ZRImagePainting.h"
#include "classes/skins/ZRSkinPreload.h"
#include "classes/text/ZRDefaultTextFont.h"
#include "classes/text/ZRTextImage.h"
#include "editor/ZRAppState.h"
#include "editor/ZRChainLinks.h"
#include "editor/ZRTitleDrag.h"
#include "editor/ZRUserData.h"
#include "editor/ZRVeskEditor.h"
#include "engine/api/IZRTimeline.h"
#include "views/ZRTimelineView.h"
#include "views/ZRTitleObject.h"

#include <QDebug>
#include <QDropEvent>

namespace {

/// A name keeps this much of the fill free on each side, or it is not drawn.
constexpr int kNameMargin = 10;

const QImage* layer(PSDLayerSet* set, const char* name) {
    PSDLayer* found = set ? set->layers.find(QString::fromLatin1(name)) : nullptr;
    return found && !found->image.isNull() ? &found->image : nullptr;
}

int widthOf(const QImage* image) {
    return image ? image->width() : 0;
}

IZRPos* timeCursor() {
    ZRAppState::Hub* hub = appState().hub;
    return hub ? hub->currentPosition() : nullptr;
}

} // namespace

ZRTitleTrack::ZRTitleTrack(const QString& name, int trackNumber, int trackId)
    : ZRTimelineTrack(trackNumber, true, name, 27, trackId) {
    m_normal = piecesOf("title_normal");
    m_selected = piecesOf("title_selected");
    m_startEdgeWidth = widthOf(m_normal.left);
    m_endEdgeWidth = widthOf(m_normal.right);
    m_minEdgeWidth = m_startEdgeWidth + m_endEdgeWidth;
    const ZRDefaultTextFont& font = defaultTextFont();
    m_nameImage = std::make_unique<ZRTextImage>(QStringLiteral(" "), QColor(255, 255, 255, 255),
                                                font.fileName, font.pointSize, 0.0f);
}

ZRTitleTrack::~ZRTitleTrack() = default;

ZRTitleTrack::Pieces ZRTitleTrack::piecesOf(const char* name) {
    QDict<PSDLayerSet>* sets = preloadedSkinSets("timeline_tracks");
    PSDLayerSet* set = sets ? sets->find(QString::fromLatin1(name)) : nullptr;
    return {layer(set, "left"), layer(set, "fill"), layer(set, "right")};
}

bool ZRTitleTrack::insertObject(IZRPos* at, IZRObject* title) {
    return m_editor && m_editor->insertTitle(at, title);
}

void ZRTitleTrack::removeObject(IZRObject* object) {
    if (m_editor) m_editor->detachObject(object);
}

QRect ZRTitleTrack::fillRect(const QRect& bar, const Pieces& p) const {
    const int leftEnd = bar.left() + widthOf(p.left) - 1;
    const int rightStart = bar.right() - widthOf(p.right) + 1;
    const int h = p.left ? p.left->height() : bar.height();
    return QRect(QPoint(leftEnd + 1, bar.top()), QPoint(rightStart - 1, bar.top() + h - 1));
}

QRect ZRTitleTrack::nameRect(int64_t x, int64_t width, IZRObject* object) {
    if (!object) return QRect();
    const QRect fill = fillRect(barRect(x, width), m_normal);
    const QString name = QString::fromUtf8(object->name());
    if (!fill.isValid() || name.isEmpty()) return QRect();
    if (m_nameImage->text() != name) m_nameImage->setText(name);
    if (!m_nameImage->isValid()) return QRect();
    const QSize size = m_nameImage->size();
    const QRect text(QPoint(fill.left() + (fill.width() - size.width()) / 2,
                            fill.top() + (fill.height() - size.height()) / 2),
                     size);
    if (fill.left() + kNameMargin > text.left() || text.right() + kNameMargin > fill.right())
        return QRect();
    return text;
}

void ZRTitleTrack::paintObject(const QRegion& region, QImage* target, const QPoint& offset,
                               int64_t x, int64_t width, IZRObject* object) {
    if (!target || width <= 0) return;
    const QRect bar = barRect(x, width);
    const QRect visible = visibleContent();
    if (!bar.intersects(visible)) return;
    const QRegion clip = (region & QRegion(visible)).translated(offset);
    if (clip.isEmpty()) return;
    const Pieces& p = isObjectSelected(object) ? m_selected : m_normal;
    const QRect r = bar.translated(offset);
    const QRect left(r.topLeft(), p.left ? p.left->size() : QSize());
    const QSize rightSize = p.right ? p.right->size() : QSize();
    const QRect right(QPoint(r.right() - rightSize.width() + 1, r.top()), rightSize);
    QRegion leftClip = clip, rightClip = clip;
    if (width < m_minEdgeWidth) {
        // The caps overlap: each takes half of the left cap's place.
        const QRect half(left.topLeft(), QSize(left.width() / 2, left.height()));
        leftClip &= QRegion(half);
        rightClip &= QRegion(QRect(QPoint(half.right() + 1, left.top()), left.bottomRight()));
    }
    const QRect fill = fillRect(r, p);
    if (p.left) blendImageClipped(leftClip, *target, left.topLeft(), *p.left);
    if (p.fill && fill.isValid())
        tileImageClipped(clip & QRegion(visible.translated(offset)), *target, fill, *p.fill, 0, 0);
    if (p.right) blendImageClipped(rightClip, *target, right.topLeft(), *p.right);
    const QRect name = nameRect(x, width, object);
    if (name.isValid() && m_nameImage->image())
        blendImageClipped(clip, *target, name.topLeft() + offset, *m_nameImage->image());
}

void ZRTitleTrack::notifyIfAtCursor(IZRObject* title, IZRPos* cursor, IZRObject* before) {
    if (!cursor || !m_view) return;
    // Compared by pointer only first: the title may have left the track.
    const bool placed = title && indexOfObject(title) >= 0;
    const bool covers = placed && *title->startPos() <= cursor && *title->endPos() >= cursor;
    if (covers || (title && title == before)) m_view->notifyContentsChanged();
}

void ZRTitleTrack::finishTrim(IZRObject* object, IZRPos* start, IZRPos* end) {
    IZRPos* cursor = timeCursor();
    IZRObject* before = cursor && m_editor ? m_editor->titleAt(cursor) : nullptr;
    ZRTimelineTrack::finishTrim(object, start, end);
    notifyIfAtCursor(object, cursor, before);
}

bool ZRTitleTrack::admitsDrag(const QMimeData* data) const {
    return data && (ZRTitleDrag::canDecode(data) || ZRTimelineTrack::admitsDrag(data));
}

void ZRTitleTrack::DragEnterEvent(QDragEnterEvent* e) {
    const QMimeData* data = e->mimeData();
    if (!ZRTitleDrag::canDecode(data)) {
        // A title moved or copied within the program.
        IZRObject* o = m_editor ? m_editor->droppedObject(e) : nullptr;
        ZRUserData* record = ZRUserData::of(o);
        if (!record || record->kind != ZRUserData::Title) {
            e->ignore();
            return;
        }
        e->accept();
        ZRTimelineTrack::DragEnterEvent(e);
        return;
    }
    ZRTitleSettings title;
    if (!m_timeline || !ZRTitleDrag::decode(data, title)) return;
    IZRObject* o = createTitleObject(m_timeline, title, 0, 4);
    if (!o) return;
    chainlinks::replaceRecord(m_timeline->factory(), o, new ZRTitleUserData);
    beginDrop(o, e->position().toPoint(), 6);
    e->accept();
}

void ZRTitleTrack::DragDropEvent(QDropEvent* e) {
    if (!m_dropObject || !m_dropValid) {
        ZRTimelineTrack::DragDropEvent(e);
        return;
    }
    IZRPos* cursor = timeCursor();
    IZRObject* before = cursor && m_editor ? m_editor->titleAt(cursor) : nullptr;
    IZRObject* dropped = m_dropObject;
    ZRTimelineTrack::DragDropEvent(e);
    notifyIfAtCursor(dropped, cursor, before);
}
