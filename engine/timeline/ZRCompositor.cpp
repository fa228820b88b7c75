// Composing the picture of the whole timeline at one position (videoAt): every video track's
// object draws itself, transitions mix their two neighbours, effects run, overlays are blended.
#include "engine/timeline/ZRCompositor.h"

#include "engine/base/ZREngineServices.h"
#include "engine/base/ZRHostCallbacks.h"
#include "engine/base/ZRRenderTime.h"
#include "engine/objects/ZRObject.h"
#include "engine/render/ZROverlayBlend.h"
#include "engine/timeline/ZRTrackTable.h"

#include <QByteArray>
#include <QtGlobal>

#include <algorithm>
#include <array>
#include <cmath>
#include <mutex>

namespace {

constexpr const char* kVideoAtException = "Exception in videoAt(...), Module: "
                                          "'ZRTimeline_MediaAccess'\n";

ZRPixelView view(IZRImage* image) {
    return {image->pixels(), image->width(), image->height(), image->stride()};
}

// position - object start + object mark-in: where in its source the object is.
ZRPos sourcePosition(const ZRObjectPlacement& placed, const ZRPos& position) {
    ZRPos s = position;
    s.subtract(&placed.start);
    s.add(&placed.markIn);
    return s;
}

// The frame a pass-through may hand on is the one that would be composed unchanged: one object
// alone at the position, drawn straight into the frame, without effects or transition, from a
// media source whose picture already has the frame's size.
const ZRObject*
passThroughNominee(const std::array<ZRObject*, ZRTrackTable::kTrackCount + 2>& found,
                   const IZRImage* frame) {
    const ZRObject* only = nullptr;
    for (ZRObject* object : found) {
        if (!object) continue;
        if (only) return nullptr;
        only = object;
    }
    if (!only || only->isTransition() || only->overlay().mode != 0 ||
        only->hasEffectsOrTransition() || !only->mediaSource())
        return nullptr;
    int width = 0, height = 0;
    if (!only->mediaSource()->videoDimensions(&width, &height) || width != frame->width() ||
        height != frame->height())
        return nullptr;
    return only;
}

// One input of a transition: the neighbour's picture with its effects, or the background
// colour where there is no neighbour with a picture of its own.
void renderTransitionInput(ZRObject* neighbour, const ZRObjectPlacement& placed,
                           const ZRPos& position, ZRImage* target, ZRImage* scratch) {
    if (!neighbour || neighbour->isTransition()) {
        target->clear();
        return;
    }
    ZRPos s = sourcePosition(placed, position);
    neighbour->renderVideoPlaced(&s, target, placed);
    if (neighbour->effects()) neighbour->applyEffects(target, scratch, &s, placed.markIn);
}

// Blends the overlay `object` drew into `overlay` over `frame` at timeline position `x`.
void blendOverlay(ZRObject* object, const ZRObjectPlacement& placed, const ZRPos& x,
                  ZRImage* overlay, ZRImage* frame) {
    const ZRObject::Overlay& o = object->overlay();
    ZROverlayParameters p;
    p.mode = o.mode;
    p.keyRed = o.red;
    p.keyGreen = o.green;
    p.keyBlue = o.blue;
    p.keyY = o.y;
    p.keyU = o.u;
    p.keyV = o.v;
    p.match = o.match;
    p.smooth = o.smooth;
    p.invertKey = o.invertKey != 0;
    const double elapsed = zrMilliseconds(&x) - zrMilliseconds(&placed.start);
    const double remaining = zrMilliseconds(&placed.end) - zrMilliseconds(&x);
    const ZROverlayFade fade =
        zrOverlayFade(o.fadeIn != 0, o.fadeOut != 0, o.fadeTime, o.opacity, elapsed, remaining);
    p.fading = fade.fading;
    p.transparency = fade.transparency;
    std::lock_guard overlayLock(*overlay);
    zrBlendOverlay(view(overlay), view(frame), p);
}

} // namespace

ZRCompositor::ZRCompositor(ZREngineServices& services, ZRTrackTable& tracks)
    : m_services(services), m_tracks(tracks) {
    for (auto& image : m_buffers)
        image = std::make_unique<ZRImage>(&services);
}

void ZRCompositor::resize(int width, int height) {
    for (auto& image : m_buffers)
        image->create(width, height, 0);
}

