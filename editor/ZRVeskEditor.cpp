// The editor object's life, its shared steps and its look-ups and selection, which read the chain
// and flags only.
#include "editor/ZRVeskEditor.h"

#include "editor/ZRChainLinks.h"
#include "editor/ZREngineKeys.h"
#include "editor/ZRScopedPos.h"
#include "engine/api/IZRTimeline.h"

#include <cmath>
#include <cstdlib>
#include <mutex>

using namespace chainlinks;

namespace {

constexpr const char* kPauseKey = enginekeys::kPauseBackgroundRendering;

} // namespace

ZRVeskEditor::ZRVeskEditor() : QObject(nullptr) {}

ZRVeskEditor::~ZRVeskEditor() {
    if (!m_timeline) return;
    Q_EMIT allObjectsToBeDeleted();
    m_timeline->clear();
    factory()->destroyPos(m_endPosition);
}

void ZRVeskEditor::setTimeline(IZRTimeline* timeline) {
    if (timeline == m_timeline) return;
    if (m_timeline) factory()->destroyPos(m_endPosition);
    m_timeline = timeline;
    m_endPosition = timeline ? factory()->createPos() : nullptr;
    m_firstClip = m_lastClip = nullptr;
    forgetCursor();
}

// --- Shared steps -------------------------------------------------------------------------------

ZRVeskEditor::EditScope::EditScope(ZRVeskEditor& editor, bool quiet)
    : m_editor(editor), m_quiet(quiet) {
    if (m_editor.m_timeline) m_editor.m_timeline->settings()->setIntSetting(kPauseKey, 1);
    ++m_editor.m_editDepth;
}

ZRVeskEditor::EditScope::~EditScope() {
    if (m_editor.m_timeline) m_editor.m_timeline->settings()->setIntSetting(kPauseKey, 0);
    if (--m_editor.m_editDepth == 0 && !m_quiet) Q_EMIT m_editor.projectChanged();
}

IZRObjectFactory* ZRVeskEditor::factory() const {
    return m_timeline->factory();
}

void ZRVeskEditor::forgetCursor() {
    m_cursorClip = nullptr;
    m_cursorIndex = -1;
}

void ZRVeskEditor::forgetCursor(IZRObject* clip) {
    if (clip && m_cursorClip == clip) forgetCursor();
}

void ZRVeskEditor::place(IZRObject* object, int track, IZRPos* start) {
    // The start may be one of the object's own positions, which leaving the track resets.
    ZRScopedPos at(factory(), start);
    m_timeline->removeObject(object);
    m_timeline->insertObject(track, at, object);
}

void ZRVeskEditor::destroyObject(IZRObject* object) {
    if (!object) return;
    m_timeline->removeObject(object);
    Q_EMIT objectToBeDeleted(object);
    factory()->destroyObject(object);
}

void ZRVeskEditor::takeEngineEnd() {
    m_endPosition->assign(m_timeline->endPosition());
}

std::vector<IZRObject*> ZRVeskEditor::trackObjects(int track, bool video) {
    std::vector<IZRObject*> objects;
    ZRGuardedList* list = m_timeline->track(track, video);
    if (!list) return objects;
    std::lock_guard listLock(*list);
    const unsigned count = list->count();
    objects.reserve(count);
    for (unsigned i = 0; i < count; ++i)
        objects.push_back(static_cast<IZRObject*>(list->at(i)));
    return objects;
}

bool ZRVeskEditor::chainEnd(IZRPos* out) {
    if (!m_lastClip) return false;
    out->assign(m_lastClip->endPos());
    return true;
}

// --- Look-ups -----------------------------------------------------------------------------------

IZRObject* ZRVeskEditor::audioTrackObject(int n, int) {
    if (!m_timeline || n < 0 || n > 1) return nullptr;
    const std::vector<IZRObject*> objects = trackObjects(kFreeAudioTrack + n, false);
    return objects.empty() ? nullptr : objects.front();
}

IZRObject* ZRVeskEditor::firstObject() {
    return m_timeline ? m_firstClip : nullptr;
}

IZRObject* ZRVeskEditor::lastObject() {
    return m_timeline ? m_lastClip : nullptr;
}

