// skingen: draws the default skin from its descriptions and writes one layered PSD per
// description.
//
//   skingen <output folder> [--png <folder>] <description.json>...
//
// A description names the document's layer sets and the layers outside them; set kinds
// (button, box, three, colors) expand into the layers widgets look up, explicit layers are drawn
// from operations (SkinDrawing.h). "palette.json" among the inputs supplies the colour names.
// A description with "format": "bmp" is written as one flat 24-bit bitmap of its composite
// instead of a PSD.

#include "tools/psdwriter/PSDWriter.h"
#include "tools/skingen/SkinDrawing.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>
#include <QPainterPath>

#include <cstdio>
#include <cstdlib>

QImage layerSheet(const QSize& canvas, const std::vector<PSDWriteLayer>& layers);

namespace {

// A list of one draw operation (a braced list of one array would copy the array instead).
QJsonArray one(const QJsonArray& op) {
    QJsonArray ops;
    ops.append(op);
    return ops;
}

// Description errors end the run: the build must not go on with a half-drawn skin.
[[noreturn]] void stop(const QString& text) {
    std::fprintf(stderr, "skingen: %s\n", qPrintable(text));
    std::exit(1);
}

class Generator {
public:
    explicit Generator(const SkinPalette& palette) : m_palette(palette) {}

    /// The PSD of a description; `composite`, when given, receives a review sheet of it.
    QByteArray build(const QJsonObject& description, QImage* composite);
    /// The flattened picture of a description, opaque.
    QImage flatten(const QJsonObject& description);

private:
    [[noreturn]] void fail(const QString& text) const { stop(m_where + ": " + text); }
    QColor colour(const QJsonValue& v) const {
        bool ok = true;
        const QColor c = m_palette.colour(v, &ok);
        if (!ok) fail("bad colour " + v.toVariant().toString());
        return c;
    }
    static QSize sizeOf(const QJsonValue& v) {
        const QJsonArray a = v.toArray();
        return QSize(a.at(0).toInt(), a.at(1).toInt());
    }
    static QPoint pointOf(const QJsonValue& v) {
        const QJsonArray a = v.toArray();
        return QPoint(a.at(0).toInt(), a.at(1).toInt());
    }
    PSDWriteLayer layer(const QString& name, const QPoint& at, const QImage& image,
                        int opacity = 255) const {
        PSDWriteLayer l;
        l.name = name;
        l.position = at;
        l.image = image;
        l.opacity = uint8_t(opacity);
        return l;
    }

    std::vector<PSDWriteLayer> explicitLayers(const QJsonArray& list, const QPoint& origin);
    std::vector<PSDWriteLayer> button(const QJsonObject& set, const QPoint& at);
    std::vector<PSDWriteLayer> box(const QJsonObject& set, const QPoint& at);
    std::vector<PSDWriteLayer> three(const QJsonObject& set, const QPoint& at);
    std::vector<PSDWriteLayer> colours(const QJsonObject& set, const QPoint& at);
    /// Every layer of a description, in file order, and the canvas they lie on.
    std::vector<PSDWriteLayer> drawLayers(const QJsonObject& description, QSize* canvas);
    std::vector<PSDWriteLayer> glyphs(const QJsonObject& spec);
    void scrollBar(const QJsonObject& spec, std::vector<PSDWriteLayer>* out, int* nextId);
    QImage boxImage(const QSize& size, const QJsonObject& style);
    std::vector<PSDWriteLayer> slice(const QImage& full, const QPoint& at, int corner,
                                     const QString& prefix, bool fillColour, const QColor& fill,
                                     int band = 0);

