#include "views/ZRSBPSlider.h"

#include "classes/painting/ZRImagePainting.h"
#include "classes/skins/ZRSkinPreload.h"
#include "views/ZRSliderEvent.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

constexpr int kArrowCursor = ZRCursor::Arrow;
/// The knob and the marks show the two-way arrow the trims use.
constexpr int kDragCursor = ZRCursor::Trim;

// Pixels of a fraction along a track. A track of 0 or less has no room: everything sits at its
// start. The small bias keeps a fraction made from a pixel count on that pixel.
int pixelsAlong(int track, double fraction) {
    if (track <= 0) return 0;
    return int(double(track) * fraction + 1e-6);
}

void sendValue(QObject* receiver, ZRSliderEvent::Kind kind, double value) {
    ZRSliderEvent event(kind, value);
    QCoreApplication::sendEvent(receiver, &event);
}

} // namespace

ZRSBPSlider::ZRSBPSlider(QDict<PSDLayerSet>* skin, QWidget* parent, const char* name)
    : QSBWidget(parent, name), m_skin(skin) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    m_inNormal = layer("left_marker", "normal");
    m_inPressed = layer("left_marker", "pressed");
    m_inOver = layer("left_marker", "over");
    m_knobNormal = layer("knob", "normal");
    m_knobHidden = layer("knob", "hidden");
    m_knobPressed = layer("knob", "pressed");
    m_knobOver = layer("knob", "over");
    m_outNormal = layer("right_marker", "normal");
    m_outPressed = layer("right_marker", "pressed");
    m_outOver = layer("right_marker", "over");
    m_redLeft = layer("red_track", "left");
    m_redMiddle = layer("red_track", "middle");
    m_redRight = layer("red_track", "right");
    m_blueTrack = layer("other", "blue_track");
    m_panel = layer("other", "panel");
    m_in = m_inNormal.rect;
    m_knob = m_knobNormal.rect;
    m_out = m_outNormal.rect;
    connect(&m_knobTimer, &QTimer::timeout, this, &ZRSBPSlider::knobTimeout);
    if (m_panel.image) setFixedSize(m_panel.image->size());
    computeTracks();
    relayout();
}

ZRSBPSlider::~ZRSBPSlider() = default;

ZRSBPSlider::Part ZRSBPSlider::layer(const char* set, const char* name) const {
    Part part;
    PSDLayerSet* found = m_skin ? m_skin->find(QString::fromLatin1(set)) : nullptr;
    PSDLayer* l = found ? found->layers.find(QString::fromLatin1(name)) : nullptr;
    if (!l || l->image.isNull()) return part;
    part.image = &l->image;
    part.rect = QRect(QPoint(found->originX, found->originY) + l->position, l->image.size());
    return part;
}

IZRTimeline* ZRSBPSlider::setTimeline(IZRTimeline* timeline) {
    IZRTimeline* previous = m_timeline;
    m_timeline = timeline;
    return previous;
}

void ZRSBPSlider::setPanel(const QString& name) {
    PSDLayerSet* other = m_skin ? m_skin->find(QStringLiteral("other")) : nullptr;
    PSDLayer* l = other ? other->layers.find(name) : nullptr;
    if (!l || l->image.isNull()) return;
    m_panel.image = &l->image;
    m_panel.rect = QRect(QPoint(other->originX, other->originY) + l->position, l->image.size());
    if (isVisible()) repaintRect(0, 0, width(), height());
}

void ZRSBPSlider::computeTracks() {
    m_knobTrack = width() - 1 - m_knob.width() - 2 * kMargin;
    m_markerTrack = width() - m_in.width() - m_out.width() - 2 * kMargin;
}

void ZRSBPSlider::relayout() {
    const int right = width() - 1 - kMargin;
    m_in.moveLeft(kMargin + pixelsAlong(m_markerTrack, m_markIn));
    m_knob.moveLeft(kMargin + pixelsAlong(m_knobTrack, m_position));
    m_out.moveRight(right - pixelsAlong(m_markerTrack, m_markOut));

    m_redLeftCap = m_redLeft.rect;
    m_redLeftCap.moveLeft(kMargin);
    m_redRightCap = m_redRight.rect;
    m_redRightCap.moveRight(right);
    const QRect middle = m_redMiddle.rect;
    m_redFirst = QRect(QPoint(m_redLeftCap.right() + 1, middle.top()),
                       QPoint(m_in.right(), middle.bottom()));
    m_redSecond = QRect(QPoint(m_out.left(), middle.top()),
                        QPoint(m_redRightCap.left() - 1, middle.bottom()));
    const QRect blue = m_blueTrack.rect;
    m_blue = QRect(QPoint(m_in.right() + 1, blue.top()), QPoint(m_out.left() - 1, blue.bottom()));

    const int top = std::min({m_in.top(), m_knob.top(), m_out.top()});
    const int bottom = std::max({m_in.bottom(), m_knob.bottom(), m_out.bottom()});
    m_band = QRect(QPoint(0, top), QPoint(width() - 1, bottom));
}

