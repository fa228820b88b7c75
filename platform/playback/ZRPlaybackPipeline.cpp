#include "platform/playback/ZRPlaybackPipeline.h"

#include "platform/playback/ZRHeardClock.h"
#include "platform/playback/ZRNullOutput.h"
#include "platform/playback/ZRVideoSurface.h"

#include <QCoreApplication>
#include <QEvent>

#include <algorithm>
#include <cstring>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;

/// How far the audio thread may write ahead of real time: more than any device's buffer (ALSA's
/// is about 100 ms), so only an output that takes sound faster than it plays is held back.
constexpr ZRMediaTime kAudioLead = 2500000;

/// Sample frames covering `time` (rounded up, so that the heard position reaches it).
int64_t framesFor(ZRMediaTime time, int rate) {
    if (time <= 0) return 0;
    return int64_t(((__int128)time * rate + kZRMediaTimePerSecond - 1) / kZRMediaTimePerSecond);
}

} // namespace

ZRPlaybackPipeline::ZRPlaybackPipeline(std::unique_ptr<ZRSoundOutput> output,
                                       ZRPlaybackClock* clock)
    : m_output(std::move(output)), m_clock(clock) {
    if (!m_clock) {
        m_outputClock = std::make_unique<ZRHeardClock>(m_output);
        m_clock = m_outputClock.get();
    }
    m_surface = new ZRVideoSurface(nullptr);
    m_surface->onDestroy = [this] {
        std::lock_guard lock(m_surfaceMutex);
        m_surface = nullptr;
    };
    m_surface->onUserClose = [this] {
        std::lock_guard lock(m_mutex);
        postEventLocked(kEventUserAbort);
    };
}

ZRPlaybackPipeline::~ZRPlaybackPipeline() {
    stop();
    setNotifyTarget(nullptr, 0);
    ZRVideoSurface* surface = nullptr;
    {
        std::lock_guard lock(m_surfaceMutex);
        surface = m_surface;
        m_surface = nullptr;
    }
    if (surface) {
        surface->onDestroy = nullptr;
        surface->onUserClose = nullptr;
        delete surface;
    }
}

bool ZRPlaybackPipeline::setSource(IZRPreviewSourceCallback* source, QString* warning) {
    stop();
    {
        std::lock_guard lock(m_mutex);
        m_source = nullptr;
        m_stats = {};
        m_events.clear();
    }
    if (!source) return false;
    ZRVideoFormatRecord video{};
    if (source->getVideoFormat(0, &video) != kZROk || video.width <= 0 || video.height == 0 ||
        video.width > 16384 || std::abs(video.height) > 16384 || video.bitCount != 32)
        return false;
    if (source->setVideoFormat(&video) != kZROk) return false;
    ZRMediaTime frame = video.averageTimePerFrame;
    if (frame <= 0 && (source->getFrameDuration(&frame) != kZROk || frame <= 0)) frame = 400000;

    ZRAudioFormat audio;
    bool hasAudio = false;
    ZRAudioFormatRecord record{};
    if (source->getAudioFormat(0, &record) == kZROk) {
        const ZRAudioFormat asked{record.sampleRate, record.bitsPerSample, record.channels};
        if (asked.valid() && source->setAudioFormat(&record) == kZROk) {
            audio = asked;
            hasAudio = true;
        }
    }
    QString error;
    if (!m_output->open(audio, &error)) {
        // Without a sound device the video still plays, clocked by a paced null output.
        m_output = std::make_unique<ZRNullOutput>();
        (void)m_output->open(audio, nullptr);
        if (warning) *warning = error;
    }
    ZRMediaTime duration = 0;
    if (source->getDuration(&duration) != kZROk || duration < 0) duration = 0;

    std::lock_guard lock(m_mutex);
    m_source = source;
    m_video = video;
    m_frameDuration = frame;
    if (m_outputClock) m_outputClock->setSlack(frame);
    m_audio = audio;
    m_sourceHasAudio = hasAudio;
    m_duration = duration;
    m_stop = duration;
    m_position = 0;
    m_completePosted = false;
    return true;
}

