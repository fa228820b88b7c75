#include "platform/segments/ZRDVSceneSplitWriter.h"

#include "platform/segments/ZRSegmentList.h"

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/mathematics.h>
}

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace segments {

namespace {

// Bytes the muxer adds at the end besides the index entries: header fix-ups, the index's own
// header and the OpenDML index chunks of a large segment.
constexpr int64_t kTrailerMargin = 256 * 1024;
// Index bytes a frame adds: one 16-byte entry each for its video and its sound.
constexpr int64_t kIndexPerFrame = 32;

std::string errnoText(int error) {
    return std::strerror(error);
}

std::string avText(int error) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(error, text, sizeof text);
    return text;
}

} // namespace

/// One segment open for writing: the file, the muxer over our own I/O, and what was reserved.
struct ZRDVSceneSplitWriter::Output {
    int fd = -1;
    AVIOContext* io = nullptr;
    AVFormatContext* muxer = nullptr;
    AVPacket* packet = nullptr;
    int64_t position = 0; ///< where the next write lands
    int64_t end = 0;      ///< the furthest byte written
    int64_t reserved = 0; ///< bytes reserved from the file's start
    int writeError = 0;   ///< the first errno of a failed write
    AVRational frameRate{25, 1};
    int rate = 48000, channels = 2;
    int64_t frames = 0, samples = 0;

    ~Output() {
        av_packet_free(&packet);
        if (muxer) {
            muxer->pb = nullptr;
            avformat_free_context(muxer);
        }
        if (io) {
            av_freep(&io->buffer);
            avio_context_free(&io);
        }
        if (fd >= 0) ::close(fd);
    }

    static int writePacket(void* opaque, uint8_t* data, int size) {
        auto* out = static_cast<Output*>(opaque);
        int left = size;
        while (left > 0) {
            const ssize_t n = ::pwrite(out->fd, data, size_t(left), out->position);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) {
                if (!out->writeError) out->writeError = n < 0 ? errno : ENOSPC;
                return AVERROR(out->writeError);
            }
            data += n;
            left -= int(n);
            out->position += n;
            out->end = std::max(out->end, out->position);
        }
        return size;
    }

    static int64_t seek(void* opaque, int64_t offset, int whence) {
        auto* out = static_cast<Output*>(opaque);
        if (whence == AVSEEK_SIZE) return out->end;
        whence &= ~AVSEEK_FORCE;
        const int64_t base = whence == SEEK_CUR ? out->position : whence == SEEK_END ? out->end : 0;
        if (base + offset < 0) return AVERROR(EINVAL);
        out->position = base + offset;
        return out->position;
    }
};

ZRDVSceneSplitWriter::ZRDVSceneSplitWriter(Reserve reserve) : m_reserve(std::move(reserve)) {
    if (!m_reserve)
        m_reserve = [](int fd, int64_t offset, int64_t length) {
            return ::posix_fallocate(fd, off_t(offset), off_t(length));
        };
}

ZRDVSceneSplitWriter::~ZRDVSceneSplitWriter() {
    if (m_open) (void)finish();
}

bool ZRDVSceneSplitWriter::open(const std::string& base, Settings settings) {
    if (m_open) (void)finish();
    m_base = base;
    m_settings = settings;
    m_segments.clear();
    m_result.clear();
    m_error.clear();
    m_failed = false;
    m_frames = 0;
    m_haveTime = false;
    if (base.empty()) {
        m_failed = true;
        m_error = "no file name";
        return false;
    }
    m_open = true;
    return true;
}

void ZRDVSceneSplitWriter::fail(const std::string& why) {
    if (m_failed) return;
    m_failed = true;
    m_error = why;
    // What was written stays usable: the segment ends at its last whole frame.
    (void)closeSegment();
}

