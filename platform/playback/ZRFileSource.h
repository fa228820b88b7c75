#pragma once

#include "platform/playback/IZRPreviewSourceCallback.h"

#include <QString>

#include <cstdint>
#include <memory>

namespace mediaimport {
class MediaFile;
}

/// A media file as a playback source: pictures as 32-bit BGRA at the file's own size, sound as
/// 16-bit interleaved samples at its own rate and channel count (more than 8 channels mixed to
/// stereo). Picture n plays at n / rate seconds. A file without pictures gives black 320 x 240
/// pictures at 25 per second for its sound's length.
/// Thread-safety: opened and asked for formats on one thread; then the video operations run on
/// one thread and the audio operations on another (they read through separate demuxers).
class ZRFileSource final : public IZRPreviewSourceCallback {
public:
    ZRFileSource();
    ~ZRFileSource() override;

    /// Opens `path` (a local file); false, with `*error` (may be null) set, when the file holds
    /// no video or audio that decodes.
    [[nodiscard]] bool open(const QString& path, QString* error = nullptr);
    bool isOpen() const { return m_file != nullptr; }
    bool hasVideo() const;
    bool hasAudio() const;
    /// The length in 100-ns units (0 when closed).
    ZRMediaTime length() const { return m_length; }

    ZRResult renderVideoAt(ZRMediaTime time, int64_t unused, unsigned char* pixels,
                           int stride) override;
    ZRResult renderNextVideo(int64_t unused, unsigned char* pixels, int stride,
                             ZRMediaTime* time) override;
    ZRResult seekAudio(ZRMediaTime time) override;
    ZRResult renderAudio(int64_t unused, unsigned char* buffer, int32_t* size,
                         ZRMediaTime* time) override;
    ZRResult getDuration(ZRMediaTime* duration) override;
    ZRResult getFrameDuration(ZRMediaTime* duration) override;
    ZRResult updateDuration() override;
    ZRResult getVideoFormat(int index, ZRVideoFormatRecord* format) override;
    ZRResult setVideoFormat(const ZRVideoFormatRecord* format) override;
    ZRResult getAudioFormat(int index, ZRAudioFormatRecord* format) override;
    ZRResult setAudioFormat(const ZRAudioFormatRecord* format) override;

    /// The largest picture delivered, in pixels (larger files are refused).
    static constexpr int64_t kMaxPixels = int64_t(8192) * 4608;

private:
    ZRResult renderIndex(int64_t index, unsigned char* pixels, int stride);
    ZRMediaTime timeOf(int64_t index) const;

    std::unique_ptr<mediaimport::MediaFile> m_file;
    int m_width = 0;
    int m_height = 0;
    double m_rate = 25.0;
    int64_t m_frames = 0;
    ZRMediaTime m_length = 0;
    int m_sampleRate = 0;
    int m_channels = 0;
    // Video thread.
    int64_t m_nextIndex = 0;
    // Audio thread.
    int64_t m_audioSample = 0;
};
