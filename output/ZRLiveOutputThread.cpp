#include "output/ZRLiveOutputThread.h"

#include "engine/api/IZRTimeline.h"
#include "platform/dvcodec/DVFrameAudio.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <span>
#include <thread>

namespace {

constexpr int kPairBytes = 4;

bool wholeFrameSize(int size) {
    return size == 120000 || size == 144000;
}

} // namespace

ZRLiveOutputThread::ZRLiveOutputThread(IZRTimeline* timeline, const IZRPos* end,
                                       const IZRPos* start, const IZRPos* loopStart, bool loop)
    : m_timeline(timeline), m_end(timeline->factory(), end), m_video(timeline->factory(), start),
      m_audio(timeline->factory(), start), m_start(timeline->factory(), loopStart), m_loop(loop),
      m_ring(std::make_unique<Slot[]>(kSlots)) {
    m_timeline->startAudioAt(m_audio);
    for (int i = 0; i < kSlots; ++i)
        if (!build(m_ring[size_t(i)])) break;
}

ZRLiveOutputThread::~ZRLiveOutputThread() {
    stopAndWait();
}

void ZRLiveOutputThread::stopAndWait() {
    requestStop();
    // The finished flag, not QThread::wait, orders the thread's last writes before ours: the
    // thread sanitizer does not see Qt's own synchronisation.
    if (QThread::isRunning() || QThread::isFinished())
        while (!hasFinished())
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    wait();
}

void ZRLiveOutputThread::takeAudio(int pairs, bool system50) {
    const size_t want = size_t(pairs) * kPairBytes;
    size_t filled = 0;
    while (filled < want) {
        if (m_chunk && m_chunkUsed < m_chunkBytes) {
            const size_t n = std::min(want - filled, size_t(m_chunkBytes - m_chunkUsed));
            std::memcpy(m_audioBuffer.data() + filled, m_chunk + m_chunkUsed, n);
            filled += n;
            m_chunkUsed += int(n);
            continue;
        }
        // Past the end nothing more is asked of the engine: the rest of the frame is silence,
        // never the last block again (which would repeat sound, or never fill an empty block).
        if (!(*m_audio.get() < m_end.get())) break;
        int32_t bytes = 0;
        m_chunk =
            static_cast<const uint8_t*>(m_timeline->renderAudio(system50 ? 1920 : 1600, &bytes));
        m_chunkBytes = m_chunk ? std::max(0, int(bytes) - int(bytes % kPairBytes)) : 0;
        m_chunkUsed = 0;
        m_audio->increment();
        if (m_chunkBytes == 0) {
            m_chunk = nullptr;
            break;
        }
    }
    std::memset(m_audioBuffer.data() + filled, 0, want - filled);
}

bool ZRLiveOutputThread::build(Slot& slot) {
    if (*m_video.get() >= m_end.get()) {
        if (!m_loop) return false;
        m_video->assign(m_start);
        m_audio->assign(m_start);
        m_timeline->startAudioAt(m_audio);
        m_chunk = nullptr;
        m_chunkBytes = m_chunkUsed = 0;
    }
    int size = 0;
    const unsigned char* frame = m_timeline->dvOutputFrame(m_video, &size);
    slot.size = 0;
    if (frame && wholeFrameSize(size)) {
        std::memcpy(slot.frame.data(), frame, size_t(size));
        slot.size = size;
        m_system50 = (frame[3] & 0x80) != 0;
    }
    m_video->increment();
    const int64_t index = m_produced.load(std::memory_order_relaxed);
    const int pairs = platform::dvCadenceSamples(m_system50, index);
    takeAudio(pairs, m_system50);
    if (slot.size > 0)
        platform::dvInsertAudio(std::span(slot.frame.data(), size_t(slot.size)), m_audioBuffer,
                                pairs * kPairBytes, kRate);
    slot.stamp = index;
    m_produced.store(index + 1, std::memory_order_release);
    slot.ready.store(true, std::memory_order_release);
    return true;
}

void ZRLiveOutputThread::run() {
    bool over = false;
    while (!stopRequested()) {
        Slot& slot = m_ring[size_t(m_produced.load(std::memory_order_relaxed) % kSlots)];
        if (over || slot.ready.load(std::memory_order_acquire)) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            continue;
        }
        over = !build(slot);
    }
    m_finished.store(true, std::memory_order_release);
}

ZRLiveOutputThread::Slot* ZRLiveOutputThread::nextFrame(const std::function<bool()>& waitStep) {
    Slot& slot = m_ring[size_t(m_consumed % kSlots)];
    // The sender never takes a slot the producer is still writing: it waits for the flag.
    while (!slot.ready.load(std::memory_order_acquire)) {
        if (stopRequested() || hasFinished()) return nullptr;
        if (waitStep && !waitStep()) return nullptr;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ++m_consumed;
    return &slot;
}

void ZRLiveOutputThread::release(Slot* slot) {
    if (slot) slot->ready.store(false, std::memory_order_release);
}
