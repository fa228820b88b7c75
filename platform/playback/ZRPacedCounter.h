#pragma once

#include "platform/playback/ZRPlaybackClock.h"

#include <cstdint>
#include <mutex>

/// The heard position of an output without a device: paced by a clock (as a device plays) or
/// free-running (everything written counts as heard at once). A paced counter holds about
/// `bufferFrames` ahead of the clock; when the clock overtakes what was written, that is an
/// under-run and the heard position waits for new sound (as a device that ran dry does).
/// Thread-safety: guarded by its own mutex.
class ZRPacedCounter {
public:
    /// `pace` null: free-running. Otherwise not owned and must outlive the counter.
    ZRPacedCounter(const ZRPlaybackClock* pace, int sampleRate, int64_t bufferFrames);

    void restart();
    /// Frames that may be written now (unlimited when free-running).
    int64_t room();
    void wrote(int64_t frames);
    int64_t heard();
    int64_t underruns();
    /// Milliseconds until there is room again (0 when there is).
    int msUntilRoom();

private:
    int64_t heardLocked();

    std::mutex m_mutex;
    const ZRPlaybackClock* m_pace;
    int m_rate;
    int64_t m_buffer;
    ZRMediaTime m_start = 0;
    int64_t m_written = 0;
    int64_t m_underruns = 0;
};
