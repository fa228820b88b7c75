#include "classes/widgets/ZRSlider.h"

#include "classes/painting/ZRImagePainting.h"
#include "classes/skins/ZRSkinPreload.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

#include <cmath>

namespace {

constexpr int kNormalCursor = 0;
constexpr int kKnobCursor = 6;

const QString kGroovePieces[3] = {QStringLiteral("left"), QStringLiteral("middle"),
                                  QStringLiteral("right")};

} // namespace

ZRSlider::ZRSlider(QDict<PSDLayerSet>* skin, bool reversed, QWidget* parent, const char* name,
                   Qt::WindowFlags flags)
    : QSBWidget(parent, name, flags), m_skin(skin), m_reversed(reversed) {
    setMouseTracking(true);
    setFocusPolicy(Qt::ClickFocus);
    loadSkin(skin);
    updateLayout();
}

void ZRSlider::loadSkin(QDict<PSDLayerSet>* skin) {
    if (!skin) return;
    const auto readGroove = [&](const char* setName, Groove& groove) {
        const PSDLayerSet* set = skin->find(QString::fromLatin1(setName));
        if (!set) return;
        groove.absent = false;
        for (int i = 0; i < 3; ++i) {
            if (const PSDLayer* layer = set->layers.find(kGroovePieces[i])) {
                groove.images[i] = &layer->image;
                groove.skinRects[i] = groove.rects[i] = layer->rect();
            }
        }
    };
    readGroove("groove_normal", m_grooveNormal);
    readGroove("groove_disabled", m_grooveDisabled);
    if (const PSDLayerSet* knob = skin->find(QStringLiteral("knob"))) {
        m_knob.absent = false;
        const QString names[KnobStateCount] = {QStringLiteral("normal"), QStringLiteral("pressed"),
                                               QStringLiteral("disabled"), QStringLiteral("over")};
        for (int i = 0; i < KnobStateCount; ++i) {
            if (const PSDLayer* layer = knob->layers.find(names[i])) {
                m_knob.images[i] = &layer->image;
                m_knob.rects[i] = layer->rect();
            }
        }
    }
}

void ZRSlider::setSteps(double line, double page) {
    m_lineStep = line;
    m_pageStep = page;
}

void ZRSlider::setReversed(bool reversed) {
    m_reversed = reversed;
    updateLayout();
    update();
}

void ZRSlider::setValue(double value) {
    if (value < m_minimum) value = m_minimum;
    if (value > m_maximum) value = m_maximum;
    if (value == m_value) {
        m_moved = false;
        return;
    }
    changeValue(value);
}

// Stores a value already inside the range: marks it moved, places the knob, repaints.
void ZRSlider::changeValue(double value) {
    m_value = value;
    m_moved = true;
    updateLayout();
    update();
}

void ZRSlider::setMinValue(double minimum) {
    m_minimum = std::max(minimum, 0.0);
    if (m_value < m_minimum) m_value = m_minimum;
    updateLayout();
    update();
}

void ZRSlider::setMaxValue(double maximum) {
    m_maximum = std::min(maximum, 1.0);
    if (m_value > m_maximum) m_value = m_maximum;
    updateLayout();
    update();
}

void ZRSlider::setRange(double minimum, double maximum) {
    m_minimum = std::max(minimum, 0.0);
    m_maximum = std::min(maximum, 1.0);
    const double before = m_value;
    if (m_value < m_minimum) m_value = m_minimum;
    if (m_value > m_maximum) m_value = m_maximum;
    if (m_value != before) {
        updateLayout();
        update();
    }
}

std::pair<int, int> ZRSlider::setMargins(int left, int right) {
    const std::pair<int, int> previous(m_leftMargin, m_rightMargin);
    if (left >= 0 && left <= width() && right >= 0 && right <= width()) {
        m_leftMargin = left;
        m_rightMargin = right;
        updateLayout();
        update();
    }
    return previous;
}

int ZRSlider::setLeftMargin(int left) {
    return setMargins(left, m_rightMargin).first;
}

int ZRSlider::setRightMargin(int right) {
    return setMargins(m_leftMargin, right).second;
}

void ZRSlider::updateLayout() {
    m_knobRect = m_knob.rects[KnobNormal];
    const int knobWidth = m_knobRect.width();
    m_travel = std::max(0, (width() - 1) - m_leftMargin - m_rightMargin - knobWidth);
    const int offset = int(std::floor(m_travel * m_value + 0.5));
    if (m_reversed)
        m_knobRect.moveRight((width() - 1) - m_rightMargin - offset);
    else
        m_knobRect.moveLeft(m_leftMargin + offset);
}

