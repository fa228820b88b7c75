#pragma once

#include "engine/render/ZRImage.h"

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

class ZREngineServices;

/// Composes an export's frames ahead of its loop on several threads and hands them over in
/// order. Output frame k is composed by thread k % threads into that thread's own frame, with
/// work buffers of its own; the thread goes on to frame k + threads once the loop gave frame k
/// back. Every image is made once, at the size given (a thread's work buffers when a frame first
/// needs them), and lives as long as the composers.
/// Thread-safety: `take` and `giveBack` belong to one thread (the exporting one), which holds no
/// engine lock while it waits in `take`; the composing threads call `compose` with no lock held;
/// the hand-over state is guarded by one mutex, a leaf.
class ZRExportComposers {
public:
    /// Composes the frame of output frame `k` into `frame` with the work buffers `a` and `b`.
    using Compose = std::function<void(int64_t k, ZRImage* frame, ZRImage* a, ZRImage* b)>;

    /// Starts `threads` (at least 1) threads for frames 0 to `total` - 1 of `width` x `height`.
    ZRExportComposers(ZREngineServices* services, int threads, int width, int height, int64_t total,
                      Compose compose);
    /// Stops the threads after the frames they are composing; frames not taken are dropped.
    ~ZRExportComposers();
    ZRExportComposers(const ZRExportComposers&) = delete;
    ZRExportComposers& operator=(const ZRExportComposers&) = delete;

    /// Output frame `k` once composed (taken in order, each once), its image lock held by the
    /// caller until `giveBack(k)`.
    ZRImage* take(int64_t k);
    void giveBack(int64_t k);

    /// The threads an export composes on, from the cores the process may run on: 1 (the export's
    /// own thread composes) with two or fewer, else one a core up to 4.
    static int machineThreads();
    /// Tests only: `machineThreads` answers `threads` whatever the cores (0 restores the count
    /// from the cores), so that several composers run on a machine of two cores too.
    static void setThreadsForTesting(int threads);

private:
    struct Worker {
        std::unique_ptr<ZRImage> frame, a, b;
        int64_t ready = -1; ///< the output frame composed into `frame` and not given back
        /// Tells the worker its frame was given back, and the taker that it is ready: one
        /// waiter each way, so that a hand-over wakes no other thread.
        std::condition_variable changed;
        std::thread thread;
    };
    void run(Worker& worker, int64_t first);

    Compose m_compose;
    int64_t m_total;
    std::vector<std::unique_ptr<Worker>> m_workers;
    std::mutex m_mutex;
    bool m_stopping = false;
};