IZRObject* ZRVeskEditor::clipAtPosition(IZRPos* pos) {
    if (!m_timeline || !pos || pos->toFrames() >= m_endPosition->toFrames()) return nullptr;
    for (IZRObject* clip = m_firstClip; clip; clip = next(clip)) {
        if (clip->endPos()->toFrames() >= pos->toFrames()) return clip;
    }
    return nullptr;
}

IZRObject* ZRVeskEditor::objectAt(int index) {
    const int count = objectCount();
    if (index < 0 || index >= count) return nullptr;
    if (m_cursorIndex == index && m_cursorClip) return m_cursorClip;
    // Walk from the nearest known place: the head, the cached clip or the tail.
    IZRObject* from = m_firstClip;
    int distance = index;
    bool forward = true;
    if (count - 1 - index < distance) {
        from = m_lastClip;
        distance = count - 1 - index;
        forward = false;
    }
    if (m_cursorClip && std::abs(index - m_cursorIndex) < distance) {
        from = m_cursorClip;
        forward = index > m_cursorIndex;
    }
    auto walk = [index](IZRObject* clip, bool ahead) -> IZRObject* {
        for (; clip; clip = ahead ? next(clip) : previous(clip)) {
            if (ZRVideoUserData* record = chainlinks::clip(clip); record && record->number == index)
                return clip;
        }
        return nullptr;
    };
    IZRObject* found = walk(from, forward);
    // The numbering always follows the chain; a full walk is the answer of last resort.
    if (!found && from != m_firstClip) found = walk(m_firstClip, true);
    if (found) {
        m_cursorClip = found;
        m_cursorIndex = index;
    }
    return found;
}

int ZRVeskEditor::indexOf(IZRObject* object) {
    if (!m_timeline || !object) return -1;
    int index = 0;
    for (IZRObject* clip = m_firstClip; clip; clip = next(clip), ++index) {
        if (clip == object) return index;
    }
    return -1;
}

IZRObject* ZRVeskEditor::titleAt(IZRPos* pos) {
    return m_timeline ? m_timeline->objectAt(kTitleTrack, pos, true) : nullptr;
}

IZRObject* ZRVeskEditor::transitionAt(IZRPos* pos) {
    return m_timeline ? m_timeline->objectAt(kTransitionTrack, pos, true) : nullptr;
}

IZRObject* ZRVeskEditor::transitionOf(int index) {
    ZRVideoUserData* record = clip(objectAt(index));
    return record ? record->linkedObject : nullptr;
}

bool ZRVeskEditor::locatePosition(IZRPos* pos, int* index, double* fraction) {
    if (index) *index = -1;
    if (fraction) *fraction = 0.0;
    IZRObject* found = clipAtPosition(pos);
    if (!found) return false;
    const double at = pos->toFrames();
    const double start = found->startPos()->toFrames();
    IZRObject* before = previous(found);
    ZRVideoUserData* beforeRecord = clip(before);
    double offset, span;
    if (beforeRecord && beforeRecord->linkedObject && beforeRecord->linkedPosition) {
        const double covered = start + beforeRecord->linkedPosition->toFrames();
        offset = at - covered;
        span = found->endPos()->toFrames() - covered;
    } else {
        offset = at - start;
        span = found->duration()->toFrames() - 1.0;
    }
    // A one-frame clip, or one that the incoming transition wholly covers, has no span.
    if (fraction) *fraction = span > 0.0 ? offset / span : 0.0;
    if (index) *index = clip(found)->number;
    return true;
}

int ZRVeskEditor::objectCount() {
    if (!m_timeline) return 0;
    int count = 0;
    for (int track : {kClipTrackA, kClipTrackB}) {
        ZRGuardedList* list = m_timeline->track(track, true);
        if (!list) continue;
        std::lock_guard listLock(*list);
        count += int(list->count());
    }
    return count;
}

bool ZRVeskEditor::isEmpty() {
    return firstObject() == nullptr;
}

IZRPos* ZRVeskEditor::endPosition() {
    return m_endPosition;
}

IZRObject* ZRVeskEditor::nextClipWithTransition(IZRObject* from) {
    if (!m_timeline) return nullptr;
    for (IZRObject* object = from; object; object = next(object)) {
        ZRVideoUserData* record = clip(object);
        if (!record) return nullptr;
        if (record->linkedObject) return object;
    }
    return nullptr;
}

void ZRVeskEditor::setLargeThumbSize(const QSize& size) {
    m_largeThumbSize = size;
}

