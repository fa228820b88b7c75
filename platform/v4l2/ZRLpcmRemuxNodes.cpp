#include "platform/v4l2/ZRLpcmRemuxNodes.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libswresample/swresample.h>
}

#include <QtGlobal>

#include <cstring>

namespace {

constexpr int kRate = 48000;
constexpr int kChannels = 2;
constexpr int kBytesPerFrame = kChannels * 2;
constexpr int64_t kClock = 90000;
/// Sound goes to the muxer in pieces of 25 ms (LPCM packets hold whole sample frames).
constexpr size_t kAudioPiece = size_t(kRate / 40) * kBytesPerFrame;
/// Sound held before the first picture opens the stream: two seconds.
constexpr size_t kMaxPendingAudio = size_t(kRate) * 2 * kBytesPerFrame;

} // namespace

ZRAcmWrapperNode::ZRAcmWrapperNode() : ZRGraphNode("ACM Wrapper") {
    addPin(ZRGraphPin::Direction::Input, "XForm In", {kZRStreamAudio, "pcm"});
    ZRMediaType out{kZRStreamAudio, "pcm"};
    out.sampleRate = kRate;
    out.channels = kChannels;
    out.bitsPerSample = 16;
    addPin(ZRGraphPin::Direction::Output, "XForm Out", out);
}

ZRAcmWrapperNode::~ZRAcmWrapperNode() = default;

ZRGraphResult ZRAcmWrapperNode::onStop() {
    std::lock_guard lock(m_mutex);
    m_resample.reset();
    return kZRGraphOk;
}

void ZRAcmWrapperNode::receive(ZRGraphPin*, const ZRMediaSample& sample) {
    if (!sample.data || sample.data->empty()) return;
    const ZRMediaType& type = inputPin(0)->connectionType();
    const int rate = type.sampleRate > 0 ? type.sampleRate : kRate;
    const int channels = type.channels > 0 ? type.channels : kChannels;
    if (rate == kRate && channels == kChannels) {
        deliver(outputPin(0), sample);
        return;
    }
    std::lock_guard lock(m_mutex);
    if (!m_resample || m_rate != rate || m_channels != channels) {
        SwrContext* made = nullptr;
        AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
        AVChannelLayout in{};
        av_channel_layout_default(&in, channels);
        if (swr_alloc_set_opts2(&made, &stereo, AV_SAMPLE_FMT_S16, kRate, &in, AV_SAMPLE_FMT_S16,
                                rate, 0, nullptr) < 0 ||
            swr_init(made) < 0) {
            swr_free(&made);
            return;
        }
        m_resample.reset(made);
        m_rate = rate;
        m_channels = channels;
    }
    const int inFrames = int(sample.data->size() / size_t(channels * 2));
    const int outFrames = swr_get_out_samples(m_resample.get(), inFrames);
    if (inFrames <= 0 || outFrames <= 0) return;
    std::vector<uint8_t> out(size_t(outFrames) * kBytesPerFrame);
    const uint8_t* src[1] = {sample.data->data()};
    uint8_t* dst[1] = {out.data()};
    const int made = swr_convert(m_resample.get(), dst, outFrames, src, inFrames);
    if (made <= 0) return;
    out.resize(size_t(made) * kBytesPerFrame);
    ZRMediaSample converted = ZRMediaSample::fromBytes(std::move(out), sample.time);
    converted.discontinuity = sample.discontinuity;
    deliver(outputPin(0), converted);
}

ZRXFormDeadCafeNode::ZRXFormDeadCafeNode() : ZRGraphNode("Marrack XFormDeadCafe") {
    addPin(ZRGraphPin::Direction::Input, "Audio In", {kZRStreamAudio, "pcm"});
    addPin(ZRGraphPin::Direction::Input, "Video In", {kZRStreamVideo, ""});
    addPin(ZRGraphPin::Direction::Output, "Audio Out", {kZRStreamAudio, "lpcm"});
    addPin(ZRGraphPin::Direction::Output, "Video Out", {kZRStreamVideo, ""});
}

void ZRXFormDeadCafeNode::receive(ZRGraphPin* input, const ZRMediaSample& sample) {
    if (!sample.data) return;
    if (input == inputPin(1)) {
        deliver(outputPin(1), sample);
        return;
    }
    // A trailing odd byte is half a sample: it is left out.
    std::vector<uint8_t> swapped(sample.data->size() & ~size_t(1));
    const uint8_t* in = sample.data->data();
    for (size_t i = 0; i < swapped.size(); i += 2) {
        swapped[i] = in[i + 1];
        swapped[i + 1] = in[i];
    }
    ZRMediaSample out = ZRMediaSample::fromBytes(std::move(swapped), sample.time);
    out.discontinuity = sample.discontinuity;
    deliver(outputPin(0), out);
}

