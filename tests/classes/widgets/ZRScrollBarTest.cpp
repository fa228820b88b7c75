#include "classes/widgets/ZRScrollBar.h"
#include "classes/widgets/QSBWidget.h"

#include "tests/classes/widgets/SkinFixtures.h"

#include <gtest/gtest.h>

namespace {

constexpr QRgb kPiece = 0xFF808080u;

// Arrows 10 + 10 by 12 (normal), 11 + 10 by 14 (pressed), 9 + 9 by 12 (disabled); a slider of
// 3 + 5 + 3 by 12 (normal) and 3 + 6 + 3 by 13 (pressed). Vertical pieces are the same turned.
std::unique_ptr<QDict<PSDLayerSet>> scrollSkin(bool withHorzPressed = true) {
    SkinBuilder b;
    auto arrows = [&](const QString& set, int sub, int add, int across, bool vertical) {
        b.set(set);
        auto r = [&](int along) {
            return vertical ? QRect(0, 0, across, along) : QRect(0, 0, along, across);
        };
        b.layer(QStringLiteral("sub"), r(sub), kPiece).layer(QStringLiteral("add"), r(add), kPiece);
    };
    auto slider = [&](const QString& set, int first, int middle, int last, int across,
                      bool vertical) {
        b.set(set);
        auto r = [&](int along) {
            return vertical ? QRect(0, 0, across, along) : QRect(0, 0, along, across);
        };
        b.layer(QStringLiteral("first"), r(first), kPiece)
            .layer(QStringLiteral("middle"), r(middle), kPiece)
            .layer(QStringLiteral("last"), r(last), kPiece);
    };
    for (bool vertical : {false, true}) {
        const QString p = vertical ? QStringLiteral("vert_") : QStringLiteral("horz_");
        arrows(p + "normal", 10, 10, 12, vertical);
        if (vertical || withHorzPressed) arrows(p + "pressed", 11, 10, 14, vertical);
        arrows(p + "disabled", 9, 9, 12, vertical);
        slider(p + "slider_normal", 3, 5, 3, 12, vertical);
        slider(p + "slider_pressed", 3, 6, 3, 13, vertical);
        b.set(p + "other")
            .layer(QStringLiteral("grabber"), QRect(2, 3, 4, 4), kPiece)
            .layer(QStringLiteral("fill_normal"), QRect(0, 0, 2, 2), kPiece)
            .layer(QStringLiteral("fill_disabled"), QRect(0, 0, 2, 2), kPiece);
    }
    return b.build();
}

} // namespace

TEST(ZRScrollBar, SkinSizeIsTheLongestArrowsPlusTheLongestSliderByTheThickestPiece) {
    auto skin = scrollSkin();
    ZRScrollBar horizontal(Qt::Horizontal, nullptr, skin.get());
    ZRScrollBar vertical(Qt::Vertical, nullptr, skin.get());
    EXPECT_EQ(horizontal.skinSize(), QSize(21 + 12, 14));
    EXPECT_EQ(vertical.skinSize(), QSize(21 + 12, 14));
    EXPECT_EQ(horizontal.skinExtent(), 14);

    const ZRScrollBarPieces& h = horizontal.pieces();
    ASSERT_NE(h.grabber.image, nullptr);
    EXPECT_EQ(h.grabber.position, QPoint(2, 3));
    EXPECT_NE(h.fillDisabled.image, nullptr);
    EXPECT_EQ(h.middle[ZRScrollBarPieces::SliderPressed].image->width(), 6);
    EXPECT_EQ(vertical.pieces().middle[ZRScrollBarPieces::SliderPressed].image->height(), 6);
}

TEST(ZRScrollBar, AMissingStateLeavesItsPiecesNullAndSizesFromTheOthers) {
    auto skin = scrollSkin(false);
    ZRScrollBar bar(Qt::Horizontal, nullptr, skin.get());
    const ZRScrollBarPieces& h = bar.pieces();
    EXPECT_EQ(h.sub[ZRScrollBarPieces::ArrowPressed].image, nullptr);
    EXPECT_EQ(h.add[ZRScrollBarPieces::ArrowPressed].image, nullptr);
    EXPECT_NE(h.sub[ZRScrollBarPieces::ArrowNormal].image, nullptr);
    EXPECT_EQ(bar.skinSize(), QSize(20 + 12, 13));
    EXPECT_EQ(bar.skin().vertical.size, QSize(21 + 12, 14));

    bar.initSkin(nullptr);
    EXPECT_EQ(bar.pieces().sub[ZRScrollBarPieces::ArrowNormal].image, nullptr);
    EXPECT_EQ(bar.skinSize(), QSize(-1, -1));
}

TEST(ZRScrollBar, DefaultSkinsGiveTheirThicknessAndTheOrientationPicksItsSet) {
    useDefaultSkin();
    const struct {
        const char* file;
        int thickness;
    } skins[] = {{"small_scrollbar", 12}, {"big_scrollbar", 16}};
    for (const auto& s : skins) {
        QDict<PSDLayerSet>* sets = preloadedSkinSets(s.file);
        ASSERT_NE(sets, nullptr) << s.file;
        ZRScrollBar bar(Qt::Vertical, nullptr, sets);
        EXPECT_EQ(bar.skinExtent(), s.thickness) << s.file;
        EXPECT_EQ(bar.skinSize(), bar.skin().vertical.size);
        bar.setOrientation(Qt::Horizontal);
        EXPECT_EQ(bar.skinExtent(), s.thickness) << s.file;
        EXPECT_EQ(bar.skinSize(), bar.skin().horizontal.size);
        EXPECT_GT(bar.skinSize().width(), 2 * s.thickness) << s.file;
    }
}

TEST(ZRScrollBar, RegistersWithASkinnedParentOnly) {
    auto skin = scrollSkin();
    QSBWidget skinned;
    QWidget plain;
    EXPECT_TRUE((new ZRScrollBar(&skinned, skin.get()))->hasSkinnedParent());
    EXPECT_FALSE((new ZRScrollBar(&plain, skin.get()))->hasSkinnedParent());
}
