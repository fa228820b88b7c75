#pragma once

#include "platform/ffmpeg/FFmpegHandles.h"
#include "platform/graph/ZRGraphNode.h"

/// Turns captured YUYV frames ("XForm In") into pictures a video renderer shows ("XForm Out"),
/// on the upstream thread, keeping each frame's time. Live preview shows what comes when it
/// comes: the times are taken off, so a renderer never waits for a clock the capture does not
/// follow.
/// Thread-safety: `receive` on one upstream thread.
class ZRYuyvPreviewNode final : public ZRGraphNode {
public:
    ZRYuyvPreviewNode();
    int64_t converted() const { return m_converted.load(); }
    void receive(ZRGraphPin* input, const ZRMediaSample& sample) override;

private:
    platform::ffmpeg::SwsConversion m_convert;
    std::atomic<int64_t> m_converted{0};
};
