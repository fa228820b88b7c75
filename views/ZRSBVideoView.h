#pragma once

#include "classes/widgets/QSBWidget.h"

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

class IZRImage;
class IZRObject;
class IZRPos;
class IZRTimeline;

/// A skinned widget that shows one engine frame, rendered by a painting thread of its own so
/// that a slow render never blocks the GUI thread.
///
/// The GUI side records what is to be shown (timeline, object, position, size) under the state
/// lock, counts the request and wakes the thread. The thread takes a snapshot of that state
/// under the state lock, renders with `renderFrame` into the back one of two engine images,
/// swaps them under the state lock and queues a repaint; a frame whose request is older than
/// the latest one is dropped. `paintEvent` alone paints the widget: the front image, or the
/// skin background (tinted while `tintBackground` is set) when no frame is shown.
///
/// Locks: the paint lock (`lock`/`tryLock`/`unlock`) is held by the thread for a whole render
/// pass and by every painting; the state lock guards the fields below. Where both are taken, the
/// paint lock comes first. The paint handler never blocks on the paint lock. The widget's own
/// slots and handlers run on the GUI thread.
///
/// A subclass that overrides `renderFrame` calls `stopThread()` first thing in its destructor,
/// so that the thread never runs a render step of a half-destroyed object.
class ZRSBVideoView : public QSBWidget {
    Q_OBJECT
public:
    /// ARGB colour blended over the background when no frame is shown.
    static constexpr uint32_t kTintColour = 0x54787878;

    explicit ZRSBVideoView(QWidget* parent = nullptr, const char* name = nullptr);
    /// Stops the thread (no time-out) and gives the positions and images back to the timeline.
    ~ZRSBVideoView() override;

    /// Gives the positions and images back to the previous timeline's factory and makes new ones
    /// with `timeline`'s (none for null). Waits for a render pass in progress. Returns the
    /// previous timeline.
    virtual IZRTimeline* setTimeline(IZRTimeline* timeline);
    IZRTimeline* timeline() const;

    /// The paint lock.
    virtual void lock();
    virtual bool tryLock();
    virtual void unlock();

    bool tintBackground() const;
    void setTintBackground(bool on);

public Q_SLOTS:
    /// Shows `object`'s frame at `position` (a source position); a null position disables the
    /// view, which then shows the background. The position is copied.
    virtual void gotoPosition(IZRObject* object, IZRPos* position, QWidget* sender);
    /// Asks the thread to render again; ignored when `sender` is this view or while suspended.
    virtual void updateContents(QWidget* sender);
    /// Forgets `object` (any object for null) and returns once the thread no longer renders it.
    virtual void deleteObject(IZRObject* object);
    /// From now on `updateContents` is ignored.
    virtual void suspendThread();
    /// Ends a suspension and renders once.
    virtual void resumeThread();

protected:
    /// What one render pass works on, copied under the state lock.
    struct RenderRequest {
        IZRTimeline* timeline = nullptr;
        IZRObject* object = nullptr;
        /// The thread's own copy of the position; valid for the pass.
        IZRPos* position = nullptr;
        int width = 0;
        int height = 0;
        uint64_t number = 0;
        bool enabled = false;
    };

    /// The render step, on the painting thread with the paint lock held: draws the frame into
    /// `target` (already allocated at the request's size). True when a frame was drawn; false
    /// shows the background. The base view renders the request's object at its position.
    virtual bool renderFrame(const RenderRequest& request, IZRImage* target);

    /// The second position made with the first, for subclasses; GUI thread. Null without a
    /// timeline.
    IZRPos* secondPosition() const { return m_secondPosition; }

    /// Starts the painting thread when it does not run.
    void startThread();
    /// Ends the painting thread and waits for it, without a time-out. Safe to call twice.
    void stopThread();

    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void changeEvent(QEvent* e) override;

Q_SIGNALS:
    /// Emitted by the painting thread when a new frame is ready; queued to `update`.
    void frameReady();

private:
    void run();
    void renderPass();
    /// Marks a repaint pending and wakes the thread; the caller holds the state lock.
    void requestLocked();
    void paintBackground(QPainter& painter, const QRegion& region, bool tint);
    void releaseEngineData();

    std::mutex m_paint;
    mutable std::mutex m_state;
    std::condition_variable m_wake;
    std::thread m_thread;

    // Guarded by m_state. Images and positions are changed only with both locks held.
    IZRTimeline* m_timeline = nullptr;
    IZRObject* m_object = nullptr;
    IZRPos* m_position = nullptr;
    /// Made and destroyed together with the position, for subclasses.
    IZRPos* m_secondPosition = nullptr;
    /// The last position asked for, as values: the painting thread makes its own position of
    /// them for each pass, so that it never touches the positions the engine rewrites on the GUI
    /// thread when the project's frame rate changes.
    struct PositionValues {
        int hours = 0, minutes = 0, seconds = 0, frames = 0;
        double rate = 0.0;
        bool valid = false;
    } m_requested;
    IZRImage* m_images[2] = {nullptr, nullptr};
    int m_front = 0;
    bool m_frontValid = false;
    bool m_dirty = false;
    bool m_suspended = false;
    bool m_stopRequested = false;
    bool m_enabled = true;
    bool m_tint = true;
    uint64_t m_request = 0;
    int m_width = 0;
    int m_height = 0;
};
