#include "classes/widgets/ZRSkinStyle.h"
#include "classes/widgets/QSBWidget.h"
#include "classes/widgets/ZRComboBox.h"
#include "classes/widgets/ZRPushButton.h"
#include "classes/widgets/ZRScrollBar.h"
#include "classes/widgets/ZRSkinDrawingView.h"
#include "tests/classes/widgets/SkinFixtures.h"

#include <QApplication>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyleOption>
#include <QTest>

#include <gtest/gtest.h>

#include <climits>

namespace {

// A scroll view that draws on its skinned parent, as the media browser's icon view does.
class SkinView : public QScrollArea, public ZRSkinDrawingView {
public:
    using QScrollArea::QScrollArea;
    bool drawsOnSkin() const override { return onSkin; }
    void composeParentRegion(const QRegion& region) override {
        if (auto* parent = qobject_cast<QSBWidget*>(parentWidget()); parent && onSkin)
            parent->composeRegion(region.translated(pos()));
        ++composed;
    }
    bool onSkin = true;
    int composed = 0;
};

QRect rectOf(const ZRSkinStyle& style, QScrollBar& bar, QStyle::SubControl sub) {
    QStyleOptionSlider option;
    option.initFrom(&bar);
    option.orientation = bar.orientation();
    option.minimum = bar.minimum();
    option.maximum = bar.maximum();
    option.pageStep = bar.pageStep();
    option.sliderPosition = bar.sliderPosition();
    option.upsideDown = false;
    return style.subControlRect(QStyle::CC_ScrollBar, &option, sub, &bar);
}

// A pixel where the image is opaque and differs from `other`.
QPoint opaqueDifference(const QImage& image, const QImage& other) {
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) == 255 && image.pixel(x, y) != other.pixel(x, y))
                return QPoint(x, y);
    return QPoint(-1, -1);
}

struct StyleFixture {
    bool loaded = (useDefaultSkin(), true);
    QDict<PSDLayerSet>* bars = preloadedSkinSets("big_scrollbar");
    ZRSkinStyle style{nullptr};
};

} // namespace

TEST(ZRSkinStyle, ScrollBarGeometryComesFromTheSkin) {
    StyleFixture f;
    ASSERT_NE(f.bars, nullptr);
    QSBWidget root;
    ZRScrollBar bar(Qt::Horizontal, &root, f.bars);
    bar.setStyle(&f.style);
    bar.resize(200, bar.skinExtent());
    const ZRScrollBarPieces& p = bar.pieces();
    EXPECT_EQ(f.style.pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, &bar), bar.skinExtent());
    const int sliderMin =
        p.first[0].image->width() + p.middle[0].image->width() + p.last[0].image->width();
    EXPECT_EQ(f.style.pixelMetric(QStyle::PM_ScrollBarSliderMin, nullptr, &bar), sliderMin);

    const int sub = p.sub[0].image->width();
    const int add = p.add[0].image->width();
    const int track = 200 - sub - add + 1;
    EXPECT_EQ(rectOf(f.style, bar, QStyle::SC_ScrollBarSubLine),
              QRect(0, 0, sub, bar.skinExtent()));
    EXPECT_EQ(rectOf(f.style, bar, QStyle::SC_ScrollBarAddLine).left(), 200 - add);

    const struct {
        const char* name;
        int minimum, maximum, pageStep, value;
    } cases[] = {
        {"range 0: the whole track", 0, 0, 10, 0},
        {"half a page", 0, 100, 100, 50},
        {"huge page step", 0, 10, INT_MAX, 5},
        {"huge range", INT_MIN, INT_MAX, INT_MAX, 0},
        {"huge range at the end", 0, INT_MAX, 1, INT_MAX},
    };
    for (const auto& c : cases) {
        bar.setRange(c.minimum, c.maximum);
        bar.setPageStep(c.pageStep);
        bar.setValue(c.value);
        const QRect slider = rectOf(f.style, bar, QStyle::SC_ScrollBarSlider);
        const QRect groove = rectOf(f.style, bar, QStyle::SC_ScrollBarGroove);
        EXPECT_EQ(groove.width(), track) << c.name;
        EXPECT_GE(slider.left(), groove.left()) << c.name;
        EXPECT_LE(slider.right(), groove.right()) << c.name;
        EXPECT_GE(slider.width(), c.minimum == c.maximum ? track : sliderMin) << c.name;
        const QRect subPage = rectOf(f.style, bar, QStyle::SC_ScrollBarSubPage);
        const QRect addPage = rectOf(f.style, bar, QStyle::SC_ScrollBarAddPage);
        EXPECT_EQ(subPage.width() + slider.width() + addPage.width(), track) << c.name;
    }
    bar.setRange(0, 0);
    EXPECT_EQ(rectOf(f.style, bar, QStyle::SC_ScrollBarSlider).width(), track);
    bar.setRange(0, 100);
    bar.setPageStep(100);
    EXPECT_EQ(rectOf(f.style, bar, QStyle::SC_ScrollBarSlider).width(), 100 * track / 200);
}

