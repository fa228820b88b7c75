#pragma once

#include "platform/graph/ZRGraphNode.h"

#include <atomic>
#include <functional>
#include <string>
#include <thread>

/// Reads the file a reader node has loaded (a plain MPEG file or the segments of an "OVMP"
/// list, one after the other) from its start, handing on runs of its bytes unchanged until the
/// end or until `quit` is set. False when it cannot be read; `take` returning false stops it.
bool zrPullFileBytes(const std::string& path,
                     const std::function<bool(const uint8_t*, size_t)>& take,
                     const std::atomic<bool>& quit);

/// "Orvand Async Puller": pulls the bytes of the file loaded into the reader connected to its
/// input ("Input") and delivers them unchanged at "Output" from a thread of its own while the
/// graph runs, then ends the stream. A file that cannot be read posts error abort (3).
/// Thread-safety: the thread runs between the start and the stop.
class ZRAsyncPullerNode final : public ZRGraphNode {
public:
    ZRAsyncPullerNode();
    ~ZRAsyncPullerNode() override;
    int64_t bytesDelivered() const { return m_bytes.load(); }
    void beginStop() override { m_quit.store(true); }

protected:
    ZRGraphResult onPause(ZRGraphState from) override;
    ZRGraphResult onStop() override;

private:
    std::string m_path;
    std::atomic<bool> m_quit{false};
    std::atomic<int64_t> m_bytes{0};
    std::thread m_thread;
};
