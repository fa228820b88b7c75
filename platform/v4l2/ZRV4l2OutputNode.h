#pragma once

#include "platform/graph/ZRGraphNode.h"
#include "platform/v4l2/ZRV4l2Io.h"

#include <atomic>
#include <memory>
#include <mutex>

/// A V4L2 output device as a graph node ("CLDVR Sink", the playback paths' device input): every
/// byte it receives at "Input" is written to the device unchanged and in order. A device that
/// vanishes posts 0x1F, another failed write error abort (3); what follows is dropped.
/// Thread-safety: `receive` on one upstream thread; the device is used under the node's mutex.
class ZRV4l2OutputNode final : public ZRGraphNode {
public:
    ZRV4l2OutputNode(std::unique_ptr<zrv4l2::IZRV4l2Io> io, std::string kind);
    ~ZRV4l2OutputNode() override;

    int64_t bytesWritten() const { return m_written.load(); }

    bool isSink() const override { return true; }
    void receive(ZRGraphPin* input, const ZRMediaSample& sample) override;
    void beginStop() override;

protected:
    ZRGraphResult onPause(ZRGraphState from) override;

private:
    std::mutex m_mutex;
    std::unique_ptr<zrv4l2::IZRV4l2Io> m_io;
    bool m_failed = false;
    std::atomic<int64_t> m_written{0};
};