bool ZRDVSceneSplitWriter::openSegment(std::span<const uint8_t> first, int rate, int channels) {
    char number[16];
    std::snprintf(number, sizeof number, "%02zu", m_segments.size() + 1);
    const std::string path = m_base + number + ".avi";
    auto out = std::make_unique<Output>();
    out->fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (out->fd < 0) {
        fail("cannot create " + path + ": " + errnoText(errno));
        return false;
    }
    m_segments.push_back(path);
    const bool ntsc = isDv525(first);
    out->frameRate = ntsc ? AVRational{30000, 1001} : AVRational{25, 1};
    out->rate = rate;
    out->channels = channels;
    constexpr int kBufferSize = 256 * 1024;
    auto* buffer = static_cast<uint8_t*>(av_malloc(kBufferSize));
    out->io = buffer ? avio_alloc_context(buffer, kBufferSize, 1, out.get(), nullptr,
                                          &Output::writePacket, &Output::seek)
                     : nullptr;
    if (!out->io) av_free(buffer);
    out->packet = av_packet_alloc();
    if (!out->io || !out->packet ||
        avformat_alloc_output_context2(&out->muxer, nullptr, "avi", nullptr) < 0) {
        m_out = std::move(out);
        fail("out of memory");
        return false;
    }
    out->io->seekable = AVIO_SEEKABLE_NORMAL;
    out->muxer->pb = out->io;
    out->muxer->flags |= AVFMT_FLAG_CUSTOM_IO;
    AVStream* video = avformat_new_stream(out->muxer, nullptr);
    AVStream* audio = avformat_new_stream(out->muxer, nullptr);
    m_out = std::move(out);
    if (!video || !audio) {
        fail("out of memory");
        return false;
    }
    video->codecpar->codec_type = AVMEDIA_TYPE_VIDEO;
    video->codecpar->codec_id = AV_CODEC_ID_DVVIDEO;
    video->codecpar->codec_tag = MKTAG('d', 'v', 's', 'd');
    video->codecpar->width = 720;
    video->codecpar->height = ntsc ? 480 : 576;
    video->codecpar->bit_rate = 25000000;
    video->time_base = av_inv_q(m_out->frameRate);
    video->avg_frame_rate = m_out->frameRate;
    AVCodecParameters* sound = audio->codecpar;
    sound->codec_type = AVMEDIA_TYPE_AUDIO;
    sound->codec_id = AV_CODEC_ID_PCM_S16LE;
    sound->sample_rate = rate;
    av_channel_layout_default(&sound->ch_layout, channels);
    sound->bits_per_coded_sample = 16;
    sound->block_align = 2 * channels;
    sound->bit_rate = int64_t(rate) * 16 * channels;
    audio->time_base = {1, rate};
    const int r = avformat_write_header(m_out->muxer, nullptr);
    if (r < 0) {
        fail("cannot write " + path + ": " + avText(r));
        return false;
    }
    return true;
}

bool ZRDVSceneSplitWriter::closeSegment() {
    if (!m_out) return true;
    std::unique_ptr<Output> out = std::move(m_out);
    bool ok = out->muxer && out->muxer->pb;
    if (ok) {
        if (av_write_trailer(out->muxer) < 0) ok = false;
        avio_flush(out->io);
        if (out->io->error < 0 || out->writeError) ok = false;
    }
    // The reservation beyond the real end is given back.
    if (out->fd >= 0 && ::ftruncate(out->fd, out->end) != 0) ok = false;
    if (out->fd >= 0 && ::fsync(out->fd) != 0 && errno != EINVAL) ok = false;
    if (!ok && !m_failed) {
        m_failed = true;
        m_error = "cannot complete " + (m_segments.empty() ? m_base : m_segments.back()) + ": " +
                  errnoText(out->writeError ? out->writeError : EIO);
    }
    return ok;
}

