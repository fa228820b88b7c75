#include "platform/media/MediaFile.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace mediaimport {

namespace {

// A still picture plays this long when placed, and may be stretched up to the engine's limit
// (9:59:59).
constexpr double kStillPlayLength = 5.0;
constexpr double kStillSourceLength = 9 * 3600 + 59 * 60 + 59;
constexpr double kDefaultRate = 25.0;

double seconds(int64_t value, AVRational base) {
    if (value == AV_NOPTS_VALUE || base.num <= 0 || base.den <= 0) return NAN;
    return double(value) * base.num / base.den;
}

bool usableLength(double value) {
    return std::isfinite(value) && value > 0.0 && value < 1.0e8;
}

// Single pictures come through the picture demuxers: "image2" for a named file, "<codec>_pipe"
// when the contents were recognised.
bool isPictureDemuxer(const AVInputFormat* format) {
    if (!format || !format->name) return false;
    const std::string name = format->name;
    return name == "image2" || (name.size() > 5 && name.compare(name.size() - 5, 5, "_pipe") == 0);
}

int videoStream(AVFormatContext* context) {
    const int best = av_find_best_stream(context, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    auto fits = [context](int index) {
        const AVStream* s = context->streams[index];
        return s->codecpar->codec_type == AVMEDIA_TYPE_VIDEO &&
               !(s->disposition & AV_DISPOSITION_ATTACHED_PIC) && s->codecpar->width > 0 &&
               s->codecpar->height > 0 && avcodec_find_decoder(s->codecpar->codec_id);
    };
    if (best >= 0 && fits(best)) return best;
    for (unsigned i = 0; i < context->nb_streams; ++i)
        if (fits(int(i))) return int(i);
    return -1;
}

int audioStream(AVFormatContext* context, int related) {
    const int best = av_find_best_stream(context, AVMEDIA_TYPE_AUDIO, -1, related, nullptr, 0);
    auto fits = [context](int index) {
        const AVStream* s = context->streams[index];
        return s->codecpar->codec_type == AVMEDIA_TYPE_AUDIO && AudioReader::usable(s->codecpar) &&
               avcodec_find_decoder(s->codecpar->codec_id);
    };
    if (best >= 0 && fits(best)) return best;
    for (unsigned i = 0; i < context->nb_streams; ++i)
        if (fits(int(i))) return int(i);
    return -1;
}

} // namespace

bool MediaFile::open(const std::string& path, std::string* error) {
    m_path = path;
    auto input = std::make_unique<MediaInput>();
    if (!input->open(path, error)) return false;
    AVFormatContext* context = input->context();
    const int videoIndex = videoStream(context);
    const int audioIndex = audioStream(context, videoIndex);

    const AVStream* video = videoIndex >= 0 ? context->streams[videoIndex] : nullptr;
    const AVStream* audio = audioIndex >= 0 ? context->streams[audioIndex] : nullptr;
    const double formatStart = seconds(context->start_time, AVRational{1, AV_TIME_BASE});
    double origin = NAN;
    if (video) origin = seconds(video->start_time, video->time_base);
    if (!std::isfinite(origin) && audio) origin = seconds(audio->start_time, audio->time_base);
    if (!std::isfinite(origin)) origin = formatStart;
    m_origin = std::isfinite(origin) ? origin : 0.0;

    // The streams belong to `input`, which a reader takes below.
    const double audioLength = audio ? seconds(audio->duration, audio->time_base) : NAN;
    double formatLength = NAN;
    if (context->duration != AV_NOPTS_VALUE)
        formatLength = double(context->duration) / AV_TIME_BASE -
                       (std::isfinite(formatStart) ? m_origin - formatStart : 0.0);
    double length = NAN;
    if (video) {
        m_still = isPictureDemuxer(context->iformat);
        const AVRational guessed =
            av_guess_frame_rate(context, const_cast<AVStream*>(video), nullptr);
        const double rate = guessed.num > 0 && guessed.den > 0 ? av_q2d(guessed) : 0.0;
        m_rate = rate >= 1.0 && rate <= 1000.0 && !m_still ? rate : kDefaultRate;
        m_width = video->codecpar->width;
        m_height = video->codecpar->height;
        if (video->nb_frames > 0) length = double(video->nb_frames) / m_rate;
        if (!usableLength(length)) length = seconds(video->duration, video->time_base);
    } else {
        length = audioLength;
    }
    if (audio) {
        m_audioStream = audioIndex;
        m_audioStreamId = audio->id;
        m_sampleRate = audio->codecpar->sample_rate;
        m_channels = std::min(audio->codecpar->ch_layout.nb_channels, 8);
        if (audio->codecpar->ch_layout.nb_channels > 8) m_channels = 2;
    }

    if (video) {
        // Without one picture that decodes, the video is as good as absent.
        auto reader = std::make_unique<VideoReader>();
        if (reader->open(std::move(input), videoIndex, m_origin, m_rate, m_still) &&
            reader->seek(0) && reader->frame()) {
            m_video = std::move(reader);
            m_width = m_video->frame()->width;
            m_height = m_video->frame()->height;
        }
    }
    if (!m_video) {
        // Heard, not seen: the length is the sound's, and the sound must decode now.
        m_rate = 0.0;
        m_still = false;
        m_width = m_height = 0;
        if (video) length = audioLength;
        if (m_audioStream >= 0) {
            if (input) {
                auto reader = std::make_unique<AudioReader>();
                if (reader->open(std::move(input), audioIndex, m_origin))
                    m_audio = std::move(reader);
            }
            int16_t probe[8];
            AudioReader* reader = this->audio();
            if (!reader || reader->read(probe, 1) != 1) {
                m_audio.reset();
                m_audioStream = -1;
            } else {
                reader->seek(0.0);
            }
        }
        if (m_audioStream < 0) {
            *error = "no video or audio that decodes";
            return false;
        }
    }

    if (m_still) {
        m_playLength = kStillPlayLength;
        m_sourceLength = kStillSourceLength;
    } else {
        if (!usableLength(length)) length = formatLength;
        if (!usableLength(length)) length = m_rate > 0.0 ? 1.0 / m_rate : 0.0;
        m_playLength = m_sourceLength = length;
    }
    return true;
}

AudioReader* MediaFile::audio() {
    if (m_audio || m_audioFailed || m_audioStream < 0) return m_audio.get();
    // A file with video reads its audio through a second demuxer of its own.
    m_audioFailed = true;
    auto input = std::make_unique<MediaInput>();
    std::string error;
    if (!input->open(m_path, &error)) return nullptr;
    AVFormatContext* context = input->context();
    int index = -1;
    if (unsigned(m_audioStream) < context->nb_streams &&
        context->streams[m_audioStream]->id == m_audioStreamId &&
        context->streams[m_audioStream]->codecpar->codec_type == AVMEDIA_TYPE_AUDIO)
        index = m_audioStream;
    if (index < 0) return nullptr;
    auto reader = std::make_unique<AudioReader>();
    if (!reader->open(std::move(input), index, m_origin)) return nullptr;
    if (reader->sampleRate() != m_sampleRate || reader->channels() != m_channels) return nullptr;
    m_audio = std::move(reader);
    m_audioFailed = false;
    return m_audio.get();
}

} // namespace mediaimport
