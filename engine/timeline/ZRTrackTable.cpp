#include "engine/timeline/ZRTrackTable.h"

#include "engine/api/IZRObject.h"

#include <new>

namespace {

ZRPos copyOf(const IZRPos* p) {
    ZRPos c;
    c.assign(p);
    return c;
}

} // namespace

ZRTrackList* ZRTrackTable::list(int track, bool video) const {
    if (!isValid(track)) return nullptr;
    return (video ? m_video : m_audio)[size_t(track - 1)].get();
}

ZRTrackList* ZRTrackTable::makeList(int track, bool video) {
    if (!isValid(track)) return nullptr;
    std::unique_ptr<ZRTrackList>& slot = (video ? m_video : m_audio)[size_t(track - 1)];
    if (!slot) slot.reset(new (std::nothrow) ZRTrackList);
    return slot.get();
}

ZRTrackList* ZRTrackTable::settingsList(int track) {
    std::lock_guard lock(m_mutex);
    return makeList(track, false);
}

int ZRTrackTable::highest() {
    std::lock_guard lock(m_mutex);
    return m_highest;
}

IZRObject* ZRTrackTable::objectAt(int track, double frame, bool video) {
    std::lock_guard lock(m_mutex);
    ZRTrackList* found = list(track, video);
    if (!found) return nullptr;
    // The track's objects are in time order without overlaps, so their ends rise with them:
    // the first one that does not end before the frame is the only one that can hold it.
    auto* object = static_cast<IZRObject*>(found->partitionPoint(
        [frame](void* p) { return static_cast<IZRObject*>(p)->endPos()->toFrames() < frame; }));
    return object && object->startPos()->toFrames() <= frame ? object : nullptr;
}

ZRPos ZRTrackTable::end(double rate) {
    std::lock_guard lock(m_mutex);
    ZRPos end(0, 0, 0, 0, rate);
    for (int track = 1; track <= m_highest; ++track) {
        for (bool video : {true, false}) {
            ZRTrackList* found = list(track, video);
            if (!found) continue;
            std::lock_guard trackLock(*found);
            auto* last = static_cast<IZRObject*>(found->last());
            if (last && *last->endPos() >= &end) {
                end = copyOf(last->endPos());
                end.increment();
            }
        }
    }
    return end;
}

ZRObjectPlacement ZRTrackTable::placementOf(IZRObject* object) {
    std::lock_guard lock(m_mutex);
    return {copyOf(object->startPos()), copyOf(object->endPos()), copyOf(object->duration()),
            copyOf(object->markIn())};
}
