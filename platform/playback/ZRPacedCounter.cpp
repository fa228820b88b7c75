#include "platform/playback/ZRPacedCounter.h"

#include <algorithm>
#include <limits>

ZRPacedCounter::ZRPacedCounter(const ZRPlaybackClock* pace, int sampleRate, int64_t bufferFrames)
    : m_pace(pace), m_rate(std::max(sampleRate, 1)), m_buffer(std::max<int64_t>(bufferFrames, 1)) {
    restart();
}

void ZRPacedCounter::restart() {
    std::lock_guard lock(m_mutex);
    m_start = m_pace ? m_pace->now() : 0;
    m_written = 0;
}

int64_t ZRPacedCounter::heardLocked() {
    if (!m_pace) return m_written;
    const ZRMediaTime elapsed = std::max<ZRMediaTime>(m_pace->now() - m_start, 0);
    const int64_t played = int64_t((__int128)elapsed * m_rate / kZRMediaTimePerSecond);
    return std::min(played, m_written);
}

int64_t ZRPacedCounter::room() {
    std::lock_guard lock(m_mutex);
    if (!m_pace) return std::numeric_limits<int64_t>::max();
    return std::max<int64_t>(m_buffer - (m_written - heardLocked()), 0);
}

void ZRPacedCounter::wrote(int64_t frames) {
    std::lock_guard lock(m_mutex);
    if (m_pace && m_written > 0) {
        // Ran dry: the new sound plays from now on, so the start moves by the silent gap.
        const ZRMediaTime elapsed = m_pace->now() - m_start;
        const ZRMediaTime writtenTime =
            ZRMediaTime((__int128)m_written * kZRMediaTimePerSecond / m_rate);
        if (elapsed > writtenTime) {
            ++m_underruns;
            m_start += elapsed - writtenTime;
        }
    }
    m_written += frames;
}

int64_t ZRPacedCounter::heard() {
    std::lock_guard lock(m_mutex);
    return heardLocked();
}

int64_t ZRPacedCounter::underruns() {
    std::lock_guard lock(m_mutex);
    return m_underruns;
}

int ZRPacedCounter::msUntilRoom() {
    std::lock_guard lock(m_mutex);
    if (!m_pace) return 0;
    const int64_t excess = (m_written - heardLocked()) - m_buffer;
    if (excess < 0) return 0;
    return int(std::min<int64_t>((excess + 1) * 1000 / m_rate + 1, 1000));
}