ZRDVSceneSplitWriter::Result ZRDVSceneSplitWriter::write(std::span<const uint8_t> frame) {
    if (!m_open || m_failed) return Result::Failed;
    if (!isWholeDvFrame(frame.size())) return Result::Rejected;

    DvAudioReader::Sound sound = m_audio.read(frame);
    bool cut = false;
    if (m_settings.sceneSplit) {
        if (const auto time = dvRecordingTime(frame)) {
            if (m_haveTime && (*time > m_lastTime + 1 || *time < m_lastTime)) cut = true;
            m_lastTime = *time;
            m_haveTime = true;
        }
    }
    // A frame of the other line system cannot join the segment's stream.
    if (m_out && (isDv525(frame) != (m_out->frameRate.num != 25))) cut = true;

    const auto samplesFor = [](const Output& o) {
        const AVRational sample{1, o.rate};
        const AVRational frameTime = av_inv_q(o.frameRate);
        return av_rescale_q(o.frames + 1, frameTime, sample) -
               av_rescale_q(o.frames, frameTime, sample);
    };
    const auto soundBytes = [&](const Output& o) {
        const bool fits = sound.rate == o.rate && sound.channels == o.channels;
        return (fits ? int64_t(sound.samples.size()) : samplesFor(o) * o.channels) * 2;
    };
    if (m_out && m_settings.splitKilobytes > 0 && m_out->frames > 0) {
        const int64_t after = avio_tell(m_out->io) + int64_t(frame.size()) + 16 +
                              soundBytes(*m_out) + (m_out->frames + 1) * kIndexPerFrame +
                              kTrailerMargin;
        if (after > m_settings.splitKilobytes * 1024) cut = true;
    }
    if (cut && m_out && m_out->frames > 0 && !closeSegment()) return Result::Failed;
    if (!m_out) {
        const int rate = sound.rate > 0 ? sound.rate : 48000;
        const int channels = sound.channels > 0 ? sound.channels : 2;
        if (!openSegment(frame, rate, channels)) return Result::Failed;
    }
    Output& out = *m_out;

    const int64_t bytes = soundBytes(out);
    const int64_t needed = avio_tell(out.io) + int64_t(frame.size()) + bytes + 32 +
                           (out.frames + 1) * kIndexPerFrame + kTrailerMargin;
    if (needed > out.reserved) {
        const int error = m_reserve(out.fd, out.reserved, needed - out.reserved);
        if (error != 0) {
            fail("cannot write " + m_segments.back() + ": " + errnoText(error));
            return Result::Failed;
        }
        out.reserved = needed;
    }

    AVPacket* packet = out.packet;
    av_packet_unref(packet);
    if (av_new_packet(packet, int(frame.size())) < 0) {
        fail("out of memory");
        return Result::Failed;
    }
    std::memcpy(packet->data, frame.data(), frame.size());
    packet->stream_index = 0;
    packet->pts = packet->dts = out.frames;
    packet->duration = 1;
    packet->flags |= AV_PKT_FLAG_KEY;
    int r = av_write_frame(out.muxer, packet);
    if (r >= 0) {
        av_packet_unref(packet);
        r = av_new_packet(packet, int(bytes));
    }
    if (r >= 0) {
        if (sound.rate == out.rate && sound.channels == out.channels)
            std::memcpy(packet->data, sound.samples.data(), size_t(bytes));
        else
            std::memset(packet->data, 0, size_t(bytes));
        packet->stream_index = 1;
        packet->pts = packet->dts = out.samples;
        packet->duration = bytes / (2 * out.channels);
        packet->flags |= AV_PKT_FLAG_KEY;
        r = av_write_frame(out.muxer, packet);
    }
    if (r < 0) {
        fail("cannot write " + m_segments.back() + ": " +
             (out.writeError ? errnoText(out.writeError) : avText(r)));
        return Result::Failed;
    }
    ++out.frames;
    out.samples += bytes / (2 * out.channels);
    ++m_frames;
    return Result::Written;
}

bool ZRDVSceneSplitWriter::finish() {
    if (!m_open) return !m_failed;
    m_open = false;
    bool ok = closeSegment() && !m_failed;
    if (m_segments.size() > 1) {
        m_result = m_base + ".ovl";
        if (!ZRSegmentList::rewrite(m_result, ZRSegmentList::Kind::DV, m_segments)) {
            if (!m_failed) m_error = "cannot write " + m_result;
            m_failed = true;
            ok = false;
        }
    } else if (m_segments.size() == 1) {
        m_result = m_base + ".avi";
        if (std::rename(m_segments.front().c_str(), m_result.c_str()) != 0) {
            if (!m_failed)
                m_error = "cannot rename " + m_segments.front() + ": " + errnoText(errno);
            m_failed = true;
            m_result = m_segments.front();
            ok = false;
        }
    }
    return ok;
}

} // namespace segments
