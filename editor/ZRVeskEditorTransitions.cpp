// The transition that follows a clip and the clip's one video effect: attaching, replacing,
// sizing and removing them.
#include "editor/ZRChainLinks.h"
#include "editor/ZRScopedPos.h"
#include "editor/ZRVeskEditor.h"
#include "engine/api/IZRSettings.h"
#include "engine/api/IZRTimeline.h"
#include "engine/api/ZREffect.h"

#include <cmath>

using namespace chainlinks;

bool ZRVeskEditor::setTransition(int index, IZRObject* object) {
    if (!m_timeline || !object || index < 0 || index >= objectCount() - 1) return false;
    IZRObject* owner = objectAt(index);
    ZRVideoUserData* record = clip(owner);
    if (!record) return false;
    if (record->linkedObject == object) return true;
    // A transition that leads out of another clip stays where it is.
    if (ZRTransitionUserData* link = transition(object);
        link && isChained(link->owner) && clip(link->owner)->linkedObject == object)
        return false;

    EditScope edit(*this);
    ZRTransitionUserData* link = transition(object);
    if (!link) {
        link = new ZRTransitionUserData();
        replaceRecord(factory(), object, link);
    }
    link->setSelected(false);
    link->number = record->number;
    link->owner = owner;

    if (!record->linkedObject) {
        record->linkedObject = object;
        if (!record->linkedPosition) record->linkedPosition = factory()->createPos();
        record->linkedPosition->setMilliseconds(unsigned(std::floor(m_defaultTransitionMs + 0.5)));
        relayoutFrom(owner);
    } else {
        // The new transition takes the old one's place and length.
        if (auto* settings = dynamic_cast<IZRSettings*>(object))
            settings->setIntSetting("Transition Direction",
                                    owner->trackNumber(true) == kClipTrackB ? 1 : 0);
        IZRObject* old = record->linkedObject;
        ZRScopedPos start(factory(), old->startPos());
        if (!record->linkedPosition) {
            record->linkedPosition = factory()->createPos();
            record->linkedPosition->assign(old->duration());
        }
        record->linkedObject = object;
        destroyObject(old);
        placeTransition(object, start, record->linkedPosition);
    }

    ZRScopedPos end(factory(), m_timeline->endPosition());
    if (m_lastClip && earlier(m_lastClip->endPos(), end)) {
        trimTracksToEnd();
        end->assign(m_timeline->endPosition());
    }
    m_endPosition->assign(end);
    return true;
}

void ZRVeskEditor::removeTransitionAt(int index) {
    removeTransition(objectAt(index), true);
}

void ZRVeskEditor::setTransitionLength(IZRObject* object, IZRPos* start, IZRPos* end) {
    if (!m_timeline || !start || !end || earlier(end, start)) return;
    ZRTransitionUserData* link = transition(object);
    if (!link) return;
    // A loaded transition that no clip claimed has no owner to size.
    IZRObject* owner = link->owner;
    if (!isChained(owner) || clip(owner)->linkedObject != object) return;
    ZRVideoUserData* record = clip(owner);
    EditScope edit(*this);
    if (!record->linkedPosition) record->linkedPosition = factory()->createPos();
    record->linkedPosition->assign(end);
    record->linkedPosition->subtract(start);
    record->linkedPosition->increment();
    relayoutFrom(owner);
    keepTracksWithinChain();
}

bool ZRVeskEditor::setEffect(int index, ZREffect* effect) {
    IZRObject* owner = objectAt(index);
    ZRVideoUserData* record = clip(owner);
    if (!record || !effect) return false;
    if (record->effect == effect) return true;
    EditScope edit(*this);
    if (!record->effect) {
        if (earlier(owner->duration(), effect->duration())) effect->setMarkOut(owner->duration());
    } else {
        owner->removeEffect(record->effect);
        factory()->destroyEffect(record->effect);
    }
    record->effect = effect;
    owner->addEffect(effect);
    return true;
}

void ZRVeskEditor::removeEffect(int index) {
    IZRObject* owner = objectAt(index);
    ZRVideoUserData* record = clip(owner);
    if (!record) return;
    EditScope edit(*this);
    if (record->effect) {
        owner->removeEffect(record->effect);
        factory()->destroyEffect(record->effect);
        record->effect = nullptr;
    }
    record->videoFlags &= uint8_t(~ZRVideoUserData::EffectSelected);
}
