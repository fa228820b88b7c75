#pragma once

#include "platform/graph/ZRGraphInterfaces.h"
#include "platform/graph/ZRGraphNode.h"

#include <atomic>
#include <mutex>
#include <string>
#include <thread>

/// A sound capture device as a graph node: an ALSA capture device by its name, or, without
/// one, a simulated device giving a 1 kHz tone in real time (times `pace`). Its output
/// "Capture" delivers interleaved PCM ("auds"/"pcm") in blocks of 40 ms from a thread of its
/// own while the graph runs, each timed by the samples before it. Rates 8000 to 48000 Hz, 1 or
/// 2 channels, 8 or 16 bits; a device that fails posts error abort (3), one that vanishes 0x1F.
/// Thread-safety: the format is set while stopped; the thread runs between start and stop.
class ZRAudioCaptureNode final : public ZRGraphNode, public IZRStreamConfig {
public:
    /// `device` is an ALSA PCM name ("hw:1,0"); empty: the simulated tone.
    ZRAudioCaptureNode(std::string device, std::string name, double pace = 1.0);
    ~ZRAudioCaptureNode() override;

    int capabilityCount() const override;
    bool videoCaps(int, ZRVideoStreamCaps*) const override { return false; }
    bool audioCaps(int index, ZRAudioStreamCaps* caps) const override;
    ZRGraphResult setFormat(const ZRMediaType& type) override;
    ZRMediaType format() const;
    int64_t samplesDelivered() const { return m_samples.load(); }

    ZRGraphResult queryState() const override;
    void beginStop() override { m_quit.store(true); }

protected:
    ZRGraphResult onPause(ZRGraphState from) override;
    ZRGraphResult onStop() override;

private:
    void toneLoop();
    void alsaLoop();

    std::string m_device;
    double m_pace;
    mutable std::mutex m_mutex;
    int m_rate = 44100, m_channels = 2, m_bits = 16;
    std::atomic<bool> m_quit{false};
    std::atomic<int64_t> m_samples{0};
    std::thread m_thread;
};
