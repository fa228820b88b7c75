#include "platform/graph/ZRAviMuxNode.h"

ZRAviMuxNode::ZRAviMuxNode() : ZRGraphNode("AVI Mux") {
    addPin(ZRGraphPin::Direction::Input, "Input 01", {});
    addPin(ZRGraphPin::Direction::Output, "AVI Out", {kZRStreamInterleavedDV, ""});
}

void ZRAviMuxNode::receive(ZRGraphPin*, const ZRMediaSample& sample) {
    deliver(outputPin(0), sample);
}
