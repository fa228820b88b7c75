#pragma once

#include "ZRPlaybackTypes.h"

#include <QImage>
#include <QPointer>
#include <QRect>
#include <QWidget>

#include <functional>
#include <memory>
#include <mutex>

/// The pipeline's video window: a widget that paints the last presented frame over its whole
/// area in `paintEvent`. It lives in an owner widget as a child (or as a window of its own
/// without one, or in full-screen mode), and passes its key events to a message drain.
/// GUI thread only, except `presentFrame`, which any thread may call.
class ZRVideoSurface final : public QWidget {
    Q_OBJECT
public:
    explicit ZRVideoSurface(QWidget* parent = nullptr);
    ~ZRVideoSurface() override;

    /// Hands a frame over for painting (thread-safe); the latest frame wins.
    void presentFrame(const QImage& frame, ZRMediaTime time);
    /// The frame painted next, and its time (-1 before any).
    QImage currentFrame() const;
    ZRMediaTime currentFrameTime() const;

    /// Makes the surface a child of `owner` (null: a window of its own), keeping visibility.
    void setOwner(QWidget* owner);
    QWidget* owner() const { return m_owner; }
    /// Where key events go (null: nowhere but the surface itself).
    void setMessageDrain(QObject* drain) { m_drain = drain; }
    QObject* messageDrain() const { return m_drain; }
    /// Switches full-screen mode (a window over the whole screen, the cursor blank, the keyboard
    /// grabbed) and back; true when the mode is now as asked.
    bool setFullScreenMode(bool on);
    bool fullScreenMode() const { return m_fullScreen; }

    /// Called when the surface is closed (it hides, and is not deleted).
    std::function<void()> onUserClose;
    /// Called first thing in the destructor, before anything of the surface is gone.
    std::function<void()> onDestroy;

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    mutable std::mutex m_frameMutex;
    QImage m_frame;
    ZRMediaTime m_frameTime = -1;
    bool m_updatePending = false;

    QPointer<QWidget> m_owner;
    QPointer<QObject> m_drain;
    bool m_fullScreen = false;
    QRect m_windowedGeometry;
    bool m_windowedVisible = false;
};
