#pragma once

#include <QEvent>
#include <QString>

/// A position as a frame notice carries it: total frames at a frame rate.
struct ZRFramePosition {
    int frames = 0;
    double rate = 0.0;

    bool operator==(const ZRFramePosition&) const = default;
};

/// Engine notifications brought onto the GUI thread; posted events are owned by Qt once posted.

/// 3000: the background renderer stored the frame at a position (sent to the storyboard and the
/// timeline view).
class ZRFrameRenderedEvent : public QEvent {
public:
    static constexpr QEvent::Type kType = QEvent::Type(3000);

    explicit ZRFrameRenderedEvent(ZRFramePosition position) : QEvent(kType), m_position(position) {}
    ZRFramePosition position() const { return m_position; }

private:
    ZRFramePosition m_position;
};

/// 3001: the background renderer stopped because a frame could not be stored (to the main
/// window).
class ZRRendererHaltedEvent : public QEvent {
public:
    static constexpr QEvent::Type kType = QEvent::Type(3001);

    ZRRendererHaltedEvent() : QEvent(kType) {}
};

/// 3002: an object of a project could not be made and a blank one replaced it (to the main
/// window); the text names it, null when the engine gave none.
class ZRLoadFailedEvent : public QEvent {
public:
    static constexpr QEvent::Type kType = QEvent::Type(3002);

    explicit ZRLoadFailedEvent(QString text) : QEvent(kType), m_text(std::move(text)) {}
    const QString& text() const { return m_text; }

private:
    QString m_text;
};
