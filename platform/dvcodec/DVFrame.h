#pragma once

#include <cstddef>

/// What one DV frame is: the two video systems the frame codec knows, their sizes in bytes,
/// and the outcomes of encoding and decoding.
namespace platform {

/// The only picture width a DV frame carries.
inline constexpr int kDVWidth = 720;
/// Lines and bytes of one frame of the 625-line system (PAL, 25 frames per second).
inline constexpr int kDVHeightPAL = 576;
inline constexpr size_t kDVFrameSizePAL = 144000;
/// Lines and bytes of one frame of the 525-line system (NTSC, 29.97 frames per second).
inline constexpr int kDVHeightNTSC = 480;
inline constexpr size_t kDVFrameSizeNTSC = 120000;
/// The larger of the two frame sizes: a buffer of this many bytes holds any DV frame.
inline constexpr size_t kDVMaxFrameSize = kDVFrameSizePAL;

/// Bytes of the DV frame of a `width` x `height` picture: 144000 for 720 x 576, 120000 for
/// 720 x 480, 0 for every other size (no DV frame exists for it).
constexpr size_t dvFrameSize(int width, int height) {
    if (width != kDVWidth) return 0;
    if (height == kDVHeightPAL) return kDVFrameSizePAL;
    if (height == kDVHeightNTSC) return kDVFrameSizeNTSC;
    return 0;
}

/// The outcome of one encode or decode.
enum class DVStatus {
    Ok,
    /// A null pixel pointer, or a stride shorter than a row of 4-byte pixels.
    InvalidPicture,
    /// The picture is not 720 x 576 or 720 x 480.
    UnsupportedSize,
    /// The output buffer is shorter than the frame.
    BufferTooSmall,
    /// The block's length is not the frame size of the picture it should fill.
    WrongFrameSize,
    /// The block is not a DV frame of the expected system (damaged or foreign bytes).
    CorruptFrame,
    /// The codec library could not allocate or set up what it needs.
    CodecFailure,
};

/// A short English description of `status`, for logs and test messages.
const char* dvStatusText(DVStatus status);

} // namespace platform
