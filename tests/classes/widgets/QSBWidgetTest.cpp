#include "classes/widgets/QSBWidget.h"

#include <QApplication>
#include <QPointer>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace {

QImage solid(int w, int h, QRgb colour) {
    QImage image(w, h, QImage::Format_ARGB32);
    image.fill(colour);
    return image;
}

// A 2 x 2 checker of two colours, so that the tile phase shows.
QImage checker(QRgb a, QRgb b) {
    QImage image(2, 2, QImage::Format_ARGB32);
    image.setPixel(0, 0, a);
    image.setPixel(1, 1, a);
    image.setPixel(1, 0, b);
    image.setPixel(0, 1, b);
    return image;
}

// A top-level plain window holding the widgets under test, shown offscreen.
struct Window {
    std::unique_ptr<QWidget> top = std::make_unique<QWidget>();
    Window(int w = 400, int h = 300) {
        top->resize(w, h);
        top->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(top.get()));
    }
};

// Lets pending updates reach the screen (the platform paints on a short timer).
void settle() {
    QTest::qWait(30);
}

// Counts the paint events a widget receives.
class CountingWidget : public QWidget {
public:
    using QWidget::QWidget;
    int paints = 0;

protected:
    void paintEvent(QPaintEvent*) override { ++paints; }
};

} // namespace

TEST(QSBWidget, ParentDecidesRootOrSkinnedChild) {
    Window window;
    QSBWidget root(window.top.get());
    auto* child = new QSBWidget(&root);
    auto* grandChild = new QSBWidget(child);
    EXPECT_FALSE(root.hasSkinParent());
    EXPECT_TRUE(root.ownsComposedImage());
    EXPECT_TRUE(child->hasSkinParent());
    EXPECT_FALSE(child->ownsComposedImage());
    EXPECT_EQ(child->composedImage(), root.composedImage());
    EXPECT_EQ(grandChild->composedImage(), root.composedImage());
    EXPECT_EQ(root.composedImage()->format(), QImage::Format_ARGB32);
    EXPECT_TRUE(root.testAttribute(Qt::WA_OpaquePaintEvent));

    child->move(30, 20);
    grandChild->move(5, 7);
    EXPECT_EQ(grandChild->mapPointToSkinRoot(QPoint(1, 1)), QPoint(36, 28));
    EXPECT_EQ(grandChild->mapRectFromSkinRoot(QRect(36, 28, 4, 4)), QRect(1, 1, 4, 4));
}

TEST(QSBWidget, RootImageGrowsWithMarginAndNeverShrinks) {
    Window window;
    QSBWidget root(window.top.get());
    root.show();
    QImage* image = root.composedImage();
    const QSize start = image->size();
    EXPECT_EQ(start, QSize((root.width() + 3) & ~3, root.height()));

    struct Step {
        QSize widget;
        QSize image;
    };
    const QSize base = start;
    const Step steps[] = {
        {base + QSize(50, 0), base + QSize(150, 100)},    // grows by the overshoot plus 100
        {QSize(20, 10), base + QSize(150, 100)},          // shrinking keeps it
        {base + QSize(150, 100), base + QSize(150, 100)}, // exactly filling it keeps it
        {base + QSize(151, 100), base + QSize(251, 200)},
    };
    for (const Step& step : steps) {
        root.resize(step.widget);
        EXPECT_EQ(image->size(), step.image) << step.widget.width() << "x" << step.widget.height();
        EXPECT_EQ(root.composedImage(), image) << "the image object is never replaced";
    }
}

