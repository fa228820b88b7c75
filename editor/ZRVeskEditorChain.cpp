// Placing clips in the chain and taking them out: the relayout every chain change ends with,
// insertion, unlinking, removal, moving and copying, and the removal of a clip's transition.
#include "editor/ZRChainLinks.h"
#include "editor/ZREditorData.h"
#include "editor/ZRScopedPos.h"
#include "editor/ZRVeskEditor.h"
#include "engine/api/IZRSettings.h"
#include "engine/api/IZRTimeline.h"
#include "engine/api/ZREffectList.h"

using namespace chainlinks;

namespace {

void setDirection(IZRObject* transition, int direction) {
    if (auto* settings = dynamic_cast<IZRSettings*>(transition))
        settings->setIntSetting("Transition Direction", direction);
}

// The copy's effect that sits where the source's effect sits in the source's list. Only `find`
// is asked of the source: its list's cursor is shared with whoever renders it.
ZREffect* matchingEffect(IZRObject* source, ZREffect* effect, IZRObject* copy) {
    ZREffectList* sourceEffects = source->effectList();
    ZREffectList* copyEffects = copy->effectList();
    if (!effect || !sourceEffects || !copyEffects) return nullptr;
    const int index = sourceEffects->find(effect);
    ZREffect* match = copyEffects->first();
    for (int i = 0; match && i < index; ++i)
        match = copyEffects->next();
    return index >= 0 ? match : nullptr;
}

ZRUserData* freshRecord(int32_t kind) {
    switch (kind) {
    case ZRUserData::Video:
        return new ZRVideoUserData();
    case ZRUserData::Audio:
        return new ZRAudioUserData();
    case ZRUserData::Transition:
        return new ZRTransitionUserData();
    case ZRUserData::Title:
        return new ZRTitleUserData();
    default:
        return nullptr;
    }
}

} // namespace

bool ZRVeskEditor::isChained(IZRObject* object) {
    ZRVideoUserData* record = clip(object);
    return record && (record->previous || m_firstClip == object);
}

void ZRVeskEditor::placeTransition(IZRObject* transition, IZRPos* start, IZRPos* length) {
    // Off its track while the length changes, so that the engine pushes nothing aside.
    ZRScopedPos at(factory(), start);
    m_timeline->removeObject(transition);
    m_timeline->setObjectMarkOut(transition, length);
    m_timeline->insertObject(kTransitionTrack, at, transition);
}

void ZRVeskEditor::dropTransition(IZRObject* object) {
    ZRVideoUserData* record = clip(object);
    if (!record || !record->linkedObject) return;
    IZRObject* transition = record->linkedObject;
    record->linkedObject = nullptr;
    destroyObject(transition);
    factory()->destroyPos(record->linkedPosition);
    record->linkedPosition = nullptr;
}

void ZRVeskEditor::relayoutFrom(IZRObject* from) {
    if (!m_timeline || !from || objectCount() == 0) return;
    ZRVideoUserData* record = clip(from);
    if (!record) return;
    EditScope edit(*this);
    ZRScopedPos start(factory()), length(factory()), available(factory());
    if (!record->previous) {
        place(from, kClipTrackA, start);
        record->number = 0;
    }
    IZRObject* current = from;
    for (IZRObject* following = record->next; following; following = next(current)) {
        ZRVideoUserData* currentRecord = clip(current);
        clip(following)->number = currentRecord->number + 1;
        const bool onA = current->trackNumber(true) == kClipTrackA;
        start->assign(current->endPos());
        start->increment();
        if (currentRecord->linkedObject) {
            if (currentRecord->linkedPosition)
                length->assign(currentRecord->linkedPosition);
            else
                length->setTotalFrames(0);
            // The part of the clip that the incoming transition leaves free.
            available->assign(current->duration());
            ZRVideoUserData* before = clip(currentRecord->previous);
            if (before && before->linkedObject && before->linkedPosition)
                available->subtract(before->linkedPosition);
            if (earlier(available, length)) length->assign(available);
            if (earlier(following->duration(), length)) length->assign(following->duration());
            if (length->toFrames() > 0) {
                start->subtract(length);
                placeTransition(currentRecord->linkedObject, start, length);
                if (!currentRecord->linkedPosition)
                    currentRecord->linkedPosition = factory()->createPos();
                currentRecord->linkedPosition->assign(length);
                if (ZRTransitionUserData* link = transition(currentRecord->linkedObject)) {
                    link->number = currentRecord->number;
                    link->owner = current;
                }
                setDirection(currentRecord->linkedObject, onA ? 0 : 1);
            } else {
                dropTransition(current);
            }
        }
        place(following, onA ? kClipTrackB : kClipTrackA, start);
        current = following;
    }
    dropTransition(current);
    if (m_cursorClip && clip(m_cursorClip)->number != m_cursorIndex) forgetCursor();
}

