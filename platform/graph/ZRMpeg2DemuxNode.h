#pragma once

#include "platform/graph/ZRGraphNode.h"
#include "platform/graph/ZRProgramStreamParser.h"

#include <string>
#include <vector>

/// The MPEG-2 demultiplexer: takes a program stream at its input ("MPEG-2 Stream") and
/// delivers the payload of the packets whose stream id is mapped to an output pin. Output pins
/// are made and deleted by name; each maps stream ids (with a sub-stream id for private stream
/// 1) and skips a given number of payload bytes.
/// Thread-safety: pins and maps change while stopped (GUI thread); `receive` on one upstream
/// thread.
class ZRMpeg2DemuxNode final : public ZRGraphNode {
public:
    ZRMpeg2DemuxNode();

    /// A new output pin; fails for a taken name or while not stopped.
    ZRGraphResult createOutputPin(const std::string& name, const ZRMediaType& type);
    /// Deletes the output pin `name` (disconnect it first); fails when there is none.
    ZRGraphResult deleteOutputPin(const std::string& name);
    /// Delivers stream `streamId` (and only sub-stream `subStreamId` of it, -1: any) at `pin`,
    /// without the first `dataOffset` payload bytes. An id maps to one pin at a time.
    ZRGraphResult mapStreamId(const std::string& pin, int streamId, int subStreamId,
                              int dataOffset);
    ZRGraphResult unmapStreamId(const std::string& pin, int streamId);
    /// The pin `streamId`/`subStreamId` goes to, null when unmapped.
    ZRGraphPin* mappedPin(int streamId, int subStreamId) const;

    void receive(ZRGraphPin* input, const ZRMediaSample& sample) override;

    /// Packets parsed so far (since the last stop).
    int64_t packets() const { return m_packets.load(); }

protected:
    ZRGraphResult onStop() override;

private:
    struct Mapping {
        ZRGraphPin* pin;
        int streamId;
        int subStreamId;
        int dataOffset;
    };
    const Mapping* find(int streamId, int subStreamId) const;
    void route(const ZRProgramStreamParser::Packet& packet);

    ZRProgramStreamParser m_parser;
    std::vector<Mapping> m_maps;
    std::atomic<int64_t> m_packets{0};
};