TEST(ZRSkinStyle, BarsOfASkinDrawingViewTakeTheTemplateOfTheirOrientation) {
    StyleFixture f;
    QSBWidget root;
    root.resize(200, 200);
    auto* view = new SkinView(&root);
    view->setGeometry(10, 10, 150, 150);
    view->setStyle(&f.style);
    QScrollBar* bar = view->verticalScrollBar();
    bar->setStyle(&f.style);
    EXPECT_EQ(ZRSkinStyle::viewOfBar(bar), view);
    EXPECT_EQ(f.style.pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, bar),
              f.style.verticalTemplate()->skin().vertical.size.height());
    const QImage* up = f.style.verticalTemplate()->skin().vertical.sub[0].image;
    ASSERT_NE(up, nullptr);
    EXPECT_EQ(rectOf(f.style, *bar, QStyle::SC_ScrollBarSubLine).size(), up->size());

    QScrollBar loose(Qt::Vertical);
    EXPECT_EQ(ZRSkinStyle::viewOfBar(&loose), nullptr);
    EXPECT_EQ(f.style.pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, &loose),
              f.style.baseStyle()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, &loose));

    // Drawn on the skin: every part composes the parent's background through the view first.
    view->setWidget(new QWidget);
    view->widget()->resize(400, 400);
    view->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    root.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&root));
    const QImage shot = bar->grab().toImage();
    const QPoint opaque = opaqueDifference(*up, QImage(up->size(), QImage::Format_ARGB32));
    ASSERT_GE(opaque.x(), 0);
    EXPECT_EQ(shot.pixel(opaque), up->pixel(opaque));
    EXPECT_GT(view->composed, 0);
}

TEST(ZRSkinStyle, APlainBarOnASkinnedWidgetIsDrawnFromTheTemplate) {
    StyleFixture f;
    QSBWidget root;
    root.resize(200, 200);
    auto* bar = new QScrollBar(Qt::Vertical, &root);
    bar->setStyle(&f.style);
    bar->setRange(0, 100);
    const ZRScrollBarPieces& pieces = f.style.verticalTemplate()->skin().vertical;
    const QImage* up = pieces.sub[0].image;
    ASSERT_NE(up, nullptr);
    EXPECT_EQ(f.style.pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, bar), pieces.size.height());
    bar->setGeometry(20, 10, pieces.size.height(), 150);
    EXPECT_EQ(rectOf(f.style, *bar, QStyle::SC_ScrollBarSubLine).size(), up->size());
    root.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&root));
    const QImage shot = bar->grab().toImage();
    const QPoint opaque = opaqueDifference(*up, QImage(up->size(), QImage::Format_ARGB32));
    ASSERT_GE(opaque.x(), 0);
    EXPECT_EQ(shot.pixel(opaque), up->pixel(opaque));
}

