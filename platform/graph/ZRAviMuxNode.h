#pragma once

#include "platform/graph/ZRGraphNode.h"

/// "AVI Mux" in front of a writer that makes its own AVI files from interleaved DV: the frames
/// at "Input 01" pass on unchanged to "AVI Out".
/// Thread-safety: `receive` on one upstream thread.
class ZRAviMuxNode final : public ZRGraphNode {
public:
    ZRAviMuxNode();
    void receive(ZRGraphPin* input, const ZRMediaSample& sample) override;
};
