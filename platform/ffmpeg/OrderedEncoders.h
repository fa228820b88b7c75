#pragma once

#include "platform/ffmpeg/FFmpegHandles.h"

#include <climits>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace platform::ffmpeg {

/// Encodes one stream of frames on several encoder contexts at once and hands the packets back
/// in the order one context would give them. The frames are cut into units of `unitFrames`
/// frames; unit u goes to worker u % workers, which encodes its units one after another on a
/// context of its own.
///  - `Contexts::PerUnit`: every unit is encoded on a new context and flushed at its end (a run
///    of closed groups of pictures: each run's stream stands alone, so runs join end to end).
///  - `Contexts::PerWorker`: a worker keeps one context for all its units. Only for encoders
///    that give each frame's packets before they take the next frame (intra-only codecs such as
///    DV, whose frames stand alone); the output is then the bytes one context gives.
///  - `Contexts::Strided`: a worker keeps one context and encodes its units on it end to end,
///    each unit starting a closed group of pictures (its first frame is made a key frame). The
///    context sees its frames' timestamps counted along its own frames, so that its rate control
///    runs as on one steady stream; the packets come back with the timestamps of the stream.
///    For encoders with delay (B-frames) that give one packet per frame and code a closed group
///    after the whole group before it; `finish` flushes the contexts.
/// With `warmupFrames` (PerUnit), the context of every unit but the first encodes the last
/// `warmupFrames` frames of the unit before first and drops their packets, so that its rate
/// control reaches the join in about the state a single context would have there; (Strided) so
/// does each worker's context before its first unit. Warm-up
/// frames are references to the frames sent (no copy); their packets are told apart by pts,
/// so frames must carry increasing pts.
/// Frames carry their pts as the caller set it; packets keep the encoder's timestamps.
/// At most `queuedFrames` frames wait for each worker: `send` waits for room.
/// Thread-safety: `send`, `finish` and `spare` belong to one thread (the producer); the workers
/// run on threads of their own; each worker's queues are guarded by its own mutex.
class OrderedEncoders {
public:
    enum class Contexts { PerUnit, PerWorker, Strided };
    /// Makes a new opened encoder context; null fails the unit that needed it.
    using OpenContext = std::function<CodecContextHandle()>;
    /// Takes one packet in order; a negative answer stops the stream with that error.
    using PacketSink = std::function<int(AVPacket*)>;
    /// Turns a frame as sent into the picture the encoder takes, on the worker's thread: `out`
    /// is the worker's own frame, without buffers the first time; the function gives it
    /// buffers where it has none or they are not writable. 0 or a negative error.
    using Prepare = std::function<int(const AVFrame* in, AVFrame* out)>;

    /// Starts `workers` (at least 1) threads. No context is made before a unit needs one.
    /// With `prepare`, each worker converts its frames itself before encoding them (their
    /// properties, the pts among them, are carried over); the frames sent come back by `spare`.
    OrderedEncoders(int workers, int64_t unitFrames, Contexts contexts, OpenContext open,
                    size_t queuedFrames, Prepare prepare = {}, int64_t warmupFrames = 0);
    /// Stops the workers; frames still queued are dropped.
    ~OrderedEncoders();
    OrderedEncoders(const OrderedEncoders&) = delete;
    OrderedEncoders& operator=(const OrderedEncoders&) = delete;

    int workers() const { return int(m_workers.size()); }

    /// Queues `frame` for its unit's worker, then hands `sink` every packet ready in order.
    /// 0, or the first error (of a worker, of `sink`, or of this call); nothing is encoded or
    /// handed on after an error.
    int send(FrameHandle frame, const PacketSink& sink);
    /// Ends the stream: waits for every unit and hands `sink` the remaining packets in order.
    /// 0 or the first error, as `send`. The pool takes no frame afterwards.
    int finish(const PacketSink& sink);
    /// A frame an encoder has let go of, for the producer to fill again (null when none is
    /// back yet). Its buffers may still be shared: check `av_frame_is_writable`. Frames are kept
    /// for it once the producer has asked, at most as many as the workers queue; until then, and
    /// beyond that, they are freed.
    FrameHandle spare();

private:
    /// One entry of a worker's output: a packet, or the end of one of its units.
    struct Output {
        PacketHandle packet;
    };
    struct Input {
        FrameHandle frame; ///< null ends the current unit (or, with `flush`, the stream)
        bool warmup = false;
        bool flush = false;
    };
    struct Worker {
        std::mutex mutex;
        std::condition_variable changed;
        std::deque<Input> input;
        std::deque<Output> output; ///< a null packet marks the end of a unit
        bool stopping = false;
        std::thread thread;
    };

    void run(Worker& worker);
    bool takeInput(Worker& worker, Input& next);
    void putOutput(Worker& worker, PacketHandle packet);
    void keepSpare(FrameHandle frame);
    void runStrided(Worker& worker);
    /// The picture to encode for `frame`: the frame itself, or the worker's `prepared` frame
    /// filled from it; null with `*result` set when the conversion fails.
    const AVFrame* picture(const AVFrame* frame, FrameHandle& prepared, int* result);
    /// Encodes `frame` (null: flushes) and queues the packets whose pts, once `origin` is added
    /// to their timestamps, is `keepFrom` or later.
    int encodeInto(Worker& worker, AVCodecContext* context, const AVFrame* frame,
                   int64_t keepFrom = INT64_MIN, int64_t origin = 0);
    /// Queues `input` for `worker` once it has room for another frame; 0 or the first error.
    int queueFrame(Worker& worker, Input input);
    void fail(int error);
    int error();
    /// Hands on packets of the unit due, waiting for it when `wait` is set, until `lastUnit`
    /// (exclusive) is complete or, without `wait`, until nothing more is ready.
    int deliver(const PacketSink& sink, bool wait, int64_t lastUnit);
    void queueEnd(int64_t unit);

    int64_t m_unitFrames;
    Contexts m_contexts;
    OpenContext m_open;
    size_t m_queuedFrames;
    Prepare m_prepare;
    int64_t m_warmupFrames;
    std::vector<std::unique_ptr<Worker>> m_workers;

    // The producer's own.
    int64_t m_frames = 0;        ///< frames sent
    int64_t m_deliveredUnit = 0; ///< the unit whose packets are handed on next
    bool m_finished = false;
    std::vector<FrameHandle> m_warmup; ///< the last frames of the unit before the current one

    std::mutex m_shared; ///< guards the three below; a leaf
    int m_error = 0;
    std::vector<FrameHandle> m_spare;
    bool m_spareWanted = false; ///< the producer takes frames back
};

} // namespace platform::ffmpeg
