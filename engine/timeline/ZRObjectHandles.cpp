#include "engine/timeline/ZRObjectHandles.h"

#include <limits>

int32_t ZRObjectHandles::handleOf(const void* item, Kind kind) {
    if (!item) return 0;
    std::lock_guard locker(m_mutex);
    if (auto found = m_byItem.find(item); found != m_byItem.end())
        return m_byHandle.at(found->second).kind == kind ? found->second : 0;
    // Ids are never handed out twice, so a saved or stale id cannot reach a newer object.
    if (m_lastHandle == std::numeric_limits<int32_t>::max()) return 0;
    const int32_t handle = ++m_lastHandle;
    m_byHandle.emplace(handle, Entry{const_cast<void*>(item), kind});
    m_byItem.emplace(item, handle);
    return handle;
}

void ZRObjectHandles::unregister(const void* item) {
    std::lock_guard locker(m_mutex);
    auto found = m_byItem.find(item);
    if (found == m_byItem.end()) return;
    m_byHandle.erase(found->second);
    m_byItem.erase(found);
}

void* ZRObjectHandles::find(int32_t handle, Kind kind) const {
    if (handle <= 0) return nullptr;
    std::lock_guard locker(m_mutex);
    auto found = m_byHandle.find(handle);
    if (found == m_byHandle.end() || found->second.kind != kind) return nullptr;
    return found->second.item;
}

IZRObject* ZRObjectHandles::object(int32_t handle) const {
    return static_cast<IZRObject*>(find(handle, Kind::Object));
}

ZREffect* ZRObjectHandles::effect(int32_t handle) const {
    return static_cast<ZREffect*>(find(handle, Kind::Effect));
}
