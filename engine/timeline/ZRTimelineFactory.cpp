// The timeline's factory: everything it makes is registered here, and destroyed by its destroy
// operation or with the timeline.
#include "ZRTimeline.h"

#include <mutex>
#include <new>

ZRGuardedList* ZRTimeline::createList() {
    auto* list = new (std::nothrow) ZRTrackList;
    if (!list) return nullptr;
    std::lock_guard locker(m_listsMutex);
    m_lists.append(list);
    return list;
}

void ZRTimeline::destroyList(ZRGuardedList* list) {
    {
        std::lock_guard locker(m_listsMutex);
        if (!list || !m_lists.remove(list)) return;
    }
    delete list;
}
