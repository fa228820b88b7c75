#include "classes/pixels/ZRPixelRoutines.h"
#include "classes/pixels/ZRPixelKernels.h"

#include <QImage>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>
#include <vector>

namespace {

struct BlendCase {
    const char* what;
    uint32_t src, dst;
    std::function<void(const uint32_t*, uint32_t*)> run;
    uint32_t expected;
};

void ruleB(const uint32_t* s, uint32_t* d) {
    blendPixels(s, 4, 1, 1, d, 4);
}

std::function<void(const uint32_t*, uint32_t*)> ruleO(uint8_t opacity) {
    return [opacity](const uint32_t* s, uint32_t* d) {
        blendPixelsOpacity(s, 4, 1, 1, d, 4, opacity);
    };
}

std::function<void(const uint32_t*, uint32_t*)> ruleT(uint8_t opacity) {
    return [opacity](const uint32_t* s, uint32_t* d) {
        tileBlendPixelsOpacity(s, 4, 1, 1, d, 4, opacity, 1, 1, 0, 0);
    };
}

TEST(ZRPixelRoutines, BlendRulesPerPixel) {
    const BlendCase cases[] = {
        {"B: half red over opaque blue", 0x80FF0000, 0xFF0000FF, ruleB, 0xFE7F007E},
        {"B: opaque source overwrites", 0xFF123456, 0x80ABCDEF, ruleB, 0xFF123456},
        {"B: transparent source keeps", 0x00123456, 0x80ABCDEF, ruleB, 0x80ABCDEF},
        {"B: anything over alpha 0 is copied", 0x00123456, 0x00ABCDEF, ruleB, 0x00123456},
        {"B: translucent over alpha 0 is copied", 0x40123456, 0x00ABCDEF, ruleB, 0x40123456},
        {"O: opacity 0 copies a transparent source", 0x00123456, 0xFFABCDEF, ruleO(0), 0x00123456},
        {"O: transparent source keeps the alpha", 0x00123456, 0xFFABCDEF, ruleO(10), 0xFFABCDEF},
        {"O: lowers the destination first", 0x80FF0000, 0x000000FF, ruleO(255), 0xFE7F007E},
        {"T: transparent source still lowers", 0x00123456, 0xFFABCDEF, ruleT(10), 0x0AABCDEF},
        {"T: opacity 0 copies", 0x80123456, 0xFFABCDEF, ruleT(0), 0x80123456},
    };
    for (const BlendCase& c : cases) {
        uint32_t d = c.dst;
        c.run(&c.src, &d);
        EXPECT_EQ(d, c.expected) << c.what;
    }
}

TEST(ZRPixelRoutines, TintAndFill) {
    uint32_t px[2] = {0x00000000, 0xFFFFFFFF};
    tintPixelRect(0x80000000, px, 8, 2, 1);
    EXPECT_EQ(px[0], 0x80000000u);
    EXPECT_EQ(px[1], 0xFE7E7E7Eu);

    uint32_t same = 0x12345678;
    tintPixelRect(0x00FFFFFF, &same, 4, 1, 1);
    EXPECT_EQ(same, 0x12345678u);
    tintPixelRect(0xFF00FF00, &same, 4, 1, 1);
    EXPECT_EQ(same, 0xFF00FF00u);

    uint32_t f[2] = {0x00FFFFFF, 0x00FFFFFF};
    fillColorRect(0x80000000, f, 4, 1, 1, 255);
    fillColorRect(0x80000000, f + 1, 4, 1, 1, 0);
    EXPECT_EQ(f[0], 0xFE7E7E7Eu);
    EXPECT_EQ(f[1], 0x80000000u);
}

TEST(ZRPixelRoutines, OpacityAndAlphaBytes) {
    uint32_t px[3] = {0xFF102030, 0x01102030, 0x00102030};
    applyOpacity(px, 12, 3, 1, 128);
    EXPECT_EQ(px[0], 0x80102030u);
    EXPECT_EQ(px[1], 0x01102030u);
    EXPECT_EQ(px[2], 0x00102030u);
    applyOpacity(px, 12, 3, 1, 0);
    EXPECT_EQ(px[0], 0x00102030u);

    uint32_t key[2] = {0x00AABBCC, 0xFFAABBCD};
    uint32_t out[2] = {0x11111111, 0x22222222};
    setAlphaByColorKey(out, 8, key, 8, 2, 1, 0xFFAABBCC, 0, 200);
    EXPECT_EQ(out[0], 0x00111111u);
    EXPECT_EQ(out[1], 0xC8222222u);
}

// Source 10 x 1 whose pixel k holds k as its blue byte, opaque.
std::vector<uint32_t> rampSource() {
    std::vector<uint32_t> s(10);
    for (uint32_t k = 0; k < 10; ++k)
        s[k] = 0xFF000000 | k;
    return s;
}

TEST(ZRPixelRoutines, TilePhases) {
    const std::vector<uint32_t> src = rampSource();
    for (const auto& [phase, first] : {std::pair{13, 3u}, {-3, 3u}, {0, 0u}, {-10, 0u}, {-1, 1u}}) {
        uint32_t dst[12] = {};
        tileBlendPixels(src.data(), 40, 10, 1, dst, 48, 12, 1, phase, 0);
        EXPECT_EQ(dst[0] & 0xFF, first) << "phase " << phase;
        EXPECT_EQ(dst[11] & 0xFF, (first + 11) % 10) << "phase " << phase;
    }
    // Rows wrap the same way: a 1 x 3 column with phaseY -1 starts at row 1.
    const uint32_t column[3] = {0xFF000000, 0xFF000001, 0xFF000002};
    uint32_t out[4] = {};
    tileBlendPixels(column, 4, 1, 3, out, 4, 1, 4, 0, -1);
    EXPECT_EQ(out[0] & 0xFF, 1u);
    EXPECT_EQ(out[3] & 0xFF, 1u);
}

TEST(ZRPixelRoutines, RingsOutlineTheBlockOnce) {
    uint32_t one = 0xFF000000;
    fillPixelsBlended(&one, 4, 1, 1, 0xFFFFFFFF, 1);
    EXPECT_EQ(one, 0xFFFFFFFFu);

    // Half white over black twice would be brighter than once.
    for (const auto& [w, h] : {std::pair{1, 5}, {5, 1}, {3, 3}}) {
        std::vector<uint32_t> px(size_t(w * h), 0xFF000000);
        fillPixelsBlended(px.data(), w * 4, w, h, 0x80FFFFFF, 5);
        for (uint32_t p : px)
            EXPECT_EQ(p, 0xFF808080u) << w << "x" << h;
    }

    // Two rings on 5 x 5 leave only the centre.
    std::vector<uint32_t> px(25, 0xFF000000);
    fillPixelsBlended(px.data(), 20, 5, 5, 0xFFFFFFFF, 2);
    for (int i = 0; i < 25; ++i)
        EXPECT_EQ(px[size_t(i)], i == 12 ? 0xFF000000u : 0xFFFFFFFFu);
    fillPixelsBlended(px.data(), 20, 5, 5, 0x00FFFFFF, 9);
    EXPECT_EQ(px[12], 0xFF000000u);
}

TEST(ZRPixelRoutines, ImageFormsClipToTheImage) {
    QImage image(4, 3, QImage::Format_ARGB32);
    image.fill(0xFF000000);
    setAlphaInRect(image, QRect(2, 1, 10, 10), 7);
    EXPECT_EQ(image.pixel(3, 2), 0x07000000u);
    EXPECT_EQ(image.pixel(1, 2), 0xFF000000u);
    blendColorInRect(image, QRect(-5, -5, 6, 6), 0xFFFFFFFF);
    EXPECT_EQ(image.pixel(0, 0), 0xFFFFFFFFu);
    EXPECT_EQ(image.pixel(1, 0), 0xFF000000u);
    setImageAlpha(image, 9);
    EXPECT_EQ(qAlpha(image.pixel(3, 2)), 9);
    QImage other(2, 2, QImage::Format_Grayscale8);
    setImageAlpha(other, 9); // not 32 bits: untouched, no write past the rows
    blendColorInRect(image, QRect(), 0xFFFFFFFF);
}

// Pixels that hit every branch: alpha 0, 255, translucent, and destinations of alpha 0.
std::vector<uint32_t> randomPixels(std::mt19937& rng, size_t n) {
    std::vector<uint32_t> px(n);
    for (uint32_t& p : px) {
        p = rng();
        switch (rng() % 4) {
        case 0:
            p &= 0x00FFFFFF;
            break;
        case 1:
            p |= 0xFF000000;
            break;
        default:
            break;
        }
    }
    return px;
}

TEST(ZRPixelRoutines, VectorEqualsReference) {
    using namespace zrpixels;
    const Kernels& ref = referenceKernels();
    const Kernels& vec = vectorKernels();
    std::mt19937 rng(21);
    for (int round = 0; round < 200; ++round) {
        const int w = (1 + int(rng() % 37)) | 1, h = 1 + int(rng() % 5);
        const int sw = 1 + int(rng() % 13), sh = 1 + int(rng() % 4);
        // Rows are wider than either block so that strides are exercised; the source also holds
        // a whole tile.
        const int stride = (std::max(w, sw) + 3) * 4;
        const size_t rows = size_t(std::max(h, sh));
        const std::vector<uint32_t> src = randomPixels(rng, size_t(stride / 4) * rows);
        const std::vector<uint32_t> dst = randomPixels(rng, size_t(stride / 4) * rows);
        const uint8_t opacity = uint8_t(rng() % 3 == 0 ? 0 : rng());
        const uint32_t colour = rng() % 3 == 0 ? (rng() | 0xFF000000) : rng();
        const int px = int(rng() % 40) - 20, py = int(rng() % 40) - 20;
        const std::function<void(const Kernels&, uint32_t*)> ops[] = {
            [&](const Kernels& k, uint32_t* d) {
                blendPixels(k, src.data(), stride, w, h, d, stride);
            },
            [&](const Kernels& k, uint32_t* d) {
                blendPixelsOpacity(k, src.data(), stride, w, h, d, stride, opacity);
            },
            [&](const Kernels& k, uint32_t* d) {
                tileBlendPixels(k, src.data(), stride, sw, sh, d, stride, w, h, px, py);
            },
            [&](const Kernels& k, uint32_t* d) {
                tileBlendPixelsOpacity(k, src.data(), stride, sw, sh, d, stride, opacity, w, h, px,
                                       py);
            },
            [&](const Kernels& k, uint32_t* d) { tintPixelRect(k, colour, d, stride, w, h); },
            [&](const Kernels& k, uint32_t* d) {
                fillColorRect(k, colour, d, stride, w, h, opacity);
            },
        };
        for (size_t op = 0; op < std::size(ops); ++op) {
            std::vector<uint32_t> a = dst, b = dst;
            ops[op](ref, a.data());
            ops[op](vec, b.data());
            ASSERT_EQ(a, b) << "operation " << op << " round " << round;
        }
    }
}

} // namespace
