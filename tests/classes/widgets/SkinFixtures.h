#pragma once

// Small skins made in code for the widget tests, and the default skin for the tests that need
// the preloaded files.

#include "classes/skins/PSDLayerSet.h"
#include "classes/skins/ZRSkinPreload.h"
#include "classes/widgets/QSBWidget.h"

#include <QImage>
#include <QRect>
#include <QString>

#include <memory>

/// Builds a dictionary of layer sets: `set` opens a set, `layer` adds a solid layer (or an
/// image) to it at a set-relative place.
class SkinBuilder {
public:
    SkinBuilder& set(const QString& name, const QPoint& origin = QPoint()) {
        auto s = std::make_shared<PSDLayerSet>();
        s->originX = origin.x();
        s->originY = origin.y();
        m_current = s.get();
        m_skin->insert(name, std::move(s));
        return *this;
    }
    SkinBuilder& layer(const QString& name, const QRect& rect, QRgb colour) {
        QImage image(rect.size(), QImage::Format_ARGB32);
        image.fill(colour);
        return layer(name, rect.topLeft(), image);
    }
    SkinBuilder& layer(const QString& name, const QPoint& at, const QImage& image) {
        m_current->layers.insert(name, std::make_shared<PSDLayer>(QRect(0, 0, 99, 99), at, image,
                                                                  name, m_index, m_index, 255));
        ++m_index;
        m_current->bounds |= QRect(at, image.size());
        return *this;
    }
    /// A nine-piece box: 4-pixel corners and edges of `edge` around a middle of `fill`.
    SkinBuilder& box(const QString& name, QRgb fill, QRgb edge, const QPoint& origin = QPoint()) {
        set(name, origin);
        const struct {
            const char* piece;
            QRect rect;
        } pieces[] = {{"nw", {0, 0, 4, 4}}, {"n", {4, 0, 4, 4}}, {"ne", {8, 0, 4, 4}},
                      {"w", {0, 4, 4, 4}},  {"e", {8, 4, 4, 4}}, {"sw", {0, 8, 4, 4}},
                      {"s", {4, 8, 4, 4}},  {"se", {8, 8, 4, 4}}};
        for (const auto& p : pieces)
            layer(QLatin1String(p.piece), p.rect, edge);
        return layer(QStringLiteral("fill_color"), QRect(4, 4, 4, 4), fill);
    }
    std::unique_ptr<QDict<PSDLayerSet>> build() { return std::move(m_skin); }

private:
    std::unique_ptr<QDict<PSDLayerSet>> m_skin = std::make_unique<QDict<PSDLayerSet>>();
    PSDLayerSet* m_current = nullptr;
    int m_index = 0;
};

/// A shown skin root of one window colour, 300 x 200, to hold the widgets under test.
struct SkinRoot : QSBWidget {
    explicit SkinRoot(QRgb colour = 0xFF000000u) {
        QPalette p = palette();
        p.setColor(QPalette::Window, QColor::fromRgb(colour));
        setPalette(p);
        resize(300, 200);
        show();
    }
};

/// Loads the default skin of the build tree once.
inline void useDefaultSkin() {
    static const bool loaded = [] {
        setSkinBaseFolder(QStringLiteral(CLIPSTEAD_BIN_DIR));
        preloadSkins();
        return true;
    }();
    (void)loaded;
}
