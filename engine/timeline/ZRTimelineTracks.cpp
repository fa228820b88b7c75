// Placing, moving, trimming and finding objects on the 100 video and 100 audio tracks.
// Lock order everywhere: the timeline mutex, then a track's own mutex (see ZRTimeline.h).
// Every edit runs in an EditScope, so that the background renderer hears of what changed only
// after the timeline mutex is released.
#include "engine/timeline/ZRTimeline.h"

#include "engine/api/ZREffect.h"
#include "engine/objects/ZRGuardedEffectList.h"
#include "engine/objects/ZRObject.h"

#include <QByteArray>

#include <algorithm>
#include <cstdio>
#include <mutex>
#include <unordered_set>
#include <vector>

namespace {

ZRTrackItem* item(IZRObject* object) {
    return static_cast<ZRTrackItem*>(object);
}
ZRTrackItem* item(void* p) {
    return static_cast<ZRTrackItem*>(p);
}

// end := start + duration - 1 frame (the end is inclusive).
void placeEnd(IZRObject* object) {
    IZRPos* end = object->endPos();
    end->assign(object->startPos());
    end->add(object->duration());
    end->decrement();
}

ZRPos copyOf(const IZRPos* p) {
    ZRPos c;
    c.assign(p);
    return c;
}

ZRPos frameAfter(const IZRPos* p) {
    ZRPos c = copyOf(p);
    c.increment();
    return c;
}

} // namespace

class ZRTimeline::EditScope {
public:
    explicit EditScope(ZRTimeline& timeline)
        : m_timeline(timeline), m_lock(timeline.m_tracks.mutex()) {
        ++m_timeline.m_editDepth;
    }
    ~EditScope() {
        std::vector<std::pair<ZRPos, ZRPos>> ranges;
        if (--m_timeline.m_editDepth == 0) ranges.swap(m_timeline.m_changedRanges);
        m_lock.unlock();
        if (ranges.empty() || !m_timeline.backgroundRenderingEnabled()) return;
        // One edit notes the same stretch several times (its old place, the removal, the new
        // place): overlapping and touching ranges are told once.
        std::sort(ranges.begin(), ranges.end(),
                  [](const auto& a, const auto& b) { return a.first < &b.first; });
        auto told = ranges.front();
        for (size_t i = 1; i < ranges.size(); ++i) {
            if (!(frameAfter(&told.second) < &ranges[i].first)) {
                if (told.second < &ranges[i].second) told.second = ranges[i].second;
                continue;
            }
            m_timeline.invalidateRange(told.first, told.second);
            told = ranges[i];
        }
        m_timeline.invalidateRange(told.first, told.second);
    }
    EditScope(const EditScope&) = delete;
    EditScope& operator=(const EditScope&) = delete;

private:
    ZRTimeline& m_timeline;
    std::unique_lock<std::recursive_mutex> m_lock;
};

// Under an EditScope.
void ZRTimeline::noteChangedRange(const ZRPos& start, const ZRPos& end) {
    m_changedRanges.emplace_back(start, end);
}

ZRObjectPlacement ZRTimeline::placementOf(IZRObject* object) {
    return m_tracks.placementOf(object);
}

ZRGuardedList* ZRTimeline::track(int track, bool video) {
    std::lock_guard lock(m_tracks.mutex());
    return m_tracks.list(track, video);
}

// Inserts `object` into one track list in time order at `start`, then pushes every follower it
// now overlaps to start right after the one before it; answers the followers pushed.
std::vector<ZRTrackItem*> ZRTimeline::placeOnce(ZRTrackList* list, ZRTrackItem* object,
                                                const IZRPos* start, bool video, int index) {
    std::vector<ZRTrackItem*> moved;
    std::lock_guard lock(*list);
    unsigned at = 0;
    auto* last = static_cast<ZRTrackItem*>(list->last());
    if (last && *start > last->endPos()) {
        at = list->count(); // the common case: after everything on the track
    } else {
        for (void* p = list->first(); p; p = list->next(), ++at) {
            if (!(*start > item(p)->endPos())) break;
        }
    }
    list->insertAt(at, object);
    object->startPos()->assign(start);
    placeEnd(object);
    object->setTrackIndex(video, index);

    const IZRPos* previousEnd = object->endPos();
    for (unsigned i = at + 1; i < list->count(); ++i) {
        ZRTrackItem* follower = item(list->at(i));
        if (*previousEnd < follower->startPos()) break;
        const ZRPos oldStart = copyOf(follower->startPos());
        const ZRPos newStart = frameAfter(previousEnd);
        follower->startPos()->assign(&newStart);
        placeEnd(follower);
        // Its frames change from where it started to where it ends now.
        if (follower->trackIndex(true) >= 0) noteChangedRange(oldStart, copyOf(follower->endPos()));
        moved.push_back(follower);
        previousEnd = follower->endPos();
    }
    return moved;
}

