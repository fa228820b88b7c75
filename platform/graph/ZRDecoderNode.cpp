#include "platform/graph/ZRDecoderNode.h"

#include "platform/playback/ZRVideoSurface.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
}

ZRDecoderNode::ZRDecoderNode(std::string kind, AVCodecID codec, ZRMediaType inputType)
    : ZRGraphNode(std::move(kind)), m_codecId(codec) {
    addPin(ZRGraphPin::Direction::Input, "XForm In", std::move(inputType));
    ZRMediaType out;
    out.major = isVideo() ? kZRStreamVideo : kZRStreamAudio;
    out.subtype = isVideo() ? "rgb32" : "pcm";
    if (!isVideo()) {
        out.sampleRate = 48000;
        out.channels = 2;
        out.bitsPerSample = 16;
    }
    addPin(ZRGraphPin::Direction::Output, "XForm Out", out);
}

ZRDecoderNode::~ZRDecoderNode() = default;

bool ZRDecoderNode::isVideo() const {
    return avcodec_get_type(m_codecId) == AVMEDIA_TYPE_VIDEO;
}

int32_t ZRDecoderNode::setting(int index) const {
    std::lock_guard lock(m_settingsMutex);
    auto it = m_settings.find(index);
    return it == m_settings.end() ? 0 : it->second;
}

void ZRDecoderNode::setSetting(int index, int32_t value) {
    std::lock_guard lock(m_settingsMutex);
    m_settings[index] = value;
}

ZRMpegVideoDecoderSettings ZRDecoderNode::settingsRecord() const {
    std::lock_guard lock(m_settingsMutex);
    return m_record;
}

void ZRDecoderNode::setSettingsRecord(const ZRMpegVideoDecoderSettings& record) {
    std::lock_guard lock(m_settingsMutex);
    m_record = record;
    m_record.size = sizeof(ZRMpegVideoDecoderSettings);
}

ZRGraphResult ZRDecoderNode::onPause(ZRGraphState from) {
    if (from != ZRGraphState::Stopped) return kZRGraphOk;
    const AVCodec* codec = avcodec_find_decoder(m_codecId);
    if (!codec) return kZRGraphFail;
    m_context.reset(avcodec_alloc_context3(codec));
    m_packet.reset(av_packet_alloc());
    m_frame.reset(av_frame_alloc());
    if (!m_context || !m_packet || !m_frame) return kZRGraphFail;
    m_context->thread_count = 1;
    if (avcodec_open2(m_context.get(), codec, nullptr) < 0) {
        m_context.reset();
        return kZRGraphFail;
    }
    m_decoded.store(0);
    return kZRGraphOk;
}

ZRGraphResult ZRDecoderNode::onStop() {
    m_context.reset();
    m_resample.reset();
    m_resampleFormat = -1;
    return kZRGraphOk;
}

void ZRDecoderNode::receive(ZRGraphPin*, const ZRMediaSample& sample) {
    if (!m_context || !sample.data || sample.data->empty()) return;
    if (sample.data->size() > size_t(INT32_MAX)) return;
    // libavcodec reads up to its padding past the end of a packet: copy into a padded one.
    if (av_new_packet(m_packet.get(), int(sample.data->size())) < 0) return;
    memcpy(m_packet->data, sample.data->data(), sample.data->size());
    m_packet->pts = sample.time;
    const int sent = avcodec_send_packet(m_context.get(), m_packet.get());
    av_packet_unref(m_packet.get());
    if (sent < 0 && sent != AVERROR(EAGAIN)) return;
    drain(sample.time);
}

void ZRDecoderNode::endOfStream(ZRGraphPin* input) {
    if (m_context && avcodec_send_packet(m_context.get(), nullptr) >= 0) drain(-1);
    ZRGraphNode::endOfStream(input);
}

void ZRDecoderNode::drain(ZRMediaTime time) {
    while (avcodec_receive_frame(m_context.get(), m_frame.get()) >= 0) {
        const ZRMediaTime t = m_frame->pts != AV_NOPTS_VALUE ? m_frame->pts : time;
        if (isVideo())
            emitPicture(m_frame.get(), t);
        else
            emitSound(m_frame.get(), t);
        av_frame_unref(m_frame.get());
        m_decoded.fetch_add(1);
    }
}

void ZRDecoderNode::emitPicture(const AVFrame* frame, ZRMediaTime time) {
    if (frame->width <= 0 || frame->height <= 0) return;
    if (!m_scale.update(frame->width, frame->height, AVPixelFormat(frame->format), frame->width,
                        frame->height, AV_PIX_FMT_BGR0, SWS_BILINEAR))
        return;
    auto picture = std::make_shared<ZRVideoFrame>(frame->width, frame->height);
    uint8_t* planes[4] = {picture->pixels.data(), nullptr, nullptr, nullptr};
    int strides[4] = {picture->stride, 0, 0, 0};
    sws_scale(m_scale.get(), frame->data, frame->linesize, 0, frame->height, planes, strides);
    ZRMediaSample out;
    out.picture = std::move(picture);
    out.time = time;
    out.duration =
        m_context->framerate.num > 0
            ? av_rescale(kZRMediaTimePerSecond, m_context->framerate.den, m_context->framerate.num)
            : 0;
    deliver(outputPin(0), out);
}

void ZRDecoderNode::emitSound(const AVFrame* frame, ZRMediaTime time) {
    if (frame->nb_samples <= 0 || frame->sample_rate <= 0) return;
    const int channels = frame->ch_layout.nb_channels;
    if (channels <= 0) return;
    if (!m_resample || m_resampleRate != frame->sample_rate || m_resampleChannels != channels ||
        m_resampleFormat != frame->format) {
        SwrContext* made = nullptr;
        AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
        AVChannelLayout in = frame->ch_layout;
        if (swr_alloc_set_opts2(&made, &stereo, AV_SAMPLE_FMT_S16, 48000, &in,
                                AVSampleFormat(frame->format), frame->sample_rate, 0,
                                nullptr) < 0 ||
            swr_init(made) < 0) {
            swr_free(&made);
            return;
        }
        m_resample.reset(made);
        m_resampleRate = frame->sample_rate;
        m_resampleChannels = channels;
        m_resampleFormat = frame->format;
    }
    const int capacity = swr_get_out_samples(m_resample.get(), frame->nb_samples);
    if (capacity <= 0) return;
    std::vector<uint8_t> pcm(size_t(capacity) * 4);
    uint8_t* out = pcm.data();
    const int made =
        swr_convert(m_resample.get(), &out, capacity,
                    const_cast<const uint8_t**>(frame->extended_data), frame->nb_samples);
    if (made <= 0) return;
    pcm.resize(size_t(made) * 4);
    deliver(outputPin(0), ZRMediaSample::fromBytes(std::move(pcm), time));
}
