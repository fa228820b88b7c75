#include "platform/playback/ZRNullOutput.h"

#include <algorithm>
#include <chrono>
#include <thread>

ZRNullOutput::ZRNullOutput()
    : m_ownClock(std::make_unique<ZRMonotonicClock>()), m_pace(m_ownClock.get()) {}

ZRNullOutput::ZRNullOutput(const ZRPlaybackClock* pace) : m_pace(pace) {}

// Derived outputs close themselves: `finish` is theirs and cannot run from here.
ZRNullOutput::~ZRNullOutput() = default;

bool ZRNullOutput::open(const ZRAudioFormat& format, QString* error) {
    close();
    if (!format.valid()) {
        if (error) *error = QStringLiteral("unsupported sound format");
        return false;
    }
    std::lock_guard lock(m_openMutex);
    m_format = format;
    if (!start(error)) return false;
    m_counter = std::make_unique<ZRPacedCounter>(m_pace, format.sampleRate,
                                                 int64_t(format.sampleRate) * kBufferMs / 1000);
    m_open = true;
    m_broken = false;
    return true;
}

void ZRNullOutput::close() {
    std::lock_guard lock(m_openMutex);
    if (!m_open) return;
    m_underrunsBefore += m_counter->underruns();
    finish();
    m_open = false;
}

int64_t ZRNullOutput::write(const void* data, int64_t frames) {
    std::lock_guard lock(m_openMutex);
    if (!m_open || m_broken || frames < 0) return -1;
    const int64_t take = std::min(frames, m_counter->room());
    if (take <= 0) return 0;
    if (!consume(data, take)) {
        m_broken = true;
        return -1;
    }
    m_counter->wrote(take);
    return take;
}

void ZRNullOutput::waitForRoom(int ms) {
    int wait = 0;
    {
        std::lock_guard lock(m_openMutex);
        if (!m_open) return;
        wait = std::min(m_counter->msUntilRoom(), ms);
    }
    if (wait > 0) std::this_thread::sleep_for(std::chrono::milliseconds(wait));
}

void ZRNullOutput::restart() {
    std::lock_guard lock(m_openMutex);
    if (m_open) m_counter->restart();
}

int64_t ZRNullOutput::heardFrames() {
    std::lock_guard lock(m_openMutex);
    return m_open ? m_counter->heard() : 0;
}

int64_t ZRNullOutput::underruns() {
    std::lock_guard lock(m_openMutex);
    return m_underrunsBefore + (m_open ? m_counter->underruns() : 0);
}

ZRAudioFormat ZRNullOutput::format() const {
    return m_format;
}

bool ZRNullOutput::consume(const void*, int64_t) {
    return true;
}

bool ZRNullOutput::start(QString*) {
    return true;
}

void ZRNullOutput::finish() {}