void ZRSBPSlider::repaintBand() {
    repaintRect(m_band.x(), m_band.y(), m_band.width(), m_band.height());
}

void ZRSBPSlider::gotoPosition(double fraction, QWidget* sender) {
    if (sender == this || !std::isfinite(fraction)) return;
    fraction = std::clamp(fraction, 0.0, 1.0);
    if (fraction != m_position) {
        m_position = fraction;
        relayout();
        repaintBand();
    }
    if (!isEnabled()) {
        setEnabled(true);
        repaintRect(0, 0, width(), height());
    }
}

void ZRSBPSlider::setMarkIn(double fraction) {
    if (!std::isfinite(fraction)) return;
    fraction = std::clamp(fraction, 0.0, 1.0);
    if (fraction == m_markIn) return;
    m_markIn = fraction;
    relayout();
    repaintBand();
}

void ZRSBPSlider::setMarkOut(double fraction) {
    if (!std::isfinite(fraction)) return;
    fraction = std::clamp(fraction, 0.0, 1.0);
    if (fraction == m_markOut) return;
    m_markOut = fraction;
    relayout();
    repaintBand();
}

void ZRSBPSlider::reset(int) {
    if (isEnabled()) return;
    m_position = 0.5;
    m_markIn = 0.0;
    m_markOut = 0.0;
    relayout();
    repaintRect(0, 0, width(), height());
}

void ZRSBPSlider::setCursorState(int index) {
    if (index == m_cursor) return;
    m_cursor = index;
    if (QCursor* cursor = skinCursor(index)) setCursor(*cursor);
}

void ZRSBPSlider::knobTimeout() {
    emitPosition();
}

void ZRSBPSlider::emitPosition() {
    Q_EMIT positionChanged(m_position, this);
    sendValue(this, ZRSliderEvent::Position, m_position);
}

void ZRSBPSlider::emitMarkIn() {
    Q_EMIT markInChanged(m_markIn, this);
    sendValue(this, ZRSliderEvent::MarkIn, m_markIn);
}

void ZRSBPSlider::emitMarkOut() {
    Q_EMIT markOutChanged(m_markOut, this);
    sendValue(this, ZRSliderEvent::MarkOut, m_markOut);
}

void ZRSBPSlider::updateHover(const QPoint& at) {
    const bool knob = !m_control && m_knob.contains(at);
    const bool in = m_in.contains(at);
    const bool out = m_out.contains(at);
    setCursorState(knob || in || out ? kDragCursor : kArrowCursor);
    if (knob == m_hoverKnob && in == m_hoverIn && out == m_hoverOut) return;
    m_hoverKnob = knob;
    m_hoverIn = in;
    m_hoverOut = out;
    repaintBand();
}

bool ZRSBPSlider::pressAt(const QPoint& at, bool leftButton) {
    if (!leftButton) {
        updateHover(at);
        return false;
    }
    // With Control held the knob is not grabbed, so that a marker under it can be.
    if (!m_control && m_knob.contains(at)) {
        m_drag = DragKnob;
        m_hoverKnob = true;
        m_grab = at - m_knob.topLeft();
    } else if (m_in.contains(at)) {
        m_drag = DragMarkIn;
        m_hoverIn = true;
        m_grab = at - m_in.topLeft();
    } else if (m_out.contains(at)) {
        m_drag = DragMarkOut;
        m_hoverOut = true;
        m_grab = at - m_out.topLeft();
    } else {
        return false;
    }
    setCursorState(kDragCursor);
    repaintBand();
    return true;
}

void ZRSBPSlider::mousePressEvent(QMouseEvent* e) {
    m_control = e->modifiers() & Qt::ControlModifier;
    if (m_drag != DragNone) return;
    const QPoint at = e->position().toPoint();
    const bool left = e->button() == Qt::LeftButton;
    if (pressAt(at, left) || !left || m_control || !m_band.contains(at)) return;

    // A click on the track puts the knob's centre under the pointer.
    if (m_knobTrack <= 0) return;
    const int x = std::clamp(at.x() - m_knob.width() / 2, kMargin, kMargin + m_knobTrack);
    m_position = double(x - kMargin) / m_knobTrack;
    relayout();
    repaintBand();
    emitPosition();
}

void ZRSBPSlider::dragKnob(int x) {
    if (m_knobTrack <= 0) return;
    const int left = std::clamp(x - m_grab.x(), kMargin, kMargin + m_knobTrack);
    const double before = m_position;
    m_position = double(left - kMargin) / m_knobTrack;
    relayout();
    repaintBand();
    if (m_position != before) emitPosition();
}