    const SkinPalette& m_palette;
    QString m_where;
};

std::vector<PSDWriteLayer> Generator::explicitLayers(const QJsonArray& list, const QPoint& origin) {
    std::vector<PSDWriteLayer> out;
    for (const QJsonValue& v : list) {
        const QJsonObject o = v.toObject();
        const QJsonArray r = o["rect"].toArray();
        if (r.size() != 4) fail("layer " + o["name"].toString() + " needs a rect");
        const QRect rect(r[0].toInt(), r[1].toInt(), r[2].toInt(), r[3].toInt());
        QString error;
        const QImage image = drawLayer(rect.size(), o["draw"].toArray(), m_palette, &error);
        if (image.isNull() && !rect.isEmpty()) fail(o["name"].toString() + ": " + error);
        out.push_back(
            layer(o["name"].toString(), origin + rect.topLeft(), image, o["opacity"].toInt(255)));
    }
    return out;
}

// A state button: one full-size image per state, the icon or label baked in (shifted one
// pixel while pressed), the disabled state dimmed.
std::vector<PSDWriteLayer> Generator::button(const QJsonObject& set, const QPoint& at) {
    const QSize size = sizeOf(set["size"]);
    QStringList states{"normal", "over", "pressed", "disabled"};
    if (set.contains("states")) {
        states.clear();
        for (const QJsonValue& s : set["states"].toArray())
            states << s.toString();
    }
    if (set["toggle"].toBool())
        states << "toggle_normal"
               << "toggle_over"
               << "toggle_pressed"
               << "pressed_disabled";
    const double radius = set["radius"].toDouble(3);
    const QString icon = set["icon"].toString();
    const QString label = set["label"].toString();
    std::vector<PSDWriteLayer> out;
    for (const QString& state : states) {
        const bool pressed = state.contains("pressed") || state == "toggle_normal" ||
                             state == "toggle_over" || state == "on";
        const bool disabled = state.contains("disabled") || state == "off";
        const bool over = state.contains("over");
        const QString base = set["flat"].toBool() ? "$transparent"
                             : disabled           ? "$button_disabled"
                             : state == "toggle_normal" || state == "toggle_over"
                                 ? (over ? "$accent_over" : "$accent")
                             : pressed ? "$button_pressed"
                             : over    ? "$button_over"
                                       : "$button";
        const QJsonArray ops = one({"round", radius, base, disabled ? "$edge" : "$edge_light"});
        const QString ink = disabled                                    ? "$text_disabled"
                            : set["flat"].toBool() && (pressed || over) ? "$accent"
                                                                        : "$text";
        QImage image;
        QString error;
        image = drawLayer(size, ops, m_palette, &error);
        if (image.isNull()) fail(error);
        if (!icon.isEmpty() || !label.isEmpty()) {
            const QJsonArray faceOps = one(
                icon.isEmpty() ? QJsonArray{"text", label, ink, set["text_size"].toDouble(10), true}
                               : QJsonArray{"icon", icon, ink,
                                            set["icon_size"].toDouble(
                                                std::min(size.width(), size.height()) - 4)});
            const QImage face = drawLayer(size, faceOps, m_palette, &error);
            if (face.isNull()) fail(error);
            QPainter p(&image);
            p.drawImage(pressed && !state.startsWith("toggle") ? QPoint(1, 1) : QPoint(0, 0), face);
        }
        out.push_back(layer(state, at, image));
    }
    return out;
}

QImage Generator::boxImage(const QSize& size, const QJsonObject& style) {
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const double radius = style["radius"].toDouble(3);
    if (style["style"].toString() == "shadow") {
        // A soft drop shadow: rings of growing opacity towards the inside, the middle clear.
        const int depth = style["corner"].toInt(8);
        const QColor c = colour(style["fill"].toString("$shadow"));
        for (int i = 0; i < depth; ++i) {
            QColor ring = c;
            ring.setAlphaF(c.alphaF() * (i + 1) / depth);
            QPainterPath path;
            path.addRoundedRect(
                QRectF(i + 0.5, i + 0.5, size.width() - 2 * i - 1, size.height() - 2 * i - 1),
                depth - i, depth - i);
            p.strokePath(path, QPen(ring, 1));
        }
        p.end();
        return image.convertToFormat(QImage::Format_ARGB32);
    }
    // An open side runs on past the image, so that box joins the next one without a border
    // or rounded corners there.
    QRectF outline(0.5, 0.5, size.width() - 1, size.height() - 1);
    for (const QJsonValue& side : style["open"].toArray()) {
        if (side.toString() == "left") outline.setLeft(outline.left() - radius - 2);
        if (side.toString() == "right") outline.setRight(outline.right() + radius + 2);
    }
    QPainterPath path;
    path.addRoundedRect(outline, radius, radius);
    p.fillPath(path, colour(style["fill"].toString("$panel")));
    if (style.contains("top")) {
        // A title band of its own colour across the top.
        p.save();
        p.setClipPath(path);
        p.fillRect(QRectF(0, 0, size.width(), style["top"].toDouble()),
                   colour(style["top_fill"].toString("$panel_light")));
        p.restore();
    }
    if (!style["border"].toString().isEmpty())
        p.strokePath(path, QPen(colour(style["border"].toString()), 1));
    p.end();
    return image.convertToFormat(QImage::Format_ARGB32);
}

std::vector<PSDWriteLayer> Generator::slice(const QImage& full, const QPoint& at, int corner,
                                            const QString& prefix, bool fillColour,
                                            const QColor& fill, int band) {
    const int w = full.width(), h = full.height(), c = corner;
    const struct {
        const char* name;
        QRect rect;
    } pieces[] = {
        {"nw", QRect(0, 0, c, c)},
        {"n", QRect(c, 0, w - 2 * c, c)},
        {"ne", QRect(w - c, 0, c, c)},
        {"w", QRect(0, c, c, h - 2 * c)},
        {"e", QRect(w - c, c, c, h - 2 * c)},
        {"sw", QRect(0, h - c, c, c)},
        {"s", QRect(c, h - c, w - 2 * c, c)},
        {"se", QRect(w - c, h - c, c, c)},
    };
    std::vector<PSDWriteLayer> out;
    for (const auto& piece : pieces) {
        if (piece.rect.isEmpty()) fail("box too small for its corners");
        out.push_back(layer(prefix + piece.name, at + piece.rect.topLeft(), full.copy(piece.rect)));
    }
    const QRect middle(c, c, w - 2 * c, h - 2 * c);
    if (fillColour) {
        // With a band, the swatch marks the bottom rows that the tab bars keep free of text
        // and clicks (the band runs from the swatch's top to the box's bottom).
        const QRect place = band > 0 ? QRect(c, h - band, w - 2 * c, band) : middle;
        QImage swatch(place.size(), QImage::Format_ARGB32);
        swatch.fill(fill);
        out.push_back(layer(prefix + "fill_color", at + place.topLeft(), swatch));
    } else {
        out.push_back(layer(prefix + "fill_brush", at + middle.topLeft(), full.copy(middle)));
    }
    return out;
}

// A nine-slice box: corners, edges and the middle as "fill_color" (or "fill_brush").
std::vector<PSDWriteLayer> Generator::box(const QJsonObject& set, const QPoint& at) {
    const QImage full = boxImage(sizeOf(set["size"]), set);
    const bool brush = set["brush"].toBool() || set["style"].toString() == "shadow";
    return slice(full, at, set["corner"].toInt(4), set["prefix"].toString(), !brush,
                 colour(set["fill"].toString("$panel")), set["band"].toInt(0));
}

// A horizontal three-piece bar (caps and a middle to tile).
std::vector<PSDWriteLayer> Generator::three(const QJsonObject& set, const QPoint& at) {
    const QSize size = sizeOf(set["size"]);
    const QImage full = boxImage(size, set);
    const int cap = set["cap"].toInt(4);
    QStringList names{"left", "middle", "right"};
    if (set.contains("names")) {
        names.clear();
        for (const QJsonValue& n : set["names"].toArray())
            names << n.toString();
    }
    if (names.size() != 3) fail("three needs three names");
    return {layer(names[0], at, full.copy(0, 0, cap, size.height())),
            layer(names[1], at + QPoint(cap, 0),
                  full.copy(cap, 0, size.width() - 2 * cap, size.height())),
            layer(names[2], at + QPoint(size.width() - cap, 0),
                  full.copy(size.width() - cap, 0, cap, size.height()))};
}

// Colours for widgets that read a layer's top-left pixel: one small swatch each.
std::vector<PSDWriteLayer> Generator::colours(const QJsonObject& set, const QPoint& at) {
    std::vector<PSDWriteLayer> out;
    const QJsonObject list = set["colors"].toObject();
    int x = 0;
    for (auto it = list.begin(); it != list.end(); ++it, x += 5) {
        QImage swatch(4, 4, QImage::Format_ARGB32);
        swatch.fill(colour(it.value()));
        out.push_back(layer(it.key(), at + QPoint(x, 0), swatch));
    }
    return out;
}

// One layer per character, all at (x, 0): widgets advance their own pen by the glyph widths.
std::vector<PSDWriteLayer> Generator::glyphs(const QJsonObject& spec) {
    QFont font(spec["font"].toString("DejaVu Sans"));
    font.setPixelSize(spec["size"].toInt(11));
    font.setBold(spec["bold"].toBool());
    font.setHintingPreference(QFont::PreferFullHinting);
    const QFontMetrics metrics(font);
    const int height = spec["height"].toInt(metrics.height());
    const QColor ink = colour(spec["color"].toString("#FFFFFFFF"));
    const QPoint at = pointOf(spec["at"]);
    std::vector<PSDWriteLayer> out;
    for (const QChar ch : spec["chars"].toString()) {
        const int width = std::max(1, metrics.horizontalAdvance(ch));
        QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter p(&image);
        p.setFont(font);
        p.setPen(ink);
        p.drawText(QRect(0, 0, width, height), Qt::AlignHCenter | Qt::AlignVCenter, QString(ch));
        p.end();
        out.push_back(layer(QString(ch), at, image.convertToFormat(QImage::Format_ARGB32)));
    }
    return out;
}

// The sets of a scroll-bar skin for both orientations: arrow pairs per state, the slider's
// three pieces per state, the grabber and the trough.
void Generator::scrollBar(const QJsonObject& spec, std::vector<PSDWriteLayer>* out, int* nextId) {
    const int t = spec["thickness"].toInt(14);
    const int cap = std::max(3, t / 3);
    const QPoint base = pointOf(spec["at"]);
    QString error;
    const auto draw = [&](const QSize& s, const QJsonArray& ops) {
        const QImage image = drawLayer(s, ops, m_palette, &error);
        if (image.isNull()) fail(error);
        return image;
    };
    for (const bool horizontal : {true, false}) {
        const QString prefix = horizontal ? "horz_" : "vert_";
        const QPoint origin = base + (horizontal ? QPoint(0, 0) : QPoint(0, 4 * (t + 2)));
        const QSize square(t, t);
        int row = 0;
        for (const char* state : {"normal", "pressed", "disabled"}) {
            const QString fillName = QString(state) == "pressed"    ? "$button_pressed"
                                     : QString(state) == "disabled" ? "$button_disabled"
                                                                    : "$button";
            const QString ink = QString(state) == "disabled" ? "$text_disabled" : "$text";
            const QJsonArray frame{"round", 2, fillName, "$edge_light"};
            const QPoint at =
                horizontal ? origin + QPoint(0, row * (t + 2)) : origin + QPoint(row * (t + 2), 0);
            std::vector<PSDWriteLayer> members{
                layer("sub", at,
                      draw(square, {frame, QJsonArray{"icon", horizontal ? "left" : "up", ink}})),
                layer(
                    "add", at + (horizontal ? QPoint(t + 1, 0) : QPoint(0, t + 1)),
                    draw(square, {frame, QJsonArray{"icon", horizontal ? "right" : "down", ink}}))};
            appendLayerSet(out, prefix + state, std::move(members), 255, nextId);
            ++row;
        }
        const QPoint other =
            horizontal ? origin + QPoint(3 * (t + 1), 0) : origin + QPoint(0, 3 * (t + 1));
        const QSize troughSize = horizontal ? QSize(8, t) : QSize(t, 8);
        appendLayerSet(
            out, prefix + "other",
            {layer("grabber", other,
                   draw(QSize(t, t), one({"icon", horizontal ? "grip_h" : "grip_v", "$text_dim"}))),
             layer("fill_normal", other + (horizontal ? QPoint(t + 1, 0) : QPoint(0, t + 1)),
                   draw(troughSize, one({"fill", "$trough"}))),
             layer("fill_disabled", other + (horizontal ? QPoint(t + 10, 0) : QPoint(0, t + 10)),
                   draw(troughSize, one({"fill", "$trough_disabled"})))},
            255, nextId);
        int n = 0;
        for (const char* state : {"normal", "pressed"}) {
            const QString fillName = QString(state) == "pressed" ? "$accent" : "$thumb";
            const int length = 3 * cap + 6;
            QImage full = horizontal
                              ? draw(QSize(length, t), one({"round", 3, fillName, "$edge_light"}))
                              : draw(QSize(t, length), one({"round", 3, fillName, "$edge_light"}));
            const QPoint at = horizontal ? origin + QPoint(0, (3 + n) * (t + 2))
                                         : origin + QPoint((3 + n) * (t + 2), 0);
            std::vector<PSDWriteLayer> members;
            const int parts[3][2] = {{0, cap}, {cap, length - 2 * cap}, {length - cap, cap}};
            const char* names[3] = {"first", "middle", "last"};
            for (int i = 0; i < 3; ++i) {
                const QRect r = horizontal ? QRect(parts[i][0], 0, parts[i][1], t)
                                           : QRect(0, parts[i][0], t, parts[i][1]);
                members.push_back(layer(names[i], at + r.topLeft(), full.copy(r)));
            }
            appendLayerSet(out, prefix + "slider_" + state, std::move(members), 255, nextId);
            ++n;
        }
    }
}

QByteArray Generator::build(const QJsonObject& description, QImage* composite) {
    QSize canvas;
    const std::vector<PSDWriteLayer> layers = drawLayers(description, &canvas);
    const QByteArray psd = writePSD(canvas, layers);
    if (composite) *composite = layerSheet(canvas, layers);
    return psd;
}

QImage Generator::flatten(const QJsonObject& description) {
    QSize canvas;
    const std::vector<PSDWriteLayer> layers = drawLayers(description, &canvas);
    // Whatever the layers leave uncovered shows black, as in any flat picture.
    QImage flat(canvas, QImage::Format_RGB32);
    flat.fill(Qt::black);
    QPainter p(&flat);
    p.drawImage(0, 0, composePSDLayers(canvas, layers));
    p.end();
    return flat;
}

std::vector<PSDWriteLayer> Generator::drawLayers(const QJsonObject& description, QSize* canvas) {
    m_where = description["name"].toString();
    std::vector<PSDWriteLayer> layers;
    int nextId = 1;
    if (description.contains("glyphs"))
        for (PSDWriteLayer& l : glyphs(description["glyphs"].toObject()))
            layers.push_back(l);
    for (PSDWriteLayer& l : explicitLayers(description["layers"].toArray(), QPoint()))
        layers.push_back(l);
    if (description.contains("scrollbar"))
        scrollBar(description["scrollbar"].toObject(), &layers, &nextId);
    for (const QJsonValue& v : description["sets"].toArray()) {
        const QJsonObject set = v.toObject();
        const QString name = set["name"].toString();
        const QString kind = set["kind"].toString();
        const QPoint at = pointOf(set["at"]);
        m_where = description["name"].toString() + "/" + name;
        std::vector<PSDWriteLayer> members;
        if (kind == "button")
            members = button(set, at);
        else if (kind == "box")
            members = box(set, at);
        else if (kind == "three")
            members = three(set, at);
        else if (kind == "colors")
            members = colours(set, at);
        else if (!kind.isEmpty())
            fail("unknown kind " + kind);
        for (PSDWriteLayer& l : explicitLayers(set["layers"].toArray(), at))
            members.push_back(l);
        if (members.empty()) fail("a set needs layers");
        appendLayerSet(&layers, name, std::move(members), uint8_t(set["opacity"].toInt(255)),
                       &nextId);
    }
    m_where = description["name"].toString();
    QRect bounds;
    for (const PSDWriteLayer& l : layers)
        if (!l.image.isNull()) bounds |= QRect(l.position, l.image.size());
    if (bounds.left() < 0 || bounds.top() < 0) fail("layers left of or above the canvas");
    *canvas = description.contains("canvas") ? sizeOf(description["canvas"])
                                             : QSize(bounds.right() + 1, bounds.bottom() + 1);
    if (canvas->isEmpty()) fail("empty canvas");
    return layers;
}

} // namespace