// A pushed object that also lies on a track of the other kind is placed again there, which may
// push others in turn, to any depth, so that every list stays in the time order `objectAt`
// bisects. The cascade ends: a push only moves an object to after one that starts before it,
// so the order of the objects by start never changes and each push moves one strictly later.
// An explicit stack keeps a long cascade off the call stack, in the order a recursion would take.
void ZRTimeline::placeInList(ZRTrackList* list, ZRTrackItem* object, const IZRPos* start,
                             bool video, int index) {
    struct Pass {
        std::vector<ZRTrackItem*> moved;
        size_t next;
        bool video;
    };
    std::vector<Pass> stack;
    stack.push_back({placeOnce(list, object, start, video, index), 0, video});
    while (!stack.empty()) {
        Pass& top = stack.back();
        if (top.next == top.moved.size()) {
            stack.pop_back();
            continue;
        }
        ZRTrackItem* follower = top.moved[top.next++];
        const bool otherKind = !top.video;
        const int other = follower->trackIndex(otherKind);
        ZRTrackList* otherList = other >= 0 ? m_tracks.list(other + 1, otherKind) : nullptr;
        if (!otherList) continue;
        otherList->remove(follower);
        const ZRPos newStart = copyOf(follower->startPos());
        std::vector<ZRTrackItem*> pushed =
            placeOnce(otherList, follower, &newStart, otherKind, other);
        stack.push_back({std::move(pushed), 0, otherKind});
    }
}

bool ZRTimeline::insertObject(int track, IZRPos* start, IZRObject* object) {
    if (!ZRTrackTable::isValid(track) || !start || !object) return false;
    const ZRPos at = copyOf(start); // `start` may be one of the object's own positions
    ZRTrackItem* target = item(object);
    {
        EditScope edit(*this);
        if (target->trackIndex(true) >= 0 || target->trackIndex(false) >= 0)
            removeObject(object); // an object lies on one place at a time
        m_tracks.raiseHighest(track);
        if (object->hasVideo()) {
            if (ZRTrackList* list = m_tracks.makeList(track, true)) {
                placeInList(list, target, &at, true, track - 1);
                noteChangedRange(at, copyOf(object->endPos()));
            }
        }
        if (object->hasAudio()) {
            if (ZRTrackList* list = m_tracks.makeList(track, false))
                placeInList(list, target, &at, false, track - 1);
        }
    }
    noteChange("Insert Object");
    return true;
}

void ZRTimeline::removeObject(IZRObject* object) {
    if (!object) return;
    ZRTrackItem* target = item(object);
    EditScope edit(*this);
    const ZRPos start = copyOf(object->startPos()), end = copyOf(object->endPos());
    for (bool video : {true, false}) {
        const int index = target->trackIndex(video);
        if (index < 0) continue;
        if (ZRTrackList* list = m_tracks.list(index + 1, video)) list->remove(object);
        target->setTrackIndex(video, -1);
        if (video) noteChangedRange(start, end);
    }
    object->startPos()->setTotalFrames(0);
    object->endPos()->setTotalFrames(0);
}

void ZRTimeline::packTrack(int track, bool video) {
    EditScope edit(*this);
    ZRTrackList* list = m_tracks.list(track, video);
    if (!list) return;
    std::vector<IZRObject*> objects;
    while (void* p = list->first()) {
        objects.push_back(static_cast<IZRObject*>(p));
        removeObject(objects.back());
    }
    ZRPos at(0, 0, 0, 0, m_frameRate);
    for (IZRObject* object : objects) {
        insertObject(track, &at, object);
        at = frameAfter(object->endPos());
    }
}

