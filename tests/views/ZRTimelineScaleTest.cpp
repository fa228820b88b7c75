#include "views/ZRTimelineScale.h"
#include "views/ZRTimelinePlacement.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

TEST(ZRTimelineScaleTest, TableAt25fps) {
    struct Row {
        int level;
        double framesPerUnit;
        int pixelsPerFrame;
    };
    const Row rows[] = {{0, 1, 75}, {1, 5, 15},  {2, 25, 3},
                        {3, 50, 0}, {4, 125, 0}, {13, 90000, 0}};
    ZRTimelineScale scale;
    ASSERT_TRUE(scale.setFramerate(25.0));
    for (const Row& r : rows) {
        ASSERT_TRUE(scale.setZoomLevel(r.level));
        EXPECT_EQ(scale.pixelsPerUnit(), 75) << r.level;
        EXPECT_DOUBLE_EQ(scale.framesPerUnit(), r.framesPerUnit) << r.level;
        EXPECT_EQ(scale.pixelsPerFrame(), r.pixelsPerFrame) << r.level;
    }
    EXPECT_FALSE(scale.setZoomLevel(14));
    EXPECT_FALSE(scale.setZoomLevel(-1));
    EXPECT_EQ(scale.zoomLevel(), 13);
}

TEST(ZRTimelineScaleTest, UnusableRatesKeepTheLastScale) {
    ZRTimelineScale scale;
    EXPECT_EQ(scale.pixelsPerUnit(), 75); // 25 fps before any rate
    for (double rate : {0.0, -25.0, 0.1, std::nan(""), std::numeric_limits<double>::infinity()}) {
        EXPECT_FALSE(scale.setFramerate(rate)) << rate;
        EXPECT_EQ(scale.pixelsPerUnit(), 75);
        EXPECT_EQ(scale.framesAt(750), 1250);
        EXPECT_EQ(scale.xOfFrames(1250), 750);
    }
    ASSERT_TRUE(scale.setFramerate(29.97));
    EXPECT_EQ(scale.pixelsPerUnit(), 90);
}

TEST(ZRTimelineScaleTest, RulerLabelsAt2997NameTheirTicksFrames) {
    ZRTimelineScale scale;
    ASSERT_TRUE(scale.setFramerate(29.97));
    for (int level = 1; level < ZRTimelineScale::kLevels; ++level) {
        ASSERT_TRUE(scale.setZoomLevel(level));
        const int ticks = int(600.0 / scale.stepSeconds());
        for (int i = 0; i <= ticks; ++i) {
            const double tickFrames = i * scale.stepSeconds() * 29.97;
            EXPECT_LE(std::fabs(double(scale.labelFrame(i)) - tickFrames), 0.5)
                << "level " << level << " tick " << i;
        }
    }
}

TEST(ZRTimelineScaleTest, FarPositionsStay64Bit) {
    ZRTimelineScale scale;
    ASSERT_TRUE(scale.setZoomLevel(0));
    const double hour10000 = 10000.0 * 3600 * 25;
    EXPECT_EQ(scale.xOfFrames(hour10000), int64_t(hour10000) * 75);
    EXPECT_EQ(scale.framesAt(scale.xOfFrames(hour10000)), int64_t(hour10000));
}

namespace {

ZRPlacementInput threeObjects() {
    ZRPlacementInput in;
    in.objects = {{0, 10, 0}, {10, 10, 1}, {20, 1, 2}};
    return in;
}

} // namespace

TEST(ZRTimelinePlacementTest, TrimAndGapPreviews) {
    ZRPlacementInput in = threeObjects();
    in.trimIndex = 1;
    in.trimStart = 12;
    in.trimEnd = 15;
    ZRPlacementResult r = placeTrackObjects(in);
    ASSERT_EQ(r.items.size(), 3u);
    EXPECT_EQ(r.items[1].start, 12);
    EXPECT_EQ(r.items[1].length, 4);

    // A moved object is drawn only at its drop place; the others keep theirs.
    in = threeObjects();
    in.dropActive = true;
    in.dropIndex = 0;
    in.moving = true;
    in.dropStart = 30;
    in.dropEnd = 39;
    r = placeTrackObjects(in);
    ASSERT_EQ(r.items.size(), 3u);
    EXPECT_EQ(r.items[0].object, 1);
    EXPECT_EQ(r.items[1].object, 2);
    EXPECT_EQ(r.items.back().object, -1);
    EXPECT_EQ(r.items.back().start, 30);

    // An empty track shows only the preview.
    ZRPlacementInput empty;
    empty.dropActive = true;
    empty.dropStart = 5;
    empty.dropEnd = 9;
    r = placeTrackObjects(empty);
    ASSERT_EQ(r.items.size(), 1u);
    EXPECT_EQ(r.items[0].length, 5);
}

TEST(ZRTimelinePlacementTest, RipplePushesFromTheFirstMiddleAtOrAfterTheDrop) {
    ZRPlacementInput in = threeObjects();
    in.dropActive = true;
    in.ripple = true;
    in.dropStart = 20; // exactly at the one-frame object: half is 0, so it is pushed
    in.dropEnd = 24;
    ZRPlacementResult r = placeTrackObjects(in);
    EXPECT_EQ(r.insertIndex, 2);
    ASSERT_EQ(r.items.size(), 4u);
    EXPECT_EQ(r.items[1].start, 10);
    EXPECT_EQ(r.items[2].start, 25);

    // Moving the first object closes its old place before the later ones are pushed.
    in = threeObjects();
    in.dropActive = true;
    in.ripple = true;
    in.moving = true;
    in.dropIndex = 0;
    in.dropStart = 5;
    in.dropEnd = 14;
    r = placeTrackObjects(in);
    EXPECT_EQ(r.insertIndex, 1);
    ASSERT_EQ(r.items.size(), 3u);
    EXPECT_EQ(r.items[0].object, 1);
    EXPECT_EQ(r.items[0].start, 10); // 10 - 10 + 10
    EXPECT_EQ(r.items.back().object, -1);
}
