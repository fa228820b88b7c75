#pragma once

// Owners for the FFmpeg objects our code keeps (the DV codec, the AVI writer, the media import
// and export modules); each deleter is the matching free call. Header-only, so that a plug-in
// module may use it without linking the platform library.

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
/// An output (muxing) context: its file is closed, if open, without writing a trailer. A writer
/// that completes its file writes the trailer and closes the file itself first, to see errors.
struct OutputDeleter {
    void operator()(AVFormatContext* context) const {
        if (context->pb) avio_closep(&context->pb);
        avformat_free_context(context);
    }
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
using OutputHandle = std::unique_ptr<AVFormatContext, OutputDeleter>;
using CodecContextHandle = std::unique_ptr<AVCodecContext, CodecContextDeleter>;
using FrameHandle = std::unique_ptr<AVFrame, FrameDeleter>;
using PacketHandle = std::unique_ptr<AVPacket, PacketDeleter>;
using SwsHandle = std::unique_ptr<SwsContext, SwsDeleter>;
using SwrHandle = std::unique_ptr<SwrContext, SwrDeleter>;

/// A new output context of the muxer `muxer` (by name) for the file `path`, its file not opened
/// yet; null when none can be made, with FFmpeg's error code in `result`.
inline OutputHandle makeOutput(const char* muxer, const char* path, int& result) {
    AVFormatContext* made = nullptr;
    result = avformat_alloc_output_context2(&made, nullptr, muxer, path);
    if (result >= 0 && !made) result = AVERROR(ENOMEM);
    return OutputHandle(result >= 0 ? made : nullptr);
}

/// One conversion context, kept while the parameters it was made for stay the same.
/// libswscale's own cache (`sws_getCachedContext`) compares the flags the context holds after its
/// set-up, and the set-up changes them for some format pairs (4:4:4 to RGB and back): it then
/// builds a new context on every call, costing a set-up per frame and dropping the colour details
/// set on the old one. This keeps the parameters as asked instead.
class SwsConversion {
public:
    /// Makes the context current for these parameters, building it only when they differ from
    /// the last call's. `colourSpace` (an SWS_CS_ value) and `sourceFullRange` describe the
    /// source's YUV; -1 leaves libswscale's defaults. False (and no context) when none can be made.
    bool update(int sourceWidth, int sourceHeight, AVPixelFormat sourceFormat, int destinationWidth,
                int destinationHeight, AVPixelFormat destinationFormat, int flags,
                int colourSpace = -1, int sourceFullRange = -1) {
        const Key key{sourceWidth,       sourceHeight,      sourceFormat, destinationWidth,
                      destinationHeight, destinationFormat, flags,        colourSpace,
                      sourceFullRange};
        if (m_context && key == m_key) return true;
        m_context.reset(sws_getContext(sourceWidth, sourceHeight, sourceFormat, destinationWidth,
                                       destinationHeight, destinationFormat, flags, nullptr,
                                       nullptr, nullptr));
        if (!m_context) return false;
        if (colourSpace >= 0 || sourceFullRange >= 0) {
            int* inverse = nullptr;
            int* table = nullptr;
            int sourceRange = 0, destinationRange = 0, brightness = 0;
            int contrast = 1 << 16, saturation = 1 << 16;
            if (sws_getColorspaceDetails(m_context.get(), &inverse, &sourceRange, &table,
                                         &destinationRange, &brightness, &contrast,
                                         &saturation) < 0) {
                inverse = table = const_cast<int*>(sws_getCoefficients(SWS_CS_DEFAULT));
                sourceRange = destinationRange = brightness = 0;
                contrast = saturation = 1 << 16;
            }
            sws_setColorspaceDetails(m_context.get(),
                                     colourSpace >= 0 ? sws_getCoefficients(colourSpace) : inverse,
                                     sourceFullRange >= 0 ? sourceFullRange : sourceRange, table,
                                     destinationRange, brightness, contrast, saturation);
        }
        m_key = key;
        return true;
    }

    SwsContext* get() const { return m_context.get(); }

private:
    struct Key {
        int sourceWidth = 0, sourceHeight = 0;
        AVPixelFormat sourceFormat = AV_PIX_FMT_NONE;
        int destinationWidth = 0, destinationHeight = 0;
        AVPixelFormat destinationFormat = AV_PIX_FMT_NONE;
        int flags = 0, colourSpace = -1, sourceFullRange = -1;
        bool operator==(const Key&) const = default;
    };
    SwsHandle m_context;
    Key m_key;
};

} // namespace platform::ffmpeg