// A picture for reviewing a skin: the composite, then every layer on its own, one row per set
// (members only), at twice the size, on the program's background colour.
QImage layerSheet(const QSize& canvas, const std::vector<PSDWriteLayer>& layers) {
    std::vector<std::vector<const PSDWriteLayer*>> rows(1);
    for (const PSDWriteLayer& l : layers) {
        if (l.opensSet) {
            rows.emplace_back();
            continue;
        }
        if (!l.image.isNull() && l.sectionType < 0) rows.back().push_back(&l);
    }
    const QImage composite = composePSDLayers(canvas, layers);
    int width = composite.width(), height = composite.height() + 8;
    for (const auto& row : rows) {
        int w = 0, h = 0;
        for (const PSDWriteLayer* l : row) {
            w += l->image.width() + 4;
            h = std::max(h, l->image.height());
        }
        width = std::max(width, w);
        height += h + 6;
    }
    QImage sheet(QSize(width, height) * 2 + QSize(16, 16), QImage::Format_ARGB32);
    sheet.fill(QColor(0x1F, 0x20, 0x23));
    QPainter p(&sheet);
    p.translate(8, 8);
    p.scale(2, 2);
    p.drawImage(0, 0, composite);
    int y = composite.height() + 8;
    for (const auto& row : rows) {
        int x = 0, h = 0;
        for (const PSDWriteLayer* l : row) {
            p.drawImage(x, y, l->image);
            x += l->image.width() + 4;
            h = std::max(h, l->image.height());
        }
        y += h + (h ? 6 : 0);
    }
    p.end();
    return sheet;
}

