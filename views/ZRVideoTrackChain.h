#pragma once

#include "views/ZRTimelinePlacement.h"

#include <cstdint>
#include <vector>

class IZRObject;
class IZRPos;
class QImage;
class QPoint;
class QRegion;
class ZRTimelineTrack;
class ZRTimelineView;
class ZRVeskEditor;

/// A chain track's trim and drop feedback: a drop shows while `dropObject` is set with a valid
/// placement (`moving`: the object leaves its old place), a trim while `trimObject` is.
struct ZRChainFeedback {
    IZRObject* dropObject = nullptr;
    const IZRPos* dropStart = nullptr;
    const IZRPos* dropEnd = nullptr;
    bool dropValid = false;
    bool moving = false;
    IZRObject* trimObject = nullptr;
    const IZRPos* trimStart = nullptr;
    const IZRPos* trimEnd = nullptr;
};

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

    /// What placing `clips` (in chain order) takes with a track's feedback.
    static ZRPlacementInput placementInput(const std::vector<IZRObject*>& clips,
                                           const ZRChainFeedback& feedback);
    /// Paints the chain's clips on `track` where the placement with the track's feedback puts
    /// them; while a drop shows, `insertIndex` gets the chain index it pushes from (-1: none).
    static void paint(ZRTimelineTrack& track, ZRVeskEditor* editor, const ZRChainFeedback& feedback,
                      const QRegion& region, QImage* target, const QPoint& offset,
                      int* insertIndex);
    /// Commits a trim of a chained clip through the editor and tells the view which clip
    /// changed.
    static void finishTrim(ZRVeskEditor* editor, ZRTimelineView* view, IZRObject* clip,
                           IZRPos* start, IZRPos* end);

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
