#include "classes/widgets/ZRSkinBox.h"

#include <QPainter>

#include <gtest/gtest.h>

#include <memory>

namespace {

// A skin set of solid pieces, each given by name, rectangle (set coordinates) and colour.
struct PieceSpec {
    QString name;
    QRect rect;
    QRgb colour;
};

std::unique_ptr<QDict<PSDLayer>> makeSet(std::initializer_list<PieceSpec> pieces) {
    auto set = std::make_unique<QDict<PSDLayer>>();
    int index = 0;
    for (const PieceSpec& p : pieces) {
        QImage image(p.rect.size(), QImage::Format_ARGB32);
        image.fill(p.colour);
        set->insert(p.name, std::make_shared<PSDLayer>(QRect(0, 0, 99, 99), p.rect.topLeft(), image,
                                                       p.name, index, index, 255));
        ++index;
    }
    return set;
}

constexpr QRgb kNW = 0xFF110000u, kNE = 0xFF220000u, kSW = 0xFF330000u, kSE = 0xFF440000u;
constexpr QRgb kN = 0xFF001100u, kS = 0xFF002200u, kW = 0xFF003300u, kE = 0xFF004400u;
constexpr QRgb kBoxFill = 0xFF000055u, kBrush = 0xFF000066u, kBoxBack = 0xFF000000u;

// Ten-pixel corners around a 4-pixel middle, every piece present.
std::unique_ptr<QDict<PSDLayer>> nineSet(const char* prefix = "") {
    const QString p = QString::fromLatin1(prefix);
    auto name = [&](const char* n) { return p + QLatin1String(n); };
    return makeSet({{name("nw"), QRect(0, 0, 10, 10), kNW},
                    {name("n"), QRect(10, 0, 4, 10), kN},
                    {name("ne"), QRect(14, 0, 10, 10), kNE},
                    {name("w"), QRect(0, 10, 10, 4), kW},
                    {name("e"), QRect(14, 10, 10, 4), kE},
                    {name("sw"), QRect(0, 14, 10, 10), kSW},
                    {name("s"), QRect(10, 14, 4, 10), kS},
                    {name("se"), QRect(14, 14, 10, 10), kSE},
                    {name("fill_color"), QRect(10, 10, 4, 4), kBoxFill}});
}

QImage canvas(int w, int h) {
    QImage image(w, h, QImage::Format_ARGB32);
    image.fill(kBoxBack);
    return image;
}

} // namespace

TEST(ZRSkinBox, LaysOutNinePiecesOnTheGrid) {
    auto set = nineSet();
    ZRSkinBox box(set.get());
    EXPECT_EQ(box.naturalSize(), QSize(24, 24));
    EXPECT_EQ(box.boxRect(), QRect(0, 0, 24, 24));
    EXPECT_TRUE(box.fillMode());
    EXPECT_EQ(box.fillColor(), kBoxFill);

    box.setGeometry(5, 6, 60, 40);
    EXPECT_EQ(box.boxRect(), QRect(5, 6, 60, 40));
    EXPECT_EQ(box.fillRect(), QRect(15, 16, 40, 20));

    QImage image = canvas(70, 50);
    box.drawInto(QRegion(image.rect()), image);
    const struct {
        QPoint at;
        QRgb colour;
    } expected[] = {{{5, 6}, kNW},      {{14, 15}, kNW},     {{15, 6}, kN},  {{54, 15}, kN},
                    {{55, 6}, kNE},     {{64, 15}, kNE},     {{55, 16}, kE}, {{64, 35}, kE},
                    {{55, 36}, kSE},    {{64, 45}, kSE},     {{15, 36}, kS}, {{54, 45}, kS},
                    {{5, 36}, kSW},     {{5, 16}, kW},       {{14, 35}, kW}, {{30, 25}, kBoxFill},
                    {{4, 6}, kBoxBack}, {{65, 46}, kBoxBack}};
    for (const auto& e : expected)
        EXPECT_EQ(image.pixel(e.at), e.colour) << e.at.x() << "," << e.at.y();
}

TEST(ZRSkinBox, CornersAndFillColourOnlyDrawAFlatMiddle) {
    auto set = makeSet({{QStringLiteral("nw"), QRect(0, 0, 10, 10), kNW},
                        {QStringLiteral("ne"), QRect(12, 0, 10, 10), kNE},
                        {QStringLiteral("sw"), QRect(0, 12, 10, 10), kSW},
                        {QStringLiteral("se"), QRect(12, 12, 10, 10), kSE},
                        {QStringLiteral("fill_color"), QRect(10, 10, 2, 2), kBoxFill}});
    ZRSkinBox box(set.get());
    box.setGeometry(0, 0, 40, 30);
    EXPECT_EQ(box.fillRect(), QRect(10, 10, 20, 10));
    QImage image = canvas(40, 30);
    box.drawInto(QRegion(image.rect()), image);
    EXPECT_EQ(image.pixel(0, 0), kNW);
    EXPECT_EQ(image.pixel(39, 0), kNE);
    EXPECT_EQ(image.pixel(0, 29), kSW);
    EXPECT_EQ(image.pixel(39, 29), kSE);
    EXPECT_EQ(image.pixel(20, 15), kBoxFill);
    EXPECT_EQ(image.pixel(20, 2), kBoxBack) << "no top edge is drawn";
    EXPECT_EQ(image.pixel(2, 15), kBoxBack) << "no left edge is drawn";
}

