#include "platform/graph/ZRMpeg2DemuxNode.h"

#include <algorithm>

ZRMpeg2DemuxNode::ZRMpeg2DemuxNode() : ZRGraphNode("MPEG-2 Demultiplexer") {
    addPin(ZRGraphPin::Direction::Input, "MPEG-2 Stream", {kZRStreamProgram, {}});
}

ZRGraphResult ZRMpeg2DemuxNode::createOutputPin(const std::string& name, const ZRMediaType& type) {
    if (name.empty()) return kZRGraphInvalidArg;
    if (state() != ZRGraphState::Stopped) return kZRGraphNotStopped;
    if (findPin(name)) return kZRGraphInvalidArg;
    addPin(ZRGraphPin::Direction::Output, name, type);
    return kZRGraphOk;
}

ZRGraphResult ZRMpeg2DemuxNode::deleteOutputPin(const std::string& name) {
    ZRGraphPin* pin = findPin(name);
    if (!pin || pin->isInput()) return kZRGraphInvalidArg;
    if (state() != ZRGraphState::Stopped) return kZRGraphNotStopped;
    if (pin->isConnected()) return kZRGraphAlreadyConnected;
    std::erase_if(m_maps, [&](const Mapping& m) { return m.pin == pin; });
    removePin(pin);
    return kZRGraphOk;
}

ZRGraphResult ZRMpeg2DemuxNode::mapStreamId(const std::string& pinName, int streamId,
                                            int subStreamId, int dataOffset) {
    ZRGraphPin* pin = findPin(pinName);
    if (!pin || pin->isInput() || streamId < 0 || streamId > 0xFF || subStreamId > 0xFF ||
        dataOffset < 0)
        return kZRGraphInvalidArg;
    if (state() != ZRGraphState::Stopped) return kZRGraphNotStopped;
    if (subStreamId < 0) subStreamId = -1;
    std::erase_if(m_maps, [&](const Mapping& m) {
        return m.streamId == streamId && m.subStreamId == subStreamId;
    });
    m_maps.push_back({pin, streamId, subStreamId, dataOffset});
    return kZRGraphOk;
}

ZRGraphResult ZRMpeg2DemuxNode::unmapStreamId(const std::string& pinName, int streamId) {
    ZRGraphPin* pin = findPin(pinName);
    if (!pin) return kZRGraphInvalidArg;
    const size_t removed = std::erase_if(
        m_maps, [&](const Mapping& m) { return m.pin == pin && m.streamId == streamId; });
    return removed ? kZRGraphOk : kZRGraphFalse;
}

const ZRMpeg2DemuxNode::Mapping* ZRMpeg2DemuxNode::find(int streamId, int subStreamId) const {
    const Mapping* any = nullptr;
    for (const Mapping& m : m_maps) {
        if (m.streamId != streamId) continue;
        if (m.subStreamId == subStreamId && subStreamId >= 0) return &m;
        if (m.subStreamId < 0) any = &m;
    }
    return any;
}

ZRGraphPin* ZRMpeg2DemuxNode::mappedPin(int streamId, int subStreamId) const {
    const Mapping* m = find(streamId, subStreamId);
    return m ? m->pin : nullptr;
}

void ZRMpeg2DemuxNode::receive(ZRGraphPin*, const ZRMediaSample& sample) {
    if (state() == ZRGraphState::Stopped || !sample.data) return;
    if (sample.discontinuity) m_parser.reset();
    m_parser.feed(sample.data->data(), sample.data->size(),
                  [this](const ZRProgramStreamParser::Packet& p) { route(p); });
}

void ZRMpeg2DemuxNode::route(const ZRProgramStreamParser::Packet& packet) {
    ++m_packets;
    const Mapping* m = find(packet.streamId, packet.subStreamId);
    if (!m || size_t(m->dataOffset) >= packet.size) return;
    ZRMediaSample out;
    out.data = std::make_shared<const std::vector<uint8_t>>(packet.payload + m->dataOffset,
                                                            packet.payload + packet.size);
    // 90 kHz to 100-ns units.
    out.time = packet.pts < 0 ? -1 : packet.pts * 1000 / 9;
    deliver(m->pin, out);
}

ZRGraphResult ZRMpeg2DemuxNode::onStop() {
    m_parser.reset();
    m_packets.store(0);
    return kZRGraphOk;
}
