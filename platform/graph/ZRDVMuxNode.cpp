#include "platform/graph/ZRDVMuxNode.h"

#include "platform/segments/DvFrame.h"

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/mathematics.h>
}

#include <cstring>

struct ZRDVMuxNode::Muxer {
    AVFormatContext* context = nullptr;
    AVIOContext* io = nullptr;
    AVPacket* packet = nullptr;
    std::vector<uint8_t> collected;
    size_t frameSize = 0;
    AVRational rate{25, 1};
    int sampleRate = 48000, channels = 2;
    bool audio = false;
    int64_t samples = 0;

    ~Muxer() {
        av_packet_free(&packet);
        if (context) {
            context->pb = nullptr;
            avformat_free_context(context);
        }
        if (io) {
            av_freep(&io->buffer);
            avio_context_free(&io);
        }
    }

    static int collect(void* opaque, uint8_t* data, int size) {
        auto* m = static_cast<Muxer*>(opaque);
        m->collected.insert(m->collected.end(), data, data + size);
        return size;
    }

    bool open(bool ntsc, bool withAudio, int rateHz, int channelCount) {
        frameSize = ntsc ? segments::kDvFrame525 : segments::kDvFrame625;
        rate = ntsc ? AVRational{30000, 1001} : AVRational{25, 1};
        audio = withAudio;
        sampleRate = rateHz > 0 ? rateHz : 48000;
        channels = channelCount > 0 ? channelCount : 2;
        packet = av_packet_alloc();
        if (!packet || avformat_alloc_output_context2(&context, nullptr, "dv", nullptr) < 0)
            return false;
        auto* buffer = static_cast<uint8_t*>(av_malloc(65536));
        io = buffer ? avio_alloc_context(buffer, 65536, 1, this, nullptr, collect, nullptr)
                    : nullptr;
        if (!io) {
            av_free(buffer);
            return false;
        }
        context->pb = io;
        context->flags |= AVFMT_FLAG_CUSTOM_IO;
        AVStream* video = avformat_new_stream(context, nullptr);
        if (!video) return false;
        video->codecpar->codec_type = AVMEDIA_TYPE_VIDEO;
        video->codecpar->codec_id = AV_CODEC_ID_DVVIDEO;
        video->codecpar->width = 720;
        video->codecpar->height = ntsc ? 480 : 576;
        video->codecpar->format = ntsc ? AV_PIX_FMT_YUV411P : AV_PIX_FMT_YUV420P;
        video->time_base = av_inv_q(rate);
        if (audio) {
            AVStream* sound = avformat_new_stream(context, nullptr);
            if (!sound) return false;
            sound->codecpar->codec_type = AVMEDIA_TYPE_AUDIO;
            sound->codecpar->codec_id = AV_CODEC_ID_PCM_S16LE;
            sound->codecpar->sample_rate = sampleRate;
            av_channel_layout_default(&sound->codecpar->ch_layout, channels);
            sound->time_base = {1, sampleRate};
        }
        return avformat_write_header(context, nullptr) >= 0;
    }
};

ZRDVMuxNode::ZRDVMuxNode() : ZRGraphNode("DV Muxer") {
    addPin(ZRGraphPin::Direction::Input, "Video", {kZRStreamVideo, "dvvideo"});
    addPin(ZRGraphPin::Direction::Input, "Audio", {kZRStreamAudio, ""});
    addPin(ZRGraphPin::Direction::Output, "DV A/V Out", {kZRStreamInterleavedDV, "dvsd"});
}

ZRDVMuxNode::~ZRDVMuxNode() = default;

ZRGraphResult ZRDVMuxNode::onPause(ZRGraphState from) {
    if (from != ZRGraphState::Stopped) return kZRGraphOk;
    std::lock_guard lock(m_mutex);
    m_muxer.reset();
    m_video.clear();
    m_audio.clear();
    m_videoEnded = m_sentEnd = false;
    m_audioEnded = !inputPin(1)->isConnected();
    m_frames = m_out = 0;
    return kZRGraphOk;
}

ZRGraphResult ZRDVMuxNode::onStop() {
    std::lock_guard lock(m_mutex);
    m_muxer.reset();
    m_video.clear();
    m_audio.clear();
    return kZRGraphOk;
}

void ZRDVMuxNode::receive(ZRGraphPin* input, const ZRMediaSample& sample) {
    if (!sample.data) return;
    std::lock_guard lock(m_mutex);
    if (input == inputPin(0)) {
        if (segments::isWholeDvFrame(sample.size())) m_video.push_back(sample);
    } else {
        const auto* p = reinterpret_cast<const int16_t*>(sample.data->data());
        m_audio.insert(m_audio.end(), p, p + sample.size() / 2);
    }
    pumpLocked();
}

void ZRDVMuxNode::endOfStream(ZRGraphPin* input) {
    std::lock_guard lock(m_mutex);
    (input == inputPin(0) ? m_videoEnded : m_audioEnded) = true;
    pumpLocked();
}

void ZRDVMuxNode::pumpLocked() {
    while (!m_video.empty()) {
        const ZRMediaSample& frame = m_video.front();
        if (!m_muxer) {
            const ZRMediaType& type = inputPin(1)->connectionType();
            auto muxer = std::make_unique<Muxer>();
            if (!muxer->open(segments::isDv525(*frame.data), inputPin(1)->isConnected(),
                             type.sampleRate, type.channels)) {
                m_video.clear();
                return;
            }
            m_muxer = std::move(muxer);
        }
        Muxer& m = *m_muxer;
        // The sound that plays during this frame, counted on from the first frame.
        const AVRational sample{1, m.sampleRate};
        const int64_t due = av_rescale_q(m_frames + 1, av_inv_q(m.rate), sample);
        const auto need = size_t(std::max<int64_t>(due - m.samples, 0)) * size_t(m.channels);
        if (m.audio && m_audio.size() < need && !m_audioEnded) return;
        if (m.audio) {
            av_packet_unref(m.packet);
            if (av_new_packet(m.packet, int(need * 2)) < 0) return;
            auto* out = reinterpret_cast<int16_t*>(m.packet->data);
            const size_t have = std::min(need, m_audio.size());
            std::copy(m_audio.begin(), m_audio.begin() + ptrdiff_t(have), out);
            std::fill(out + have, out + need, int16_t(0));
            m_audio.erase(m_audio.begin(), m_audio.begin() + ptrdiff_t(have));
            m.packet->stream_index = 1;
            m.packet->pts = m.packet->dts = m.samples;
            m.samples = due;
            (void)av_write_frame(m.context, m.packet);
        }
        av_packet_unref(m.packet);
        if (av_new_packet(m.packet, int(frame.size())) < 0) return;
        std::memcpy(m.packet->data, frame.data->data(), frame.size());
        m.packet->stream_index = 0;
        m.packet->pts = m.packet->dts = m_frames;
        const ZRMediaTime time = frame.time;
        m_video.pop_front();
        ++m_frames;
        (void)av_write_frame(m.context, m.packet);
        avio_flush(m.io);
        while (m.collected.size() >= m.frameSize) {
            ZRMediaSample out = ZRMediaSample::fromBytes(
                std::vector<uint8_t>(m.collected.begin(),
                                     m.collected.begin() + ptrdiff_t(m.frameSize)),
                time);
            m.collected.erase(m.collected.begin(), m.collected.begin() + ptrdiff_t(m.frameSize));
            ++m_out;
            deliver(outputPin(0), out);
        }
    }
    if (m_videoEnded && !m_sentEnd) {
        m_sentEnd = true;
        deliverEndOfStream(outputPin(0));
    }
}
