#include "classes/widgets/ZRSkinBox.h"

#include "classes/painting/ZRImagePainting.h"
#include "classes/painting/ZRPainterPainting.h"

#include <QPainter>

#include <algorithm>

namespace {

const char* const kPieceNames[] = {"n", "s", "w", "e", "nw", "ne", "sw", "se"};

int edgePlusOne(int right) {
    return right > 0 ? right + 1 : right;
}

} // namespace

ZRSkinBox::ZRSkinBox(bool ownsSet) : m_ownsSet(ownsSet) {}

ZRSkinBox::ZRSkinBox(QDict<PSDLayer>* set, bool ownsSet) : m_ownsSet(ownsSet) {
    setSkin(set);
}

// A copy borrows the set: only the box that was made to own it deletes it.
ZRSkinBox::ZRSkinBox(const ZRSkinBox& other) {
    *this = other;
}

ZRSkinBox& ZRSkinBox::operator=(const ZRSkinBox& other) {
    if (this == &other) return *this;
    if (m_ownsSet && m_set != other.m_set) delete m_set;
    std::copy(std::begin(other.m_pieces), std::end(other.m_pieces), m_pieces);
    std::copy(std::begin(other.m_piecePositions), std::end(other.m_piecePositions),
              m_piecePositions);
    std::copy(std::begin(other.m_pieceCells), std::end(other.m_pieceCells), m_pieceCells);
    std::copy(std::begin(other.m_columns), std::end(other.m_columns), m_columns);
    std::copy(std::begin(other.m_rows), std::end(other.m_rows), m_rows);
    m_layout = other.m_layout;
    m_fillImage = other.m_fillImage;
    m_fillColor = other.m_fillColor;
    m_colorMode = other.m_colorMode;
    m_naturalSize = other.m_naturalSize;
    m_ownsSet = m_ownsSet && m_set == other.m_set;
    m_set = other.m_set;
    return *this;
}

ZRSkinBox::~ZRSkinBox() {
    if (m_ownsSet) delete m_set;
}

void ZRSkinBox::setSkin(QDict<PSDLayer>* set) {
    setSkin(set, QString());
}

void ZRSkinBox::setSkin(QDict<PSDLayer>* set, const QString& prefix) {
    if (m_ownsSet && m_set != set) delete m_set;
    m_set = set;
    QRect rects[PieceCount];
    for (int i = 0; i < PieceCount; ++i) {
        const PSDLayer* layer = set ? set->find(prefix + QLatin1String(kPieceNames[i])) : nullptr;
        m_pieces[i] = layer ? &layer->image : nullptr;
        m_piecePositions[i] = layer ? layer->position : QPoint();
        rects[i] = layer ? layer->rect() : QRect();
    }

    m_fillImage = nullptr;
    m_colorMode = false;
    const PSDLayer* brush = set ? set->find(prefix + QLatin1String("fill_brush")) : nullptr;
    const PSDLayer* colour = set ? set->find(prefix + QLatin1String("fill_color")) : nullptr;
    if (brush) {
        m_fillImage = &brush->image;
    } else if (colour && !colour->image.isNull()) {
        m_fillColor = colour->image.pixel(0, 0);
        m_colorMode = true;
    }

    if (!set) {
        std::fill(std::begin(m_columns), std::end(m_columns), 0);
        std::fill(std::begin(m_rows), std::end(m_rows), 0);
        m_naturalSize = QSize(0, 0);
        m_layout = layoutFor(QRect(QPoint(0, 0), m_naturalSize));
        return;
    }

    const int left =
        edgePlusOne(std::max({rects[NW].right(), rects[W].right(), rects[SW].right()}));
    m_columns[0] = std::max({left, rects[N].left(), rects[S].left()});
    m_columns[1] = std::max(rects[N].width(), rects[S].width());
    m_columns[2] = std::max({rects[E].width(), rects[NE].width(), rects[SE].width()});
    const int top =
        edgePlusOne(std::max({rects[N].bottom(), rects[NW].bottom(), rects[NE].bottom()}));
    m_rows[0] = std::max({top, rects[W].top(), rects[E].top()});
    m_rows[1] = std::max(rects[W].height(), rects[E].height());
    m_rows[2] = std::max({rects[S].height(), rects[SW].height(), rects[SE].height()});

    const int midX = m_columns[0], rightX = m_columns[0] + m_columns[1];
    const int midY = m_rows[0], bottomY = m_rows[0] + m_rows[1];
    const QPoint cellOrigin[PieceCount] = {{midX, 0},      {midX, bottomY},  {0, midY},
                                           {rightX, midY}, {0, 0},           {rightX, 0},
                                           {0, bottomY},   {rightX, bottomY}};
    for (int i = 0; i < PieceCount; ++i)
        m_pieceCells[i] = rects[i].translated(-cellOrigin[i]);

    m_naturalSize =
        QSize(m_columns[0] + m_columns[1] + m_columns[2], m_rows[0] + m_rows[1] + m_rows[2]);
    m_layout = layoutFor(QRect(QPoint(0, 0), m_naturalSize));
}

