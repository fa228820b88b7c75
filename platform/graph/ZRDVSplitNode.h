#pragma once

#include "platform/graph/ZRGraphNode.h"

/// "DV Splitter": interleaved DV frames in at "Input", the same frames as DV video out at
/// "DV Vid Out" (for a DV decoder). Frames that are not whole are dropped.
/// Thread-safety: `receive` on one upstream thread.
class ZRDVSplitNode final : public ZRGraphNode {
public:
    ZRDVSplitNode();
    void receive(ZRGraphPin* input, const ZRMediaSample& sample) override;
};
