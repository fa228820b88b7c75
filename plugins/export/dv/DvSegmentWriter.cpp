#include "plugins/export/dv/DvSegmentWriter.h"

#include "plugins/export/common/OutputFile.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <sys/stat.h>

namespace exportmodule {

namespace {

constexpr int kSampleRate = 48000;
// What the AVI index and headers may still add to a segment after its last frame.
constexpr int64_t kSegmentReserve = 256 * 1024;
constexpr int64_t kIndexBytesPerFrame = 64;
// Free names looked at for one segment before leaving the choice to its publication.
constexpr int kSegmentNames = 1000;

} // namespace

DvSegmentWriter::DvSegmentWriter() = default;

// The output is released before the pending segments it wrote are removed.
DvSegmentWriter::~DvSegmentWriter() = default;

bool DvSegmentWriter::fail(const std::string& what, int code) {
    return keepFailure(m_error, what, code);
}

bool DvSegmentWriter::open(const std::string& stem, bool pal, int64_t splitBytes, int inRate,
                           int inBits, int inChannels, int threads,
                           std::vector<std::string> replaceable) {
    m_stem = stem;
    m_replaceable = std::move(replaceable);
    m_pal = pal;
    m_rate = pal ? AVRational{25, 1} : AVRational{30000, 1001};
    m_splitBytes = splitBytes;
    m_threads = std::max(threads, 1);

    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_DVVIDEO);
    if (!codec) return fail("encoder", AVERROR_ENCODER_NOT_FOUND);
    m_encoder.reset(avcodec_alloc_context3(codec));
    m_packet.reset(av_packet_alloc());
    if (!m_encoder || !m_packet) return fail("memory", AVERROR(ENOMEM));
    // The consumer profiles of 25 Mbit/s: 4:2:0 for 625 lines, 4:1:1 for 525.
    m_encoder->width = 720;
    m_encoder->height = pal ? 576 : 480;
    m_encoder->pix_fmt = pal ? AV_PIX_FMT_YUV420P : AV_PIX_FMT_YUV411P;
    m_encoder->time_base = av_inv_q(m_rate);
    m_encoder->framerate = m_rate;
    m_encoder->sample_aspect_ratio = pal ? AVRational{16, 15} : AVRational{8, 9};
    m_encoder->thread_count = m_threads;
    m_encoder->thread_type = FF_THREAD_SLICE;
    int result = avcodec_open2(m_encoder.get(), codec, nullptr);
    if (result < 0) return fail("video encoder", result);

    m_hasInput = inRate > 0;
    if (m_hasInput && !m_conformer.open(inRate, inBits, inChannels, kSampleRate, 2))
        return fail("audio format", AVERROR(EINVAL));
    if (!m_hasInput) m_conformer.open(kSampleRate, 16, 2, kSampleRate, 2);
    return openSegment();
}

bool DvSegmentWriter::openSegment() {
    char number[16];
    std::snprintf(number, sizeof number, "%02zu", m_segments.size() + 1);
    platform::PendingFiles::Taken taken;
    const std::string path = segmentName(m_stem + number + ".avi", taken);
    if (!makeOutput(m_output, "avi", path, m_error)) return false;
    AVStream* video = avformat_new_stream(m_output.get(), nullptr);
    AVStream* audio = avformat_new_stream(m_output.get(), nullptr);
    if (!video || !audio) return fail("memory", AVERROR(ENOMEM));
    video->time_base = m_encoder->time_base;
    video->avg_frame_rate = m_rate;
    int result = avcodec_parameters_from_context(video->codecpar, m_encoder.get());
    if (result < 0) return fail("stream", result);
    AVCodecParameters* sound = audio->codecpar;
    sound->codec_type = AVMEDIA_TYPE_AUDIO;
    sound->codec_id = AV_CODEC_ID_PCM_S16LE;
    sound->sample_rate = kSampleRate;
    av_channel_layout_default(&sound->ch_layout, 2);
    sound->bits_per_coded_sample = 16;
    sound->block_align = 4;
    sound->bit_rate = int64_t(kSampleRate) * 4 * 8;
    audio->time_base = {1, kSampleRate};
    const std::string pending = m_pending.add(path, taken);
    result = pending.empty() ? AVERROR(errno)
                             : avio_open(&m_output->pb, pending.c_str(), AVIO_FLAG_WRITE);
    if (result < 0) return fail("cannot create " + path, result);
    m_segments.push_back(path);
    if ((result = avformat_write_header(m_output.get(), nullptr)) < 0)
        return fail("cannot write " + path, result);
    m_segmentFrames = 0;
    m_segmentSamples = 0;
    return true;
}

