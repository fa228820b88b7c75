#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

/// Splits an MPEG-1 system stream or MPEG-2 program stream, given in pieces of any size, into
/// its packets: pack headers, system headers and end codes are passed over, bytes that start
/// no known unit are skipped until the next start code. Every length read from the stream is
/// checked against what is buffered; a packet longer than the buffer can hold cannot occur
/// (its length field has 16 bits).
/// Thread-safety: one thread at a time.
class ZRProgramStreamParser {
public:
    struct Packet {
        uint8_t streamId = 0;
        /// The first payload byte of a private stream 1 packet (0xBD), else -1.
        int subStreamId = -1;
        /// The payload, after the packet header (for 0xBD including the sub-stream byte).
        const uint8_t* payload = nullptr;
        size_t size = 0;
        /// The presentation time stamp (33 bits, 90 kHz), -1 when the packet has none.
        int64_t pts = -1;
    };
    using Sink = std::function<void(const Packet&)>;

    /// Parses what `data` adds to the stream, calling `sink` for each whole packet.
    void feed(const uint8_t* data, size_t size, const Sink& sink);
    /// Forgets a partial packet (after a seek or a stop).
    void reset() { m_buffer.clear(); }
    /// Bytes skipped because they started no known unit.
    int64_t skipped() const { return m_skipped; }

private:
    /// Parses one unit at the start of `m_buffer[pos...]`; the bytes it took, 0 when it needs
    /// more, or -1 when the start code is none it knows.
    long parseUnit(size_t pos, const Sink& sink);

    std::vector<uint8_t> m_buffer;
    int64_t m_skipped = 0;
};
