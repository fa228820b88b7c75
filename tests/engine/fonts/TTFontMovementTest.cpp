#include "engine/api/ZRFont.h"
#include "engine/fonts/ZRProcessFont.h"
#include "engine/render/ZRImage.h"

#include "tests/engine/fonts/FontTestData.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

TEST(TTFontMovementTest, PlacementRulesGiveTheStartAndEndPoints) {
    FontPtr font = makeFont();
    ZRStringInfo box;
    box.width = 100;
    box.height = 50;
    const struct {
        int mode;
        int x, y; // at offset 0, on 720 x 576 with a safe frame of 0.1
    } cases[] = {
        {0, -101, -50}, {1, 72, 58}, {2, 721, 576}, {3, 547, 467}, {4, 310, 263},
    };
    for (const auto& c : cases) {
        ZRFontData data;
        data.safeFrameSize = 0.1f;
        data.startXMode = data.startYMode = c.mode;
        data.endXMode = data.endYMode = c.mode;
        data.endX = 5;
        data.endY = -7;
        ZRFont2DInstance path;
        font->init2DMovement(&data, &path, 720, 576, box);
        EXPECT_EQ(path.startX, c.x) << "mode " << c.mode;
        EXPECT_EQ(path.startY, c.y) << "mode " << c.mode;
        EXPECT_EQ(path.endX, c.x + 5) << "mode " << c.mode;
        EXPECT_EQ(path.endY, c.y - 7) << "mode " << c.mode;
    }
}

TEST(TTFontMovementTest, PathAcrossTheTarget) {
    FontPtr font = makeFont();
    ZRStringInfo box;
    box.width = 100;
    ZRFontData data;
    data.startXMode = 0;
    data.endXMode = 2;
    data.startYMode = data.endYMode = 9; // not a rule: left as it was
    ZRFont2DInstance path;
    path.startY = 33;
    path.endY = 33;
    font->init2DMovement(&data, &path, 720, 576, box);
    EXPECT_EQ(path.startX, -101);
    EXPECT_EQ(path.endX, 721);
    EXPECT_EQ(path.startY, 33);
    EXPECT_DOUBLE_EQ(path.spanX, 823.0);
    EXPECT_DOUBLE_EQ(path.spanY, 1.0);
    EXPECT_EQ(data.movementSpeed, 1) << "a speed of 0 is taken as 1";
    EXPECT_EQ(path.steps, int(std::ceil(path.length)));
    EXPECT_DOUBLE_EQ(path.stepX, path.spanX / path.steps);

    data.startX = 2000000000;
    data.endX = -2000000000;
    font->init2DMovement(&data, &path, 720, 576, box);
    EXPECT_LT(path.spanX, -3e9) << "extreme offsets do not wrap around";
}

TEST(TTFontMovementTest, FrameTextTravelsFromStartToEnd) {
    ASSERT_NE(zrProcessFont(), nullptr);
    ZRFontData data = sansData(30);
    data.text = "Go";
    data.movement = 1;
    data.startXMode = 1;
    data.endXMode = 3;
    data.startYMode = data.endYMode = 4;
    ZRStringInfo box;
    zrProcessFont()->lock();
    zrProcessFont()->openFont(&data);
    zrProcessFont()->getBBox(data.text, &box, &data);
    zrProcessFont()->unlock();

    const auto inkLeft = [&](double frame, double frames) {
        ZRImage target(nullptr);
        EXPECT_TRUE(target.create(320, 100, 0));
        std::memset(target.pixels(), 0, size_t(target.stride()) * 100);
        renderTextFrame(&target, box, &data, frame, frames);
        for (int x = 0; x < 320; ++x) {
            for (int y = 0; y < 100; ++y) {
                uint32_t p;
                std::memcpy(&p, target.pixels() + y * target.stride() + x * 4, 4);
                if (p) return x;
            }
        }
        return -1;
    };
    const int start = inkLeft(0, 1.0);
    ASSERT_GE(start, 0);
    EXPECT_EQ(inkLeft(5, 1.0), start) << "one frame: the text stays at its start";
    EXPECT_EQ(inkLeft(10, 11.0) - start, 320 - box.width - 1) << "the last frame reaches the end";
    EXPECT_EQ(inkLeft(5, 11.0) - start, (320 - box.width - 1) / 2);
}

} // namespace
