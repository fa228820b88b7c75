#pragma once

#include <condition_variable>
#include <mutex>
#include <thread>

/// A recursive read-write mutex shared by long holds that step aside and short holds that do
/// not. Threads composing frames hold it shared (`holdShared`), several at once; a setting or an
/// edit takes it exclusively (`lock`). A shared hold first waits while a thread waits in `lock`,
/// so that a setter waits at most for the frames in flight however many threads compose.
/// Holds nest on one thread: `lock` inside the thread's own shared hold adds to that shared hold
/// (what a frame's composition calls to render an object), and `holdShared` inside the thread's
/// own exclusive hold adds to the exclusive one; nested holds never wait at the gate.
/// Thread-safety: every operation from any thread; `lock`/`unlock`/`try_lock` make it a
/// standard Lockable. Its own state is guarded by one internal mutex, a leaf held only inside
/// these operations.
class ZRYieldingMutex {
public:
    /// An exclusive hold, or a nested one inside the thread's own hold of either kind.
    void lock();
    bool try_lock();
    /// Ends the innermost hold of `lock` or `try_lock`.
    void unlock();

    /// A shared hold for the returned lock's scope: several threads hold it at once.
    [[nodiscard]] std::unique_lock<ZRYieldingMutex> holdShared() {
        lockShared();
        return std::unique_lock(*this, std::adopt_lock);
    }

private:
    /// What this thread holds of which mutex (a thread holds at most a few at once).
    struct Hold {
        const ZRYieldingMutex* mutex = nullptr;
        int exclusive = 0; ///< depth of the exclusive hold
        int shared = 0;    ///< depth of the shared hold
    };
    static Hold* holdOf(const ZRYieldingMutex* mutex, bool make);
    void lockShared();

    std::mutex m_state;
    std::condition_variable m_changed;
    std::thread::id m_writer{}; ///< the exclusive holder
    int m_readers = 0;          ///< threads holding it shared
    int m_waiting = 0;          ///< threads waiting in `lock`
};
