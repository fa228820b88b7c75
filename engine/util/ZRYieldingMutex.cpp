#include "engine/util/ZRYieldingMutex.h"

#include <algorithm>
#include <vector>

// Each thread keeps what it holds of each mutex: nesting is decided without the state lock,
// and a nested hold of either kind joins the outer one instead of waiting for it.
ZRYieldingMutex::Hold* ZRYieldingMutex::holdOf(const ZRYieldingMutex* mutex, bool make) {
    // A plain array, never destroyed: objects destroyed after the thread's own thread_local
    // storage (static timelines at process exit) still lock. Past it, a vector takes the rest.
    constexpr size_t kFixed = 64;
    thread_local Hold fixed[kFixed];
    thread_local std::vector<Hold> more;
    for (Hold& hold : fixed)
        if (hold.mutex == mutex) return &hold;
    for (Hold& hold : more)
        if (hold.mutex == mutex) return &hold;
    if (!make) return nullptr;
    for (Hold& hold : fixed)
        if (!hold.mutex) {
            hold.mutex = mutex;
            return &hold;
        }
    for (Hold& hold : more)
        if (!hold.mutex) {
            hold.mutex = mutex;
            return &hold;
        }
    more.push_back(Hold{mutex, 0, 0});
    return &more.back();
}

void ZRYieldingMutex::lock() {
    Hold* hold = holdOf(this, true);
    if (hold->exclusive || hold->shared) {
        ++(hold->exclusive ? hold->exclusive : hold->shared);
        return;
    }
    std::unique_lock state(m_state);
    ++m_waiting;
    m_changed.wait(state, [this] { return m_writer == std::thread::id() && m_readers == 0; });
    --m_waiting;
    m_writer = std::this_thread::get_id();
    hold->exclusive = 1;
}

bool ZRYieldingMutex::try_lock() {
    Hold* hold = holdOf(this, true);
    if (hold->exclusive || hold->shared) {
        ++(hold->exclusive ? hold->exclusive : hold->shared);
        return true;
    }
    std::lock_guard state(m_state);
    if (m_writer != std::thread::id() || m_readers != 0) {
        hold->mutex = nullptr;
        return false;
    }
    m_writer = std::this_thread::get_id();
    hold->exclusive = 1;
    return true;
}

void ZRYieldingMutex::lockShared() {
    Hold* hold = holdOf(this, true);
    if (hold->exclusive || hold->shared) {
        ++(hold->exclusive ? hold->exclusive : hold->shared);
        return;
    }
    std::unique_lock state(m_state);
    // A waiting setter goes first: composers step aside between frames.
    m_changed.wait(state, [this] { return m_writer == std::thread::id() && m_waiting == 0; });
    ++m_readers;
    hold->shared = 1;
}

void ZRYieldingMutex::unlock() {
    Hold* hold = holdOf(this, false);
    if (!hold) return;
    int& depth = hold->exclusive ? hold->exclusive : hold->shared;
    if (depth == 0 || --depth > 0) return;
    const bool exclusive = &depth == &hold->exclusive;
    hold->mutex = nullptr;
    {
        std::lock_guard state(m_state);
        if (exclusive)
            m_writer = std::thread::id();
        else
            --m_readers;
    }
    m_changed.notify_all();
}
