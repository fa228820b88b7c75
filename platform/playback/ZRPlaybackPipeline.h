#pragma once

#include "platform/playback/IZRPreviewSourceCallback.h"
#include "platform/playback/ZRPlaybackClock.h"
#include "platform/playback/ZRSoundOutput.h"

#include <QSize>
#include <QString>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

class QEvent;
class QObject;
class ZRVideoSurface;
struct ZRVideoFrame;

/// What playback has done so far (since the source was set).
struct ZRPlaybackStats {
    int64_t shown = 0;
    int64_t dropped = 0;
    int64_t underruns = 0;
    /// The largest distance between the clock and a shown frame's time.
    ZRMediaTime largestOffset = 0;
    /// Frames the video thread rendered.
    int64_t rendered = 0;
    /// The clock time the presenter last acted at, the rendered count it had seen then, and the
    /// frames waiting for their time.
    ZRMediaTime presentedUntil = -1;
    int64_t presentedRendered = 0;
    int queued = 0;
    /// The last frame before the stop position is rendered (or the source has no more).
    bool videoDone = false;
};

/// Plays a source: a video thread renders up to 3 frames ahead (`renderVideoAt` after each
/// seek, then `renderNextVideo`), a presenter hands each frame to the surface when the clock
/// reaches its time (a frame ready more than one frame late is dropped; more than 3 frames
/// behind, the video thread seeks to the clock), and an audio thread feeds the sound output in
/// chunks of 20 ms. The clock is the output's heard position, never more than a frame ahead of
/// real time (or one given for tests), held in
/// pause and restarted at each seek. Events (complete, user abort) are queued and announced by
/// a posted event to the notify target.
///
/// Thread-safety: the public operations belong to the GUI thread; the pipeline's own threads
/// share its state under one mutex. The source and the output must outlive the pipeline's use
/// (until `stop`, `setSource` or destruction).
class ZRHeardClock;

class ZRPlaybackPipeline {
public:
    enum State { Stopped, Paused, Running };
    /// Event codes.
    static constexpr int kEventComplete = 1;
    static constexpr int kEventUserAbort = 2;
    /// How many frames the video thread renders ahead at most.
    static constexpr int kFramesAhead = 3;

    /// `output` must not be null. `clock` (not owned) replaces the output's heard position as
    /// the clock when given.
    explicit ZRPlaybackPipeline(std::unique_ptr<ZRSoundOutput> output,
                                ZRPlaybackClock* clock = nullptr);
    ~ZRPlaybackPipeline();
    ZRPlaybackPipeline(const ZRPlaybackPipeline&) = delete;
    ZRPlaybackPipeline& operator=(const ZRPlaybackPipeline&) = delete;

    /// Negotiates the source's formats and opens the sound output (stopping first). A source
    /// without sound plays silence in 48 kHz 16-bit stereo. When the output cannot open, the
    /// pipeline falls back to a paced null output and `*warning` (may be null) says why. False,
    /// without a source, when the video format is refused or unknown.
    [[nodiscard]] bool setSource(IZRPreviewSourceCallback* source, QString* warning = nullptr);
    IZRPreviewSourceCallback* source() const { return m_source; }

    /// Runs from the current position; the surface shows. False without a source.
    bool run();
    /// Holds the position; the surface shows (keeping its frame).
    bool pause();
    /// Stops the threads, keeping the position.
    void stop();
    State state() const;

    /// Absolute positions; a null pointer keeps that one. A new current position while running
    /// is a seek.
    void setPositions(const ZRMediaTime* current, const ZRMediaTime* stop);
    ZRMediaTime currentPosition() const;
    ZRMediaTime stopPosition() const;
    ZRMediaTime duration() const;
    QSize videoSize() const { return QSize(m_video.width, std::abs(m_video.height)); }
    ZRAudioFormat audioFormat() const { return m_audio; }

    /// Where events are announced: a posted QEvent of type `message` (null: not announced).
    void setNotifyTarget(QObject* target, int message);
    /// Takes the oldest queued event; false when none. Events queued after the last
    /// announcement are announced once this has been called.
    bool getEvent(int* code);

    ZRVideoSurface* surface() const;
    ZRSoundOutput* output() const { return m_output.get(); }
    ZRPlaybackStats stats() const;

private:
    struct Frame {
        ZRMediaTime time;
        std::shared_ptr<ZRVideoFrame> image;
    };

    void startThreads();
    void joinThreads();
    void videoLoop();
    void presentLoop();
    void audioLoop();
    /// The clock's media time, or the held position. Caller holds m_mutex.
    ZRMediaTime mediaNowLocked() const;
    void postEventLocked(int code);
    void seekLocked(ZRMediaTime time);

    std::unique_ptr<ZRSoundOutput> m_output;
    ZRPlaybackClock* m_clock;
    std::unique_ptr<ZRHeardClock> m_outputClock; ///< the clock unless one was given
    IZRPreviewSourceCallback* m_source = nullptr;
    ZRVideoFormatRecord m_video{};
    ZRAudioFormat m_audio;
    bool m_sourceHasAudio = false;
    ZRMediaTime m_frameDuration = 400000;

    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    State m_state = Stopped;
    bool m_quit = false;
    ZRMediaTime m_position = 0;
    ZRMediaTime m_stop = 0;
    ZRMediaTime m_duration = 0;
    // One generation per run segment (each start, resume or seek).
    uint64_t m_generation = 0;
    ZRMediaTime m_segmentStart = 0;
    bool m_prerolled = false;
    bool m_clockReady = false;
    ZRMediaTime m_clockBase = 0;
    bool m_completePosted = false;
    // What the video thread has rendered for the presenter.
    std::deque<Frame> m_frames;
    ZRMediaTime m_nextVideoTime = 0;
    std::optional<ZRMediaTime> m_videoSeek;
    std::deque<int> m_events;
    QObject* m_notifyTarget = nullptr;
    int m_notifyMessage = 0;
    // The announcement, made on the GUI thread (by setNotifyTarget and getEvent) and only handed
    // to Qt by the pipeline's threads: Qt's own locks are invisible to the thread sanitizer.
    std::unique_ptr<QEvent> m_notifyEvent;
    ZRPlaybackStats m_stats;

    // Guards the surface pointer against the surface's destruction by its owner.
    mutable std::mutex m_surfaceMutex;
    ZRVideoSurface* m_surface = nullptr;

    std::thread m_videoThread, m_presentThread, m_audioThread;
};
