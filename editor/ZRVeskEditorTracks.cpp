// The objects off the chain (titles, free audio, the audio object of track 6), the deletion of
// whatever is selected and the clean-up that keeps the other tracks within the chain's end.
// Track lists are only read under their locks; every change happens after the lock is released
// (a thread composing a frame takes the timeline's lock before a list's).
#include "editor/ZRChainLinks.h"
#include "editor/ZRScopedPos.h"
#include "editor/ZRVeskEditor.h"
#include "engine/api/IZRSettings.h"
#include "engine/api/IZRTimeline.h"
#include "engine/api/ZREffect.h"

#include <array>
#include <utility>

using namespace chainlinks;

namespace {

// The tracks the chain's end limits: titles and the two free audio tracks.
constexpr std::array<std::pair<int, bool>, 3> kTracksWithinChain = {
    {{kTitleTrack, true}, {kFreeAudioTrack, false}, {kFreeAudioTrack + 1, false}}};

} // namespace

bool ZRVeskEditor::insertTrackObject(IZRPos* at, int track, bool video, IZRObject* object) {
    ZRScopedPos p(factory(), at);
    ZRScopedPos end(factory(), m_endPosition);
    if (m_timeline->track(track, video)) {
        // Dropped on an object: the new one takes its place, and it and those after it move on.
        IZRObject* there = m_timeline->objectAt(track, p, video);
        if (there && there != object) {
            p->assign(there->startPos());
            m_timeline->shiftTrackObjects(track, video, there, object->duration(), true);
        }
    } else {
        ZRScopedPos lastFrame(factory(), object->duration());
        lastFrame->decrement();
        if (!earlier(lastFrame, end) || !earlier(p, end)) return false;
    }
    place(object, track, p);
    if (!object->trackNumber(video)) return false;
    // Whatever now lies past the end of the edit is cut, or deleted when it starts after it.
    ZRScopedPos lastFrame(factory(), end);
    lastFrame->decrement();
    bool kept = true;
    for (IZRObject* other : trackObjects(track, video)) {
        if (other->endPos()->toFrames() <= lastFrame->toFrames()) continue;
        if (other == object && other->startPos()->toFrames() > lastFrame->toFrames()) kept = false;
        keepWithin(other, lastFrame);
    }
    return kept;
}

bool ZRVeskEditor::insertTitle(IZRPos* at, IZRObject* title) {
    if (!m_timeline || !at || !title || !m_firstClip) return false;
    EditScope edit(*this);
    return insertTrackObject(at, kTitleTrack, true, title);
}

void ZRVeskEditor::insertAudioObject(IZRPos* at, int track, IZRObject* object) {
    if (!m_timeline || !at || !object || !m_firstClip) return;
    EditScope edit(*this);
    if (auto* settings = dynamic_cast<IZRSettings*>(object))
        settings->setIntSetting("Enable Video", 0);
    (void)insertTrackObject(at, track, false, object);
}

void ZRVeskEditor::trimTrackObject(IZRObject* object, IZRPos* newStart, IZRPos* newEnd) {
    if (!m_timeline || !object || !newStart || !newEnd) return;
    EditScope edit(*this);
    const int track = object->trackNumber(object->hasVideo());
    ZRScopedPos start(factory(), newStart), scratch(factory());
    ZRScopedPos markIn(factory(), object->markIn()), markOut(factory(), object->markOut());
    moveMark(markIn, object->startPos(), newStart, scratch);
    moveMark(markOut, object->endPos(), newEnd, scratch);
    // Off its track while the marks change, so that the engine pushes no neighbour aside.
    m_timeline->removeObject(object);
    if (earlier(object->markOut(), markIn)) {
        m_timeline->setObjectMarkOut(object, markOut);
        m_timeline->setObjectMarkIn(object, markIn);
    } else {
        m_timeline->setObjectMarkIn(object, markIn);
        m_timeline->setObjectMarkOut(object, markOut);
    }
    if (track) m_timeline->insertObject(track, start, object);
}

void ZRVeskEditor::keepWithin(IZRObject* object, IZRPos* lastFrame) {
    if (object->startPos()->toFrames() > lastFrame->toFrames()) {
        destroyObject(object);
    } else if (object->endPos()->toFrames() > lastFrame->toFrames()) {
        ZRScopedPos start(factory(), object->startPos());
        trimTrackObject(object, start, lastFrame);
    }
}

