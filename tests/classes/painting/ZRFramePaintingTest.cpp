#include "classes/painting/ZRFramePainting.h"

#include "engine/api/IZRTimeline.h"
#include "tests/classes/painting/FakeEngineImage.h"
#include "tests/support/TimelineDeleter.h"

#include <QPainter>

#include <gtest/gtest.h>

#include <memory>

namespace {

constexpr QRgb kEven = 0xFFFF0000u;
constexpr QRgb kOdd = 0xFF0000FFu;

// A frame whose even lines are red and odd lines blue, with an alpha byte of 0 throughout: the
// engine's alpha must not reach the screen.
FakeEngineImage striped(int w, int h) {
    FakeEngineImage frame(w, h, 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            frame.setPixel(x, y, (y % 2 ? kOdd : kEven) & 0x00FFFFFFu);
    return frame;
}

QImage drawn(FakeEngineImage& frame, int w, int h) {
    QImage target(w, h, QImage::Format_RGB32);
    target.fill(Qt::black);
    QPainter painter(&target);
    stretchFrameToWidget(&frame, painter, 0, 0, w, h);
    return target;
}

} // namespace

TEST(ZRFramePainting, TallFramesShowTheirEvenLines) {
    FakeEngineImage pal = striped(720, 576);
    const QImage shown = drawn(pal, 720, 288);
    for (int y = 0; y < 288; y += 37)
        EXPECT_EQ(shown.pixel(100, y), kEven) << "line " << y;

    FakeEngineImage cif = striped(352, 288);
    const QImage whole = drawn(cif, 352, 288);
    for (int y = 0; y < 288; ++y)
        ASSERT_EQ(whole.pixel(10, y), y % 2 ? kOdd : kEven) << "line " << y;
}

TEST(ZRFramePainting, BareBuffersAreAsWideAsTheirStride) {
    FakeEngineImage buffer(4, 2, 0xFF00FF00u);
    buffer.setPixel(0, 0, kEven);
    QImage target(4, 2, QImage::Format_RGB32);
    target.fill(Qt::black);
    QPainter painter(&target);
    stretchFrameToWidgetRect(painter, QRect(0, 0, 4, 2), buffer.pixels(), 16, 2);
    painter.end();
    EXPECT_EQ(target.pixel(0, 0), kEven);
    EXPECT_EQ(target.pixel(3, 1), 0xFF00FF00u);
}

namespace {} // namespace

TEST(ZRFramePainting, EngineFramesAreDrawnAndUnlocked) {
    std::unique_ptr<IZRTimeline, TimelineDeleter> timeline(
        IZRCreateTimelineInstance(nullptr, nullptr, 1));
    ASSERT_TRUE(timeline);
    ASSERT_TRUE(timeline->settings()->setIntPairSetting("Video Dimensions", 720, 576));
    IZRObjectFactory* factory = timeline->factory();
    IZRPos* start = factory->createPos();
    IZRObject* green = factory->createObject("Solid Color", "RGB(0,200,0)", nullptr, nullptr);
    ASSERT_NE(green, nullptr);
    ASSERT_TRUE(timeline->insertObject(1, start, green));

    QImage target(360, 288, QImage::Format_RGB32);
    target.fill(Qt::black);
    {
        QPainter painter(&target);
        EXPECT_TRUE(stretchFrameToRect(painter, target.rect(), timeline.get(), start));
    }
    EXPECT_EQ(target.pixel(180, 144), qRgb(0, 200, 0));
    EXPECT_FALSE(timeline->imageBuffer(0)->locked()) << "the frame is unlocked afterwards";

    // The timeline's frame at the position, whatever object is passed, at the size asked for.
    IZRObject* red = factory->createObject("Solid Color", "RGB(200,0,0)", nullptr, nullptr);
    ASSERT_NE(red, nullptr);
    QImage small(100, 80, QImage::Format_RGB32);
    small.fill(Qt::black);
    {
        QPainter painter(&small);
        stretchFrameToDC(timeline.get(), red, start, painter, 10, 10, 50, 40);
    }
    EXPECT_EQ(small.pixel(10, 10), qRgb(0, 200, 0));
    EXPECT_EQ(small.pixel(59, 49), qRgb(0, 200, 0));
    EXPECT_EQ(small.pixel(60, 50), qRgb(0, 0, 0));
    EXPECT_EQ(small.pixel(9, 9), qRgb(0, 0, 0));
    EXPECT_FALSE(timeline->imageBuffer(0)->locked()) << "the frame is unlocked afterwards";
    factory->destroyObject(red);
    factory->destroyPos(start);
}
