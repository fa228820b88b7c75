#include "engine/render/ZRImage.h"
#include "engine/timeline/ZRTimeline.h"

#include "tests/support/TestEnvironment.h"
#include "tests/support/TimelineDeleter.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>

namespace {

uint32_t pixelAt(ZRImage& image, int x, int y) {
    uint32_t v;
    std::memcpy(&v, image.pixels() + ptrdiff_t(y) * image.stride() + x * 4, 4);
    return v;
}

void setPixel(ZRImage& image, int x, int y, uint32_t v) {
    std::memcpy(image.pixels() + ptrdiff_t(y) * image.stride() + x * 4, &v, 4);
}

bool allPixels(ZRImage& image, uint32_t v) {
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (pixelAt(image, x, y) != v) return false;
    return true;
}

} // namespace

TEST(ZRImage, CreateAllocatesAndClearsToTheBackground) {
    ZRImage image(nullptr);
    ASSERT_TRUE(image.create(720, 576, 0));
    EXPECT_EQ(image.width(), 720);
    EXPECT_EQ(image.height(), 576);
    EXPECT_EQ(image.stride(), 2880);
    EXPECT_EQ(image.blockSize(), size_t(720) * 4 * 576);
    EXPECT_TRUE(image.hasContent());
    EXPECT_TRUE(allPixels(image, 0xFFFFFFFFu)) << "opaque white by default";
}

TEST(ZRImage, ClearUsesTheTimelinesBackgroundColourInItsOrder) {
    std::unique_ptr<IZRTimeline, TimelineDeleter> timeline(
        IZRCreateTimelineInstance(nullptr, nullptr, 1));
    ASSERT_TRUE(timeline->settings()->setIntTripleSetting("Background Color", 10, 20, 30));
    ZRImage image(static_cast<ZRTimeline*>(timeline.get()));
    ASSERT_TRUE(image.create(3, 2, 0));
    // Bytes blue, green, red, alpha: red is the first value, green the third, blue the second.
    const unsigned char expected[4] = {20, 30, 10, 255};
    EXPECT_EQ(std::memcmp(image.pixels(), expected, 4), 0);
    EXPECT_TRUE(allPixels(image, pixelAt(image, 0, 0)));
}

TEST(ZRImage, CreateWithoutAllocationOrWithABadSizeLeavesAnEmptyImage) {
    ZRImage image(nullptr);
    const struct {
        int width, height, noAllocation;
    } cases[] = {{720, 576, 1},
                 {0, 10, 0},
                 {10, -1, 0},
                 {ZRImage::kMaxSide + 1, 1, 0},
                 {1, ZRImage::kMaxSide + 1, 0}};
    for (const auto& c : cases) {
        ASSERT_TRUE(image.create(8, 8, 0));
        EXPECT_FALSE(image.create(c.width, c.height, c.noAllocation));
        EXPECT_EQ(image.pixels(), nullptr);
        EXPECT_EQ(image.width(), 0);
        EXPECT_EQ(image.height(), 0);
        EXPECT_EQ(image.stride(), 0);
        EXPECT_EQ(image.blockSize(), 0u);
        image.clear(); // harmless on an empty image
        unsigned char sink[4] = {};
        EXPECT_TRUE(image.copyTo(sink, 4, 0, false));
    }
}

TEST(ZRImage, CopyToFormats) {
    ZRImage image(nullptr);
    ASSERT_TRUE(image.create(2, 1, 0));
    setPixel(image, 0, 0, 0x80FF8040u); // alpha 0x80, red 0xFF, green 0x80, blue 0x40
    setPixel(image, 1, 0, 0xFF000000u);
    const struct {
        int format;
        std::vector<unsigned char> bytes;
    } cases[] = {
        {0, {0x40, 0x80, 0xFF, 0x80, 0x00, 0x00, 0x00, 0xFF}},
        {1, {0x40, 0x80, 0xFF, 0x00, 0x00, 0x00}},
        // 5-6-5: 0xF800 | 0x0400 | 0x0008; 5-5-5: 0x7C00 | 0x0200 | 0x0008
        {2, {0x08, 0xFC, 0x00, 0x00}},
        {3, {0x08, 0x7E, 0x00, 0x00}},
    };
    for (const auto& c : cases) {
        std::vector<unsigned char> out(16, 0xCD);
        ASSERT_TRUE(image.copyTo(out.data(), 16, c.format, false)) << c.format;
        EXPECT_EQ(std::vector<unsigned char>(out.begin(), out.begin() + c.bytes.size()), c.bytes)
            << c.format;
        EXPECT_EQ(out[c.bytes.size()], 0xCD) << "format " << c.format << " wrote too much";
    }
    unsigned char out[16];
    for (int refused : {4, 6, -1, 99})
        EXPECT_FALSE(image.copyTo(out, 16, refused, false)) << refused;
    EXPECT_FALSE(image.copyTo(nullptr, 16, 0, false));
}

