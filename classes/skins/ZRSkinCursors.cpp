#include "classes/skins/ZRSkinCursors.h"

#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <functional>

namespace {

/* ** The program's cursors: 32 x 32, a white figure with a dark outline, so that they read on
** light and dark skins alike. Each entry draws its figure on a painter set up for that. */

constexpr int kSize = 32;

using Figure = std::function<void(QPainter&)>;

QCursor drawCursor(const QPoint& hotSpot, const Figure& figure) {
    QImage image(kSize, kSize, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        // Outline pass, then the white figure over it.
        for (const auto& [colour, width] :
             {std::pair{QColor(20, 20, 20), 4.0}, std::pair{QColor(255, 255, 255), 1.6}}) {
            p.save();
            p.setPen(QPen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            p.setBrush(Qt::NoBrush);
            figure(p);
            p.restore();
        }
    }
    return QCursor(QPixmap::fromImage(image), hotSpot.x(), hotSpot.y());
}

void arrow(QPainter& p, QPointF tip) {
    QPainterPath path(tip);
    path.lineTo(tip + QPointF(0, 14));
    path.lineTo(tip + QPointF(4, 10));
    path.lineTo(tip + QPointF(7, 16));
    path.lineTo(tip + QPointF(9, 15));
    path.lineTo(tip + QPointF(6, 9));
    path.lineTo(tip + QPointF(11, 9));
    path.closeSubpath();
    p.drawPath(path);
}

void magnifier(QPainter& p, bool plus) {
    p.drawEllipse(QPointF(12, 12), 7, 7);
    p.drawLine(QPointF(17, 17), QPointF(25, 25));
    p.drawLine(QPointF(9, 12), QPointF(15, 12));
    if (plus) p.drawLine(QPointF(12, 9), QPointF(12, 15));
}

void fourWay(QPainter& p) {
    p.drawLine(QPointF(16, 5), QPointF(16, 27));
    p.drawLine(QPointF(5, 16), QPointF(27, 16));
    for (const QPointF& tip : {QPointF(16, 5), QPointF(16, 27), QPointF(5, 16), QPointF(27, 16)}) {
        const QPointF d = (QPointF(16, 16) - tip) / 11.0 * 3.0;
        p.drawLine(tip, tip + d + QPointF(d.y(), d.x()));
        p.drawLine(tip, tip + d - QPointF(d.y(), d.x()));
    }
}

void card(QPainter& p, QPointF at) {
    p.drawRect(QRectF(at, QSizeF(10, 7)));
}

} // namespace

std::array<std::unique_ptr<QCursor>, kSkinCursorCount> makeSkinCursors() {
    std::array<std::unique_ptr<QCursor>, kSkinCursorCount> cursors;
    const std::pair<QPoint, Figure> own[kSkinCursorCount - 2] = {
        // 2 split: a blade over a vertical cut.
        {{16, 16},
         [](QPainter& p) {
             p.drawLine(QPointF(16, 4), QPointF(16, 28));
             p.drawLine(QPointF(11, 10), QPointF(16, 16));
             p.drawLine(QPointF(21, 10), QPointF(16, 16));
         }},
        // 3 hand: an open palm.
        {{14, 8},
         [](QPainter& p) {
             for (int f = 0; f < 4; ++f)
                 p.drawLine(QPointF(9 + 4 * f, 8), QPointF(9 + 4 * f, 17));
             p.drawRoundedRect(QRectF(8, 16, 15, 10), 3, 3);
         }},
        // 4 zoom in, 5 zoom out.
        {{12, 12}, [](QPainter& p) { magnifier(p, true); }},
        {{12, 12}, [](QPainter& p) { magnifier(p, false); }},
        // 6 trim/drag: a double arrow along the timeline.
        {{16, 16},
         [](QPainter& p) {
             p.drawLine(QPointF(5, 16), QPointF(27, 16));
             p.drawLine(QPointF(16, 9), QPointF(16, 23));
             p.drawPolyline(QPolygonF({{9, 12}, {5, 16}, {9, 20}}));
             p.drawPolyline(QPolygonF({{23, 12}, {27, 16}, {23, 20}}));
         }},
        // 7 move: four-way arrows.
        {{16, 16}, fourWay},
        // 8 moving cells: an arrow carrying a cell.
        {{2, 2},
         [](QPainter& p) {
             arrow(p, {2, 2});
             card(p, {16, 18});
         }},
        // 9 copying: an arrow carrying a cell with a plus.
        {{2, 2},
         [](QPainter& p) {
             arrow(p, {2, 2});
             card(p, {16, 18});
             p.drawLine(QPointF(26, 24), QPointF(30, 24));
             p.drawLine(QPointF(28, 22), QPointF(28, 26));
         }},
        // 10 busy: an hourglass.
        {{16, 16},
         [](QPainter& p) {
             p.drawPolygon(QPolygonF({{9, 5}, {23, 5}, {16, 16}}));
             p.drawPolygon(QPolygonF({{9, 27}, {23, 27}, {16, 16}}));
         }},
        // 11 no drop: a barred circle.
        {{16, 16},
         [](QPainter& p) {
             p.drawEllipse(QPointF(16, 16), 9, 9);
             p.drawLine(QPointF(10, 10), QPointF(22, 22));
         }},
        // 12 marker: a flag.
        {{8, 28},
         [](QPainter& p) {
             p.drawLine(QPointF(8, 4), QPointF(8, 28));
             p.drawPolygon(QPolygonF({{8, 5}, {22, 9}, {8, 14}}));
         }},
        // 13 select: the plain pointer.
        {{2, 2},
         [](QPainter& p) {
             arrow(p, {2, 2});
         }},
        // 14 time cursor: a playhead with its line.
        {{16, 16},
         [](QPainter& p) {
             p.drawPolygon(QPolygonF({{11, 4}, {21, 4}, {21, 9}, {16, 13}, {11, 9}}));
             p.drawLine(QPointF(16, 13), QPointF(16, 28));
         }},
    };
    cursors[0] = std::make_unique<QCursor>(Qt::ArrowCursor);
    cursors[1] = std::make_unique<QCursor>(Qt::SizeAllCursor);
    for (int i = 0; i < kSkinCursorCount - 2; ++i)
        cursors[size_t(i + 2)] = std::make_unique<QCursor>(drawCursor(own[i].first, own[i].second));
    return cursors;
}
