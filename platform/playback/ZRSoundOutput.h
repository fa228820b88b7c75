#pragma once

#include <QString>

#include <cstdint>

class ZRPlaybackClock;

/// Interleaved PCM: 8 bits unsigned, 16, 24 (packed) or 32 bits signed little-endian.
struct ZRAudioFormat {
    int sampleRate = 48000;
    int bitsPerSample = 16;
    int channels = 2;

    int bytesPerFrame() const { return channels * (bitsPerSample / 8); }
    /// True for 8000..384000 Hz, 8/16/24/32 bits and 1..8 channels.
    bool valid() const;
};

/// Where the pipeline's sound goes, and the clock of playback: the heard position.
/// Thread-safety: every operation may be called from any thread; an output guards itself.
/// The pipeline writes from its audio thread and reads `heardFrames` from its video thread.
class ZRSoundOutput {
public:
    virtual ~ZRSoundOutput() = default;

    /// Opens for `format` (an open output is closed first); on failure `*error` (may be null)
    /// says why and the output stays closed.
    [[nodiscard]] virtual bool open(const ZRAudioFormat& format, QString* error) = 0;
    virtual void close() = 0;
    /// Takes up to `frames` whole sample frames without blocking: the number taken (0 while the
    /// buffer is full), or -1 when the output is closed or broken.
    virtual int64_t write(const void* data, int64_t frames) = 0;
    /// Waits at most `ms` milliseconds for room in the buffer.
    virtual void waitForRoom(int ms) = 0;
    /// Drops what is queued; heard frames count from 0 again.
    virtual void restart() = 0;
    /// The sample frames heard since the last open or restart.
    virtual int64_t heardFrames() = 0;
    /// How often the buffer ran dry while sound was expected.
    virtual int64_t underruns() = 0;
    virtual ZRAudioFormat format() const = 0;
    /// The clock an output without a device plays by; null for real time (a device, or an
    /// output that takes sound as fast as it comes).
    virtual const ZRPlaybackClock* paceClock() const { return nullptr; }
};
