#pragma once

#include "engine/base/ZRPos.h"
#include "engine/util/ZREvent.h"
#include "engine/util/ZRTempFileStore.h"
#include "platform/dvcodec/DVDecoder.h"
#include "platform/dvcodec/DVEncoder.h"
#include "platform/mjpeg/JPEGDecoder.h"
#include "platform/mjpeg/JPEGEncoder.h"

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class ZRImage;
class ZREngineServices;

/// The background renderer of one timeline: a thread at below-normal priority that walks the
/// timeline from its start, composes every frame that is costly to compose (transitions,
/// effects, overlays, a forced video format) and keeps it compressed in a temporary file of its
/// own ("zrt<n>.tmp": kind u32, length u32, data; kind 2 = one DV frame for 720 x 576 and
/// 720 x 480, kind 0 = one JPEG for every other size). `videoAt` serves stored frames; edits
/// forget the frames of the range they touch.
/// Thread-safety: the flags are atomics; the state mutex is held around each frame the thread
/// renders and stores, and by `suspend` and `setEnabled`, which the thread lets in before its
/// next frame. Edits never wait for the frame in flight: forgetting a range moves the store's
/// generation on, and a frame composed before the change is not stored after it. The store
/// mutex guards the frame map and the generation and is held while a stored file is read; it
/// is the last of the engine's locks (see ZRTimeline.h for the order). `loadStoredFrame` may run
/// on any number of threads at once (the preview's `videoAt`, each export composer), each filling
/// a frame of its own: every call decodes with a set of decoders and a read buffer no other call
/// uses at the time, lent from a pool whose mutex is a leaf held only to lend and take back.
class ZRTimelineWorker {
public:
    /// Kinds of a stored frame's data.
    static constexpr uint32_t kKindJPEG = 0;
    static constexpr uint32_t kKindDV = 2;
    /// The event code handed to the host when a frame cannot be stored.
    static constexpr int kStoreFailedEvent = 5000;

    explicit ZRTimelineWorker(ZREngineServices* timeline);
    /// Stops the thread and deletes every stored file.
    ~ZRTimelineWorker();
    ZRTimelineWorker(const ZRTimelineWorker&) = delete;
    ZRTimelineWorker& operator=(const ZRTimelineWorker&) = delete;

    /// Starts the thread unless it runs already.
    void start();
    /// Ends the thread, waiting for the frame in flight, and deletes every stored file. Does
    /// nothing when the thread does not run.
    void stop();
    bool isRunning() const { return m_running.load(); }

    /// Enabling wakes the thread for a pass; disabling waits for the frame in flight and
    /// forgets every stored frame.
    void setEnabled(bool on);
    bool isEnabled() const { return m_enabled.load(); }
    /// Nested pause: each `suspend(true)` is matched by one `suspend(false)`; the renderer is
    /// paused while the count is above 0. Waits for the frame in flight.
    void suspend(bool on);
    bool isPaused() const { return m_paused.load(); }
    /// True while a pass walks the timeline.
    bool isBusy() const { return m_busy.load(); }

    /// 0: nothing at `position` needs background rendering; 1: it needs it and is not stored;
    /// 2: it is stored.
    int frameState(const IZRPos& position);
    /// Compresses `image` (held locked by the caller) into a new stored file for `position`,
    /// replacing a file stored there before. False when the file cannot be written.
    bool storeFrame(const IZRPos& position, ZRImage* image);
    /// Reads the frame stored for `position` into `image` (held locked by the caller): pixels
    /// decoded (a DV frame's pixels are left alone when `keepDVPixels`), native kind 2 (DV) or
    /// 1 (JPEG) with the stored data copied into the image as native data. False, with the
    /// image's pixels as they were, when none is stored, the file cannot be read or its frame is
    /// not of the image's size.
    bool loadStoredFrame(const IZRPos& position, ZRImage* image, bool keepDVPixels);
    bool hasStoredFrame(const IZRPos& position);
    /// The stored file's path for `position`; empty when none.
    QString storedFilePath(const IZRPos& position);
    size_t storedFrameCount();

    /// Deletes the stored file of `position`.
    void forgetFrame(const IZRPos& position);
    /// Deletes the stored files of every position from `from` to `to`, both included, and wakes
    /// the thread for a pass. A frame in flight is not stored. Takes only the store mutex.
    void forgetRange(const IZRPos& from, const IZRPos& to);
    /// Deletes every stored file; a frame in flight is not stored.
    void clearFrames();

private:
    /// Stored files by their position in frames of the timeline's rate, in time order, so that
    /// forgetting a range visits only the frames inside it.
    using FrameMap = std::map<int64_t, std::unique_ptr<ZRTempFile>>;

    void run();
    void renderPass();
    /// Renders and stores one frame under the state mutex; false when the pass must end
    /// (stopped, disabled, paused, or the frame could not be stored).
    enum class Step { Stored, Skipped, Ended, Failed };
    Step renderFrame(ZRPos& position);
    /// What became of a frame handed to `store`.
    enum class Stored { Yes, Stale, Failed };
    /// Stores `image` for `position` unless the frames were forgotten since `generation`.
    Stored store(const IZRPos& position, ZRImage* image, uint64_t generation);
    uint64_t generation();
    /// Takes the state mutex for a caller other than the thread, which lets such callers in first.
    [[nodiscard]] std::unique_lock<std::mutex> lockStateAhead();
    /// `position` counted in the timeline's rate, and its map key.
    static ZRPos atTimelineRate(const IZRPos& position);
    static int64_t keyOf(const IZRPos& position);
    void deleteFiles(std::vector<std::unique_ptr<ZRTempFile>> files);
    bool encode(ZRImage* image, uint32_t& kind);
    bool decode(uint32_t kind, ZRImage* image, bool keepDVPixels);

    ZREngineServices* m_timeline;
    std::thread m_thread;
    std::mutex m_threadMutex; ///< serialises start and stop
    ZREvent m_wake;
    std::atomic<int> m_stopRequest{0};
    std::atomic<bool> m_running{false};
    std::atomic<bool> m_enabled{false};
    std::atomic<bool> m_paused{false};
    std::atomic<bool> m_busy{false};
    /// Set when a frame could not be stored: no further pass (and no further event 5000) until
    /// rendering is switched on again.
    std::atomic<bool> m_storeFailed{false};

    std::mutex m_stateMutex;
    int m_suspendCount = 0;             ///< guarded by the state mutex
    std::atomic<int> m_stateWaiters{0}; ///< callers waiting for the state mutex

    std::mutex m_storeMutex;
    FrameMap m_frames;         ///< guarded by the store mutex
    uint64_t m_generation = 0; ///< guarded by the store mutex; moves on when frames are forgotten

    // Used by the thread that stores (under the encoder mutex).
    std::mutex m_encoderMutex;
    platform::DVEncoder m_dvEncoder;
    platform::JPEGEncoder m_jpegEncoder;
    std::vector<unsigned char> m_encoded;

    /// The decoders of one `loadStoredFrame` call and the buffer its file is read into.
    struct Decoders {
        platform::DVDecoder dv;
        platform::JPEGDecoder jpeg;
        std::vector<unsigned char> buffer;
    };
    /// A set of decoders lent to one caller until it goes out of scope.
    class DecoderLease;

    std::mutex m_decodersMutex;
    /// Sets not lent at the moment (guarded by the decoders mutex): there are never more than
    /// the most calls that ran at once.
    std::vector<std::unique_ptr<Decoders>> m_spareDecoders;
};