namespace {

QJsonObject readJson(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) stop("cannot read " + path);
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(file.readAll(), &error);
    if (doc.isNull()) stop(path + ": " + error.errorString());
    return doc.object();
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: skingen <output folder> [--png <folder>] <description>...\n");
        return 2;
    }
    const QString output = args.takeFirst();
    QString pngFolder;
    if (args.size() >= 2 && args.first() == "--png") {
        args.takeFirst();
        pngFolder = args.takeFirst();
    }
    {
        SkinPalette palette;
        palette.add("transparent", Qt::transparent);
        for (const QString& path : args) {
            if (QFileInfo(path).fileName() != "palette.json") continue;
            const QJsonObject colours = readJson(path);
            for (auto it = colours.begin(); it != colours.end(); ++it) {
                bool ok = true;
                const QColor c = palette.colour(it.value(), &ok);
                if (!ok) stop("palette: bad colour for " + it.key());
                palette.add(it.key(), c);
            }
        }
        QDir().mkpath(output);
        if (!pngFolder.isEmpty()) QDir().mkpath(pngFolder);
        Generator generator(palette);
        for (const QString& path : args) {
            if (QFileInfo(path).fileName() == "palette.json") continue;
            QJsonObject description = readJson(path);
            const QString name = QFileInfo(path).completeBaseName();
            description["name"] = name;
            if (description["format"].toString() == "bmp") {
                const QImage flat = generator.flatten(description);
                const QString file = output + "/" + name + ".bmp";
                if (!flat.save(file, "BMP")) stop("cannot write " + file);
                if (!pngFolder.isEmpty()) flat.save(pngFolder + "/" + name + ".png");
                continue;
            }
            QImage composite;
            const QByteArray psd =
                generator.build(description, pngFolder.isEmpty() ? nullptr : &composite);
            QFile out(output + "/" + name + ".psd");
            if (!out.open(QIODevice::WriteOnly) || out.write(psd) != psd.size())
                stop("cannot write " + out.fileName());
            if (!pngFolder.isEmpty()) composite.save(pngFolder + "/" + name + ".png");
        }
    }
    return 0;
}