TEST(QSBWidget, SkinnedChildComposesOverItsParent) {
    Window window;
    QSBWidget root(solid(8, 8, 0xFF204060u), false, window.top.get());
    root.setGeometry(0, 0, 200, 150);
    // Half-transparent red over the parent's blue-grey, tiled from the child's own corner.
    auto* child = new QSBWidget(checker(0x80FF0000u, 0x00000000u), false, &root);
    child->setGeometry(33, 17, 40, 30);
    root.show();

    const QImage shot = child->grab().toImage();
    const QRgb blended = shot.pixel(0, 0);
    EXPECT_EQ(qRed(blended), (255 * 128 + 0x20 * 127) >> 8);
    EXPECT_EQ(qBlue(blended), (0x60 * 127) >> 8);
    EXPECT_EQ(shot.pixel(1, 0), 0xFF204060u) << "a transparent skin pixel shows the parent";
    EXPECT_EQ(qAlpha(shot.pixel(0, 0)), 255) << "presented opaque";
}

TEST(QSBWidget, ChildrenOutsideTheRootWriteNothingOutside) {
    Window window;
    QSBWidget root(solid(4, 4, 0xFF00FF00u), false, window.top.get());
    root.setGeometry(0, 0, 120, 80);
    root.show();
    const QSize imageSize = root.composedImage()->size();
    const QRect placements[] = {QRect(-10, -10, 40, 40), QRect(100, 70, 200, 200),
                                QRect(-50, 30, 400, 10)};
    for (const QRect& place : placements) {
        auto* child = new QSBWidget(solid(3, 3, 0xFFFF0000u), false, &root);
        child->setGeometry(place);
        child->show();
        const QImage shot = child->grab().toImage();
        EXPECT_EQ(shot.size(), place.size());
        EXPECT_EQ(root.composedImage()->size(), imageSize);
        // The part of the child on the root shows its skin.
        const QRect visible = place.intersected(root.rect()).translated(-place.topLeft());
        EXPECT_EQ(shot.pixel(visible.topLeft()), 0xFFFF0000u);
        delete child;
    }
    EXPECT_EQ(root.grab().toImage().pixel(60, 40), 0xFF00FF00u);
}

TEST(QSBWidget, TransparentPlainChildShowsTheSkin) {
    Window window;
    QSBWidget root(solid(4, 4, 0xFF336699u), false, window.top.get());
    root.setGeometry(0, 0, 100, 100);
    auto* plain = new QWidget(&root);
    plain->setGeometry(10, 10, 30, 30);
    root.registerChild(plain, true);
    root.show();
    const QImage shot = root.grab().toImage();
    EXPECT_EQ(shot.pixel(20, 20), 0xFF336699u);
}

TEST(QSBWidget, ScaledBackgroundFollowsTheSize) {
    Window window;
    QImage left = solid(2, 1, 0x80FF0000u);
    left.setPixel(1, 0, 0x800000FFu);
    QSBWidget root(left, true, window.top.get());
    EXPECT_EQ(root.skinImage()->size(), QSize(2, 1)) << "scaled only at the next size change";
    EXPECT_EQ(qAlpha(root.skinImage()->pixel(0, 0)), 255) << "a root's skin is opaque";
    root.resize(60, 40);
    root.show();
    EXPECT_EQ(root.skinImage()->size(), QSize(60, 40));
    const QImage shot = root.grab().toImage();
    EXPECT_EQ(shot.pixel(2, 20), 0xFFFF0000u);
    EXPECT_EQ(shot.pixel(57, 20), 0xFF0000FFu);

    auto* child = new QSBWidget(&root);
    child->setGeometry(0, 0, 10, 10);
    child->setBackgroundImage(left, true);
    EXPECT_EQ(child->skinImage()->size(), QSize(10, 10));
    EXPECT_LT(qAlpha(child->skinImage()->pixel(0, 0)), 255) << "a child keeps its alpha";
    child->show();
    child->resize(20, 5);
    EXPECT_EQ(child->skinImage()->size(), QSize(20, 5));
    child->setScaledBackground(false);
    EXPECT_EQ(child->skinImage()->size(), QSize(2, 1));

    child->setBackgroundImage(QImage(), true);
    EXPECT_EQ(child->skinImage()->size(), QSize(2, 1)) << "a null image changes nothing";
    EXPECT_FALSE(child->scaledBackground());
}

