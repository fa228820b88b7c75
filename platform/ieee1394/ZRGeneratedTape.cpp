#include "platform/ieee1394/ZRGeneratedTape.h"

#include "platform/ffmpeg/FFmpegHandles.h"
#include "platform/segments/DvFrame.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <cmath>
#include <cstring>

namespace zrieee1394 {

namespace {

// The muxer's output, collected in memory and cut into frames.
struct Collected {
    std::vector<uint8_t> bytes;
};

int collect(void* opaque, uint8_t* data, int size) {
    auto* c = static_cast<Collected*>(opaque);
    c->bytes.insert(c->bytes.end(), data, data + size);
    return size;
}

} // namespace

std::vector<std::vector<uint8_t>> generatedTape(int frames, bool ntsc) {
    using namespace platform::ffmpeg;
    std::vector<std::vector<uint8_t>> tape;
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_DVVIDEO);
    if (!codec || frames <= 0) return tape;
    CodecContextHandle encoder(avcodec_alloc_context3(codec));
    FrameHandle picture(av_frame_alloc());
    PacketHandle packet(av_packet_alloc());
    if (!encoder || !picture || !packet) return tape;
    const AVRational rate = ntsc ? AVRational{30000, 1001} : AVRational{25, 1};
    encoder->width = 720;
    encoder->height = ntsc ? 480 : 576;
    encoder->pix_fmt = ntsc ? AV_PIX_FMT_YUV411P : AV_PIX_FMT_YUV420P;
    encoder->time_base = av_inv_q(rate);
    encoder->framerate = rate;
    if (avcodec_open2(encoder.get(), codec, nullptr) < 0) return tape;

    Collected collected;
    AVFormatContext* muxer = nullptr;
    if (avformat_alloc_output_context2(&muxer, nullptr, "dv", nullptr) < 0) return tape;
    constexpr int kBufferSize = 65536;
    auto* buffer = static_cast<uint8_t*>(av_malloc(kBufferSize));
    AVIOContext* io =
        buffer ? avio_alloc_context(buffer, kBufferSize, 1, &collected, nullptr, collect, nullptr)
               : nullptr;
    const auto cleanup = [&] {
        if (muxer) {
            muxer->pb = nullptr;
            avformat_free_context(muxer);
        }
        if (io) {
            av_freep(&io->buffer);
            avio_context_free(&io);
        } else {
            av_free(buffer);
        }
    };
    AVStream* video = io ? avformat_new_stream(muxer, nullptr) : nullptr;
    AVStream* audio = video ? avformat_new_stream(muxer, nullptr) : nullptr;
    if (!audio || avcodec_parameters_from_context(video->codecpar, encoder.get()) < 0) {
        cleanup();
        return tape;
    }
    muxer->pb = io;
    muxer->flags |= AVFMT_FLAG_CUSTOM_IO;
    video->time_base = encoder->time_base;
    audio->codecpar->codec_type = AVMEDIA_TYPE_AUDIO;
    audio->codecpar->codec_id = AV_CODEC_ID_PCM_S16LE;
    audio->codecpar->sample_rate = 48000;
    av_channel_layout_default(&audio->codecpar->ch_layout, 2);
    audio->time_base = {1, 48000};
    if (avformat_write_header(muxer, nullptr) < 0) {
        cleanup();
        return tape;
    }
    picture->format = encoder->pix_fmt;
    picture->width = encoder->width;
    picture->height = encoder->height;
    if (av_frame_get_buffer(picture.get(), 0) < 0) {
        cleanup();
        return tape;
    }
    int64_t sampleAt = 0;
    bool ok = true;
    for (int i = 0; i < frames && ok; ++i) {
        const int64_t due = av_rescale_q(i + 1, av_inv_q(rate), {1, 48000});
        const int count = int(due - sampleAt);
        std::vector<int16_t> pcm(size_t(count) * 2);
        for (int s = 0; s < count; ++s) {
            const double t = double(sampleAt + s) / 48000.0;
            const auto v = int16_t(std::lround(8000 * std::sin(2 * M_PI * 440 * t)));
            pcm[size_t(s) * 2] = v;
            pcm[size_t(s) * 2 + 1] = int16_t(-v);
        }
        av_packet_unref(packet.get());
        ok = av_new_packet(packet.get(), count * 4) >= 0;
        if (!ok) break;
        std::memcpy(packet->data, pcm.data(), size_t(count) * 4);
        packet->stream_index = 1;
        packet->pts = packet->dts = sampleAt;
        sampleAt = due;
        ok = av_write_frame(muxer, packet.get()) >= 0;

        ok = ok && av_frame_make_writable(picture.get()) >= 0;
        if (!ok) break;
        for (int y = 0; y < picture->height; ++y)
            for (int x = 0; x < picture->width; ++x)
                picture->data[0][y * picture->linesize[0] + x] =
                    uint8_t(std::abs(x - (i * 8) % 720) < 24 ? 235 : 60 + y / 8);
        for (int plane = 1; plane < 3; ++plane) {
            const int h = ntsc ? picture->height : picture->height / 2;
            const int w = ntsc ? picture->width / 4 : picture->width / 2;
            for (int y = 0; y < h; ++y)
                std::memset(picture->data[plane] + y * picture->linesize[plane], 128, size_t(w));
        }
        picture->pts = i;
        ok = avcodec_send_frame(encoder.get(), picture.get()) >= 0;
        while (ok && avcodec_receive_packet(encoder.get(), packet.get()) == 0) {
            packet->stream_index = 0;
            av_packet_rescale_ts(packet.get(), encoder->time_base, video->time_base);
            ok = av_write_frame(muxer, packet.get()) >= 0;
        }
    }
    if (ok) av_write_trailer(muxer);
    avio_flush(io);
    cleanup();
    const size_t size = ntsc ? segments::kDvFrame525 : segments::kDvFrame625;
    for (size_t at = 0; ok && at + size <= collected.bytes.size(); at += size)
        tape.emplace_back(collected.bytes.begin() + ptrdiff_t(at),
                          collected.bytes.begin() + ptrdiff_t(at + size));
    return tape;
}

} // namespace zrieee1394
