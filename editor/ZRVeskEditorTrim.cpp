// Changing clips in place: cutting a clip or a free audio object in two, trimming a chained clip's
// ends and setting its marks. A chained clip keeps its start while its marks change; the chain
// after it is re-placed.
#include "editor/ZRChainLinks.h"
#include "editor/ZRScopedPos.h"
#include "editor/ZRVeskEditor.h"
#include "engine/api/IZRSettings.h"
#include "engine/api/IZRTimeline.h"
#include "engine/api/ZREffect.h"

using namespace chainlinks;

namespace {

// The clip's effect lasts as long as the clip.
void fitEffect(IZRObject* object) {
    ZRVideoUserData* record = clip(object);
    if (record && record->effect) record->effect->setMarkOut(object->duration());
}

} // namespace

bool ZRVeskEditor::remark(IZRObject* object, IZRPos* markIn, IZRPos* markOut) {
    ZRScopedPos oldIn(factory(), object->markIn()), oldOut(factory(), object->markOut());
    ZRScopedPos in(factory(), markIn ? markIn : oldIn.get());
    ZRScopedPos out(factory(), markOut ? markOut : oldOut.get());
    ZRScopedPos shortest(factory(), in);
    shortest->increment();
    if (in->toFrames() < 0 || earlier(out, shortest)) return false;

    const int track = object->trackNumber(object->hasVideo());
    ZRScopedPos start(factory(), object->startPos());
    // Off its track while the marks change: on a track a later mark-in would move its start and
    // a longer clip would push its followers.
    m_timeline->removeObject(object);
    auto apply = [this, object](IZRPos* newIn, IZRPos* newOut) {
        if (earlier(object->markOut(), newIn))
            return m_timeline->setObjectMarkOut(object, newOut) &&
                   m_timeline->setObjectMarkIn(object, newIn);
        return m_timeline->setObjectMarkIn(object, newIn) &&
               m_timeline->setObjectMarkOut(object, newOut);
    };
    const bool done = apply(in, out);
    if (!done) apply(oldIn, oldOut);
    m_timeline->insertObject(track, start, object);
    return done;
}

void ZRVeskEditor::settleTrim(IZRObject* object) {
    // From the clip before: the transition into the clip must still fit it.
    IZRObject* before = previous(object);
    relayoutFrom(before ? before : object);
    keepTracksWithinChain();
    updateThumbnail(object);
}

void ZRVeskEditor::keepTracksWithinChain() {
    takeEngineEnd();
    if (!m_lastClip) return;
    ZRScopedPos length(factory(), m_lastClip->endPos());
    length->increment();
    if (earlier(length, m_endPosition)) trimTracksToEnd();
}

void ZRVeskEditor::trimClip(IZRObject* object, IZRPos* newStart, IZRPos* newEnd) {
    if (!m_timeline || !newStart || !newEnd || !isChained(object)) return;
    EditScope edit(*this);
    ZRScopedPos in(factory(), object->markIn()), out(factory(), object->markOut());
    ZRScopedPos scratch(factory());
    moveMark(in, object->startPos(), newStart, scratch);
    moveMark(out, object->endPos(), newEnd, scratch);
    if (!remark(object, in, out)) return;
    fitEffect(object);
    settleTrim(object);
}

void ZRVeskEditor::setClipMarkIn(IZRObject* object, IZRPos* markIn) {
    if (!m_timeline || !markIn || !isChained(object)) return;
    EditScope edit(*this);
    if (!remark(object, markIn, nullptr)) return;
    settleTrim(object);
}

void ZRVeskEditor::setClipMarkOut(IZRObject* object, IZRPos* markOut) {
    if (!m_timeline || !markOut || !isChained(object)) return;
    EditScope edit(*this);
    if (!remark(object, nullptr, markOut)) return;
    fitEffect(object);
    settleTrim(object);
}

IZRObject* ZRVeskEditor::splitObject(IZRObject* object, IZRPos* at) {
    if (!m_timeline || !object || !at) return nullptr;
    ZRUserData* record = ZRUserData::of(object);
    const bool isClip = record && record->kind == ZRUserData::Video && isChained(object);
    const bool isAudio =
        record && record->kind == ZRUserData::Audio && object->trackNumber(false) > 0;
    if (!isClip && !isAudio) return nullptr;
    if (!earlier(object->startPos(), at) || earlier(object->endPos(), at)) return nullptr;

    EditScope edit(*this);
    forgetCursor();
    // Copies first: `at` may be one of the object's own positions.
    ZRScopedPos split(factory(), at), start(factory(), object->startPos());
    ZRScopedPos offset(factory(), at);
    offset->subtract(start);
    ZRScopedPos mark(factory(), object->markIn());
    mark->add(offset);
    IZRObject* copy = duplicateObject(object);
    if (!copy) return nullptr;

    if (isAudio) {
        const int track = object->trackNumber(false);
        if (auto* settings = dynamic_cast<IZRSettings*>(copy))
            settings->setIntSetting("Enable Video", 0);
        m_timeline->removeObject(object);
        m_timeline->setObjectMarkIn(object, mark);
        ZRScopedPos later(factory(), start);
        later->add(offset);
        m_timeline->insertObject(track, later, object);
        ZRScopedPos copyOut(factory(), copy->markIn());
        copyOut->add(offset);
        m_timeline->setObjectMarkOut(copy, copyOut);
        m_timeline->insertObject(track, start, copy);
        takeEngineEnd();
        return copy;
    }

    ZRVideoUserData* second = clip(object);
    ZRVideoUserData* first = clip(copy);
    const int track = object->trackNumber(true);
    second->videoFlags &= uint8_t(~ZRVideoUserData::EffectSelected);
    IZRObject* before = second->previous;
    bool removedBefore = false;
    if (ZRVideoUserData* beforeRecord = clip(before)) {
        // A transition into the clip that reaches the cut cannot lead into the shorter first part.
        if (beforeRecord->linkedObject && !earlier(beforeRecord->linkedObject->endPos(), split)) {
            removeTransition(before, false);
            removedBefore = true;
        }
        beforeRecord->next = copy;
        first->previous = before;
        first->number = beforeRecord->number + 1;
    } else {
        m_firstClip = copy;
        first->previous = nullptr;
        first->number = 0;
    }
    first->next = object;
    second->previous = copy;
    second->number = first->number + 1;
    // The clip's own transition cannot start inside what becomes the first part.
    if (!removedBefore && second->linkedObject && !earlier(split, second->linkedObject->startPos()))
        removeTransition(object, false);

    m_timeline->removeObject(object);
    m_timeline->setObjectMarkIn(object, mark);
    m_timeline->setObjectMarkOut(copy, mark);
    m_timeline->insertObject(track, start, copy);
    if (second->effect && first->effect) {
        fitEffect(object);
        fitEffect(copy);
    }
    // From the clip before: without its transition the first part starts after its end.
    relayoutFrom(before ? before : copy);
    takeEngineEnd();
    updateThumbnails(copy, object);
    return copy;
}
