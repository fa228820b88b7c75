#include "tests/views/StoryboardFixture.h"

#include "classes/widgets/ZRPushButton.h"
#include "classes/widgets/ZRScrollBar.h"
#include "editor/ZREngineEvents.h"
#include "engine/api/IZRObject.h"

#include <QTimer>

using namespace viewstest;

namespace {

class ZRStoryboardLayoutTest : public StoryboardTest {};

TEST_F(ZRStoryboardLayoutTest, EmptyProjectDoesNotScroll) {
    EXPECT_EQ(board->contentRect(), QRect(QPoint(167, 49), QPoint(779, 123)));
    EXPECT_EQ(board->scrollBar()->minimum(), 0);
    EXPECT_EQ(board->scrollBar()->maximum(), 0);
    EXPECT_EQ(board->scrollX(), 0);
    EXPECT_EQ(board->visibleFirst(), 0);
    EXPECT_EQ(board->visibleLast(), 7);
    EXPECT_TRUE(board->cellRect(0).isNull());
    EXPECT_EQ(board->cellAt(cellPoint(0)), -1);
}

TEST_F(ZRStoryboardLayoutTest, RangeFollowsTheClipsAndScrollsByWholeCells) {
    addClips(5);
    EXPECT_EQ(board->scrollBar()->maximum(), 0); // 6 would fit
    EXPECT_EQ(board->cellRect(4), QRect(167 + 320, 49, 68, 51));
    EXPECT_TRUE(board->cellRect(5).isNull());
    EXPECT_TRUE(board->cellRect(-1).isNull());
    addClips(8);
    EXPECT_EQ(board->scrollBar()->maximum(), 12);
    EXPECT_EQ(board->scrollBar()->pageStep(), 5);

    board->scrollBar()->setValue(2);
    EXPECT_EQ(board->scrollX(), 160);
    EXPECT_EQ(board->visibleFirst(), 2);
    EXPECT_EQ(board->visibleLast(), 9);
    EXPECT_EQ(board->cellRect(2).left(), 167);
    EXPECT_EQ(board->cellAt(cellPoint(0)), 2);
    EXPECT_EQ(board->cellAt(cellPoint(0) - QPoint(80, 0)), -1); // left of the row
}

TEST_F(ZRStoryboardLayoutTest, NarrowRowsKeepAPageStepOfOne) {
    for (int width : {260 + 27, 260}) { // rows of 100 and 73 pixels
        SCOPED_TRACE(width);
        board->resize(width, 189);
        addClips(1);
        EXPECT_EQ(board->contentRect().width(), width - 187);
        EXPECT_EQ(board->scrollBar()->pageStep(), 1);
        EXPECT_EQ(board->scrollBar()->maximum(), editor->objectCount() - 1);
    }
}

TEST_F(ZRStoryboardLayoutTest, CursorSignalsOnlyWhenItMoves) {
    addClips(3);
    QSignalSpy objects(board, &ZRStoryboard::objectChanged);
    QSignalSpy fractions(board, qOverload<double, QWidget*>(&ZRStoryboard::positionChanged));
    QSignalSpy positions(board, qOverload<IZRPos*, QWidget*>(&ZRStoryboard::positionChanged));
    board->setCursorPosition(1, 0.5);
    EXPECT_EQ(objects.count(), 1);
    EXPECT_EQ(fractions.count(), 1);
    EXPECT_EQ(positions.count(), 1);
    EXPECT_EQ(hub.current, editor->objectAt(1));
    EXPECT_EQ(board->cursorRect().left(), 167 + 80 - board->geometryRecord().hotSpot() + 33);

    board->setCursorPosition(1, 0.5); // its own place
    EXPECT_EQ(objects.count(), 1);
    EXPECT_EQ(fractions.count(), 1);
    board->setCursorPosition(1, 0.25); // same clip: no objectChanged
    EXPECT_EQ(objects.count(), 1);
    EXPECT_EQ(fractions.count(), 2);
    board->setCursorPosition(3, 0.0); // no such clip
    board->setCursorPosition(-1, 0.0);
    EXPECT_EQ(board->currentCell(), 1);
    EXPECT_EQ(fractions.count(), 2);

    // Echoes of its own signals are ignored; other senders move the cursor silently.
    board->gotoPosition(0.75, board);
    EXPECT_DOUBLE_EQ(board->currentFraction(), 0.25);
    QWidget other;
    board->gotoPosition(0.75, &other);
    EXPECT_DOUBLE_EQ(board->currentFraction(), 0.75);
    EXPECT_EQ(fractions.count(), 2);
}

TEST_F(ZRStoryboardLayoutTest, CursorScrollsItsCellIntoView) {
    addClips(20);
    board->setCursorPosition(12, 0.0);
    EXPECT_LE(board->visibleFirst(), 12);
    EXPECT_GE(board->visibleLast(), 12);
    EXPECT_TRUE(board->contentRect().contains(board->cellRect(12)));
    board->setCursorPosition(1, 0.0);
    EXPECT_EQ(board->visibleFirst(), 1);
}

TEST_F(ZRStoryboardLayoutTest, MoveCursorToFindsTheClip) {
    addClips(3);
    board->moveCursorTo(pos(50 + 10)); // clip 1 starts at 50
    EXPECT_EQ(board->currentCell(), 1);
    EXPECT_GT(board->currentFraction(), 0.0);
    board->moveCursorTo(nullptr);
    EXPECT_EQ(board->currentCell(), 1);
}

TEST_F(ZRStoryboardLayoutTest, FollowingTheCurrentObjectNeverLeavesTheCursorOnAVanishedCell) {
    addClips(3);
    board->setCursorPosition(2, 0.0);
    hub.current = nullptr;
    editor->removeClipAt(2, true);
    editor->removeClipAt(1, true);
    board->updateLayout();
    board->followCurrentObject();
    EXPECT_EQ(board->currentCell(), 0);
}

TEST_F(ZRStoryboardLayoutTest, SelectionGoesThroughTheClipRecords) {
    addClips(5);
    board->selectCell(1, true);
    board->selectCells(4, 3, true);
    EXPECT_EQ(selected(), (std::vector<int>{1, 3, 4}));
    board->deselectCells(3, 3, true);
    board->deselectCell(1, true);
    EXPECT_EQ(selected(), (std::vector<int>{4}));
    board->invertCellSelection(true);
    EXPECT_EQ(selected(), (std::vector<int>{0, 1, 2, 3}));
    board->selectAllCells(true);
    EXPECT_EQ(selected().size(), 5u);
    board->deselectAll(true);
    EXPECT_TRUE(selected().empty());
    board->selectCell(9, true); // out of range: nothing
    EXPECT_TRUE(selected().empty());
}

TEST_F(ZRStoryboardLayoutTest, StatusTextIsSentOncePerChange) {
    QSignalSpy spy(board, &ZRStoryboard::status_message);
    board->setStatusText("a", 0);
    board->setStatusText("a", 0);
    board->setStatusText("", 0);
    board->setStatusText("", 0);
    EXPECT_EQ(spy.count(), 2);
}

TEST_F(ZRStoryboardLayoutTest, ToolsAndSlots) {
    board->toolSelected(2);
    EXPECT_EQ(board->editMode(), ZRStoryboard::SplitMode);
    board->toolSelected(5);
    EXPECT_EQ(board->editMode(), ZRStoryboard::SplitMode);
    board->toolSelected(1);
    EXPECT_EQ(board->editMode(), ZRStoryboard::ZoomMode);
    board->toolSelected(0);
    EXPECT_EQ(board->editMode(), ZRStoryboard::SelectMode);
    for (int i : {1, 2, 4})
        EXPECT_FALSE(board->toolButton(i)->isEnabled());
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(board->toolButton(i)->focusPolicy(), Qt::NoFocus);

    QSignalSpy shots(board, &ZRStoryboard::snapshot);
    board->slotSnapshot(); // empty project
    EXPECT_EQ(shots.count(), 0);
    addClips(1);
    board->slotSnapshot();
    EXPECT_EQ(shots.count(), 1);
}

// Render bar refresh: frame notices fold into one single-shot timer, only for visible cells.
TEST_F(ZRStoryboardLayoutTest, FrameNoticesStartOneRefreshForVisibleCells) {
    addClips(20);
    ZRFrameRenderedEvent offScreen(ZRFramePosition{50 * 15 + 5, kRate});
    QCoreApplication::sendEvent(board, &offScreen);
    EXPECT_FALSE(board->refreshTimer()->isActive());
    ZRFrameRenderedEvent visible(ZRFramePosition{5, kRate});
    QCoreApplication::sendEvent(board, &visible);
    EXPECT_TRUE(board->refreshTimer()->isActive());
    board->refreshTimer()->stop();
    board->hide();
    QCoreApplication::sendEvent(board, &visible);
    EXPECT_FALSE(board->refreshTimer()->isActive());
}

} // namespace
