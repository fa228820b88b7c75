#pragma once

#include "platform/playback/ZRPacedCounter.h"
#include "platform/playback/ZRSoundOutput.h"

#include <memory>

/// A sound output without a device: sound is consumed as a device would play it, paced by a
/// clock with about 100 ms buffered, or free-running. Thread-safety: as `ZRSoundOutput`.
class ZRNullOutput : public ZRSoundOutput {
public:
    /// Paced by the system's monotonic clock.
    ZRNullOutput();
    /// Paced by `pace` (not owned, outlives the output); null: free-running.
    explicit ZRNullOutput(const ZRPlaybackClock* pace);
    ~ZRNullOutput() override;

    [[nodiscard]] bool open(const ZRAudioFormat& format, QString* error) override;
    void close() override;
    int64_t write(const void* data, int64_t frames) override;
    void waitForRoom(int ms) override;
    void restart() override;
    int64_t heardFrames() override;
    int64_t underruns() override;
    ZRAudioFormat format() const override;
    const ZRPlaybackClock* paceClock() const override { return m_pace; }

    /// The buffered time, in milliseconds.
    static constexpr int kBufferMs = 100;

protected:
    /// Called with every block taken, in order; false breaks the output.
    virtual bool consume(const void* data, int64_t frames);
    /// Called by `open` once the format is known; false fails the open with `*error` set.
    virtual bool start(QString* error);
    /// Called by `close` while open.
    virtual void finish();

private:
    std::unique_ptr<ZRMonotonicClock> m_ownClock;
    const ZRPlaybackClock* m_pace;
    std::unique_ptr<ZRPacedCounter> m_counter;
    ZRAudioFormat m_format;
    std::mutex m_openMutex;
    bool m_open = false;
    bool m_broken = false;
    int64_t m_underrunsBefore = 0;
};
