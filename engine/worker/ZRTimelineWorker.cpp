#include "engine/worker/ZRTimelineWorker.h"

#include "engine/base/ZREngineServices.h"
#include "engine/base/ZRHostCallbacks.h"
#include "engine/objects/ZRGuardedEffectList.h"
#include "engine/objects/ZRObject.h"
#include "engine/render/ZRImage.h"

#include <QFile>

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>

namespace {

// Below normal, as far as the process may go: raising the nice value needs no privilege.
constexpr int kNiceSteps = 5;

void lowerThreadPriority() {
    const auto tid = static_cast<id_t>(::syscall(SYS_gettid));
    errno = 0;
    const int nice = ::getpriority(PRIO_PROCESS, tid);
    if (errno == 0) ::setpriority(PRIO_PROCESS, tid, std::min(19, nice + kNiceSteps));
}

void putWord(unsigned char* out, uint32_t value) {
    for (int i = 0; i < 4; ++i)
        out[i] = static_cast<unsigned char>(value >> (8 * i));
}
uint32_t getWord(const unsigned char* in) {
    return uint32_t(in[0]) | uint32_t(in[1]) << 8 | uint32_t(in[2]) << 16 | uint32_t(in[3]) << 24;
}

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

} // namespace

ZRTimelineWorker::ZRTimelineWorker(ZREngineServices* timeline) : m_timeline(timeline) {}

ZRTimelineWorker::~ZRTimelineWorker() {
    stop();
    clearFrames();
}

// --- Thread ------------------------------------------------------------------

void ZRTimelineWorker::start() {
    std::lock_guard lock(m_threadMutex);
    if (m_thread.joinable()) return;
    m_stopRequest = 0;
    m_running = true;
    m_thread = std::thread([this] { run(); });
}

void ZRTimelineWorker::stop() {
    {
        std::lock_guard lock(m_threadMutex);
        if (!m_thread.joinable()) return;
        m_stopRequest = 2;
        m_enabled = false;
        // The event keeps a signal given before the thread waits: the thread cannot miss it.
        m_wake.set();
        m_thread.join();
        m_running = false;
    }
    clearFrames();
}

void ZRTimelineWorker::run() {
    lowerThreadPriority();
    m_busy = false;
    for (;;) {
        m_wake.wait();
        if (m_stopRequest.load() > 1) break;
        if (m_enabled.load() && !m_paused.load() && !m_storeFailed.load()) renderPass();
    }
    m_busy = false;
}

// A pass starts at the timeline's start and skips what needs nothing or is stored already.
void ZRTimelineWorker::renderPass() {
    m_busy = true;
    ZRPos position(0, 0, 0, 0, ZRPos::defaultFrameRate());
    for (;;) {
        const Step step = renderFrame(position);
        if (step == Step::Ended) break;
        if (step == Step::Failed) {
            m_storeFailed = true;
            m_timeline->host().event(kStoreFailedEvent, nullptr);
            break;
        }
        if (step == Step::Stored) {
            // The host's entry runs outside the state lock: it may edit or pause the timeline.
            ZRPos told = position;
            m_timeline->host().frameRendered(&told);
        }
        position.increment();
    }
    m_busy = false;
}

// One position under the state lock, which a caller of `suspend` or `setEnabled` is let in
// before. The generation is read before anything of the timeline is: a frame composed while an
// edit runs is refused by the store, and the edit's wake-up brings a pass that renders it again.
ZRTimelineWorker::Step ZRTimelineWorker::renderFrame(ZRPos& position) {
    if (m_stateWaiters.load() > 0) return Step::Ended;
    const uint64_t startedAt = generation();
    std::lock_guard lock(m_stateMutex);
    if (m_stopRequest.load() > 1 || !m_enabled.load() || m_paused.load()) return Step::Ended;
    const ZRPos end = m_timeline->projectEnd();
    if (!(position < &end)) return Step::Ended;
    if (frameState(position) != 1) return Step::Skipped;
    auto* frame = static_cast<ZRImage*>(m_timeline->composeFrame(&position));
    if (!frame) return Step::Skipped;
    std::unique_lock<ZRImage> frameLock(*frame, std::adopt_lock); // the frame comes locked
    // Before "Video Dimensions" are set there is nothing to store.
    const Stored stored = frame->pixels() ? store(position, frame, startedAt) : Stored::Stale;
    frameLock.unlock();
    switch (stored) {
    case Stored::Yes:
        return Step::Stored;
    case Stored::Stale:
        return Step::Skipped;
    case Stored::Failed:
        break;
    }
    return Step::Failed;
}

