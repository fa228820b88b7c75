#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

/// The storyboard's fixed cell geometry, in content coordinates (before horizontal scrolling).
/// Cell i starts at x = 167 + 80 i; the thumbnail, render bar, mark bar and transition box of
/// slot i are those of slot 0 moved right by 80 i. Transition box i lies between cell i and
/// cell i + 1. Only the time cursor's size varies: it is the cursor image's size, its hot spot
/// half its width. A plain value; every query is pure.
struct ZRStoryboardGeometry {
    static constexpr int kLeft = 167;
    static constexpr int kTop = 49;
    static constexpr int kCellWidth = 68;
    static constexpr int kCellHeight = 51;
    static constexpr int kGap = 12;
    static constexpr int kCellPitch = kCellWidth + kGap;
    static constexpr int kCursorTop = 38;
    /// The last row of the cell row: the mark bar's bottom.
    static constexpr int kRowBottom = 123;
    /// The widest fraction step inside a cell: fraction 1.0 is 67 px right of its start.
    static constexpr int kFractionSpan = kCellWidth - 1;

    /// The time cursor's image size; sets the hot spot (w / 2).
    QSize cursorSize{16, 16};

    int hotSpot() const { return cursorSize.width() / 2; }

    static QRect cell(int i) {
        return QRect(kLeft + kCellPitch * i, kTop, kCellWidth, kCellHeight);
    }
    static QRect thumbnail(int i) { return QRect(169 + kCellPitch * i, 51, 64, 47); }
    static QRect renderBar(int i) { return QRect(kLeft + kCellPitch * i, 105, kCellWidth, 3); }
    static QRect markBar(int i) { return QRect(168 + kCellPitch * i, 113, 66, 10); }
    static QRect transitionBox(int i) { return QRect(227 + kCellPitch * i, 64, 28, 20); }
    /// The cursor image's place for (cell, fraction); fraction is clamped to 0..1.
    QRect cursorRect(int cell, double fraction) const;

    /// The cell whose 68 x 51 rectangle holds the content point, without range checks; -1 left
    /// of or above the row, below it or in a gap.
    static int cellIndexAt(const QPoint& content);
    /// The same on the transition boxes; -1 off every box.
    static int transitionIndexAt(const QPoint& content);
    /// The clip a transition dropped at content x follows: (x - 34 - 167) / 80, -1 when
    /// negative.
    static int insertionIndex(int contentX);

    struct CellFraction {
        int cell = 0;
        double fraction = 0.0;
    };
    /// The cell and the fraction inside it (0..1) at content x. A point in the first `margin`
    /// pixels of a cell gives that cell at 0.0, in its last `margin` pixels or the first half of
    /// the gap 1.0, in the second half of the gap the next cell at 0.0; left of cell 0 gives cell
    /// 0 at 0.0.
    static CellFraction cellAndFraction(int contentX, int margin);

    /// The first and last cell that a content rectangle shows (both inclusive), -1 for a bound
    /// left of cell 0.
    static void visibleRange(const QRect& visible, int* first, int* last);

    /// The used part of a clip's source on a mark bar whose fill is w + 1 pixels wide: the
    /// first and last fill column for the mark-in frame and the last used frame (mark-out less
    /// one) of a source `length` frames long less one. A single-frame source (length <= 0)
    /// gives 0 and 1.
    struct MarkSpan {
        int in = 0;
        int out = 1;
    };
    static MarkSpan markSpan(double markIn, double lastFrame, double length, int w);

    /// The scroll bar's set-up for `count` clips in a cell row `rowWidth` pixels wide.
    struct ScrollSetup {
        int maximum = 0;
        int lineStep = 0;
        int pageStep = 0;
        /// False when every clip fits: the view then stays at offset 0.
        bool scrolls = false;
    };
    static ScrollSetup scrollSetup(int rowWidth, int count);
};
