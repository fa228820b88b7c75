#pragma once

#include "platform/graph/ZRGraphNode.h"

/// Passes what it receives at "In" on at "Out" without its time: a live preview shows each
/// picture when it comes, so a renderer never holds the capture back waiting for a clock that
/// the device does not follow.
/// Thread-safety: `receive` on one upstream thread.
class ZRLivePreviewNode final : public ZRGraphNode {
public:
    ZRLivePreviewNode();
    void receive(ZRGraphPin* input, const ZRMediaSample& sample) override;
};
