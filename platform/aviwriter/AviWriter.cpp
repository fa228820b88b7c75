#include "platform/aviwriter/AviWriter.h"

#include "platform/aviwriter/AviCompressors.h"

#include "platform/ffmpeg/FFmpegHandles.h"
#include "platform/ffmpeg/OrderedEncoders.h"
#include "platform/scaler/BgraToYuv420.h"
#include "platform/scaler/RowWorkers.h"
#include "platform/system/PendingFiles.h"

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
}

#include <cmath>
#include <condition_variable>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace platform {

using namespace ffmpeg;

namespace {

// DV is the one compressor whose profile depends on the sampling: the consumer profiles are
// 4:2:0 for 576 lines and 4:1:1 for 480. Every other compressor gets the format nearest BGRA.
AVPixelFormat encoderFormat(const AVCodec* codec, int height) {
    if (codec->id == AV_CODEC_ID_DVVIDEO)
        return height == 576 ? AV_PIX_FMT_YUV420P : AV_PIX_FMT_YUV411P;
    // Stored as a capture card delivers it; the AVI muxer tags it "YUY2".
    if (codec->id == AV_CODEC_ID_RAWVIDEO) return AV_PIX_FMT_YUYV422;
    if (!codec->pix_fmts) return AV_PIX_FMT_NONE;
    return avcodec_find_best_pix_fmt_of_list(codec->pix_fmts, AV_PIX_FMT_BGRA, 0, nullptr);
}

AVSampleFormat sampleFormat(int bits) {
    switch (bits) {
    case 8:
        return AV_SAMPLE_FMT_U8;
    case 16:
        return AV_SAMPLE_FMT_S16;
    default:
        return AV_SAMPLE_FMT_S32; // 24-bit samples travel in the top bits of 32
    }
}

} // namespace

int64_t aviFrameDuration(double rate) {
    if (!(rate > 0) || !std::isfinite(rate)) return 0;
    const double units = 10000000.0 / rate;
    return units >= 1.0 && units < 1e15 ? int64_t(units) : 0;
}

// Encoding and muxing run on a thread of the writer's own behind a short queue, while the
// caller composes the next frame. Everything below `output` up to `partial` belongs to that
// thread once the file is open; the caller reaches it again after `stopWorker`.
struct AviWriter::State {
    /// A picture (in the encoder's format, or BGRA for encoders that convert) or a block of
    /// audio bytes.
    struct Job {
        FrameHandle picture;
        std::vector<unsigned char> audio;
    };
    static constexpr size_t kQueueDepth = 3;

    ~State() { stopWorker(); }
    void startWorker();
    /// Waits for the queued jobs and ends the thread.
    void stopWorker();
    /// Queues `job`, waiting while the queue is full; the first failure instead (0 when none).
    int post(Job job);
    /// The first failure of the worker (0 when none), under the lock.
    int failed();
    void work();
    int encodeVideo(FrameHandle picture);
    /// Hands one video packet from the encoder to the muxer.
    int muxVideo(AVPacket* packet);
    int encodeAudio(const unsigned char* in, size_t bytes);

    OutputHandle output;
    CodecContextHandle video;
    CodecContextHandle audio;
    AVStream* videoStream = nullptr;
    AVStream* audioStream = nullptr;
    FrameHandle sound;
    PacketHandle packet;
    SwsConversion convert; ///< for encoder formats other than same-size 4:2:0
    std::unique_ptr<RowWorkers> workers;
    /// DV frames stand alone: they are encoded on a context per thread and muxed in order.
    std::unique_ptr<OrderedEncoders> encoders;
    /// The encoders take the composed BGRA frames and convert them themselves.
    bool bgraToEncoders = false;
    int width = 0;
    int height = 0;
    int bits = 16;
    int blockAlign = 0;
    int64_t videoFrames = 0;
    int64_t audioSamples = 0;
    std::vector<unsigned char> partial; // the start of a sample frame that waits for its rest
    std::string fileName;
    PendingFiles file; // the file under its temporary name until it is complete
    bool headerWritten = false;

    std::mutex mutex;
    std::condition_variable changed;
    std::deque<Job> queue;
    std::vector<FrameHandle> spare; ///< pictures back from the encoder, for reuse
    int failure = 0; ///< the first error after opening; nothing is written once it is set
    bool stopping = false;
    std::thread worker;
};

