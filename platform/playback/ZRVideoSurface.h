#pragma once

#include "platform/playback/ZRPlaybackTypes.h"

#include <QImage>
#include <QPointer>
#include <QRect>
#include <QWidget>

#include <functional>
#include <memory>
#include <mutex>
#include <vector>

/// One rendered picture: 32-bit RGB rows (bytes blue, green, red, unused), top-down. Shared
/// between threads through `std::shared_ptr` (whose counts the thread sanitizer sees, unlike
/// those of Qt's implicitly shared images); never changed once handed over.
struct ZRVideoFrame {
    ZRVideoFrame(int w, int h)
        : width(w), height(h), stride(w * 4), pixels(size_t(stride) * size_t(h)) {}
    int width;
    int height;
    int stride;
    std::vector<unsigned char> pixels;
};

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
    void presentFrame(std::shared_ptr<const ZRVideoFrame> frame, ZRMediaTime time);
    /// A copy of the frame painted next (null before any), and its time (-1 before any).
    QImage currentFrame() const;
    ZRMediaTime currentFrameTime() const;

    /// Makes the surface a child of `owner` (null: a window of its own), keeping visibility.
    void setOwner(QWidget* owner);
    QWidget* owner() const { return m_owner; }
    /// Where key events go (null: nowhere but the surface itself).
    void setMessageDrain(QObject* drain) { m_drain = drain; }
    /// Switches full-screen mode (a window over the whole screen, the cursor blank, the keyboard
    /// grabbed) and back; true when the mode is now as asked.
    bool setFullScreenMode(bool on);

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
    std::shared_ptr<const ZRVideoFrame> m_frame;
    ZRMediaTime m_frameTime = -1;
    // The repaint request, made on the GUI thread and only handed to Qt by the presenting
    // thread (Qt's own locks are invisible to the thread sanitizer); null while one is queued.
    std::unique_ptr<QEvent> m_frameEvent;

    QPointer<QWidget> m_owner;
    QPointer<QObject> m_drain;
    bool m_fullScreen = false;
    QRect m_windowedGeometry;
    bool m_windowedVisible = false;
};
