#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

/// A recursive mutex shared by long holds that step aside and short holds that do not: a
/// thread composing frame after frame takes it with `lockYielding`, which first waits while
/// another thread waits in `lock`, so that a setting or an edit waits at most for the frame in
/// flight however many threads compose. Nested holds never wait at the gate.
/// Thread-safety: every operation from any thread; `lock`/`unlock`/`try_lock` make it a
/// standard Lockable. The gate's own mutex is a leaf, held only inside these operations.
class ZRYieldingMutex {
public:
    void lock() {
        if (ownedByThisThread()) {
            m_mutex.lock();
            ++m_depth;
            return;
        }
        {
            std::lock_guard gate(m_gateMutex);
            ++m_waiting;
        }
        m_mutex.lock();
        {
            std::lock_guard gate(m_gateMutex);
            --m_waiting;
        }
        m_gate.notify_all();
        own();
    }

    void lockYielding() {
        if (!ownedByThisThread()) {
            std::unique_lock gate(m_gateMutex);
            m_gate.wait(gate, [this] { return m_waiting == 0; });
        }
        m_mutex.lock();
        own();
    }

    /// `lockYielding` for the returned lock's scope.
    [[nodiscard]] std::unique_lock<ZRYieldingMutex> holdYielding() {
        lockYielding();
        return std::unique_lock(*this, std::adopt_lock);
    }

    bool try_lock() {
        if (!m_mutex.try_lock()) return false;
        own();
        return true;
    }

    void unlock() {
        if (--m_depth == 0) m_owner.store(std::thread::id());
        m_mutex.unlock();
    }

private:
    bool ownedByThisThread() const { return m_owner.load() == std::this_thread::get_id(); }
    void own() {
        if (m_depth++ == 0) m_owner.store(std::this_thread::get_id());
    }

    std::recursive_mutex m_mutex;
    std::atomic<std::thread::id> m_owner{};
    int m_depth = 0; ///< written only by the owner, under the mutex

    std::mutex m_gateMutex;
    std::condition_variable m_gate;
    int m_waiting = 0; ///< threads waiting in `lock`; guarded by the gate mutex
};
