#pragma once

#include <cstddef>
#include <memory>
#include <string_view>

/// A block of 50-byte NUL-terminated names, zero-filled, as handed out by `moduleList`.
/// Callers read up to the first all-zero entry. Written during engine start-up only.
class ZRNameTable {
public:
    static constexpr size_t kEntryBytes = 50;

    ZRNameTable() = default;
    explicit ZRNameTable(size_t count)
        : m_slots(count), m_data(std::make_unique<char[]>(count * kEntryBytes)) {}

    /// Writes `name` into slot `index`, cut to 49 bytes; ignored past the end.
    void set(size_t index, std::string_view name) {
        if (index >= m_slots) return;
        char* entry = m_data.get() + index * kEntryBytes;
        const size_t n = name.size() < kEntryBytes - 1 ? name.size() : kEntryBytes - 1;
        name.copy(entry, n);
        entry[n] = 0;
    }
    const char* entry(size_t index) const {
        return index < m_slots ? m_data.get() + index * kEntryBytes : nullptr;
    }
    char* data() { return m_data.get(); }
    size_t slotCount() const { return m_slots; }
    bool isMade() const { return m_data != nullptr; }
    void reset() { *this = ZRNameTable(); }

private:
    size_t m_slots = 0;
    std::unique_ptr<char[]> m_data;
};
