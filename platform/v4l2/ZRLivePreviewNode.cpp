#include "platform/v4l2/ZRLivePreviewNode.h"

ZRLivePreviewNode::ZRLivePreviewNode() : ZRGraphNode("Live Preview") {
    addPin(ZRGraphPin::Direction::Input, "In", {});
    addPin(ZRGraphPin::Direction::Output, "Out", {kZRStreamVideo, "rgb32"});
}

void ZRLivePreviewNode::receive(ZRGraphPin*, const ZRMediaSample& sample) {
    ZRMediaSample untimed = sample;
    untimed.time = -1;
    deliver(outputPin(0), untimed);
}
