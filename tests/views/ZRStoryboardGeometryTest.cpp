#include "views/ZRStoryboardGeometry.h"

#include <gtest/gtest.h>

using G = ZRStoryboardGeometry;

TEST(ZRStoryboardGeometryTest, RectanglesOfSlotsMoveByThePitch) {
    EXPECT_EQ(G::cell(0), QRect(167, 49, 68, 51));
    EXPECT_EQ(G::cell(3), QRect(407, 49, 68, 51));
    EXPECT_EQ(G::thumbnail(1), QRect(249, 51, 64, 47));
    EXPECT_EQ(G::renderBar(2), QRect(327, 105, 68, 3));
    EXPECT_EQ(G::markBar(0), QRect(168, 113, 66, 10));
    EXPECT_EQ(G::transitionBox(1), QRect(307, 64, 28, 20));
    G g;
    g.cursorSize = QSize(11, 76);
    EXPECT_EQ(g.cursorRect(0, 0.0), QRect(162, 38, 11, 76));
    EXPECT_EQ(g.cursorRect(2, 0.5), QRect(162 + 160 + 33, 38, 11, 76));
    EXPECT_EQ(g.cursorRect(1, 7.0), g.cursorRect(1, 1.0));
    EXPECT_EQ(g.cursorRect(1, -1.0), g.cursorRect(1, 0.0));
}

TEST(ZRStoryboardGeometryTest, CellsAndTransitionBoxesUnderPoints) {
    struct Case {
        int x, y, cell, transition;
    } cases[] = {
        {166, 60, -1, -1},  // left of the row
        {167, 49, 0, -1},   // first pixel of cell 0
        {234, 99, 0, -1},   // last pixel of cell 0
        {235, 60, -1, -1},  // the gap
        {247, 60, 1, -1},   // first pixel of cell 1
        {200, 48, -1, -1},  // above the row
        {200, 100, -1, -1}, // below the cells
        {227, 64, 0, 0},    // cell 0's right edge holds box 0's first column
        {240, 70, -1, 0},   // box 0 in the gap
        {254, 83, 1, 0},    // box 0's last pixel lies in cell 1
        {255, 70, 1, -1},   // right of box 0
        {240, 84, -1, -1},  // below box 0
        {320, 70, -1, 1},   // box 1 in the gap
        {330, 70, 2, 1},    // box 1 reaches into cell 2
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.x << "," << c.y);
        EXPECT_EQ(G::cellIndexAt(QPoint(c.x, c.y)), c.cell);
        EXPECT_EQ(G::transitionIndexAt(QPoint(c.x, c.y)), c.transition);
    }
}

TEST(ZRStoryboardGeometryTest, CellAndFractionAcrossACellItsMarginsAndTheGap) {
    struct Case {
        int x, margin, cell;
        double fraction;
    } cases[] = {
        {0, 4, 0, 0.0},              // left of cell 0
        {167, 4, 0, 0.0},            // left margin
        {170, 4, 0, 0.0},            // last left-margin pixel
        {171, 4, 0, 4.0 / 67},       // inside
        {167 + 63, 4, 0, 63.0 / 67}, // last inside pixel with margin 4
        {167 + 64, 4, 0, 1.0},       // right margin
        {167 + 67, 0, 0, 1.0},       // last pixel of the cell with margin 0
        {167 + 66, 0, 0, 66.0 / 67},
        {167 + 73, 0, 0, 1.0}, // first half of the gap
        {167 + 74, 0, 1, 0.0}, // second half of the gap
        {167 + 79, 4, 1, 0.0},
        {167 + 80 + 30, 0, 1, 30.0 / 67},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.x << " margin " << c.margin);
        const G::CellFraction r = G::cellAndFraction(c.x, c.margin);
        EXPECT_EQ(r.cell, c.cell);
        EXPECT_DOUBLE_EQ(r.fraction, c.fraction);
    }
}

TEST(ZRStoryboardGeometryTest, InsertionIndexAndVisibleRange) {
    EXPECT_EQ(G::insertionIndex(167 + 33), -1);
    EXPECT_EQ(G::insertionIndex(167 + 34), 0);
    // Right half of cell 3 and left half of cell 4: after clip 3.
    EXPECT_EQ(G::insertionIndex(167 + 3 * 80 + 40), 3);
    EXPECT_EQ(G::insertionIndex(167 + 4 * 80 + 20), 3);
    int first = 0, last = 0;
    G::visibleRange(QRect(QPoint(167, 49), QPoint(779, 123)), &first, &last);
    EXPECT_EQ(first, 0);
    EXPECT_EQ(last, 7);
    G::visibleRange(QRect(QPoint(167 + 160, 49), QPoint(779 + 160, 123)), &first, &last);
    EXPECT_EQ(first, 2);
    EXPECT_EQ(last, 9);
    G::visibleRange(QRect(QPoint(100, 49), QPoint(150, 123)), &first, &last);
    EXPECT_EQ(first, -1);
    EXPECT_EQ(last, -1);
}

TEST(ZRStoryboardGeometryTest, ScrollSetupForRowsAndCounts) {
    struct Case {
        int rowWidth, count, maximum, line, page;
        bool scrolls;
    } cases[] = {
        {613, 0, 0, 0, 0, false},                           // no clips
        {613, 5, 0, 0, 0, false},                           // v = 6 > 5: all fit
        {613, 6, 5, 1, 6, true},                            // as many as v: page v
        {613, 13, 12, 1, 5, true},                          // 13 mod 6 != 0: 13 / 2 - 1
        {613, 12, 11, 1, 6, true}, {100, 3, 2, 1, 1, true}, // v = 0: no division, page 1
        {73, 3, 2, 1, 1, true},                             // v < 0 (minimum width 260)
        {73, 0, 0, 0, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.rowWidth << " px, " << c.count << " clips");
        const G::ScrollSetup s = G::scrollSetup(c.rowWidth, c.count);
        EXPECT_EQ(s.maximum, c.maximum);
        EXPECT_EQ(s.lineStep, c.line);
        EXPECT_EQ(s.pageStep, c.page);
        EXPECT_EQ(s.scrolls, c.scrolls);
    }
}

TEST(ZRStoryboardGeometryTest, MarkSpanOverTheSource) {
    struct Case {
        double in, last, length;
        int xIn, xOut;
    } cases[] = {
        {0, 49, 49, 0, 63},   // the whole source
        {20, 29, 49, 26, 37}, // trimmed at both ends
        {0, 0, 0, 0, 1},      // a one-frame source
        {0, 0, -1, 0, 1},
    };
    for (const Case& c : cases) {
        const G::MarkSpan s = G::markSpan(c.in, c.last, c.length, 63);
        EXPECT_EQ(s.in, c.xIn);
        EXPECT_EQ(s.out, c.xOut);
    }
}