void ZRVeskEditor::setSmallThumbSize(const QSize& size) {
    m_smallThumbSize = size;
}

void seekToObjectStart(IZRObject* clip, double fraction, IZRPos* out) {
    if (!clip || !out) return;
    out->assign(clip->duration());
    out->decrement();
    const double ms = clip->startPos()->toMilliseconds() + fraction * out->toMilliseconds() + 0.5;
    out->setMilliseconds(ms > 0.0 ? unsigned(ms) : 0u);
}

// --- Selection ----------------------------------------------------------------------------------

void ZRVeskEditor::select(int index) {
    if (ZRVideoUserData* record = clip(objectAt(index))) record->setSelected(true);
}

void ZRVeskEditor::deselect(int index) {
    if (ZRVideoUserData* record = clip(objectAt(index))) record->setSelected(false);
}

bool ZRVeskEditor::isSelected(int index) {
    ZRVideoUserData* record = clip(objectAt(index));
    return record && record->isSelected();
}

void ZRVeskEditor::markRange(int from, int to, bool on) {
    if (from < 0 || to >= objectCount()) return;
    int counter = 0;
    for (IZRObject* object = m_firstClip; object && counter <= to;
         object = next(object), ++counter) {
        if (counter >= from) clip(object)->setSelected(on);
    }
}

void ZRVeskEditor::selectRange(int from, int to) {
    markRange(from, to, true);
}

void ZRVeskEditor::deselectRange(int from, int to) {
    markRange(from, to, false);
}

void ZRVeskEditor::selectAll() {
    if (isEmpty()) return;
    for (IZRObject* object = m_lastClip; object; object = previous(object))
        clip(object)->setSelected(true);
}

void ZRVeskEditor::invertSelection() {
    if (isEmpty()) return;
    for (IZRObject* object = m_firstClip; object; object = next(object)) {
        ZRVideoUserData* record = clip(object);
        record->setSelected(!record->isSelected());
    }
}

int ZRVeskEditor::selectedCount() {
    if (!m_timeline) return 0;
    int count = 0;
    for (IZRObject* object = m_firstClip; object; object = next(object))
        count += clip(object)->isSelected() ? 1 : 0;
    return count;
}

void ZRVeskEditor::clearSelection() {
    if (!m_timeline) return;
    for (IZRObject* object = m_firstClip; object; object = next(object)) {
        ZRVideoUserData* record = clip(object);
        record->videoFlags &= uint8_t(~ZRVideoUserData::EffectSelected);
        record->setSelected(false);
        record->dictionary.clear();
    }
}

void ZRVeskEditor::clearTrackSelection(int track, bool video) {
    for (IZRObject* object : trackObjects(track, video)) {
        if (ZRUserData* record = ZRUserData::of(object)) record->setSelected(false);
    }
}

void ZRVeskEditor::setTrackSelection(int track, bool video) {
    for (IZRObject* object : trackObjects(track, video)) {
        if (ZRUserData* record = ZRUserData::of(object)) record->setSelected(true);
    }
}

void ZRVeskEditor::clearTransitionSelection() {
    if (m_timeline) clearTrackSelection(kTransitionTrack, true);
}

void ZRVeskEditor::clearTitleSelection() {
    if (m_timeline) clearTrackSelection(kTitleTrack, true);
}

void ZRVeskEditor::clearAudioSelection() {
    if (!m_timeline) return;
    clearTrackSelection(kFreeAudioTrack, false);
    clearTrackSelection(kFreeAudioTrack + 1, false);
}

void ZRVeskEditor::clearAllSelections() {
    clearSelection();
    clearTransitionSelection();
    clearTitleSelection();
    clearAudioSelection();
}

void ZRVeskEditor::selectEverything() {
    if (isEmpty()) return;
    for (IZRObject* object = m_lastClip; object; object = previous(object)) {
        ZRVideoUserData* record = clip(object);
        record->setSelected(true);
        if (record->effect) record->videoFlags |= ZRVideoUserData::EffectSelected;
        if (ZRUserData* link = ZRUserData::of(record->linkedObject)) link->setSelected(true);
    }
    setTrackSelection(kTitleTrack, true);
    setTrackSelection(kFreeAudioTrack, false);
    setTrackSelection(kFreeAudioTrack + 1, false);
}
