#include "tools/skingen/SkinDrawing.h"

#include <QFont>
#include <QJsonValue>
#include <QPainter>
#include <QPainterPath>

#include <cmath>
#include <functional>
#include <map>

QColor SkinPalette::colour(const QJsonValue& value, bool* ok) const {
    const QString text = value.toString();
    if (text.startsWith('$')) {
        const auto it = m_colours.constFind(text.mid(1));
        if (it != m_colours.cend()) return *it;
    } else if (text.startsWith('#') && (text.size() == 7 || text.size() == 9)) {
        bool good = false;
        const uint v = text.mid(1).toUInt(&good, 16);
        if (good) return text.size() == 7 ? QColor::fromRgb(0xFF000000 | v) : QColor::fromRgba(v);
    }
    *ok = false;
    return QColor();
}

namespace {

/* ** Icons are drawn on a 16 x 16 grid scaled to the layer (keeping proportions, centred), with
** the pen and brush the operation sets up: shapes are filled, strokes drawn with the pen. */

using Icon = std::function<void(QPainter&)>;

QPainterPath polygon(std::initializer_list<QPointF> points) {
    QPainterPath path;
    path.addPolygon(QPolygonF(points));
    path.closeSubpath();
    return path;
}

void fill(QPainter& p, const QPainterPath& path) {
    p.fillPath(path, p.brush());
}

void bar(QPainter& p, double x, double y, double w, double h) {
    p.fillRect(QRectF(x, y, w, h), p.brush());
}

const std::map<QString, Icon>& icons() {
    static const std::map<QString, Icon> table{
        {"play",
         [](QPainter& p) {
             fill(p, polygon({{5, 3}, {13, 8}, {5, 13}}));
         }},
        {"pause",
         [](QPainter& p) {
             bar(p, 4, 3, 3, 10);
             bar(p, 9, 3, 3, 10);
         }},
        {"stop", [](QPainter& p) { bar(p, 4, 4, 8, 8); }},
        {"record",
         [](QPainter& p) {
             QPainterPath c;
             c.addEllipse(QPointF(8, 8), 4.5, 4.5);
             fill(p, c);
         }},
        {"rewind",
         [](QPainter& p) {
             bar(p, 2, 4, 2, 8);
             fill(p, polygon({{4, 8}, {9, 4}, {9, 12}}));
             fill(p, polygon({{9, 8}, {14, 4}, {14, 12}}));
         }},
        {"fast_forward",
         [](QPainter& p) {
             fill(p, polygon({{2, 4}, {7, 8}, {2, 12}}));
             fill(p, polygon({{7, 4}, {12, 8}, {7, 12}}));
             bar(p, 12, 4, 2, 8);
         }},
        {"wind_back",
         [](QPainter& p) {
             fill(p, polygon({{2, 8}, {8, 4}, {8, 12}}));
             fill(p, polygon({{8, 8}, {14, 4}, {14, 12}}));
         }},
        {"wind_forward",
         [](QPainter& p) {
             fill(p, polygon({{2, 4}, {8, 8}, {2, 12}}));
             fill(p, polygon({{8, 4}, {14, 8}, {8, 12}}));
         }},
        {"frame_back",
         [](QPainter& p) {
             bar(p, 4, 4, 2, 8);
             fill(p, polygon({{6, 8}, {12, 4}, {12, 12}}));
         }},
        {"frame_forward",
         [](QPainter& p) {
             fill(p, polygon({{4, 4}, {10, 8}, {4, 12}}));
             bar(p, 10, 4, 2, 8);
         }},
        {"loop",
         [](QPainter& p) {
             p.drawArc(QRectF(3, 4, 10, 8), 30 * 16, 300 * 16);
             fill(p, polygon({{11, 2}, {14, 5}, {10, 6}}));
         }},
        {"eject",
         [](QPainter& p) {
             fill(p, polygon({{3, 9}, {8, 3}, {13, 9}}));
             bar(p, 3, 11, 10, 2);
         }},
        {"select",
         [](QPainter& p) {
             fill(p, polygon({{4, 2}, {4, 13}, {7, 10}, {9, 14}, {11, 13}, {9, 9}, {13, 9}}));
         }},
        {"zoom",
         [](QPainter& p) {
             p.drawEllipse(QPointF(7, 7), 4, 4);
             p.drawLine(QPointF(10, 10), QPointF(14, 14));
         }},
        {"knife",
         [](QPainter& p) {
             fill(p, polygon({{3, 13}, {11, 3}, {13, 5}, {6, 13}}));
         }},
        {"snapshot",
         [](QPainter& p) {
             QPainterPath body;
             body.addRoundedRect(QRectF(2, 5, 12, 8), 1.5, 1.5);
             fill(p, body);
             bar(p, 5, 3, 4, 2);
             p.save();
             p.setCompositionMode(QPainter::CompositionMode_Clear);
             p.drawEllipse(QPointF(8, 9), 2.2, 2.2);
             p.restore();
         }},
        {"marker",
         [](QPainter& p) {
             bar(p, 4, 2, 1.5, 12);
             fill(p, polygon({{5.5, 2}, {13, 4.5}, {5.5, 7}}));
         }},
        {"hand",
         [](QPainter& p) {
             // A bin: what the hand tool (delete) does.
             bar(p, 3, 4, 10, 1.5);
             bar(p, 6, 2, 4, 1.5);
             fill(p, polygon({{4, 6}, {12, 6}, {11, 14}, {5, 14}}));
         }},
        {"storyboard",
         [](QPainter& p) {
             for (int i = 0; i < 3; ++i)
                 bar(p, 1 + 5 * i, 5, 4, 6);
         }},
        {"timeline",
         [](QPainter& p) {
             bar(p, 1, 3, 9, 3);
             bar(p, 5, 7, 10, 3);
             bar(p, 2, 11, 7, 3);
         }},
        {"folder_closed",
         [](QPainter& p) {
             fill(p, polygon({{1, 4}, {6, 4}, {7, 5}, {15, 5}, {15, 13}, {1, 13}}));
         }},
        {"folder_open",
         [](QPainter& p) {
             fill(p, polygon({{1, 4}, {6, 4}, {7, 5}, {13, 5}, {13, 7}, {1, 7}}));
             fill(p, polygon({{3, 8}, {15, 8}, {13, 13}, {1, 13}}));
         }},
        {"clip",
         [](QPainter& p) {
             QPainterPath frame;
             frame.addRect(QRectF(2, 3, 12, 10));
             frame.addRect(QRectF(4, 5, 8, 6));
             frame.setFillRule(Qt::OddEvenFill);
             fill(p, frame);
         }},
        {"effect",
         [](QPainter& p) {
             QPolygonF star;
             for (int i = 0; i < 10; ++i) {
                 const double r = i % 2 ? 2.6 : 6.5, a = M_PI / 5 * i - M_PI / 2;
                 star << QPointF(8 + r * std::cos(a), 8.5 + r * std::sin(a));
             }
             QPainterPath path;
             path.addPolygon(star);
             fill(p, path);
         }},
        {"transition",
         [](QPainter& p) {
             fill(p, polygon({{2, 3}, {8, 8}, {2, 13}}));
             fill(p, polygon({{14, 3}, {8, 8}, {14, 13}}));
         }},
        {"speaker",
         [](QPainter& p) {
             fill(p, polygon({{2, 6}, {5, 6}, {9, 3}, {9, 13}, {5, 10}, {2, 10}}));
             p.drawArc(QRectF(7, 5, 5, 6), -60 * 16, 120 * 16);
             p.drawArc(QRectF(7, 3, 8, 10), -60 * 16, 120 * 16);
         }},
        {"speaker_off",
         [](QPainter& p) {
             fill(p, polygon({{2, 6}, {5, 6}, {9, 3}, {9, 13}, {5, 10}, {2, 10}}));
             p.drawLine(QPointF(11, 6), QPointF(15, 10));
             p.drawLine(QPointF(15, 6), QPointF(11, 10));
         }},
        {"audio",
         [](QPainter& p) {
             bar(p, 9, 2, 1.5, 10);
             bar(p, 9, 2, 5, 1.5);
             QPainterPath head;
             head.addEllipse(QPointF(7.5, 12), 2.5, 2);
             fill(p, head);
         }},
        {"up",
         [](QPainter& p) {
             fill(p, polygon({{4, 10}, {8, 5}, {12, 10}}));
         }},
        {"down",
         [](QPainter& p) {
             fill(p, polygon({{4, 6}, {8, 11}, {12, 6}}));
         }},
        {"left",
         [](QPainter& p) {
             fill(p, polygon({{10, 4}, {5, 8}, {10, 12}}));
         }},
        {"right",
         [](QPainter& p) {
             fill(p, polygon({{6, 4}, {11, 8}, {6, 12}}));
         }},
        {"grip_h",
         [](QPainter& p) {
             for (int i = 0; i < 3; ++i)
                 bar(p, 5 + 2.5 * i, 5, 1, 6);
         }},
        {"grip_v",
         [](QPainter& p) {
             for (int i = 0; i < 3; ++i)
                 bar(p, 5, 5 + 2.5 * i, 6, 1);
         }},
        {"align_left",
         [](QPainter& p) {
             for (int i = 0; i < 4; ++i)
                 bar(p, 2, 3 + 3 * i, i % 2 ? 8 : 12, 1.5);
         }},
        {"align_center",
         [](QPainter& p) {
             for (int i = 0; i < 4; ++i)
                 bar(p, i % 2 ? 4 : 2, 3 + 3 * i, i % 2 ? 8 : 12, 1.5);
         }},
        {"align_right",
         [](QPainter& p) {
             for (int i = 0; i < 4; ++i)
                 bar(p, i % 2 ? 6 : 2, 3 + 3 * i, i % 2 ? 8 : 12, 1.5);
         }},
        {"camera",
         [](QPainter& p) {
             QPainterPath body;
             body.addRoundedRect(QRectF(1, 4, 10, 8), 1.5, 1.5);
             fill(p, body);
             fill(p, polygon({{11, 7}, {15, 4.5}, {15, 11.5}, {11, 9}}));
         }},
        {"harddisk",
         [](QPainter& p) {
             QPainterPath body;
             body.addRoundedRect(QRectF(2, 4, 12, 8), 1.5, 1.5);
             fill(p, body);
             p.save();
             p.setCompositionMode(QPainter::CompositionMode_Clear);
             p.drawLine(QPointF(4, 9), QPointF(9, 9));
             p.restore();
         }},
        {"web",
         [](QPainter& p) {
             // A globe of lines: with the brush the caller sets, the rim would fill to a disc.
             p.setBrush(Qt::NoBrush);
             p.drawEllipse(QPointF(8, 8), 6, 6);
             p.drawEllipse(QPointF(8, 8), 2.5, 6);
             p.drawLine(QPointF(2, 8), QPointF(14, 8));
         }},
        {"disc",
         [](QPainter& p) {
             QPainterPath d;
             d.addEllipse(QPointF(8, 8), 6.5, 6.5);
             d.addEllipse(QPointF(8, 8), 1.5, 1.5);
             d.setFillRule(Qt::OddEvenFill);
             fill(p, d);
         }},
        {"check",
         [](QPainter& p) {
             p.drawPolyline(QPolygonF({{3, 8}, {7, 12}, {13, 4}}));
         }},
        {"cross",
         [](QPainter& p) {
             p.drawLine(QPointF(4, 4), QPointF(12, 12));
             p.drawLine(QPointF(12, 4), QPointF(4, 12));
         }},
        {"plus",
         [](QPainter& p) {
             bar(p, 7, 3, 2, 10);
             bar(p, 3, 7, 10, 2);
         }},
        {"minus", [](QPainter& p) { bar(p, 3, 7, 10, 2); }},
        {"dot",
         [](QPainter& p) {
             QPainterPath c;
             c.addEllipse(QPointF(8, 8), 2.5, 2.5);
             fill(p, c);
         }},
        {"screen",
         [](QPainter& p) {
             QPainterPath s;
             s.addRect(QRectF(2, 3, 12, 9));
             s.addRect(QRectF(3.5, 4.5, 9, 6));
             s.setFillRule(Qt::OddEvenFill);
             fill(p, s);
             bar(p, 6, 13, 4, 1.5);
         }},
        {"text",
         [](QPainter& p) {
             bar(p, 3, 3, 10, 2);
             bar(p, 7, 3, 2, 10);
         }},
        {"swatch", [](QPainter& p) { bar(p, 3, 3, 10, 10); }},
        {"fade",
         [](QPainter& p) {
             for (int i = 0; i < 5; ++i) {
                 p.setOpacity(0.2 + 0.2 * i);
                 bar(p, 2 + 2.5 * i, 4, 2.5, 8);
             }
         }},
    };
    return table;
}

bool number(const QJsonArray& op, int i, double* out) {
    if (i >= op.size() || !op[i].isDouble()) return false;
    *out = op[i].toDouble();
    return true;
}

} // namespace

