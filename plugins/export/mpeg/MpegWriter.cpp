#include "plugins/export/mpeg/MpegWriter.h"

#include "plugins/export/common/OutputFile.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/opt.h>
}

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace exportmodule {

using platform::ffmpeg::FrameHandle;

namespace {

// "dir/name.mpg" -> "dir/name02.mpg" for the second file, and so on.
std::string segmentPath(const std::string& path, size_t index) {
    if (index == 0) return path;
    const size_t slash = path.find_last_of('/');
    const size_t dot = path.find_last_of('.');
    const bool hasExtension =
        dot != std::string::npos && (slash == std::string::npos || dot > slash);
    const std::string stem = hasExtension ? path.substr(0, dot) : path;
    const std::string extension = hasExtension ? path.substr(dot) : std::string();
    char number[16];
    std::snprintf(number, sizeof number, "%02zu", index + 1);
    return stem + number + extension;
}

// Fills an encoder's audio frame from interleaved 16-bit samples in the encoder's own format.
void fillSound(AVFrame* frame, const int16_t* samples, int channels) {
    const int count = frame->nb_samples;
    switch (frame->format) {
    case AV_SAMPLE_FMT_S16:
        std::memcpy(frame->data[0], samples, size_t(count) * size_t(channels) * 2);
        break;
    case AV_SAMPLE_FMT_S16P:
        for (int c = 0; c < channels; ++c) {
            auto* out = reinterpret_cast<int16_t*>(frame->data[c]);
            for (int i = 0; i < count; ++i)
                out[i] = samples[i * channels + c];
        }
        break;
    case AV_SAMPLE_FMT_FLTP:
        for (int c = 0; c < channels; ++c) {
            auto* out = reinterpret_cast<float*>(frame->data[c]);
            for (int i = 0; i < count; ++i)
                out[i] = float(samples[i * channels + c]) * (1.0f / 32768.0f);
        }
        break;
    default: { // AV_SAMPLE_FMT_FLT
        auto* out = reinterpret_cast<float*>(frame->data[0]);
        for (int i = 0; i < count * channels; ++i)
            out[i] = float(samples[i]) * (1.0f / 32768.0f);
    }
    }
}

AVSampleFormat soundFormat(const AVCodec* codec) {
    const AVSampleFormat* formats = codec->sample_fmts;
    for (AVSampleFormat wanted :
         {AV_SAMPLE_FMT_S16, AV_SAMPLE_FMT_S16P, AV_SAMPLE_FMT_FLTP, AV_SAMPLE_FMT_FLT})
        for (size_t i = 0; formats && formats[i] != AV_SAMPLE_FMT_NONE; ++i)
            if (formats[i] == wanted) return wanted;
    return AV_SAMPLE_FMT_NONE;
}

} // namespace

MpegWriter::MpegWriter() = default;

// The output is released before the pending files it wrote are removed.
MpegWriter::~MpegWriter() = default;

bool MpegWriter::fail(const std::string& what, int code) {
    return keepFailure(m_error, what, code);
}

bool MpegWriter::open(const MpegProfile& profile, const std::string& path, int inRate, int inBits,
                      int inChannels, int threads) {
    m_profile = profile;
    m_path = path;
    m_threads = std::max(threads, 1);
    const AVCodec* videoCodec = avcodec_find_encoder(profile.videoCodec);
    const AVCodec* audioCodec = avcodec_find_encoder(profile.audioCodec);
    if (!videoCodec || !audioCodec) return fail("encoder", AVERROR_ENCODER_NOT_FOUND);

    m_audio.reset(avcodec_alloc_context3(audioCodec));
    m_sound.reset(av_frame_alloc());
    m_packet.reset(av_packet_alloc());
    if (!m_audio || !m_sound || !m_packet) return fail("memory", AVERROR(ENOMEM));
    if (!openVideoEncoder(false)) return false;

    AVCodecContext* a = m_audio.get();
    a->sample_fmt = soundFormat(audioCodec);
    a->sample_rate = profile.sampleRate;
    a->bit_rate = profile.audioBitRate;
    a->time_base = {1, profile.sampleRate};
    av_channel_layout_default(&a->ch_layout, 2);
    if (a->sample_fmt == AV_SAMPLE_FMT_NONE) return fail("audio encoder", AVERROR(EINVAL));
    int result = avcodec_open2(a, audioCodec, nullptr);
    if (result < 0) return fail("audio encoder", result);
    m_sound->format = a->sample_fmt;
    m_sound->sample_rate = a->sample_rate;
    m_sound->nb_samples = a->frame_size;
    av_channel_layout_copy(&m_sound->ch_layout, &a->ch_layout);
    if ((result = av_frame_get_buffer(m_sound.get(), 0)) < 0) return fail("memory", result);
    m_samples.resize(size_t(a->frame_size) * 2);

    m_hasInput = inRate > 0;
    if (m_hasInput && !m_conformer.open(inRate, inBits, inChannels, profile.sampleRate, 2))
        return fail("audio format", AVERROR(EINVAL));
    if (!m_hasInput) m_conformer.open(profile.sampleRate, 16, 2, profile.sampleRate, 2);

    // A cut waits for the next group of pictures, so it is looked for a second's worth of
    // data before the limit.
    const int64_t second = (std::max(profile.maxRate, profile.bitRate) + profile.audioBitRate) / 8;
    m_cutMargin = std::min<int64_t>(second + 65536, profile.splitBytes / 2);
    return openFile();
}

constexpr int kMaxBFrames = 2;

// Made again, before the first frame is encoded, when the first frames show the source
// interlaced: the multiplex header written meanwhile does not depend on the scan.
bool MpegWriter::openVideoEncoder(bool interlaced) {
    m_interlaced = interlaced && m_profile.videoCodec == AV_CODEC_ID_MPEG2VIDEO;
    int result = 0;
    if (!(m_video = makeVideoEncoder(m_threads, &result))) return fail("video encoder", result);
    return true;
}

// A closed group ends on a reference picture: an I-picture and whole runs of B-pictures each
// followed by a P-picture, as many as the profile's length holds (13 of PAL's 15, 16 of NTSC's
// 18).
int MpegWriter::groupFrames() const {
    return 1 + (kMaxBFrames + 1) * ((m_profile.gop - 1) / (kMaxBFrames + 1));
}

platform::ffmpeg::CodecContextHandle MpegWriter::makeVideoEncoder(int threads, int* result) const {
    const AVCodec* codec = avcodec_find_encoder(m_profile.videoCodec);
    platform::ffmpeg::CodecContextHandle context(codec ? avcodec_alloc_context3(codec) : nullptr);
    if (!context) {
        *result = codec ? AVERROR(ENOMEM) : AVERROR_ENCODER_NOT_FOUND;
        return nullptr;
    }
    const MpegProfile& profile = m_profile;
    AVCodecContext* v = context.get();
    v->width = profile.width;
    v->height = profile.height;
    v->pix_fmt = AV_PIX_FMT_YUV420P;
    v->time_base = av_inv_q(profile.rate);
    v->framerate = profile.rate;
    v->gop_size = profile.gop;
    v->max_b_frames = kMaxBFrames;
    v->bit_rate = profile.bitRate;
    v->rc_max_rate = profile.maxRate;
    v->rc_min_rate = profile.minRate;
    v->rc_buffer_size = profile.bufferSize;
    v->rc_initial_buffer_occupancy = profile.bufferSize * 3 / 4;
    // Closed groups let every file of a split start cleanly; they rule out cuts at scene
    // changes, so groups keep the profile's length.
    v->flags |= AV_CODEC_FLAG_CLOSED_GOP;
    av_opt_set_int(v->priv_data, "sc_threshold", 1000000000, 0);
    av_reduce(&v->sample_aspect_ratio.num, &v->sample_aspect_ratio.den, 4LL * profile.height,
              3LL * profile.width, 255);
    v->thread_count = threads;
    v->thread_type = FF_THREAD_SLICE;
    if (profile.scanOffset) av_opt_set_int(v->priv_data, "scan_offset", 1, 0);
    if (m_interlaced) {
        // DV and the other interlaced sources the engine reads are bottom field first.
        v->flags |= AV_CODEC_FLAG_INTERLACED_DCT | AV_CODEC_FLAG_INTERLACED_ME;
        v->field_order = AV_FIELD_BB;
    }
    if ((*result = avcodec_open2(v, codec, nullptr)) < 0) return nullptr;
    return context;
}

bool MpegWriter::openFile() {
    const std::string path = segmentPath(m_path, m_files.size());
    if (!makeOutput(m_output, m_profile.muxer, path, m_error)) return false;
    m_output->packet_size = unsigned(m_profile.packetSize);
    m_output->max_delay = int(m_profile.preload * AV_TIME_BASE);
    int result = 0;
    for (AVCodecContext* codec : {m_video.get(), m_audio.get()}) {
        AVStream* stream = avformat_new_stream(m_output.get(), nullptr);
        if (!stream) return fail("memory", AVERROR(ENOMEM));
        stream->time_base = codec->time_base;
        if ((result = avcodec_parameters_from_context(stream->codecpar, codec)) < 0)
            return fail("stream", result);
        // The muxer sizes its buffers from the encoder's buffer properties (VBV).
        for (int i = 0; i < codec->nb_coded_side_data; ++i) {
            const AVPacketSideData& side = codec->coded_side_data[i];
            uint8_t* copy = av_stream_new_side_data(stream, side.type, side.size);
            if (!copy) return fail("memory", AVERROR(ENOMEM));
            std::memcpy(copy, side.data, side.size);
        }
    }
    m_output->streams[0]->avg_frame_rate = m_profile.rate;
    // The first file is the one the engine was asked for; the further ones are named after it
    // and never replace a file that stands under their names.
    const std::string pending =
        m_pending.add(path, m_files.empty() ? platform::PendingFiles::Taken::Replace
                                            : platform::PendingFiles::Taken::FreeName);
    result = pending.empty() ? AVERROR(errno)
                             : avio_open(&m_output->pb, pending.c_str(), AVIO_FLAG_WRITE);
    if (result < 0) return fail("cannot create " + path, result);
    m_files.push_back(path);
    AVDictionary* options = nullptr;
    if (m_profile.muxRate > 0) av_dict_set_int(&options, "muxrate", m_profile.muxRate, 0);
    // The muxer's start-up delay is the profile's too: left at the muxer's own (half a second)
    // beside VCD's shorter one, packets reached the decoder's buffers late all through the file.
    av_dict_set_int(&options, "preload", int64_t(m_profile.preload * AV_TIME_BASE), 0);
    result = avformat_write_header(m_output.get(), &options);
    av_dict_free(&options);
    if (result < 0) return fail("cannot write " + path, result);
    return true;
}

bool MpegWriter::publish() {
    if (!m_pending.publish()) return false;
    m_files = m_pending.published();
    return true;
}

bool MpegWriter::closeFile() {
    return completeOutput(m_output, m_files, m_error);
}

bool MpegWriter::writePacket(AVPacket* packet, bool video) {
    AVStream* stream = m_output->streams[video ? 0 : 1];
    if (video && m_profile.splitBytes > 0 && (packet->flags & AV_PKT_FLAG_KEY) &&
        avio_tell(m_output->pb) >= m_profile.splitBytes - m_cutMargin) {
        if (!closeFile() || !openFile()) return false;
        stream = m_output->streams[0];
    }
    av_packet_rescale_ts(packet, video ? m_video->time_base : m_audio->time_base,
                         stream->time_base);
    packet->stream_index = stream->index;
    const int result = av_interleaved_write_frame(m_output.get(), packet);
    if (result < 0) return fail("cannot write " + m_files.back(), result);
    return true;
}

bool MpegWriter::encodeVideo(AVFrame* frame) {
    if (m_groups) {
        const auto sink = [this](AVPacket* packet) {
            return writePacket(packet, true) ? 0 : AVERROR_EXTERNAL;
        };
        int result = AVERROR(ENOMEM);
        if (!frame) {
            result = m_groups->finish(sink);
        } else if (FrameHandle copy{av_frame_alloc()}) {
            // The encoders get a copy of their own: the job's picture goes back to the export
            // thread as soon as this returns, to be filled again while the groups' contexts may
            // still hold what they were sent (a reference would keep the two threads on one
            // buffer, ordered only by the buffer's reference count).
            copy->format = frame->format;
            copy->width = frame->width;
            copy->height = frame->height;
            if ((result = av_frame_get_buffer(copy.get(), 0)) >= 0 &&
                (result = av_frame_copy(copy.get(), frame)) >= 0 &&
                (result = av_frame_copy_props(copy.get(), frame)) >= 0)
                result = m_groups->send(std::move(copy), sink);
        }
        if (result < 0 && m_error.empty()) fail("video encoder", result);
        return result >= 0;
    }
    int result = avcodec_send_frame(m_video.get(), frame);
    if (result < 0) return fail("video encoder", result);
    for (;;) {
        result = avcodec_receive_packet(m_video.get(), m_packet.get());
        if (result == AVERROR(EAGAIN) || result == AVERROR_EOF) return true;
        if (result < 0) return fail("video encoder", result);
        if (!writePacket(m_packet.get(), true)) return false;
    }
}

// Encodes whole audio frames while they end within `samples`, and one more (filled with
// silence) at the end of the export so that no audio of the video's length is lost.
bool MpegWriter::encodeAudioUpTo(int64_t samples) {
    const int size = m_audio->frame_size;
    for (;;) {
        const bool due = m_finished ? m_audioSamples < samples : m_audioSamples + size <= samples;
        if (!due) return true;
        m_conformer.pull(m_samples.data(), size_t(size));
        if (av_frame_make_writable(m_sound.get()) < 0) return fail("memory", AVERROR(ENOMEM));
        fillSound(m_sound.get(), m_samples.data(), 2);
        m_sound->pts = m_audioSamples;
        m_audioSamples += size;
        int result = avcodec_send_frame(m_audio.get(), m_sound.get());
        if (result < 0) return fail("audio encoder", result);
        for (;;) {
            result = avcodec_receive_packet(m_audio.get(), m_packet.get());
            if (result == AVERROR(EAGAIN) || result == AVERROR_EOF) break;
            if (result < 0) return fail("audio encoder", result);
            if (!writePacket(m_packet.get(), false)) return false;
        }
    }
}

PictureFormat MpegWriter::pictureFormat() const {
    return PictureFormat{AV_PIX_FMT_YUV420P, m_profile.width, m_profile.height};
}

bool MpegWriter::write(ExportJob& job) {
    if (!m_output || !job.picture) return false;
    if (m_hasInput && !m_conformer.push(job.audio.data(), job.audio.size()))
        return fail("audio conversion", AVERROR(EINVAL));
    if (m_scanKnown) return encodePicture(job.picture.get());
    // The first frames wait until one shows an interlaced source, or until there were enough
    // to call the timeline progressive: a timeline may open with a title or a fade.
    FrameHandle held(av_frame_clone(job.picture.get()));
    if (!held) return fail("memory", AVERROR(ENOMEM));
    m_held.push_back(std::move(held));
    const bool interlaced = job.interlaced && m_profile.videoCodec == AV_CODEC_ID_MPEG2VIDEO;
    if (!interlaced && m_held.size() < kScanWindow) return true;
    return decideScan(interlaced);
}

bool MpegWriter::decideScan(bool interlaced) {
    m_scanKnown = true;
    if (interlaced != m_interlaced && !openVideoEncoder(interlaced)) return false;
    // Two contexts, each on up to three slice threads (one context gains little from more),
    // take the groups of pictures in turn; the second first encodes the first group too, so that
    // its rate control starts the second group as a running context would. Each queues a group
    // and a frame: the producer fills one context's next group while the other still codes its
    // own (with a few frames' room, the two took turns instead of working side by side). A
    // context holds some 15 MB of pictures of its own at DVD size and a frame queued for it
    // 622 KB: a third context costs more memory than it gains time.
    if (m_threads >= kThreadsForGroups) {
        int result = 0;
        // The stream's parameters still come from `m_video`, which encodes nothing now.
        if (!(m_video = makeVideoEncoder(1, &result))) return fail("video encoder", result);
        const int threads = std::min(m_threads / 2, 3);
        const auto open = [this, threads] {
            int ignored = 0;
            return makeVideoEncoder(threads, &ignored);
        };
        m_groups = std::make_unique<platform::ffmpeg::OrderedEncoders>(
            2, groupFrames(), platform::ffmpeg::OrderedEncoders::Contexts::Strided, open,
            size_t(groupFrames()) + 1, platform::ffmpeg::OrderedEncoders::Prepare{}, groupFrames());
    }
    for (FrameHandle& held : m_held)
        if (!encodePicture(held.get())) return false;
    m_held.clear();
    return true;
}

bool MpegWriter::encodePicture(AVFrame* picture) {
    picture->interlaced_frame = m_interlaced ? 1 : 0;
    picture->top_field_first = 0;
    picture->pts = m_videoFrames++;
    if (!encodeVideo(picture)) return false;
    const int64_t due = av_rescale_q_rnd(m_videoFrames, av_inv_q(m_profile.rate),
                                         AVRational{1, m_profile.sampleRate}, AV_ROUND_DOWN);
    return encodeAudioUpTo(due);
}

bool MpegWriter::finish() {
    if (!m_output) return false;
    if (!m_scanKnown && !decideScan(false)) {
        closeFile();
        return false;
    }
    m_conformer.flush();
    m_finished = true;
    bool ok = encodeAudioUpTo(av_rescale_q_rnd(m_videoFrames, av_inv_q(m_profile.rate),
                                               AVRational{1, m_profile.sampleRate}, AV_ROUND_DOWN));
    ok = ok && encodeVideo(nullptr);
    if (ok) {
        if (avcodec_send_frame(m_audio.get(), nullptr) < 0) ok = false;
        while (ok && avcodec_receive_packet(m_audio.get(), m_packet.get()) == 0)
            ok = writePacket(m_packet.get(), false);
    }
    return closeFile() && ok;
}

} // namespace exportmodule
