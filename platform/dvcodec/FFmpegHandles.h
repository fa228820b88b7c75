#pragma once

// Owners for the FFmpeg objects the DV codec keeps; each deleter is the matching free call.

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/frame.h>
#include <libswscale/swscale.h>
}

#include <memory>

namespace platform::ffmpeg {

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

using CodecContextHandle = std::unique_ptr<AVCodecContext, CodecContextDeleter>;
using FrameHandle = std::unique_ptr<AVFrame, FrameDeleter>;
using PacketHandle = std::unique_ptr<AVPacket, PacketDeleter>;
using SwsHandle = std::unique_ptr<SwsContext, SwsDeleter>;

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
