#include "platform/graph/ZRDVSplitNode.h"

#include "platform/segments/DvFrame.h"

ZRDVSplitNode::ZRDVSplitNode() : ZRGraphNode("DV Splitter") {
    addPin(ZRGraphPin::Direction::Input, "Input", {kZRStreamInterleavedDV, ""});
    addPin(ZRGraphPin::Direction::Output, "DV Vid Out", {kZRStreamVideo, "dvvideo"});
}

void ZRDVSplitNode::receive(ZRGraphPin*, const ZRMediaSample& sample) {
    if (segments::isWholeDvFrame(sample.size())) deliver(outputPin(0), sample);
}
