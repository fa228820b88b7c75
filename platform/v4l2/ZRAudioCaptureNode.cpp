#include "platform/v4l2/ZRAudioCaptureNode.h"

#include <alsa/asoundlib.h>

#include <QDebug>

#include <chrono>
#include <cmath>
#include <memory>
#include <vector>

namespace {

constexpr int kRates[] = {48000, 44100, 32000, 22050, 16000, 11025, 8000};

struct PcmCloser {
    void operator()(snd_pcm_t* pcm) const { snd_pcm_close(pcm); }
};

} // namespace

ZRAudioCaptureNode::ZRAudioCaptureNode(std::string device, std::string name, double pace)
    : ZRGraphNode(std::move(name)), m_device(std::move(device)), m_pace(pace) {
    ZRMediaType type{kZRStreamAudio, "pcm"};
    type.sampleRate = m_rate;
    type.channels = m_channels;
    type.bitsPerSample = m_bits;
    addPin(ZRGraphPin::Direction::Output, "Capture", type);
    outputPin(0)->setStreamConfig(this);
}

ZRAudioCaptureNode::~ZRAudioCaptureNode() {
    ZRAudioCaptureNode::onStop();
}

int ZRAudioCaptureNode::capabilityCount() const {
    return int(std::size(kRates));
}

bool ZRAudioCaptureNode::audioCaps(int index, ZRAudioStreamCaps* caps) const {
    if (index < 0 || index >= capabilityCount()) return false;
    *caps = {1, 2, 1, 8, 16, 8, kRates[index], kRates[index], 1};
    return true;
}

ZRGraphResult ZRAudioCaptureNode::setFormat(const ZRMediaType& type) {
    if (state() != ZRGraphState::Stopped) return kZRGraphNotStopped;
    if (type.sampleRate < 8000 || type.sampleRate > 48000 || type.channels < 1 ||
        type.channels > 2 || (type.bitsPerSample != 8 && type.bitsPerSample != 16))
        return kZRGraphInvalidArg;
    std::lock_guard lock(m_mutex);
    m_rate = type.sampleRate;
    m_channels = type.channels;
    m_bits = type.bitsPerSample;
    ZRMediaType out{kZRStreamAudio, "pcm"};
    out.sampleRate = m_rate;
    out.channels = m_channels;
    out.bitsPerSample = m_bits;
    outputPin(0)->setMediaType(out);
    return kZRGraphOk;
}

ZRMediaType ZRAudioCaptureNode::format() const {
    return outputPin(0)->mediaType();
}

ZRGraphResult ZRAudioCaptureNode::queryState() const {
    return state() == ZRGraphState::Paused ? kZRGraphCantCue : kZRGraphOk;
}

ZRGraphResult ZRAudioCaptureNode::onPause(ZRGraphState from) {
    if (from != ZRGraphState::Stopped) return kZRGraphOk;
    m_quit.store(false);
    m_samples.store(0);
    m_thread = std::thread([this] { m_device.empty() ? toneLoop() : alsaLoop(); });
    return kZRGraphOk;
}

ZRGraphResult ZRAudioCaptureNode::onStop() {
    m_quit.store(true);
    if (m_thread.joinable()) m_thread.join();
    return kZRGraphOk;
}

void ZRAudioCaptureNode::toneLoop() {
    while (!m_quit.load() && state() != ZRGraphState::Running)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    int rate, channels, bits;
    {
        std::lock_guard lock(m_mutex);
        rate = m_rate;
        channels = m_channels;
        bits = m_bits;
    }
    const int block = rate / 25;
    const auto start = std::chrono::steady_clock::now();
    ZRGraphPin* out = outputPin(0);
    int64_t n = 0;
    while (!m_quit.load()) {
        const int64_t first = n * block;
        if (m_pace > 0) {
            const auto due =
                start + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                            std::chrono::duration<double>(double(first + block) / rate / m_pace));
            while (!m_quit.load() && std::chrono::steady_clock::now() < due)
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            if (m_quit.load()) break;
        }
        std::vector<uint8_t> bytes(size_t(block) * size_t(channels) * size_t(bits / 8));
        for (int i = 0; i < block; ++i) {
            const double v = std::sin(2 * M_PI * 1000.0 * double(first + i) / rate);
            for (int c = 0; c < channels; ++c) {
                const size_t at = (size_t(i) * size_t(channels) + size_t(c)) * size_t(bits / 8);
                if (bits == 8) {
                    bytes[at] = uint8_t(128 + std::lround(60 * v));
                } else {
                    const auto s = int16_t(std::lround(8000 * v));
                    bytes[at] = uint8_t(s & 0xFF);
                    bytes[at + 1] = uint8_t((uint16_t(s) >> 8) & 0xFF);
                }
            }
        }
        ZRMediaSample sample = ZRMediaSample::fromBytes(std::move(bytes), first * 10000000 / rate);
        sample.duration = int64_t(block) * 10000000 / rate;
        sample.sequence = n;
        sample.discontinuity = n == 0;
        deliver(out, sample);
        m_samples.fetch_add(block);
        ++n;
    }
}

void ZRAudioCaptureNode::alsaLoop() {
    int rate, channels, bits;
    {
        std::lock_guard lock(m_mutex);
        rate = m_rate;
        channels = m_channels;
        bits = m_bits;
    }
    snd_pcm_t* raw = nullptr;
    int r = snd_pcm_open(&raw, m_device.c_str(), SND_PCM_STREAM_CAPTURE, 0);
    std::unique_ptr<snd_pcm_t, PcmCloser> pcm(r >= 0 ? raw : nullptr);
    if (r >= 0)
        r = snd_pcm_set_params(pcm.get(), bits == 8 ? SND_PCM_FORMAT_U8 : SND_PCM_FORMAT_S16_LE,
                               SND_PCM_ACCESS_RW_INTERLEAVED, unsigned(channels), unsigned(rate), 1,
                               200000);
    if (r < 0) {
        qWarning("%s: the sound device %s does not open: %s", kind().c_str(), m_device.c_str(),
                 snd_strerror(r));
        notify(kZREventErrorAbort, r);
        return;
    }
    while (!m_quit.load() && state() != ZRGraphState::Running)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    (void)snd_pcm_start(pcm.get());
    const int block = rate / 25;
    const size_t frameBytes = size_t(channels) * size_t(bits / 8);
    ZRGraphPin* out = outputPin(0);
    int64_t first = 0, n = 0;
    while (!m_quit.load()) {
        std::vector<uint8_t> bytes(size_t(block) * frameBytes);
        snd_pcm_sframes_t got = snd_pcm_readi(pcm.get(), bytes.data(), snd_pcm_uframes_t(block));
        if (got == -EPIPE || got == -ESTRPIPE || got == -EINTR) {
            // An overrun loses sound but not the device: start again.
            (void)snd_pcm_recover(pcm.get(), int(got), 1);
            continue;
        }
        if (got < 0) {
            qWarning("%s: sound capture failed: %s", kind().c_str(), snd_strerror(int(got)));
            notify(got == -ENODEV ? kZREventDeviceLost : kZREventErrorAbort, got);
            break;
        }
        bytes.resize(size_t(got) * frameBytes);
        ZRMediaSample sample = ZRMediaSample::fromBytes(std::move(bytes), first * 10000000 / rate);
        sample.duration = got * 10000000 / rate;
        sample.sequence = n++;
        deliver(out, sample);
        first += got;
        m_samples.fetch_add(got);
    }
}