TEST(QSBWidget, RootWithoutSkinIsItsWindowColourOpaque) {
    QSBWidget top;
    QPalette palette = top.palette();
    palette.setColor(QPalette::Window, QColor(10, 200, 30, 40));
    top.setPalette(palette);
    top.resize(50, 40);
    top.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&top));
    EXPECT_EQ(top.grab().toImage().pixel(25, 20), qRgb(10, 200, 30));
    top.composeBackground(QRect(0, 0, 50, 40));
    EXPECT_EQ(top.composedImage()->pixel(25, 20), qRgb(10, 200, 30));

    // Inside a plain parent too, and composing again gives the same pixels.
    auto* inner = new QSBWidget(new QWidget(&top));
    inner->resize(20, 20);
    inner->composeBackground(QRect(0, 0, 20, 20));
    inner->composeBackground(QRect(0, 0, 20, 20));
    EXPECT_EQ(inner->composedImage()->pixel(5, 5), qRgb(10, 200, 30));
}

TEST(QSBWidget, RepaintAllUpdatesBlockedChildrenAndKeepsThemBlocked) {
    Window window;
    QSBWidget root(window.top.get());
    root.setGeometry(0, 0, 100, 100);
    auto* child = new QSBWidget(&root);
    child->setGeometry(0, 0, 50, 50);
    auto* plain = new CountingWidget(child);
    plain->setGeometry(0, 0, 20, 20);
    child->registerChild(plain, true);
    root.show();
    settle();

    settle();
    plain->paints = 0;
    root.repaintAll();
    EXPECT_TRUE(QTest::qWaitFor([&] { return plain->paints > 0; }, 2000))
        << "registered children are updated down the chain";

    child->setUpdatesEnabled(false);
    root.repaintAll();
    EXPECT_FALSE(child->updatesEnabled());
    EXPECT_FALSE(plain->updatesEnabled());
    child->setUpdatesEnabled(true);

    // Registration is kept to the widget's own children, once each.
    root.registerChild(child, true);
    root.registerChild(child, false);
    settle();
    plain->paints = 0;
    root.repaintAll();
    settle();
    EXPECT_EQ(plain->paints, 0) << "an unregistered child is not updated";
}

TEST(QSBWidget, InvisibleWidgetComposesNothing) {
    Window window;
    QSBWidget root(solid(4, 4, 0xFF000000u), false, window.top.get());
    root.setGeometry(0, 0, 100, 100);
    auto* child = new QSBWidget(solid(4, 4, 0xFFFFFFFFu), false, &root);
    child->setGeometry(10, 10, 20, 20);
    child->hide();
    root.show();
    root.repaint();
    const QImage before = root.composedImage()->copy();
    EXPECT_EQ(before.pixel(15, 15), 0xFF000000u);
    child->repaintRect(0, 0, 20, 20);
    settle();
    EXPECT_EQ(*root.composedImage(), before);
    EXPECT_EQ(root.grab().toImage().pixel(15, 15), 0xFF000000u);
}

TEST(QSBWidget, DeletingARootWithSkinnedChildrenIsClean) {
    Window window;
    auto* root = new QSBWidget(solid(4, 4, 0xFF000000u), false, window.top.get());
    root->setGeometry(0, 0, 100, 100);
    QPointer<QSBWidget> child = new QSBWidget(root);
    QPointer<QSBWidget> grandChild = new QSBWidget(solid(2, 2, 0x80FFFFFFu), false, child);
    QPointer<QWidget> plain = new QWidget(grandChild);
    grandChild->registerChild(plain, true);
    root->show();
    settle();
    delete root;
    EXPECT_TRUE(child.isNull());
    EXPECT_TRUE(grandChild.isNull());
    EXPECT_TRUE(plain.isNull());

    // A registered plain child deleted on its own drops out of its parent's list.
    QSBWidget other(window.top.get());
    auto* gone = new QWidget(&other);
    other.registerChild(gone, true);
    delete gone;
    other.repaintAll();
}
