#pragma once

#include <vector>

/// One object of a track as the placement sees it, in frames.
struct ZRPlacementObject {
    double start = 0.0;
    double duration = 0.0;
    /// The clip's index in the editor's chain; -1 for an object without a chain record.
    int chainIndex = -1;
};

/// A track's objects with the trim and drop previews that change where they are drawn.
struct ZRPlacementInput {
    std::vector<ZRPlacementObject> objects;
    /// A drop preview with a valid placement is shown.
    bool dropActive = false;
    /// Index of the dragged object among `objects`; -1 when it is not on this track.
    int dropIndex = -1;
    double dropStart = 0.0;
    double dropEnd = 0.0;
    /// Ripple mode: the drop pushes the later objects right.
    bool ripple = false;
    /// The dragged object is moved (not copied): its old place is not drawn.
    bool moving = false;
    /// Index of the trimmed object among `objects`; -1 when none.
    int trimIndex = -1;
    double trimStart = 0.0;
    double trimEnd = 0.0;
};

/// One thing to draw: an object (index into the input's objects, -1 for the dragged object at
/// its drop place) at a start frame with a length in frames.
struct ZRPlacement {
    int object = -1;
    double start = 0.0;
    double length = 0.0;
};

struct ZRPlacementResult {
    /// In drawing order.
    std::vector<ZRPlacement> items;
    /// Chain index of the first object a ripple drop pushes; -1 when none (append).
    int insertIndex = -1;
};

/// Where a track draws its objects while a trim or a drop is previewed, and where a ripple drop
/// inserts. The one rule painting and dropping share, so a drop lands where the last picture
/// showed it. Pure.
ZRPlacementResult placeTrackObjects(const ZRPlacementInput& input);

/// Where a dragged object would land, in frames; `valid` false when it finds no room.
struct ZRDropSpot {
    bool valid = false;
    double start = 0.0;
    double end = 0.0;
};

/// The gap a drag at frame `pointer` chooses among `objects` (in order; the one at `skip` is
/// left out, -1 for none), from frame 0 to `gapEnd`: pointing at the first half of an object
/// chooses the gap before it, at the second half the gap after it. An object `length` frames
/// long lies at the gap's start or end when the pointer is within half its length of that
/// edge, else centred on the pointer; it is cut to the gap. Pure.
ZRDropSpot placeInGap(const std::vector<ZRPlacementObject>& objects, int skip, double pointer,
                      double gapEnd, double length);
