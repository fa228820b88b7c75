#include "views/ZRStoryboardGeometry.h"

#include <algorithm>
#include <cmath>

namespace {

// The index of the w x h box of a row of boxes `kCellPitch` apart whose first one starts at
// `origin`, holding `p`; -1 off every box.
int boxIndexAt(const QPoint& p, const QPoint& origin, int w, int h) {
    const int dx = p.x() - origin.x();
    const int dy = p.y() - origin.y();
    if (dx < 0 || dy < 0 || dy >= h) return -1;
    if (dx % ZRStoryboardGeometry::kCellPitch >= w) return -1;
    return dx / ZRStoryboardGeometry::kCellPitch;
}

} // namespace

QRect ZRStoryboardGeometry::cursorRect(int cell, double fraction) const {
    const double f = std::isfinite(fraction) ? std::clamp(fraction, 0.0, 1.0) : 0.0;
    const int x = kCellPitch * cell + (kLeft - hotSpot()) + int(std::trunc(kFractionSpan * f));
    return QRect(QPoint(x, kCursorTop), cursorSize);
}

int ZRStoryboardGeometry::cellIndexAt(const QPoint& content) {
    return boxIndexAt(content, QPoint(kLeft, kTop), kCellWidth, kCellHeight);
}

int ZRStoryboardGeometry::transitionIndexAt(const QPoint& content) {
    const QRect box = transitionBox(0);
    return boxIndexAt(content, box.topLeft(), box.width(), box.height());
}

int ZRStoryboardGeometry::insertionIndex(int contentX) {
    const int dx = contentX - kCellWidth / 2 - kLeft;
    return dx < 0 ? -1 : dx / kCellPitch;
}

ZRStoryboardGeometry::CellFraction ZRStoryboardGeometry::cellAndFraction(int contentX, int margin) {
    const int x = contentX - kLeft;
    if (x < 0) return {0, 0.0};
    const int q = x / kCellPitch;
    const int r = x % kCellPitch;
    if (r < margin) return {q, 0.0};
    if (r < kCellWidth - margin) return {q, double(r) / kFractionSpan};
    if (r >= kCellWidth + kGap / 2) return {q + 1, 0.0};
    return {q, 1.0};
}

void ZRStoryboardGeometry::visibleRange(const QRect& visible, int* first, int* last) {
    const int a = visible.left() - kLeft;
    const int b = visible.right() - kLeft;
    *first = a < 0 ? -1 : a / kCellPitch;
    *last = b < 0 ? -1 : b / kCellPitch;
}

ZRStoryboardGeometry::ScrollSetup ZRStoryboardGeometry::scrollSetup(int rowWidth, int count) {
    // The row's usable width loses the origin once more (the design counts cells from the
    // widget's left edge); rows narrower than that fit no whole cell, v <= 0.
    const int span = rowWidth - kLeft;
    const int v = span > 0 ? (span + kCellPitch - 1) / kCellPitch : -((-span) / kCellPitch);
    ScrollSetup s;
    if (v > count || count <= 0) return s;
    s.scrolls = true;
    s.maximum = count - 1;
    s.lineStep = 1;
    if (v <= 0)
        s.pageStep = 1;
    else
        s.pageStep = count % v ? std::max(1, count / 2 - 1) : v;
    return s;
}

ZRStoryboardGeometry::MarkSpan ZRStoryboardGeometry::markSpan(double markIn, double lastFrame,
                                                              double length, int w) {
    if (!(length > 0)) return {};
    return {int(std::trunc(markIn * w / length + 0.5)),
            int(std::trunc(lastFrame * w / length + 0.5))};
}
