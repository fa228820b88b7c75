#pragma once

#include <cstddef>
#include <memory>
#include <vector>

/// The evaluator's value stack: entries in chunks of 256 that never move, so that a reference to
/// an entry stays valid while calls push further entries. Indexing and size are O(1) without
/// the arithmetic of a deque. `T` must be trivially destructible. Confined to one run.
template <class T> class ScriptValueStack {
public:
    static constexpr size_t kChunk = 256;

    size_t size() const { return m_size; }
    bool empty() const { return m_size == 0; }
    T& operator[](size_t i) { return m_chunks[i / kChunk][i % kChunk]; }
    const T& operator[](size_t i) const { return m_chunks[i / kChunk][i % kChunk]; }
    T& back() { return (*this)[m_size - 1]; }

    /// A new entry, value-initialised, on top.
    T& emplace_back() {
        if (m_size == m_chunks.size() * kChunk) m_chunks.push_back(std::make_unique<T[]>(kChunk));
        // Built in place: assigning a temporary made the copy stall on its own fresh stores.
        return *std::construct_at(&(*this)[m_size++]);
    }
    void pop_back() { --m_size; }

private:
    std::vector<std::unique_ptr<T[]>> m_chunks;
    size_t m_size = 0;
};