bool ZRPlaybackPipeline::run() {
    bool start = false;
    {
        std::lock_guard lock(m_mutex);
        if (!m_source) return false;
        if (m_state == Running) return true;
        start = !m_videoThread.joinable();
        m_state = Running;
        seekLocked(m_position);
    }
    if (start) startThreads();
    m_wake.notify_all();
    if (ZRVideoSurface* s = surface()) s->show();
    return true;
}

bool ZRPlaybackPipeline::pause() {
    bool start = false;
    {
        std::lock_guard lock(m_mutex);
        if (!m_source) return false;
        if (m_state == Running) m_position = std::min(mediaNowLocked(), m_stop);
        start = !m_videoThread.joinable();
        m_state = Paused;
        m_clockReady = false;
        ++m_generation;
        m_frames.clear();
    }
    if (start) startThreads();
    m_wake.notify_all();
    if (ZRVideoSurface* s = surface()) s->show();
    return true;
}

void ZRPlaybackPipeline::stop() {
    {
        std::lock_guard lock(m_mutex);
        if (m_state == Running) m_position = std::min(mediaNowLocked(), m_stop);
        m_state = Stopped;
        m_clockReady = false;
        ++m_generation;
    }
    joinThreads();
    std::lock_guard lock(m_mutex);
    m_frames.clear();
    m_stats.queued = 0;
    m_output->restart();
}

ZRPlaybackPipeline::State ZRPlaybackPipeline::state() const {
    std::lock_guard lock(m_mutex);
    return m_state;
}

void ZRPlaybackPipeline::setPositions(const ZRMediaTime* current, const ZRMediaTime* stop) {
    {
        std::lock_guard lock(m_mutex);
        if (stop) {
            m_stop = std::max<ZRMediaTime>(*stop, 0);
            if (mediaNowLocked() < m_stop) m_completePosted = false;
        }
        if (current) {
            const ZRMediaTime t = std::max<ZRMediaTime>(*current, 0);
            if (m_state == Running)
                seekLocked(t);
            else
                m_position = t;
        }
    }
    m_wake.notify_all();
}

ZRMediaTime ZRPlaybackPipeline::currentPosition() const {
    std::lock_guard lock(m_mutex);
    return std::min(mediaNowLocked(), std::max(m_stop, m_segmentStart));
}

ZRMediaTime ZRPlaybackPipeline::stopPosition() const {
    std::lock_guard lock(m_mutex);
    return m_stop;
}

ZRMediaTime ZRPlaybackPipeline::duration() const {
    std::lock_guard lock(m_mutex);
    return m_duration;
}

void ZRPlaybackPipeline::setNotifyTarget(QObject* target, int message) {
    std::lock_guard lock(m_mutex);
    m_notifyTarget = target;
    m_notifyMessage = message;
    m_notifyEvent = target ? std::make_unique<QEvent>(QEvent::Type(message)) : nullptr;
}

bool ZRPlaybackPipeline::getEvent(int* code) {
    std::lock_guard lock(m_mutex);
    if (m_notifyTarget && !m_notifyEvent)
        m_notifyEvent = std::make_unique<QEvent>(QEvent::Type(m_notifyMessage));
    if (m_events.empty()) return false;
    if (code) *code = m_events.front();
    m_events.pop_front();
    return true;
}

ZRVideoSurface* ZRPlaybackPipeline::surface() const {
    std::lock_guard lock(m_surfaceMutex);
    return m_surface;
}

ZRPlaybackStats ZRPlaybackPipeline::stats() const {
    ZRPlaybackStats s;
    {
        std::lock_guard lock(m_mutex);
        s = m_stats;
    }
    s.underruns = m_output->underruns();
    return s;
}

void ZRPlaybackPipeline::startThreads() {
    {
        std::lock_guard lock(m_mutex);
        m_quit = false;
    }
    m_videoThread = std::thread([this] { videoLoop(); });
    m_presentThread = std::thread([this] { presentLoop(); });
    m_audioThread = std::thread([this] { audioLoop(); });
}