TEST(ZRImage, CopyToFlipsRowsExceptFor422) {
    ZRImage image(nullptr);
    ASSERT_TRUE(image.create(4, 3, 0));
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x)
            setPixel(image, x, y, 0xFF000000u | uint32_t(y * 0x404040));
    std::vector<unsigned char> out(3 * 16);
    ASSERT_TRUE(image.copyTo(out.data(), 16, 0, true));
    EXPECT_EQ(out[2 * 16], 0x00) << "the first source row lands in the last row";
    EXPECT_EQ(out[0], 0x80);

    // 4:2:2: two words per four pixels, rows in source order.
    std::vector<unsigned char> yuv(3 * 8, 0xCD);
    ASSERT_TRUE(image.copyTo(yuv.data(), 8, 5, true));
    EXPECT_EQ(yuv[0], 0) << "row 0 (black) stays first";
    EXPECT_GT(yuv[2 * 8], 100) << "row 2 (grey) stays last";
    EXPECT_EQ(yuv[1], 128);
}

TEST(ZRImage, AttachUsesAndKeepsTheCallersBlock) {
    std::vector<unsigned char> block(4 * 32 * 2, 0);
    {
        ZRImage image(nullptr);
        ASSERT_TRUE(image.create(4, 4, 0));
        ASSERT_TRUE(image.attach(block.data(), 2, 3, 32));
        EXPECT_EQ(image.pixels(), block.data());
        EXPECT_EQ(image.blockSize(), 0u) << "an attached block is not the image's";
        EXPECT_EQ(block[0], 0xFF);
        EXPECT_EQ(block[32 * 2 + 7], 0xFF) << "every row is cleared";
        EXPECT_EQ(block[8], 0x00) << "bytes between rows are left alone";
    }
    // Deleting the image left the block to us (a wrong free would be reported by the sanitizer).
    block.assign(block.size(), 1);

    ZRImage image(nullptr);
    EXPECT_FALSE(image.attach(nullptr, 2, 2, 8));
    EXPECT_FALSE(image.attach(block.data(), 0, 2, 8));
    EXPECT_FALSE(image.attach(block.data(), 4, 2, 8)) << "stride shorter than a row";
    EXPECT_EQ(image.pixels(), nullptr);
    EXPECT_EQ(image.width(), 0);
    // A negative stride addresses the rows bottom-up.
    ASSERT_TRUE(image.attach(block.data() + 8 * 2, 2, 3, -8));
    EXPECT_EQ(block[0], 0xFF);
}

TEST(ZRImage, ScaleRebuildsThePictureFromOneField) {
    const uint32_t red = 0xFFFF0000u, blue = 0xFF0000FFu;
    for (bool firstField : {true, false}) {
        ZRImage image(nullptr);
        ASSERT_TRUE(image.create(64, 48, 0));
        for (int y = 0; y < 48; ++y)
            for (int x = 0; x < 64; ++x)
                setPixel(image, x, y, y % 2 == 0 ? red : blue);
        image.scale(firstField);
        EXPECT_TRUE(allPixels(image, firstField ? red : blue)) << firstField;
    }
    ZRImage single(nullptr);
    ASSERT_TRUE(single.create(4, 1, 0));
    single.scale(true);
    EXPECT_TRUE(allPixels(single, 0xFFFFFFFFu));
}

TEST(ZRImage, LockedSeesAnotherThreadsLock) {
    ZRImage image(nullptr);
    EXPECT_FALSE(image.locked());
    image.lock();
    EXPECT_TRUE(image.locked());
    std::atomic<bool> seen{false};
    std::thread([&] { seen = image.locked(); }).join();
    EXPECT_TRUE(seen);
    image.unlock();
    EXPECT_FALSE(image.locked());
}