void ZRSkinBox::setFillImage(const QImage* image) {
    m_fillImage = image;
    m_colorMode = false;
}

void ZRSkinBox::setFillColor(QRgb colour) {
    m_fillColor = colour;
    m_colorMode = true;
    m_fillImage = nullptr;
}

void ZRSkinBox::clearFill() {
    m_fillImage = nullptr;
    m_colorMode = false;
}

void ZRSkinBox::setGeometry(const QRect& rect) {
    setGeometry(rect.x(), rect.y(), rect.width(), rect.height());
}

void ZRSkinBox::setGeometry(int x, int y, int w, int h) {
    m_layout = layoutFor(QRect(x, y, w, h));
}

ZRSkinBox::Layout ZRSkinBox::layoutFor(const QRect& outer) const {
    const int x = outer.x(), y = outer.y(), w = outer.width(), h = outer.height();
    const int c0 = m_columns[0], c2 = m_columns[2];
    const int r0 = m_rows[0], r2 = m_rows[2];
    Layout l;
    l.box = outer;
    l.pieces[NW] = QRect(x, y, c0, r0);
    l.pieces[NE] = QRect(x + w - c2, y, c2, r0);
    l.pieces[SW] = QRect(x, y + h - r2, c0, r2);
    l.pieces[SE] = QRect(x + w - c2, y + h - r2, c2, r2);
    const int edgeWidth = w - c0 - c2;
    const int edgeHeight = h - r0 - r2;
    l.pieces[N] = QRect(x + c0, y + m_pieceCells[N].y(), edgeWidth, m_pieceCells[N].height());
    l.pieces[S] =
        QRect(x + c0, y + h - r2 + m_pieceCells[S].y(), edgeWidth, m_pieceCells[S].height());
    l.pieces[W] = QRect(x + m_pieceCells[W].x(), y + r0, m_pieceCells[W].width(), edgeHeight);
    l.pieces[E] =
        QRect(x + w - c2 + m_pieceCells[E].x(), y + r0, m_pieceCells[E].width(), edgeHeight);
    // The middle starts one past the left and top edges; a missing edge leaves the column or
    // row of its cell.
    const int fillLeft = m_pieces[W] ? l.pieces[W].right() + 1 : x + c0;
    const int fillTop = m_pieces[N] ? l.pieces[N].bottom() + 1 : y + r0;
    l.fill = QRect(fillLeft, fillTop, edgeWidth, edgeHeight);
    return l;
}

QRect ZRSkinBox::outerAround(const QPoint& topLeft, const QSize& inner) const {
    QRect outer(topLeft, QSize(m_columns[0] + inner.width() + m_columns[2],
                               m_rows[0] + inner.height() + m_rows[2]));
    outer.moveTo(std::max(outer.x(), 0), std::max(outer.y(), 0));
    return outer;
}

void ZRSkinBox::setInnerGeometry(const QPoint& at, const QSize& size) {
    setGeometry(outerAround(at, size));
}

void ZRSkinBox::setInnerGeometry(const QRect& inner) {
    setGeometry(outerAround(inner.topLeft() - QPoint(m_columns[0], m_rows[0]), inner.size()));
}

