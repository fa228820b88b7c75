#include "platform/media/AudioReader.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
}

#include <algorithm>
#include <cmath>
#include <cstring>

namespace mediaimport {

namespace {

constexpr int kMaxPacketsPerRequest = 20000;
constexpr int kMaxChannels = 8;
constexpr int kMaxRate = 768000;
// How far before the target a seek starts, attempt by attempt: enough for decoders that need
// frames before the target, and for demuxers that land a little late.
constexpr double kPreroll[] = {0.2, 1.0, 5.0};
// Longest stretch of silence put in front of a stream that starts late, in seconds.
constexpr int64_t kMaxLeadSeconds = 60;

} // namespace

AudioReader::~AudioReader() {
    av_channel_layout_uninit(&m_resamplerLayout);
}

bool AudioReader::usable(const AVCodecParameters* parameters) {
    return parameters && parameters->sample_rate > 0 && parameters->sample_rate <= kMaxRate &&
           parameters->ch_layout.nb_channels >= 1;
}

bool AudioReader::open(std::unique_ptr<MediaInput> input, int streamIndex, double origin) {
    m_input = std::move(input);
    m_streamIndex = streamIndex;
    m_stream = m_input ? m_input->stream(streamIndex) : nullptr;
    if (!m_stream || !usable(m_stream->codecpar)) return false;
    m_input->keepOnly(streamIndex);
    m_decoder = m_input->openDecoder(streamIndex, false);
    m_packet.reset(av_packet_alloc());
    m_frame.reset(av_frame_alloc());
    if (!m_decoder || !m_packet || !m_frame) return false;
    m_origin = origin;
    m_rate = m_stream->codecpar->sample_rate;
    const int channels = m_stream->codecpar->ch_layout.nb_channels;
    m_channels = channels <= kMaxChannels ? channels : 2;
    m_aligned = false;
    m_position = m_wanted = 0;
    const AVRational base = m_stream->time_base;
    m_streamStart = 0;
    if (m_stream->start_time != AV_NOPTS_VALUE && base.num > 0 && base.den > 0) {
        const double start =
            (double(m_stream->start_time) * base.num / base.den - m_origin) * m_rate;
        if (std::isfinite(start)) m_streamStart = std::llround(std::clamp(start, -1.0e15, 1.0e15));
    }
    return true;
}

void AudioReader::seek(double seconds) {
    if (!std::isfinite(seconds) || seconds < 0.0) seconds = 0.0;
    m_wanted = std::llround(std::min(seconds, 1.0e9) * m_rate);
}

// Converts `frame` into `m_converted`: 16-bit interleaved, the reader's rate and channels.
bool AudioReader::convert(const AVFrame* frame) {
    m_converted.clear();
    if (frame->nb_samples < 1) return true;
    AVChannelLayout in{};
    if (frame->ch_layout.nb_channels > 0 && frame->ch_layout.order != AV_CHANNEL_ORDER_UNSPEC)
        av_channel_layout_copy(&in, &frame->ch_layout);
    else
        av_channel_layout_default(&in, frame->ch_layout.nb_channels > 0
                                           ? frame->ch_layout.nb_channels
                                           : m_decoder->ch_layout.nb_channels);
    const int rate = frame->sample_rate > 0 ? frame->sample_rate : m_rate;
    if (!m_resampler || rate != m_resamplerRate || frame->format != m_resamplerFormat ||
        av_channel_layout_compare(&in, &m_resamplerLayout) != 0) {
        AVChannelLayout out{};
        av_channel_layout_default(&out, m_channels);
        SwrContext* made = nullptr;
        const int set = swr_alloc_set_opts2(&made, &out, AV_SAMPLE_FMT_S16, m_rate, &in,
                                            AVSampleFormat(frame->format), rate, 0, nullptr);
        av_channel_layout_uninit(&out);
        m_resampler.reset(made);
        av_channel_layout_uninit(&m_resamplerLayout);
        if (set < 0 || !m_resampler || swr_init(m_resampler.get()) < 0) {
            m_resampler.reset();
            av_channel_layout_uninit(&in);
            return false;
        }
        m_resamplerRate = rate;
        m_resamplerFormat = frame->format;
        av_channel_layout_copy(&m_resamplerLayout, &in);
    }
    av_channel_layout_uninit(&in);
    const int room = swr_get_out_samples(m_resampler.get(), frame->nb_samples);
    if (room < 1) return room == 0;
    m_converted.resize(size_t(room) * size_t(m_channels));
    uint8_t* target[1] = {reinterpret_cast<uint8_t*>(m_converted.data())};
    const int made =
        swr_convert(m_resampler.get(), target, room,
                    const_cast<const uint8_t**>(frame->extended_data), frame->nb_samples);
    m_converted.resize(size_t(std::max(made, 0)) * size_t(m_channels));
    return made >= 0;
}

// The next decoded frame into `m_converted`; `*start` receives the sample frame it starts at,
// or INT64_MIN when it carries no time. False at the end of the stream.
bool AudioReader::decodeNext(int64_t* start) {
    for (;;) {
        const int received = avcodec_receive_frame(m_decoder.get(), m_frame.get());
        if (received == 0) {
            *start = INT64_MIN;
            const int64_t ts = m_frame->best_effort_timestamp;
            const AVRational base = m_stream->time_base;
            if (ts != AV_NOPTS_VALUE && base.num > 0 && base.den > 0) {
                const double at = (double(ts) * base.num / base.den - m_origin) * m_rate;
                if (std::isfinite(at)) *start = std::llround(std::clamp(at, -1.0e15, 1.0e15));
                // Time stamps coarser than a sample (milliseconds in Matroska) are snapped to
                // the grid of equal frames the stream is cut into from its start.
                const int64_t length = m_frame->nb_samples;
                if (*start != INT64_MIN && length > 0 && int64_t(base.num) * m_rate > base.den) {
                    const double frames = double(*start - m_streamStart) / double(length);
                    *start = m_streamStart + std::llround(frames) * length;
                }
            }
            const bool converted = convert(m_frame.get());
            av_frame_unref(m_frame.get());
            if (!converted) m_converted.clear();
            return true;
        }
        if (received != AVERROR(EAGAIN) || m_draining) {
            m_ended = true;
            return false;
        }
        if (m_budget-- <= 0) return false;
        if (!m_input->readPacket(m_packet.get(), m_streamIndex)) {
            m_draining = true;
            avcodec_send_packet(m_decoder.get(), nullptr);
            continue;
        }
        avcodec_send_packet(m_decoder.get(), m_packet.get());
        av_packet_unref(m_packet.get());
    }
}

void AudioReader::clearQueue() {
    m_queue.clear();
    m_queueRead = 0;
}

size_t AudioReader::queued() const {
    return (m_queue.size() - m_queueRead) / size_t(m_channels);
}

// Decodes on and appends to the queue; false at the end of the stream.
bool AudioReader::decodeMore() {
    int64_t start = 0;
    if (!decodeNext(&start)) return false;
    m_queue.insert(m_queue.end(), m_converted.begin(), m_converted.end());
    return true;
}

bool AudioReader::seekStart() {
    AVFormatContext* context = m_input->context();
    const int64_t start = m_stream->start_time != AV_NOPTS_VALUE ? m_stream->start_time : 0;
    // A second early: demuxers that seek by decoding time would land after the first frame.
    const AVRational base = m_stream->time_base;
    const int64_t early = base.num > 0 && base.den > 0 ? start - base.den / base.num : start;
    if (av_seek_frame(context, m_streamIndex, early, AVSEEK_FLAG_BACKWARD) >= 0) return true;
    if (avformat_seek_file(context, m_streamIndex, INT64_MIN, start, start, 0) >= 0) return true;
    return !(context->iformat->flags & AVFMT_NO_BYTE_SEEK) &&
           av_seek_frame(context, -1, 0, AVSEEK_FLAG_BYTE) >= 0;
}

// Seeks so that the queue starts exactly at `sample`. A demuxer that lands after the target is
// asked again from further back; only at the stream's own start is the gap filled with silence.
void AudioReader::seekDemuxer(int64_t sample) {
    AVFormatContext* context = m_input->context();
    const AVRational base = m_stream->time_base;
    const int64_t streamStart = m_streamStart;
    const int64_t tolerance = m_rate / 50;

    for (size_t attempt = 0; attempt <= std::size(kPreroll); ++attempt) {
        const bool last = attempt == std::size(kPreroll);
        const double seconds = last ? 0.0 : double(sample) / m_rate - kPreroll[attempt];
        bool fromStart = last || seconds <= 0.0 || double(sample) <= double(streamStart);
        if (!fromStart) {
            const double ts = (m_origin + seconds) * base.den / base.num;
            if (!std::isfinite(ts) ||
                av_seek_frame(context, m_streamIndex, std::llround(std::clamp(ts, -4.0e18, 4.0e18)),
                              AVSEEK_FLAG_BACKWARD) < 0)
                fromStart = true;
        }
        if (fromStart && !seekStart()) break;
        avcodec_flush_buffers(m_decoder.get());
        m_resampler.reset();
        clearQueue();
        m_ended = m_draining = false;

        int64_t expected = fromStart ? streamStart : INT64_MIN;
        int64_t start = 0;
        bool late = false;
        while (decodeNext(&start)) {
            if (start == INT64_MIN) start = expected != INT64_MIN ? expected : sample;
            const int64_t length = int64_t(m_converted.size() / size_t(m_channels));
            expected = start + length;
            if (start > sample) {
                if (!fromStart && start > streamStart + tolerance) {
                    late = true;
                    break;
                }
                const int64_t lead = std::min(start - sample, kMaxLeadSeconds * m_rate);
                m_queue.assign(size_t(lead) * size_t(m_channels), 0);
                m_queue.insert(m_queue.end(), m_converted.begin(), m_converted.end());
                m_aligned = true;
                return;
            }
            if (sample - start < length) {
                const size_t skip = size_t(sample - start) * size_t(m_channels);
                m_queue.assign(m_converted.begin() + ptrdiff_t(skip), m_converted.end());
                m_aligned = true;
                return;
            }
        }
        if (!late) break; // the stream ends before the target: nothing to play there
    }
    clearQueue();
    m_aligned = true;
}

void AudioReader::reposition() {
    const int64_t gap = m_wanted - m_position;
    if (m_aligned && gap > 0 && gap <= int64_t(m_rate) * 2) {
        // Close ahead: decoding on is cheaper than a seek.
        int64_t left = gap;
        while (left > 0) {
            if (queued() == 0 && !decodeMore()) {
                clearQueue();
                break;
            }
            const int64_t drop = std::min<int64_t>(left, int64_t(queued()));
            m_queueRead += size_t(drop) * size_t(m_channels);
            left -= drop;
        }
    } else {
        m_aligned = false;
        seekDemuxer(m_wanted);
    }
    m_position = m_wanted;
}

int AudioReader::read(int16_t* out, int frames) {
    if (!m_decoder || !out || frames < 1) return 0;
    m_input->startOperation();
    m_budget = kMaxPacketsPerRequest;
    if (!m_aligned || m_wanted != m_position) reposition();
    int delivered = 0;
    while (delivered < frames) {
        if (queued() == 0) {
            clearQueue();
            if (m_ended || !decodeMore()) break;
            continue;
        }
        const int count = int(std::min<size_t>(queued(), size_t(frames - delivered)));
        const size_t samples = size_t(count) * size_t(m_channels);
        std::memcpy(out + size_t(delivered) * size_t(m_channels), m_queue.data() + m_queueRead,
                    samples * sizeof(int16_t));
        m_queueRead += samples;
        delivered += count;
    }
    m_position += delivered;
    m_wanted = m_position;
    // Keep the queue from growing: drop what was handed out once it is most of it.
    if (m_queueRead > 0 && m_queueRead * 2 >= m_queue.size()) {
        m_queue.erase(m_queue.begin(), m_queue.begin() + ptrdiff_t(m_queueRead));
        m_queueRead = 0;
    }
    return delivered;
}

} // namespace mediaimport
