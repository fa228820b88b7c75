#pragma once

#include <cstdint>

/// Frame counts of a node that receives frames from a device or queues them for a writer.
/// Either may be called from any thread.
class IZRDroppedFrames {
public:
    virtual ~IZRDroppedFrames() = default;
    /// Whole frames the node took in since the graph last left the stopped state.
    virtual int64_t framesNotDropped() const = 0;
    /// Frames it lost since then (incomplete frames, frames it could not queue).
    virtual int64_t framesDropped() const = 0;
};
