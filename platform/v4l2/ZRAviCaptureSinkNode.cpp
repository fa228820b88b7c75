#include "platform/v4l2/ZRAviCaptureSinkNode.h"

#include "platform/aviwriter/AviCompressors.h"

#include <QDebug>

#include <chrono>
#include <cmath>

namespace {

// The moment a sample arrives, in 100-ns units of the monotonic clock.
ZRMediaTime arrival() {
    return std::chrono::duration_cast<std::chrono::duration<int64_t, std::ratio<1, 10000000>>>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace

ZRAviCaptureSinkNode::ZRAviCaptureSinkNode() : ZRGraphNode("AVI Mux") {
    addPin(ZRGraphPin::Direction::Input, "Video", {kZRStreamVideo, "yuyv"});
    addPin(ZRGraphPin::Direction::Input, "Audio", {kZRStreamAudio, "pcm"});
    m_writer.setRecording(true);
}

ZRAviCaptureSinkNode::~ZRAviCaptureSinkNode() {
    std::lock_guard lock(m_mutex);
    if (m_writer.isOpen()) (void)m_writer.closeKeepingWritten();
}

ZRGraphResult ZRAviCaptureSinkNode::setFileName(const std::string& path) {
    if (path.empty()) return kZRGraphInvalidArg;
    std::lock_guard lock(m_mutex);
    m_path = path;
    return kZRGraphOk;
}

std::string ZRAviCaptureSinkNode::fileName() const {
    std::lock_guard lock(m_mutex);
    return m_path;
}

void ZRAviCaptureSinkNode::setVideoCompressor(const std::string& name) {
    std::lock_guard lock(m_mutex);
    m_compressor = name;
}

std::string ZRAviCaptureSinkNode::compressorUsed() const {
    std::lock_guard lock(m_mutex);
    return m_used;
}

ZRGraphResult ZRAviCaptureSinkNode::onPause(ZRGraphState from) {
    if (from != ZRGraphState::Stopped) return kZRGraphOk;
    std::lock_guard lock(m_mutex);
    m_failed = false;
    m_error.store(0);
    m_next = 0;
    m_audioOrigin = m_videoOrigin = -1;
    m_audioBytes = 0;
    m_pending.clear();
    m_last.clear();
    m_frames.store(0);
    m_repeated.store(0);
    m_dropped.store(0);
    if (m_path.empty()) return kZRGraphFail;
    ZRGraphPin* video = inputPin(0);
    ZRGraphPin* audio = inputPin(1);
    const ZRMediaType& v = video->connectionType();
    const ZRMediaType& a = audio->connectionType();
    const bool haveVideo = video->isConnected() && v.width > 0 && v.height > 0;
    m_width = v.width;
    m_height = v.height;
    m_frameDuration = v.frameDuration > 0 ? v.frameDuration : 400000;
    m_used = m_compressor;
    if (m_used.empty() || !platform::aviVideoEncoder(m_used.c_str()))
        m_used = platform::kAviUncompressedVideo;
    // Without a sound device the file holds the pictures only.
    const bool haveAudio = audio->isConnected();
    const int rate = haveAudio && a.sampleRate > 0 ? a.sampleRate : 44100;
    const int channels = haveAudio && a.channels > 0 ? a.channels : 2;
    const int bits = haveAudio && a.bitsPerSample > 0 ? a.bitsPerSample : 16;
    m_audioRate = rate;
    m_audioBlock = channels * bits / 8;
    const int r = m_writer.openDShow(
        haveVideo ? m_used.c_str() : nullptr,
        haveAudio ? platform::kAviDefaultAudioCompressor : nullptr, m_path.c_str(), m_width,
        m_height, 1e7 / double(m_frameDuration), rate, channels, bits, 0, -1, 85, -1);
    if (r != platform::kAviOk) {
        qWarning("AVI Mux: %s cannot be written (0x%08X)", m_path.c_str(), unsigned(r));
        return kZRGraphFail;
    }
    if (haveVideo && !m_convert.update(m_width, m_height, AV_PIX_FMT_YUYV422, m_width, m_height,
                                       AV_PIX_FMT_BGRA, SWS_POINT)) {
        (void)m_writer.closeDShow(1);
        return kZRGraphFail;
    }
    return kZRGraphOk;
}

void ZRAviCaptureSinkNode::writePendingLocked(bool ending) {
    const bool sound = m_audioMaster && inputPin(1)->isConnected() && m_audioBlock > 0;
    const ZRMediaTime soundEnd =
        sound ? ZRMediaTime(double(m_audioBytes) / m_audioBlock * 1e7 / m_audioRate) : 0;
    while (!m_pending.empty() && !m_failed) {
        const Pending& p = m_pending.front();
        const ZRMediaTime start = p.index * m_frameDuration;
        const bool covered = !sound || start < soundEnd;
        // A sound that stalls holds no more than two seconds of pictures.
        if (!covered && !(m_pending.size() > 50 && !ending)) {
            if (ending) m_pending.clear(); // pictures past the sound's end are left out
            return;
        }
        if (p.index < m_next) {
            m_dropped.fetch_add(1);
            m_pending.pop_front();
            continue;
        }
        // Frames lost before they reached us: the one before stands in for each.
        while (m_next < p.index && !m_last.empty()) {
            if (!writeFrameLocked(m_last)) return;
            m_repeated.fetch_add(1);
        }
        m_last.resize(size_t(m_width) * 4 * size_t(m_height));
        const uint8_t* src[4] = {p.yuyv->data(), nullptr, nullptr, nullptr};
        const int srcStride[4] = {m_width * 2, 0, 0, 0};
        uint8_t* dst[4] = {m_last.data(), nullptr, nullptr, nullptr};
        const int dstStride[4] = {m_width * 4, 0, 0, 0};
        sws_scale(m_convert.get(), src, srcStride, 0, m_height, dst, dstStride);
        if (m_next < p.index) m_next = p.index; // the first frame may come late
        m_pending.pop_front();
        (void)writeFrameLocked(m_last);
    }
}

ZRGraphResult ZRAviCaptureSinkNode::onStop() {
    std::lock_guard lock(m_mutex);
    if (!m_writer.isOpen()) return kZRGraphOk;
    writePendingLocked(true);
    m_pending.clear();
    const int r = m_writer.closeKeepingWritten();
    // Stopping succeeds; a file that could not be completed is told as an event.
    if (r != 0 && !m_failed) {
        m_error.store(r);
        qWarning("AVI Mux: %s could not be completed (0x%08X)", m_path.c_str(), unsigned(r));
        notify(kZREventErrorAbort, r);
    }
    return kZRGraphOk;
}

void ZRAviCaptureSinkNode::failLocked(int error) {
    if (m_failed) return;
    m_failed = true;
    m_error.store(error);
    qWarning("AVI Mux: writing %s failed (0x%08X)", m_path.c_str(), unsigned(error));
    notify(kZREventErrorAbort, error);
}

bool ZRAviCaptureSinkNode::writeFrameLocked(const std::vector<uint8_t>& bgra) {
    const int r = m_writer.genVideoSample(bgra.data(), m_width * 4);
    if (r != 0) {
        failLocked(r);
        return false;
    }
    ++m_next;
    m_frames.fetch_add(1);
    return true;
}

void ZRAviCaptureSinkNode::receive(ZRGraphPin* input, const ZRMediaSample& sample) {
    if (!sample.data || sample.data->empty()) return;
    std::lock_guard lock(m_mutex);
    if (!m_writer.isOpen() || m_failed) return;
    if (input == inputPin(1)) {
        if (m_audioOrigin < 0) m_audioOrigin = arrival() - std::max<ZRMediaTime>(sample.time, 0);
        const int r = m_writer.genAudioSample(sample.data->data(), int(sample.data->size()));
        if (r != 0) {
            failLocked(r);
            return;
        }
        m_audioBytes += int64_t(sample.data->size());
        writePendingLocked(false);
        return;
    }
    if (input != inputPin(0) || m_width <= 0) return;
    const size_t stride = size_t(m_width) * 2;
    if (sample.data->size() < stride * size_t(m_height)) {
        m_dropped.fetch_add(1);
        return;
    }
    // The sound is the master: a frame goes where its time falls on the sound's time line, and
    // the file starts with the sound.
    const bool sound = m_audioMaster && inputPin(1)->isConnected();
    if (sound && m_audioOrigin < 0) return;
    if (m_videoOrigin < 0) m_videoOrigin = arrival() - std::max<ZRMediaTime>(sample.time, 0);
    const ZRMediaTime onSoundLine = sample.time + (sound ? m_videoOrigin - m_audioOrigin : 0);
    if (sample.time >= 0 && onSoundLine < -m_frameDuration / 2) {
        m_dropped.fetch_add(1);
        return;
    }
    const int64_t index = sample.time >= 0
                              ? int64_t(std::llround(double(onSoundLine) / double(m_frameDuration)))
                              : m_next;
    // With sound, a frame waits until the sound reaches it, so that the file ends where the
    // sound ends; without, it is written at once.
    m_pending.push_back({index, sample.data});
    writePendingLocked(false);
}
