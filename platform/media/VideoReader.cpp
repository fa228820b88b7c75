#include "platform/media/VideoReader.h"

extern "C" {
#include <libavutil/pixdesc.h>
}

#include <algorithm>
#include <cmath>

namespace mediaimport {

namespace {

// Packets one request may read before it gives up: bounds the work a damaged or hostile file
// can cause (a long group of pictures at a high rate stays far below it).
constexpr int kMaxPacketsPerRequest = 20000;

// How far before the target a seek starts, attempt by attempt, when the demuxer lands late.
constexpr double kBackoff[] = {0.0, 1.0, 4.0, 15.0, 60.0};

constexpr bool isDVFrameSize(int size) {
    return size == 144000 || size == 120000;
}

// The full-range formats libswscale wants named by their plain twins and a range.
AVPixelFormat plainFormat(AVPixelFormat format, bool* fullRange) {
    switch (format) {
    case AV_PIX_FMT_YUVJ420P:
        *fullRange = true;
        return AV_PIX_FMT_YUV420P;
    case AV_PIX_FMT_YUVJ422P:
        *fullRange = true;
        return AV_PIX_FMT_YUV422P;
    case AV_PIX_FMT_YUVJ444P:
        *fullRange = true;
        return AV_PIX_FMT_YUV444P;
    case AV_PIX_FMT_YUVJ440P:
        *fullRange = true;
        return AV_PIX_FMT_YUV440P;
    case AV_PIX_FMT_YUVJ411P:
        *fullRange = true;
        return AV_PIX_FMT_YUV411P;
    default:
        return format;
    }
}

} // namespace

bool VideoReader::open(std::unique_ptr<MediaInput> input, int streamIndex, double origin,
                       double rate, bool still) {
    m_input = std::move(input);
    m_streamIndex = streamIndex;
    m_stream = m_input ? m_input->stream(streamIndex) : nullptr;
    if (!m_stream) return false;
    m_input->keepOnly(streamIndex);
    m_decoder = m_input->openDecoder(streamIndex, true);
    m_packet.reset(av_packet_alloc());
    if (!m_decoder || !m_packet) return false;
    m_origin = origin;
    m_rate = rate > 0.0 ? rate : 25.0;
    m_still = still;
    m_dv = m_stream->codecpar->codec_id == AV_CODEC_ID_DVVIDEO;
    return true;
}

int64_t VideoReader::timestampOf(double seconds) const {
    const AVRational base = m_stream->time_base;
    if (base.num <= 0 || base.den <= 0) return 0;
    const double ts = (m_origin + seconds) * base.den / base.num;
    if (!std::isfinite(ts)) return 0;
    return std::llround(std::clamp(ts, -4.0e18, 4.0e18));
}

int64_t VideoReader::slotOf(const AVFrame* frame) {
    int64_t slot = m_lastSlot + 1;
    const int64_t ts = frame->best_effort_timestamp;
    const AVRational base = m_stream->time_base;
    if (ts != AV_NOPTS_VALUE && base.num > 0 && base.den > 0) {
        const double at = (double(ts) * base.num / base.den - m_origin) * m_rate;
        if (std::isfinite(at)) slot = std::llround(std::clamp(at, -1.0e15, 1.0e15));
    }
    m_lastSlot = slot;
    return slot;
}

void VideoReader::resetDecoder() {
    avcodec_flush_buffers(m_decoder.get());
    m_current.clear();
    m_pending.clear();
    m_lastPacket.clear();
    m_lastSlot = -1;
    m_draining = false;
}

bool VideoReader::nextFrame(Decoded& out) {
    FrameHandle frame(av_frame_alloc());
    if (!frame) return false;
    for (;;) {
        const int received = avcodec_receive_frame(m_decoder.get(), frame.get());
        if (received == 0) {
            out.slot = slotOf(frame.get());
            out.frame = std::move(frame);
            out.native.clear();
            if (m_dv) out.native = m_lastPacket;
            return true;
        }
        if (received != AVERROR(EAGAIN) || m_draining) return false;
        if (m_budget-- <= 0) return false;
        if (!m_input->readPacket(m_packet.get(), m_streamIndex)) {
            // The end of the file: let the decoder hand out what it still holds.
            m_draining = true;
            avcodec_send_packet(m_decoder.get(), nullptr);
            continue;
        }
        if (m_dv) {
            if (isDVFrameSize(m_packet->size))
                m_lastPacket.assign(m_packet->data, m_packet->data + m_packet->size);
            else
                m_lastPacket.clear();
        }
        // A packet the decoder refuses is damaged: the next one may still decode.
        avcodec_send_packet(m_decoder.get(), m_packet.get());
        av_packet_unref(m_packet.get());
    }
}

VideoReader::Step VideoReader::decodeUntil(int64_t index) {
    for (;;) {
        Decoded next;
        if (m_pending.frame) {
            next = std::move(m_pending);
            m_pending.clear();
        } else if (!nextFrame(next)) {
            // The end of the stream holds its last picture.
            return m_current.frame ? Step::Found : Step::Nothing;
        }
        if (next.slot > index) {
            m_pending = std::move(next);
            return m_current.frame ? Step::Found : Step::Overshot;
        }
        m_current = std::move(next);
        if (m_current.slot == index) return Step::Found;
    }
}

// Decoding on is cheaper than a seek unless a key frame lies between the current frame and the
// target. Without an index only long jumps seek.
bool VideoReader::keyFrameBetween(int64_t index) const {
    const int64_t gap = index - m_current.slot;
    if (gap <= 1) return false;
    if (double(gap) > m_rate * 10.0) return true;
    const AVIndexEntry* entry = nullptr;
    if (avformat_index_get_entries_count(m_stream) > 0)
        entry = avformat_index_get_entry_from_timestamp(
            m_stream, timestampOf((double(index) + 0.5) / m_rate), AVSEEK_FLAG_BACKWARD);
    if (!entry) return double(gap) > m_rate * 2.0;
    const int64_t current = m_current.frame->best_effort_timestamp;
    if (current == AV_NOPTS_VALUE) return true;
    return entry->timestamp > current;
}

// Demuxers that seek by decoding time stamps land after a first key frame whose presentation
// time is the target: the start is sought a second early.
bool VideoReader::seekToStart() {
    AVFormatContext* context = m_input->context();
    const int64_t start = m_stream->start_time != AV_NOPTS_VALUE ? m_stream->start_time : 0;
    if (av_seek_frame(context, m_streamIndex, timestampOf(-1.0), AVSEEK_FLAG_BACKWARD) >= 0)
        return true;
    if (avformat_seek_file(context, m_streamIndex, INT64_MIN, start, start, 0) >= 0) return true;
    if (!(context->iformat->flags & AVFMT_NO_BYTE_SEEK) &&
        av_seek_frame(context, -1, 0, AVSEEK_FLAG_BYTE) >= 0)
        return true;
    return false;
}

bool VideoReader::seekAndDecode(int64_t index) {
    AVFormatContext* context = m_input->context();
    for (const double back : kBackoff) {
        const double seconds = double(index) / m_rate - back;
        if (seconds <= 0.0) break;
        if (av_seek_frame(context, m_streamIndex, timestampOf(seconds), AVSEEK_FLAG_BACKWARD) < 0)
            break;
        resetDecoder();
        const Step step = decodeUntil(index);
        if (step == Step::Found) return true;
        if (step == Step::Nothing && m_budget <= 0) return false;
    }
    // From the very start; a stream whose first picture comes after the target shows that one.
    if (!seekToStart()) return false;
    resetDecoder();
    const Step step = decodeUntil(index);
    if (step == Step::Overshot && m_pending.frame) {
        m_current = std::move(m_pending);
        m_pending.clear();
        return true;
    }
    return step == Step::Found;
}

bool VideoReader::seek(int64_t index) {
    if (!m_decoder) return false;
    if (m_nativeNext >= 0) {
        // The demuxer moved on without the decoder.
        m_nativeNext = -1;
        resetDecoder();
    }
    index = std::max<int64_t>(index, 0);
    m_budget = kMaxPacketsPerRequest;
    m_input->startOperation();
    if (m_still) {
        if (m_current.frame) return true;
        Decoded first;
        if (!nextFrame(first)) return false;
        m_current = std::move(first);
        return true;
    }
    if (m_current.frame && m_current.slot == index) return true;
    if (m_current.frame && index > m_current.slot && !keyFrameBetween(index) &&
        decodeUntil(index) == Step::Found)
        return true;
    return seekAndDecode(index);
}

int64_t VideoReader::packetSlot(const AVPacket* packet) const {
    const int64_t ts = packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts;
    const AVRational base = m_stream->time_base;
    if (ts == AV_NOPTS_VALUE || base.num <= 0 || base.den <= 0) return -1;
    const double at = (double(ts) * base.num / base.den - m_origin) * m_rate;
    return std::isfinite(at) ? std::llround(std::clamp(at, -1.0e15, 1.0e15)) : -1;
}

bool VideoReader::readNative(int64_t index) {
    m_native.clear();
    if (!m_dv || m_still || !m_decoder) return false;
    index = std::max<int64_t>(index, 0);
    m_input->startOperation();
    if (m_nativeNext < 0 || index != m_nativeNext) {
        // The decoder's frames no longer follow the demuxer; they are found again on demand.
        resetDecoder();
        m_nativeNext = -1;
        const double seconds = double(index) / m_rate;
        if (av_seek_frame(m_input->context(), m_streamIndex, timestampOf(seconds),
                          AVSEEK_FLAG_BACKWARD) < 0)
            return false;
    }
    // An intra-only stream lands on the frame itself or shortly before it.
    for (int budget = 64; budget > 0; --budget) {
        if (!m_input->readPacket(m_packet.get(), m_streamIndex)) break;
        const int64_t slot = packetSlot(m_packet.get());
        if (slot < 0 || slot > index) break;
        if (slot < index) continue;
        if (!isDVFrameSize(m_packet->size)) break;
        m_native.assign(m_packet->data, m_packet->data + m_packet->size);
        av_packet_unref(m_packet.get());
        m_nativeNext = index + 1;
        return true;
    }
    av_packet_unref(m_packet.get());
    m_nativeNext = -1;
    return false;
}

bool VideoReader::interlaced() const {
    return m_current.frame && m_current.frame->interlaced_frame;
}

bool VideoReader::convert(uint8_t* pixels, int stride) {
    const AVFrame* frame = m_current.frame.get();
    if (!frame || !pixels || frame->width < 1 || frame->height < 1) return false;
    bool fullRange = frame->color_range == AVCOL_RANGE_JPEG;
    const AVPixelFormat format = plainFormat(AVPixelFormat(frame->format), &fullRange);
    // Pictures without a colour space named are ITU-R 601 at standard definition, 709 above.
    int colourSpace = frame->colorspace;
    if (colourSpace == AVCOL_SPC_UNSPECIFIED || colourSpace == AVCOL_SPC_RGB)
        colourSpace = frame->height >= 720 ? SWS_CS_ITU709 : SWS_CS_ITU601;
    if (!m_scaler.update(frame->width, frame->height, format, frame->width, frame->height,
                         AV_PIX_FMT_BGRA, SWS_BILINEAR, colourSpace, fullRange ? 1 : 0))
        return false;
    uint8_t* target[4] = {pixels, nullptr, nullptr, nullptr};
    const int targetStride[4] = {stride, 0, 0, 0};
    return sws_scale(m_scaler.get(), frame->data, frame->linesize, 0, frame->height, target,
                     targetStride) == frame->height;
}

} // namespace mediaimport
