#include "classes/widgets/ZRTabBar.h"
#include "tests/classes/widgets/SkinFixtures.h"

#include <QApplication>
#include <QHelpEvent>
#include <QSignalSpy>
#include <QTest>
#include <QToolTip>

#include <gtest/gtest.h>

namespace {

constexpr QRgb kFirstActive = 0xFF104010;
constexpr QRgb kFirstInactive = 0xFF101040;
constexpr QRgb kMiddleActive = 0xFF20A020;
constexpr QRgb kMiddleInactive = 0xFF2020A0;
constexpr QRgb kFiller = 0xFF505050;
constexpr QRgb kTabEdge = 0xFF000000;

// 12 x 12 boxes whose "fill_color" starts at row 4: a text band of 8 rows.
std::unique_ptr<QDict<PSDLayerSet>> tabSkin(bool withColours) {
    SkinBuilder b;
    b.box(QStringLiteral("first_active"), kFirstActive, kTabEdge)
        .box(QStringLiteral("first_inactive"), kFirstInactive, kTabEdge)
        .box(QStringLiteral("middle_active"), kMiddleActive, kTabEdge)
        .box(QStringLiteral("middle_inactive"), kMiddleInactive, kTabEdge)
        .box(QStringLiteral("filler_box"), kFiller, kFiller);
    if (withColours) {
        b.set(QStringLiteral("text_colors"))
            .layer(QStringLiteral("over"), QRect(0, 0, 2, 2), 0xFF112233)
            .layer(QStringLiteral("active"), QRect(2, 0, 2, 2), 0xFF445566)
            .layer(QStringLiteral("inactive"), QRect(4, 0, 2, 2), 0xFF778899)
            .layer(QStringLiteral("disabled"), QRect(6, 0, 2, 2), 0xFFAABBCC);
    }
    return b.build();
}

QImage icon() {
    QImage image(20, 10, QImage::Format_ARGB32);
    image.fill(0xFFFF0000);
    return image;
}

// A bar 30 high of image tabs 28 wide (20 + 2 x 4 margin): tab i spans x 28i .. 28i + 27.
struct TabBarFixture {
    std::unique_ptr<QDict<PSDLayerSet>> skin;
    QImage image = icon();
    std::unique_ptr<ZRTabBar> bar;
    explicit TabBarFixture(int tabs = 3, bool colours = false) : skin(tabSkin(colours)) {
        bar = std::make_unique<ZRTabBar>(skin.get());
        bar->resize(200, 30);
        for (int i = 0; i < tabs; ++i)
            bar->addTab(new ZRTab(&image, QPoint(4, 4)));
    }
    void click(int x, int y) { QTest::mouseClick(bar.get(), Qt::LeftButton, {}, QPoint(x, y)); }
};

} // namespace

TEST(ZRTabBar, IdsComeInOrderAndTheFirstTabIsSelected) {
    TabBarFixture f(0);
    EXPECT_EQ(f.bar->textBand(), 8);
    EXPECT_EQ(f.bar->skinSize(), QSize(24, 12)); // widest box plus the filler
    EXPECT_EQ(f.bar->addTab(nullptr), -1);
    for (int expected = 0; expected < 3; ++expected)
        EXPECT_EQ(f.bar->addTab(new ZRTab(QStringLiteral("Tab"))), expected);
    EXPECT_EQ(f.bar->currentTab(), 0);
    EXPECT_EQ(f.bar->addTab(new ZRTab(&f.image, QPoint(), 7)), 2);
    EXPECT_EQ(f.bar->nextId(), 3);
    EXPECT_EQ(f.bar->indexOf(7), 3);
    EXPECT_EQ(f.bar->tab(7)->bar, f.bar.get());
    EXPECT_EQ(f.bar->tab(7)->size, QSize(28, 18));

    TabBarFixture explicitFirst(0);
    explicitFirst.bar->addTab(new ZRTab(&f.image, QPoint(), 5));
    EXPECT_EQ(explicitFirst.bar->currentTab(), 5); // the first tab, whatever its id
}

