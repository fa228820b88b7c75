#include "classes/painting/ZRImagePainting.h"

#include "tests/classes/painting/FakeEngineImage.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

QImage filled(int w, int h, QRgb colour) {
    QImage image(w, h, QImage::Format_ARGB32);
    image.fill(colour);
    return image;
}

// A source whose every pixel differs, so that a wrong source offset shows.
QImage gradient(int w, int h, int alpha = 255) {
    QImage image(w, h, QImage::Format_ARGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, qRgba(x * 7 % 256, y * 11 % 256, (x + y) % 256, alpha));
    return image;
}

using Operation = std::function<void(const QRegion&, QImage&)>;

struct Named {
    const char* name;
    Operation apply;
};

std::vector<Named> clippedOperations() {
    const QImage source = gradient(16, 12, 200);
    const QRect rect(4, 4, 24, 20);
    return {
        {"blendImageClipped",
         [=](const QRegion& c, QImage& t) { blendImageClipped(c, t, rect.topLeft(), source); }},
        {"blendSkinImageClipped",
         [=](const QRegion& c, QImage& t) { blendSkinImageClipped(c, t, rect, source); }},
        {"blendImageOpacityClipped",
         [=](const QRegion& c, QImage& t) {
             blendImageOpacityClipped(c, t, 128, rect.topLeft(), source);
         }},
        {"tileImageClipped",
         [=](const QRegion& c, QImage& t) { tileImageClipped(c, t, rect, source, 3, 5); }},
        {"tileImageOpacityClipped",
         [=](const QRegion& c, QImage& t) {
             tileImageOpacityClipped(c, t, 128, rect, source, 3, 5, true);
         }},
        {"tintImageClipped",
         [=](const QRegion& c, QImage& t) { tintImageClipped(c, t, rect, 0x80FF0000u); }},
        {"setAlphaClipped",
         [=](const QRegion& c, QImage& t) { setAlphaClipped(c, t, rect, 0x140); }},
        {"fillImageClipped",
         [=](const QRegion& c, QImage& t) { fillImageClipped(c, t, rect, 0x8000FF00u, 3); }},
    };
}

} // namespace

TEST(ZRImagePainting, RegionOutsideTheTargetRectangleChangesNothing) {
    const QRegion outside = QRegion(40, 0, 10, 10) + QRegion(0, 30, 50, 5);
    for (const Named& op : clippedOperations()) {
        QImage target = filled(50, 40, 0xFF102030u);
        const QImage before = target.copy();
        op.apply(outside, target);
        EXPECT_EQ(target, before) << op.name;
    }
}

TEST(ZRImagePainting, OverlappingRectanglesAreProcessedOnce) {
    // The same pixels reached through one rectangle or through two overlapping ones.
    const QRegion whole(0, 0, 50, 40);
    const QRegion overlapping = QRegion(2, 2, 20, 20) + QRegion(10, 10, 30, 25);
    for (const Named& op : clippedOperations()) {
        QImage once = filled(50, 40, 0xFF102030u);
        op.apply(whole, once);
        QImage twice = filled(50, 40, 0xFF102030u);
        op.apply(overlapping, twice);
        for (const QRect& r : overlapping)
            for (int y = r.top(); y <= r.bottom(); ++y)
                for (int x = r.left(); x <= r.right(); ++x)
                    ASSERT_EQ(twice.pixel(x, y), once.pixel(x, y))
                        << op.name << " at " << x << "," << y;
    }
}

TEST(ZRImagePainting, TilesContinueAcrossTheRectanglesOfARegion) {
    const QImage tile = gradient(7, 5);
    QImage whole = filled(40, 30, 0xFF000000u);
    tileImageRect(whole, QRect(3, 2, 30, 25), tile, 2, 4);
    QImage pieces = filled(40, 30, 0xFF000000u);
    const QRegion split = QRegion(0, 0, 40, 11) + QRegion(0, 11, 17, 19) + QRegion(17, 11, 23, 19);
    tileImageClipped(split, pieces, QRect(3, 2, 30, 25), tile, 2, 4);
    EXPECT_EQ(pieces, whole);
    // A rectangle partly off the image keeps its pattern where it is visible: moved by one tile
    // each way, it shows the same pixels.
    QImage shifted = filled(40, 30, 0xFF000000u);
    tileImageRect(shifted, QRect(-4, -3, 37, 30), tile, 2, 4);
    EXPECT_EQ(shifted.copy(3, 2, 30, 25), whole.copy(3, 2, 30, 25));
}

