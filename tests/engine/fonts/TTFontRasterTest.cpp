#include "engine/api/ZRFont.h"

#include "tests/engine/fonts/Canvas.h"
#include "tests/engine/fonts/FontFixture.h"
#include "tests/engine/fonts/FontTestData.h"

#include <gtest/gtest.h>

namespace {

class TTFontRasterTest : public ::testing::TestWithParam<int> {
protected:
    // Loads the glyph of `code` at `size` pixels.
    ZRCharInfo load(char32_t code, int size) {
        data = sansData(size);
        data.antiAlias = GetParam();
        data.red = 10;
        data.green = 20;
        data.blue = 30;
        EXPECT_EQ(font->openFont(&data), 0);
        ZRCharInfo info;
        const unsigned glyph = fixture::glyphIndex(fixture::installedFont("DejaVuSans.ttf"), code);
        EXPECT_EQ(font->setChar(int(glyph), &info), 0);
        return info;
    }

    int draw(Canvas& canvas, float x, float y) {
        return font->renderChar(canvas.bytes(), canvas.bytesPerLine(), canvas.width, canvas.height,
                                &data, nullptr, x, y, 4);
    }

    FontPtr font = makeFont();
    ZRFontData data;
};

TEST_P(TTFontRasterTest, GlyphsAcrossAnEdgeDrawOnlyTheirVisiblePart) {
    const ZRCharInfo info = load('W', 40);
    // The whole glyph, with its baseline at y = 60 and its pen at x = 60.
    Canvas whole(200, 120);
    ASSERT_EQ(draw(whole, 60, 60), 0);
    const QRect full = whole.ink();
    ASSERT_FALSE(full.isEmpty());

    const struct {
        const char* edge;
        int dx, dy; // where the pen goes instead, relative to (60, 60)
    } cases[] = {
        {"left", -60 - info.advance / 2, 0},
        {"right", 140 - info.advance / 2, 0},
        {"top", 0, info.ascent / 2 - 60},
        {"bottom", 0, 60 + info.ascent / 2},
    };
    for (const auto& c : cases) {
        Canvas clipped(200, 120);
        EXPECT_EQ(draw(clipped, 60.0f + c.dx, 60.0f + c.dy), 0) << c.edge;
        const QRect ink = clipped.ink();
        ASSERT_FALSE(ink.isEmpty()) << c.edge;
        EXPECT_LT(ink.width() * ink.height(), full.width() * full.height()) << c.edge;
        for (int y = 0; y < clipped.height; ++y) {
            for (int x = 0; x < clipped.width; ++x) {
                const int sx = x - c.dx, sy = y - c.dy;
                const bool inside = sx >= 0 && sy >= 0 && sx < whole.width && sy < whole.height;
                ASSERT_EQ(clipped.at(x, y), inside ? whole.at(sx, sy) : 0u)
                    << c.edge << " at " << x << "," << y;
            }
        }
    }

    Canvas untouched(200, 120);
    EXPECT_EQ(draw(untouched, -500, 60), 1) << "wholly outside";
    EXPECT_EQ(draw(untouched, 60, 1e12f), 1);
    EXPECT_TRUE(untouched.ink().isEmpty());
}

TEST_P(TTFontRasterTest, FullCoverageTakesTheTextColour) {
    load(U'\u2588', 40); // a full block
    Canvas canvas(80, 80);
    ASSERT_EQ(draw(canvas, 10, 50), 0);
    const QRect ink = canvas.ink();
    ASSERT_FALSE(ink.isEmpty());
    EXPECT_EQ(canvas.at(ink.center().x(), ink.center().y()), 0xFF0A141Eu);
    if (GetParam() == 0) {
        for (uint32_t p : canvas.pixels)
            ASSERT_TRUE(p == 0 || p == 0xFF0A141Eu) << "one-bit pixels are set or left alone";
    }
}

INSTANTIATE_TEST_SUITE_P(Modes, TTFontRasterTest, ::testing::Values(1, 0),
                         [](const auto& info) { return info.param ? "Grey" : "OneBit"; });

TEST(TTFontBlendTest, HalfOpaqueTextLandsHalfWayOverWhite) {
    FontPtr font = makeFont();
    ZRFontData data = sansData(40);
    data.alpha = 128;
    ASSERT_EQ(font->openFont(&data), 0);
    const unsigned block = fixture::glyphIndex(fixture::installedFont("DejaVuSans.ttf"), U'\u2588');
    ASSERT_EQ(font->setChar(int(block), nullptr), 0);
    Canvas canvas(80, 80, 0xFFFFFFFF);
    ASSERT_EQ(
        font->renderChar(canvas.bytes(), canvas.bytesPerLine(), 80, 80, &data, nullptr, 10, 50, 4),
        0);
    const QRect ink = canvas.ink(0xFFFFFFFF);
    EXPECT_EQ(canvas.at(ink.center().x(), ink.center().y()), 0xFF7F7F7Fu);
}

TEST(TTFontBlendTest, NothingIsDrawnBeforeAGlyphIsLoaded) {
    FontPtr font = makeFont();
    ZRFontData data = sansData(20);
    ASSERT_EQ(font->openFont(&data), 0);
    Canvas canvas(20, 20);
    EXPECT_EQ(
        font->renderChar(canvas.bytes(), canvas.bytesPerLine(), 20, 20, &data, nullptr, 5, 15, 4),
        1);
}

} // namespace
