#pragma once

#include "platform/playback/ZRPlaybackClock.h"
#include "platform/playback/ZRSoundOutput.h"

#include <atomic>
#include <memory>

/// Playback's clock from a sound output: the output's heard position, held to a reference clock
/// (one given, else the clock the output says it is paced by, else the system's monotonic
/// clock). It never runs more than `slack` ahead of
/// the reference time since the last `restart`, so an output that takes sound faster than real
/// time (ALSA's file plugin over "null", some network sinks) cannot hurry playback; one that
/// plays slower than real time still holds it back.
/// Thread-safety: `now` and `elapsed` may be called from any thread; `restart` and `setSlack`
/// are atomic stores.
class ZRHeardClock final : public ZRPlaybackClock {
public:
    /// `output` is the owner's slot (it may be refilled), read at each call; `reference` (not
    /// owned) must outlive the clock.
    explicit ZRHeardClock(const std::unique_ptr<ZRSoundOutput>& output,
                          const ZRPlaybackClock* reference = nullptr);

    /// The heard time, at most `slack` past `elapsed()`.
    ZRMediaTime now() const override;
    /// Starts the reference span again: call it when the output was restarted.
    void restart();
    /// The reference time since the last restart.
    ZRMediaTime elapsed() const;
    /// How far the heard time may run ahead of the reference; negative is taken as 0.
    void setSlack(ZRMediaTime slack);
    ZRMediaTime slack() const { return m_slack.load(); }

private:
    const std::unique_ptr<ZRSoundOutput>& m_output;
    ZRMonotonicClock m_monotonic;
    const ZRPlaybackClock& reference() const;

    const ZRPlaybackClock* m_reference; ///< the one given, or null
    std::atomic<ZRMediaTime> m_base;
    std::atomic<ZRMediaTime> m_slack{0};
};
