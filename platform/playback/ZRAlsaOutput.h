#pragma once

#include "platform/playback/ZRSoundOutput.h"

#include <mutex>

typedef struct _snd_pcm snd_pcm_t;

/// Sound through ALSA's PCM "default" (which reaches PipeWire, PulseAudio or the card), about
/// 100 ms buffered, non-blocking. The heard position is the frames written less the device's
/// delay; an under-run is counted and recovered. Thread-safety: as `ZRSoundOutput` (one mutex
/// around the PCM handle).
class ZRAlsaOutput final : public ZRSoundOutput {
public:
    explicit ZRAlsaOutput(const char* device = "default");
    ~ZRAlsaOutput() override;

    [[nodiscard]] bool open(const ZRAudioFormat& format, QString* error) override;
    void close() override;
    int64_t write(const void* data, int64_t frames) override;
    void waitForRoom(int ms) override;
    void restart() override;
    int64_t heardFrames() override;
    int64_t underruns() override;
    ZRAudioFormat format() const override;

    /// The device's buffer as opened, in milliseconds (0 while closed).
    int latencyMs();

private:
    void closeLocked();
    bool recoverLocked(int error);

    std::mutex m_mutex;
    QByteArray m_device;
    snd_pcm_t* m_pcm = nullptr;
    ZRAudioFormat m_format;
    long m_bufferFrames = 0;
    int64_t m_written = 0;
    int64_t m_underruns = 0;
};
