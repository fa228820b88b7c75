#pragma once

#include "platform/graph/ZRDroppedFrames.h"
#include "platform/graph/ZRGraphInterfaces.h"
#include "platform/graph/ZRGraphNode.h"
#include "platform/segments/ZRDVSceneSplitWriter.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

/// The scene-split writer's own settings.
class IZRSceneSplitSettings {
public:
    virtual ~IZRSceneSplitSettings() = default;
    /// Kilobytes a segment may grow to (0: no limit).
    virtual void setSplitLimit(long kilobytes) = 0;
    virtual void setSceneSplit(bool on) = 0;
};

/// "ZR DV SceneSplit MultiFile Writer": takes interleaved DV frames at "Input" and writes them
/// through a `segments::ZRDVSceneSplitWriter` on a thread of its own, so a slow disk never holds
/// the device back. The file name's extension is dropped to give the segments' base name. A
/// frame that finds the queue full (32 frames) for longer than a frame period (40 ms), or is
/// not whole, is counted as dropped. A write
/// that fails ends the writer (its files complete) and queues an error abort event; the reason
/// is `error()`. The files are completed when the graph stops.
/// Thread-safety: `receive` on one upstream thread; the queue and the counters are guarded.
class ZRSceneSplitWriterNode final : public ZRGraphNode,
                                     public IZRFileSink,
                                     public IZRSceneSplitSettings,
                                     public IZRDroppedFrames {
public:
    /// `reserve` replaces how disk space is reserved (tests make it fail).
    explicit ZRSceneSplitWriterNode(segments::ZRDVSceneSplitWriter::Reserve reserve = {});
    ~ZRSceneSplitWriterNode() override;

    ZRGraphResult setFileName(const std::string& path) override;
    std::string fileName() const override;
    void setSplitLimit(long kilobytes) override;
    void setSceneSplit(bool on) override;
    int64_t framesNotDropped() const override { return m_taken.load(); }
    int64_t framesDropped() const override { return m_dropped.load(); }
    /// Frames written since the last start.
    int64_t written() const { return m_written.load(); }
    /// Frames waiting in the queue now.
    int64_t queued() const;
    /// The most frames the queue held at once since the last start.
    int64_t queuePeak() const { return m_queuePeak.load(); }
    /// How long each frame's write took since the last start, in microseconds.
    std::vector<int64_t> writeTimes() const;
    /// Why the writer ended early (empty when it did not).
    std::string error() const;
    /// The list or single file of the last capture, once stopped.
    std::string result() const;

    bool isSink() const override { return true; }
    void receive(ZRGraphPin* input, const ZRMediaSample& sample) override;

protected:
    ZRGraphResult onPause(ZRGraphState from) override;
    ZRGraphResult onStop() override;

private:
    void writeLoop();

    static constexpr size_t kQueueFrames = 32;
    segments::ZRDVSceneSplitWriter::Reserve m_reserve;
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_roomMade;
    std::deque<ZRMediaSample> m_queue;
    bool m_quit = false;
    bool m_running = false;
    std::string m_path;
    segments::ZRDVSceneSplitWriter::Settings m_settings;
    std::string m_error;
    std::string m_result;
    std::thread m_thread;
    std::atomic<int64_t> m_taken{0};
    std::atomic<int64_t> m_dropped{0};
    std::atomic<int64_t> m_written{0};
    std::atomic<int64_t> m_queuePeak{0};
    std::vector<int64_t> m_writeTimes; // guarded by m_mutex
};
