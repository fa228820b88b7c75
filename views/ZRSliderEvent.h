#pragma once

#include <QEvent>

/// What the position slider sends to itself beside its signals, so that objects watching it
/// with an event filter learn of each change at once: the new fraction 0..1.
class ZRSliderEvent : public QEvent {
public:
    enum Kind { Position = 4000, MarkIn = 4001, MarkOut = 4002 };

    ZRSliderEvent(Kind kind, double value) : QEvent(QEvent::Type(kind)), m_value(value) {}

    double value() const { return m_value; }

private:
    double m_value;
};
