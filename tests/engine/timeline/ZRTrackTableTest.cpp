#include "engine/timeline/ZRTrackTable.h"

#include "tests/engine/timeline/FakeObject.h"

#include <gtest/gtest.h>

#include <mutex>

TEST(ZRTrackTable, MakesListsOnlyForTracksOneToAHundred) {
    ZRTrackTable table;
    std::lock_guard lock(table.mutex());
    for (int track : {0, -1, ZRTrackTable::kTrackCount + 1}) {
        EXPECT_EQ(table.makeList(track, true), nullptr) << track;
        EXPECT_EQ(table.list(track, true), nullptr) << track;
    }
    EXPECT_EQ(table.list(1, true), nullptr) << "no list before it is made";
    ZRTrackList* first = table.makeList(1, true);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(table.makeList(1, true), first) << "made once";
    EXPECT_EQ(table.list(1, false), nullptr) << "video and audio tracks are apart";
    EXPECT_NE(table.settingsList(ZRTrackTable::kTrackCount), nullptr);
}

TEST(ZRTrackTable, FindsObjectsAndTheEndOnItsTracks) {
    ZRTrackTable table;
    FakeObject early("early", 10), late("late", 5, false, true);
    late.startPos()->setFrames(20);
    late.endPos()->setFrames(24);
    {
        std::lock_guard lock(table.mutex());
        table.makeList(2, true)->append(&early);
        table.makeList(3, false)->append(&late);
        table.raiseHighest(3);
    }
    EXPECT_EQ(table.highest(), 3);
    EXPECT_EQ(table.objectAt(2, 0, true), &early);
    EXPECT_EQ(table.objectAt(2, 10, true), &early) << "the end frame is inclusive";
    EXPECT_EQ(table.objectAt(2, 11, true), nullptr);
    EXPECT_EQ(table.objectAt(3, 22, false), &late);
    EXPECT_EQ(table.objectAt(3, 22, true), nullptr);
    EXPECT_EQ(table.end(25.0).toFrames(), 25.0) << "the frame after the last end";
    const ZRObjectPlacement placed = table.placementOf(&late);
    EXPECT_EQ(placed.start.toFrames(), 20.0);
    EXPECT_EQ(placed.end.toFrames(), 24.0);
    EXPECT_EQ(ZRTrackTable().end(25.0).toFrames(), 0.0) << "frame 0 when empty";
}
