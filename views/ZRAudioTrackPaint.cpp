// Painting the audio tracks: the header's switch, speaker and level slider, the open row's
// bands and the sound blocks of objects or chain clips.
#include "classes/painting/ZRImagePainting.h"
#include "editor/ZRUserData.h"
#include "engine/api/IZRObject.h"
#include "views/ZRAudioTrack.h"
#include "views/ZRTimelineScale.h"
#include "views/ZRTimelineView.h"

#include <algorithm>

void ZRAudioTrack::paintControls(const QRegion& region, QImage* target, const QPoint& offset) {
    ZRTimelineTrack::paintControls(region, target, offset);
    if (!target) return;
    const QRegion clip = region.translated(offset);
    const QPoint shift = offset + QPoint(0, -verticalScroll());
    const QImage& sw = m_switch[(m_open ? 0 : 2) + (m_switchHover ? 1 : 0)];
    blendImageClipped(clip, *target, m_switchRect.topLeft() + shift, sw);
    if (m_open) {
        if (m_openHeaderRect.isValid())
            m_openHeaderBox.drawInto(clip, *target, m_openHeaderRect.translated(shift));
        if (m_openControlRect.isValid())
            m_openControlBox.drawInto(clip, *target, m_openControlRect.translated(shift));
        const QRect slider = m_sliderRect.translated(shift);
        blendImageClipped(clip, *target, slider.topLeft() + m_sliderLeftAt, m_sliderLeft);
        blendImageClipped(clip, *target, slider.topLeft() + m_sliderRightAt, m_sliderRight);
        // The fill runs between the two ends: active up to the level, inactive after it.
        const int fillLeft = slider.left() + m_sliderLeft.width();
        const int fillWidth = slider.width() - m_sliderLeft.width() - m_sliderRight.width();
        const int active = std::clamp(int(fillWidth * (m_level + 1.0) * 0.5), 0, fillWidth);
        const int top = slider.top() + m_fillAt.y();
        tileImageClipped(clip, *target, QRect(fillLeft, top, active, m_activeFill.height()),
                         m_activeFill, 0, 0);
        tileImageClipped(clip, *target,
                         QRect(fillLeft + active, top, fillWidth - active, m_inactiveFill.height()),
                         m_inactiveFill, 0, 0);
        blendImageClipped(clip, *target, slider.topLeft() + m_knobAt + QPoint(knobOffset(), 0),
                          m_knobImage[m_knobHover ? 1 : 0]);
    }
    blendImageClipped(clip, *target, m_speakerRect.topLeft() + shift,
                      m_speaker[m_speakerHover ? 1 : 0]);
    blendImageClipped(clip, *target, m_indicatorRect.topLeft() + shift, m_indicator[m_muted]);
}

void ZRAudioTrack::paintBackground(const QRegion& region, QImage* target, const QPoint& offset) {
    if (!m_open) {
        ZRTimelineTrack::paintBackground(region, target, offset);
        return;
    }
    const QRect r = moved(m_contentRect);
    if (!target || !r.isValid()) return;
    const QRegion clip = (region & QRegion(r)).translated(offset);
    const QRect at = r.translated(offset);
    // The first row as a closed track shows it, the open part below it in the light colour.
    tintImageClipped(clip, *target, QRect(at.left(), at.top(), at.width(), kClosedHeight - 1),
                     m_darkFillColor);
    tintImageClipped(clip, *target, QRect(at.left(), at.top() + kClosedHeight - 1, at.width(), 1),
                     m_darkLineColor);
    tintImageClipped(
        clip, *target,
        QRect(at.left(), at.top() + kClosedHeight, at.width(), at.height() - kClosedHeight),
        m_lightFillColor);
}

void ZRAudioTrack::paint(const QRegion& region, QImage* target, const QPoint& offset) {
    if (!m_linked) {
        ZRTimelineTrack::paint(region, target, offset);
        return;
    }
    paintBackground(region, target, offset);
    ZRClipChain::paint(*this, m_editor, chainFeedback(), region, target, offset, &m_insertIndex);
}

void ZRAudioTrack::paintObject(const QRegion& region, QImage* target, const QPoint& offset,
                               int64_t x, int64_t width, IZRObject* object) {
    if (!target || !object || !object->hasAudio()) return;
    const QRect span = objectSpan(x, width);
    if (span.isEmpty()) return;
    const ClipSkin& skin = m_clipSkins[m_open ? 1 : 0][isObjectSelected(object) ? 1 : 0];
    const QRect content = moved(m_contentRect);
    const int height = std::min(content.height(), skin.fill.height());
    const QRect box(span.left(), content.top(), span.width(), height);
    const QRegion clip = (region & QRegion(box)).translated(offset);
    if (clip.isEmpty()) return;
    // Where a transition meets a chain clip the block runs on without a cap.
    const bool capLeft = !m_linked || ZRClipChain::transitionBefore(object) == 0 ||
                         (object == m_dropObject && m_dropValid);
    const bool capRight = !m_linked || ZRClipChain::transitionAfter(object) == 0 ||
                          (object == m_dropObject && m_dropValid);
    const int64_t origin =
        (m_view ? int64_t(m_view->horizontalValue()) * scale().pixelsPerUnit() : 0) -
        content.left();
    const int64_t left = x - origin;          // the block's true left edge in view x
    const int64_t right = x + width - origin; // one past its true right edge
    const int tile = std::max(1, skin.fill.width());
    const int phase = int((int64_t(box.left()) - left) % tile);
    tileImageClipped(clip, *target, box.translated(offset), skin.fill, phase, 0);
    // A block too narrow for both caps gives each cap its own half.
    const bool split = width < m_minEdgeWidth;
    const int64_t middle = left + width / 2;
    if (capLeft && left >= box.left() - skin.left.width()) {
        QRegion capClip = clip;
        if (split)
            capClip &=
                QRegion(QRect(int(left), box.top(), int(middle - left), height)).translated(offset);
        blendSkinImageClipped(
            capClip, *target,
            QRect(int(left), box.top(), skin.left.width(), height).translated(offset), skin.left);
    }
    if (capRight && right <= box.right() + 1 + skin.right.width()) {
        QRegion capClip = clip;
        if (split)
            capClip &= QRegion(QRect(int(middle), box.top(), int(right - middle), height))
                           .translated(offset);
        blendSkinImageClipped(
            capClip, *target,
            QRect(int(right) - skin.right.width(), box.top(), skin.right.width(), height)
                .translated(offset),
            skin.right);
    }
}