std::unique_lock<std::mutex> ZRTimelineWorker::lockStateAhead() {
    ++m_stateWaiters;
    std::unique_lock lock(m_stateMutex);
    --m_stateWaiters;
    return lock;
}

// --- Flags -------------------------------------------------------------------

void ZRTimelineWorker::setEnabled(bool on) {
    const bool wasEnabled = m_enabled.exchange(on);
    if (on) {
        if (!wasEnabled) m_storeFailed = false;
        m_wake.set();
        return;
    }
    // Waits for the frame in flight, so that the thread is idle when this returns.
    const auto lock = lockStateAhead();
    clearFrames();
}

// The count nests whether or not the thread runs, so that a pause taken before background
// rendering was switched on (or off) is still held, and released, by its own resume.
void ZRTimelineWorker::suspend(bool on) {
    bool paused = false;
    {
        const auto lock = lockStateAhead();
        if (on)
            ++m_suspendCount;
        else if (m_suspendCount > 0)
            --m_suspendCount;
        paused = m_suspendCount > 0;
        m_paused = paused;
    }
    if (!paused) m_wake.set();
}

// --- Frame states --------------------------------------------------------------

// The objects' settings are read under the render mutex, which their setters hold.
int ZRTimelineWorker::frameState(const IZRPos& position) {
    ZRPos at;
    at.assign(&position);
    const int forced = m_timeline->forcedRenderFormat();
    bool needed = false;
    {
        const auto renderLock = m_timeline->renderMutex().holdShared();
        const int tracks = m_timeline->highestTrack();
        for (int track = 1; track <= tracks && !needed; ++track) {
            auto* object = dynamic_cast<ZRObject*>(m_timeline->videoObjectAt(track, &at));
            if (!object) continue;
            needed = (forced > 0 && object->sourceVideoFormat() != forced) ||
                     object->isTransition() || object->overlay().mode != 0 ||
                     (object->effects() && object->effects()->anyHasVideo());
        }
    }
    if (!needed) return 0;
    return hasStoredFrame(position) ? 2 : 1;
}

ZRPos ZRTimelineWorker::atTimelineRate(const IZRPos& position) {
    ZRPos at;
    at.assign(&position);
    const double rate = ZRPos::defaultFrameRate();
    if (at.framerate() != rate) at.changeFramerate(rate);
    return at;
}

int64_t ZRTimelineWorker::keyOf(const IZRPos& position) {
    return std::llround(atTimelineRate(position).toFrames());
}

bool ZRTimelineWorker::hasStoredFrame(const IZRPos& position) {
    const int64_t key = keyOf(position);
    std::lock_guard lock(m_storeMutex);
    return m_frames.count(key) != 0;
}

QString ZRTimelineWorker::storedFilePath(const IZRPos& position) {
    const int64_t key = keyOf(position);
    std::lock_guard lock(m_storeMutex);
    const auto found = m_frames.find(key);
    return found == m_frames.end() ? QString() : found->second->path;
}

size_t ZRTimelineWorker::storedFrameCount() {
    std::lock_guard lock(m_storeMutex);
    return m_frames.size();
}

// --- Storing -------------------------------------------------------------------

