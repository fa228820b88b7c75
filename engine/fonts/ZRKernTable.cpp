#include "engine/fonts/ZRKernTable.h"

#include <algorithm>
#include <new>

namespace {

uint16_t readU16(std::span<const uint8_t> bytes, uint64_t offset) {
    return uint16_t((bytes[size_t(offset)] << 8) | bytes[size_t(offset) + 1]);
}

constexpr uint64_t kSubtableHeaderSize = 6;
constexpr uint64_t kFormat0HeaderSize = 8;
constexpr uint64_t kFormat0PairSize = 6;

} // namespace

int ZRKernTable::readDirectory(std::span<const uint8_t> table) {
    release();
    if (table.size() < 4) return kNoSubtables;
    const uint16_t version = readU16(table, 0);
    const uint16_t count = readU16(table, 2);
    if (count == 0) return kNoSubtables;

    std::vector<Subtable> subtables;
    try {
        subtables.resize(count);
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    }
    uint64_t offset = 4;
    for (Subtable& subtable : subtables) {
        if (offset + kSubtableHeaderSize > table.size()) return kBadSubtableHeader;
        subtable.version = readU16(table, offset);
        subtable.length = readU16(table, offset + 2);
        subtable.coverage = readU16(table, offset + 4);
        subtable.offset = uint32_t(offset);
        offset += subtable.length;
    }
    m_version = version;
    m_tableCount = count;
    m_subtables = std::move(subtables);
    return kOk;
}

int ZRKernTable::loadSubtable(size_t index, std::span<const uint8_t> table) {
    if (index >= m_subtables.size()) return kBadSubtableIndex;
    Subtable& subtable = m_subtables[index];
    if (subtable.format() != 0) return kUnsupportedFormat;
    if (subtable.pairs) return kOk;

    try {
        auto pairs = std::make_unique<Pairs>();
        const uint64_t header = uint64_t(subtable.offset) + kSubtableHeaderSize;
        if (header + kFormat0HeaderSize <= table.size()) {
            pairs->pairCount = readU16(table, header);
            pairs->searchRange = readU16(table, header + 2);
            pairs->entrySelector = readU16(table, header + 4);
            pairs->rangeShift = readU16(table, header + 6);
            const uint64_t first = header + kFormat0HeaderSize;
            const uint64_t fitting = (table.size() - first) / kFormat0PairSize;
            const uint64_t count = std::min<uint64_t>(pairs->pairCount, fitting);
            pairs->pairs.reserve(size_t(count));
            for (uint64_t i = 0; i < count; ++i) {
                const uint64_t at = first + i * kFormat0PairSize;
                const uint32_t key = (uint32_t(readU16(table, at)) << 16) | readU16(table, at + 2);
                pairs->pairs.push_back({key, int16_t(readU16(table, at + 4))});
            }
            // Lookups search by key; the file's own order is not trusted.
            std::stable_sort(pairs->pairs.begin(), pairs->pairs.end(),
                             [](const Pair& a, const Pair& b) { return a.key < b.key; });
        }
        subtable.pairs = std::move(pairs);
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    }
    return kOk;
}

int ZRKernTable::unloadSubtable(size_t index) {
    if (index >= m_subtables.size()) return kBadSubtableIndex;
    Subtable& subtable = m_subtables[index];
    if (subtable.format() != 0) return kUnsupportedFormat;
    subtable.pairs.reset();
    return kOk;
}

void ZRKernTable::release() {
    for (size_t i = 0; i < m_subtables.size(); ++i) {
        if (unloadSubtable(i) != kOk) break;
    }
    m_subtables.clear();
    m_version = 0;
    m_tableCount = 0;
}

int ZRKernTable::pairValue(size_t index, uint32_t left, uint32_t right) const {
    if (index >= m_subtables.size() || !m_subtables[index].pairs) return 0;
    if (left > 0xFFFF || right > 0xFFFF) return 0;
    const std::vector<Pair>& pairs = m_subtables[index].pairs->pairs;
    const uint32_t key = (left << 16) | right;
    const auto it = std::lower_bound(pairs.begin(), pairs.end(), key,
                                     [](const Pair& pair, uint32_t k) { return pair.key < k; });
    return (it != pairs.end() && it->key == key) ? it->value : 0;
}
