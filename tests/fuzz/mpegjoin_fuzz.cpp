// The joiner reads segments that a capture may have left damaged. Over two segments cut from
// the input (in memory), a step must return, keep the current segment's length, and grow the
// previous one by whole packs only; the tail step keeps the length.
#include "platform/segments/MpegJoiner.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

class MemoryFile final : public segments::SegmentFile {
public:
    explicit MemoryFile(Bytes& bytes) : m_bytes(bytes) {}
    bool seek(int64_t offset) override {
        if (offset < 0) return false;
        m_at = size_t(offset);
        return true;
    }
    int64_t read(uint8_t* data, int64_t count) override {
        if (m_at >= m_bytes.size()) return 0;
        const size_t n = std::min(size_t(count), m_bytes.size() - m_at);
        std::memcpy(data, m_bytes.data() + m_at, n);
        m_at += n;
        return int64_t(n);
    }
    bool write(const uint8_t* data, int64_t count) override {
        if (m_at + size_t(count) > m_bytes.size()) m_bytes.resize(m_at + size_t(count));
        std::memcpy(m_bytes.data() + m_at, data, size_t(count));
        m_at += size_t(count);
        return true;
    }
    int64_t size() override { return int64_t(m_bytes.size()); }
    bool truncate(int64_t length) override {
        m_bytes.resize(size_t(length));
        return true;
    }

private:
    Bytes& m_bytes;
    size_t m_at = 0;
};

class MemoryFiles final : public segments::SegmentFileSystem {
public:
    std::map<std::string, Bytes> files;
    std::unique_ptr<segments::SegmentFile> open(const std::string& path) override {
        const auto found = files.find(path);
        if (found == files.end()) return nullptr;
        return std::make_unique<MemoryFile>(found->second);
    }
};

bool wholePacks(size_t grown) {
    return grown % 2324 == 0 || grown % 2048 == 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    const size_t split = std::min(size - 2, size_t(data[0] << 8 | data[1]) * 64);
    MemoryFiles disk;
    disk.files["a"] = Bytes(data + 2, data + 2 + split);
    disk.files["b"] = Bytes(data + 2 + split, data + size);
    const size_t previous = disk.files["a"].size();
    const size_t current = disk.files["b"].size();
    const int result = segments::joinMpegFiles("a", "b", disk);
    if ((result != 0 && result != 1) || disk.files["b"].size() != current ||
        disk.files["a"].size() < previous || !wholePacks(disk.files["a"].size() - previous))
        std::abort();
    const size_t joined = disk.files["b"].size();
    const int tail = segments::joinMpegFiles("b", "", disk);
    if ((tail != 0 && tail != 1) || disk.files["b"].size() != joined) std::abort();
    return 0;
}
