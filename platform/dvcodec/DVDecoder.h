#pragma once

#include "platform/dvcodec/DVFrame.h"

#include <array>
#include <memory>
#include <span>

namespace platform {

/// Decodes one DV frame (144000 bytes of the 625-line system or 120000 bytes of the 525-line
/// system) into a 32-bit BGRA picture (bytes blue, green, red, alpha; rows top-down), over
/// libavcodec's DV decoder. Decoded pixels get alpha 255. The block is checked before any of
/// it is decoded: its length, the system its header names and the layout of its DIF blocks
/// must all be those of the picture's size. The decoder and its conversions are made on first
/// use and kept.
/// Thread-safety: a decoder is used by one thread at a time; separate decoders are
/// independent and may work in parallel.
class DVDecoder {
public:
    DVDecoder();
    ~DVDecoder();
    DVDecoder(const DVDecoder&) = delete;
    DVDecoder& operator=(const DVDecoder&) = delete;

    /// Decodes `frame` into the `width` x `height` picture at `pixels` (rows `stride` bytes
    /// apart), which must be 720 x 576 for a 144000-byte frame or 720 x 480 for a 120000-byte
    /// one. On failure the picture is left as it was.
    [[nodiscard]] DVStatus decode(std::span<const unsigned char> frame, unsigned char* pixels,
                                  int stride, int width, int height);

private:
    struct State;
    std::unique_ptr<State> m_state;
};

/// True when `frame` has the DIF block layout of one whole frame of the system its length
/// names: 12 (625 lines) or 10 (525 lines) sequences of 150 blocks of 80 bytes, each block
/// marked with its section type and sequence number, and the header's system flag matching.
[[nodiscard]] bool dvFrameLayoutValid(std::span<const unsigned char> frame);

} // namespace platform
