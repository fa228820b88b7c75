#pragma once

#include <string>
#include <vector>

struct AVCodec;

/// The compressors the AVI writer offers, by the friendly names the user chooses them by, mapped
/// to the encoders of the codec library. Only encoders the library was built with are offered.
namespace platform {

/// The default compressors of an AVI export.
inline constexpr const char* kAviDefaultVideoCompressor = "Cinepak Codec by Radius";
inline constexpr const char* kAviDefaultAudioCompressor = "PCM";

/// The video compressor that stores frames as captured: uncompressed YUV 4:2:2 ("YUY2"). It is
/// no choice of the list, but what a capture writes when the chosen compressor is not found.
inline constexpr const char* kAviUncompressedVideo = "Uncompressed YUY2";

/// The friendly names of the video (true) or audio (false) compressors present, in list order.
/// Thread-safety: may be called from any thread.
std::vector<std::string> aviCompressorNames(bool video);

/// The video encoder behind a friendly name (compared exactly), or null when it is unknown or
/// not present.
const AVCodec* aviVideoEncoder(const char* friendlyName);

/// The audio encoder behind a friendly name for samples of `bits` bits (8 unsigned, 16, 24 or 32
/// signed), or null when the name is unknown or the sample size is not one of these.
const AVCodec* aviAudioEncoder(const char* friendlyName, int bits);

} // namespace platform
