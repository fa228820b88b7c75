#pragma once

#include "platform/media/AudioReader.h"
#include "platform/media/MediaInput.h"
#include "platform/media/VideoReader.h"

#include <memory>
#include <string>

namespace mediaimport {

/// One opened media file: what it holds and the readers of its video and audio. Video and
/// audio read through separate demuxers, so seeking one never disturbs the other; the audio
/// demuxer of a file with video opens on the first audio request. Both count time from one
/// origin (the video stream's start, else the audio stream's), which keeps them in step.
/// Thread-safety: used by one thread at a time; separate files are independent.
class MediaFile {
public:
    /// Opens `path`; false, with `*error` set, when the file holds no video or audio that
    /// decodes.
    bool open(const std::string& path, std::string* error);

    bool hasVideo() const { return m_video != nullptr; }
    bool hasAudio() const { return m_audioStream >= 0; }
    bool isStill() const { return m_still; }
    bool isDV() const { return m_video && m_video->isDV(); }
    double frameRate() const { return m_rate; }
    /// Seconds the file plays (a still picture: a default clip length).
    double playLength() const { return m_playLength; }
    /// Seconds of source there are (a still picture: as long as the engine allows).
    double sourceLength() const { return m_sourceLength; }
    int width() const { return m_width; }
    int height() const { return m_height; }
    int sampleRate() const { return m_sampleRate; }
    int channels() const { return m_channels; }

    /// The video reader, or null without video.
    VideoReader* video() { return m_video.get(); }
    /// The audio reader, opened when first asked for; null without audio or when it fails.
    AudioReader* audio();

private:
    std::string m_path;
    std::unique_ptr<VideoReader> m_video;
    std::unique_ptr<AudioReader> m_audio;
    int m_audioStream = -1;
    int m_audioStreamId = 0;
    bool m_audioFailed = false;
    bool m_still = false;
    double m_origin = 0.0;
    double m_rate = 0.0;
    double m_playLength = 0.0;
    double m_sourceLength = 0.0;
    int m_width = 0;
    int m_height = 0;
    int m_sampleRate = 0;
    int m_channels = 0;
};

} // namespace mediaimport