void ZRSkinBox::drawClipped(const Layout& l, const QRegion& clip, QImage& target, bool withOpacity,
                            int opacity) const {
    if (m_colorMode) {
        tintImageClipped(clip, target, l.fill, m_fillColor);
    } else if (m_fillImage) {
        if (withOpacity)
            tileImageOpacityClipped(clip, target, opacity, l.fill, *m_fillImage, 0, 0, false);
        else
            tileImageClipped(clip, target, l.fill, *m_fillImage, 0, 0);
    }
    for (Piece piece : {NW, N, NE, E, SE, S, SW, W}) {
        const QImage* image = m_pieces[piece];
        const QRect& cell = l.pieces[piece];
        if (!image || cell.isEmpty()) continue;
        if (piece >= NW) {
            const QPoint at = cell.topLeft() + m_pieceCells[piece].topLeft();
            if (withOpacity)
                blendImageOpacityClipped(clip, target, opacity, at, *image);
            else
                blendImageClipped(clip, target, at, *image);
        } else if (withOpacity) {
            tileImageOpacityClipped(clip, target, opacity, cell, *image, 0, 0, false);
        } else {
            tileImageClipped(clip, target, cell, *image, 0, 0);
        }
    }
}

namespace {

// Moves every rectangle of a layout by an offset.
template <class Layout> Layout moved(Layout l, const QPoint& offset) {
    l.box.translate(offset);
    for (QRect& r : l.pieces)
        r.translate(offset);
    l.fill.translate(offset);
    return l;
}

} // namespace

void ZRSkinBox::drawInto(QImage& target, const QPoint& offset, const QRect& limit) {
    drawClipped(moved(m_layout, offset), QRegion(limit), target, false, 255);
}

void ZRSkinBox::drawInto(const QRegion& clip, QImage& target, const QPoint& a, const QPoint& b) {
    drawInto(clip, target, a + b);
}

void ZRSkinBox::drawInto(const QRegion& clip, QImage& target, const QPoint& offset) {
    drawClipped(moved(m_layout, offset), clip.translated(offset), target, false, 255);
}

void ZRSkinBox::drawInto(const QRegion& clip, QImage& target, const QRect& rect) {
    drawClipped(layoutFor(rect), clip, target, false, 255);
}

void ZRSkinBox::drawInto(const QRegion& clip, QImage& target) {
    drawClipped(m_layout, clip, target, false, 255);
}

void ZRSkinBox::drawIntoOpacity(const QRegion& clip, QImage& target, int opacity,
                                const QPoint& offset) {
    drawClipped(moved(m_layout, offset), clip.translated(offset), target, true, opacity);
}

void ZRSkinBox::drawIntoOpacity(const QRegion& clip, QImage& target, int opacity) {
    drawClipped(m_layout, clip, target, true, opacity);
}

void ZRSkinBox::draw(QPainter& painter) {
    drawOnPainter(m_layout, painter);
}

void ZRSkinBox::draw(QPainter& painter, const QRect& rect) {
    draw(painter, rect.x(), rect.y(), rect.width(), rect.height());
}

void ZRSkinBox::draw(QPainter& painter, int x, int y, int w, int h) {
    drawOnPainter(layoutFor(QRect(x, y, w, h)), painter);
}

void ZRSkinBox::drawOnPainter(const Layout& l, QPainter& painter) const {
    const QRect& f = l.fill;
    if (m_colorMode && !f.isEmpty()) {
        painter.save();
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
        painter.fillRect(f, QColor::fromRgba(m_fillColor));
        painter.restore();
    } else if (m_fillImage && !f.isEmpty()) {
        tileImageOverPainter(painter, f.x(), f.y(), f.width(), f.height(), *m_fillImage, 0, 0);
    }
    for (Piece piece : {NW, N, NE, E, SE, S, SW, W}) {
        const QImage* image = m_pieces[piece];
        const QRect& cell = l.pieces[piece];
        if (!image || cell.isEmpty()) continue;
        if (piece >= NW)
            blitImageRegion(painter, cell.topLeft() + m_pieceCells[piece].topLeft(), *image);
        else
            tileImageOverPainter(painter, cell.x(), cell.y(), cell.width(), cell.height(), *image,
                                 0, 0);
    }
}
