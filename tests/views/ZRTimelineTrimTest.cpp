// The pure rules of the track base: hit zones, the trim step and the gap a drag chooses.
#include "views/ZRTimelineTrim.h"
#include "views/ZRTimelinePlacement.h"
#include "views/ZRTimelineScale.h"

#include <gtest/gtest.h>

namespace {

/// Three pixels a frame: the fine zoom, where an end is the last pixel of its frame.
ZRTimelineScale fineScale() {
    ZRTimelineScale s;
    s.setZoomLevel(2);
    return s;
}

} // namespace

TEST(ZRTimelineTrim, ZonesNeedAnObjectOf32Pixels) {
    struct Case {
        int64_t width, x;
        int part;
    };
    // Objects starting at 100; the end pixel is 100 + width - 1.
    const Case cases[] = {
        {31, 100, 2}, {31, 130, 2}, {32, 100, 0}, {32, 115, 0}, {32, 116, 1},
        {32, 131, 1}, {60, 116, 2}, {60, 143, 2}, {60, 144, 1}, {60, 159, 1},
    };
    for (const Case& c : cases) {
        const ZRObjectEdges e{100, c.width, 100 + c.width - 1};
        EXPECT_EQ(hitPart(c.x, e, 32, 16, 16), c.part) << c.width << " at " << c.x;
    }
}

TEST(ZRTimelineTrim, EdgesEndOnTheLastPixelOfTheEndFrameAtFineZoom) {
    const ZRTimelineScale fine = fineScale();
    const ZRObjectEdges e = objectEdges(fine, 10, 5, 14);
    EXPECT_EQ(e.startX, 30);
    EXPECT_EQ(e.widthX, 15);
    EXPECT_EQ(e.endX, 44);
    const ZRTimelineScale coarse; // 5 s a unit: an end is its own pixel
    EXPECT_EQ(objectEdges(coarse, 0, 125, 124).endX, coarse.xOfFrames(124));
}

TEST(ZRTimelineTrim, TrimStepStopsAtNeighboursSourceAndMarks) {
    struct Case {
        const char* what;
        int edge;
        double start, end, markIn, markOut, source, minPos, maxPos;
        int64_t dx;
        double trimStart, trimEnd, newIn, newOut;
    };
    const Case cases[] = {
        {"end past the next object", 1, 0, 99, 0, 100, 100000, 0, 149, 900, 0, 149, 0, 150},
        {"end shortened", 1, 0, 99, 0, 100, 100000, 0, 149, -30, 0, 89, 0, 90},
        {"end shortened to nothing keeps a frame", 1, 0, 99, 0, 100, 100000, 0, 149, -900, 0, 0, 0,
         1},
        {"a clip grows to its source's end", 1, 0, 29, 0, 30, 50, 0, 49, 900, 0, 49, 0, 50},
        {"end past the source", 1, 0, 29, 0, 30, 40, 0, 49, 900, 0, 39, 0, 40},
        {"start before its mark-in stops at 0", 0, 100, 199, 10, 110, 100000, 0, 400, -150, 90, 199,
         0, 110},
        {"start lengthened within its mark-in", 0, 100, 199, 10, 110, 100000, 0, 400, -15, 95, 199,
         5, 110},
        {"start after the previous object", 0, 100, 199, 80, 180, 100000, 60, 400, -300, 60, 199,
         40, 180},
        {"start shortened", 0, 100, 199, 10, 110, 100000, 0, 400, 30, 110, 199, 20, 110},
        {"start past the end keeps the last frame", 0, 100, 199, 10, 110, 100000, 0, 400, 297, 199,
         199, 109, 110},
    };
    const ZRTimelineScale s = fineScale();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ZRTrimInput in;
        in.edge = c.edge;
        in.start = c.start;
        in.end = c.end;
        in.duration = c.end - c.start + 1;
        in.markIn = c.markIn;
        in.markOut = c.markOut;
        in.sourceLength = c.source;
        in.trimStart = c.start;
        in.trimEnd = c.end;
        in.minPos = c.minPos;
        in.maxPos = c.maxPos;
        in.dx = c.dx;
        const ZRTrimOutput out = trimStep(in, s);
        EXPECT_EQ(out.trimStart, c.trimStart);
        EXPECT_EQ(out.trimEnd, c.trimEnd);
        EXPECT_EQ(out.markIn, c.newIn);
        EXPECT_EQ(out.markOut, c.newOut);
        EXPECT_EQ(out.moved, c.dx != 0);
    }
}

