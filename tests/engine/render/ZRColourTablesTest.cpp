#include "engine/render/ZRColourTables.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// One BGRA pixel as bytes.
struct Bgra {
    unsigned char b, g, r, a;
};

std::vector<unsigned char> pack(const std::vector<Bgra>& pixels, int width) {
    std::vector<unsigned char> out(size_t(width / 2) * 4 + 4, 0xCD);
    zrPack422(out.data(), 0, reinterpret_cast<const unsigned char*>(pixels.data()), 0, width, 1);
    return out;
}

} // namespace

TEST(ZRColourTables, TableEntriesAreTruncatedOneByOne) {
    const ZRColourTables& t = zrColourTables();
    EXPECT_EQ(&t, &zrColourTables()) << "built once";
    EXPECT_EQ(t.yR[255], 76);
    EXPECT_EQ(t.yG[255], 149);
    EXPECT_EQ(t.yB[255], 29);
    EXPECT_EQ(t.uR[255], -43);
    EXPECT_EQ(t.uG[255], -84);
    EXPECT_EQ(t.uB[255], 255);
    EXPECT_EQ(t.vR[255], 127);
    EXPECT_EQ(t.vG[255], -106);
    EXPECT_EQ(t.vB[255], 108);
    EXPECT_EQ(t.clamp[255], 255);
    EXPECT_EQ(t.clamp[256], 255);
    EXPECT_EQ(t.clamp[511], 255);
    EXPECT_EQ(t.clamp[512], 0);
    EXPECT_EQ(t.clamp[unsigned(-5) & 0x3FF], 0) << "negative sums clamp to 0";

    const ZRColourTables half = ZRColourTables::build(0.5f, 2.0f);
    EXPECT_EQ(half.yG[255], 74);
    EXPECT_EQ(half.vR[255], 255);
}

TEST(ZRColourTables, PackedPixels) {
    const struct {
        Bgra pixel;
        unsigned char y, u, v;
    } cases[] = {
        {{255, 255, 255, 255}, 254, 128, 129}, // white
        {{0, 0, 0, 0}, 0, 128, 128},           // black
        {{255, 0, 0, 255}, 29, 255, 108},      // blue: U (blue difference) high
        {{0, 0, 255, 255}, 76, 85, 255},       // red: V (red difference) high
        {{0, 255, 0, 255}, 149, 44, 22},       // green
    };
    for (const auto& c : cases) {
        const auto out = pack({c.pixel, c.pixel}, 2);
        EXPECT_EQ(out[0], c.y);
        EXPECT_EQ(out[1], c.u) << "U follows the first luma byte";
        EXPECT_EQ(out[2], c.y);
        EXPECT_EQ(out[3], c.v) << "V follows the second luma byte";
        EXPECT_EQ(out[4], 0xCD);
    }
}

TEST(ZRColourTables, ChromaFromTheFirstPixelOfEachPairAndWholePairsOnly) {
    const Bgra white{255, 255, 255, 255}, black{0, 0, 0, 0}, blue{255, 0, 0, 255};
    auto out = pack({blue, white, black, white, white}, 5);
    EXPECT_EQ(out[0], 29);
    EXPECT_EQ(out[1], 255);
    EXPECT_EQ(out[2], 254);
    EXPECT_EQ(out[3], 108);
    EXPECT_EQ(out[4], 0);
    EXPECT_EQ(out[6], 254);
    EXPECT_EQ(out[8], 0xCD) << "the odd last pixel is not written";
}

TEST(ZRColourTables, RowsFollowTheirStrides) {
    // Two rows of two pixels, the source rows 12 bytes apart, the destination rows 6.
    std::vector<unsigned char> source(24, 0);
    for (int i = 12; i < 20; ++i)
        source[i] = 255;
    std::vector<unsigned char> out(12, 0xCD);
    zrPack422(out.data(), 6, source.data(), 12, 2, 2);
    EXPECT_EQ(out[0], 0);
    EXPECT_EQ(out[4], 0xCD);
    EXPECT_EQ(out[6], 254);
    EXPECT_EQ(out[10], 0xCD);
}
