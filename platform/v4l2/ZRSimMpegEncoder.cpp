#include "platform/v4l2/ZRSimMpegEncoder.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
}

#include <algorithm>
#include <cmath>
#include <cstring>

namespace zrv4l2 {

using namespace platform::ffmpeg;

SimMpegEncoder::SimMpegEncoder() = default;

SimMpegEncoder::~SimMpegEncoder() {
    close();
}

void SimMpegEncoder::close() {
    if (m_muxer) {
        // The output belongs to us, not to a URL: it is taken off before the muxer goes.
        m_muxer->pb = nullptr;
        m_muxer.reset();
    }
    if (m_io) {
        av_freep(&m_io->buffer);
        avio_context_free(&m_io);
    }
    m_video.reset();
    m_audio.reset();
    m_out.clear();
}

int SimMpegEncoder::writePacket(void* opaque, uint8_t* data, int size) {
    auto* self = static_cast<SimMpegEncoder*>(opaque);
    self->m_out.insert(self->m_out.end(), data, data + size);
    self->m_written += size;
    return size;
}

bool SimMpegEncoder::open(const SimMpegSettings& settings) {
    close();
    m_settings = settings;
    m_frames = m_samples = m_written = 0;
    m_finished = false;
    const bool mpeg1 = settings.format == DiscFormat::Vcd;
    const char* muxer = settings.format == DiscFormat::Vcd    ? "vcd"
                        : settings.format == DiscFormat::Svcd ? "svcd"
                                                              : "dvd";
    const AVCodec* vc =
        avcodec_find_encoder(mpeg1 ? AV_CODEC_ID_MPEG1VIDEO : AV_CODEC_ID_MPEG2VIDEO);
    const AVCodec* ac = avcodec_find_encoder(AV_CODEC_ID_MP2);
    if (!vc || !ac || settings.width < 16 || settings.height < 16) return false;

    m_video.reset(avcodec_alloc_context3(vc));
    AVCodecContext* v = m_video.get();
    v->width = settings.width & ~1;
    v->height = settings.height & ~1;
    v->pix_fmt = AV_PIX_FMT_YUV420P;
    v->time_base = settings.ntsc ? AVRational{1001, 30000} : AVRational{1, 25};
    v->framerate = av_inv_q(v->time_base);
    v->gop_size = std::max(settings.gop, 1);
    v->max_b_frames = std::clamp(settings.bFrames, 0, 2);
    v->bit_rate = settings.bitRate;
    v->rc_max_rate =
        settings.variable ? std::max(settings.peakBitRate, settings.bitRate) : settings.bitRate;
    if (!settings.variable) v->rc_min_rate = settings.bitRate;
    v->rc_buffer_size = mpeg1 ? 327680 : 1835008;
    // Closed groups as a hardware encoder makes them; they exclude scene-change detection.
    v->flags |= AV_CODEC_FLAG_CLOSED_GOP;
    av_opt_set_int(v->priv_data, "sc_threshold", 1000000000, 0);
    v->thread_count = 1;
    if (avcodec_open2(v, vc, nullptr) < 0) return false;

    m_audio.reset(avcodec_alloc_context3(ac));
    AVCodecContext* a = m_audio.get();
    a->sample_rate = settings.sampleRate;
    a->sample_fmt = AV_SAMPLE_FMT_S16;
    a->bit_rate = settings.audioBitRate;
    av_channel_layout_default(&a->ch_layout, 2);
    if (avcodec_open2(a, ac, nullptr) < 0) return false;

    AVFormatContext* out = nullptr;
    if (avformat_alloc_output_context2(&out, nullptr, muxer, nullptr) < 0 || !out) return false;
    m_muxer.reset(out);
    auto* buffer = static_cast<uint8_t*>(av_malloc(32768));
    m_io = avio_alloc_context(buffer, 32768, 1, this, nullptr, &writePacket, nullptr);
    if (!m_io) return false;
    out->pb = m_io;
    m_videoStream = avformat_new_stream(out, nullptr);
    m_audioStream = avformat_new_stream(out, nullptr);
    if (!m_videoStream || !m_audioStream) return false;
    m_videoStream->time_base = v->time_base;
    m_audioStream->time_base = {1, a->sample_rate};
    if (avcodec_parameters_from_context(m_videoStream->codecpar, v) < 0 ||
        avcodec_parameters_from_context(m_audioStream->codecpar, a) < 0)
        return false;
    if (avformat_write_header(out, nullptr) < 0) {
        close();
        return false;
    }
    m_picture.reset(av_frame_alloc());
    m_sound.reset(av_frame_alloc());
    m_packet.reset(av_packet_alloc());
    m_picture->format = v->pix_fmt;
    m_picture->width = v->width;
    m_picture->height = v->height;
    m_sound->format = a->sample_fmt;
    m_sound->nb_samples = a->frame_size;
    m_sound->sample_rate = a->sample_rate;
    av_channel_layout_copy(&m_sound->ch_layout, &a->ch_layout);
    return av_frame_get_buffer(m_picture.get(), 0) >= 0 &&
           av_frame_get_buffer(m_sound.get(), 0) >= 0;
}

bool SimMpegEncoder::encode(AVCodecContext* codec, AVStream* stream, const AVFrame* frame) {
    if (avcodec_send_frame(codec, frame) < 0) return false;
    for (;;) {
        const int r = avcodec_receive_packet(codec, m_packet.get());
        if (r == AVERROR(EAGAIN) || r == AVERROR_EOF) return true;
        if (r < 0) return false;
        av_packet_rescale_ts(m_packet.get(), codec->time_base, stream->time_base);
        m_packet->stream_index = stream->index;
        if (av_interleaved_write_frame(m_muxer.get(), m_packet.get()) < 0) return false;
    }
}

bool SimMpegEncoder::encodeFrame() {
    if (!m_muxer || m_finished || av_frame_make_writable(m_picture.get()) < 0) return false;
    AVFrame* p = m_picture.get();
    // A flat grey field with a bar that moves one step a frame: cheap to code, and a frame
    // lost on the way shows as a jump.
    for (int y = 0; y < p->height; ++y)
        std::memset(p->data[0] + y * p->linesize[0], 96, size_t(p->width));
    const int bar = int((m_frames * 8) % std::max(p->width - 16, 1));
    for (int y = 0; y < p->height; ++y)
        std::memset(p->data[0] + y * p->linesize[0] + bar, 220, 16);
    for (int y = 0; y < p->height / 2; ++y) {
        std::memset(p->data[1] + y * p->linesize[1], 128, size_t(p->width / 2));
        std::memset(p->data[2] + y * p->linesize[2], 128, size_t(p->width / 2));
    }
    p->pts = m_frames++;
    if (!encode(m_video.get(), m_videoStream, p)) return false;
    // The sound that belongs up to the end of this picture.
    const AVRational tb = m_video->time_base;
    const int64_t until = av_rescale(m_frames * tb.num, m_audio->sample_rate, tb.den);
    while (m_samples + m_audio->frame_size <= until) {
        if (av_frame_make_writable(m_sound.get()) < 0) return false;
        auto* s = reinterpret_cast<int16_t*>(m_sound->data[0]);
        for (int i = 0; i < m_audio->frame_size; ++i) {
            const double t = double(m_samples + i) / m_audio->sample_rate;
            s[2 * i] = s[2 * i + 1] =
                int16_t(std::lround(6000.0 * std::sin(2 * M_PI * 1000.0 * t)));
        }
        m_sound->pts = m_samples;
        m_samples += m_audio->frame_size;
        if (!encode(m_audio.get(), m_audioStream, m_sound.get())) return false;
    }
    return true;
}

bool SimMpegEncoder::finish() {
    if (!m_muxer || m_finished) return m_finished;
    m_finished = true;
    // The sound was encoded up to the end of the last picture in whole blocks: what is left of
    // it is less than a block, which a layer II stream cannot carry.
    return encode(m_video.get(), m_videoStream, nullptr) &&
           encode(m_audio.get(), m_audioStream, nullptr) && av_write_trailer(m_muxer.get()) >= 0;
}

size_t SimMpegEncoder::take(uint8_t* data, size_t size) {
    while (m_out.size() < size && m_out.size() < 65536) {
        if (!encodeFrame()) break;
    }
    return takeMade(data, size);
}

size_t SimMpegEncoder::takeMade(uint8_t* data, size_t size) {
    const size_t n = std::min(size, m_out.size());
    std::copy_n(m_out.begin(), n, data);
    m_out.erase(m_out.begin(), m_out.begin() + ptrdiff_t(n));
    return n;
}

} // namespace zrv4l2
