#pragma once

#include "platform/dvcodec/DVEncoder.h"

#include <atomic>
#include <memory>

/// A timeline's DV live output: whether it runs, its mode (1), the DV frame size of the video
/// height (120000 or 144000 bytes), whether the last frame handed out was passed through as
/// the source's own DV data, and the encoder with the buffer that holds the last encoded frame
/// (valid until the next frame).
/// Thread-safety: the flags are atomics; one caller at a time hands out frames.
struct ZRDVOutputState {
    std::atomic<bool> active{false};
    std::atomic<int> mode{0};
    std::atomic<int> frameSize{0};
    std::atomic<bool> passThrough{false};
    platform::DVEncoder encoder;
    /// Allocated on the first encoded frame, kDVMaxFrameSize bytes.
    std::unique_ptr<unsigned char[]> buffer;
};
