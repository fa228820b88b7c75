#pragma once

#include <cstdint>
#include <vector>

/// A horizontal run of content pixels (64-bit: content x of long projects exceeds int).
struct ZRSpan {
    int64_t left = 0;
    int64_t width = 0;

    int64_t right() const { return left + width - 1; }
    bool isEmpty() const { return width <= 0; }
    bool contains(int64_t x) const { return x >= left && x < left + width; }
    /// The common part; empty when the two do not meet.
    ZRSpan intersected(const ZRSpan& other) const;
};

/// The widths of a clip skin's fixed pieces, read from the skin set "clip_normal".
struct ZRClipPieceWidths {
    int left = 0;
    int middle = 0;
    int right = 0;
    int leftFill = 0;
    int rightFill = 0;
    /// A thumbnail slot's width; its height is that of the "thumb_fill" piece.
    int thumb = 52;

    /// Below it a clip is narrow: its two ends share the box, each clipped to its half.
    int narrowLimit() const { return left + right; }
    /// From it on a clip shows both thumbnails, the fill pieces and its body.
    int wideLimit() const { return left + middle + right + 2 + leftFill + rightFill + 102; }
    /// From it on a clip that is not wide shows its first-frame thumbnail.
    int leftThumbLimit() const { return rightFill + right + 1; }
};

/// One piece of a clip box, in content x, drawn clipped to `clip`.
struct ZRClipPiece {
    enum Kind { LeftCap, FirstThumb, LeftFill, Body, RightFill, LastThumb, RightCap };
    Kind kind = Body;
    ZRSpan span;
    ZRSpan clip;
};

/// Where the pieces of one clip lie on the video track. Pure.
struct ZRClipLayout {
    enum Style { Narrow, Middle, Wide };
    /// The clip's box: its span less half of each transition that overlaps it. Empty (nothing is
    /// drawn) when the transitions leave nothing.
    ZRSpan box;
    Style style = Narrow;
    /// In drawing order: the body first, then the left end's pieces, then the right end's.
    std::vector<ZRClipPiece> pieces;
    /// The parts of the box under a transition (empty when there is none on that side).
    ZRSpan overlapLeft, overlapRight;

    const ZRClipPiece* piece(ZRClipPiece::Kind kind) const;
};

/// Lays out a clip drawn at content x `x` with `width` pixels, `before` pixels of it under the
/// transition from the previous clip and `after` pixels under its own transition into the next.
/// A side under a transition has no cap; its thumbnail slot (the first frame whenever it fits,
/// the last frame on a wide clip) sits just past the transition.
ZRClipLayout layoutClip(const ZRClipPieceWidths& widths, int64_t x, int64_t width, int64_t before,
                        int64_t after);
