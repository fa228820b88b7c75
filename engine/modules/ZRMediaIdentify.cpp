#include "engine/modules/ZRMediaIdentify.h"

#include <QFile>
#include <QFileInfo>

#include <cstring>
#include <vector>

namespace {

uint32_t littleEndian(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

uint32_t bigEndian(const uint8_t* p) {
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]);
}

// Positioned and sequential reads over the reader through a window of the file, so that a long
// run of zero words costs block reads, not one read per word.
class Bytes {
public:
    Bytes(const ZRMediaReader& read, uint64_t size) : m_read(read), m_size(size) {}

    /// False when fewer than `size` bytes exist at `offset`.
    bool readAt(uint64_t offset, void* buffer, size_t size) {
        if (offset > m_size || m_size - offset < size || size > kWindow) return false;
        if (offset < m_windowStart || offset + size > m_windowStart + m_windowLength) {
            m_windowStart = offset;
            m_windowLength = m_read(offset, m_window.data(), kWindow);
            if (m_windowLength > kWindow) m_windowLength = 0;
            if (m_windowLength < size) return false;
        }
        std::memcpy(buffer, m_window.data() + (offset - m_windowStart), size);
        return true;
    }
    /// The next 32-bit word from the current offset, as big-endian when asked.
    bool nextWord(uint32_t* word, bool big = true) {
        uint8_t bytes[4];
        if (!readAt(m_offset, bytes, 4)) return false;
        m_offset += 4;
        *word = big ? bigEndian(bytes) : littleEndian(bytes);
        return true;
    }
    void skipWords(uint64_t n) { m_offset += 4 * n; }
    uint64_t size() const { return m_size; }

private:
    static constexpr size_t kWindow = 64 * 1024;

    const ZRMediaReader& m_read;
    uint64_t m_size;
    uint64_t m_offset = 0;
    std::vector<uint8_t> m_window = std::vector<uint8_t>(kWindow);
    uint64_t m_windowStart = 0;
    size_t m_windowLength = 0;
};

// The first stream header of an AVI file names its handler; a DV stream of type "iavs" counts
// as "DVSD". Chunk offsets are 64-bit and must grow, so no size can make the walk wrap or loop.
uint32_t aviSubtype(Bytes& bytes) {
    uint64_t offset = 12;
    while (offset < bytes.size()) {
        uint8_t header[8];
        if (!bytes.readAt(offset, header, 8)) break;
        const uint32_t id = littleEndian(header);
        const uint64_t size = littleEndian(header + 4);
        uint64_t next;
        if (id == zrFourCC("LIST")) {
            next = offset + 12;
        } else if (id == zrFourCC("strh")) {
            uint8_t stream[8];
            if (!bytes.readAt(offset + 8, stream, 8)) break;
            if (littleEndian(stream) == zrFourCC("iavs")) return zrFourCC("DVSD");
            return littleEndian(stream + 4);
        } else {
            next = offset + 8 + size + (size & 1);
        }
        if (next <= offset) break;
        offset = next;
    }
    return 0;
}

ZRMediaKind mpegHeader(Bytes& bytes) {
    uint32_t w = 0;
    do {
        if (!bytes.nextWord(&w)) return {};
    } while (w == 0);

    uint32_t v = 0;
    switch (w) {
    case 0x000001B3: { // sequence header: past the optional quantiser matrices
        uint32_t f = 0;
        if (!bytes.nextWord(&v) || !bytes.nextWord(&f)) return {};
        if ((f & 3) != 0) {
            bytes.skipWords(15);
            uint32_t last = 0;
            if (!bytes.nextWord(&last)) return {};
            if ((f & 3) != 1 && (last & 1)) bytes.skipWords(16);
        }
        if (!bytes.nextWord(&v)) return {};
        return {"MPEG", v == 0x000001B5 ? 2u : 1u};
    }
    case 0x000001BA: // pack header: MPEG-2 marks it with '01' in its first bits
        if (!bytes.nextWord(&v)) return {};
        return {"MPEG", (v & 0x40000000) ? 2u : 1u};
    case 0x000001E0: // video packet
        if (!bytes.nextWord(&v)) return {};
        return {"MPEG", (v & 0xC000) == 0x8000 ? 2u : 1u};
    case 0x52494646: // "RIFF" of a VCD track
        bytes.skipWords(1);
        if (!bytes.nextWord(&v)) return {};
        if (v == 0x43445841) return {"MPEG", 2};
        return {};
    default:
        break;
    }
    if ((w >> 24) == 0x47) { // transport stream: sync bytes 188 bytes apart
        uint8_t a[4], b[4];
        if (bytes.readAt(185, a, 4) && bytes.readAt(373, b, 4) && a[3] == 0x47 && b[3] == 0x47)
            return {"MPEG", 2};
    }
    return {};
}

} // namespace

ZRMediaKind zrIdentifyMedia(const ZRMediaReader& read, uint64_t size) {
    Bytes bytes(read, size);
    uint8_t head[12];
    if (bytes.readAt(0, head, 12) && std::memcmp(head, "RIFF", 4) == 0 &&
        std::memcmp(head + 8, "AVI ", 4) == 0)
        return {"AVI", aviSubtype(bytes)};

    if (ZRMediaKind mpeg = mpegHeader(bytes); mpeg.kind) return mpeg;

    if (bytes.readAt(0, head, 4)) {
        if (std::memcmp(head, "OVDV", 4) == 0) return {"AVI", zrFourCC("OVDV")};
        if (std::memcmp(head, "OVMP", 4) == 0) return {"MPEG", zrFourCC("OVMP")};
    }
    if (bytes.readAt(0, head, 8)) {
        const uint32_t w1 = littleEndian(head);
        const uint32_t w2 = littleEndian(head + 4);
        if (w2 == 0x78787868 || w2 == 0x78787878 || (w1 & 0x7FFF00F0) == 0x3F000010)
            return {"DIF", zrFourCC("OVDV")};
    }
    return {};
}

ZRMediaKind zrIdentifyMediaFile(const QString& path) {
    // Only regular files: a pipe or device could block the reads for ever.
    const QFileInfo info(path);
    if (path.isEmpty() || !info.isFile()) return {};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    const ZRMediaReader read = [&file](uint64_t offset, void* buffer, size_t size) -> size_t {
        if (!file.seek(qint64(offset))) return 0;
        const qint64 got = file.read(static_cast<char*>(buffer), qint64(size));
        return got > 0 ? size_t(got) : 0;
    };
    return zrIdentifyMedia(read, uint64_t(file.size()));
}
