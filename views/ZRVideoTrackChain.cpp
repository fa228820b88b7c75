#include "views/ZRVideoTrackChain.h"

#include "editor/ZRChainLinks.h"
#include "editor/ZRScopedPos.h"
#include "editor/ZRVeskEditor.h"
#include "engine/api/IZRTimeline.h"
#include "views/ZRTimelineTrack.h"
#include "views/ZRTimelineView.h"

#include <algorithm>
#include <cstdint>

namespace {

int64_t lengthOf(const ZRVideoUserData* record) {
    return record && record->linkedObject && record->linkedPosition
               ? int64_t(record->linkedPosition->toFrames())
               : 0;
}

} // namespace

std::vector<IZRObject*> ZRClipChain::clips(ZRVeskEditor* editor) {
    std::vector<IZRObject*> out;
    if (!editor) return out;
    for (IZRObject* clip = editor->firstObject(); clip; clip = chainlinks::next(clip))
        out.push_back(clip);
    return out;
}

int64_t ZRClipChain::transitionBefore(IZRObject* clip) {
    return lengthOf(chainlinks::clip(chainlinks::previous(clip)));
}

int64_t ZRClipChain::transitionAfter(IZRObject* clip) {
    return lengthOf(chainlinks::clip(clip));
}

IZRObject* ZRClipChain::clipAtFrame(ZRVeskEditor* editor, int64_t frame) {
    IZRTimeline* timeline = editor ? editor->timeline() : nullptr;
    if (!timeline || frame < 0 || editor->objectCount() == 0) return nullptr;
    ZRScopedPos at(timeline->factory(), editor->endPosition());
    at->assignFrames(int(std::min<int64_t>(frame, INT32_MAX)));
    IZRObject* clip = editor->clipAtPosition(at);
    if (!clip) return nullptr;
    const int64_t start = int64_t(clip->startPos()->toFrames());
    const int64_t end = int64_t(clip->endPos()->toFrames());
    // The frames under a transition belong to neither clip.
    if (frame < start + transitionBefore(clip) || frame > end - transitionAfter(clip))
        return nullptr;
    return clip;
}

ZRPlacementInput ZRClipChain::placementInput(const std::vector<IZRObject*>& clips,
                                             const ZRChainFeedback& f) {
    ZRPlacementInput in;
    in.objects.reserve(clips.size());
    for (int i = 0; i < int(clips.size()); ++i) {
        IZRObject* o = clips[size_t(i)];
        in.objects.push_back({o->startPos()->toFrames(), o->duration()->toFrames(), i});
        if (o == f.dropObject) in.dropIndex = i;
        if (o == f.trimObject) in.trimIndex = i;
    }
    in.dropActive = f.dropObject && f.dropValid && f.dropStart && f.dropEnd;
    if (in.dropActive) {
        in.dropStart = f.dropStart->toFrames();
        in.dropEnd = f.dropEnd->toFrames();
    }
    in.ripple = true;
    in.moving = f.moving;
    if (f.trimObject && f.trimStart && f.trimEnd) {
        in.trimStart = f.trimStart->toFrames();
        in.trimEnd = f.trimEnd->toFrames();
    } else {
        in.trimIndex = -1;
    }
    return in;
}

void ZRClipChain::paint(ZRTimelineTrack& track, ZRVeskEditor* editor,
                        const ZRChainFeedback& feedback, const QRegion& region, QImage* target,
                        const QPoint& offset, int* insertIndex) {
    // The chain lives in the clips' records, which only the GUI thread changes.
    const std::vector<IZRObject*> list = clips(editor);
    const ZRPlacementInput in = placementInput(list, feedback);
    const ZRPlacementResult placed = placeTrackObjects(in);
    if (in.dropActive && insertIndex) *insertIndex = placed.insertIndex;
    for (const ZRPlacement& item : placed.items) {
        IZRObject* o = item.object < 0 ? feedback.dropObject : list[size_t(item.object)];
        track.paintObject(region, target, offset, track.px(item.start), track.px(item.length), o);
    }
}

void ZRClipChain::finishTrim(ZRVeskEditor* editor, ZRTimelineView* view, IZRObject* clip,
                             IZRPos* start, IZRPos* end) {
    if (editor && clip && start && end) editor->trimClip(clip, start, end);
    if (!view) return;
    view->slotUpdateClip(clip);
    if (chainlinks::clip(clip)) Q_EMIT view->objectChanged(clip, view);
}

IZRObject* ZRClipChain::first(ZRVeskEditor* editor) {
    m_cursor = editor ? editor->firstObject() : nullptr;
    return m_cursor;
}

IZRObject* ZRClipChain::last(ZRVeskEditor* editor) {
    m_cursor = editor ? editor->lastObject() : nullptr;
    return m_cursor;
}

IZRObject* ZRClipChain::next() {
    m_cursor = chainlinks::next(m_cursor);
    return m_cursor;
}

IZRObject* ZRClipChain::previous() {
    m_cursor = chainlinks::previous(m_cursor);
    return m_cursor;
}

void ZRClipChain::forget(IZRObject* clip) {
    if (m_cursor == clip) m_cursor = nullptr;
}
