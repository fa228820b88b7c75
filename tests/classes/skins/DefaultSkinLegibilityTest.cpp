#include "classes/skins/ZRSkinPreload.h"

#include "tests/support/InkContrast.h"

#include <QGuiApplication>

#include <gtest/gtest.h>

#include <cmath>

namespace {

QGuiApplication& legibilityApplication() {
    static int argc = 1;
    static char name[] = "test_classes_skins";
    static char* argv[] = {name, nullptr};
    static QGuiApplication* app = new QGuiApplication(argc, argv);
    return *app;
}

void loadDefaultSkin() {
    legibilityApplication();
    setSkinBaseFolder(QStringLiteral(CLIPSTEAD_BIN_DIR));
    preloadSkins();
}

QRgb fillOf(const char* file, const char* set) {
    QDict<PSDLayer>* layers = preloadedSkinSetLayers(file, set);
    const PSDLayer* fill = layers ? layers->find(QStringLiteral("fill_color")) : nullptr;
    return fill ? fill->image.pixel(0, 0) : 0;
}

// The share of opaque pixels within the circle the icon is drawn in.
double inkInCircle(const QImage& icon) {
    const QPointF centre((icon.width() - 1) / 2.0, (icon.height() - 1) / 2.0);
    const double radius = std::min(icon.width(), icon.height()) * 0.3;
    int inside = 0, ink = 0;
    for (int y = 0; y < icon.height(); ++y)
        for (int x = 0; x < icon.width(); ++x)
            if (std::hypot(x - centre.x(), y - centre.y()) <= radius) {
                ++inside;
                ink += qAlpha(icon.pixel(x, y)) > 128;
            }
    return inside ? double(ink) / inside : 0;
}

} // namespace

// The icon views' captions and the titles' pictures are black: the titles browser's ground is
// one black reads on.
TEST(DefaultSkin, TheTitlesBrowserGroundCarriesBlackText) {
    loadDefaultSkin();
    const QRgb ground = fillOf("text_inner_frame", "inner_frame");
    ASSERT_NE(qAlpha(ground), 0);
    EXPECT_GE(inkcontrast::between(ground, qRgb(0, 0, 0)), 7.0);
}

// The globe is drawn in lines: filled, it is a plain disc like no other icon.
TEST(DefaultSkin, TheWebIconsAreGlobesNotDiscs) {
    loadDefaultSkin();
    const struct {
        const char* file;
        const char* set;
        const char* layer;
    } icons[] = {{"profile_dialog_icons", "icons", "web"},
                 {"capture_produce_icons", "icons", "web"}};
    for (const auto& icon : icons) {
        QDict<PSDLayer>* layers = preloadedSkinSetLayers(icon.file, icon.set);
        const PSDLayer* layer = layers ? layers->find(QLatin1String(icon.layer)) : nullptr;
        ASSERT_TRUE(layer) << icon.file;
        EXPECT_LT(inkInCircle(layer->image), 0.8) << icon.file;
    }
}
