#pragma once

#include "platform/ffmpeg/FFmpegHandles.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace exportmodule {

/// One frame on its way to the encoder thread: the picture already in the encoder's format and
/// size (converted straight from the engine's pixels, never copied as they are) or the native
/// DV frame, and the audio that came with it in the engine's format.
struct ExportJob {
    /// The encoder may keep a reference to the picture's buffers after encoding it: a job
    /// filled again gets new buffers unless its own are writable.
    platform::ffmpeg::FrameHandle picture;
    /// The picture holds two fields (the source was interlaced).
    bool interlaced = false;
    /// Non-empty when the frame is written from its native data unchanged.
    std::vector<uint8_t> native;
    std::vector<uint8_t> audio;
};

/// A bounded queue of frames from the engine's thread to one worker thread that encodes and
/// writes them in order. Jobs are recycled, so a running export allocates nothing per frame.
/// The first failure of the worker is kept: later submissions are refused.
/// Thread-safety: `acquire`, `submit` and `finish` belong to one producer thread; the worker
/// runs `work` on its own thread; the queue is guarded by one mutex.
class ExportPipeline {
public:
    /// Starts the worker; at most `depth` jobs are in flight.
    ExportPipeline(size_t depth, std::function<bool(ExportJob&)> work);
    /// Stops the worker (after the jobs already submitted).
    ~ExportPipeline();
    ExportPipeline(const ExportPipeline&) = delete;
    ExportPipeline& operator=(const ExportPipeline&) = delete;

    /// A free job to fill, waiting while `depth` are in flight; null once the worker failed.
    ExportJob* acquire();
    /// Queues a job from `acquire`; false (the job taken back) once the worker failed.
    bool submit(ExportJob* job);
    /// Gives back a job from `acquire` unused.
    void release(ExportJob* job);
    /// Waits until every submitted job is done and stops the worker; true when all succeeded.
    bool finish();
    bool failed() const;

private:
    void run();

    std::function<bool(ExportJob&)> m_work;
    std::vector<std::unique_ptr<ExportJob>> m_jobs;
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<ExportJob*> m_free;
    std::deque<ExportJob*> m_queue;
    bool m_stopping = false;
    bool m_failed = false;
    std::thread m_thread;
};

} // namespace exportmodule