AviWriter::AviWriter() = default;

AviWriter::~AviWriter() {
    closeDShow(0);
}

void AviWriter::setDebug(std::function<void(const char*)> sink) {
    m_debug = std::move(sink);
}

void AviWriter::debug(const char* format, ...) const {
    if (!m_debug) return;
    char line[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    m_debug(line);
}

bool AviWriter::isOpen() const {
    return m_state != nullptr;
}

int AviWriter::openDShow(const char* videoCodec, const char* audioCodec, const char* fileName,
                         int width, int height, double rate, int sampleRate, int channels, int bits,
                         int configure, int bitRate, int quality, int keyFrames) {
    closeDShow(0);
    debug("openDShow");
    auto s = std::make_unique<State>();

    // The formats are tested first, so that a refusal leaves no file behind.
    const int64_t duration = aviFrameDuration(rate);
    AVRational timeBase{0, 1};
    if (duration > 0) av_reduce(&timeBase.num, &timeBase.den, duration, 10000000, 65535);
    if (videoCodec) {
        const AVCodec* codec = aviVideoEncoder(videoCodec);
        if (!codec || timeBase.num <= 0 || width < 1 || height < 1 || width > 16384 ||
            height > 16384)
            return kAviVideoRefused;
        s->video.reset(avcodec_alloc_context3(codec));
        if (!s->video) return kAviVideoRefused;
        AVCodecContext* v = s->video.get();
        v->width = width;
        v->height = height;
        v->pix_fmt = encoderFormat(codec, height);
        v->time_base = timeBase;
        v->framerate = av_inv_q(timeBase);
        v->sample_aspect_ratio = {1, 1};
        v->thread_count = 0;
        if (configure == 0) {
            debug("openDShow: settings video config");
            if (bitRate != -1) v->bit_rate = int64_t(bitRate) * 100;
            if (quality != -1) {
                // 0..100 onto the quantiser scale 31..1 (higher quality, finer steps).
                const double q = 31.0 - 30.0 * std::clamp(quality, 0, 100) * 0.01;
                v->flags |= AV_CODEC_FLAG_QSCALE;
                v->global_quality = int(std::lround(FF_QP2LAMBDA * q));
            }
            if (keyFrames != -1) v->gop_size = std::max(keyFrames, 0);
        } else {
            debug("openDShow: info != 0 -> video config not set");
        }
        if (v->pix_fmt == AV_PIX_FMT_NONE || avcodec_open2(v, codec, nullptr) < 0)
            return kAviVideoRefused;
        const int contexts = m_encoderWorkers > 0 ? m_encoderWorkers : RowWorkers::machineThreads();
        if (codec->id == AV_CODEC_ID_DVVIDEO && contexts > 1) {
            // Each context codes whole frames on one thread: the frames themselves are the
            // work shared out. The copies take the opened context's settings.
            const AVCodecContext* model = v;
            auto open = [codec, model]() {
                CodecContextHandle copy(avcodec_alloc_context3(codec));
                if (!copy) return copy;
                copy->width = model->width;
                copy->height = model->height;
                copy->pix_fmt = model->pix_fmt;
                copy->time_base = model->time_base;
                copy->framerate = model->framerate;
                copy->sample_aspect_ratio = model->sample_aspect_ratio;
                copy->thread_count = 1;
                if (avcodec_open2(copy.get(), codec, nullptr) < 0) copy.reset();
                return copy;
            };
            // Same-size 4:2:0 pictures are converted by the encoding threads themselves: the
            // caller only copies each composed frame, instead of converting it on its own
            // thread with helpers woken for every frame.
            OrderedEncoders::Prepare prepare;
            if (v->pix_fmt == AV_PIX_FMT_YUV420P && width % 2 == 0 && height % 2 == 0) {
                s->bgraToEncoders = true;
                prepare = [width, height](const AVFrame* in, AVFrame* out) {
                    if (!out->buf[0] || !av_frame_is_writable(out)) {
                        av_frame_unref(out);
                        out->format = AV_PIX_FMT_YUV420P;
                        out->width = width;
                        out->height = height;
                        if (const int result = av_frame_get_buffer(out, 0); result < 0)
                            return result;
                    }
                    bgraToYuv420(in->data[0], width, height, in->linesize[0], out->data,
                                 out->linesize, nullptr);
                    return 0;
                };
            }
            s->encoders = std::make_unique<OrderedEncoders>(
                contexts, 1, OrderedEncoders::Contexts::PerWorker, open, 2, std::move(prepare));
        }
    }
    // A file of no stream at all is refused with the sound, the stream it would have had.
    if (!videoCodec && !audioCodec) return kAviAudioRefused;
    if (audioCodec) {
        const AVCodec* audio = aviAudioEncoder(audioCodec, bits);
        if (!audio || sampleRate < 1 || sampleRate > 384000 || channels < 1 || channels > 8)
            return kAviAudioRefused;
        s->audio.reset(avcodec_alloc_context3(audio));
        if (!s->audio) return kAviAudioRefused;
        AVCodecContext* a = s->audio.get();
        a->sample_rate = sampleRate;
        a->sample_fmt = sampleFormat(bits);
        a->time_base = {1, sampleRate};
        av_channel_layout_default(&a->ch_layout, channels);
        if (bits == 24) a->bits_per_raw_sample = 24;
        if (avcodec_open2(a, audio, nullptr) < 0) return kAviAudioRefused;
    }
    debug("openDShow, format(s) accepted");

    s->width = width;
    s->height = height;
    s->bits = bits;
    s->blockAlign = channels * bits / 8;
    s->fileName = fileName ? fileName : "";
    s->packet.reset(av_packet_alloc());
    s->sound.reset(av_frame_alloc());
    if (!s->packet || !s->sound) return AVERROR(ENOMEM);

    int result = 0;
    s->output = makeOutput("avi", s->fileName.c_str(), result);
    if (!s->output) return result;
    AVFormatContext* output = s->output.get();
    if (s->video) {
        s->videoStream = avformat_new_stream(output, nullptr);
        if (!s->videoStream) return AVERROR(ENOMEM);
        s->videoStream->time_base = s->video->time_base;
        s->videoStream->avg_frame_rate = s->video->framerate;
        if ((result = avcodec_parameters_from_context(s->videoStream->codecpar, s->video.get())) <
            0)
            return result;
        const bool even420 =
            s->video->pix_fmt == AV_PIX_FMT_YUV420P && width % 2 == 0 && height % 2 == 0;
        if (even420 && !s->bgraToEncoders)
            s->workers = std::make_unique<RowWorkers>(RowWorkers::machineThreads());
        else if (!even420 && !s->convert.update(width, height, AV_PIX_FMT_BGRA, width, height,
                                                s->video->pix_fmt, SWS_BICUBIC))
            return AVERROR(ENOMEM);
    }
    if (s->audio) {
        s->audioStream = avformat_new_stream(output, nullptr);
        if (!s->audioStream) return AVERROR(ENOMEM);
        s->audioStream->time_base = s->audio->time_base;
        if ((result = avcodec_parameters_from_context(s->audioStream->codecpar, s->audio.get())) <
            0)
            return result;
    }

    s->file.setLeftover(m_recording ? PendingFiles::Leftover::Kept
                                    : PendingFiles::Leftover::Replaceable);
    const std::string pending = s->file.add(s->fileName);
    result =
        pending.empty() ? AVERROR(errno) : avio_open(&output->pb, pending.c_str(), AVIO_FLAG_WRITE);
    if (result < 0) {
        debug("openDShow: the file could not be created: 0x%08X", unsigned(result));
        return result;
    }
    debug("openDShow: RenderStream video ");
    if ((result = avformat_write_header(output, nullptr)) < 0) return result;
    s->headerWritten = true;
    debug("openDShow succeeded");
    s->startWorker();
    m_state = std::move(s);
    return kAviOk;
}

namespace {

// Hands every packet the encoder has ready to the muxer.
int drain(AVFormatContext* output, AVCodecContext* codec, AVStream* stream, AVPacket* packet) {
    for (;;) {
        int result = avcodec_receive_packet(codec, packet);
        if (result == AVERROR(EAGAIN) || result == AVERROR_EOF) return 0;
        if (result < 0) return result;
        av_packet_rescale_ts(packet, codec->time_base, stream->time_base);
        packet->stream_index = stream->index;
        result = av_interleaved_write_frame(output, packet);
        if (result < 0) return result;
    }
}

int encode(AVFormatContext* output, AVCodecContext* codec, AVStream* stream, AVPacket* packet,
           const AVFrame* frame) {
    const int result = avcodec_send_frame(codec, frame);
    if (result < 0) return result;
    return drain(output, codec, stream, packet);
}

} // namespace

void AviWriter::State::startWorker() {
    worker = std::thread([this] { work(); });
}

void AviWriter::State::stopWorker() {
    if (!worker.joinable()) return;
    {
        std::lock_guard lock(mutex);
        stopping = true;
    }
    changed.notify_all();
    worker.join();
}

int AviWriter::State::failed() {
    std::lock_guard lock(mutex);
    return failure;
}

int AviWriter::State::post(Job job) {
    std::unique_lock lock(mutex);
    changed.wait(lock, [this] { return queue.size() < kQueueDepth || failure; });
    if (failure) return failure;
    queue.push_back(std::move(job));
    lock.unlock();
    changed.notify_all();
    return 0;
}

// After a failure the jobs are dropped: nothing more is written.
void AviWriter::State::work() {
    for (;;) {
        Job job;
        bool skip = false;
        {
            std::unique_lock lock(mutex);
            changed.wait(lock, [this] { return !queue.empty() || stopping; });
            if (queue.empty()) return;
            job = std::move(queue.front());
            queue.pop_front();
            skip = failure != 0;
        }
        int result = 0;
        if (!skip)
            result = job.picture ? encodeVideo(std::move(job.picture))
                                 : encodeAudio(job.audio.data(), job.audio.size());
        {
            std::lock_guard lock(mutex);
            if (result < 0 && !failure) failure = result;
        }
        changed.notify_all();
    }
}

int AviWriter::State::muxVideo(AVPacket* encoded) {
    av_packet_rescale_ts(encoded, video->time_base, videoStream->time_base);
    encoded->stream_index = videoStream->index;
    return av_interleaved_write_frame(output.get(), encoded);
}

int AviWriter::State::encodeVideo(FrameHandle picture) {
    picture->pts = videoFrames++;
    if (encoders)
        return encoders->send(std::move(picture), [this](AVPacket* p) { return muxVideo(p); });
    const int result = encode(output.get(), video.get(), videoStream, packet.get(), picture.get());
    std::lock_guard lock(mutex);
    spare.push_back(std::move(picture));
    return result;
}

int AviWriter::State::encodeAudio(const unsigned char* in, size_t bytes) {
    std::vector<unsigned char> joined;
    size_t available = bytes;
    if (!partial.empty()) {
        joined.assign(partial.begin(), partial.end());
        joined.insert(joined.end(), in, in + bytes);
        in = joined.data();
        available = joined.size();
        partial.clear();
    }
    const size_t align = size_t(blockAlign);
    const size_t piece = kAviAudioPiece / align * align;
    const int channels = audio->ch_layout.nb_channels;
    AVFrame* frame = sound.get();
    int result = 0;
    while (available >= align && result >= 0) {
        const size_t take = std::min(piece, available / align * align);
        const int samples = int(take / align);
        av_frame_unref(frame);
        frame->format = audio->sample_fmt;
        frame->sample_rate = audio->sample_rate;
        frame->nb_samples = samples;
        if ((result = av_channel_layout_copy(&frame->ch_layout, &audio->ch_layout)) < 0) break;
        if ((result = av_frame_get_buffer(frame, 0)) < 0) break;
        if (bits == 24) {
            auto* out = reinterpret_cast<int32_t*>(frame->data[0]);
            for (size_t i = 0; i < size_t(samples) * size_t(channels); ++i)
                out[i] = int32_t(uint32_t(in[3 * i]) << 8 | uint32_t(in[3 * i + 1]) << 16 |
                                 uint32_t(in[3 * i + 2]) << 24);
        } else {
            std::memcpy(frame->data[0], in, take);
        }
        frame->pts = audioSamples;
        audioSamples += samples;
        result = encode(output.get(), audio.get(), audioStream, packet.get(), frame);
        in += take;
        available -= take;
    }
    if (result < 0) return result;
    partial.assign(in, in + available);
    return 0;
}

int AviWriter::genVideoSample(const unsigned char* pixels, int stride) {
    State* s = m_state.get();
    if (!s) return AVERROR(EINVAL);
    if (const int failure = s->failed()) return failure;
    if (!s->video) return 0;
    if (!pixels || stride < s->width * 4) return AVERROR(EINVAL);
    // A picture the encoder still holds is not written over: it gets new buffers.
    FrameHandle picture;
    {
        std::lock_guard lock(s->mutex);
        if (!s->spare.empty()) {
            picture = std::move(s->spare.back());
            s->spare.pop_back();
        }
    }
    if (!picture && s->encoders) picture = s->encoders->spare();
    int result = 0;
    if (!picture && !(picture = FrameHandle(av_frame_alloc()))) result = AVERROR(ENOMEM);
    if (result >= 0 && !(picture->buf[0] && av_frame_is_writable(picture.get()))) {
        av_frame_unref(picture.get());
        picture->format = s->bgraToEncoders ? AV_PIX_FMT_BGRA : s->video->pix_fmt;
        picture->width = s->width;
        picture->height = s->height;
        result = av_frame_get_buffer(picture.get(), 0);
    }
    if (result >= 0 && s->bgraToEncoders) {
        av_image_copy_plane(picture->data[0], picture->linesize[0], pixels, stride, s->width * 4,
                            s->height);
    } else if (result >= 0 && s->workers) {
        bgraToYuv420(pixels, s->width, s->height, stride, picture->data, picture->linesize,
                     s->workers.get());
    } else if (result >= 0) {
        const uint8_t* const planes[4] = {pixels, nullptr, nullptr, nullptr};
        const int strides[4] = {stride, 0, 0, 0};
        if (sws_scale(s->convert.get(), planes, strides, 0, s->height, picture->data,
                      picture->linesize) != s->height)
            result = AVERROR(EINVAL);
    }
    if (result >= 0) result = s->post(State::Job{std::move(picture), {}});
    if (result < 0) {
        debug("genVideoSample: frame not written: 0x%08X", unsigned(result));
        std::lock_guard lock(s->mutex);
        if (!s->failure) s->failure = result;
    }
    return result < 0 ? result : 0;
}

int AviWriter::genAudioSample(const void* data, int bytes) {
    State* s = m_state.get();
    if (!s) return AVERROR(EINVAL);
    if (const int failure = s->failed()) return failure;
    // A file without a sound stream takes no sound.
    if (!data || bytes <= 0 || !s->audio) return 0;
    const auto* in = static_cast<const unsigned char*>(data);
    const int result = s->post(State::Job{nullptr, std::vector<unsigned char>(in, in + bytes)});
    if (result < 0) debug("genAudioSample: audio not written: 0x%08X", unsigned(result));
    return result;
}

int AviWriter::closeDShow(int code) {
    return close(code, false);
}

int AviWriter::closeKeepingWritten() {
    return close(0, true);
}

int AviWriter::close(int code, bool keep) {
    if (!m_state) return code;
    debug("closeDShow");
    std::unique_ptr<State> s = std::move(m_state);
    s->stopWorker();
    // A failed export's frames still queued are not encoded.
    if (s->failure || code != 0) s->encoders.reset();
    int result = s->failure;
    if (result == 0 || keep) {
        AVFormatContext* output = s->output.get();
        if (s->encoders)
            result = s->encoders->finish([&s](AVPacket* p) { return s->muxVideo(p); });
        else if (s->video)
            result = encode(output, s->video.get(), s->videoStream, s->packet.get(), nullptr);
        if (result >= 0 && s->audio)
            result = encode(output, s->audio.get(), s->audioStream, s->packet.get(), nullptr);
        if (result >= 0) result = av_interleaved_write_frame(output, nullptr);
        if (result >= 0) result = av_write_trailer(output);
        if (result >= 0 && output->pb) {
            avio_flush(output->pb);
            result = output->pb->error;
        }
        if (result >= 0 && output->pb) result = avio_closep(&output->pb);
    }
    // Only a complete file of an export that went well takes its name; a capture keeps what
    // reached the disk, which a reader can still play.
    s->output.reset();
    if (keep) {
        const int failure = result < 0 ? result : s->failure;
        if (!s->file.publish()) return AVERROR(EIO);
        return failure;
    }
    if (code == 0 && result >= 0 && !s->file.publish()) result = AVERROR(EIO);
    s->file.discard();
    return code == 0 && result < 0 ? result : code;
}

} // namespace platform