TEST(ZRSkinStyle, ComboArrowShowsItsStateOverAFreshlyComposedBox) {
    StyleFixture f;
    QSBWidget root;
    root.resize(200, 40);
    auto* combo = new ZRComboBox(&root);
    combo->setSkin(preloadedSkinSets("combo_box"));
    combo->setGeometry(10, 10, 120, 18);
    const QImage* normal = combo->arrowImage(ZRComboBox::ArrowNormal);
    const QImage* pressed = combo->arrowImage(ZRComboBox::ArrowPressed);
    const QImage* disabled = combo->arrowImage(ZRComboBox::ArrowDisabled);
    ASSERT_TRUE(normal && pressed && disabled);

    QStyleOptionComboBox option;
    option.initFrom(combo);
    option.subControls = QStyle::SC_All;
    const QRect arrow =
        f.style.subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxArrow, combo);
    EXPECT_EQ(arrow.right(), combo->width() - 2); // its distance from the right edge kept
    EXPECT_EQ(arrow.size(), normal->size());
    EXPECT_EQ(
        f.style.subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, combo),
        QRect(3, 3, 120 - normal->width() - 4, 13));

    const auto render = [&](QStyle::State extra, bool enabled) {
        QStyleOptionComboBox o = option;
        o.activeSubControls = QStyle::SC_ComboBoxArrow;
        o.state |= extra;
        if (!enabled) o.state &= ~QStyle::State_Enabled;
        QImage out(combo->size(), QImage::Format_ARGB32);
        out.fill(0);
        QPainter painter(&out);
        f.style.drawComplexControl(QStyle::CC_ComboBox, &o, &painter, combo);
        return out;
    };
    const QPoint p = opaqueDifference(*pressed, *normal);
    const QPoint d = opaqueDifference(*disabled, *pressed);
    ASSERT_GE(p.x(), 0);
    ASSERT_GE(d.x(), 0);
    EXPECT_EQ(render(QStyle::State_Sunken, true).pixel(arrow.topLeft() + p), pressed->pixel(p));
    EXPECT_EQ(render(QStyle::State_Sunken, false).pixel(arrow.topLeft() + d), disabled->pixel(d));
    // Back to normal after a pressed rendering: no pressed pixels left over.
    const QPoint n = opaqueDifference(*normal, *pressed);
    ASSERT_GE(n.x(), 0);
    EXPECT_EQ(render(QStyle::State_None, true).pixel(arrow.topLeft() + n), normal->pixel(n));
}

TEST(ZRSkinStyle, ButtonsMenusAndThePalette) {
    StyleFixture f;
    ZRPushButton button(QStringLiteral("OK"), nullptr);
    QPushButton plain(QStringLiteral("OK"));
    EXPECT_EQ(f.style.pixelMetric(QStyle::PM_ButtonShiftHorizontal, nullptr, &button), 0);
    EXPECT_EQ(f.style.pixelMetric(QStyle::PM_ButtonShiftVertical, nullptr, &button), -1);
    EXPECT_EQ(f.style.pixelMetric(QStyle::PM_ButtonShiftVertical, nullptr, &plain),
              f.style.baseStyle()->pixelMetric(QStyle::PM_ButtonShiftVertical, nullptr, &plain));
    EXPECT_EQ(f.style.styleHint(QStyle::SH_Menu_SubMenuPopupDelay), 96);

    QStyleOptionMenuItem item;
    item.menuItemType = QStyleOptionMenuItem::Separator;
    EXPECT_EQ(f.style.sizeFromContents(QStyle::CT_MenuItem, &item, QSize(50, 1)), QSize(10, 2));
    item.menuItemType = QStyleOptionMenuItem::Normal;
    item.text = QStringLiteral("Open");
    item.fontMetrics = QFontMetrics(QApplication::font());
    EXPECT_GE(f.style.sizeFromContents(QStyle::CT_MenuItem, &item, QSize(30, 1)).height(),
              item.fontMetrics.height() + 8);

    const QPalette before = QApplication::palette();
    f.style.polish(qApp);
    QPalette changed = before;
    changed.setColor(QPalette::Window, QColor(1, 2, 3));
    QApplication::setPalette(changed);
    f.style.unpolish(qApp);
    EXPECT_EQ(QApplication::palette().color(QPalette::Window), before.color(QPalette::Window));
}

TEST(ZRSkinStyle, DisabledTextIsDrawnOnceWithoutALightCopy) {
    StyleFixture f;
    QPalette palette;
    palette.setColor(QPalette::Light, QColor(255, 0, 0));
    palette.setColor(QPalette::Disabled, QPalette::WindowText, QColor(0, 0, 255));
    QImage image(120, 30, QImage::Format_ARGB32);
    image.fill(QColor(30, 30, 30));
    QPainter painter(&image);
    painter.setPen(palette.color(QPalette::Disabled, QPalette::WindowText));
    f.style.drawItemText(&painter, image.rect(), Qt::AlignCenter, palette, false,
                         QStringLiteral("Stereo"), QPalette::NoRole);
    painter.end();
    int light = 0, ink = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            light += c.red() > 128 && c.blue() < 100;
            ink += c.blue() > 128;
        }
    EXPECT_EQ(light, 0);
    EXPECT_GT(ink, 0);
}
