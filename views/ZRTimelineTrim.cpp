#include "views/ZRTimelineTrim.h"

#include "views/ZRTimelineScale.h"

#include <algorithm>
#include <cmath>

namespace {

/// At one frame or more per pixel an end is its own pixel; at finer zoom it is the last pixel
/// of the end frame.
bool coarse(const ZRTimelineScale& s) {
    return std::trunc(s.framesPerUnit() / s.pixelsPerUnit()) >= 1.0;
}

int64_t lastPixel(const ZRTimelineScale& s, double frame) {
    return coarse(s) ? s.xOfFrames(frame) : s.xOfFrames(frame + 1.0) - 1;
}

struct Pixels {
    int64_t minX, maxX, startX, endX, oldStartX, oldEndX;
};

Pixels pixelsOf(const ZRTrimInput& in, const ZRTimelineScale& s) {
    return {lastPixel(s, in.minPos), s.xOfFrames(in.maxPos),    s.xOfFrames(in.start),
            lastPixel(s, in.end),    s.xOfFrames(in.trimStart), lastPixel(s, in.trimEnd)};
}

/// The end edge's new pixel, kept between the object's start and the room's end.
int64_t endEdgeX(const ZRTrimInput& in, const Pixels& p) {
    return std::max(std::min(p.endX + in.dx, p.maxX), p.startX);
}

/// Whatever the arithmetic gave, the live range keeps one frame and starts at frame 0 or later.
ZRTrimOutput settled(ZRTrimOutput out) {
    out.trimStart = std::max(0.0, out.trimStart);
    out.trimEnd = std::max(out.trimEnd, out.trimStart);
    return out;
}

/// Source-end limit shared by both kinds: the marks never pass the source's length.
void keepWithinSource(const ZRTrimInput& in, ZRTrimOutput& out) {
    if (in.sourceLength < out.markOut) {
        out.markOut = in.sourceLength;
        out.trimEnd = out.trimStart + (out.markOut - out.markIn) - 1.0;
    }
}

/// The end edge's step, shared by both kinds: a lengthened end keeps the mark-out within
/// `longest` (the source's length, or a transition's longest length).
ZRTrimOutput endEdgeStep(const ZRTrimInput& in, const Pixels& p, const ZRTimelineScale& s,
                         double longest) {
    ZRTrimOutput out{in.trimStart, in.trimEnd, in.markIn, in.markOut, false};
    const int64_t x = endEdgeX(in, p);
    out.trimEnd = double(s.framesAt(x));
    if (out.trimEnd <= in.end) {
        out.markOut -= in.end - out.trimEnd;
        if (out.markOut <= out.markIn) out.trimEnd = out.trimStart;
    } else {
        out.markOut += out.trimEnd - in.end;
        if (longest < out.markOut) out.trimEnd = out.trimStart + longest - 1.0 - out.markIn;
    }
    keepWithinSource(in, out);
    out.moved = x != p.oldEndX;
    return settled(out);
}

} // namespace

ZRObjectEdges objectEdges(const ZRTimelineScale& scale, double start, double duration, double end) {
    return {scale.xOfFrames(start), scale.xOfFrames(duration), lastPixel(scale, end)};
}

int hitPart(int64_t x, const ZRObjectEdges& e, int minWidth, int startWidth, int endWidth) {
    if (e.widthX < minWidth) return 2;
    if (e.startX <= x && x < e.startX + startWidth) return 0;
    if (e.endX - endWidth < x && x <= e.endX) return 1;
    return 2;
}

ZRTrimOutput trimStep(const ZRTrimInput& in, const ZRTimelineScale& s) {
    const Pixels p = pixelsOf(in, s);
    ZRTrimOutput out{in.trimStart, in.trimEnd, in.markIn, in.markOut, false};
    if (in.edge == 1) return endEdgeStep(in, p, s, in.sourceLength);
    int64_t x = p.startX + in.dx;
    if (x > p.oldEndX) return settled(out);
    x = std::max(x, p.minX);
    out.trimStart = double(s.framesAt(x));
    if (out.trimStart <= in.start) {
        const double d = in.start - out.trimStart;
        if (out.markIn < d) {
            out.trimStart = in.start - out.markIn;
            out.markIn = 0.0;
        } else {
            out.markIn -= d;
        }
    } else {
        out.markIn += out.trimStart - in.start;
        if (in.markOut <= out.markIn) out.trimStart = in.end;
    }
    out.moved = x != p.oldStartX;
    return settled(out);
}

ZRTrimOutput transitionTrimStep(const ZRTrimInput& in, const ZRTimelineScale& s) {
    const Pixels p = pixelsOf(in, s);
    ZRTrimOutput out{in.trimStart, in.trimEnd, in.markIn, in.markOut, false};
    if (in.edge == 1) return endEdgeStep(in, p, s, in.maxLength);
    int64_t x = p.startX + in.dx;
    if (x > p.oldEndX) return settled(out);
    x = std::max(x, p.minX);
    out.trimStart = double(s.framesAt(x));
    if (out.trimStart != in.start) {
        const double length = out.trimEnd + 1.0 - out.trimStart;
        out.markOut = length;
        if (in.maxLength < length) out.trimStart = out.trimEnd + 1.0 - in.maxLength;
    }
    out.moved = x != p.oldStartX;
    // A transition without room keeps one frame: the start never passes the end.
    out.trimStart = std::min(out.trimStart, out.trimEnd);
    return settled(out);
}
