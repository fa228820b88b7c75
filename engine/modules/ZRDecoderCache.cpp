#include "engine/modules/ZRDecoderCache.h"

#include <algorithm>

// Never destroyed: accesses that outlive the statics at exit still leave it safely.
ZRDecoderCache& ZRDecoderCache::instance() {
    static ZRDecoderCache* cache = new ZRDecoderCache;
    return *cache;
}

void ZRDecoderCache::setCapacity(size_t capacity) {
    std::lock_guard lock(m_mutex);
    m_capacity = std::max<size_t>(capacity, 1);
}

size_t ZRDecoderCache::capacity() const {
    std::lock_guard lock(m_mutex);
    return m_capacity;
}

size_t ZRDecoderCache::openCount() const {
    std::lock_guard lock(m_mutex);
    return m_order.size();
}

void ZRDecoderCache::touch(Client* client) {
    std::lock_guard lock(m_mutex);
    const auto found = m_where.find(client);
    if (found != m_where.end()) {
        m_order.splice(m_order.begin(), m_order, found->second);
    } else {
        m_order.push_front(client);
        m_where.emplace(client, m_order.begin());
    }
    // Oldest first; a file busy on another thread stays open for now and the next older goes.
    auto victim = m_order.end();
    while (m_order.size() > m_capacity && victim != m_order.begin()) {
        --victim;
        if (*victim == client || !(*victim)->trySuspend()) continue;
        m_where.erase(*victim);
        victim = m_order.erase(victim);
    }
}

void ZRDecoderCache::remove(Client* client) {
    std::lock_guard lock(m_mutex);
    const auto found = m_where.find(client);
    if (found == m_where.end()) return;
    m_order.erase(found->second);
    m_where.erase(found);
}