void ZRSlider::setCursorState(int index) {
    if (index == m_cursorState) return;
    m_cursorState = index;
    if (const QCursor* cursor = skinCursor(index))
        setCursor(*cursor);
    else
        unsetCursor();
}

void ZRSlider::moveBy(double amount, bool emitDragging, bool alwaysReport) {
    setValue(m_value + (m_reversed ? -amount : amount));
    if (emitDragging) {
        if (alwaysReport || m_moved) emit sliderDragging(this, m_value);
        return;
    }
    if (m_moved) emit valueChanged(this, m_value);
    m_moved = false;
}

void ZRSlider::showAddStep() {
    moveBy(m_lineStep, true, true);
}
void ZRSlider::showSubtractStep() {
    moveBy(-m_lineStep, true, false);
}
void ZRSlider::showAddPage() {
    moveBy(m_pageStep, true, false);
}
void ZRSlider::showSubtractPage() {
    moveBy(-m_pageStep, true, false);
}
void ZRSlider::addStep() {
    moveBy(m_lineStep, false, false);
}
void ZRSlider::subtractStep() {
    moveBy(-m_lineStep, false, false);
}
void ZRSlider::addPage() {
    moveBy(m_pageStep, false, false);
}
void ZRSlider::subtractPage() {
    moveBy(-m_pageStep, false, false);
}

void ZRSlider::startDrag(int x) {
    m_state = LeftButton | Dragging;
    m_grabOffset = x - m_knobRect.left();
    emit sliderPressed(this);
}

void ZRSlider::mousePressEvent(QMouseEvent* e) {
    const QPoint pos = e->position().toPoint();
    m_overKnob = m_knobRect.contains(pos);
    const bool left = e->button() == Qt::LeftButton;
    m_state = (m_overKnob ? OverKnob : 0) | (left ? LeftButton : 0);
    setCursorState(m_overKnob ? kKnobCursor : kNormalCursor);
    if (m_state == (LeftButton | OverKnob)) {
        startDrag(pos.x());
    } else if (left && rect().contains(pos) && m_travel > 0) {
        // A click beside the knob jumps there; it is reported on release.
        const int x = pos.x();
        int p;
        if (!m_reversed)
            p = x < m_leftMargin ? 0 : x > width() - m_rightMargin ? m_travel : x - m_leftMargin;
        else
            p = x < m_leftMargin              ? m_travel
                : x > width() - m_rightMargin ? 0
                                              : width() - m_rightMargin - m_leftMargin - x;
        setValue(double(p) / m_travel);
    }
    m_lastMouse = pos;
}

void ZRSlider::dragTo(int x) {
    setCursorState(kKnobCursor);
    if (m_travel > 0) {
        const int dx = m_reversed ? m_lastMouse.x() - x : x - m_lastMouse.x();
        const double value = (m_travel * m_value + dx) / m_travel;
        if (value > m_maximum) {
            m_value = m_maximum;
            m_atMinimum = false;
            m_state = LeftButton | HeldAtLimit;
        } else if (value < m_minimum) {
            m_value = m_minimum;
            m_atMinimum = true;
            m_state = LeftButton | HeldAtLimit;
        } else {
            m_value = value;
        }
    }
    emit sliderDragging(this, m_value);
    m_moved = true;
    updateLayout();
    update();
}

void ZRSlider::mouseMoveEvent(QMouseEvent* e) {
    const QPoint pos = e->position().toPoint();
    const bool over = m_knobRect.contains(pos);
    if (over != m_overKnob) update();
    m_overKnob = over;
    const bool left = e->buttons() & Qt::LeftButton;
    if (!dragging()) m_state = (over ? OverKnob : 0) | (left ? LeftButton : 0);
    setCursorState(over ? kKnobCursor : kNormalCursor);

    if (m_state == (LeftButton | OverKnob)) startDrag(pos.x());

    if (m_state == (LeftButton | HeldAtLimit)) {
        const int grab = m_knobRect.left() + m_grabOffset;
        const bool towardsMinimum = m_atMinimum != m_reversed;
        const bool back = towardsMinimum ? pos.x() >= grab : pos.x() <= grab;
        if (back) {
            m_state = LeftButton | Dragging;
            // The knob follows from the grab point, however far the pointer ran past it.
            m_lastMouse.setX(grab);
        }
    }
    if (m_state == (LeftButton | Dragging)) dragTo(pos.x());
    m_lastMouse = pos;
}

