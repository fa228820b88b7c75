#include "platform/graph/ZRProgramStreamParser.h"

namespace {

/// A 33-bit time stamp in the five-byte layout of PES headers.
int64_t readTimeStamp(const uint8_t* p) {
    return (int64_t(p[0] & 0x0E) << 29) | (int64_t(p[1]) << 22) | (int64_t(p[2] & 0xFE) << 14) |
           (int64_t(p[3]) << 7) | (int64_t(p[4]) >> 1);
}

bool carriesData(uint8_t id) {
    return id == 0xBD || (id >= 0xC0 && id <= 0xEF);
}

} // namespace

void ZRProgramStreamParser::feed(const uint8_t* data, size_t size, const Sink& sink) {
    if (size) m_buffer.insert(m_buffer.end(), data, data + size);
    size_t pos = 0;
    while (pos + 4 <= m_buffer.size()) {
        const uint8_t* b = m_buffer.data() + pos;
        if (b[0] != 0 || b[1] != 0 || b[2] != 1) {
            ++pos;
            ++m_skipped;
            continue;
        }
        const long taken = parseUnit(pos, sink);
        if (taken == 0) break;
        if (taken < 0) {
            ++pos;
            ++m_skipped;
            continue;
        }
        pos += size_t(taken);
    }
    m_buffer.erase(m_buffer.begin(), m_buffer.begin() + long(pos));
}

long ZRProgramStreamParser::parseUnit(size_t pos, const Sink& sink) {
    const size_t avail = m_buffer.size() - pos;
    const uint8_t* b = m_buffer.data() + pos;
    const uint8_t code = b[3];
    if (code == 0xB9) return 4;
    if (code == 0xBA) {
        if (avail < 12) return 0;
        if ((b[4] & 0xF0) == 0x20) return 12; // MPEG-1 pack header
        if ((b[4] & 0xC0) != 0x40) return -1;
        if (avail < 14) return 0;
        const size_t length = 14 + (b[13] & 7);
        return avail < length ? 0 : long(length);
    }
    if (code < 0xBB) return -1;
    if (avail < 6) return 0;
    const size_t total = 6 + ((size_t(b[4]) << 8) | b[5]);
    if (avail < total) return 0;
    if (!carriesData(code)) return long(total);

    Packet packet;
    packet.streamId = code;
    size_t start = 6;
    if (total >= 9 && (b[6] & 0xC0) == 0x80) {
        // MPEG-2 packet header.
        const size_t headerLength = b[8];
        start = 9 + headerLength;
        if (start > total) return long(total);
        if ((b[7] & 0x80) && headerLength >= 5) packet.pts = readTimeStamp(b + 9);
    } else {
        // MPEG-1 packet header: stuffing, buffer size, then the time stamps.
        while (start < total && b[start] == 0xFF && start < 6 + 16)
            ++start;
        if (start < total && (b[start] & 0xC0) == 0x40) start += 2;
        if (start >= total) return long(total);
        if ((b[start] & 0xF0) == 0x20 || (b[start] & 0xF0) == 0x30) {
            const size_t stamps = (b[start] & 0xF0) == 0x30 ? 10 : 5;
            if (start + stamps > total) return long(total);
            packet.pts = readTimeStamp(b + start);
            start += stamps;
        } else if (b[start] == 0x0F) {
            ++start;
        } else {
            return long(total);
        }
    }
    packet.payload = b + start;
    packet.size = total - start;
    if (code == 0xBD) {
        if (packet.size == 0) return long(total);
        packet.subStreamId = packet.payload[0];
    }
    sink(packet);
    return long(total);
}
