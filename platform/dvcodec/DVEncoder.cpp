#include "platform/dvcodec/DVEncoder.h"

#include "platform/ffmpeg/FFmpegHandles.h"
#include "platform/scaler/BgraToYuv420.h"

#include <cstring>

namespace platform {

using namespace ffmpeg;

// Everything one video system needs: the encoder, a picture in the encoder's format and the
// conversion into it, made once and reused for every frame of that system.
struct DVEncoder::System {
    CodecContextHandle codec;
    FrameHandle picture;
    PacketHandle packet;
    SwsConversion convert;
};

namespace {

size_t systemIndex(int height) {
    return height == kDVHeightPAL ? 0 : 1;
}

} // namespace

DVEncoder::DVEncoder() = default;
DVEncoder::~DVEncoder() = default;

DVEncoder::System* DVEncoder::system(int height, DVStatus& status) {
    const bool pal = height == kDVHeightPAL;
    std::unique_ptr<System>& slot = m_systems[systemIndex(height)];
    if (slot) return slot.get();

    status = DVStatus::CodecFailure;
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_DVVIDEO);
    if (!codec) return nullptr;
    auto made = std::make_unique<System>();
    made->codec.reset(avcodec_alloc_context3(codec));
    made->picture.reset(av_frame_alloc());
    made->packet.reset(av_packet_alloc());
    if (!made->codec || !made->picture || !made->packet) return nullptr;

    // The encoder picks its profile from size, sampling and rate: these are the two
    // consumer profiles of 25 Mbit/s.
    AVCodecContext* context = made->codec.get();
    context->width = kDVWidth;
    context->height = height;
    context->pix_fmt = pal ? AV_PIX_FMT_YUV420P : AV_PIX_FMT_YUV411P;
    context->time_base = pal ? AVRational{1, 25} : AVRational{1001, 30000};
    context->framerate = pal ? AVRational{25, 1} : AVRational{30000, 1001};
    if (avcodec_open2(context, codec, nullptr) < 0) return nullptr;

    AVFrame* picture = made->picture.get();
    picture->format = context->pix_fmt;
    picture->width = kDVWidth;
    picture->height = height;
    if (av_frame_get_buffer(picture, 0) < 0) return nullptr;

    slot = std::move(made);
    status = DVStatus::Ok;
    return slot.get();
}

DVStatus DVEncoder::encode(const unsigned char* pixels, int stride, int width, int height,
                           std::span<unsigned char> frame, size_t& length) {
    length = 0;
    const size_t frameSize = dvFrameSize(width, height);
    if (frameSize == 0) return DVStatus::UnsupportedSize;
    if (!pixels || stride < width * 4) return DVStatus::InvalidPicture;
    if (frame.size() < frameSize) return DVStatus::BufferTooSmall;

    DVStatus status = DVStatus::Ok;
    System* s = system(height, status);
    if (!s) return status;

    AVCodecContext* codec = s->codec.get();
    AVFrame* picture = s->picture.get();
    AVPacket* packet = s->packet.get();
    if (av_frame_make_writable(picture) < 0) return DVStatus::CodecFailure;
    // 4:2:0 goes through the conversion the DV export uses, so that a frame encoded here (a
    // background-rendered frame the export hands on unchanged) is the one the export would
    // have encoded from the same picture.
    if (codec->pix_fmt == AV_PIX_FMT_YUV420P) {
        bgraToYuv420(pixels, width, height, stride, picture->data, picture->linesize, nullptr);
    } else {
        if (!s->convert.update(width, height, AV_PIX_FMT_BGRA, width, height, codec->pix_fmt,
                               SWS_BICUBIC))
            return DVStatus::CodecFailure;
        const uint8_t* const sourcePlanes[4] = {pixels, nullptr, nullptr, nullptr};
        const int sourceStrides[4] = {stride, 0, 0, 0};
        if (sws_scale(s->convert.get(), sourcePlanes, sourceStrides, 0, height, picture->data,
                      picture->linesize) != height)
            return DVStatus::CodecFailure;
    }

    // The DV encoder is intra-only and without delay: each picture sent gives one packet.
    // After any failure the system's state is dropped and made afresh on the next call, so
    // no half-sent picture can come out of a later frame.
    if (avcodec_send_frame(codec, picture) < 0 || avcodec_receive_packet(codec, packet) < 0) {
        m_systems[systemIndex(height)].reset();
        return DVStatus::CodecFailure;
    }
    const bool whole = packet->size >= 0 && size_t(packet->size) == frameSize;
    if (whole) std::memcpy(frame.data(), packet->data, frameSize);
    av_packet_unref(packet);
    if (!whole) return DVStatus::CodecFailure;
    length = frameSize;
    return DVStatus::Ok;
}

} // namespace platform