bool ZRTimelineWorker::encode(ZRImage* image, uint32_t& kind) {
    const int width = image->width(), height = image->height();
    if (platform::dvFrameSize(width, height) != 0) {
        kind = kKindDV;
        m_encoded.resize(platform::kDVMaxFrameSize);
        size_t length = 0;
        if (m_dvEncoder.encode(image->pixels(), image->stride(), width, height, m_encoded,
                               length) != platform::DVStatus::Ok)
            return false;
        m_encoded.resize(length);
        return true;
    }
    kind = kKindJPEG;
    return m_jpegEncoder.compress(image->pixels(), image->stride(), width, height,
                                  platform::kJPEGStoredFrameQuality,
                                  m_encoded) == platform::JPEGStatus::Ok;
}

uint64_t ZRTimelineWorker::generation() {
    std::lock_guard lock(m_storeMutex);
    return m_generation;
}

bool ZRTimelineWorker::storeFrame(const IZRPos& position, ZRImage* image) {
    return store(position, image, generation()) == Stored::Yes;
}

ZRTimelineWorker::Stored ZRTimelineWorker::store(const IZRPos& position, ZRImage* image,
                                                 uint64_t startedAt) {
    if (!image || !image->pixels()) return Stored::Failed;
    ZRTempFileStore& files = m_timeline->tempFiles();
    std::unique_ptr<ZRTempFile> file;
    {
        std::lock_guard lock(m_encoderMutex);
        uint32_t kind = 0;
        if (!encode(image, kind)) return Stored::Failed;
        file = files.newTempFile();
        if (!files.openTempFile(*file)) {
            files.deleteTempFile(std::move(file));
            return Stored::Failed;
        }
        unsigned char header[8];
        putWord(header, kind);
        putWord(header + 4, uint32_t(m_encoded.size()));
        const bool written =
            std::fwrite(header, 1, sizeof header, file->stream) == sizeof header &&
            std::fwrite(m_encoded.data(), 1, m_encoded.size(), file->stream) == m_encoded.size() &&
            std::fflush(file->stream) == 0;
        const bool closed = std::fclose(file->stream) == 0;
        file->stream = nullptr;
        if (!written || !closed) {
            files.deleteTempFile(std::move(file));
            return Stored::Failed;
        }
    }
    const ZRPos at = atTimelineRate(position);
    std::unique_ptr<ZRTempFile> replaced;
    bool stale = false;
    {
        std::lock_guard lock(m_storeMutex);
        stale = m_generation != startedAt;
        if (stale) {
            replaced = std::move(file);
        } else {
            std::unique_ptr<ZRTempFile>& slot = m_frames[keyOf(at)];
            replaced = std::move(slot);
            slot = std::move(file);
        }
    }
    if (replaced) files.deleteTempFile(std::move(replaced));
    return stale ? Stored::Stale : Stored::Yes;
}

// --- Loading -------------------------------------------------------------------

// A set of decoders for one call: a spare one when there is one, else a new one, given back
// to the pool when the call ends, so that calls on several threads never share a decoder.
class ZRTimelineWorker::DecoderLease {
public:
    explicit DecoderLease(ZRTimelineWorker& worker) : m_worker(worker) {
        {
            std::lock_guard lock(worker.m_decodersMutex);
            if (!worker.m_spareDecoders.empty()) {
                m_decoders = std::move(worker.m_spareDecoders.back());
                worker.m_spareDecoders.pop_back();
            }
        }
        if (!m_decoders) m_decoders = std::make_unique<Decoders>();
    }
    ~DecoderLease() {
        std::lock_guard lock(m_worker.m_decodersMutex);
        m_worker.m_spareDecoders.push_back(std::move(m_decoders));
    }
    DecoderLease(const DecoderLease&) = delete;
    DecoderLease& operator=(const DecoderLease&) = delete;
    Decoders* operator->() const { return m_decoders.get(); }

private:
    ZRTimelineWorker& m_worker;
    std::unique_ptr<Decoders> m_decoders;
};

