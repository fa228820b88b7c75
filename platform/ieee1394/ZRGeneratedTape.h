#pragma once

#include <cstdint>
#include <vector>

namespace zrieee1394 {

/// `frames` whole DV frames (PAL 144000 bytes or NTSC 120000), each a grey picture with a bar
/// that moves a step a frame and a 440 Hz tone that carries on from frame to frame, 48 kHz
/// stereo; made with libavcodec's DV encoder and libavformat's DV muxer. Empty on failure.
std::vector<std::vector<uint8_t>> generatedTape(int frames, bool ntsc);

} // namespace zrieee1394
