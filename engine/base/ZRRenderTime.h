#pragma once

#include "engine/api/IZRPos.h"

#include <cmath>

/// A position's time in milliseconds, through its frame count so that whole frames give exact
/// values (15 frames at 30 per second are 500 ms, not 500.00000000000006). 0 at a rate of 0.
inline double zrMilliseconds(const IZRPos* p) {
    const double rate = p->framerate();
    return rate > 0.0 ? p->toFrames() * 1000.0 / rate : 0.0;
}

/// trunc(into / length x scale): how far `into` has come through `length`, both spans, counted
/// in frames when both use the same rate (exact for whole frames), else in milliseconds.
/// Negative when `length` is empty, so that callers never divide by zero.
inline double zrProgress(const IZRPos* into, const IZRPos* length, double scale) {
    const bool sameRate = into->framerate() == length->framerate();
    const double done = sameRate ? into->toFrames() : zrMilliseconds(into);
    const double total = sameRate ? length->toFrames() : zrMilliseconds(length);
    if (!(total > 0.0)) return -1.0;
    return std::trunc(done * scale / total);
}