TEST(ZRImagePainting, BlocksAreClippedToTargetAndSource) {
    const QImage source = gradient(10, 10);
    struct Case {
        const char* name;
        QRect rect; // target rectangle
        QPoint from;
        QRect changed; // the pixels that must change, in target coordinates
    };
    const Case cases[] = {
        {"inside", QRect(2, 2, 4, 4), QPoint(1, 1), QRect(2, 2, 4, 4)},
        {"left of and above the target", QRect(-3, -2, 6, 6), QPoint(0, 0), QRect(0, 0, 3, 4)},
        {"past the target", QRect(17, 18, 10, 10), QPoint(0, 0), QRect(17, 18, 3, 2)},
        {"past the source", QRect(0, 0, 10, 10), QPoint(6, 8), QRect(0, 0, 4, 2)},
        {"before the source", QRect(5, 5, 10, 10), QPoint(-3, -1), QRect(8, 6, 7, 9)},
        {"wholly outside", QRect(30, 30, 5, 5), QPoint(0, 0), QRect()},
    };
    for (const Case& c : cases) {
        QImage target = filled(20, 20, 0xFF000000u);
        blendImageRect(target, c.rect, source, c.from.x(), c.from.y());
        for (int y = 0; y < 20; ++y) {
            for (int x = 0; x < 20; ++x) {
                const QPoint s = QPoint(x, y) - c.rect.topLeft() + c.from;
                const QRgb expected =
                    c.changed.contains(x, y) ? source.pixel(s) : QRgb(0xFF000000u);
                ASSERT_EQ(target.pixel(x, y), expected) << c.name << " at " << x << "," << y;
            }
        }
    }
}

TEST(ZRImagePainting, CopyImageAtCopiesAlphaAndAll) {
    QImage target = filled(8, 8, 0xFF000000u);
    const QImage source = filled(4, 4, 0x20FF0000u);
    copyImageAt(target, QPoint(6, -1), source);
    EXPECT_EQ(target.pixel(6, 0), 0x20FF0000u);
    EXPECT_EQ(target.pixel(7, 2), 0x20FF0000u);
    EXPECT_EQ(target.pixel(5, 0), 0xFF000000u);
    EXPECT_EQ(target.pixel(6, 3), 0xFF000000u);
}

TEST(ZRImagePainting, FillImageClippedPaintsOnlyTheBand) {
    QImage target = filled(20, 20, 0xFF000000u);
    fillImageClipped(QRegion(0, 0, 20, 20), target, QRect(2, 2, 12, 10), 0xFF00FF00u, 2);
    for (int y = 0; y < 20; ++y) {
        for (int x = 0; x < 20; ++x) {
            const bool band =
                QRect(2, 2, 12, 10).contains(x, y) && !QRect(4, 4, 8, 6).contains(x, y);
            ASSERT_EQ(target.pixel(x, y), band ? 0xFF00FF00u : 0xFF000000u) << x << "," << y;
        }
    }
}

TEST(ZRImagePainting, SetRgbKeepsAlpha) {
    QImage target = filled(4, 4, 0x40102030u);
    setRgbInRect(target, QRect(-1, -1, 3, 3), 0x00FFEEDDu);
    EXPECT_EQ(target.pixel(1, 1), 0x40FFEEDDu);
    EXPECT_EQ(target.pixel(2, 2), 0x40102030u);
}

TEST(ZRImagePainting, EngineImagesAreClippedBothWays) {
    FakeEngineImage engine(12, 10, 0xFF0000FFu);
    const QImage source = filled(6, 6, 0xFFFF0000u);
    blitSkinImageClippedAt(QRegion(0, 0, 100, 100), &engine, QPoint(-2, 7), source);
    EXPECT_EQ(engine.pixel(0, 7), 0xFFFF0000u);
    EXPECT_EQ(engine.pixel(3, 9), 0xFFFF0000u);
    EXPECT_EQ(engine.pixel(4, 9), 0xFF0000FFu);
    EXPECT_EQ(engine.pixel(0, 6), 0xFF0000FFu);
    EXPECT_EQ(engine.lockDepth(), 0);

    QImage target = filled(8, 8, 0xFF000000u);
    blitSkinImageClipped(QRegion(0, 0, 4, 8), target, QRect(-1, 0, 8, 8), &engine);
    EXPECT_EQ(target.pixel(0, 7), 0xFFFF0000u); // engine pixel (1, 7)
    EXPECT_EQ(target.pixel(3, 0), 0xFF0000FFu);
    EXPECT_EQ(target.pixel(4, 0), 0xFF000000u); // outside the clip
}
