#pragma once

#include "engine/base/ZRPos.h"
#include "engine/render/ZRImage.h"
#include "engine/util/ZRYieldingMutex.h"

#include <memory>

class ZREngineServices;
class ZRObject;
class ZRTrackTable;

/// The timeline's compositor: the frame buffer and two work buffers, and the render mutex that
/// serialises composing into them. Every video track's object at a position draws itself,
/// transitions mix their two neighbours, effects run and overlays are blended over the frame.
/// Thread-safety: `compose` runs on any thread that holds the frame buffer's lock, and
/// `composeInto` on any number of threads at once, each into buffers of its own; both hold the
/// render mutex shared (stepping aside for a waiting setter between frames) and, briefly, the
/// timeline mutex. The compositor's buffers are replaced only under the frame buffer's lock and
/// the render mutex held exclusively (`resize`). The pass-through nominee is the composing
/// thread's own.
class ZRCompositor {
public:
    ZRCompositor(ZREngineServices& services, ZRTrackTable& tracks);
    ZRCompositor(const ZRCompositor&) = delete;
    ZRCompositor& operator=(const ZRCompositor&) = delete;

    /// Buffer 0 is the frame `compose` writes; 1 and 2 are its work buffers.
    ZRImage* buffer(int index) const { return m_buffers[index].get(); }
    ZRYieldingMutex& renderMutex() { return m_renderMutex; }
    /// True for the object the composition in progress on the calling thread lets hand its
    /// source's native frame on.
    static bool isPassThroughNominee(const ZRObject* object);

    /// Composes the frame at `at` into buffer 0, whose lock the caller holds and whose pixels
    /// exist. A frame left with nothing drawn is cleared to the background colour; a composed
    /// one (transition, effect, overlay) carries no native data. An exception from an object
    /// is reported to the debug output and the host's debug entry.
    void compose(const ZRPos& at);
    /// `compose` into `frame` with the work buffers `bufferA` and `bufferB`, the caller's own
    /// (locked by nobody else); the frame's pixels exist. A work buffer without pixels is made
    /// at the frame's size when a frame first needs it.
    void composeInto(const ZRPos& at, ZRImage* frame, ZRImage* bufferA, ZRImage* bufferB);
    /// Makes the three buffers width x height. The caller holds buffer 0's lock and the render
    /// mutex.
    void resize(int width, int height);

private:
    ZREngineServices& m_services;
    ZRTrackTable& m_tracks;
    std::unique_ptr<ZRImage> m_buffers[3];
    /// Held shared by every frame's composition; destroying or changing what a render may use
    /// holds it exclusively and so waits for the frames in flight.
    ZRYieldingMutex m_renderMutex;
};