void ZRPlaybackPipeline::joinThreads() {
    {
        std::lock_guard lock(m_mutex);
        m_quit = true;
    }
    m_wake.notify_all();
    for (std::thread* t : {&m_videoThread, &m_presentThread, &m_audioThread})
        if (t->joinable()) t->join();
}

ZRMediaTime ZRPlaybackPipeline::mediaNowLocked() const {
    if (m_state != Running) return m_position;
    if (!m_clockReady) return m_segmentStart;
    return m_segmentStart + std::max<ZRMediaTime>(m_clock->now() - m_clockBase, 0);
}

void ZRPlaybackPipeline::postEventLocked(int code) {
    m_events.push_back(code);
    if (m_notifyTarget && m_notifyEvent)
        QCoreApplication::postEvent(m_notifyTarget, m_notifyEvent.release());
}

void ZRPlaybackPipeline::seekLocked(ZRMediaTime time) {
    ++m_generation;
    m_segmentStart = time;
    m_position = time;
    m_prerolled = false;
    m_clockReady = false;
    m_frames.clear();
    m_videoSeek = time;
    m_nextVideoTime = time;
    m_stats.videoDone = false;
    m_stats.queued = 0;
    m_stats.presentedUntil = -1;
    if (time < m_stop) m_completePosted = false;
}

void ZRPlaybackPipeline::videoLoop() {
    std::unique_lock lock(m_mutex);
    while (!m_quit) {
        if (m_state != Running) {
            m_wake.wait(lock);
            continue;
        }
        const bool seek = m_videoSeek.has_value();
        const ZRMediaTime target = seek ? *m_videoSeek : m_nextVideoTime;
        if (!seek && (m_stats.videoDone || int(m_frames.size()) >= kFramesAhead)) {
            m_wake.wait(lock);
            continue;
        }
        if (target >= m_stop) {
            m_videoSeek.reset();
            m_stats.videoDone = true;
            m_prerolled = true;
            m_wake.notify_all();
            continue;
        }
        m_videoSeek.reset();
        const uint64_t generation = m_generation;
        const QSize size(m_video.width, std::abs(m_video.height));
        lock.unlock();
        auto image = std::make_shared<ZRVideoFrame>(size.width(), size.height());
        unsigned char* pixels = image->pixels.data();
        ZRMediaTime time = target;
        const ZRResult result = seek ? m_source->renderVideoAt(target, 0, pixels, image->stride)
                                     : m_source->renderNextVideo(0, pixels, image->stride, &time);
        lock.lock();
        if (generation != m_generation) continue;
        m_prerolled = true;
        if (result != kZROk) {
            // A picture the source could not give: skip it and pick up at the next one.
            ++m_stats.dropped;
            m_nextVideoTime = target + m_frameDuration;
            if (!m_videoSeek) m_videoSeek = m_nextVideoTime;
        } else {
            m_frames.push_back({time, std::move(image)});
            ++m_stats.rendered;
            m_nextVideoTime = time + m_frameDuration;
            m_stats.queued = int(m_frames.size());
        }
        m_wake.notify_all();
    }
}

void ZRPlaybackPipeline::presentLoop() {
    std::unique_lock lock(m_mutex);
    while (!m_quit) {
        if (m_state != Running) {
            m_wake.wait(lock);
            continue;
        }
        if (!m_clockReady) {
            m_wake.wait_for(lock, 2ms);
            continue;
        }
        const ZRMediaTime now = mediaNowLocked();
        std::optional<Frame> due;
        while (!m_frames.empty() && m_frames.front().time <= now) {
            if (due) ++m_stats.dropped;
            due = std::move(m_frames.front());
            m_frames.pop_front();
            if (now - due->time > m_frameDuration) {
                ++m_stats.dropped;
                due.reset();
            }
        }
        if (due) {
            ++m_stats.shown;
            m_stats.largestOffset = std::max(m_stats.largestOffset, now - due->time);
            std::lock_guard surfaceLock(m_surfaceMutex);
            if (m_surface) m_surface->presentFrame(std::move(due->image), due->time);
        }
        // Far behind: let the video thread catch up with the clock instead of rendering
        // frames that would all be dropped.
        if (m_frames.empty() && !m_stats.videoDone && !m_videoSeek && m_frameDuration > 0 &&
            now - m_nextVideoTime > kFramesAhead * m_frameDuration) {
            const ZRMediaTime ahead = (now - m_segmentStart) / m_frameDuration + 2;
            const ZRMediaTime target = m_segmentStart + ahead * m_frameDuration;
            m_stats.dropped += (target - m_nextVideoTime) / m_frameDuration;
            m_videoSeek = target;
            m_nextVideoTime = target;
        }
        if (m_stats.videoDone && m_frames.empty() && now >= m_stop && !m_completePosted) {
            m_completePosted = true;
            postEventLocked(kEventComplete);
        }
        m_stats.presentedUntil = now;
        m_stats.presentedRendered = m_stats.rendered;
        m_stats.queued = int(m_frames.size());
        m_wake.notify_all();
        ZRMediaTime wait = 20000;
        if (!m_frames.empty() && m_frames.front().time > now)
            wait = std::clamp<ZRMediaTime>(m_frames.front().time - now, 10000, 50000);
        m_wake.wait_for(lock, std::chrono::microseconds(wait / 10));
    }
}

