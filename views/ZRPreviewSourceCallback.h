#pragma once

#include "platform/playback/IZRPreviewSourceCallback.h"

#include <atomic>
#include <memory>

class IZRPos;
class IZRTimeline;

/// Feeds the engine timeline's frames and sound into the playback pipeline: each call turns a
/// media time into an engine position and has the timeline render it. Frames are reduced by
/// integer factors (`setRatio`); with a vertical factor of 2 or more only the first field's
/// lines are used.
///
/// Thread-safety: set up (`setTimeline`, `setRatio`, format negotiation) on the GUI thread
/// before playback; then the video operations run on the pipeline's video thread and the audio
/// operations on its audio thread, each with positions of its own. The end time is an atomic,
/// so `updateDuration` may run on the GUI thread during playback. Rendering relies on the
/// engine's own locking (`videoAt` returns its image locked).
class ZRPreviewSourceCallback final : public IZRPreviewSourceCallback {
public:
    /// A new callback with no timeline.
    static std::unique_ptr<ZRPreviewSourceCallback> CreateInstance();
    ~ZRPreviewSourceCallback() override;

    /// Keeps `timeline` (not owned; null is ignored), makes the positions and reads the end.
    /// With `startDvOutput` the timeline's DV output is started (and stopped on destruction).
    void setTimeline(IZRTimeline* timeline, bool startDvOutput);
    /// Sets the reduction factors; only when both are non-zero.
    void setRatio(int x, int y);
    int ratioX() const { return m_ratioX; }
    int ratioY() const { return m_ratioY; }

    ZRResult renderVideoAt(ZRMediaTime time, int64_t unused, unsigned char* pixels,
                           int stride) override;
    ZRResult renderNextVideo(int64_t unused, unsigned char* pixels, int stride,
                             ZRMediaTime* time) override;
    ZRResult seekAudio(ZRMediaTime time) override;
    /// Asks the engine for `*size` / (channels x bytes per sample) sample frames of the
    /// "Audio Settings" format and copies at most `*size` bytes of them.
    ZRResult renderAudio(int64_t unused, unsigned char* buffer, int32_t* size,
                         ZRMediaTime* time) override;
    ZRResult getDuration(ZRMediaTime* duration) override;
    /// 10,000,000 / "Framerate", truncated; fails for a rate that is not positive.
    ZRResult getFrameDuration(ZRMediaTime* duration) override;
    ZRResult updateDuration() override;
    ZRResult getVideoFormat(int index, ZRVideoFormatRecord* format) override;
    ZRResult setVideoFormat(const ZRVideoFormatRecord* format) override;
    ZRResult getAudioFormat(int index, ZRAudioFormatRecord* format) override;
    ZRResult setAudioFormat(const ZRAudioFormatRecord* format) override;

private:
    ZRPreviewSourceCallback() = default;
    ZRResult renderVideo(unsigned char* pixels, int stride);
    static ZRMediaTime mediaTime(const IZRPos* position);

    std::atomic<int> m_width{320};
    std::atomic<int> m_height{200};
    bool m_dvOutputStarted = false;
    IZRTimeline* m_timeline = nullptr;
    IZRPos* m_videoPos = nullptr;
    IZRPos* m_nextVideoPos = nullptr;
    IZRPos* m_audioPos = nullptr;
    /// The timeline's end as a media time; -1 before it is known.
    std::atomic<ZRMediaTime> m_end{-1};
    std::atomic<int> m_ratioY{1};
    std::atomic<int> m_ratioX{1};
    std::atomic<int> m_videoFormat{-1};
    std::atomic<int> m_audioFormat{-1};
    /// Bytes of one sample frame of the format handed out (0 before).
    std::atomic<int> m_audioFrameBytes{0};
};
