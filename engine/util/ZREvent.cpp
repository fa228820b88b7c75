#include "engine/util/ZREvent.h"

#include <chrono>

void ZREvent::set() {
    std::lock_guard locker(m_mutex);
    m_signalled = true;
    m_condition.notify_one();
}

void ZREvent::wait() {
    std::unique_lock locker(m_mutex);
    m_condition.wait(locker, [this] { return m_signalled; });
    m_signalled = false;
}

bool ZREvent::wait(int ms) {
    std::unique_lock locker(m_mutex);
    const bool got =
        m_condition.wait_for(locker, std::chrono::milliseconds(ms), [this] { return m_signalled; });
    m_signalled = false;
    return got;
}
