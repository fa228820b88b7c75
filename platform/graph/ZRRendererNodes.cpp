#include "platform/graph/ZRRendererNodes.h"

#include "platform/playback/ZRNullOutput.h"
#include "platform/playback/ZRPreviewOutput.h"
#include "platform/playback/ZRVideoSurface.h"

#include <chrono>

ZRVideoRendererNode::ZRVideoRendererNode() : ZRGraphNode("Video Renderer") {
    addPin(ZRGraphPin::Direction::Input, "Input", {kZRStreamVideo, {}});
    auto* surface = new ZRVideoSurface;
    m_surfaceWidget = surface;
    m_surface = surface;
    // The surface may die with an owner widget first: the streaming side then presents nowhere.
    surface->onDestroy = [this] {
        std::lock_guard lock(m_mutex);
        m_surface = nullptr;
    };
}

ZRVideoRendererNode::~ZRVideoRendererNode() {
    beginStop();
    if (m_surfaceWidget) {
        m_surfaceWidget->onDestroy = nullptr;
        delete m_surfaceWidget.data();
    }
}

ZRVideoSurface* ZRVideoRendererNode::surface() const {
    return m_surfaceWidget.data();
}

void ZRVideoRendererNode::setOwner(QWidget* owner) {
    if (m_surfaceWidget) m_surfaceWidget->setOwner(owner);
}

QWidget* ZRVideoRendererNode::owner() const {
    return m_surfaceWidget ? m_surfaceWidget->owner() : nullptr;
}

void ZRVideoRendererNode::setWindowPosition(int x, int y, int width, int height) {
    if (m_surfaceWidget) m_surfaceWidget->setGeometry(x, y, width, height);
}

void ZRVideoRendererNode::setVisible(bool on) {
    if (m_surfaceWidget) m_surfaceWidget->setVisible(on);
}

bool ZRVideoRendererNode::isVisible() const {
    return m_surfaceWidget && m_surfaceWidget->isVisible();
}

bool ZRVideoRendererNode::setFullScreenMode(bool on) {
    return m_surfaceWidget && m_surfaceWidget->setFullScreenMode(on);
}

void ZRVideoRendererNode::videoSize(int* width, int* height) const {
    std::lock_guard lock(m_mutex);
    if (width) *width = m_width;
    if (height) *height = m_height;
}

ZRGraphResult ZRVideoRendererNode::queryState() const {
    if (state() != ZRGraphState::Paused || !inputPin(0)->isConnected()) return kZRGraphOk;
    std::lock_guard lock(m_mutex);
    return m_gotPicture ? kZRGraphOk : kZRGraphStateIntermediate;
}

ZRGraphResult ZRVideoRendererNode::onPause(ZRGraphState from) {
    if (from == ZRGraphState::Stopped) {
        std::lock_guard lock(m_mutex);
        m_stopping = false;
        m_gotPicture = false;
        m_lastShown = -1;
        m_shown.store(0);
        m_dropped.store(0);
    }
    return kZRGraphOk;
}

void ZRVideoRendererNode::beginStop() {
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
}

ZRGraphResult ZRVideoRendererNode::onStop() {
    beginStop();
    return kZRGraphOk;
}

void ZRVideoRendererNode::receive(ZRGraphPin*, const ZRMediaSample& sample) {
    if (!sample.picture) return;
    std::unique_lock lock(m_mutex);
    m_gotPicture = true;
    m_width = sample.picture->width;
    m_height = sample.picture->height;
    const ZRMediaTime frame = sample.duration > 0 ? sample.duration : 400000;
    if (sample.time >= 0) {
        // Waits in short steps: the stream time stands while paused and jumps at a run.
        for (;;) {
            if (m_stopping) return;
            const ZRMediaTime ahead = sample.time - streamTime();
            if (ahead <= 0) {
                // Late pictures are dropped, but one a second is shown however late, so that
                // an overloaded preview still moves.
                const bool shownLately = m_lastShown >= 0 &&
                                         sample.time - m_lastShown < kZRMediaTimePerSecond &&
                                         sample.time >= m_lastShown;
                if (-ahead > frame && shownLately) {
                    m_dropped.fetch_add(1);
                    return;
                }
                break;
            }
            const auto wait = std::chrono::microseconds(std::min<ZRMediaTime>(ahead / 10, 20000));
            m_wake.wait_for(lock, wait);
        }
    }
    if (m_surface) m_surface->presentFrame(sample.picture, sample.time);
    m_lastShown = sample.time;
    m_shown.fetch_add(1);
}

ZRAudioRendererNode::ZRAudioRendererNode(std::unique_ptr<ZRSoundOutput> output)
    : ZRGraphNode("Audio Renderer"), m_output(output ? std::move(output) : zrCreatePreviewOutput()),
      m_clock(m_output) {
    addPin(ZRGraphPin::Direction::Input, "Audio Input pin (rendered)", {kZRStreamAudio, {}});
}

ZRAudioRendererNode::~ZRAudioRendererNode() {
    if (m_open) m_output->close();
}

ZRMediaTime ZRAudioRendererNode::clockTime() const {
    return m_clock.now();
}

ZRGraphResult ZRAudioRendererNode::checkConnect(ZRGraphPin* own, const ZRMediaType& type) {
    if (!own->mediaType().accepts(type)) return kZRGraphTypeNotAccepted;
    ZRAudioFormat format;
    format.sampleRate = type.sampleRate;
    format.channels = type.channels;
    format.bitsPerSample = type.bitsPerSample;
    return format.valid() ? kZRGraphOk : kZRGraphTypeNotAccepted;
}

ZRGraphResult ZRAudioRendererNode::onPause(ZRGraphState from) {
    if (from != ZRGraphState::Stopped) return kZRGraphOk;
    m_stopping.store(false);
    const ZRMediaType& type = inputPin(0)->connectionType();
    ZRAudioFormat format;
    if (inputPin(0)->isConnected()) {
        format.sampleRate = type.sampleRate;
        format.channels = type.channels;
        format.bitsPerSample = type.bitsPerSample;
    }
    QString error;
    if (!m_output->open(format, &error)) {
        // A machine without a working sound output still previews and captures: the sound is
        // consumed in real time, unheard, and the clock keeps the pictures' pace.
        qWarning("Audio Renderer: the sound output does not open (%s); playing without sound",
                 qUtf8Printable(error));
        m_output = std::make_unique<ZRNullOutput>();
        if (!m_output->open(format, &error)) return kZRGraphFail;
    }
    m_open = true;
    m_output->restart();
    m_clock.restart();
    return kZRGraphOk;
}

ZRGraphResult ZRAudioRendererNode::onStop() {
    m_stopping.store(true);
    if (m_open) m_output->close();
    m_open = false;
    return kZRGraphOk;
}

void ZRAudioRendererNode::receive(ZRGraphPin*, const ZRMediaSample& sample) {
    if (!sample.data || !m_open) return;
    const int bytesPerFrame = m_output->format().bytesPerFrame();
    if (bytesPerFrame <= 0) return;
    const uint8_t* p = sample.data->data();
    int64_t frames = int64_t(sample.data->size()) / bytesPerFrame;
    while (frames > 0 && !m_stopping.load()) {
        const int64_t taken = m_output->write(p, frames);
        if (taken < 0) return;
        if (taken == 0) {
            m_output->waitForRoom(20);
            continue;
        }
        p += taken * bytesPerFrame;
        frames -= taken;
    }
}