void ZRVeskEditor::trimTracksToEnd() {
    if (!m_timeline) return;
    EditScope edit(*this);
    ZRScopedPos end(factory());
    chainEnd(end);
    for (auto [track, video] : kTracksWithinChain) {
        const std::vector<IZRObject*> objects = trackObjects(track, video);
        if (objects.empty() || objects.back()->endPos()->toFrames() <= end->toFrames()) continue;
        for (auto it = objects.rbegin(); it != objects.rend(); ++it)
            keepWithin(*it, end);
    }
    const std::vector<IZRObject*> endAudio = trackObjects(kEndAudioTrack, false);
    if (!endAudio.empty() && endAudio.front()->endPos()->toFrames() != end->toFrames()) {
        ZRScopedPos length(factory(), end);
        length->increment();
        m_timeline->setObjectMarkOut(endAudio.front(), length);
    }
    takeEngineEnd();
}

void ZRVeskEditor::deleteSelected(bool trimTracks) {
    if (!m_timeline) return;
    EditScope edit(*this);
    IZRObject* changed = nullptr;
    for (IZRObject* object = m_firstClip; object;) {
        IZRObject* following = next(object);
        ZRVideoUserData* record = clip(object);
        if (record->videoFlags & ZRVideoUserData::EffectSelected) {
            if (ZREffect* effect = record->effect) {
                record->effect = nullptr;
                object->removeEffect(effect);
                factory()->destroyEffect(effect);
            }
            record->videoFlags &= uint8_t(~ZRVideoUserData::EffectSelected);
        }
        ZRUserData* link = ZRUserData::of(record->linkedObject);
        if (link && link->isSelected()) {
            dropTransition(object);
            changed = object;
        }
        record->dictionary.clear();
        if (record->isSelected()) {
            // The clip to re-place from must outlive this loop.
            if (changed == object) changed = record->previous ? record->previous : record->next;
            removeClip(object, true, trimTracks);
        }
        object = following;
    }
    if (changed && isChained(changed)) relayoutFrom(changed);

    const bool empty = objectCount() == 0;
    ZRScopedPos end(factory());
    chainEnd(end);
    for (auto [track, video] : kTracksWithinChain) {
        for (IZRObject* object : trackObjects(track, video)) {
            ZRUserData* record = ZRUserData::of(object);
            if (empty || (record && record->isSelected()))
                destroyObject(object);
            else if (trimTracks)
                keepWithin(object, end);
        }
    }
    if (trimTracks) trimTracksToEnd();
    takeEngineEnd();
}

void ZRVeskEditor::deleteObject(IZRObject* object) {
    if (!m_timeline || !object) return;
    // A clip or a transition of the chain leaves it through the chain's own operations, so that
    // no link is left pointing at a destroyed object.
    if (isChained(object)) {
        removeClip(object, true, false);
        return;
    }
    if (ZRTransitionUserData* link = transition(object);
        link && isChained(link->owner) && clip(link->owner)->linkedObject == object) {
        removeTransition(link->owner, true);
        return;
    }
    EditScope edit(*this);
    destroyObject(object);
}

void ZRVeskEditor::deleteTrackObject(IZRObject* object) {
    deleteObject(object);
}

void ZRVeskEditor::detachObject(IZRObject* object) {
    if (!m_timeline || !object) return;
    EditScope edit(*this);
    m_timeline->removeObject(object);
}

void ZRVeskEditor::detachTransition(IZRObject* object) {
    if (!m_timeline || !object) return;
    EditScope edit(*this);
    ZRTransitionUserData* link = transition(object);
    IZRObject* owner = link ? link->owner : nullptr;
    if (ZRVideoUserData* ownerRecord = clip(owner);
        ownerRecord && ownerRecord->linkedObject == object) {
        ownerRecord->linkedObject = nullptr;
        factory()->destroyPos(ownerRecord->linkedPosition);
        ownerRecord->linkedPosition = nullptr;
    }
    if (link) {
        link->number = -1;
        link->setSelected(false);
        link->owner = nullptr;
    }
    relayoutFrom(owner);
    takeEngineEnd();
}

void ZRVeskEditor::refreshFrom(IZRObject* object) {
    if (!m_timeline || !object) return;
    {
        EditScope edit(*this);
        relayoutFrom(object);
    }
    updateThumbnail(object);
    takeEngineEnd();
}
