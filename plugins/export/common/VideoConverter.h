#pragma once

#include "platform/ffmpeg/FFmpegHandles.h"
#include "platform/scaler/RowWorkers.h"

namespace exportmodule {

/// Converts 32-bit BGRA pictures into pictures of an encoder's format and size, scaling when
/// the sizes differ, spread over the converter's threads. Same-size conversion to YUV 4:2:0
/// (BT.601 studio range, chroma the mean of each 2x2 block) takes a faster path of its own.
/// Thread-safety: one thread at a time.
class VideoConverter {
public:
    /// Converts on `threads` threads (the caller's included).
    explicit VideoConverter(int threads);
    VideoConverter(const VideoConverter&) = delete;
    VideoConverter& operator=(const VideoConverter&) = delete;

    /// Writes the `width` x `height` BGRA picture (rows `stride` bytes apart) into `target`,
    /// whose format, size and buffers are set. False when the conversion cannot be made.
    bool convert(const uint8_t* pixels, int width, int height, int stride, AVFrame* target);

private:
    platform::RowWorkers m_workers;
    int m_threads = 1;
    platform::ffmpeg::SwsHandle m_context;
    int m_width = 0, m_height = 0, m_targetWidth = 0, m_targetHeight = 0;
    AVPixelFormat m_targetFormat = AV_PIX_FMT_NONE;
    platform::ffmpeg::FrameHandle m_source;
};

} // namespace exportmodule