TEST(ZRTabBar, ClicksEmitTheIndexAndSettersTheId) {
    TabBarFixture f;
    QSignalSpy selected(f.bar.get(), &ZRTabBar::selected);
    EXPECT_EQ(f.bar->tab(1)->rect, QRect(28, 0, 28, 30));
    EXPECT_EQ(f.bar->minimumWidth(), 3 * 28 + 14);

    f.click(10, 5); // the current tab
    EXPECT_EQ(selected.count(), 0);
    f.click(40, 25); // the text band of tab 1
    f.click(150, 5); // the filler
    EXPECT_EQ(selected.count(), 0);
    f.click(40, 5);
    ASSERT_EQ(selected.count(), 1);
    EXPECT_EQ(selected.last().at(0).toInt(), 1);

    // Inserted at 0, the new tab (id 3) pushes id 0 to index 1.
    f.bar->insertTab(new ZRTab(&f.image, QPoint(4, 4)), 0);
    EXPECT_EQ(f.bar->indexOf(0), 1);
    f.click(40, 5);
    EXPECT_EQ(selected.last().at(0).toInt(), 1);
    EXPECT_EQ(f.bar->currentTab(), 0);

    f.bar->setCurrentTab(0);
    EXPECT_EQ(selected.count(), 2);
    f.bar->setCurrentTab(2);
    EXPECT_EQ(selected.last().at(0).toInt(), 2);
    f.bar->selectTabAt(QPoint(5, 29)); // the band counts here: tab id 3
    EXPECT_EQ(selected.last().at(0).toInt(), 3);
    EXPECT_EQ(f.bar->currentTab(), 3);
    f.bar->selectTabAt(QPoint(190, 5));
    EXPECT_EQ(selected.count(), 4);
}

TEST(ZRTabBar, TextColoursComeFromTheSkinOrTheDefaults) {
    TabBarFixture plain(0, false);
    EXPECT_EQ(plain.bar->activeColor(), 0xFFFFFFFFu);
    EXPECT_EQ(plain.bar->inactiveColor(), 0xFF636363u);
    EXPECT_EQ(plain.bar->overColor(), 0xFF3662A1u);
    TabBarFixture skinned(0, true);
    EXPECT_EQ(skinned.bar->overColor(), 0xFF112233u);
    EXPECT_EQ(skinned.bar->activeColor(), 0xFF445566u);
    EXPECT_EQ(skinned.bar->inactiveColor(), 0xFF778899u);
    EXPECT_EQ(skinned.bar->disabledColor(), 0xFFAABBCCu);
}

TEST(ZRTabBar, PaintsFirstAndMiddleBoxesTheFillerAndTheImages) {
    TabBarFixture f;
    f.bar->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(f.bar.get()));
    const QImage shot = f.bar->grab().toImage();
    EXPECT_EQ(shot.pixel(14, 20), kFirstActive);
    EXPECT_EQ(shot.pixel(42, 20), kMiddleInactive);
    EXPECT_EQ(shot.pixel(5, 5), 0xFFFF0000u); // the image at (4, 4) in its tab
    EXPECT_EQ(shot.pixel(150, 15), kFiller);

    // With the second tab current, the first tab takes the inactive first box.
    f.bar->setCurrentTab(1);
    const QImage after = f.bar->grab().toImage();
    EXPECT_EQ(after.pixel(14, 20), kFirstInactive);
    EXPECT_EQ(after.pixel(42, 20), kMiddleActive);
}

TEST(ZRTabBar, HoverFollowsTheMouseOnlyWhileEnabled) {
    TabBarFixture f;
    f.bar->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(f.bar.get()));
    QTest::mouseMove(f.bar.get(), QPoint(40, 5));
    EXPECT_EQ(f.bar->hoverTab(), 1);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(f.bar.get(), &leave);
    EXPECT_EQ(f.bar->hoverTab(), -1);
    f.bar->setEnabled(false);
    QTest::mouseMove(f.bar.get(), QPoint(70, 5));
    EXPECT_EQ(f.bar->hoverTab(), -1);
}

TEST(ZRTabBar, TipsFollowTheirTabAndGoWithIt) {
    TabBarFixture f;
    f.bar->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(f.bar.get()));
    f.bar->setTabToolTip(1, QStringLiteral("Second"));
    f.bar->setTabToolTip(9, QStringLiteral("none")); // no such index: nothing
    // The tip shown for a tool-tip event at x; empty when the bar has none there.
    const auto tipAt = [&](int x) {
        QHelpEvent help(QEvent::ToolTip, QPoint(x, 5), f.bar->mapToGlobal(QPoint(x, 5)));
        help.setAccepted(true);
        QApplication::sendEvent(f.bar.get(), &help);
        return help.isAccepted() ? QToolTip::text() : QString();
    };
    EXPECT_EQ(tipAt(40), QStringLiteral("Second"));
    EXPECT_EQ(tipAt(10), QString());
    f.bar->removeTab(f.bar->tab(1));
    EXPECT_EQ(f.bar->count(), 2);
    EXPECT_EQ(tipAt(40), QString()); // the tab now at index 1 has no tip
    QToolTip::hideText();
}
