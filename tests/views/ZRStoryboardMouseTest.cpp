#include "tests/views/StoryboardFixture.h"

#include "engine/api/IZRObject.h"

#include <QMouseEvent>

#include <vector>

using namespace viewstest;

namespace {

class ZRStoryboardMouseTest : public StoryboardTest {
protected:
    void send(QEvent::Type type, QPoint p, Qt::MouseButtons buttons,
              Qt::KeyboardModifiers mods = Qt::NoModifier) {
        const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent e(type, p, board->mapToGlobal(p), button, buttons, mods);
        QCoreApplication::sendEvent(board, &e);
    }
    void press(QPoint p, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        send(QEvent::MouseButtonPress, p, Qt::LeftButton, mods);
    }
    void drag(QPoint p, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        send(QEvent::MouseMove, p, Qt::LeftButton, mods);
    }
    void release(QPoint p, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        send(QEvent::MouseButtonRelease, p, Qt::NoButton, mods);
    }
    void click(QPoint p, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        press(p, mods);
        release(p, mods);
    }

    std::vector<IZRObject*> order() {
        std::vector<IZRObject*> out;
        for (int i = 0; i < editor->objectCount(); ++i)
            out.push_back(editor->objectAt(i));
        return out;
    }

    /// A point in the band above the cells, over cell `i` at x offset `dx`.
    static QPoint bandPoint(int i, int dx) { return QPoint(167 + 80 * i + dx, 42); }
};

TEST_F(ZRStoryboardMouseTest, ClicksSelectWithCtrlAndShiftVariants) {
    addClips(6);
    click(cellPoint(2));
    EXPECT_EQ(selected(), (std::vector<int>{2}));
    EXPECT_EQ(board->currentCell(), 2);
    EXPECT_DOUBLE_EQ(board->currentFraction(), 0.0);
    click(cellPoint(2));
    EXPECT_EQ(selected(), (std::vector<int>{2}));

    click(cellPoint(4), Qt::ControlModifier);
    EXPECT_EQ(selected(), (std::vector<int>{2, 4}));
    click(cellPoint(2), Qt::ControlModifier);
    EXPECT_EQ(selected(), (std::vector<int>{4}));
    EXPECT_FALSE(board->isCopyMode());

    click(cellPoint(5), Qt::ShiftModifier); // from the anchor (2)
    EXPECT_EQ(selected(), (std::vector<int>{2, 3, 4, 5}));

    click(QPoint(120, 80)); // off the cells
    EXPECT_TRUE(selected().empty());
    EXPECT_EQ(board->anchorCell(), -1);
    click(cellPoint(3), Qt::ShiftModifier); // no anchor: from cell 0
    EXPECT_EQ(selected(), (std::vector<int>{0, 1, 2, 3}));
}

TEST_F(ZRStoryboardMouseTest, ThreePixelsStartNoDragFourDo) {
    addClips(4);
    QSignalSpy modes(board, &ZRStoryboard::draggingMode);
    press(cellPoint(1));
    drag(cellPoint(1) + QPoint(3, -3));
    EXPECT_FALSE(board->isDraggingCells());
    drag(cellPoint(1) + QPoint(4, 0));
    EXPECT_TRUE(board->isDraggingCells());
    EXPECT_EQ(selected(), (std::vector<int>{1}));
    EXPECT_EQ(board->dragFeedback().size(), 1);
    EXPECT_EQ(board->cursorShape(), 8);
    const std::vector<IZRObject*> before = order();
    release(cellPoint(1) + QPoint(4, 0)); // over the cell it started from
    EXPECT_EQ(order(), before);
    EXPECT_FALSE(board->isDraggingCells());
    EXPECT_TRUE(board->dragFeedback().isEmpty());
    ASSERT_EQ(modes.count(), 2);
    EXPECT_FALSE(modes.last().at(0).toBool());
}

TEST_F(ZRStoryboardMouseTest, DraggingMovesCtrlCopiesEscapeCancels) {
    addClips(4);
    const std::vector<IZRObject*> start = order();
    press(cellPoint(0));
    drag(cellPoint(1));
    drag(cellPoint(3));
    release(cellPoint(3));
    EXPECT_EQ(order(), (std::vector<IZRObject*>{start[1], start[2], start[3], start[0]}));

    // Escape: no change.
    const std::vector<IZRObject*> moved = order();
    press(cellPoint(0));
    drag(cellPoint(2));
    QTest::keyClick(board, Qt::Key_Escape);
    EXPECT_FALSE(board->isDraggingCells());
    release(cellPoint(2));
    EXPECT_EQ(order(), moved);

    // Ctrl pressed during the drag: a copy.
    press(cellPoint(1));
    drag(cellPoint(2));
    QTest::keyPress(board, Qt::Key_Control);
    EXPECT_TRUE(board->isCopyMode());
    EXPECT_EQ(board->cursorShape(), 9);
    release(cellPoint(3), Qt::ControlModifier);
    QTest::keyRelease(board, Qt::Key_Control);
    EXPECT_EQ(editor->objectCount(), 5);
}

TEST_F(ZRStoryboardMouseTest, SelectionsBesideATransitionCannotBeDragged) {
    addClips(4);
    // Clip 1 leads into clip 2 through a transition (an unplaced one is enough here).
    record(1)->pendingTransition = 1;
    const std::vector<IZRObject*> before = order();
    for (int cell : {1, 2}) {
        SCOPED_TRACE(cell);
        press(cellPoint(cell));
        drag(cellPoint(cell) + QPoint(0, 10));
        EXPECT_FALSE(board->isDraggingCells());
        drag(cellPoint(3));
        release(cellPoint(3));
        EXPECT_EQ(order(), before);
    }
    press(cellPoint(3)); // no transition touches clip 3
    drag(cellPoint(3) + QPoint(10, 0));
    EXPECT_TRUE(board->isDraggingCells());
    release(cellPoint(3) + QPoint(10, 0));
    record(1)->pendingTransition = 0;
}

TEST_F(ZRStoryboardMouseTest, TimeCursorIsDraggedAndPinnedAtBothEdges) {
    addClips(20);
    press(bandPoint(1, 30));
    EXPECT_TRUE(board->isDraggingCursor());
    EXPECT_EQ(board->currentCell(), 1);
    EXPECT_DOUBLE_EQ(board->currentFraction(), 30.0 / 67);

    drag(bandPoint(2, 20));
    EXPECT_EQ(board->currentCell(), 2);
    drag(QPoint(20, 42)); // past the left end: pinned at cell 0's start
    EXPECT_EQ(board->currentCell(), 0);
    EXPECT_DOUBLE_EQ(board->currentFraction(), 0.0);
    drag(QPoint(5, 42));
    EXPECT_EQ(board->currentCell(), 0);
    drag(bandPoint(3, 20)); // back: released
    EXPECT_EQ(board->currentCell(), 3);

    drag(QPoint(799, 42)); // past the right end
    const int pinnedCell = board->currentCell();
    const double pinnedFraction = board->currentFraction();
    EXPECT_EQ(pinnedCell, 7);
    drag(QPoint(795, 42));
    EXPECT_EQ(board->currentCell(), pinnedCell);
    EXPECT_DOUBLE_EQ(board->currentFraction(), pinnedFraction);
    EXPECT_EQ(board->visibleFirst(), 0); // no scrolling while the cursor is dragged
    release(QPoint(795, 42));
    EXPECT_FALSE(board->isDraggingCursor());
}

TEST_F(ZRStoryboardMouseTest, ShiftDragOfTheCursorStaysInsideTheCell) {
    addClips(3);
    press(bandPoint(0, 10));
    drag(bandPoint(0, 20), Qt::ShiftModifier);
    drag(bandPoint(0, 73), Qt::ShiftModifier); // right margin of cell 0, fraction > 1 unclamped
    EXPECT_EQ(board->currentCell(), 0);
    EXPECT_LE(board->currentFraction(), 1.0);
    release(bandPoint(0, 73));
}

TEST_F(ZRStoryboardMouseTest, KeysActOnTheSelection) {
    addClips(5);
    QTest::keyClick(board, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(selected().size(), 5u);
    board->deselectCells(1, 2, false);
    QTest::keyClick(board, Qt::Key_I, Qt::ControlModifier);
    EXPECT_EQ(selected(), (std::vector<int>{1, 2}));

    click(cellPoint(2)); // anchor 2
    QTest::keyClick(board, Qt::Key_End, Qt::ShiftModifier);
    EXPECT_EQ(selected(), (std::vector<int>{2, 3, 4}));
    QTest::keyClick(board, Qt::Key_Home, Qt::ShiftModifier);
    EXPECT_EQ(selected(), (std::vector<int>{0, 1, 2}));

    QTest::keyClick(board, Qt::Key_Delete);
    EXPECT_EQ(editor->objectCount(), 2);
}

TEST_F(ZRStoryboardMouseTest, HoverShowsTheClipTimesAndLosingFocusClearsTheSelection) {
    addClips(2);
    QSignalSpy status(board, &ZRStoryboard::status_message);
    send(QEvent::MouseMove, cellPoint(1), Qt::NoButton);
    ASSERT_EQ(status.count(), 1);
    const QString text = status.last().at(0).toString();
    EXPECT_TRUE(text.startsWith("[") && text.contains("clip.avi] start: 00:00:02.00 end:"))
        << text.toStdString();
    EXPECT_TRUE(text.contains("mark-out: 00:00:01.24")) << text.toStdString();
    EXPECT_EQ(board->cursorShape(), 7);
    send(QEvent::MouseMove, cellPoint(1) + QPoint(1, 0), Qt::NoButton);
    EXPECT_EQ(status.count(), 1);
    send(QEvent::MouseMove, QPoint(100, 20), Qt::NoButton);
    EXPECT_EQ(status.count(), 2);
    EXPECT_EQ(board->cursorShape(), 0);

    board->selectAllCells(false);
    QFocusEvent out(QEvent::FocusOut);
    QCoreApplication::sendEvent(board, &out);
    EXPECT_TRUE(selected().empty());
}

TEST_F(ZRStoryboardMouseTest, OtherToolsLeaveTheMouseIdle) {
    addClips(2);
    board->toolSelected(2);
    click(cellPoint(1));
    EXPECT_TRUE(selected().empty());
}

} // namespace
