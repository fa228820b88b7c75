#pragma once

#include <cstdint>

class ZRTimelineScale;

/// Where an object lies on a track in content pixels: its first pixel, its width and its last
/// pixel (at fine zoom the last pixel of its end frame).
struct ZRObjectEdges {
    int64_t startX = 0;
    int64_t widthX = 0;
    int64_t endX = 0;
};

/// The edges of an object from `start` lasting `duration` frames and ending at frame `end`.
ZRObjectEdges objectEdges(const ZRTimelineScale& scale, double start, double duration, double end);

/// The part of an object a content x hits: 0 the start zone, 1 the end zone, 2 the body. An
/// object narrower than `minWidth` pixels has no zones.
int hitPart(int64_t x, const ZRObjectEdges& edges, int minWidth, int startWidth, int endWidth);

/// One step of an edge trim, in frames: the object as it is on its track, the live trim so far
/// and the room its neighbours leave.
struct ZRTrimInput {
    /// 0 the start edge, 1 the end edge.
    int edge = 1;
    double start = 0.0, end = 0.0, duration = 0.0;
    double markIn = 0.0, markOut = 0.0, sourceLength = 0.0;
    /// The live trim: the object's first and last frame so far.
    double trimStart = 0.0, trimEnd = 0.0;
    /// The first and last frame the object may reach.
    double minPos = 0.0, maxPos = 0.0;
    /// A transition's longest length (the clips around it limit it); `trimStep` ignores it.
    double maxLength = 0.0;
    /// Pointer travel in pixels since the press.
    int64_t dx = 0;
};

/// The trim after one step. The live range never shrinks below one frame and never starts
/// before frame 0.
struct ZRTrimOutput {
    double trimStart = 0.0, trimEnd = 0.0;
    /// The marks the object would take.
    double markIn = 0.0, markOut = 0.0;
    /// The dragged edge moved to another pixel: the track needs a repaint.
    bool moved = false;
};

/// A track object's trim step: an end stops a frame before the next object (or the room's
/// end), a start a frame after the previous one, neither leaves the source: a start lengthened
/// past the mark-in stops at mark-in 0, an end stops at the source's end. Pure.
ZRTrimOutput trimStep(const ZRTrimInput& in, const ZRTimelineScale& scale);

/// A transition's trim step: as `trimStep`, but the length never exceeds `maxLength` (the
/// start edge keeps the mark-in). Pure.
ZRTrimOutput transitionTrimStep(const ZRTrimInput& in, const ZRTimelineScale& scale);
