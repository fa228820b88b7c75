#pragma once

#include <memory>
#include <mutex>

/// A mutex held by pointer, recursive or not as its owner asks (timeline, tracks, effect
/// lists, images, fonts). The lock itself is the thread-safety. Built on the standard mutexes,
/// whose operations thread checkers see.
class ZRHeapMutex {
public:
    explicit ZRHeapMutex(bool recursive) {
        if (recursive)
            m_recursive = std::make_unique<std::recursive_mutex>();
        else
            m_plain = std::make_unique<std::mutex>();
    }
    virtual ~ZRHeapMutex() = default;
    ZRHeapMutex(const ZRHeapMutex&) = delete;
    ZRHeapMutex& operator=(const ZRHeapMutex&) = delete;

    void lock() { m_recursive ? m_recursive->lock() : m_plain->lock(); }
    void unlock() { m_recursive ? m_recursive->unlock() : m_plain->unlock(); }
    bool tryLock() { return m_recursive ? m_recursive->try_lock() : m_plain->try_lock(); }

private:
    std::unique_ptr<std::recursive_mutex> m_recursive;
    std::unique_ptr<std::mutex> m_plain;
};
