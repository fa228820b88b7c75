#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

/// Reading and stamping the parts of a DV frame the capture side looks at: its size and line
/// system, the recording date and time of its VAUX packs, and its audio.
/// Thread-safety: pure functions, except `DvAudioReader`, which belongs to one thread.
namespace segments {

inline constexpr size_t kDvFrame525 = 120000;
inline constexpr size_t kDvFrame625 = 144000;

/// True for a whole frame of either system.
inline bool isWholeDvFrame(size_t size) {
    return size == kDvFrame525 || size == kDvFrame625;
}
/// True when `frame` is a whole 525-line (NTSC) frame, by its header's system flag and size.
bool isDv525(std::span<const uint8_t> frame);

/// The recording date and time of a whole frame (VAUX packs 0x62 and 0x63), in seconds from
/// 1970-01-01 of its own clock; nothing when either pack is missing or not a valid BCD date.
std::optional<int64_t> dvRecordingTime(std::span<const uint8_t> frame);
/// Writes the recording date and time packs into the frame's first VAUX block (over packs of
/// the same kind, else into its first free slots). False when the frame is not whole or has no
/// room.
bool stampDvRecordingTime(std::span<uint8_t> frame, int64_t seconds);

/// The sound of DV frames as 16-bit interleaved PCM, through libavformat's DV demuxer.
class DvAudioReader {
public:
    struct Sound {
        int rate = 0;
        int channels = 0;
        std::vector<int16_t> samples; ///< interleaved; empty when the frame has no sound
    };
    /// The sound of one whole frame; a frame without audio packs gives no samples.
    Sound read(std::span<const uint8_t> frame);
};

} // namespace segments
