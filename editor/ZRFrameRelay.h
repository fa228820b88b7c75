#pragma once

#include "editor/ZREngineEvents.h"

#include <QObject>

#include <memory>
#include <vector>

class IZRPos;

/// Brings the background renderer's notices onto the GUI thread. The renderer thread hands each
/// frame position (and a halt) over under the relay's own mutex and wakes the relay with one
/// posted event; the relay then sends each position, as `ZRFrameRenderedEvent`, to the storyboard
/// and the timeline view of `appState()` that exist and are visible at that moment, and posts
/// `ZRRendererHaltedEvent` to the main window. At most one relay exists; while none does (before
/// start-up and after shut-down) notices are dropped. Make and destroy it on the GUI thread.
class ZRFrameRelay : public QObject {
public:
    /// Becomes the process-wide relay.
    explicit ZRFrameRelay(QObject* parent = nullptr);
    /// Stops being the relay; notices still pending are dropped.
    ~ZRFrameRelay() override;

    /// Any thread: a frame at `position` was stored. Null is ignored.
    static void frameRendered(const IZRPos* position);
    /// Any thread: the background renderer stopped.
    static void rendererHalted();

protected:
    bool event(QEvent* event) override;

private:
    void deliver();
    void wake();

    // Guarded by the relay mutex.
    std::vector<ZRFramePosition> m_frames;
    bool m_halted = false;
    /// The next wake-up, made on the GUI thread; null while one is posted.
    std::unique_ptr<QEvent> m_wake;
};
