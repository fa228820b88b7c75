#include "tests/views/StoryboardFixture.h"

#include "engine/api/IZRObject.h"
#include "engine/api/IZRTimeline.h"
#include "engine/api/ZREffect.h"

using namespace viewstest;

namespace {

class ZRStoryboardPaintTest : public StoryboardTest {};

constexpr QRgb kCell = 0xFFDDDDDD;
constexpr QRgb kGreyBar = 0xFFDEDCDD;
constexpr QRgb kYellowBar = 0xFFFFD207;
constexpr QRgb kMarkBackground = 0xFF25272A;

// Rule C of a colour of alpha a over an opaque pixel.
QRgb tinted(QRgb d, QRgb s) {
    const int a = qAlpha(s);
    const auto c = [&](int sc, int dc) { return (sc * a + dc * (255 - a)) >> 8; };
    return qRgb(c(qRed(s), qRed(d)), c(qGreen(s), qGreen(d)), c(qBlue(s), qBlue(d)));
}

bool near(QRgb a, QRgb b) {
    return std::abs(qRed(a) - qRed(b)) <= 1 && std::abs(qGreen(a) - qGreen(b)) <= 1 &&
           std::abs(qBlue(a) - qBlue(b)) <= 1;
}

TEST_F(ZRStoryboardPaintTest, EmptySlotsShowTheGreyCellBarsAndNoCursor) {
    const QImage image = shot();
    EXPECT_EQ(image.pixel(200, 60), kCell);
    EXPECT_EQ(image.pixel(200 + 240, 60), kCell);
    EXPECT_EQ(image.pixel(200, 106), kGreyBar);
    // The bar's frame, and no time cursor over cell 0's head.
    EXPECT_EQ(image.pixel(200, 113), 0xFF45484Eu);
    EXPECT_NE(image.pixel(167, 40), 0xFFD9534Au);
}

TEST_F(ZRStoryboardPaintTest, TimeCursorIsDrawnOverTheCellsOnceThereAreClips) {
    addClips(2);
    board->setCursorPosition(1, 0.0);
    const QImage image = shot();
    EXPECT_EQ(image.pixel(167 + 80, 40), 0xFFD9534Au);
    EXPECT_EQ(image.pixel(167 + 80, 60), 0xFFD9534Au); // its line over the thumbnail
    EXPECT_NE(image.pixel(167, 40), 0xFFD9534Au);
}

TEST_F(ZRStoryboardPaintTest, SelectionTintsTheThumbnail) {
    addClips(2);
    const QImage before = shot();
    board->selectCell(1, true);
    const QImage after = shot();
    const QPoint inThumb(169 + 80 + 20, 60);
    EXPECT_TRUE(near(after.pixel(inThumb), tinted(before.pixel(inThumb), 0xA6150185)));
    EXPECT_EQ(after.pixel(169 + 20, 60), before.pixel(169 + 20, 60)); // cell 0 untouched
}

TEST_F(ZRStoryboardPaintTest, EffectIconSitsAtTheThumbnailsBottomCentre) {
    addClips(1);
    const QImage before = shot();
    ZREffect* effect = factory()->createEffect("Mask", "", "");
    if (!effect) GTEST_SKIP() << "no effect module in this build";
    editor->objectAt(0)->addEffect(effect);
    record(0)->effect = effect;
    board->repaintCell(0);
    const QImage after = shot();
    EXPECT_NE(after.pixel(201, 90), before.pixel(201, 90));
    EXPECT_EQ(after.pixel(175, 90), before.pixel(175, 90));
}

TEST_F(ZRStoryboardPaintTest, MarkBarShowsTheUsedPartOfTheSource) {
    addClips(2);
    // Clip 1 keeps frames 20..29 of its 50: its fill shows columns 26..37 only.
    timeline->setObjectMarkIn(editor->objectAt(1), pos(20));
    timeline->setObjectMarkOut(editor->objectAt(1), pos(30));
    board->repaintCell(1);
    const QImage image = shot();
    const int fill0 = 169;
    const int fill1 = 169 + 80;
    const int y = 117;
    EXPECT_NE(image.pixel(fill0 + 10, y), kMarkBackground); // whole source: foreground
    EXPECT_NE(image.pixel(fill0 + 50, y), kMarkBackground);
    EXPECT_EQ(image.pixel(fill1 + 10, y), kMarkBackground);
    EXPECT_EQ(image.pixel(fill1 + 50, y), kMarkBackground);
    EXPECT_EQ(image.pixel(fill1 + 30, y), image.pixel(fill0 + 30, y));
}

TEST_F(ZRStoryboardPaintTest, RenderBarsFollowTheEngineState) {
    addClips(2);
    // Plain clips need no background render (state 0): yellow.
    ASSERT_EQ(timeline->renderStateAt(pos(10)), 0);
    QImage image = shot();
    EXPECT_EQ(image.pixel(170, 106), kYellowBar);
    EXPECT_EQ(image.pixel(170 + 80 + 60, 106), kYellowBar);
    // The time-code overlay covers the movie: every frame must be rendered (state 1): grey.
    board->setTimecodeVisible(true);
    ASSERT_EQ(timeline->renderStateAt(pos(10)), 1);
    board->refreshRenderBars();
    image = shot();
    EXPECT_EQ(image.pixel(170, 106), kGreyBar);
    EXPECT_EQ(image.pixel(170 + 80 + 60, 106), kGreyBar);
}

} // namespace

namespace {

// Rectangles reaching past either image are clipped to both: the cursor at the row's right end
// or after the widget shrank.
TEST(ZRStoryboardCopyImageRectTest, ClipsToBothImages) {
    QImage source(10, 10, QImage::Format_ARGB32);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x)
            source.setPixel(x, y, qRgba(x, y, 0, 255));
    struct Case {
        QPoint at;
        QRect from;
        QPoint probe;  // in the target
        QRgb expected; // 0: untouched
    } cases[] = {
        {{0, 0}, {8, 8, 5, 5}, {1, 1}, qRgba(9, 9, 0, 255)}, // source past its right/bottom
        {{0, 0}, {8, 8, 5, 5}, {2, 2}, 0},
        {{2, 2}, {-2, -2, 4, 4}, {4, 4}, qRgba(0, 0, 0, 255)}, // source before its origin
        {{2, 2}, {-2, -2, 4, 4}, {3, 3}, 0},
        {{4, 4}, {0, 0, 6, 6}, {5, 5}, qRgba(1, 1, 0, 255)},  // target past its edge
        {{-3, 0}, {0, 0, 4, 1}, {0, 0}, qRgba(3, 0, 0, 255)}, // target before its origin
    };
    for (const Case& c : cases) {
        QImage target(6, 6, QImage::Format_ARGB32);
        target.fill(0);
        ZRStoryboard::copyImageRect(target, c.at, source, c.from);
        EXPECT_EQ(target.pixel(c.probe), c.expected) << c.at.x() << "," << c.from.x();
    }
}

} // namespace

namespace {

TEST_F(ZRStoryboardPaintTest, AOneFrameClipShowsTheFirstTwoColumns) {
    addClips(1, "single.avi");
    ASSERT_EQ(int(editor->objectAt(0)->sourceLength()->toFrames()), 1);
    const QImage image = shot();
    EXPECT_NE(image.pixel(169 + 1, 117), kMarkBackground);
    EXPECT_EQ(image.pixel(169 + 2, 117), kMarkBackground);
    EXPECT_EQ(image.pixel(169 + 30, 117), kMarkBackground);
}

} // namespace
