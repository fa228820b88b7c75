#include "capture/ZRJogShuttle.h"

#include "classes/skins/PSDLayer.h"
#include "classes/skins/ZRSkinPreload.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

ZRJogShuttle::ZRJogShuttle(QWidget* parent, QDict<PSDLayer>* layers, const char* name)
    : QSBWidget(parent, name) {
    if (!layers) layers = preloadedSkinSetLayers("capture_buttons", "JOG_SHUTTLE");
    const char* const boxes[2] = {"box_normal", "box_disabled"};
    const char* const knobs[2] = {"knob_normal", "knob_disabled"};
    for (int i = 0; i < 2; ++i) {
        if (const PSDLayer* l = layers ? layers->find(QLatin1String(boxes[i])) : nullptr)
            m_box[i] = l->image.convertToFormat(QImage::Format_ARGB32);
        if (const PSDLayer* l = layers ? layers->find(QLatin1String(knobs[i])) : nullptr)
            m_knob[i] = l->image.convertToFormat(QImage::Format_ARGB32);
    }
    // Without a skin the knob is a plain block of the usual size.
    if (m_knob[0].isNull()) {
        m_knob[0] = QImage(16, 12, QImage::Format_ARGB32);
        m_knob[0].fill(0xFF808080);
    }
    if (m_knob[1].isNull()) m_knob[1] = m_knob[0];
    resize(sizeHint());
    m_position = middle();
}

ZRJogShuttle::~ZRJogShuttle() = default;

QSize ZRJogShuttle::sizeHint() const {
    return m_box[0].isNull() ? QSize(20, 90) : m_box[0].size();
}

int ZRJogShuttle::trackLength() const {
    return std::max(height() - m_knob[0].height() - 2 * kMargin, 1);
}

long ZRJogShuttle::valueAt(int position) const {
    const int length = trackLength();
    // A one-pixel track has a single position: the middle.
    if (length <= 1) return 0;
    position = std::clamp(position, 0, length - 1);
    return long(position) * (2 * kRange) / (length - 1) - kRange;
}

int ZRJogShuttle::positionOf(long value) const {
    const int length = trackLength();
    if (length <= 1) return 0;
    value = std::clamp<long>(value, -kRange, kRange);
    // The smallest position whose value reaches `value`: a ceiling division.
    const long scaled = (value + kRange) * (length - 1);
    return int((scaled + 2 * kRange - 1) / (2 * kRange));
}

QRect ZRJogShuttle::knobRect() const {
    const QSize knob = m_knob[0].size();
    return QRect((width() - knob.width()) / 2, kMargin + m_position, knob.width(), knob.height());
}

void ZRJogShuttle::moveKnob(int position) {
    position = std::clamp(position, 0, trackLength() - 1);
    if (position != m_position) {
        m_position = position;
        update();
    }
    const long v = valueAt(position);
    if (v == m_value) return;
    m_value = v;
    Q_EMIT valueChanged(v);
}

void ZRJogShuttle::setEnabled(bool on) {
    QWidget::setEnabled(on);
    update();
}

void ZRJogShuttle::resizeEvent(QResizeEvent* e) {
    QSBWidget::resizeEvent(e);
    m_position = positionOf(m_value);
}

void ZRJogShuttle::mousePressEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton || !isEnabled()) return;
    const QRect knob = knobRect();
    const int y = int(e->position().y());
    if (knob.contains(e->position().toPoint())) {
        m_dragging = trackLength() > 1;
    } else if (y < knob.top()) {
        moveKnob(positionOf(-kClickStep));
    } else if (y > knob.bottom()) {
        moveKnob(positionOf(kClickStep));
    }
}

void ZRJogShuttle::mouseMoveEvent(QMouseEvent* e) {
    if (!m_dragging) return;
    moveKnob(int(e->position().y()) - m_knob[0].height() / 2 - kMargin);
}

void ZRJogShuttle::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) return;
    m_dragging = false;
    // The knob springs back to the middle.
    moveKnob(middle());
}

void ZRJogShuttle::paintEvent(QPaintEvent* e) {
    QPainter p(this);
    presentComposedRect(p, e->rect());
    const int state = isEnabled() ? 0 : 1;
    if (!m_box[state].isNull()) p.drawImage(QRect(QPoint(0, 0), size()), m_box[state]);
    p.drawImage(knobRect().topLeft(), m_knob[state]);
}