QStringList iconNames() {
    QStringList names;
    for (const auto& [name, icon] : icons())
        names << name;
    return names;
}

QImage drawLayer(const QSize& size, const QJsonArray& ops, const SkinPalette& palette,
                 QString* error) {
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF all(0, 0, size.width(), size.height());
    for (const QJsonValue& value : ops) {
        const QJsonArray op = value.toArray();
        const QString name = op.isEmpty() ? QString() : op[0].toString();
        bool ok = true;
        const auto colour = [&](int i) {
            return i < op.size() ? palette.colour(op[i], &ok) : (ok = false, QColor());
        };
        double a = 0, b = 0, c = 0, d = 0, e = 1;
        if (name == "fill") {
            p.fillRect(all, colour(1));
        } else if (name == "round") {
            // round radius fill [border]: a rounded rectangle over the whole layer.
            ok = number(op, 1, &a);
            const QColor inside = colour(2);
            QPainterPath path;
            path.addRoundedRect(all.adjusted(0.5, 0.5, -0.5, -0.5), a, a);
            p.fillPath(path, inside);
            if (op.size() > 3) p.strokePath(path, QPen(colour(3), 1));
        } else if (name == "rect" || name == "frame") {
            // rect x y w h colour: a filled rectangle; frame x y w h colour: its outline.
            ok = number(op, 1, &a) && number(op, 2, &b) && number(op, 3, &c) && number(op, 4, &d);
            const QColor col = colour(5);
            if (name == "rect")
                p.fillRect(QRectF(a, b, c, d), col);
            else
                p.strokePath(
                    [&] {
                        QPainterPath path;
                        path.addRect(QRectF(a + 0.5, b + 0.5, c - 1, d - 1));
                        return path;
                    }(),
                    QPen(col, 1));
        } else if (name == "line") {
            // line x1 y1 x2 y2 colour [width]
            ok = number(op, 1, &a) && number(op, 2, &b) && number(op, 3, &c) && number(op, 4, &d);
            if (op.size() > 6) ok = ok && number(op, 6, &e);
            p.setPen(QPen(colour(5), e, Qt::SolidLine, Qt::FlatCap));
            p.drawLine(QPointF(a, b), QPointF(c, d));
        } else if (name == "vgrad" || name == "hgrad") {
            QLinearGradient g(0, 0, name == "hgrad" ? size.width() : 0,
                              name == "vgrad" ? size.height() : 0);
            g.setColorAt(0, colour(1));
            g.setColorAt(1, colour(2));
            p.fillRect(all, g);
        } else if (name == "icon") {
            // icon name colour [size]: centred, 16-unit grid scaled to `size` (default: layer).
            const auto icon = icons().find(op.size() > 1 ? op[1].toString() : QString());
            if (icon == icons().end()) {
                *error = "unknown icon " + (op.size() > 1 ? op[1].toString() : QString());
                return QImage();
            }
            const QColor col = colour(2);
            double side = std::min(size.width(), size.height());
            if (op.size() > 3) ok = ok && number(op, 3, &side);
            p.save();
            p.translate((size.width() - side) / 2, (size.height() - side) / 2);
            p.scale(side / 16, side / 16);
            p.setPen(QPen(col, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            p.setBrush(col);
            icon->second(p);
            p.restore();
        } else if (name == "text") {
            // text string colour pixelSize [bold]
            ok = op.size() > 1 && number(op, 3, &a);
            QFont font(QStringLiteral("DejaVu Sans"));
            font.setPixelSize(std::max(1, int(a)));
            font.setBold(op.size() > 4 && op[4].toBool());
            font.setHintingPreference(QFont::PreferFullHinting);
            p.setFont(font);
            p.setPen(colour(2));
            p.drawText(all, Qt::AlignCenter, op[1].toString());
        } else {
            *error = "unknown operation " + name;
            return QImage();
        }
        if (!ok) {
            *error = "bad arguments to " + name;
            return QImage();
        }
    }
    p.end();
    return image.convertToFormat(QImage::Format_ARGB32);
}
