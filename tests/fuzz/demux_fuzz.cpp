// The MPEG-2 demultiplexer node over arbitrary bytes: the first bytes choose its output pins and
// their stream-id maps (stream, sub-stream, payload offset), the next one how the rest is cut
// into the samples it receives. Every payload delivered must lie within its packet.

#include "platform/graph/ZRGraph.h"
#include "platform/graph/ZRMpeg2DemuxNode.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

namespace {

class TouchingSink : public ZRGraphNode {
public:
    TouchingSink() : ZRGraphNode("Sink") { addPin(ZRGraphPin::Direction::Input, "In", {}); }
    void receive(ZRGraphPin*, const ZRMediaSample& s) override {
        // Reads every byte, so that the address sanitizer sees any payload out of bounds.
        unsigned sum = 0;
        for (uint8_t b : *s.data)
            sum += b;
        total += sum;
        if (s.data->empty()) std::abort();
    }
    unsigned total = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 14) return 0;
    ZRGraph graph;
    auto demux = std::make_unique<ZRMpeg2DemuxNode>();
    ZRMpeg2DemuxNode* d = demux.get();
    graph.addNode(std::move(demux), "MPEG2 Demultiplexer");
    for (int i = 0; i < 4; ++i) {
        const uint8_t* m = data + i * 3;
        const std::string pin = "P" + std::to_string(i);
        if (d->createOutputPin(pin, {}) != kZRGraphOk) return 0;
        auto sink = std::make_unique<TouchingSink>();
        TouchingSink* s = sink.get();
        graph.addNode(std::move(sink), "sink");
        graph.connect(d->findPin(pin), s->inputPin(0));
        const int sub = (m[1] & 0x80) ? -1 : 0xA0 | (m[1] & 0x0F);
        (void)d->mapStreamId(pin, m[0], sub, m[2] & 0x0F);
    }
    const size_t chunk = 1 + data[12] * 8;
    data += 13;
    size -= 13;
    if (graph.setState(ZRGraphState::Paused) != kZRGraphOk) return 0;
    for (size_t at = 0; at < size; at += chunk) {
        const size_t n = size - at < chunk ? size - at : chunk;
        ZRMediaSample sample =
            ZRMediaSample::fromBytes(std::vector<uint8_t>(data + at, data + at + n));
        sample.discontinuity = at == 0;
        d->receive(d->inputPin(0), sample);
    }
    (void)graph.setState(ZRGraphState::Stopped);
    return 0;
}
