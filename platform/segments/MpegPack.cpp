#include "platform/segments/MpegPack.h"

#include <algorithm>

namespace segments {

int64_t tickDifference(int64_t a, int64_t b) {
    int64_t d = (a - b) % kTickPeriod;
    if (d < 0) d += kTickPeriod;
    if (d > kTickPeriod / 2) d -= kTickPeriod;
    return d;
}

bool isPackStart(std::span<const uint8_t> bytes) {
    return bytes.size() >= 4 && bytes[0] == 0 && bytes[1] == 0 && bytes[2] == 1 && bytes[3] == 0xBA;
}

int findPrefix(std::span<const uint8_t> bytes, int from) {
    for (size_t i = size_t(std::max(from, 0)); i + 3 <= bytes.size(); ++i)
        if (bytes[i] == 0 && bytes[i + 1] == 0 && bytes[i + 2] == 1) return int(i);
    return -1;
}

int64_t readScr(std::span<const uint8_t> pack, bool mpeg2) {
    if (pack.size() < 10) return -1;
    const uint8_t* b = pack.data();
    if (!mpeg2) {
        const int64_t scr = (int64_t(b[4] >> 1 & 0x07) << 30) | (int64_t(b[5]) << 22) |
                            (int64_t(b[6] >> 1) << 15) | (int64_t(b[7]) << 7) | (b[8] >> 1);
        return scr * kTicksPerStamp;
    }
    const int64_t base = (int64_t(b[4] >> 3 & 0x07) << 30) | (int64_t(b[4] & 0x03) << 28) |
                         (int64_t(b[5]) << 20) | (int64_t(b[6] >> 3 & 0x1F) << 15) |
                         (int64_t(b[6] & 0x03) << 13) | (int64_t(b[7]) << 5) | (b[8] >> 3);
    const int64_t extension = (int64_t(b[8] & 0x03) << 7) | (b[9] >> 1);
    return base * kTicksPerStamp + extension;
}

bool writeScr(std::span<uint8_t> pack, bool mpeg2, int64_t ticks) {
    if (pack.size() < 10 || ticks < 0) return false;
    uint8_t* b = pack.data();
    if (!mpeg2) {
        const int64_t v = ((ticks + 2) / kTicksPerStamp) & ((int64_t(1) << 33) - 1);
        b[4] = uint8_t(0x21 | (v >> 29 & 0x0E));
        b[5] = uint8_t(v >> 22);
        b[6] = uint8_t((v >> 14 & 0xFE) | 1);
        b[7] = uint8_t(v >> 7);
        b[8] = uint8_t((v << 1 & 0xFE) | 1);
        return true;
    }
    const int64_t base = (ticks / kTicksPerStamp) & ((int64_t(1) << 33) - 1);
    const int64_t extension = ticks % kTicksPerStamp;
    b[4] = uint8_t(0x44 | (base >> 27 & 0x38) | (base >> 28 & 0x03));
    b[5] = uint8_t(base >> 20);
    b[6] = uint8_t((base >> 12 & 0xF8) | 0x04 | (base >> 13 & 0x03));
    b[7] = uint8_t(base >> 5);
    b[8] = uint8_t((base << 3 & 0xF8) | 0x04 | (extension >> 7 & 0x03));
    b[9] = uint8_t((extension << 1 & 0xFE) | 1);
    return true;
}

int64_t readStamp(const uint8_t* at) {
    return (int64_t(at[0] >> 1 & 0x07) << 30) | (int64_t(at[1]) << 22) |
           (int64_t(at[2] >> 1) << 15) | (int64_t(at[3]) << 7) | (at[4] >> 1);
}

void writeStamp(uint8_t* at, int64_t stamp, uint8_t prefix) {
    stamp &= (int64_t(1) << 33) - 1;
    at[0] = uint8_t(prefix << 4 | (stamp >> 29 & 0x0E) | 1);
    at[1] = uint8_t(stamp >> 22);
    at[2] = uint8_t((stamp >> 14 & 0xFE) | 1);
    at[3] = uint8_t(stamp >> 7);
    at[4] = uint8_t((stamp << 1 & 0xFE) | 1);
}

namespace {

// Reads the PES header of a packet that carries one; false when it does not fit the packet.
bool readPesHeader(std::span<const uint8_t> pack, Packet& packet) {
    const uint8_t* b = pack.data() + packet.offset;
    const int length = packet.end - packet.offset;
    if (length < 7) return false;
    if ((b[6] & 0xC0) == 0x80) {
        if (length < 9) return false;
        packet.mpeg2 = true;
        const int flags = b[7] >> 6;
        packet.dataStart = packet.offset + 9 + b[8];
        if (packet.dataStart > packet.end) return false;
        if (flags == 2 || flags == 3) {
            if (9 + 5 > 9 + b[8]) return false;
            packet.ptsOffset = packet.offset + 9;
            packet.hasDts = flags == 3;
        }
    } else {
        int i = 6;
        while (i < length && b[i] == 0xFF)
            ++i;
        if (i < length && b[i] >= 0x40) i += 2;
        if (i >= length) return false;
        if (b[i] >= 0x30) {
            packet.ptsOffset = packet.offset + i;
            packet.hasDts = true;
            i += 10;
        } else if (b[i] >= 0x20) {
            packet.ptsOffset = packet.offset + i;
            i += 5;
        } else {
            i += 1;
        }
        if (i > length) return false;
        packet.dataStart = packet.offset + i;
    }
    if (packet.ptsOffset >= 0) packet.pts = readStamp(pack.data() + packet.ptsOffset);
    return true;
}

} // namespace

std::optional<Packet> firstPacket(std::span<const uint8_t> pack) {
    int at = findPrefix(pack, 4);
    while (at >= 0) {
        if (size_t(at) + 6 > pack.size()) return std::nullopt;
        const uint8_t id = pack[size_t(at) + 3];
        const int end = at + 6 + (pack[size_t(at) + 4] << 8 | pack[size_t(at) + 5]);
        if (size_t(end) > pack.size()) return std::nullopt;
        if (id == kSystemHeaderId) {
            at = findPrefix(pack, end);
            continue;
        }
        Packet packet;
        packet.offset = at;
        packet.id = id;
        packet.end = end;
        packet.dataStart = at + 6;
        if ((id == kVideoId || id == kMpegAudioId || id == kPrivate1Id) &&
            !readPesHeader(pack, packet))
            return std::nullopt;
        return packet;
    }
    return std::nullopt;
}

bool writePadding(std::span<uint8_t> bytes) {
    if (bytes.size() < 6 || bytes.size() - 6 > 0xFFFF) return false;
    const size_t length = bytes.size() - 6;
    bytes[0] = 0;
    bytes[1] = 0;
    bytes[2] = 1;
    bytes[3] = kPaddingId;
    bytes[4] = uint8_t(length >> 8);
    bytes[5] = uint8_t(length);
    std::fill(bytes.begin() + 6, bytes.end(), uint8_t(0xFF));
    return true;
}

bool blankPack(std::span<uint8_t> pack) {
    const int at = findPrefix(pack, 4);
    if (at < 0) return false;
    return writePadding(pack.subspan(size_t(at)));
}

int64_t framePairTicks(uint8_t frameRateCode) {
    static constexpr int64_t kPairs[16] = {0,       2252250, 2250000, 2160000, 1801800, 1800000,
                                           1080000, 900900,  900000,  0,       0,       0,
                                           0,       0,       0,       0};
    return kPairs[frameRateCode & 0x0F];
}

std::optional<AudioFrame> audioFrameAt(std::span<const uint8_t> bytes, int at) {
    if (at < 0 || size_t(at) + 4 > bytes.size()) return std::nullopt;
    const uint8_t* b = bytes.data() + at;
    if (b[0] != 0xFF || (b[1] & 0xF0) != 0xF0) return std::nullopt;
    const int layerBits = b[1] >> 1 & 0x03;
    const int rateIndex = b[2] >> 4;
    const int frequencyIndex = b[2] >> 2 & 0x03;
    if (layerBits == 0 || rateIndex > 14 || frequencyIndex > 2) return std::nullopt;
    static constexpr int kRates[3][15] = {
        {1000, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},
        {1000, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},
        {1000, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320}};
    static constexpr int kFrequencies[3] = {44100, 48000, 32000};
    const int layer = 4 - layerBits; // '11' is layer I
    const int kbps = kRates[layer - 1][rateIndex];
    const int hz = kFrequencies[frequencyIndex];
    const bool padded = (b[2] & 0x02) != 0;
    AudioFrame frame;
    if (layer == 1) {
        // A layer I padding slot is four bytes.
        frame.length = 48000 * kbps / hz + (padded && hz == 44100 ? 4 : 0);
        frame.duration = int64_t(27000000 / hz) * 384;
    } else {
        frame.length = 144000 * kbps / hz + (padded && hz == 44100 ? 1 : 0);
        frame.duration = int64_t(27000000 / hz) * 1152;
    }
    return frame;
}

} // namespace segments