// The first of the segment's name and its free names that is free or a segment of the replaced
// list: a render over its own list takes the names that list gave its segments, free ones
// included. A name that is free now may be taken by the time the segment is published: then it
// takes the next free one.
std::string DvSegmentWriter::segmentName(const std::string& path,
                                         platform::PendingFiles::Taken& taken) const {
    for (int n = 1; n <= kSegmentNames; ++n) {
        const std::string name = n == 1 ? path : platform::PendingFiles::freeName(path, n);
        struct stat info {};
        if (::lstat(name.c_str(), &info) != 0) {
            taken = platform::PendingFiles::Taken::FreeName;
            return name;
        }
        const size_t slash = name.find_last_of('/');
        const std::string bare = slash == std::string::npos ? name : name.substr(slash + 1);
        // A regular file only: anything else under the name (a link, a device) is never written
        // through.
        if (S_ISREG(info.st_mode) &&
            std::find(m_replaceable.begin(), m_replaceable.end(), bare) != m_replaceable.end()) {
            taken = platform::PendingFiles::Taken::Replace;
            return name;
        }
    }
    taken = platform::PendingFiles::Taken::FreeName;
    return path;
}

bool DvSegmentWriter::publish() {
    if (!m_pending.publish()) return false;
    m_segments = m_pending.published();
    return true;
}

bool DvSegmentWriter::closeSegment() {
    return completeOutput(m_output, m_segments, m_error);
}

// One frame: the DV data, then exactly the audio that plays during it.
bool DvSegmentWriter::writeVideo(const uint8_t* data, size_t size) {
    const AVRational sample{1, kSampleRate};
    const int64_t due = av_rescale_q_rnd(m_frames + 1, av_inv_q(m_rate), sample, AV_ROUND_DOWN);
    const int64_t before = av_rescale_q_rnd(m_frames, av_inv_q(m_rate), sample, AV_ROUND_DOWN);
    const auto samples = size_t(due - before);

    if (m_splitBytes > 0 && m_segmentFrames > 0) {
        const int64_t after = avio_tell(m_output->pb) + int64_t(size) + int64_t(samples) * 4 +
                              (m_segmentFrames + 1) * kIndexBytesPerFrame + kSegmentReserve;
        if (after > m_splitBytes && (!closeSegment() || !openSegment())) return false;
    }

    av_packet_unref(m_packet.get());
    int result = av_new_packet(m_packet.get(), int(size));
    if (result < 0) return fail("memory", result);
    std::copy(data, data + size, m_packet->data);
    m_packet->stream_index = 0;
    m_packet->pts = m_packet->dts = m_segmentFrames;
    m_packet->duration = 1;
    m_packet->flags |= AV_PKT_FLAG_KEY;
    if ((result = av_write_frame(m_output.get(), m_packet.get())) < 0)
        return fail("cannot write " + m_segments.back(), result);

    m_samples.resize(samples * 2);
    m_conformer.pull(m_samples.data(), samples);
    av_packet_unref(m_packet.get());
    if ((result = av_new_packet(m_packet.get(), int(samples * 4))) < 0)
        return fail("memory", result);
    std::copy_n(reinterpret_cast<const uint8_t*>(m_samples.data()), samples * 4, m_packet->data);
    m_packet->stream_index = 1;
    m_packet->pts = m_packet->dts = m_segmentSamples;
    m_packet->duration = int64_t(samples);
    m_packet->flags |= AV_PKT_FLAG_KEY;
    if ((result = av_write_frame(m_output.get(), m_packet.get())) < 0)
        return fail("cannot write " + m_segments.back(), result);

    ++m_frames;
    ++m_segmentFrames;
    m_segmentSamples += int64_t(samples);
    return true;
}

PictureFormat DvSegmentWriter::pictureFormat() const {
    return PictureFormat{m_pal ? AV_PIX_FMT_YUV420P : AV_PIX_FMT_YUV411P, 720, m_pal ? 576 : 480};
}

bool DvSegmentWriter::write(ExportJob& job) {
    if (!m_output) return false;
    if (m_hasInput && !m_conformer.push(job.audio.data(), job.audio.size()))
        return fail("audio conversion", AVERROR(EINVAL));
    if (!job.native.empty()) return writeVideo(job.native.data(), job.native.size());

    if (!job.picture) return fail("picture conversion", AVERROR(EINVAL));
    job.picture->pts = m_frames;
    int result = avcodec_send_frame(m_encoder.get(), job.picture.get());
    if (result < 0) return fail("video encoder", result);
    // The DV encoder is intra-only and without delay: one picture in, one frame out.
    result = avcodec_receive_packet(m_encoder.get(), m_packet.get());
    if (result < 0) return fail("video encoder", result);
    if (size_t(m_packet->size) != frameBytes()) return fail("video encoder", AVERROR_BUG);
    m_encoded.assign(m_packet->data, m_packet->data + m_packet->size);
    return writeVideo(m_encoded.data(), m_encoded.size());
}

bool DvSegmentWriter::finish() {
    return closeSegment() && m_error.empty();
}

} // namespace exportmodule