bool ZRVeskEditor::insertClip(IZRObject* object, int index) {
    if (!m_timeline || !object || isChained(object)) return false;
    EditScope edit(*this);
    const int count = objectCount();
    if (index < 0 || index > count) return false;
    forgetCursor();
    ZRVideoUserData* record = clip(object);
    if (!record) {
        // A chained clip carries a clip record; a record of another kind makes way for it.
        editordata::release(factory(), object->getUserValue());
        record = new ZRVideoUserData(-1, nullptr, nullptr);
        object->setUserValue(reinterpret_cast<intptr_t>(record));
    }
    ZRScopedPos start(factory());

    if (index == 0) {
        IZRObject* oldFirst = m_firstClip;
        if (ZRVideoUserData* firstRecord = clip(oldFirst)) {
            firstRecord->previous = object;
            firstRecord->number = 1;
        }
        place(object, kClipTrackA, start);
        record->previous = nullptr;
        record->next = oldFirst;
        record->number = 0;
        m_firstClip = object;
        if (!oldFirst) m_lastClip = object;
        m_cursorClip = object;
        m_cursorIndex = 0;
        relayoutFrom(object);
    } else if (index == count) {
        // Appended one frame after the last clip, which has no transition: however far the
        // titles or audio reach past the chain, no gap opens.
        IZRObject* last = m_lastClip;
        ZRVideoUserData* lastRecord = clip(last);
        start->assign(last->endPos());
        start->increment();
        place(object, last->trackNumber(true) == kClipTrackA ? kClipTrackB : kClipTrackA, start);
        takeEngineEnd();
        record->number = lastRecord->number + 1;
        record->previous = last;
        record->next = nullptr;
        lastRecord->next = object;
        m_lastClip = object;
        // The last clip takes no transition.
        dropTransition(object);
    } else {
        IZRObject* at = objectAt(index);
        forgetCursor();
        ZRVideoUserData* atRecord = clip(at);
        IZRObject* before = atRecord->previous;
        ZRVideoUserData* beforeRecord = clip(before);
        const int track = at->trackNumber(true);
        IZRPos* duration = object->duration();
        start->assign(before->endPos());
        start->increment();
        if (beforeRecord->linkedObject && beforeRecord->linkedPosition) {
            if (!earlier(duration, beforeRecord->linkedPosition)) {
                start->subtract(beforeRecord->linkedPosition);
            } else {
                // The incoming transition cannot be longer than the clip it leads into.
                start->subtract(duration);
                placeTransition(beforeRecord->linkedObject, start, duration);
                beforeRecord->linkedPosition->assign(duration);
            }
        }
        place(object, track, start);
        beforeRecord->next = object;
        record->number = atRecord->number;
        atRecord->number += 1;
        record->previous = before;
        record->next = at;
        atRecord->previous = object;
        relayoutFrom(object);
        takeEngineEnd();
    }

    ZRScopedPos end(factory(), m_lastClip->endPos());
    end->increment();
    if (earlier(end, m_endPosition)) trimTracksToEnd();
    updateThumbnail(object);
    m_endPosition->assign(end);
    return true;
}

IZRObject* ZRVeskEditor::relink(IZRObject* object) {
    ZRVideoUserData* record = clip(object);
    IZRObject* before = record->previous;
    IZRObject* after = record->next;
    int nextIndex = 0;
    if (ZRVideoUserData* beforeRecord = clip(before)) {
        beforeRecord->next = after;
        nextIndex = beforeRecord->number + 1;
    } else {
        m_firstClip = after;
    }
    if (ZRVideoUserData* afterRecord = clip(after)) {
        afterRecord->previous = before;
        afterRecord->number = nextIndex;
    } else {
        m_lastClip = before;
    }
    return before;
}

void ZRVeskEditor::takeOff(IZRObject* object, IZRObject* before, IZRObject* after) {
    m_timeline->removeObject(object);
    if (!before && after) {
        ZRScopedPos zero(factory());
        place(after, kClipTrackA, zero);
    }
}

void ZRVeskEditor::unlinkClip(IZRObject* object, bool trimTracks) {
    if (!m_timeline || !isChained(object)) return;
    EditScope edit(*this);
    forgetCursor();
    ZRVideoUserData* record = clip(object);
    IZRObject* before = record->previous;
    IZRObject* after = record->next;
    if (!before || !after || !record->linkedObject) {
        removeTransition(object, false);
    } else {
        // The transition now leads from the clip before into the clip after.
        ZRVideoUserData* beforeRecord = clip(before);
        if (beforeRecord->linkedObject) removeTransition(before, false);
        beforeRecord->linkedObject = record->linkedObject;
        beforeRecord->linkedPosition = record->linkedPosition;
        if (ZRTransitionUserData* link = transition(record->linkedObject)) link->owner = before;
        record->linkedObject = nullptr;
        record->linkedPosition = nullptr;
    }
    relink(object);
    takeOff(object, before, after);
    relayoutFrom(before ? before : after);
    record->previous = record->next = nullptr;
    if (trimTracks) trimTracksToEnd();
    takeEngineEnd();
    record->number = -1;
    record->setSelected(false);
}