void ZRSlider::mouseReleaseEvent(QMouseEvent* e) {
    m_overKnob = m_knobRect.contains(e->position().toPoint());
    setCursorState(m_overKnob ? kKnobCursor : kNormalCursor);
    m_state = 0;
    if (m_moved) {
        update();
        emit sliderReleased(this);
        emit valueChanged(this, m_value);
        m_moved = false;
    }
}

void ZRSlider::keyPressEvent(QKeyEvent* e) {
    if (e->key() != Qt::Key_Left && e->key() != Qt::Key_Right) {
        QSBWidget::keyPressEvent(e);
        return;
    }
    const double amount = (e->modifiers() & Qt::ControlModifier) ? m_pageStep : m_lineStep;
    const double direction = m_reversed ? -1.0 : 1.0;
    double value = m_value + (e->key() == Qt::Key_Right ? amount : -amount) * direction;
    if (value < m_minimum) value = m_minimum;
    if (value > m_maximum) value = m_maximum;
    m_value = value;
    emit sliderDragging(this, m_value);
    m_moved = true;
    updateLayout();
    update();
}

void ZRSlider::keyReleaseEvent(QKeyEvent* e) {
    if ((e->key() != Qt::Key_Left && e->key() != Qt::Key_Right) || e->isAutoRepeat()) {
        QSBWidget::keyReleaseEvent(e);
        return;
    }
    m_state = 0;
    if (m_moved) {
        m_moved = false;
        update();
        emit sliderReleased(this);
        emit valueChanged(this, m_value);
    }
}

void ZRSlider::leaveEvent(QEvent* e) {
    QSBWidget::leaveEvent(e);
    if (m_overKnob) {
        m_overKnob = false;
        m_state &= ~OverKnob;
        update();
    }
}

void ZRSlider::layoutGroove(Groove& groove) const {
    const QRect* skin = groove.skinRects;
    QRect* r = groove.rects;
    r[0] = QRect(0, skin[0].y(), skin[0].width(), skin[0].height());
    r[2] = QRect(width() - skin[2].width(), skin[2].y(), skin[2].width(), skin[2].height());
    r[1] = QRect(r[0].right() + 1, skin[1].y(), r[2].left() - r[0].right() - 1, skin[1].height());
}

void ZRSlider::resizeEvent(QResizeEvent* e) {
    QSBWidget::resizeEvent(e);
    updateLayout();
    layoutGroove(m_grooveNormal);
    layoutGroove(m_grooveDisabled);
}

void ZRSlider::drawGroove(const Groove& groove, const QRegion& clip, QImage& target,
                          const QPoint& origin) const {
    if (groove.absent) return;
    if (groove.images[1] && !groove.images[1]->isNull())
        tileImageClipped(clip, target, groove.rects[1].translated(origin), *groove.images[1], 0, 0);
    for (int i : {0, 2}) {
        if (groove.images[i] && !groove.images[i]->isNull())
            blendImageClipped(clip, target, groove.rects[i].topLeft() + origin, *groove.images[i]);
    }
}

void ZRSlider::paintEvent(QPaintEvent* e) {
    QImage* target = composedImage();
    if (!target || target->isNull()) {
        QSBWidget::paintEvent(e);
        return;
    }
    const QRegion region = e->region().intersected(rect());
    composeRegion(region);
    const QPoint origin = mapPointToSkinRoot(QPoint(0, 0));
    const QRegion clip = region.translated(origin);

    KnobState knob = KnobNormal;
    if (!isEnabled()) {
        drawGroove(m_grooveDisabled, clip, *target, origin);
        knob = KnobDisabled;
    } else {
        drawGroove(m_grooveNormal, clip, *target, origin);
        if (m_overKnob || dragging()) knob = KnobOver;
    }
    if (!m_knob.images[knob] || m_knob.images[knob]->isNull()) knob = KnobNormal;
    if (const QImage* image = m_knob.images[knob]; image && !image->isNull()) {
        const QPoint at = m_knobRect.topLeft() + origin +
                          (m_knob.rects[knob].topLeft() - m_knob.rects[KnobNormal].topLeft());
        blendImageClipped(clip, *target, at, *image);
    }

    QPainter painter(this);
    for (const QRect& r : region)
        presentComposedRect(painter, r);
}
