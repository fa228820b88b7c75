#include "platform/playback/ZRVideoSurface.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QPainter>

namespace {

const QEvent::Type kFrameEvent = QEvent::Type(QEvent::registerEventType());

} // namespace

ZRVideoSurface::ZRVideoSurface(QWidget* parent)
    : QWidget(parent), m_frameEvent(std::make_unique<QEvent>(kFrameEvent)), m_owner(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    setWindowTitle(QStringLiteral("Clipstead"));
}

ZRVideoSurface::~ZRVideoSurface() {
    if (onDestroy) onDestroy();
}

void ZRVideoSurface::presentFrame(std::shared_ptr<const ZRVideoFrame> frame, ZRMediaTime time) {
    std::lock_guard lock(m_frameMutex);
    m_frame = std::move(frame);
    m_frameTime = time;
    // Events still queued when the surface dies are dropped with it.
    if (m_frameEvent) QCoreApplication::postEvent(this, m_frameEvent.release());
}

namespace {

/// The frame's pixels as an image that borrows them.
QImage wrap(const ZRVideoFrame& f) {
    return QImage(f.pixels.data(), f.width, f.height, f.stride, QImage::Format_RGB32);
}

} // namespace

QImage ZRVideoSurface::currentFrame() const {
    std::lock_guard lock(m_frameMutex);
    return m_frame ? wrap(*m_frame).copy() : QImage();
}

ZRMediaTime ZRVideoSurface::currentFrameTime() const {
    std::lock_guard lock(m_frameMutex);
    return m_frameTime;
}

bool ZRVideoSurface::event(QEvent* e) {
    if (e->type() == kFrameEvent) {
        {
            std::lock_guard lock(m_frameMutex);
            m_frameEvent = std::make_unique<QEvent>(kFrameEvent);
        }
        update();
        return true;
    }
    return QWidget::event(e);
}

void ZRVideoSurface::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    std::shared_ptr<const ZRVideoFrame> frame;
    {
        std::lock_guard lock(m_frameMutex);
        frame = m_frame;
    }
    if (frame)
        painter.drawImage(rect(), wrap(*frame));
    else
        painter.fillRect(rect(), Qt::black);
}

void ZRVideoSurface::keyPressEvent(QKeyEvent* e) {
    if (m_drain) {
        QKeyEvent copy(e->type(), e->key(), e->modifiers(), e->text(), e->isAutoRepeat(),
                       ushort(e->count()));
        QCoreApplication::sendEvent(m_drain, &copy);
        e->setAccepted(copy.isAccepted());
        return;
    }
    QWidget::keyPressEvent(e);
}

void ZRVideoSurface::keyReleaseEvent(QKeyEvent* e) {
    if (m_drain) {
        QKeyEvent copy(e->type(), e->key(), e->modifiers(), e->text(), e->isAutoRepeat(),
                       ushort(e->count()));
        QCoreApplication::sendEvent(m_drain, &copy);
        return;
    }
    QWidget::keyReleaseEvent(e);
}

void ZRVideoSurface::closeEvent(QCloseEvent* e) {
    // Closing the video window hides it and aborts playback; the surface stays for the pipeline
    // (and never holds up the program's quitting).
    QWidget::closeEvent(e);
    if (onUserClose) onUserClose();
}

void ZRVideoSurface::setOwner(QWidget* owner) {
    if (m_fullScreen) setFullScreenMode(false);
    const bool visible = isVisible();
    m_owner = owner;
    setParent(owner, owner ? Qt::Widget : Qt::Window);
    if (visible) show();
}

bool ZRVideoSurface::setFullScreenMode(bool on) {
    if (on == m_fullScreen) return true;
    if (on) {
        m_windowedGeometry = geometry();
        m_windowedVisible = isVisible();
        setParent(nullptr, Qt::Window);
        showFullScreen();
        m_fullScreen = true;
        grabKeyboard();
        setCursor(Qt::BlankCursor);
    } else {
        m_fullScreen = false;
        unsetCursor();
        releaseKeyboard();
        showNormal();
        setParent(m_owner, m_owner ? Qt::Widget : Qt::Window);
        setGeometry(m_windowedGeometry);
        setVisible(m_windowedVisible);
    }
    return true;
}
