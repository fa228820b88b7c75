#include "platform/playback/ZRFileSource.h"

#include "platform/media/MediaFile.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

constexpr int kBlankWidth = 320;
constexpr int kBlankHeight = 240;
constexpr double kBlankRate = 25.0;

} // namespace

ZRFileSource::ZRFileSource() = default;

ZRFileSource::~ZRFileSource() = default;

bool ZRFileSource::open(const QString& path, QString* error) {
    m_file.reset();
    m_length = 0;
    auto file = std::make_unique<mediaimport::MediaFile>();
    std::string why;
    if (!file->open(path.toStdString(), &why)) {
        if (error) *error = QString::fromStdString(why);
        return false;
    }
    if (file->hasVideo()) {
        m_width = file->width();
        m_height = file->height();
        m_rate = file->frameRate();
        if (m_width < 1 || m_height < 1 || int64_t(m_width) * m_height > kMaxPixels) {
            if (error) *error = QStringLiteral("picture size not supported");
            return false;
        }
    } else {
        m_width = kBlankWidth;
        m_height = kBlankHeight;
        m_rate = kBlankRate;
    }
    const double seconds = file->playLength();
    m_length = std::isfinite(seconds) && seconds > 0 && seconds < 1e6
                   ? ZRMediaTime(std::llround(seconds * kZRMediaTimePerSecond))
                   : 0;
    m_frames = int64_t(std::ceil(seconds * m_rate - 1e-6));
    m_sampleRate = m_channels = 0;
    // The sound's demuxer opens here, before the video and audio threads share the file.
    if (file->hasAudio() && file->audio()) {
        m_sampleRate = file->sampleRate();
        m_channels = file->channels();
    }
    m_nextIndex = 0;
    m_audioSample = 0;
    m_file = std::move(file);
    return true;
}

bool ZRFileSource::hasVideo() const {
    return m_file && m_file->hasVideo();
}

bool ZRFileSource::hasAudio() const {
    return m_channels > 0;
}

ZRMediaTime ZRFileSource::timeOf(int64_t index) const {
    return ZRMediaTime(std::llround(double(index) * kZRMediaTimePerSecond / m_rate));
}

ZRResult ZRFileSource::renderIndex(int64_t index, unsigned char* pixels, int stride) {
    if (!m_file || !pixels || stride < m_width * 4 || index < 0 || index >= m_frames)
        return kZRFail;
    if (!m_file->hasVideo()) {
        for (int y = 0; y < m_height; ++y) {
            auto* row = reinterpret_cast<uint32_t*>(pixels + ptrdiff_t(y) * stride);
            std::fill(row, row + m_width, 0xFF000000u);
        }
        return kZROk;
    }
    mediaimport::VideoReader* reader = m_file->video();
    if (!reader->seek(index) || !reader->frame()) return kZRFail;
    // A stream whose pictures change size mid-way cannot fill the negotiated rectangle.
    if (reader->frame()->width != m_width || reader->frame()->height != m_height) return kZRFail;
    return reader->convert(pixels, stride) ? kZROk : kZRFail;
}

ZRResult ZRFileSource::renderVideoAt(ZRMediaTime time, int64_t, unsigned char* pixels, int stride) {
    const int64_t index = int64_t(
        std::floor(double(std::max<ZRMediaTime>(time, 0)) * m_rate / kZRMediaTimePerSecond + 1e-6));
    m_nextIndex = index + 1;
    return renderIndex(index, pixels, stride);
}

ZRResult ZRFileSource::renderNextVideo(int64_t, unsigned char* pixels, int stride,
                                       ZRMediaTime* time) {
    const int64_t index = m_nextIndex++;
    if (time) *time = timeOf(index);
    return renderIndex(index, pixels, stride);
}

ZRResult ZRFileSource::seekAudio(ZRMediaTime time) {
    if (!hasAudio()) return kZRFail;
    mediaimport::AudioReader* reader = m_file->audio();
    if (!reader) return kZRFail;
    time = std::max<ZRMediaTime>(time, 0);
    reader->seek(double(time) / kZRMediaTimePerSecond);
    m_audioSample = int64_t((__int128)time * m_sampleRate / kZRMediaTimePerSecond);
    return kZROk;
}

ZRResult ZRFileSource::renderAudio(int64_t, unsigned char* buffer, int32_t* size,
                                   ZRMediaTime* time) {
    if (!hasAudio() || !buffer || !size || *size < 0) return kZRFail;
    mediaimport::AudioReader* reader = m_file->audio();
    if (!reader) return kZRFail;
    const int frameBytes = m_channels * 2;
    const int frames = *size / frameBytes;
    if (time) *time = ZRMediaTime((__int128)m_audioSample * kZRMediaTimePerSecond / m_sampleRate);
    // The reader writes whole sample frames of int16; the buffer may not be aligned for them.
    std::vector<int16_t> samples(size_t(frames) * size_t(m_channels));
    const int got = frames > 0 ? reader->read(samples.data(), frames) : 0;
    if (got <= 0) {
        *size = 0;
        return kZRFail;
    }
    std::memcpy(buffer, samples.data(), size_t(got) * size_t(frameBytes));
    *size = got * frameBytes;
    m_audioSample += got;
    return kZROk;
}

ZRResult ZRFileSource::getDuration(ZRMediaTime* duration) {
    if (!duration) return kZRFail;
    *duration = m_length;
    return kZROk;
}

ZRResult ZRFileSource::getFrameDuration(ZRMediaTime* duration) {
    if (!duration || !m_file || !(m_rate > 0)) return kZRFail;
    *duration = ZRMediaTime(kZRMediaTimePerSecond / m_rate);
    return kZROk;
}

ZRResult ZRFileSource::updateDuration() {
    return m_file ? kZROk : kZRFail;
}

ZRResult ZRFileSource::getVideoFormat(int index, ZRVideoFormatRecord* format) {
    if (!m_file || index != 0 || !format) return kZRNoMoreItems;
    format->width = m_width;
    format->height = m_height;
    format->planes = 1;
    format->bitCount = 32;
    format->compression = 0;
    format->imageSize = uint32_t(int64_t(m_width) * m_height * 4);
    (void)getFrameDuration(&format->averageTimePerFrame);
    format->subtype = kZRSubtypeRGB32;
    return kZROk;
}

ZRResult ZRFileSource::setVideoFormat(const ZRVideoFormatRecord* format) {
    const bool accepted = m_file && format && format->width == m_width &&
                          std::abs(format->height) == m_height && format->planes == 1 &&
                          format->bitCount == 32 && format->compression == 0 &&
                          format->subtype == kZRSubtypeRGB32;
    return accepted ? kZROk : kZRFail;
}

ZRResult ZRFileSource::getAudioFormat(int index, ZRAudioFormatRecord* format) {
    if (!hasAudio() || index != 0 || !format) return kZRNoMoreItems;
    format->sampleRate = m_sampleRate;
    format->bitsPerSample = 16;
    format->channels = m_channels;
    return kZROk;
}

ZRResult ZRFileSource::setAudioFormat(const ZRAudioFormatRecord* format) {
    return format && format->sampleRate == m_sampleRate && format->bitsPerSample == 16 &&
                   format->channels == m_channels
               ? kZROk
               : kZRFail;
}
