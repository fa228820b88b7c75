#pragma once

// The owners of FFmpeg objects the import module keeps: the platform's, under the module's names.

#include "platform/ffmpeg/FFmpegHandles.h"

namespace mediaimport {

using platform::ffmpeg::CodecContextHandle;
using platform::ffmpeg::FrameHandle;
using platform::ffmpeg::InputHandle;
using platform::ffmpeg::PacketHandle;
using platform::ffmpeg::SwrHandle;
using platform::ffmpeg::SwsConversion;

} // namespace mediaimport
