#pragma once

#include "platform/playback/ZRPlaybackTypes.h"

#include <atomic>

/// A source of time for playback, in 100-ns units. It never goes back except where its owner
/// restarts it (a sound output's heard time starts again at 0 after a restart).
/// Thread-safety: `now` may be called from any thread.
class ZRPlaybackClock {
public:
    virtual ~ZRPlaybackClock() = default;
    virtual ZRMediaTime now() const = 0;
};

/// The system's monotonic clock.
class ZRMonotonicClock final : public ZRPlaybackClock {
public:
    ZRMediaTime now() const override;
};

/// A clock that moves only when told to (tests drive playback with it).
class ZRManualClock final : public ZRPlaybackClock {
public:
    ZRMediaTime now() const override { return m_now.load(); }
    void set(ZRMediaTime time) { m_now.store(time); }
    void advance(ZRMediaTime delta) { m_now.fetch_add(delta); }

private:
    std::atomic<ZRMediaTime> m_now{0};
};