void ZRSBPSlider::dragMarkIn(int x) {
    if (m_markerTrack <= 0) return;
    int left = std::max(x - m_grab.x(), kMargin);
    // The right edge stays left of the mark-out marker: the two may touch, never overlap.
    left = std::min(left, m_out.left() - m_in.width());
    left = std::max(left, kMargin);
    m_markIn = double(left - kMargin) / m_markerTrack;
    relayout();
    repaintBand();
    emitMarkIn();
}

void ZRSBPSlider::dragMarkOut(int x) {
    if (m_markerTrack <= 0) return;
    const int rightLimit = width() - 1 - kMargin;
    int left = std::max(x - m_grab.x(), m_in.right() + 1);
    left = std::min(left, rightLimit - m_out.width() + 1);
    left = std::max(left, m_in.right() + 1);
    const int right = left + m_out.width() - 1;
    m_markOut = std::max(0.0, double(rightLimit - right) / m_markerTrack);
    relayout();
    repaintBand();
    emitMarkOut();
}

void ZRSBPSlider::mouseMoveEvent(QMouseEvent* e) {
    m_control = e->modifiers() & Qt::ControlModifier;
    const QPoint at = e->position().toPoint();
    switch (m_drag) {
    case DragKnob:
        dragKnob(at.x());
        break;
    case DragMarkIn:
        dragMarkIn(at.x());
        break;
    case DragMarkOut:
        dragMarkOut(at.x());
        break;
    default:
        pressAt(at, e->buttons() & Qt::LeftButton);
        break;
    }
}

void ZRSBPSlider::mouseReleaseEvent(QMouseEvent* e) {
    m_control = e->modifiers() & Qt::ControlModifier;
    m_drag = DragNone;
    setCursorState(kArrowCursor);
    repaintBand();
}

void ZRSBPSlider::keyPressEvent(QKeyEvent* e) {
    if (e->key() != Qt::Key_Control) {
        QSBWidget::keyPressEvent(e);
        return;
    }
    m_control = true;
    if (m_drag == DragKnob) {
        m_drag = DragNone;
        const QPoint at = mapFromGlobal(QCursor::pos());
        setCursorState(m_in.contains(at) || m_out.contains(at) || m_knob.contains(at)
                           ? kDragCursor
                           : kArrowCursor);
    }
    repaintBand();
}

void ZRSBPSlider::keyReleaseEvent(QKeyEvent* e) {
    if (e->key() != Qt::Key_Control) {
        QSBWidget::keyReleaseEvent(e);
        return;
    }
    m_control = false;
    repaintBand();
}

void ZRSBPSlider::leaveEvent(QEvent* e) {
    QSBWidget::leaveEvent(e);
    bool* flag = m_hoverIn     ? &m_hoverIn
                 : m_hoverOut  ? &m_hoverOut
                 : m_hoverKnob ? &m_hoverKnob
                               : nullptr;
    if (!flag) return;
    *flag = false;
    repaintBand();
}

void ZRSBPSlider::resizeEvent(QResizeEvent* e) {
    QSBWidget::resizeEvent(e);
    computeTracks();
    relayout();
}

void ZRSBPSlider::composeBackground(int x, int y, int w, int h) {
    QSBWidget::composeBackground(x, y, w, h);
    QImage* image = composedImage();
    const QRect r = QRect(x, y, w, h).intersected(rect());
    if (!image || image->isNull() || r.isEmpty() || !m_panel.image) return;
    const QPoint root = mapPointToSkinRoot(QPoint(0, 0));
    blendImageClipped(QRegion(r.translated(root)), *image, m_panel.rect.topLeft() + root,
                      *m_panel.image);
}

void ZRSBPSlider::paintEvent(QPaintEvent* e) {
    QImage* image = composedImage();
    if (!image || image->isNull()) return;
    const QPoint root = mapPointToSkinRoot(QPoint(0, 0));
    const QRegion region = e->region().intersected(rect());
    composeRegion(region);
    const QRegion clip = region.translated(root);
    auto blend = [&](const Part& part, const QRect& at) {
        if (part.image) blendImageClipped(clip, *image, at.topLeft() + root, *part.image);
    };
    auto tile = [&](const Part& part, const QRect& rect) {
        if (part.image && !rect.isEmpty())
            tileImageClipped(clip, *image, rect.translated(root), *part.image, 0, 0);
    };
    blend(m_redLeft, m_redLeftCap);
    tile(m_redMiddle, m_redFirst);
    tile(m_blueTrack, m_blue);
    tile(m_redMiddle, m_redSecond);
    blend(m_redRight, m_redRightCap);
    if (m_control) blend(m_knobHidden, m_knob);
    blend(m_hoverIn ? m_inOver : m_inNormal, m_in);
    blend(m_hoverOut ? m_outOver : m_outNormal, m_out);
    if (!m_control) blend(m_hoverKnob ? m_knobOver : m_knobNormal, m_knob);

    QPainter painter(this);
    for (const QRect& r : region)
        presentComposedRect(painter, r);
}