void ZRTimeline::shiftTrackObjects(int track, bool video, IZRObject* from, IZRPos* amount,
                                   bool later) {
    if (!from || !amount) return;
    EditScope edit(*this);
    ZRTrackList* list = m_tracks.list(track, video);
    if (!list) return;
    std::vector<std::pair<IZRObject*, ZRPos>> moving;
    {
        std::lock_guard trackLock(*list);
        const int first = list->find(from);
        if (first < 0) return;
        for (unsigned i = unsigned(first); i < list->count(); ++i) {
            auto* object = static_cast<IZRObject*>(list->at(i));
            ZRPos start = copyOf(object->startPos());
            if (later)
                start.add(amount);
            else
                start.subtract(amount); // stops at 00:00:00.00
            moving.emplace_back(object, start);
        }
    }
    for (auto& [object, start] : moving)
        removeObject(object);
    for (auto& [object, start] : moving)
        insertObject(track, &start, object);
}

IZRObject* ZRTimeline::objectAt(int track, IZRPos* position, bool video) {
    if (!position) return nullptr;
    return m_tracks.objectAt(track, position->toFrames(), video);
}

// Each track is emptied whole and the objects destroyed afterwards: taken out one at a time, a
// project of a hundred thousand clips paid for every object a move of the rest of its track.
std::vector<IZRObject*> ZRTimeline::takeTrackObjects() {
    std::vector<IZRObject*> objects;
    std::unordered_set<IZRObject*> seen;
    EditScope edit(*this);
    for (bool video : {true, false}) {
        for (int track = 1; track <= kTrackCount; ++track) {
            ZRTrackList* list = m_tracks.list(track, video);
            if (!list) continue;
            std::lock_guard trackLock(*list);
            for (void* p = list->first(); p; p = list->next()) {
                auto* object = static_cast<IZRObject*>(p);
                if (seen.insert(object).second) objects.push_back(object);
            }
            if (video && list->count() > 0) {
                noteChangedRange(copyOf(static_cast<IZRObject*>(list->first())->startPos()),
                                 copyOf(static_cast<IZRObject*>(list->last())->endPos()));
            }
            list->clear();
        }
    }
    for (IZRObject* object : objects) {
        item(object)->setTrackIndex(true, -1);
        item(object)->setTrackIndex(false, -1);
        object->startPos()->setTotalFrames(0);
        object->endPos()->setTotalFrames(0);
    }
    return objects;
}

void ZRTimeline::clear() {
    suspendRenderer();
    // Destroyed outside the timeline mutex: releasing an object's user value calls the host.
    for (IZRObject* object : takeTrackObjects())
        destroyObject(object);
    for (int track = 1; track <= kTrackCount; ++track) {
        if (ZRTrackList* list = m_tracks.list(track, false)) {
            std::lock_guard trackLock(*list);
            list->mute = false;
            list->level = 0.0;
        }
    }
    if (backgroundRenderingEnabled()) forgetRenderedFrames();
    resumeRenderer();
}

int ZRTimeline::highestTrack() {
    return m_tracks.highest();
}

ZRPos ZRTimeline::projectEnd() {
    return m_tracks.end(m_frameRate);
}

// Each thread gets a position of its own: a shared one would be rewritten by the renderer or
// the preview while the GUI thread reads it.
IZRPos* ZRTimeline::endPosition() {
    const ZRPos end = projectEnd();
    std::lock_guard endLock(m_endPositionMutex);
    ZRPos& mine = m_endPositions[std::this_thread::get_id()];
    mine = end;
    return &mine;
}

// After a mark change that lengthened `object`, the next object on each of its tracks that now
// starts at or before its new end is pushed later, with everything after it, to start on the
// frame after that end.
void ZRTimeline::shiftFollowers(ZRTrackItem* object, const ZRPos& newEnd) {
    for (bool video : {true, false}) {
        const int index = object->trackIndex(video);
        ZRTrackList* list = index >= 0 ? m_tracks.list(index + 1, video) : nullptr;
        if (!list) continue;
        IZRObject* next = nullptr;
        {
            std::lock_guard trackLock(*list);
            const int at = list->find(object);
            if (at >= 0) next = static_cast<IZRObject*>(list->at(unsigned(at) + 1));
        }
        if (next && *next->startPos() <= &newEnd) {
            // The follower starts on the frame after the new end (the end frame is inclusive).
            ZRPos amount = frameAfter(&newEnd);
            amount.subtract(next->startPos());
            shiftTrackObjects(index + 1, video, next, &amount, true);
        }
    }
}

