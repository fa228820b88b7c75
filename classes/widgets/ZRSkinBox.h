#pragma once

#include "classes/skins/PSDLayer.h"

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QRegion>
#include <QSize>

class QPainter;

/// A resizable box drawn from nine pieces of a skin set: the corners "nw", "ne", "sw", "se" keep
/// their size, the edges "n", "s", "w", "e" are tiled along the sides, and the middle is tiled
/// with "fill_brush" or painted with the colour of the top-left pixel of "fill_color" (the brush
/// wins). Piece names may carry a prefix. Drawing goes fill first, then clockwise from the
/// top-left corner; missing pieces and pieces of zero or negative extent draw nothing.
///
/// The box borrows the layer images of its set. It deletes the set itself only when constructed
/// to own it; a copy always borrows. GUI thread only (one box per widget).
class ZRSkinBox {
public:
    explicit ZRSkinBox(bool ownsSet = false);
    explicit ZRSkinBox(QDict<PSDLayer>* set, bool ownsSet = false);
    ZRSkinBox(const ZRSkinBox& other);
    ZRSkinBox& operator=(const ZRSkinBox& other);
    virtual ~ZRSkinBox();

    virtual void setSkin(QDict<PSDLayer>* set);
    /// Takes the pieces named prefix + piece name from `set`, works out the 3 x 3 grid and lays
    /// the box out at (0, 0) in its natural size.
    virtual void setSkin(QDict<PSDLayer>* set, const QString& prefix);
    /// Fills the middle with a tiled image (borrowed); colour mode off.
    virtual void setFillImage(const QImage* image);
    /// Fills the middle with a colour; colour mode on, no image.
    virtual void setFillColor(QRgb colour);
    virtual void clearFill();

    virtual QRect fillRect() const { return m_layout.fill; }
    virtual QRect boxRect() const { return m_layout.box; }
    /// The sum of the three column widths by the sum of the three row heights.
    virtual QSize naturalSize() const { return m_naturalSize; }
    /// True in colour mode.
    virtual bool fillMode() const { return m_colorMode; }
    virtual QRgb fillColor() const { return m_fillColor; }
    virtual const QImage* fillImage() const { return m_fillImage; }

    virtual void setGeometry(const QRect& rect);
    /// Lays the box out for the outer rectangle (x, y, w, h).
    virtual void setGeometry(int x, int y, int w, int h);
    /// Lays the box out with its top-left at `at` and room for a middle of `size`.
    virtual void setInnerGeometry(const QPoint& at, const QSize& size);
    /// Lays the box out around `inner`; an outer rectangle that would start left of or above 0
    /// is moved to start at 0.
    virtual void setInnerGeometry(const QRect& inner);

    /// Draws into a 32-bit image, moved by `offset`, limited to `limit` (target coordinates).
    virtual void drawInto(QImage& target, const QPoint& offset, const QRect& limit);
    /// Region-clipped drawing; the box and the region move by a + b.
    virtual void drawInto(const QRegion& clip, QImage& target, const QPoint& a, const QPoint& b);
    virtual void drawInto(const QRegion& clip, QImage& target, const QPoint& offset);
    /// Region-clipped drawing of the box laid out for `rect`; the layout kept is unchanged.
    virtual void drawInto(const QRegion& clip, QImage& target, const QRect& rect);
    virtual void drawInto(const QRegion& clip, QImage& target);
    /// Draws onto a painter, blending over what is there.
    virtual void draw(QPainter& painter);
    virtual void draw(QPainter& painter, const QRect& rect);
    virtual void draw(QPainter& painter, int x, int y, int w, int h);
    virtual void drawIntoOpacity(const QRegion& clip, QImage& target, int opacity,
                                 const QPoint& offset);
    virtual void drawIntoOpacity(const QRegion& clip, QImage& target, int opacity);

private:
    // Pieces in the order n, s, w, e, nw, ne, sw, se.
    enum Piece { N, S, W, E, NW, NE, SW, SE, PieceCount };

    struct Layout {
        QRect box;
        QRect pieces[PieceCount]; ///< the laid-out edge and corner cell rectangles
        QRect fill;
    };

    Layout layoutFor(const QRect& outer) const;
    QRect outerAround(const QPoint& topLeft, const QSize& inner) const;
    void drawClipped(const Layout& layout, const QRegion& clip, QImage& target, bool withOpacity,
                     int opacity) const;
    void drawOnPainter(const Layout& layout, QPainter& painter) const;

    const QImage* m_pieces[PieceCount] = {};
    QPoint m_piecePositions[PieceCount];
    QRect m_pieceCells[PieceCount]; ///< each piece relative to its grid cell
    int m_columns[3] = {};
    int m_rows[3] = {};
    Layout m_layout;
    const QImage* m_fillImage = nullptr;
    QRgb m_fillColor = 0;
    bool m_colorMode = false;
    QSize m_naturalSize{0, 0};
    QDict<PSDLayer>* m_set = nullptr;
    bool m_ownsSet = false;
};
