#pragma once

#include "platform/graph/ZRMediaSample.h"

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <optional>

/// A bounded queue of samples between two threads: `push` waits while it is full, `pop` while
/// it is empty; once closed both return at once (false / empty), and what was queued is dropped.
/// An end-of-stream mark travels in order with the samples.
/// Thread-safety: any threads; guarded by its own mutex.
class ZRSampleQueue {
public:
    struct Item {
        ZRMediaSample sample;
        bool endOfStream = false;
    };

    explicit ZRSampleQueue(size_t capacity) : m_capacity(capacity ? capacity : 1) {}

    /// False when closed.
    bool push(Item item) {
        std::unique_lock lock(m_mutex);
        m_room.wait(lock, [&] { return m_closed || m_items.size() < m_capacity; });
        if (m_closed) return false;
        m_items.push_back(std::move(item));
        m_ready.notify_one();
        return true;
    }
    /// Empty when closed.
    std::optional<Item> pop() {
        std::unique_lock lock(m_mutex);
        m_ready.wait(lock, [&] { return m_closed || !m_items.empty(); });
        if (m_closed) return std::nullopt;
        Item item = std::move(m_items.front());
        m_items.pop_front();
        m_room.notify_one();
        return item;
    }
    void close() {
        std::lock_guard lock(m_mutex);
        m_closed = true;
        m_items.clear();
        m_room.notify_all();
        m_ready.notify_all();
    }
    void reopen() {
        std::lock_guard lock(m_mutex);
        m_closed = false;
        m_items.clear();
    }

private:
    size_t m_capacity;
    std::mutex m_mutex;
    std::condition_variable m_room, m_ready;
    std::deque<Item> m_items;
    bool m_closed = false;
};
