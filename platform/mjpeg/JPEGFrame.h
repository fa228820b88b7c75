#pragma once

/// What the JPEG frame codec accepts, and the outcomes of compressing and decompressing.
namespace platform {

/// The largest width or height of a picture the JPEG codec compresses or decompresses.
inline constexpr int kJPEGMaxSide = 16384;
/// The quality stored frames are compressed at (1 = smallest, 100 = best).
inline constexpr int kJPEGStoredFrameQuality = 100;

/// The outcome of one compression or decompression.
enum class JPEGStatus {
    Ok,
    /// A null pixel pointer, a size below 1 or above kJPEGMaxSide, or a stride shorter than a
    /// row of 4-byte pixels.
    InvalidPicture,
    /// A quality outside 1..100.
    InvalidQuality,
    /// The data is not a whole JPEG picture (empty, damaged, cut short or of a kind the codec
    /// cannot turn into colour pixels).
    CorruptData,
    /// The JPEG picture is not of the size of the picture it should fill.
    WrongSize,
    /// The codec library could not allocate or set up what it needs.
    CodecFailure,
};

/// A short English description of `status`, for logs and test messages.
const char* jpegStatusText(JPEGStatus status);

/// True when `width` x `height` pixels with rows `stride` bytes apart at `pixels` is a picture
/// the codec accepts.
bool jpegPictureValid(const void* pixels, int stride, int width, int height);

} // namespace platform
