#pragma once

// Owners for the FFmpeg objects our code keeps (the DV codec, the AVI writer, the media import
// module); each deleter is the matching free call. Header-only, so that a plug-in module may use
// it without linking the platform library.

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/frame.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <memory>

namespace platform::ffmpeg {

struct InputDeleter {
    void operator()(AVFormatContext* context) const { avformat_close_input(&context); }
};
struct CodecContextDeleter {
    void operator()(AVCodecContext* context) const { avcodec_free_context(&context); }
};
struct FrameDeleter {
    void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
struct PacketDeleter {
    void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};
struct SwsDeleter {
    void operator()(SwsContext* context) const { sws_freeContext(context); }
};
struct SwrDeleter {
    void operator()(SwrContext* context) const { swr_free(&context); }
};

using InputHandle = std::unique_ptr<AVFormatContext, InputDeleter>;
using CodecContextHandle = std::unique_ptr<AVCodecContext, CodecContextDeleter>;
using FrameHandle = std::unique_ptr<AVFrame, FrameDeleter>;
using PacketHandle = std::unique_ptr<AVPacket, PacketDeleter>;
using SwsHandle = std::unique_ptr<SwsContext, SwsDeleter>;
using SwrHandle = std::unique_ptr<SwrContext, SwrDeleter>;

/// Points `handle` at a conversion context for the given formats and sizes, reusing the one it
/// holds when the parameters are unchanged. False (and `handle` empty) when none can be made.
inline bool updateConversion(SwsHandle& handle, int sourceWidth, int sourceHeight,
                             AVPixelFormat sourceFormat, int destinationWidth,
                             int destinationHeight, AVPixelFormat destinationFormat, int flags) {
    // sws_getCachedContext frees the context it is given whenever it returns another one.
    handle.reset(sws_getCachedContext(handle.release(), sourceWidth, sourceHeight, sourceFormat,
                                      destinationWidth, destinationHeight, destinationFormat, flags,
                                      nullptr, nullptr, nullptr));
    return handle != nullptr;
}

} // namespace platform::ffmpeg
