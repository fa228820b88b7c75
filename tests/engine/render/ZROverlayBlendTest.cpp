#include "engine/render/ZROverlayBlend.h"
#include "engine/base/ZRKeyYuv.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

// BGRA bytes of 0xAARRGGBB.
std::array<unsigned char, 4> bgra(uint32_t argb) {
    return {uint8_t(argb), uint8_t(argb >> 8), uint8_t(argb >> 16), uint8_t(argb >> 24)};
}

struct Pixels {
    Pixels(int w, int h, uint32_t fill) : width(w), height(h), data(size_t(w) * h, fill) {}
    ZRPixelView view() {
        return {reinterpret_cast<unsigned char*>(data.data()), width, height, width * 4};
    }
    uint32_t& at(int x, int y) { return data[size_t(y) * width + x]; }
    int width, height;
    std::vector<uint32_t> data;
};

// One overlay pixel over one frame pixel.
uint32_t blendOne(const ZROverlayParameters& p, uint32_t over, uint32_t under) {
    Pixels o(1, 1, over), d(1, 1, under);
    zrBlendOverlay(o.view(), d.view(), p);
    return d.at(0, 0);
}

ZROverlayParameters keyed(int mode, int r, int g, int b, int match) {
    ZROverlayParameters p;
    p.mode = mode;
    p.keyRed = r;
    p.keyGreen = g;
    p.keyBlue = b;
    const ZRKeyYuv yuv = zrKeyYuv(r, g, b);
    p.keyY = yuv.y;
    p.keyU = yuv.u;
    p.keyV = yuv.v;
    p.match = match;
    return p;
}

} // namespace

TEST(ZROverlayBlend, KeyTests) {
    struct Case {
        int mode, match;
        uint32_t pixel;
        bool pass;
    } cases[] = {
        // Colour key on pure green: match 100 keys out the exact colour only.
        {1, 100, 0xFF00FF00, false},
        {1, 100, 0xFF00FE00, true},
        // match 90: distance within 10 x 7.68 = 76.8 is keyed out.
        {1, 90, 0xFF10F010, false},
        {1, 90, 0xFF40C000, true},
        // Luma key: the same luma fails; within floor(10 x 2.55 + 1) = 26 fails, beyond passes.
        {2, 90, 0xFF00FF00, false},
        {2, 90, 0xFF10F010, false},
        {2, 90, 0xFF000000, true},
        // Chroma key: U and V both near the key's fail.
        {3, 90, 0xFF00FF00, false},
        {3, 90, 0xFF10F808, false},
        {3, 90, 0xFFFF00FF, true},
        // Alpha: anything not fully transparent is drawn.
        {4, 100, 0x01000000, true},
        {4, 100, 0x00FFFFFF, false},
        // Arithmetic modes draw every pixel.
        {6, 0, 0x00000000, true},
    };
    for (const Case& c : cases) {
        const auto p = keyed(c.mode, 0, 255, 0, c.match);
        EXPECT_EQ(zrOverlayKeyPasses(p, bgra(c.pixel).data()), c.pass)
            << "mode " << c.mode << " match " << c.match << " pixel " << std::hex << c.pixel;
    }
}

TEST(ZROverlayBlend, ModesCombineOverlayAndFrame) {
    struct Case {
        int mode;
        bool invert;
        uint32_t over, under, result;
    } cases[] = {
        {1, false, 0xFF00FF00, 0xFF123456, 0xFF123456}, // keyed out: frame stays
        {1, false, 0x80102030, 0xFF123456, 0xFF102030}, // drawn unchanged, opaque
        {1, true, 0xFF00FF00, 0xFF123456, 0xFF00FF00},  // inverted key: only the key is drawn
        {4, false, 0x00FF0000, 0xFF0000FF, 0xFF0000FF}, // alpha 0: frame colour
        {4, false, 0xFFFF0000, 0xFF0000FF, 0xFFFF0000}, // alpha 255: overlay colour
        {4, false, 0x80FFFFFF, 0xFF000000, 0xFF808080}, // half way, rounded
        {5, false, 0xFF808080, 0xFF80FF00, 0xFF408000}, // multiply
        {6, false, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF}, // add saturates
        {6, false, 0xFF101010, 0xFF203040, 0xFF304050},
        {7, false, 0xFF305010, 0xFF204080, 0xFF000070}, // frame - overlay, floored
        {7, true, 0xFF305010, 0xFF204080, 0xFF101000},  // overlay - frame
        {8, false, 0xFF305010, 0xFF204080, 0xFF101070}, // difference
        {9, false, 0x00305010, 0xFF204080, 0xFF305010}, // unknown mode: overlay as it is
    };
    for (const Case& c : cases) {
        auto p = keyed(c.mode, 0, 255, 0, 100);
        p.invertKey = c.invert;
        EXPECT_EQ(blendOne(p, c.over, c.under), c.result) << "mode " << c.mode;
    }
}

