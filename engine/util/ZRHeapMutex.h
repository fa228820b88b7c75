#pragma once

#include <QMutex>
#include <QRecursiveMutex>

#include <memory>

/// A mutex held by pointer, recursive or not as its owner asks (timeline, tracks, effect
/// lists, images, fonts). The lock itself is the thread-safety.
class ZRHeapMutex {
public:
    explicit ZRHeapMutex(bool recursive) {
        if (recursive)
            m_recursive = std::make_unique<QRecursiveMutex>();
        else
            m_plain = std::make_unique<QMutex>();
    }
    virtual ~ZRHeapMutex() = default;
    ZRHeapMutex(const ZRHeapMutex&) = delete;
    ZRHeapMutex& operator=(const ZRHeapMutex&) = delete;

    void lock() { m_recursive ? m_recursive->lock() : m_plain->lock(); }
    void unlock() { m_recursive ? m_recursive->unlock() : m_plain->unlock(); }
    bool tryLock() { return m_recursive ? m_recursive->tryLock() : m_plain->tryLock(); }
    bool isRecursive() const { return m_recursive != nullptr; }

private:
    std::unique_ptr<QRecursiveMutex> m_recursive;
    std::unique_ptr<QMutex> m_plain;
};