namespace {
// The object the composition running on this thread lets hand its source's native frame on:
// each composing thread has its own.
thread_local const ZRObject* t_passThroughNominee = nullptr;
} // namespace

bool ZRCompositor::isPassThroughNominee(const ZRObject* object) {
    return object && object == t_passThroughNominee;
}

void ZRCompositor::compose(const ZRPos& at) {
    composeInto(at, m_buffers[0].get(), m_buffers[1].get(), m_buffers[2].get());
}

void ZRCompositor::composeInto(const ZRPos& at, ZRImage* frame, ZRImage* bufferA,
                               ZRImage* bufferB) {
    constexpr int kTrackCount = ZRTrackTable::kTrackCount;
    bool fresh = true;
    bool composed = false;
    try {
        // Composers step aside for a waiting setter between frames.
        const auto renderLock = m_renderMutex.holdShared();
        // Every track's object at the position and where it lies, copied under one hold of the
        // timeline mutex: edits wait only for this, not for the frame. Slots 0 and
        // kTrackCount + 1 stay empty so that both neighbours of any track can be read.
        std::array<ZRObject*, kTrackCount + 2> found{};
        std::array<ZRObjectPlacement, kTrackCount + 2> placed;
        {
            std::lock_guard timelineLock(m_tracks.mutex());
            const double frameNumber = at.toFrames();
            for (int t = 1; t <= kTrackCount; ++t) {
                ZRObject* o = dynamic_cast<ZRObject*>(m_tracks.objectAt(t, frameNumber, true));
                found[size_t(t)] = o;
                if (o) placed[size_t(t)] = m_tracks.placementOf(o);
            }
        }
        t_passThroughNominee =
            m_services.exportPassThrough() ? passThroughNominee(found, frame) : nullptr;

        for (int t = 1; t <= kTrackCount; ++t) {
            ZRObject* o = found[size_t(t)];
            if (!o) continue;
            const ZRObjectPlacement& p = placed[size_t(t)];
            ZRPos s = sourcePosition(p, at);
            const bool overlay = o->overlay().mode != 0;
            // Work buffers a caller left without pixels are made on first need, at the frame's
            // size: most frames of an export need none.
            if (o->isTransition() || overlay || o->effects())
                for (ZRImage* work : {bufferA, bufferB})
                    if (!work->pixels()) work->create(frame->width(), frame->height(), 0);
            bool draw = true;
            if (!o->isTransition()) {
                const ZRObject* next = found[size_t(t + 1)];
                const ZRObject* previous = found[size_t(t - 1)];
                if (next && next->isTransition()) draw = false;
                if (t >= 3 && previous && previous->isTransition()) draw = false;
                if (draw) o->renderVideoPlaced(&s, overlay ? bufferA : frame, p);
            } else {
                composed = true;
                renderTransitionInput(found[size_t(t - 1)], placed[size_t(t - 1)], at, bufferA,
                                      frame);
                renderTransitionInput(found[size_t(t + 1)], placed[size_t(t + 1)], at, bufferB,
                                      frame);
                // A transition of no length stays at its start.
                const double progress =
                    std::clamp(zrProgress(&s, &p.duration, 10000.0), 0.0, 10000.0);
                int direction = 0;
                o->getIntSetting("Transition Direction", &direction);
                // Half a step above the integer, so that the object's scaling truncates back
                // to exactly it.
                const double fraction = (progress + 0.5) / 10000.0;
                if (direction == 0)
                    o->renderTransition(bufferA, bufferB, frame, fraction);
                else
                    o->renderTransition(bufferB, bufferA, frame, fraction);
            }
            if (o->effects() && draw) {
                composed = true;
                o->applyEffects(overlay ? bufferA : frame, bufferB, &s, p.markIn);
            }
            // An overlay beside a transition drew nothing: buffer A then holds the transition's
            // input, which must not be laid over its output.
            if (overlay && draw) {
                composed = true;
                if (fresh) frame->clear();
                blendOverlay(o, p, at, bufferA, frame);
            }
            fresh = false;
        }
        t_passThroughNominee = nullptr;
    } catch (...) {
        t_passThroughNominee = nullptr;
        qWarning("%s", QByteArray(kVideoAtException).trimmed().constData());
        m_services.host().debug(kVideoAtException);
    }
    if (composed) frame->resetNative();
    if (fresh) frame->clear();
}
