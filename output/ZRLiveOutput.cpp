#include "output/ZRLiveOutput.h"

#include "editor/ZRAppState.h"
#include "editor/ZRScopedPos.h"
#include "engine/api/IZRTimeline.h"
#include "output/ZRLiveOutputThread.h"
#include "platform/dvcodec/DVFrameAudio.h"
#include "platform/dvdevice/IZRDevice.h"
#include "views/ZRSBPSlider.h"

#include <QCoreApplication>

#include <cstring>
#include <span>

namespace {

constexpr int kDVMode = 1;

bool wholeFrameSize(int size) {
    return size == 120000 || size == 144000;
}

// The engine's mix as DV carries it for the run: 48 kHz, 16 bits, stereo; the project's own
// format comes back afterwards.
class DVAudioFormat {
public:
    explicit DVAudioFormat(IZRTimeline* timeline) : m_settings(timeline->settings()) {
        m_saved = m_settings->getIntTripleSetting("Audio Settings", &m_rate, &m_bits, &m_channels);
        if (!m_saved || m_rate != 48000 || m_bits != 16 || m_channels != 2)
            m_settings->setIntTripleSetting("Audio Settings", 48000, 16, 2);
        else
            m_saved = false;
    }
    ~DVAudioFormat() {
        if (m_saved) m_settings->setIntTripleSetting("Audio Settings", m_rate, m_bits, m_channels);
    }
    DVAudioFormat(const DVAudioFormat&) = delete;
    DVAudioFormat& operator=(const DVAudioFormat&) = delete;

private:
    IZRSettings* m_settings;
    bool m_saved = false;
    int m_rate = 0, m_bits = 0, m_channels = 0;
};

} // namespace

ZRLiveOutput::ZRLiveOutput(IZRTimeline* timeline) : m_timeline(timeline) {}

ZRLiveOutput::~ZRLiveOutput() {
    close();
}

bool ZRLiveOutput::open(const QString& deviceName, int frameSize) {
    if (m_open || !m_timeline) return m_open;
    if (!m_timeline->startDVOutput(kDVMode)) return false;
    m_device = IZRCreateDeviceInstance(ZRDeviceDVOutput);
    ZRDeviceOpenParams params{frameSize, deviceName};
    if (m_device && m_device->open(kDeviceUser, &params)) {
        m_position = m_timeline->factory()->createPos();
        m_open = true;
        return true;
    }
    // Nothing is left running for a device that never opened.
    m_device.reset();
    m_timeline->stopDVOutput();
    return false;
}

void ZRLiveOutput::close() {
    if (!m_device) return;
    m_device->close();
    m_timeline->stopDVOutput();
    if (m_position) m_timeline->factory()->destroyPos(m_position);
    m_position = nullptr;
    m_device.reset();
    m_open = false;
}

bool ZRLiveOutput::writeFrame(const uint8_t* data, int size) {
    if (!data || !wholeFrameSize(size)) return false;
    return m_device->write(data, size);
}

void ZRLiveOutput::sendFrameAt(IZRPos* position) {
    if (!m_open || !position || appState().exportRunning.load()) return;
    if (position != m_position) m_position->assign(position);
    int size = 0;
    const unsigned char* frame = m_timeline->dvOutputFrame(m_position, &size);
    // The engine answers null when it cannot encode: nothing goes out then.
    if (!frame || !wholeFrameSize(size)) return;
    std::memcpy(m_frame.data(), frame, size_t(size));
    m_frameSize = size;
    platform::dvMuteAudioPacks(std::span(m_frame.data(), size_t(size)));
    writeFrame(m_frame.data(), size);
}

void ZRLiveOutput::sendCommand(long code) {
    if (m_device && m_open) m_device->setValue(kAvcKey, &code);
}

void ZRLiveOutput::queryState(long* out) {
    *out = 0;
    if (m_device && m_open && !m_device->getValue(kAvcKey, out)) *out = 0;
}

void ZRLiveOutput::playRange(ZRSBPSlider* slider, bool loop) {
    if (!m_open || m_playing || !slider) return;
    IZRObjectFactory* factory = m_timeline->factory();
    ZRScopedPos last(factory, m_timeline->endPosition());
    if (last->toFrames() <= 0) return;
    ZRAppState& state = appState();
    state.exportRunning = true;
    last->decrement();
    const double lastMs = last->toMilliseconds();
    ZRScopedPos out(factory), in(factory);
    out->setMilliseconds(unsigned(lastMs * (1.0 - slider->markOut())));
    in->setMilliseconds(unsigned(lastMs * slider->markIn()));
    if (state.sharedPos) state.sharedPos->assign(in);
    IZRPos* current = m_position;
    if (*out.get() < current || *current < in.get()) current->assign(in);
    if (*current >= out.get()) {
        state.exportRunning = false;
        return;
    }
    if (state.sharedPos) state.sharedPos->assign(last);

    m_playing = true;
    DVAudioFormat format(m_timeline);
    const double lastFrames = last->toFrames();
    // The producer loops back to the in point, where the sender goes back too.
    auto producer = std::make_unique<ZRLiveOutputThread>(m_timeline, out, current, in, loop);
    producer->start();
    m_producer = producer.get();
    const auto keepWaiting = [&state] {
        QCoreApplication::processEvents();
        return !state.stopRequested.load();
    };
    const ZRLiveOutputThread::Slot* sent = nullptr;
    for (;;) {
        while (!state.stopRequested.load() && *current < out.get()) {
            ZRLiveOutputThread::Slot* slot = producer->nextFrame(keepWaiting);
            if (!slot) break;
            slider->gotoPosition(lastFrames > 0 ? current->toFrames() / lastFrames : 0.0, nullptr);
            if (writeFrame(slot->frame.data(), slot->size)) {
                std::memcpy(m_frame.data(), slot->frame.data(), size_t(slot->size));
                m_frameSize = slot->size;
                sent = slot;
            }
            producer->release(slot);
            current->increment();
            QCoreApplication::processEvents();
        }
        if (!loop || state.stopRequested.load() || producer->hasFinished()) break;
        current->assign(in);
    }
    // The device stays on a still picture without sound.
    if (sent && wholeFrameSize(m_frameSize)) {
        platform::dvMuteAudioPacks(std::span(m_frame.data(), size_t(m_frameSize)));
        writeFrame(m_frame.data(), m_frameSize);
    }
    producer->stopAndWait();
    m_producer = nullptr;
    producer.reset();
    m_playing = false;
    state.exportRunning = false;
    state.stopRequested = false;
}
