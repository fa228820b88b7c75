#include "engine/timeline/ZRTrackList.h"

#include "engine/api/IZRObject.h"

#include <mutex>

ZRTrackList::ZRTrackList() {
    channelPanning[0] = -1.0;
    channelPanning[1] = 1.0;
}

ZRTrackList::~ZRTrackList() = default;

bool ZRTrackList::isEmpty() {
    std::lock_guard l(*this);
    return m_items.count() == 0;
}

void ZRTrackList::clear() {
    std::lock_guard l(*this);
    m_items.clear();
    m_order.clear();
}

IZRPos* ZRTrackList::totalDuration() {
    std::lock_guard l(*this);
    m_total.set(0, 0, 0, 0, ZRPos::defaultFrameRate());
    for (void* p = m_items.first(); p; p = m_items.next())
        m_total.add(static_cast<IZRObject*>(p)->duration());
    return &m_total;
}

bool ZRTrackList::anyObjectHasVideo() {
    std::lock_guard l(*this);
    for (void* p = m_items.first(); p; p = m_items.next())
        if (static_cast<IZRObject*>(p)->hasVideo()) return true;
    return false;
}

bool ZRTrackList::anyObjectHasAudio() {
    std::lock_guard l(*this);
    for (void* p = m_items.first(); p; p = m_items.next())
        if (static_cast<IZRObject*>(p)->hasAudio()) return true;
    return false;
}

unsigned ZRTrackList::count() {
    std::lock_guard l(*this);
    return m_items.count();
}

void ZRTrackList::insertAt(unsigned index, void* item) {
    std::lock_guard l(*this);
    if (m_items.insertAt(index, item)) {
        m_order.insert(m_order.begin() + std::ptrdiff_t(index), item);
    } else {
        m_items.append(item);
        m_order.push_back(item);
    }
}

void ZRTrackList::append(void* item) {
    std::lock_guard l(*this);
    m_items.append(item);
    m_order.push_back(item);
}

void ZRTrackList::remove(void* item) {
    std::lock_guard l(*this);
    if (!m_items.remove(item)) return;
    const auto at = std::find(m_order.begin(), m_order.end(), item);
    if (at != m_order.end()) m_order.erase(at);
}

int ZRTrackList::find(void* item) {
    std::lock_guard l(*this);
    return m_items.find(item);
}

void* ZRTrackList::first() {
    std::lock_guard l(*this);
    return m_items.first();
}

void* ZRTrackList::next() {
    std::lock_guard l(*this);
    return m_items.next();
}

void* ZRTrackList::prev() {
    std::lock_guard l(*this);
    return m_items.prev();
}

void* ZRTrackList::last() {
    std::lock_guard l(*this);
    return m_items.last();
}

void* ZRTrackList::at(unsigned index) {
    std::lock_guard l(*this);
    return m_items.at(index);
}

void* ZRTrackList::takeFirst() {
    std::lock_guard l(*this);
    void* item = m_items.takeFirst();
    if (item) m_order.erase(m_order.begin());
    return item;
}

void ZRTrackList::lock() {
    m_mutex.lock();
    ++m_lockDepth;
}

void ZRTrackList::unlock() {
    --m_lockDepth;
    m_mutex.unlock();
}

bool ZRTrackList::locked() {
    if (!m_mutex.try_lock()) return true;
    const bool held = m_lockDepth > 0;
    m_mutex.unlock();
    return held;
}

bool ZRTrackList::tryLock() {
    if (!m_mutex.try_lock()) return false;
    ++m_lockDepth;
    return true;
}
