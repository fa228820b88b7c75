#pragma once

#include "platform/graph/ZRGraphNode.h"

#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

/// A Smart Tee: one input, a capture output ("Capture", index 0) that gets every sample on the
/// upstream thread, and a preview output ("Preview", index 1) that gets only the latest sample
/// from a thread of its own, so that a slow preview never holds the capture back. Samples the
/// preview had no time for are counted as dropped.
/// Thread-safety: `receive` on one upstream thread; the counters are atomics.
class ZRSmartTeeNode final : public ZRGraphNode {
public:
    ZRSmartTeeNode();
    ~ZRSmartTeeNode() override;

    ZRGraphPin* capturePin() const { return outputPin(0); }
    ZRGraphPin* previewPin() const { return outputPin(1); }
    /// Samples replaced in the preview slot before the preview thread took them.
    int64_t previewDropped() const { return m_previewDropped.load(); }

    void receive(ZRGraphPin* input, const ZRMediaSample& sample) override;
    void endOfStream(ZRGraphPin* input) override;
    void connected(ZRGraphPin* own) override;

protected:
    ZRGraphResult onPause(ZRGraphState from) override;
    ZRGraphResult onStop() override;

private:
    void previewLoop();

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::optional<ZRMediaSample> m_latest;
    bool m_ended = false;
    bool m_quit = false;
    std::thread m_previewThread;
    std::atomic<int64_t> m_previewDropped{0};
};

/// An Infinite Pin Tee: one input, and outputs that each get every sample on the upstream
/// thread; a new unconnected output appears whenever the last one is connected.
class ZRInfTeeNode final : public ZRGraphNode {
public:
    ZRInfTeeNode();

    void receive(ZRGraphPin* input, const ZRMediaSample& sample) override;
    void connected(ZRGraphPin* own) override;
};