void ZRPlaybackPipeline::audioLoop() {
    std::unique_lock lock(m_mutex);
    const ZRAudioFormat format = m_audio;
    const int frameBytes = format.bytesPerFrame();
    const int64_t chunkFrames = std::max(format.sampleRate / 50, 1);
    std::vector<unsigned char> buffer(size_t(chunkFrames * frameBytes));
    size_t offset = 0, pending = 0;
    uint64_t generation = 0;
    ZRMediaTime segmentStart = 0;
    int64_t written = 0;
    while (!m_quit) {
        if (m_state != Running) {
            if (generation != 0) {
                generation = 0;
                m_output->restart();
            }
            m_wake.wait(lock);
            continue;
        }
        if (generation != m_generation) {
            generation = m_generation;
            segmentStart = m_segmentStart;
            pending = 0;
            written = 0;
            lock.unlock();
            if (m_sourceHasAudio) m_source->seekAudio(segmentStart);
            lock.lock();
            // The clock starts with the first picture, so that nothing is late from the start.
            m_wake.wait(lock, [&] {
                return m_quit || m_prerolled || m_generation != generation || m_state != Running;
            });
            if (m_quit || m_generation != generation || m_state != Running) continue;
            m_output->restart();
            if (m_outputClock) m_outputClock->restart();
            m_clockBase = m_clock->now();
            m_clockReady = true;
            m_wake.notify_all();
            continue;
        }
        const int64_t target = framesFor(m_stop - segmentStart, format.sampleRate);
        if (written >= target && pending == 0) {
            m_wake.wait_for(lock, 10ms);
            continue;
        }
        // The heard clock holds the picture to real time; the sound is held to it too, so that
        // an output that swallows it faster does not take the whole timeline at once.
        if (m_outputClock && pending == 0 &&
            written >= framesFor(m_outputClock->elapsed() + kAudioLead, format.sampleRate)) {
            m_wake.wait_for(lock, 10ms);
            continue;
        }
        lock.unlock();
        if (pending == 0) {
            const int64_t frames = std::min(chunkFrames, target - written);
            const int32_t bytes = int32_t(frames * frameBytes);
            int32_t size = bytes;
            ZRMediaTime time = 0;
            if (!m_sourceHasAudio ||
                m_source->renderAudio(0, buffer.data(), &size, &time) != kZROk || size <= 0) {
                std::memset(buffer.data(), format.bitsPerSample == 8 ? 0x80 : 0, size_t(bytes));
                size = bytes;
            }
            size = std::min(size, bytes);
            pending = size_t(size - size % frameBytes);
            offset = 0;
        }
        const int64_t n =
            pending ? m_output->write(buffer.data() + offset, int64_t(pending) / frameBytes) : 0;
        if (n > 0) {
            offset += size_t(n * frameBytes);
            pending -= size_t(n * frameBytes);
            written += n;
        } else if (n == 0) {
            m_output->waitForRoom(5);
        } else {
            std::this_thread::sleep_for(5ms);
        }
        lock.lock();
    }
}
