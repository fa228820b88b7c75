#include "classes/painting/ZRImagePainting.h"
#include "classes/text/ZRTextImage.h"
#include "editor/ZRUserData.h"
#include "engine/api/IZRTimeline.h"
#include "views/ZRTimelineScale.h"
#include "views/ZRTimelineTrack.h"
#include "views/ZRTimelineView.h"

#include <QCoreApplication>

#include <algorithm>

namespace {

QString tr(const char* text) {
    return QCoreApplication::translate("ZRTimelineTrack", text);
}

QString timecode(IZRPos* pos) {
    return pos ? QString::fromLatin1(pos->toText()) : QString();
}

/// "HH:MM:SS.FF" of a frame count, negative counts shown as 0.
QString framesTimecode(int64_t frames, double rate) {
    const int64_t perSecond = std::max<int64_t>(1, int64_t(rate + 0.5));
    const int64_t f = std::max<int64_t>(0, frames);
    const int64_t seconds = f / perSecond;
    return QString::asprintf("%.2i:%.2i:%.2i.%.2i", int(seconds / 3600), int(seconds / 60 % 60),
                             int(seconds % 60), int(f % perSecond));
}

} // namespace

QRect ZRTimelineTrack::objectSpan(int64_t x, int64_t width) const {
    const QRect content = m_contentRect.translated(0, -verticalScroll());
    if (!content.isValid() || width <= 0) return QRect();
    const int64_t origin = contentOrigin();
    const int64_t left = std::max(x, origin);
    const int64_t right = std::min(x + width, origin + content.width());
    if (left >= right) return QRect();
    return QRect(content.left() + int(left - origin), content.top(), int(right - left),
                 content.height());
}

QRect ZRTimelineTrack::barRect(int64_t x, int64_t width) const {
    // Far beyond the view nothing is drawn; the clamp keeps the arithmetic within int.
    constexpr int64_t kReach = int64_t(1) << 28;
    const QRect content = visibleContent();
    const int64_t left =
        std::clamp<int64_t>(content.left() + (x - contentOrigin()), -kReach, kReach);
    const int64_t w = std::clamp<int64_t>(width, 0, kReach);
    return QRect(int(left), content.top(), int(w), m_height);
}

void ZRTimelineTrack::paintControls(const QRegion& region, QImage* target, const QPoint& offset) {
    if (!target) return;
    const QPoint shift = offset + QPoint(0, -verticalScroll());
    const QRegion clip = region.translated(offset);
    if (m_headerRect.isValid()) m_headerBox.drawInto(clip, *target, m_headerRect.translated(shift));
    if (m_controlRect.isValid())
        m_controlBox.drawInto(clip, *target, m_controlRect.translated(shift));
    if (m_label->isValid() && m_headerRect.isValid()) {
        const QRect at = m_headerRect.translated(shift);
        const QPoint labelAt(at.left() + 5,
                             at.top() + (at.height() - m_label->size().height()) / 2);
        blendImageClipped(clip & QRegion(at), *target, labelAt, *m_label->image());
    }
}

void ZRTimelineTrack::paintBackground(const QRegion& region, QImage* target, const QPoint& offset) {
    const QRect r = m_contentRect.translated(0, -verticalScroll());
    if (!target || !r.isValid()) return;
    const QRegion clip = (region & QRegion(r)).translated(offset);
    const QRect moved = r.translated(offset);
    tintImageClipped(clip, *target, moved.adjusted(0, 0, 0, -1), m_darkFillColor);
    tintImageClipped(clip, *target, QRect(moved.left(), moved.bottom(), moved.width(), 1),
                     m_darkLineColor);
}

void ZRTimelineTrack::paintObject(const QRegion&, QImage*, const QPoint&, int64_t, int64_t,
                                  IZRObject*) {}

ZRPlacementInput ZRTimelineTrack::placementInput() {
    ZRPlacementInput in;
    const std::vector<IZRObject*> list = objects();
    in.objects.reserve(list.size());
    for (int i = 0; i < int(list.size()); ++i) {
        IZRObject* o = list[size_t(i)];
        ZRUserData* data = ZRUserData::of(o);
        in.objects.push_back(
            {o->startPos()->toFrames(), o->duration()->toFrames(), data ? data->number : -1});
        if (o == m_dropObject) in.dropIndex = i;
        if (o == m_trimObject) in.trimIndex = i;
    }
    in.dropActive = m_dropObject && m_dropValid && m_dropStart && m_dropEnd;
    if (in.dropActive) {
        in.dropStart = m_dropStart->toFrames();
        in.dropEnd = m_dropEnd->toFrames();
    }
    in.ripple = m_rippleInsert;
    in.moving = m_mouseState == 5;
    if (m_trimObject && m_trimStart && m_trimEnd) {
        in.trimStart = m_trimStart->toFrames();
        in.trimEnd = m_trimEnd->toFrames();
    } else {
        in.trimIndex = -1;
    }
    return in;
}

void ZRTimelineTrack::paint(const QRegion& region, QImage* target, const QPoint& offset) {
    paintBackground(region, target, offset);
    // The walk works on a copy of the list taken under its lock: the renderer and the preview
    // move the list's own cursor from their threads at any time.
    const std::vector<IZRObject*> list = objects();
    ZRPlacementInput in = placementInput();
    if (in.objects.size() != list.size()) return;
    const ZRPlacementResult placed = placeTrackObjects(in);
    if (in.dropActive && m_rippleInsert) m_insertIndex = placed.insertIndex;
    for (const ZRPlacement& item : placed.items) {
        IZRObject* o = item.object < 0 ? m_dropObject : list[size_t(item.object)];
        paintObject(region, target, offset, px(item.start), px(item.length), o);
    }
}

QString ZRTimelineTrack::hoverText(IZRObject* object) {
    if (!object) return QString();
    IZRPos* markOut = object->markOut();
    // The stored mark-out is one past the last frame shown.
    const QString shownOut =
        markOut ? framesTimecode(int64_t(markOut->toFrames()) - 1, markOut->framerate())
                : QString();
    return QStringLiteral("[") + QString::fromUtf8(object->name()) + QStringLiteral("] ") +
           tr("start:") + ' ' + timecode(object->startPos()) + ' ' + tr("end:") + ' ' +
           timecode(object->endPos()) + ' ' + tr("duration:") + ' ' + timecode(object->duration()) +
           ' ' + tr("mark-in:") + ' ' + timecode(object->markIn()) + ' ' + tr("mark-out:") + ' ' +
           shownOut;
}

QString ZRTimelineTrack::trimText(IZRObject* object, IZRPos* trimStart, IZRPos* trimEnd,
                                  IZRPos* markIn, IZRPos* markOut) {
    if (!object) return QString();
    QString duration;
    if (markIn && markOut)
        duration =
            framesTimecode(int64_t(markOut->toFrames() - markIn->toFrames()), markOut->framerate());
    return tr("[%1]: start: %2, end: %3, mark in: %4, mark out: %5, duration: %6, maxDuration: "
              "%7")
        .arg(QString::fromUtf8(object->name()), timecode(trimStart), timecode(trimEnd),
             timecode(markIn), timecode(markOut), duration, timecode(object->sourceLength()));
}
