#pragma once

#include "classes/skins/PSDLayerSet.h"

#include <QImage>
#include <QPoint>
#include <QSize>

/// The pieces of a scroll bar's skin for one orientation, read from the layer sets
/// prefix + "normal" / "pressed" / "disabled" (layers "sub", "add"), prefix + "other"
/// ("grabber", "fill_normal", "fill_disabled") and prefix + "slider_normal" / "slider_pressed"
/// ("first", "middle", "last"), with prefix "horz_" or "vert_". Images are borrowed from the
/// skin and null when absent; positions are set-relative.
struct ZRScrollBarPieces {
    struct Piece {
        const QImage* image = nullptr;
        QPoint position;
    };
    enum ArrowState { ArrowNormal, ArrowPressed, ArrowDisabled, ArrowStateCount };
    enum SliderState { SliderNormal, SliderPressed, SliderStateCount };

    Piece sub[ArrowStateCount]; ///< line up or left
    Piece add[ArrowStateCount]; ///< line down or right
    Piece first[SliderStateCount];
    Piece middle[SliderStateCount];
    Piece last[SliderStateCount];
    Piece grabber;
    Piece fillNormal;
    Piece fillDisabled;
    /// Length along the bar and thickness across it: the longest arrow pair plus the longest
    /// slider, and the thickest of both. (-1, -1) until computed.
    QSize size{-1, -1};
};

/// The skin of a scroll bar in both orientations.
struct ZRScrollBarSkin {
    ZRScrollBarPieces horizontal;
    ZRScrollBarPieces vertical;

    /// Clears every piece, position and size.
    void clear() { *this = ZRScrollBarSkin(); }
    /// Reads the pieces of both orientations from `skin` (missing sets or layers stay null) and
    /// computes their sizes.
    void load(QDict<PSDLayerSet>* skin);
};