void ZRVeskEditor::removeClip(IZRObject* object, bool relayout, bool trimTracks) {
    if (!m_timeline || !isChained(object)) return;
    EditScope edit(*this);
    removeTransition(object, false);
    forgetCursor();
    ZRVideoUserData* record = clip(object);
    IZRObject* after = record->next;
    IZRObject* before = relink(object);
    takeOff(object, before, after);
    if (relayout) relayoutFrom(before ? before : after);
    record->previous = record->next = nullptr;
    destroyObject(object);
    if (trimTracks) trimTracksToEnd();
    takeEngineEnd();
}

void ZRVeskEditor::removeClipAt(int index, bool relayout) {
    removeClip(objectAt(index), relayout, true);
}

IZRObject* ZRVeskEditor::takeClipAt(int index) {
    IZRObject* object = objectAt(index);
    unlinkClip(object, false);
    return object;
}

void ZRVeskEditor::removeTransition(IZRObject* object, bool relayout) {
    if (!m_timeline || !object) return;
    ZRVideoUserData* record = clip(object);
    if (!record || !record->linkedObject) return;
    EditScope edit(*this);
    dropTransition(object);
    if (relayout) {
        relayoutFrom(object);
        takeEngineEnd();
    }
}

void ZRVeskEditor::moveClip(IZRObject* object, int index) {
    if (!m_timeline || !isChained(object)) return;
    EditScope edit(*this);
    IZRObject* target = objectAt(index);
    // The edit's end without the clip: the insertion then cuts no title or audio.
    ZRScopedPos end(factory(), m_endPosition);
    end->subtract(object->duration());
    unlinkClip(object, false);
    ZRVideoUserData* targetRecord = clip(target);
    const int at = targetRecord && targetRecord->number >= 0 ? targetRecord->number : objectCount();
    m_endPosition->assign(end);
    insertClip(object, at);
}

void ZRVeskEditor::moveSelected(int index) {
    if (!m_timeline) return;
    const int count = objectCount();
    if (count <= 1) return;
    EditScope edit(*this);
    // A selected clip leaves the chain below: only an unselected one can mark the place.
    IZRObject* target = index < count ? objectAt(index) : nullptr;
    if (target && clip(target)->isSelected()) target = nullptr;
    const bool pastEnd = index >= count;
    std::vector<IZRObject*> taken;
    int lastTaken = -1;
    int k = 0;
    for (IZRObject* object = m_firstClip; object;) {
        if (!clip(object)->isSelected()) {
            if (!target && index <= k) target = object;
            ++k;
            object = next(object);
            continue;
        }
        unlinkClip(object, false);
        taken.push_back(object);
        lastTaken = k;
        object = objectAt(k);
    }
    if (taken.empty()) return;
    int at;
    if (taken.size() == 1) {
        if (!target)
            at = objectCount();
        else
            at = indexOf(target) + (index <= lastTaken ? 0 : 1);
    } else {
        at = !target || pastEnd ? objectCount() : indexOf(target);
    }
    for (IZRObject* object : taken)
        insertClip(object, at++);
}

void ZRVeskEditor::copySelected(int index) {
    if (!m_timeline) return;
    EditScope edit(*this);
    if (!objectAt(index)) index = objectCount();
    std::vector<IZRObject*> copies;
    for (IZRObject* object = m_firstClip; object; object = next(object)) {
        if (!clip(object)->isSelected()) continue;
        if (IZRObject* copy = duplicateObject(object)) copies.push_back(copy);
    }
    for (IZRObject* copy : copies)
        insertClip(copy, index++);
}

IZRObject* ZRVeskEditor::duplicateObject(IZRObject* object) {
    if (!m_timeline || !object) return nullptr;
    IZRObject* copy = factory()->duplicateObject(object);
    if (!copy) return nullptr;
    editordata::release(factory(), copy->getUserValue());
    copy->setUserValue(0);
    ZRUserData* source = ZRUserData::of(object);
    ZRUserData* record = source ? freshRecord(source->kind) : nullptr;
    if (record && record->kind == ZRUserData::Video)
        static_cast<ZRVideoUserData*>(record)->effect =
            matchingEffect(object, static_cast<ZRVideoUserData*>(source)->effect, copy);
    copy->setUserValue(reinterpret_cast<intptr_t>(record));
    return copy;
}
