#pragma once

#include "ZRTimelinePlacement.h"

#include <cstdint>
#include <vector>

class IZRObject;
class IZRPos;
class ZRVeskEditor;

/// The editor's chain of clips as the video track and the clip-audio track walk it: the clips in
/// order, a walking cursor, and the transitions that overlap each clip. The chain's links live
/// in the clips' records; the cursor is this object's own. GUI thread only.
class ZRClipChain {
public:
    /// Every chained clip in order; empty without an editor.
    static std::vector<IZRObject*> clips(ZRVeskEditor* editor);
    /// Frames of `clip` under the transition from the clip before it; 0 when there is none.
    static int64_t transitionBefore(IZRObject* clip);
    /// Frames of `clip` under its own transition into the next clip; 0 when there is none.
    static int64_t transitionAfter(IZRObject* clip);
    /// The clip whose part outside every transition holds `frame`; null over a transition, past
    /// the edit or without clips.
    static IZRObject* clipAtFrame(ZRVeskEditor* editor, int64_t frame);

    /// What placing `clips` (in chain order) takes with a track's drop and trim feedback: a drop
    /// shows while `dropObject` is set with a valid placement, a trim while `trimObject` is.
    static ZRPlacementInput placementInput(const std::vector<IZRObject*>& clips,
                                           IZRObject* dropObject, const IZRPos* dropStart,
                                           const IZRPos* dropEnd, bool dropValid, bool moving,
                                           IZRObject* trimObject, const IZRPos* trimStart,
                                           const IZRPos* trimEnd);

    /// The first and last clips; the cursor moves there.
    IZRObject* first(ZRVeskEditor* editor);
    IZRObject* last(ZRVeskEditor* editor);
    /// The clip after (before) the cursor; the cursor moves there, null at the end.
    IZRObject* next();
    IZRObject* previous();
    /// Forgets the cursor when it is `clip` (the clip is about to go).
    void forget(IZRObject* clip);

private:
    IZRObject* m_cursor = nullptr;
};