TEST(ZRSkinBox, BrushWinsOverColour) {
    auto set = makeSet(
        {{"fill_color", QRect(0, 0, 2, 2), kBoxFill}, {"fill_brush", QRect(0, 0, 3, 3), kBrush}});
    ZRSkinBox box(set.get());
    EXPECT_FALSE(box.fillMode());
    ASSERT_NE(box.fillImage(), nullptr);
    EXPECT_EQ(box.fillImage()->pixel(0, 0), kBrush);
    box.setFillColor(kBoxFill);
    EXPECT_TRUE(box.fillMode());
    EXPECT_EQ(box.fillImage(), nullptr);
    box.clearFill();
    EXPECT_FALSE(box.fillMode());
}

TEST(ZRSkinBox, InnerGeometryStartsAtZero) {
    auto set = nineSet();
    ZRSkinBox box(set.get());
    box.setInnerGeometry(QRect(5, 5, 20, 20));
    EXPECT_EQ(box.boxRect(), QRect(0, 0, 40, 40));
    EXPECT_EQ(box.fillRect(), QRect(10, 10, 20, 20)) << "moved with the box";
    box.setInnerGeometry(QRect(30, 20, 8, 6));
    EXPECT_EQ(box.boxRect(), QRect(20, 10, 28, 26));
    EXPECT_EQ(box.fillRect(), QRect(30, 20, 8, 6));
    box.setInnerGeometry(QPoint(3, 4), QSize(8, 6));
    EXPECT_EQ(box.boxRect(), QRect(3, 4, 28, 26));
}

TEST(ZRSkinBox, TooSmallBoxDrawsOnlyItsCorners) {
    auto set = nineSet();
    ZRSkinBox box(set.get());
    box.setGeometry(0, 0, 15, 12);
    EXPECT_TRUE(box.fillRect().isEmpty());
    QImage image = canvas(15, 12);
    box.drawInto(QRegion(image.rect()), image);
    EXPECT_EQ(image.pixel(0, 0), kNW);
    EXPECT_EQ(image.pixel(14, 0), kNE);
    EXPECT_EQ(image.pixel(14, 11), kSE);
}

TEST(ZRSkinBox, NarrowLeftEdgeStartsTheFillBesideIt) {
    auto set = makeSet({{QStringLiteral("nw"), QRect(0, 0, 10, 10), kNW},
                        {QStringLiteral("n"), QRect(10, 0, 4, 10), kN},
                        {QStringLiteral("w"), QRect(0, 10, 4, 4), kW},
                        {QStringLiteral("fill_color"), QRect(10, 10, 2, 2), kBoxFill}});
    ZRSkinBox box(set.get());
    box.setGeometry(0, 0, 30, 30);
    EXPECT_EQ(box.fillRect().left(), 4);
    EXPECT_EQ(box.fillRect().top(), 10);
}

TEST(ZRSkinBox, PrefixSelectsThePieces) {
    auto set = nineSet("button_");
    ZRSkinBox plain(set.get());
    EXPECT_EQ(plain.naturalSize(), QSize(0, 0));
    ZRSkinBox box;
    box.setSkin(set.get(), QStringLiteral("button_"));
    EXPECT_EQ(box.naturalSize(), QSize(24, 24));
}

TEST(ZRSkinBox, OffsetsAndLimitsMoveAndClipTheDrawing) {
    auto set = nineSet();
    ZRSkinBox box(set.get());
    box.setGeometry(0, 0, 30, 30);

    QImage moved = canvas(50, 50);
    box.drawInto(QRegion(0, 0, 30, 30), moved, QPoint(5, 0), QPoint(0, 7));
    EXPECT_EQ(moved.pixel(5, 7), kNW);
    EXPECT_EQ(moved.pixel(4, 7), kBoxBack);

    QImage limited = canvas(50, 50);
    box.drawInto(limited, QPoint(10, 10), QRect(0, 0, 25, 25));
    EXPECT_EQ(limited.pixel(10, 10), kNW);
    EXPECT_EQ(limited.pixel(24, 24), kBoxFill);
    EXPECT_EQ(limited.pixel(25, 25), kBoxBack);

    QImage onTheFly = canvas(50, 50);
    box.drawInto(QRegion(onTheFly.rect()), onTheFly, QRect(20, 20, 30, 30));
    EXPECT_EQ(onTheFly.pixel(20, 20), kNW);
    EXPECT_EQ(box.boxRect(), QRect(0, 0, 30, 30)) << "the kept layout is unchanged";

    QImage faded = canvas(50, 50);
    box.drawIntoOpacity(QRegion(faded.rect()), faded, 128);
    EXPECT_EQ(faded.pixel(0, 0), kNW) << "opaque pieces stay opaque";
}

TEST(ZRSkinBox, PainterDrawingMatchesImageDrawing) {
    auto set = nineSet();
    ZRSkinBox box(set.get());
    QImage viaImage = canvas(60, 50);
    box.drawInto(QRegion(viaImage.rect()), viaImage, QRect(3, 4, 50, 40));
    QImage viaPainter = canvas(60, 50);
    QPainter painter(&viaPainter);
    box.draw(painter, QRect(3, 4, 50, 40));
    painter.end();
    EXPECT_EQ(viaPainter, viaImage);
}

TEST(ZRSkinBox, CopiesBorrowTheOwnedSet) {
    auto* owned = nineSet().release();
    auto first = std::make_unique<ZRSkinBox>(owned, true);
    ZRSkinBox copy(*first);
    ZRSkinBox assigned;
    assigned = *first;
    first.reset(); // deletes the set once; the copies must not delete it again
    SUCCEED();
}
