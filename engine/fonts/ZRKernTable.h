#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

/// Reader of a TrueType 'kern' table (version 0 layout, big-endian): the directory of
/// subtables, and the pairs of format-0 subtables. Every offset and count read from the table
/// is checked against its length. A plain value confined to the thread that uses it.
class ZRKernTable {
public:
    enum Result : int {
        kOk = 0,
        kOutOfMemory = 256,
        kBadSubtableIndex = 1028,
        kUnsupportedFormat = 2560,
        kNoSubtables = 2562,
        kBadSubtableHeader = 2563,
    };

    /// One kerning pair: left glyph in the high half of the key, right glyph in the low half.
    struct Pair {
        uint32_t key;
        int16_t value; ///< font units
    };

    /// The loaded pairs of a format-0 subtable, sorted by key.
    struct Pairs {
        uint16_t pairCount = 0;
        uint16_t searchRange = 0;
        uint16_t entrySelector = 0;
        uint16_t rangeShift = 0;
        std::vector<Pair> pairs;
    };

    struct Subtable {
        uint16_t version = 0;
        uint16_t length = 0;
        uint16_t coverage = 0; ///< high byte: the subtable's format
        uint32_t offset = 0;   ///< of the subtable's header from the start of the table
        std::unique_ptr<Pairs> pairs;

        int format() const { return coverage >> 8; }
    };

    /// Reads the table header and the subtable headers: 0, 2562 (no subtables) or 2563 (a header
    /// lies beyond the end). On failure the directory stays empty.
    [[nodiscard]] int readDirectory(std::span<const uint8_t> table);
    /// Loads the pairs of subtable `index` from `table` (the same bytes): 0 (also when already
    /// loaded), 1028 (no such subtable), 2560 (not format 0) or 256 (out of memory). Pairs that
    /// would lie beyond the table's end are not read.
    [[nodiscard]] int loadSubtable(size_t index, std::span<const uint8_t> table);
    /// Frees the pairs of subtable `index`: 0, 1028 or 2560.
    int unloadSubtable(size_t index);
    /// Unloads every subtable and clears the directory.
    void release();

    uint16_t version() const { return m_version; }
    uint16_t tableCount() const { return m_tableCount; }
    const std::vector<Subtable>& subtables() const { return m_subtables; }

    /// The value of the pair (left, right) in subtable `index`, 0 when absent or not loaded.
    int pairValue(size_t index, uint32_t left, uint32_t right) const;

private:
    uint16_t m_version = 0;
    uint16_t m_tableCount = 0;
    std::vector<Subtable> m_subtables;
};