bool ZRTimeline::setObjectMarkIn(IZRObject* object, IZRPos* markIn) {
    if (!object || !markIn) return false;
    // The marks and the length are read by the audio mix, which holds the render mutex, not
    // the timeline's: a trim holds both, in the engine's order.
    std::lock_guard renderLock(renderMutex());
    EditScope edit(*this);
    ZRTrackItem* target = item(object);
    const ZRPos oldStart = copyOf(object->startPos()), oldEnd = copyOf(object->endPos());
    const int video = target->trackIndex(true), audio = target->trackIndex(false);
    const int track = video >= 0 ? video + 1 : (audio >= 0 ? audio + 1 : 0);
    IZRPos* in = object->markIn();
    if (*markIn > in) {
        if (*object->markOut() < markIn) return false;
        ZRPos d = copyOf(markIn);
        d.subtract(in);
        object->startPos()->add(&d);
        in->assign(markIn);
        object->duration()->subtract(&d);
    } else if (*markIn < in) {
        ZRPos d = copyOf(in);
        d.subtract(markIn);
        in->assign(markIn);
        object->duration()->add(&d);
        object->endPos()->add(&d);
        if (autoInsertEditing()) shiftFollowers(target, copyOf(object->endPos()));
    } else {
        return true;
    }
    noteChangedRange(oldStart, oldEnd);
    const ZRPos start = copyOf(object->startPos());
    removeObject(object);
    ZRPos at = start;
    return track ? insertObject(track, &at, object) : true;
}

bool ZRTimeline::setObjectMarkOut(IZRObject* object, IZRPos* markOut) {
    if (!object || !markOut) return false;
    // The marks and the length are read by the audio mix, which holds the render mutex, not
    // the timeline's: a trim holds both, in the engine's order.
    std::lock_guard renderLock(renderMutex());
    EditScope edit(*this);
    ZRTrackItem* target = item(object);
    // A mark-out before the mark-in, or a used length beyond the source, is refused.
    if (*markOut < object->markIn()) return false;
    ZRPos length = copyOf(markOut);
    length.subtract(object->markIn());
    if (length > object->sourceLength()) return false;
    const ZRPos oldStart = copyOf(object->startPos()), oldEnd = copyOf(object->endPos());
    const int video = target->trackIndex(true), audio = target->trackIndex(false);
    const int track = video >= 0 ? video + 1 : (audio >= 0 ? audio + 1 : 0);
    object->duration()->assign(&length);
    placeEnd(object);
    object->markOut()->assign(markOut);
    if (autoInsertEditing()) shiftFollowers(target, copyOf(object->endPos()));
    noteChangedRange(oldStart, oldEnd);
    const ZRPos start = copyOf(object->startPos());
    removeObject(object);
    ZRPos at = start;
    return track ? insertObject(track, &at, object) : true;
}

// The lines are gathered under the locks and handed to the host after they are released.
void ZRTimeline::dumpTrack(int track, bool video) {
    if (!m_host.has(&IZRCallbacks::debug)) return;
    std::vector<QByteArray> lines;
    {
        std::lock_guard lock(m_tracks.mutex());
        ZRTrackList* list = m_tracks.list(track, video);
        if (!list) return;
        std::lock_guard trackLock(*list);
        lines.push_back(QByteArray(video ? "Video Track " : "Audio Track ") +
                        QByteArray::number(track) + ":\n");
        for (unsigned i = 0; i < list->count(); ++i) {
            auto* object = static_cast<IZRObject*>(list->at(i));
            lines.push_back(QByteArray(" Object: ") + object->name() +
                            " \t\t Start: " + object->startPos()->toText() +
                            ", End: " + object->endPos()->toText() + "\n");
            auto* own = dynamic_cast<ZRObject*>(object);
            if (!own) continue;
            if (ZRGuardedEffectList* effects = own->effects()) {
                std::lock_guard effectsLock(*effects);
                for (ZREffect* effect = effects->first(); effect; effect = effects->next())
                    lines.push_back(QByteArray("  Effect: ") + effect->name() +
                                    " \t\t Start: " + effect->startPos()->toText() +
                                    ", End: " + effect->endPos()->toText() + "\n");
            }
            if (video) continue;
            const ZRPosKeyMap& keys = own->volumeKeys();
            for (int32_t k = 0; k < keys.count(); ++k) {
                const ZRPosKeyMap::Key* key = keys.at(k);
                char line[96];
                std::snprintf(line, sizeof line, "    Audio Volume Key of %f at %s\n", key->level,
                              key->text.c_str());
                lines.push_back(line);
            }
        }
    }
    for (const QByteArray& line : lines)
        m_host.debug(line.constData());
}