void ZRXFormDeadCafeNode::endOfStream(ZRGraphPin* input) {
    // The sound, unpaced, ends long before the pictures: its end must not end theirs.
    deliverEndOfStream(input == inputPin(1) ? outputPin(1) : outputPin(0));
}

struct ZRMarrackMuxerNode::Muxer {
    AVFormatContext* context = nullptr;
    AVIOContext* io = nullptr;
    platform::ffmpeg::PacketHandle packet{av_packet_alloc()};
    /// The video comes in runs of bytes (a splitter's packets may hold several pictures or part
    /// of one): the parser finds the pictures, each multiplexed with its own time.
    AVCodecParserContext* parser = nullptr;
    platform::ffmpeg::CodecContextHandle parsing;
    std::vector<uint8_t> collected;
    AVStream* video = nullptr;
    AVStream* audio = nullptr;

    ~Muxer() {
        if (parser) av_parser_close(parser);
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

    bool open(AVCodecID videoCodec, int width, int height, bool withAudio) {
        if (!packet || avformat_alloc_output_context2(&context, nullptr, "dvd", nullptr) < 0)
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
        video = avformat_new_stream(context, nullptr);
        if (!video) return false;
        video->codecpar->codec_type = AVMEDIA_TYPE_VIDEO;
        video->codecpar->codec_id = videoCodec;
        parser = av_parser_init(videoCodec);
        parsing.reset(avcodec_alloc_context3(nullptr));
        if (!parser || !parsing) return false;
        // The muxer wants a picture size; the frames themselves carry the real one.
        video->codecpar->width = width > 0 ? width : 352;
        video->codecpar->height = height > 0 ? height : 288;
        video->time_base = {1, int(kClock)};
        if (withAudio) {
            audio = avformat_new_stream(context, nullptr);
            if (!audio) return false;
            // Big-endian 16-bit PCM is what the program stream muxer carries as LPCM.
            audio->codecpar->codec_type = AVMEDIA_TYPE_AUDIO;
            audio->codecpar->codec_id = AV_CODEC_ID_PCM_S16BE;
            audio->codecpar->sample_rate = kRate;
            audio->codecpar->bits_per_coded_sample = 16;
            av_channel_layout_default(&audio->codecpar->ch_layout, kChannels);
            audio->time_base = {1, int(kClock)};
        }
        return avformat_write_header(context, nullptr) >= 0;
    }

    bool write(AVStream* stream, const uint8_t* data, size_t size, int64_t time, int64_t duration) {
        AVPacket* p = packet.get();
        if (av_new_packet(p, int(size)) < 0) return false;
        std::memcpy(p->data, data, size);
        p->stream_index = stream->index;
        p->pts = p->dts = av_rescale_q(time, {1, int(kClock)}, stream->time_base);
        p->duration = av_rescale_q(duration, {1, int(kClock)}, stream->time_base);
        const int r = av_interleaved_write_frame(context, p);
        if (r < 0) {
            char text[AV_ERROR_MAX_STRING_SIZE] = {};
            av_strerror(r, text, sizeof text);
            qWarning("Marrack Muxer: %s", text);
        }
        return r >= 0;
    }
};

ZRMarrackMuxerNode::ZRMarrackMuxerNode() : ZRGraphNode("Marrack Muxer") {
    addPin(ZRGraphPin::Direction::Input, "Video", {kZRStreamVideo, ""});
    addPin(ZRGraphPin::Direction::Input, "Audio", {kZRStreamAudio, "lpcm"});
    addPin(ZRGraphPin::Direction::Output, "Output", {kZRStreamProgram, "mpeg2ps"});
}

ZRMarrackMuxerNode::~ZRMarrackMuxerNode() = default;

int64_t ZRMarrackMuxerNode::videoFrames() const {
    std::lock_guard lock(m_mutex);
    return m_videoFrames;
}

int64_t ZRMarrackMuxerNode::audioBytes() const {
    std::lock_guard lock(m_mutex);
    return m_audioBytes;
}

ZRGraphResult ZRMarrackMuxerNode::onPause(ZRGraphState from) {
    if (from != ZRGraphState::Stopped) return kZRGraphOk;
    std::lock_guard lock(m_mutex);
    m_muxer.reset();
    m_pendingAudio.clear();
    m_failed = m_finished = false;
    m_videoEnded = !inputPin(0)->isConnected();
    m_audioEnded = !inputPin(1)->isConnected();
    m_videoFrames = m_audioBytes = m_videoTime = m_audioSamples = 0;
    return kZRGraphOk;
}

ZRGraphResult ZRMarrackMuxerNode::onStop() {
    std::lock_guard lock(m_mutex);
    finishLocked();
    m_muxer.reset();
    m_pendingAudio.clear();
    return kZRGraphOk;
}

bool ZRMarrackMuxerNode::openLocked() {
    if (m_muxer) return true;
    if (m_failed) return false;
    const ZRMediaType& type = inputPin(0)->connectionType();
    auto muxer = std::make_unique<Muxer>();
    if (!muxer->open(type.subtype == "mpeg1video" ? AV_CODEC_ID_MPEG1VIDEO : AV_CODEC_ID_MPEG2VIDEO,
                     type.width, type.height, inputPin(1)->isConnected())) {
        qWarning("Marrack Muxer: the program stream could not be started");
        m_failed = true;
        return false;
    }
    m_muxer = std::move(muxer);
    return true;
}

void ZRMarrackMuxerNode::flushLocked() {
    if (!m_muxer || m_muxer->collected.empty()) return;
    ZRMediaSample out = ZRMediaSample::fromBytes(std::move(m_muxer->collected));
    m_muxer->collected.clear();
    // Delivered under the lock: the stream's bytes must leave in the order they were made.
    deliver(outputPin(0), out);
}

void ZRMarrackMuxerNode::writeAudioLocked() {
    if (!m_muxer || !m_muxer->audio) return;
    size_t at = 0;
    while (m_pendingAudio.size() - at >= kAudioPiece) {
        const int64_t frames = int64_t(kAudioPiece / kBytesPerFrame);
        const int64_t time = m_audioSamples * kClock / kRate;
        if (!m_muxer->write(m_muxer->audio, m_pendingAudio.data() + at, kAudioPiece, time,
                            frames * kClock / kRate)) {
            m_failed = true;
            break;
        }
        m_audioSamples += frames;
        m_audioBytes += int64_t(kAudioPiece);
        at += kAudioPiece;
    }
    m_pendingAudio.erase(m_pendingAudio.begin(), m_pendingAudio.begin() + ptrdiff_t(at));
}

void ZRMarrackMuxerNode::receive(ZRGraphPin* input, const ZRMediaSample& sample) {
    if (!sample.data || sample.data->empty()) return;
    std::lock_guard lock(m_mutex);
    if (m_failed || m_finished) return;
    if (input == inputPin(1)) {
        // Until the first picture opens the stream the sound waits, within a bound.
        if (!m_muxer && m_pendingAudio.size() >= kMaxPendingAudio) return;
        const size_t whole = sample.data->size() & ~size_t(kBytesPerFrame - 1);
        m_pendingAudio.insert(m_pendingAudio.end(), sample.data->begin(),
                              sample.data->begin() + ptrdiff_t(whole));
        writeAudioLocked();
        flushLocked();
        return;
    }
    if (input != inputPin(0) || !openLocked()) return;
    parseVideoLocked(sample.data->data(), sample.data->size());
    writeAudioLocked();
    flushLocked();
}

void ZRMarrackMuxerNode::parseVideoLocked(const uint8_t* data, size_t size) {
    Muxer& m = *m_muxer;
    // An empty run drains the parser's last picture.
    const bool draining = size == 0;
    while (!m_failed && (size > 0 || draining)) {
        uint8_t* picture = nullptr;
        int pictureSize = 0;
        const int used = av_parser_parse2(m.parser, m.parsing.get(), &picture, &pictureSize, data,
                                          int(std::min<size_t>(size, INT32_MAX)), AV_NOPTS_VALUE,
                                          AV_NOPTS_VALUE, 0);
        if (used < 0) return;
        data += used;
        size -= size_t(used);
        if (pictureSize > 0) {
            const AVRational rate = m.parsing->framerate;
            const int64_t duration =
                rate.num > 0 && rate.den > 0 ? kClock * rate.den / rate.num : kClock / 25;
            if (!m.write(m.video, picture, size_t(pictureSize), m_videoTime, duration)) {
                m_failed = true;
                qWarning("Marrack Muxer: a picture could not be multiplexed");
                return;
            }
            m_videoTime += duration;
            ++m_videoFrames;
        }
        if (draining && pictureSize == 0) return;
    }
}

void ZRMarrackMuxerNode::finishLocked() {
    if (m_finished) return;
    m_finished = true;
    if (!m_muxer || m_failed) return;
    parseVideoLocked(nullptr, 0);
    writeAudioLocked();
    av_write_trailer(m_muxer->context);
    flushLocked();
}

void ZRMarrackMuxerNode::endOfStream(ZRGraphPin* input) {
    {
        std::lock_guard lock(m_mutex);
        (input == inputPin(0) ? m_videoEnded : m_audioEnded) = true;
        if (!m_videoEnded || !m_audioEnded) return;
        finishLocked();
    }
    deliverEndOfStream(outputPin(0));
}
