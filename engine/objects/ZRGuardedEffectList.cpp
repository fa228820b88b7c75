#include "engine/objects/ZRGuardedEffectList.h"

#include "engine/api/ZREffect.h"

#include <mutex>

ZRGuardedEffectList::~ZRGuardedEffectList() {
    std::lock_guard locker(m_mutex);
    m_items.clear();
}

bool ZRGuardedEffectList::isEmpty() {
    std::lock_guard locker(m_mutex);
    return m_items.count() == 0;
}

bool ZRGuardedEffectList::anyHasVideo() {
    std::lock_guard locker(m_mutex);
    ZRListIterator it(m_items);
    for (void* item = it.toFirst(); item; item = it.next()) {
        if (static_cast<ZREffect*>(item)->hasVideo()) return true;
    }
    return false;
}

bool ZRGuardedEffectList::anyHasAudio() {
    std::lock_guard locker(m_mutex);
    ZRListIterator it(m_items);
    for (void* item = it.toFirst(); item; item = it.next()) {
        if (static_cast<ZREffect*>(item)->hasAudio()) return true;
    }
    return false;
}

int32_t ZRGuardedEffectList::count() {
    std::lock_guard locker(m_mutex);
    return static_cast<int32_t>(m_items.count());
}

bool ZRGuardedEffectList::insertAt(int32_t index, ZREffect* effect) {
    if (!effect || index < 0) return false;
    std::lock_guard locker(m_mutex);
    return m_items.insertAt(static_cast<uint32_t>(index), effect);
}

void ZRGuardedEffectList::append(ZREffect* effect) {
    if (!effect) return;
    std::lock_guard locker(m_mutex);
    m_items.append(effect);
}

bool ZRGuardedEffectList::remove(ZREffect* effect) {
    std::lock_guard locker(m_mutex);
    return m_items.remove(effect);
}

int32_t ZRGuardedEffectList::find(ZREffect* effect) {
    std::lock_guard locker(m_mutex);
    return m_items.find(effect);
}

ZREffect* ZRGuardedEffectList::first() {
    std::lock_guard locker(m_mutex);
    return m_items.first();
}

ZREffect* ZRGuardedEffectList::next() {
    std::lock_guard locker(m_mutex);
    return m_items.next();
}

ZREffect* ZRGuardedEffectList::prev() {
    std::lock_guard locker(m_mutex);
    return static_cast<ZREffect*>(m_items.prev());
}

ZREffect* ZRGuardedEffectList::last() {
    std::lock_guard locker(m_mutex);
    return static_cast<ZREffect*>(m_items.last());
}
