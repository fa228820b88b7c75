#include "classes/painting/ZRPainterPainting.h"
#include "classes/painting/ZRImagePainting.h"

#include <QPainter>

#include <gtest/gtest.h>

namespace {

QImage opaqueNoise(int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, qRgb(x * 13 % 256, y * 29 % 256, (x * y) % 256));
    return image;
}

} // namespace

TEST(ZRPainterPainting, XorFrameTwiceRestoresThePicture) {
    const QImage original = opaqueNoise(30, 20);
    QImage image = original.copy();
    const QRect rect(3, 4, 20, 12);
    {
        QPainter painter(&image);
        fillRectWithImageBrush(painter, rect);
        EXPECT_EQ(painter.compositionMode(), QPainter::CompositionMode_SourceOver);
    }
    for (int y = 0; y < 20; ++y) {
        for (int x = 0; x < 30; ++x) {
            const bool frame = rect.contains(x, y) && !rect.adjusted(2, 2, -2, -2).contains(x, y);
            // The pattern's black pixels (x + y even) keep a pixel, its white ones invert it.
            const bool inverted = frame && (x + y) % 2 == 1;
            const QRgb expected =
                inverted ? original.pixel(x, y) ^ 0x00FFFFFFu : original.pixel(x, y);
            ASSERT_EQ(image.pixel(x, y), expected) << x << "," << y;
        }
    }
    {
        QPainter painter(&image);
        fillRectWithImageBrush(painter, rect);
    }
    EXPECT_EQ(image, original);
}

TEST(ZRPainterPainting, PainterTilingMatchesTheImageRoutine) {
    QImage tile(5, 3, QImage::Format_ARGB32);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            tile.setPixel(x, y, qRgba(40 * x, 80 * y, 200, x == 2 ? 0 : 255));
    QImage viaPainter = opaqueNoise(30, 20).convertToFormat(QImage::Format_ARGB32);
    QImage viaImage = viaPainter.copy();
    {
        QPainter painter(&viaPainter);
        tileImageOverPainter(painter, 4, 3, 17, 11, tile, 2, 1);
    }
    tileImageRect(viaImage, QRect(4, 3, 17, 11), tile, 2, 1);
    EXPECT_EQ(viaPainter, viaImage);

    QImage blitted = opaqueNoise(30, 20).convertToFormat(QImage::Format_ARGB32);
    QImage blended = blitted.copy();
    {
        QPainter painter(&blitted);
        blitImageRegion(painter, QPoint(25, -1), tile);
    }
    blendImageAt(blended, QPoint(25, -1), tile, tile.rect());
    EXPECT_EQ(blitted, blended);
}
