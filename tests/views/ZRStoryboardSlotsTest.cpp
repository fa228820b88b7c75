#include "tests/views/StoryboardFixture.h"

#include "classes/widgets/ZRPushButton.h"
#include "engine/api/IZRObject.h"
#include "engine/api/IZRTimeline.h"
#include "engine/api/ZRGuardedList.h"
#include "views/ZRTimecodeOverlay.h"

#include <atomic>
#include <thread>
#include <vector>

using namespace viewstest;

namespace {

class ZRStoryboardSlotsTest : public StoryboardTest {
protected:
    bool onTrack5(IZRObject* object) {
        ZRGuardedList* track = timeline->track(5, true);
        track->lock();
        const bool found = track->find(object) >= 0;
        track->unlock();
        return found;
    }
};

TEST_F(ZRStoryboardSlotsTest, DeletingTheCurrentClipMovesToTheNextSurvivor) {
    addClips(5);
    std::vector<IZRObject*> clips;
    for (int i = 0; i < 5; ++i)
        clips.push_back(editor->objectAt(i));
    board->setCursorPosition(2, 0.5);
    QSignalSpy deleted(board, &ZRStoryboard::objectDeleted);
    QSignalSpy changed(board, &ZRStoryboard::contentsChanged);
    board->selectCells(2, 3, false);
    board->slotRemoveSelection();
    EXPECT_EQ(deleted.count(), 1);
    EXPECT_EQ(changed.count(), 1);
    ASSERT_EQ(editor->objectCount(), 3);
    // The survivor after the deleted clips: the cursor is at its start.
    EXPECT_EQ(board->currentCell(), 2);
    EXPECT_EQ(hub.current, clips[4]);
    EXPECT_DOUBLE_EQ(board->currentFraction(), 0.0);
}

TEST_F(ZRStoryboardSlotsTest, DeletingTheTailMovesToTheEndOfThePreviousClip) {
    addClips(4);
    IZRObject* survivor = editor->objectAt(1);
    board->setCursorPosition(2, 0.0);
    board->selectCells(2, 3, false);
    board->toolButton(5)->click(); // the Delete button
    ASSERT_EQ(editor->objectCount(), 2);
    EXPECT_EQ(hub.current, survivor);
    EXPECT_EQ(board->currentCell(), 1);
    EXPECT_GT(board->currentFraction(), 0.9);
}

TEST_F(ZRStoryboardSlotsTest, DeletingEverythingEmptiesTheProject) {
    addClips(3);
    board->setCursorPosition(0, 0.0);
    QSignalSpy all(board, &ZRStoryboard::allItemsDeleted);
    QTest::keyClick(board, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(board, Qt::Key_Delete);
    EXPECT_EQ(editor->objectCount(), 0);
    EXPECT_EQ(all.count(), 1);
    EXPECT_TRUE(board->projectEmpty());
    EXPECT_EQ(board->currentCell(), -1);
}

TEST_F(ZRStoryboardSlotsTest, TimecodeOverlayNeedsClipsAndLastsTheMovie) {
    board->setTimecodeVisible(true);
    EXPECT_EQ(board->timecodeObject(), nullptr);
    addClips(2);
    board->setTimecodeVisible(true);
    IZRObject* overlay = board->timecodeObject();
    ASSERT_NE(overlay, nullptr);
    EXPECT_TRUE(onTrack5(overlay));
    EXPECT_STREQ(overlay->name(), "Timecode");
    board->setTimecodeVisible(true); // already on: no second one
    EXPECT_EQ(board->timecodeObject(), overlay);

    addClips(1);
    board->updateTimecode(pos(0), editor->endPosition());
    EXPECT_EQ(int(overlay->markOut()->toFrames()), int(editor->endPosition()->toFrames()));

    board->toggleTimecode();
    EXPECT_EQ(board->timecodeObject(), nullptr);
    EXPECT_EQ(timeline->track(5, true)->count(), 0u);
}

TEST_F(ZRStoryboardSlotsTest, NewProjectWithTheOverlayOnThenAToggle) {
    addClips(1);
    board->setTimecodeVisible(true);
    ASSERT_NE(board->timecodeObject(), nullptr);
    // A new project destroys every object, the overlay with it, behind the storyboard's back.
    editor->newProject();
    board->slotNewProject();
    addClips(1);
    board->toggleTimecode(); // the old overlay is forgotten, not destroyed again: a new one
    ASSERT_NE(board->timecodeObject(), nullptr);
    EXPECT_TRUE(onTrack5(board->timecodeObject()));
    EXPECT_EQ(timeline->track(5, true)->count(), 1u);
    board->toggleTimecode();
    EXPECT_EQ(board->timecodeObject(), nullptr);
}

// The time code's text ends 5 % in from the frame's right and bottom edges, in a box 8 px
// larger; nothing outside the box is touched.
TEST(ZRTimecodeOverlayTest, TextSitsInTheBottomRightCorner) {
    testsupport::guiApplication();
    ZRTimecodeOverlay overlay;
    const int w = 720, h = 576;
    QImage frame(w, h, QImage::Format_ARGB32);
    frame.fill(0xFF123456);
    ZRTimecodeOverlay::drawInto(frame.bits(), w, h, int(frame.bytesPerLine()), "00:01:02.03");
    QRect touched;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (qAlpha(frame.pixel(x, y))) touched |= QRect(x, y, 1, 1);
    ASSERT_FALSE(touched.isEmpty());
    EXPECT_EQ(touched.bottomRight(), QPoint(683 + 8, 547 + 8));
    // The text itself ends at (683, 547): white pixels there and none beyond.
    int textRight = 0, textBottom = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (qRed(frame.pixel(x, y)) > 200 && qAlpha(frame.pixel(x, y)) > 200) {
                textRight = std::max(textRight, x);
                textBottom = std::max(textBottom, y);
            }
    EXPECT_LE(textRight, 683);
    EXPECT_LE(textBottom, 547);
    EXPECT_GE(textRight, 683 - 3);
}

TEST(ZRTimecodeOverlayTest, TinyFramesAreNotOverrun) {
    testsupport::guiApplication();
    ZRTimecodeOverlay overlay;
    std::vector<unsigned char> pixels(4 * 2 * 4, 0xAB);
    ZRTimecodeOverlay::drawInto(pixels.data(), 4, 2, 16, "00:00:00.00");
    ZRTimecodeOverlay::drawInto(pixels.data(), 4, 2, 8, "00:00:00.00"); // stride too small
    ZRTimecodeOverlay::drawInto(nullptr, 4, 2, 16, "x");
    ZRTimecodeOverlay::frame(nullptr, nullptr);
}

// Render threads keep asking for overlay frames while storyboards come and go.
TEST_F(ZRStoryboardSlotsTest, OverlayFramesFromTwoThreadsOutliveTheStoryboard) {
    std::atomic<bool> stop{false};
    std::vector<std::thread> threads;
    for (int t = 0; t < 2; ++t)
        threads.emplace_back([&stop] {
            std::vector<unsigned char> pixels(96 * 64 * 4);
            while (!stop.load())
                ZRTimecodeOverlay::drawInto(pixels.data(), 96, 64, 96 * 4, "00:00:01.02");
        });
    for (int i = 0; i < 3; ++i) {
        auto* other = new ZRStoryboard();
        QTest::qWait(5);
        delete other;
    }
    delete board;
    board = nullptr;
    QTest::qWait(5);
    stop = true;
    for (std::thread& t : threads)
        t.join();
}

} // namespace

namespace {

TEST_F(ZRStoryboardSlotsTest, DeletingClipsBeforeTheCurrentOneKeepsTheCursorOnIt) {
    addClips(4);
    IZRObject* current = editor->objectAt(3);
    board->setCursorPosition(3, 0.0);
    board->selectCells(0, 1, false);
    board->slotRemoveSelection();
    EXPECT_EQ(hub.current, current);
    EXPECT_EQ(board->currentCell(), 1);
}

} // namespace
