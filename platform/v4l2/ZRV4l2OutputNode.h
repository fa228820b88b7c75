#pragma once

#include "platform/graph/ZRGraphNode.h"
#include "platform/v4l2/ZRV4l2Io.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

/// A V4L2 output device as a graph node ("CLDVR Sink", the playback paths' device input): every
/// byte it receives at "Input" is written to the device unchanged and in order; connected
/// straight to a reader, it reads the reader's file itself from a thread of its own while the
/// graph runs. A device that vanishes posts 0x1F, another failed write error abort (3); what
/// follows is dropped. Completion is told once the file or the stream ended.
/// Thread-safety: `receive` on one upstream thread or the node's own; the device is used under
/// the node's mutex.
class ZRV4l2OutputNode final : public ZRGraphNode {
public:
    ZRV4l2OutputNode(std::unique_ptr<zrv4l2::IZRV4l2Io> io, std::string kind);
    ~ZRV4l2OutputNode() override;

    int64_t bytesWritten() const { return m_written.load(); }

    bool isSink() const override { return true; }
    void receive(ZRGraphPin* input, const ZRMediaSample& sample) override;
    void beginStop() override;
    /// Records the board's sink methods (9 and 7 of its control interface), in order.
    void sinkMethod(int method, int32_t argument);
    std::vector<std::pair<int, int32_t>> sinkMethods() const;

protected:
    ZRGraphResult onPause(ZRGraphState from) override;
    ZRGraphResult onStop() override;

private:
    bool writeLocked(const uint8_t* data, size_t size, int* error);
    std::vector<std::pair<int, int32_t>> m_methods;
    std::atomic<bool> m_quit{false};
    std::thread m_thread;
    mutable std::mutex m_mutex;
    std::unique_ptr<zrv4l2::IZRV4l2Io> m_io;
    bool m_failed = false;
    std::atomic<int64_t> m_written{0};
};
