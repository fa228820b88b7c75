// Painting the video track: clip boxes with their thumbnails, names and effect markers.
#include "classes/painting/ZRImagePainting.h"
#include "classes/text/ZRTextImage.h"
#include "editor/ZRChainLinks.h"
#include "engine/api/IZRObject.h"
#include "views/ZRTimelinePlacement.h"
#include "views/ZRTimelineView.h"
#include "views/ZRVideoTrack.h"

#include <algorithm>

namespace {

/// The file-name part of an object's name (either separator).
QString fileNamePart(const char* name) {
    const QString text = QString::fromUtf8(name ? name : "");
    const qsizetype cut = std::max(text.lastIndexOf(QLatin1Char('/')), text.lastIndexOf('\\'));
    return text.mid(cut + 1);
}

} // namespace

const ZRVideoTrack::Skin& ZRVideoTrack::skinFor(IZRObject* clip) const {
    const bool selected = const_cast<ZRVideoTrack*>(this)->isObjectSelected(clip);
    if (clip && clip->hasAudio()) return m_skins[selected ? Selected : Normal];
    return m_skins[selected ? NoAudioSelected : NoAudioNormal];
}

const ZRVideoTrack::Marker& ZRVideoTrack::markerFor(IZRObject* clip) const {
    ZRVideoUserData* record = chainlinks::clip(clip);
    if (record && record->isSelected()) return m_markers[2];
    if (record && (record->videoFlags & ZRVideoUserData::EffectSelected)) return m_markers[1];
    return m_markers[0];
}

void ZRVideoTrack::paint(const QRegion& region, QImage* target, const QPoint& offset) {
    paintBackground(region, target, offset);
    ZRClipChain::paint(*this, m_editor, chainFeedback(), region, target, offset, &m_insertIndex);
}

void ZRVideoTrack::paintObject(const QRegion& region, QImage* target, const QPoint& offset,
                               int64_t x, int64_t width, IZRObject* object) {
    if (!target || !object) return;
    const QRect content = movedContent();
    if (!content.isValid()) return;
    // A clip shown at its drop place has no neighbours there yet. The clip the drop pushes
    // starts where it is drawn: the transition before it moved along with it and joins it to
    // nothing on this row, so its box is not cut by half of it.
    const bool dropped = object == m_dropObject && m_dropValid;
    const ZRVideoUserData* pushed = m_dropObject && m_dropValid && m_mouseState >= 4 && !dropped
                                        ? chainlinks::clip(object)
                                        : nullptr;
    const bool follows = pushed && m_insertIndex >= 0 && pushed->number == m_insertIndex;
    const ZRClipLayout layout =
        layoutClip(m_widths, x, width,
                   dropped || follows ? 0 : px(double(ZRClipChain::transitionBefore(object))),
                   dropped ? 0 : px(double(ZRClipChain::transitionAfter(object))));
    const QRect box = viewRect(layout.box, content.top(), content.height());
    if (box.isEmpty()) return;
    const QRegion clip = (region & QRegion(content) & QRegion(box)).translated(offset);
    if (clip.isEmpty()) return;

    const Skin& skin = skinFor(object);
    const bool selected = isObjectSelected(object);
    const int top = content.top();
    const int64_t origin = contentOrigin() - content.left();
    ZRVideoUserData* record = chainlinks::clip(object);
    QRect bodyRect;
    for (const ZRClipPiece& piece : layout.pieces) {
        const bool slot =
            piece.kind == ZRClipPiece::FirstThumb || piece.kind == ZRClipPiece::LastThumb;
        const int height = slot ? skin.thumbHeight : content.height();
        const QRect r = viewRect(piece.span, top, height);
        const QRegion pieceClip =
            clip & QRegion(viewRect(piece.clip, top, height).translated(offset));
        if (r.isEmpty() || pieceClip.isEmpty()) continue;
        const QRect at = r.translated(offset);
        switch (piece.kind) {
        case ZRClipPiece::Body: {
            bodyRect = r;
            const int tile = std::max(1, skin.middle.width());
            // The tile keeps its phase from the body's true left edge however far that lies.
            const int phase = int((int64_t(r.left()) - (piece.span.left - origin)) % tile);
            tileImageClipped(pieceClip, *target, at, skin.middle, phase, 0);
            break;
        }
        case ZRClipPiece::LeftCap:
            blendSkinImageClipped(pieceClip, *target, at, skin.left);
            break;
        case ZRClipPiece::RightCap:
            blendSkinImageClipped(pieceClip, *target, at, skin.right);
            break;
        case ZRClipPiece::LeftFill:
            blendSkinImageClipped(pieceClip, *target, at, skin.leftFill);
            break;
        case ZRClipPiece::RightFill:
            blendSkinImageClipped(pieceClip, *target, at, skin.rightFill);
            break;
        case ZRClipPiece::FirstThumb:
        case ZRClipPiece::LastThumb: {
            tintImageClipped(pieceClip, *target, QRect(at.left(), at.top(), at.width(), 1),
                             m_thumbTop[selected]);
            tintImageClipped(pieceClip, *target, QRect(at.left(), at.bottom(), at.width(), 1),
                             m_thumbBottom[selected]);
            const QImage* picture = nullptr;
            if (record)
                picture = piece.kind == ZRClipPiece::FirstThumb ? &record->smallFirstFrame
                                                                : &record->smallLastFrame;
            // A clip whose thumbnails are not made yet leaves its slots empty.
            if (picture && !picture->isNull())
                blendImageClipped(pieceClip & QRegion(at), *target, at.topLeft() + QPoint(1, 1),
                                  *picture);
            break;
        }
        }
    }
    for (const ZRSpan& overlap : {layout.overlapLeft, layout.overlapRight}) {
        const QRect r = viewRect(overlap, top, content.height());
        if (!r.isEmpty()) tintImageClipped(clip, *target, r.translated(offset), m_overlappingColor);
    }
    if (layout.style == ZRClipLayout::Wide && !bodyRect.isEmpty()) {
        // A thumbnail past a transition lies over the body: the name keeps between the slots.
        ZRSpan named = layout.piece(ZRClipPiece::Body)->span;
        int64_t end = named.left + named.width;
        if (const ZRClipPiece* first = layout.piece(ZRClipPiece::FirstThumb))
            named.left = std::max(named.left, first->span.left + first->span.width);
        if (const ZRClipPiece* last = layout.piece(ZRClipPiece::LastThumb))
            end = std::min(end, last->span.left);
        named.width = std::max<int64_t>(end - named.left, 0);
        drawName(clip, *target, offset, object, named, origin);
    }
    const QRect marker = effectMarkerRect(object, layout);
    if (!marker.isEmpty())
        blendImageClipped(clip, *target, marker.topLeft() + offset, markerFor(object).image);
}

void ZRVideoTrack::drawName(const QRegion& clip, QImage& target, const QPoint& offset,
                            IZRObject* object, const ZRSpan& body, int64_t origin) {
    const QString name = fileNamePart(object->name());
    if (name.isEmpty()) return;
    if (m_nameText->text() != name) m_nameText->setText(name);
    if (!m_nameText->isValid()) return;
    const QSize size = m_nameText->size();
    // Shown only with 10 pixels to spare on both sides of the body.
    if (int64_t(size.width()) + 20 > body.width) return;
    const int64_t left = body.left + (body.width - size.width()) / 2 - origin;
    const QRect content = movedContent();
    if (left > content.right() || left + size.width() < content.left()) return;
    const int y = content.top() + (content.height() - size.height()) / 2 + 4;
    blendImageClipped(clip, target, QPoint(int(left), y) + offset, *m_nameText->image());
}