bool ZRTimelineWorker::loadStoredFrame(const IZRPos& position, ZRImage* image, bool keepDVPixels) {
    if (!image || !image->pixels()) return false;
    const int64_t key = keyOf(position);
    const DecoderLease decoders(*this);
    std::vector<unsigned char>& buffer = decoders->buffer;
    uint32_t kind = 0, length = 0;
    {
        // The file is read under the store lock: no other thread forgets it meanwhile.
        std::lock_guard lock(m_storeMutex);
        const auto found = m_frames.find(key);
        if (found == m_frames.end()) return false;
        const QByteArray path = QFile::encodeName(found->second->path);
        std::unique_ptr<std::FILE, FileCloser> in(std::fopen(path.constData(), "rb"));
        if (!in) return false;
        unsigned char header[8];
        if (std::fread(header, 1, sizeof header, in.get()) != sizeof header) return false;
        kind = getWord(header);
        length = getWord(header + 4);
        // No frame of the image's size is larger than its raw pixels.
        if (length == 0 || uint64_t(length) > uint64_t(image->height()) * uint64_t(image->stride()))
            return false;
        if (buffer.size() < length) buffer.resize(length);
        if (std::fread(buffer.data(), 1, length, in.get()) != length) return false;
    }
    // The native data is the image's own copy: the read buffer goes back to the pool, and the
    // image (an export composer's frame, the preview's) outlives this call.
    const std::span<const unsigned char> data(buffer.data(), length);
    if (kind == kKindDV) {
        if (length != platform::dvFrameSize(image->width(), image->height())) return false;
        if (!keepDVPixels &&
            decoders->dv.decode(data, image->pixels(), image->stride(), image->width(),
                                image->height()) != platform::DVStatus::Ok)
            return false;
        image->copyNative(2, buffer.data(), length);
        return true;
    }
    if (kind != kKindJPEG) return false;
    if (decoders->jpeg.decompress(data, image->pixels(), image->stride(), image->width(),
                                  image->height()) != platform::JPEGStatus::Ok)
        return false;
    image->copyNative(1, buffer.data(), length);
    return true;
}

// --- Forgetting ------------------------------------------------------------------

void ZRTimelineWorker::deleteFiles(std::vector<std::unique_ptr<ZRTempFile>> files) {
    ZRTempFileStore& store = m_timeline->tempFiles();
    for (auto& file : files)
        store.deleteTempFile(std::move(file));
}

void ZRTimelineWorker::forgetFrame(const IZRPos& position) {
    const int64_t key = keyOf(position);
    std::vector<std::unique_ptr<ZRTempFile>> files;
    {
        std::lock_guard lock(m_storeMutex);
        const auto found = m_frames.find(key);
        if (found == m_frames.end()) return;
        files.push_back(std::move(found->second));
        m_frames.erase(found);
    }
    deleteFiles(std::move(files));
}

// Visits only the stored frames inside the range: an edit of a long object touches many
// positions, of which few are stored.
void ZRTimelineWorker::forgetRange(const IZRPos& from, const IZRPos& to) {
    const int64_t first = keyOf(from), last = keyOf(to);
    std::vector<std::unique_ptr<ZRTempFile>> files;
    {
        std::lock_guard lock(m_storeMutex);
        ++m_generation;
        const auto begin = m_frames.lower_bound(first), end = m_frames.upper_bound(last);
        for (auto it = begin; it != end && first <= last; ++it)
            files.push_back(std::move(it->second));
        if (first <= last) m_frames.erase(begin, end);
    }
    deleteFiles(std::move(files));
    if (!m_paused.load()) m_wake.set();
}

void ZRTimelineWorker::clearFrames() {
    std::vector<std::unique_ptr<ZRTempFile>> files;
    {
        std::lock_guard lock(m_storeMutex);
        ++m_generation;
        for (auto& [key, stored] : m_frames)
            files.push_back(std::move(stored));
        m_frames.clear();
    }
    deleteFiles(std::move(files));
}
