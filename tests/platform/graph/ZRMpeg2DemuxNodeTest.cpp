#include "platform/graph/ZRMpeg2DemuxNode.h"
#include "platform/graph/ZRGraph.h"

#include <gtest/gtest.h>

#include <mutex>

namespace {

/// Collects the payloads it receives.
class PayloadSink : public ZRGraphNode {
public:
    PayloadSink() : ZRGraphNode("Payloads") { addPin(ZRGraphPin::Direction::Input, "In", {}); }
    void receive(ZRGraphPin*, const ZRMediaSample& s) override {
        std::lock_guard lock(mutex);
        payloads.push_back(*s.data);
        times.push_back(s.time);
    }
    std::mutex mutex;
    std::vector<std::vector<uint8_t>> payloads;
    std::vector<ZRMediaTime> times;
};

void append(std::vector<uint8_t>& out, std::initializer_list<uint8_t> bytes) {
    out.insert(out.end(), bytes);
}

/// An MPEG-2 pack header with no stuffing.
void packHeader(std::vector<uint8_t>& out) {
    append(out, {0, 0, 1, 0xBA, 0x44, 0, 4, 0, 4, 1, 0x01, 0x89, 0xC3, 0xF8});
}

/// A PES packet of `id` with a PTS of `pts` (90 kHz) and `payload`.
void pes(std::vector<uint8_t>& out, uint8_t id, int64_t pts, const std::vector<uint8_t>& payload) {
    const size_t length = 3 + 5 + payload.size();
    append(out, {0, 0, 1, id, uint8_t(length >> 8), uint8_t(length), 0x81, 0x80, 5});
    append(out, {uint8_t(0x21 | ((pts >> 29) & 0x0E)), uint8_t(pts >> 22),
                 uint8_t(((pts >> 14) & 0xFE) | 1), uint8_t(pts >> 7), uint8_t((pts << 1) | 1)});
    out.insert(out.end(), payload.begin(), payload.end());
}

} // namespace

TEST(Mpeg2Demux, MappedStreamsReachTheirPinsWhateverTheChunking) {
    std::vector<uint8_t> stream;
    const std::vector<uint8_t> video1{0, 0, 1, 0xB3, 1, 2, 3};
    const std::vector<uint8_t> video2{9, 8, 7, 6};
    // Private stream 1: sub-stream 0xA0 (LPCM with its 6-byte header), then 0x80 (not mapped).
    const std::vector<uint8_t> lpcm{0xA0, 1, 2, 3, 4, 5, 6, 0x11, 0x22, 0x33, 0x44};
    const std::vector<uint8_t> ac3{0x80, 1, 0, 1, 0x0B, 0x77};
    packHeader(stream);
    pes(stream, 0xE0, 90000, video1);
    pes(stream, 0xBD, 90000, lpcm);
    pes(stream, 0xC0, 90000, {1, 2, 3}); // not mapped
    packHeader(stream);
    pes(stream, 0xBD, 93600, ac3);
    pes(stream, 0xE0, 93600, video2);
    append(stream, {0, 0, 1, 0xB9});

    for (size_t chunk : {stream.size(), size_t(1), size_t(7), size_t(64)}) {
        ZRGraph graph;
        auto demux = std::make_unique<ZRMpeg2DemuxNode>();
        auto v = std::make_unique<PayloadSink>();
        auto a = std::make_unique<PayloadSink>();
        ZRMpeg2DemuxNode* d = demux.get();
        PayloadSink* video = v.get();
        PayloadSink* audio = a.get();
        graph.addNode(std::move(demux), "MPEG2 Demultiplexer");
        graph.addNode(std::move(v), "v");
        graph.addNode(std::move(a), "a");
        ASSERT_EQ(d->createOutputPin("Video", {"vids", "mpeg2video"}), kZRGraphOk);
        ASSERT_EQ(d->createOutputPin("Audio", {"auds", "lpcm"}), kZRGraphOk);
        EXPECT_EQ(d->createOutputPin("Audio", {}), kZRGraphInvalidArg);
        ASSERT_EQ(d->mapStreamId("Video", 0xE0, -1, 0), kZRGraphOk);
        ASSERT_EQ(d->mapStreamId("Audio", 0xBD, 0xA0, 7), kZRGraphOk);
        EXPECT_EQ(d->mapStreamId("Nowhere", 0xE0, -1, 0), kZRGraphInvalidArg);
        graph.connect(d->findPin("Video"), video->inputPin(0));
        graph.connect(d->findPin("Audio"), audio->inputPin(0));
        ASSERT_EQ(graph.setState(ZRGraphState::Paused), kZRGraphOk);
        for (size_t at = 0; at < stream.size(); at += chunk) {
            const size_t n = std::min(chunk, stream.size() - at);
            d->receive(d->inputPin(0),
                       ZRMediaSample::fromBytes(std::vector<uint8_t>(
                           stream.begin() + long(at), stream.begin() + long(at + n))));
        }
        ASSERT_EQ(video->payloads.size(), 2u) << "chunk " << chunk;
        EXPECT_EQ(video->payloads[0], video1);
        EXPECT_EQ(video->payloads[1], video2);
        EXPECT_EQ(video->times[0], 10000000);
        ASSERT_EQ(audio->payloads.size(), 1u);
        EXPECT_EQ(audio->payloads[0], (std::vector<uint8_t>{0x11, 0x22, 0x33, 0x44}));
        graph.setState(ZRGraphState::Stopped);
    }
}

TEST(Mpeg2Demux, PinsChangeOnlyWhileStoppedAndUnconnected) {
    ZRGraph graph;
    auto demux = std::make_unique<ZRMpeg2DemuxNode>();
    auto sink = std::make_unique<PayloadSink>();
    ZRMpeg2DemuxNode* d = demux.get();
    PayloadSink* s = sink.get();
    graph.addNode(std::move(demux), "demux");
    graph.addNode(std::move(sink), "sink");
    ASSERT_EQ(d->createOutputPin("Video", {"vids", {}}), kZRGraphOk);
    ASSERT_EQ(d->mapStreamId("Video", 0xE0, -1, 0), kZRGraphOk);
    graph.connect(d->findPin("Video"), s->inputPin(0));
    EXPECT_EQ(d->deleteOutputPin("Video"), kZRGraphAlreadyConnected);
    graph.setState(ZRGraphState::Paused);
    EXPECT_EQ(d->createOutputPin("Audio", {}), kZRGraphNotStopped);
    graph.setState(ZRGraphState::Stopped);
    graph.disconnect(d->findPin("Video"));
    EXPECT_EQ(d->deleteOutputPin("Video"), kZRGraphOk);
    EXPECT_EQ(d->mappedPin(0xE0, -1), nullptr);
    EXPECT_EQ(d->deleteOutputPin("Video"), kZRGraphInvalidArg);
    EXPECT_EQ(d->deleteOutputPin("MPEG-2 Stream"), kZRGraphInvalidArg);
}
