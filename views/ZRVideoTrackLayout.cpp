#include "views/ZRVideoTrackLayout.h"

#include <algorithm>

ZRSpan ZRSpan::intersected(const ZRSpan& other) const {
    const int64_t l = std::max(left, other.left);
    const int64_t r = std::min(left + width, other.left + other.width);
    return r > l ? ZRSpan{l, r - l} : ZRSpan{l, 0};
}

const ZRClipPiece* ZRClipLayout::piece(ZRClipPiece::Kind kind) const {
    for (const ZRClipPiece& p : pieces)
        if (p.kind == kind) return &p;
    return nullptr;
}

ZRClipLayout layoutClip(const ZRClipPieceWidths& w, int64_t x, int64_t width, int64_t before,
                        int64_t after) {
    ZRClipLayout out;
    before = std::max<int64_t>(before, 0);
    after = std::max<int64_t>(after, 0);
    // Each transition takes half its length off the box; what is left may be nothing.
    out.box = {x + before / 2, width - before / 2 - after / 2};
    if (out.box.isEmpty()) {
        out.box.width = 0;
        return out;
    }
    const ZRSpan box = out.box;
    const bool capLeft = before == 0;
    const bool capRight = after == 0;
    if (!capLeft) out.overlapLeft = ZRSpan{box.left, x + before - box.left}.intersected(box);
    if (!capRight) {
        const int64_t from = x + width - after;
        out.overlapRight = ZRSpan{from, box.left + box.width - from}.intersected(box);
    }

    out.style = box.width >= w.wideLimit()     ? ZRClipLayout::Wide
                : box.width >= w.narrowLimit() ? ZRClipLayout::Middle
                                               : ZRClipLayout::Narrow;
    // A narrow box is split at its middle: each end keeps to its own half.
    const int64_t middle = box.left + box.width / 2;
    const ZRSpan leftClip =
        out.style == ZRClipLayout::Narrow ? ZRSpan{box.left, middle - box.left} : box;
    const ZRSpan rightClip =
        out.style == ZRClipLayout::Narrow ? ZRSpan{middle, box.left + box.width - middle} : box;

    std::vector<ZRClipPiece> ends;
    int64_t bodyLeft = box.left;
    int64_t bodyEnd = box.left + box.width; // one past the body
    if (capLeft) {
        int64_t at = box.left;
        auto add = [&](ZRClipPiece::Kind kind, int pieceWidth) {
            ends.push_back({kind, {at, pieceWidth}, leftClip});
            at += pieceWidth;
        };
        add(ZRClipPiece::LeftCap, w.left);
        if (out.style == ZRClipLayout::Wide || box.width >= w.leftThumbLimit()) {
            add(ZRClipPiece::FirstThumb, w.thumb);
            add(ZRClipPiece::LeftFill, w.leftFill);
        }
        bodyLeft = out.style == ZRClipLayout::Wide ? at : box.left + w.left;
    }
    if (capRight) {
        int64_t at = box.left + box.width;
        auto add = [&](ZRClipPiece::Kind kind, int pieceWidth) {
            at -= pieceWidth;
            ends.push_back({kind, {at, pieceWidth}, rightClip});
        };
        add(ZRClipPiece::RightCap, w.right);
        if (out.style == ZRClipLayout::Wide) {
            add(ZRClipPiece::LastThumb, w.thumb);
            add(ZRClipPiece::RightFill, w.rightFill);
        }
        bodyEnd = at;
    }
    // A side under a transition has no cap, but the clip still shows its picture there: the
    // slot sits just past the transition, where the clip is seen alone, when it fits before
    // the other end's pieces.
    const int64_t firstFree = x + before;       // first pixel not under the transition before
    const int64_t lastFree = x + width - after; // one past the last not under the one after
    int64_t leftEnd = box.left;
    for (const ZRClipPiece& p : ends)
        if (p.kind == ZRClipPiece::FirstThumb) leftEnd = p.span.left + p.span.width;
    if (!capLeft) {
        const int64_t limit = capRight ? bodyEnd : lastFree;
        if (firstFree >= box.left && firstFree + w.thumb + 1 <= limit) {
            ends.push_back({ZRClipPiece::FirstThumb, {firstFree, w.thumb}, leftClip});
            leftEnd = firstFree + w.thumb;
        }
    }
    if (!capRight && out.style == ZRClipLayout::Wide) {
        const int64_t at = lastFree - w.thumb;
        if (at >= leftEnd + 1 && lastFree <= box.left + box.width)
            ends.push_back({ZRClipPiece::LastThumb, {at, w.thumb}, rightClip});
    }
    if (bodyEnd > bodyLeft)
        out.pieces.push_back({ZRClipPiece::Body, {bodyLeft, bodyEnd - bodyLeft}, box});
    // The right cap is drawn last so that a first-frame slot of a middle clip never covers it.
    std::stable_sort(ends.begin(), ends.end(), [](const ZRClipPiece& a, const ZRClipPiece& b) {
        return (a.kind == ZRClipPiece::RightCap) < (b.kind == ZRClipPiece::RightCap);
    });
    out.pieces.insert(out.pieces.end(), ends.begin(), ends.end());
    return out;
}