TEST(ZRTimelineTrim, TransitionKeepsItsLongestLengthAndOneFrame) {
    struct Case {
        const char* what;
        int edge;
        double maxLength;
        int64_t dx;
        double trimStart, trimEnd;
    };
    // A transition at 100..124 (25 frames), room from 50 to 300.
    const Case cases[] = {
        {"end within the longest length", 1, 60, 30, 100, 134},
        {"end past the longest length", 1, 40, 300, 100, 139},
        {"start past the longest length", 0, 40, -300, 85, 124},
        {"no room keeps one frame (end)", 1, 0, 300, 100, 100},
        {"no room keeps one frame (start)", 0, -5, -300, 124, 124},
    };
    const ZRTimelineScale s = fineScale();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ZRTrimInput in;
        in.edge = c.edge;
        in.start = in.trimStart = 100;
        in.end = in.trimEnd = 124;
        in.duration = 25;
        in.markIn = 0;
        in.markOut = 25;
        in.sourceLength = 45000;
        in.minPos = 50;
        in.maxPos = 300;
        in.maxLength = c.maxLength;
        in.dx = c.dx;
        const ZRTrimOutput out = transitionTrimStep(in, s);
        EXPECT_EQ(out.trimStart, c.trimStart);
        EXPECT_EQ(out.trimEnd, c.trimEnd);
        EXPECT_LE(out.trimStart, out.trimEnd);
    }
}

TEST(ZRTimelinePlacement, GapChosenByTheHalfOfTheObjectUnderThePointer) {
    const std::vector<ZRPlacementObject> objects = {{100, 100, -1}, {300, 100, -1}};
    struct Case {
        const char* what;
        double pointer, length;
        int skip;
        bool valid;
        double start, end;
    };
    const Case cases[] = {
        {"first half: the gap before", 120, 50, -1, true, 50, 99},
        {"second half: the gap after", 170, 50, -1, true, 200, 249},
        {"longer than the gap is cut", 250, 150, -1, true, 200, 299},
        {"centred on the pointer", 600, 50, -1, true, 575, 624},
        {"near the gap's end", 290, 50, -1, true, 250, 299},
        {"the moved object leaves its place", 150, 50, 0, true, 125, 174},
        {"an object without length takes a frame", 600, 0, -1, true, 600, 600},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const ZRDropSpot spot = placeInGap(objects, c.skip, c.pointer, 999, c.length);
        EXPECT_EQ(spot.valid, c.valid);
        EXPECT_EQ(spot.start, c.start);
        EXPECT_EQ(spot.end, c.end);
    }
    const std::vector<ZRPlacementObject> packed = {{0, 100, -1}, {100, 100, -1}};
    EXPECT_FALSE(placeInGap(packed, -1, 50, 199, 20).valid) << "no gap before the first";
    EXPECT_FALSE(placeInGap({}, -1, 10, -1, 20).valid) << "an edit without length";
}

TEST(ZRTimelinePlacement, RipplePreviewPushesFromTheFirstMiddleAtOrAfterTheDrop) {
    ZRPlacementInput in;
    in.objects = {{0, 100, 0}, {100, 100, 1}, {200, 1, 2}};
    in.ripple = true;
    in.dropActive = true;
    struct Case {
        double dropStart;
        int insertIndex;
        double secondStart;
    };
    // A 50-frame drop: objects from the push on move 50 frames right.
    const Case cases[] = {{40, 0, 150}, {60, 1, 150}, {150, 1, 150}, {151, 2, 100}, {200, 2, 100}};
    for (const Case& c : cases) {
        in.dropStart = c.dropStart;
        in.dropEnd = c.dropStart + 49;
        const ZRPlacementResult r = placeTrackObjects(in);
        EXPECT_EQ(r.insertIndex, c.insertIndex) << c.dropStart;
        ASSERT_EQ(r.items.size(), 4u);
        EXPECT_EQ(r.items[1].start, c.secondStart) << c.dropStart;
    }
}

TEST(ZRTimelinePlacement, TransitionsFollowTheRipplePreviewWithinTheEdit) {
    ZRPlacementInput in;
    in.objects = {{100, 25, -1}, {300, 25, -1}, {480, 25, -1}};
    in.dropActive = true;
    in.dropStart = 50;
    in.dropEnd = 79;
    struct Case {
        double editEnd;
        std::vector<ZRPlacement> items;
    };
    const Case cases[] = {
        {500, {{-1, 50, 30}, {0, 130, 25}, {1, 330, 25}}}, // the last would start past the end
        {350, {{-1, 50, 30}, {0, 130, 25}, {1, 330, 20}}}, // cut a frame before the end
    };
    for (const Case& c : cases) {
        const ZRPlacementResult r = placeTransitions(in, 30, c.editEnd);
        ASSERT_EQ(r.items.size(), c.items.size()) << c.editEnd;
        for (size_t i = 0; i < r.items.size(); ++i) {
            EXPECT_EQ(r.items[i].object, c.items[i].object) << c.editEnd << " item " << i;
            EXPECT_EQ(r.items[i].start, c.items[i].start) << c.editEnd << " item " << i;
            EXPECT_EQ(r.items[i].length, c.items[i].length) << c.editEnd << " item " << i;
        }
    }
    // Before the preview's place nothing moves; a preview past every transition comes last.
    in.dropStart = 600;
    in.dropEnd = 629;
    const ZRPlacementResult r = placeTransitions(in, 30, 1000);
    ASSERT_EQ(r.items.size(), 4u);
    EXPECT_EQ(r.items[2].start, 480);
    EXPECT_EQ(r.items[3].object, -1);
}