// A fade in of 1000 ms at opacity 0: invisible at its start, half way (transparency 50,
// weight 128) at 500 ms, fully drawn from 1000 ms on; fade outs mirror it; opacity alone holds.
TEST(ZROverlayBlend, FadesWeighTheOverlay) {
    struct Case {
        bool in, out;
        int opacity;
        double elapsed, remaining;
        bool fading;
        int transparency;
        uint32_t black_over_white;
    } cases[] = {
        {true, false, 0, 0.0, 9000.0, true, 100, 0xFFFFFFFF},
        {true, false, 0, 500.0, 9000.0, true, 50, 0xFF7F7F7F},
        {true, false, 0, 1000.0, 9000.0, false, 0, 0xFF000000},
        {false, true, 0, 9000.0, 250.0, true, 75, 0xFFBFBFBF},
        {true, true, 40, 500.0, 9000.0, true, 70, 0xFFB2B2B2},
        {false, false, 40, 500.0, 9000.0, true, 40, 0xFF666666},
        {false, false, 0, 0.0, 0.0, false, 0, 0xFF000000},
    };
    for (const Case& c : cases) {
        const ZROverlayFade fade =
            zrOverlayFade(c.in, c.out, 1000, c.opacity, c.elapsed, c.remaining);
        EXPECT_EQ(fade.fading, c.fading) << c.elapsed;
        EXPECT_EQ(fade.transparency, c.transparency) << c.elapsed;
        ZROverlayParameters p;
        p.mode = 4;
        p.fading = fade.fading;
        p.transparency = fade.transparency;
        EXPECT_EQ(blendOne(p, 0xFF000000, 0xFFFFFFFF), c.black_over_white) << c.elapsed;
    }
    // No fade time: nothing to divide by, no fade.
    EXPECT_FALSE(zrOverlayFade(true, true, 0, 0, 0.0, 0.0).fading);
}

TEST(ZROverlayBlend, OnlyTheCommonAreaIsBlended) {
    Pixels overlay(2, 1, 0xFF0000FF), frame(3, 2, 0xFFFFFFFF);
    ZROverlayParameters p;
    p.mode = 6;
    zrBlendOverlay(overlay.view(), frame.view(), p);
    EXPECT_EQ(frame.at(1, 0), 0xFFFFFFFFu);
    EXPECT_EQ(frame.data, (std::vector<uint32_t>(6, 0xFFFFFFFF)));
    p.mode = 8;
    zrBlendOverlay(overlay.view(), frame.view(), p);
    EXPECT_EQ(frame.at(0, 0), 0xFFFFFF00u);
    EXPECT_EQ(frame.at(1, 0), 0xFFFFFF00u);
    EXPECT_EQ(frame.at(2, 0), 0xFFFFFFFFu);
    EXPECT_EQ(frame.at(0, 1), 0xFFFFFFFFu);
}

// Edge smoothing looks for alpha edges in the frame after the blend. Every pixel the blend
// writes is opaque and every pixel it keys out keeps the frame's alpha, which is opaque for
// anything the engine draws: a keyed overlay over an opaque frame leaves its hard edge.
TEST(ZROverlayBlend, EdgeSmoothingFindsNoEdgeInAnOpaqueFrame) {
    Pixels overlay(8, 8, 0xFF00FF00), frame(8, 8, 0xFFFFFFFF);
    for (int y = 0; y < 8; ++y)
        for (int x = 4; x < 8; ++x)
            overlay.at(x, y) = 0xFF000000;
    auto p = keyed(1, 0, 255, 0, 100);
    p.smooth = 2;
    zrBlendOverlay(overlay.view(), frame.view(), p);
    EXPECT_EQ(frame.at(3, 3), 0xFFFFFFFFu); // keyed out, unblurred
    EXPECT_EQ(frame.at(4, 3), 0xFF000000u); // drawn, unblurred
}

// It fires only where the frame already held an alpha edge, e.g. from a host's frame source.
TEST(ZROverlayBlend, EdgeSmoothingBlursAroundAnAlphaEdgeOfTheFrame) {
    Pixels overlay(8, 1, 0xFF00FF00), frame(8, 1, 0xFFFFFFFF);
    for (int x = 4; x < 8; ++x)
        frame.at(x, 0) = 0x00000000; // transparent black right half
    auto p = keyed(1, 0, 255, 0, 100);
    p.smooth = 1;
    zrBlendOverlay(overlay.view(), frame.view(), p);
    // The edge pixel (4, 0) and its neighbours are box-blurred with box size 3, in order.
    EXPECT_EQ(frame.at(2, 0), 0xFFFFFFFFu);
    EXPECT_EQ(frame.at(3, 0), 0xFFAAAAAAu); // (255 + 255 + 0) / 3, alpha kept
    EXPECT_EQ(frame.at(4, 0), 0x00383838u); // (170 + 0 + 0) / 3
    EXPECT_EQ(frame.at(5, 0), 0x00121212u); // (56 + 0 + 0) / 3
    EXPECT_EQ(frame.at(6, 0), 0x00000000u);
}
