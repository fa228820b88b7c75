#pragma once

#include "platform/dvcodec/DVFrame.h"

#include <array>
#include <memory>
#include <span>

namespace platform {

/// Encodes one 32-bit BGRA picture (bytes blue, green, red, alpha; rows top-down) into one DV
/// frame, over libavcodec's DV encoder: 720 x 576 pictures become 144000-byte frames of the
/// 625-line system (4:2:0), 720 x 480 pictures 120000-byte frames of the 525-line system
/// (4:1:1). Alpha is ignored; 4:2:0 chroma is the mean of each 2 x 2 block. The codec state of each
/// system is made on first use and kept. Thread-safety: an encoder is used by one thread at a time;
/// separate encoders are independent and may work in parallel.
class DVEncoder {
public:
    DVEncoder();
    ~DVEncoder();
    DVEncoder(const DVEncoder&) = delete;
    DVEncoder& operator=(const DVEncoder&) = delete;

    /// Writes the DV frame of the `width` x `height` picture at `pixels` (rows `stride` bytes
    /// apart) into the first `dvFrameSize(width, height)` bytes of `frame`. `length` is the
    /// frame's size on success and 0 on failure; on failure `frame` is left as it was.
    [[nodiscard]] DVStatus encode(const unsigned char* pixels, int stride, int width, int height,
                                  std::span<unsigned char> frame, size_t& length);

private:
    struct System;
    System* system(int height, DVStatus& status);

    // One per video system: [0] 625 lines, [1] 525 lines.
    std::array<std::unique_ptr<System>, 2> m_systems;
};

} // namespace platform
