#pragma once

#include "platform/graph/ZRGraphInterfaces.h"
#include "platform/graph/ZRGraphNode.h"
#include "platform/playback/ZRHeardClock.h"
#include "platform/playback/ZRSoundOutput.h"

#include <QPointer>

#include <condition_variable>
#include <memory>
#include <mutex>

class ZRVideoSurface;

/// "Video Renderer": shows decoded pictures on a `ZRVideoSurface` it makes, each when the
/// graph's stream time reaches the sample's time (samples without a time at once). A picture
/// more than a frame late is dropped and counted, unless none was shown for a second of stream. The
/// wait happens on the upstream thread and ends at a stop. Paused before its first picture, it
/// reports a change under way. Thread-safety: the window operations belong to the GUI thread;
/// `receive` to one upstream thread; the counters are atomics.
class ZRVideoRendererNode final : public ZRGraphNode, public IZRVideoWindow {
public:
    ZRVideoRendererNode();
    ~ZRVideoRendererNode() override;

    ZRVideoSurface* surface() const;
    int64_t shown() const { return m_shown.load(); }
    int64_t dropped() const { return m_dropped.load(); }

    void setOwner(QWidget* owner) override;
    QWidget* owner() const override;
    void setWindowPosition(int x, int y, int width, int height) override;
    void setVisible(bool on) override;
    bool isVisible() const override;
    bool setFullScreenMode(bool on) override;
    void videoSize(int* width, int* height) const override;

    bool isSink() const override { return true; }
    ZRGraphResult queryState() const override;
    void receive(ZRGraphPin* input, const ZRMediaSample& sample) override;
    void beginStop() override;

protected:
    ZRGraphResult onPause(ZRGraphState from) override;
    ZRGraphResult onStop() override;

private:
    QPointer<ZRVideoSurface> m_surfaceWidget; // GUI thread
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    ZRVideoSurface* m_surface = nullptr; // cleared when the surface is destroyed
    bool m_stopping = false;
    bool m_gotPicture = false;
    ZRMediaTime m_lastShown = -1;
    int m_width = 0, m_height = 0;
    std::atomic<int64_t> m_shown{0};
    std::atomic<int64_t> m_dropped{0};
};

/// "Audio Renderer": plays interleaved PCM through a sound output (ALSA unless one is given)
/// and is a clock: the heard position of the output. An output that does not open is replaced,
/// when the graph leaves Stopped, by a null output paced by the system's clock: the graph runs
/// on, unheard, instead of failing.
/// Thread-safety: `receive` on one upstream thread; `clockTime` from any while the graph is not
/// stopped (the output is replaced only while nothing streams).
class ZRAudioRendererNode final : public ZRGraphNode, public IZRReferenceClock {
public:
    /// Null: the preview's sound output.
    explicit ZRAudioRendererNode(std::unique_ptr<ZRSoundOutput> output = nullptr);
    ~ZRAudioRendererNode() override;

    ZRMediaTime clockTime() const override;
    /// The output in use: the one given, or its null replacement once that did not open.
    ZRSoundOutput* output() const { return m_output.get(); }

    bool isSink() const override { return true; }
    void receive(ZRGraphPin* input, const ZRMediaSample& sample) override;
    void beginStop() override { m_stopping.store(true); }
    ZRGraphResult checkConnect(ZRGraphPin* own, const ZRMediaType& type) override;

protected:
    ZRGraphResult onPause(ZRGraphState from) override;
    ZRGraphResult onStop() override;

private:
    std::unique_ptr<ZRSoundOutput> m_output;
    ZRHeardClock m_clock;
    std::atomic<bool> m_stopping{false};
    bool m_open = false;
};
