#include "engine/render/ZRBoxBlur.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// A width x height frame whose pixel (x, y) holds blue = x + 10 y, green = 2 blue, red 7,
// alpha 99.
struct Frame {
    int width, height;
    std::vector<unsigned char> bytes;
    Frame(int w, int h) : width(w), height(h), bytes(size_t(w) * h * 4) {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                unsigned char* p = at(x, y);
                p[0] = static_cast<unsigned char>(x + 10 * y);
                p[1] = static_cast<unsigned char>(2 * p[0]);
                p[2] = 7;
                p[3] = 99;
            }
    }
    unsigned char* at(int x, int y) { return bytes.data() + (size_t(y) * width + x) * 4; }
    ZRPixelView view() { return {bytes.data(), width, height, width * 4}; }
};

} // namespace

TEST(ZRBoxBlur, MeansOfTheSquare) {
    const struct {
        int x, y, size;
        int blue; // expected byte 0
    } cases[] = {
        {2, 2, 3, 22},  // (11 + 12 + 13 + 21 + 22 + 23 + 31 + 32 + 33) / 9
        {2, 2, 2, 22},  // an even size grows to the next odd one
        {2, 2, 1, 22},  // a 1 x 1 square changes nothing
        {2, 2, 0, 22},  // nor does size 0
        {2, 2, 5, 22},  // the whole 5 x 5 frame
        {0, 0, 3, 3},   // edges repeat: (4 x 0 + 2 x 1 + 2 x 10 + 11) / 9 = 33 / 9
        {4, 4, 3, 40},  // (4 x 44 + 2 x 43 + 2 x 34 + 33) / 9 = 363 / 9
        {2, 2, -3, 22}, // negative sizes are a 1 x 1 square
    };
    for (const auto& c : cases) {
        Frame frame(5, 5);
        zrBoxBlurAt(frame.view(), c.x, c.y, c.size);
        const unsigned char* p = frame.at(c.x, c.y);
        EXPECT_EQ(p[0], c.blue) << c.x << "," << c.y << " size " << c.size;
        EXPECT_EQ(p[2], 7);
        EXPECT_EQ(p[3], 99) << "alpha is left alone";
    }
}

TEST(ZRBoxBlur, OnlyThePointChangesAndOutsidePointsDoNothing) {
    Frame frame(5, 5);
    frame.at(1, 1)[0] = frame.at(1, 1)[1] = 200;
    const auto before = frame.bytes;
    zrBoxBlurAt(frame.view(), 5, 0, 3);
    zrBoxBlurAt(frame.view(), -1, 2, 3);
    zrBoxBlurAt({nullptr, 5, 5, 20}, 1, 1, 3);
    EXPECT_EQ(frame.bytes, before);
    zrBoxBlurAt(frame.view(), 1, 1, 3);
    int changed = 0;
    for (size_t i = 0; i < before.size(); ++i)
        changed += before[i] != frame.bytes[i];
    EXPECT_EQ(changed, 2) << "bytes 0 and 1 of one pixel";
    // A huge size is bounded and still the mean of a (clamped) square.
    zrBoxBlurAt(frame.view(), 3, 3, 1 << 30);
    EXPECT_EQ(frame.at(3, 3)[2], 7);
}
