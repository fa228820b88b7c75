#include "platform/scaler/BgraToYuv420.h"
#include "platform/scaler/RowWorkers.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

namespace {

struct Planes {
    std::vector<uint8_t> y, u, v;
    int strides[3];
    Planes(int width, int height)
        : y(size_t(width + 3) * height), u(size_t(width / 2 + 5) * (height / 2)),
          v(size_t(width / 2 + 5) * (height / 2)), strides{width + 3, width / 2 + 5,
                                                           width / 2 + 5} {}
    void convert(const std::vector<uint8_t>& pixels, int width, int height, int stride,
                 platform::RowWorkers* workers) {
        uint8_t* const planes[3] = {y.data(), u.data(), v.data()};
        platform::bgraToYuv420(pixels.data(), width, height, stride, planes, strides, workers);
    }
    bool operator==(const Planes&) const = default;
};

} // namespace

// Studio-range levels of flat colours: white and black at the ends of the luma range, grey
// without chroma, pure red at its BT.601 values.
TEST(BgraToYuv420, FlatColoursTakeTheirStudioRangeValues) {
    struct Case {
        uint8_t b, g, r;
        int y, u, v;
    };
    const Case cases[] = {{255, 255, 255, 235, 128, 128},
                          {0, 0, 0, 16, 128, 128},
                          {128, 128, 128, 126, 128, 128},
                          {0, 0, 255, 81, 90, 240}};
    for (const Case& c : cases) {
        std::vector<uint8_t> pixels(8 * 4 * 4);
        for (size_t i = 0; i < pixels.size(); i += 4) {
            pixels[i] = c.b;
            pixels[i + 1] = c.g;
            pixels[i + 2] = c.r;
            pixels[i + 3] = 255;
        }
        Planes out(8, 4);
        out.convert(pixels, 8, 4, 32, nullptr);
        EXPECT_NEAR(out.y[0], c.y, 1) << int(c.r);
        EXPECT_NEAR(out.u[0], c.u, 1) << int(c.r);
        EXPECT_NEAR(out.v[0], c.v, 1) << int(c.r);
    }
}

// However the rows are split over threads (bands of row pairs, some empty), the planes are the
// ones a single thread writes, and nothing beyond each row is touched.
TEST(BgraToYuv420, ThreadsWriteWhatOneThreadWrites) {
    std::mt19937 random(20);
    for (const auto& [width, height] : {std::pair{38, 26}, std::pair{720, 576}, std::pair{2, 2}}) {
        const int stride = width * 4 + 12;
        std::vector<uint8_t> pixels(size_t(stride) * height);
        for (uint8_t& byte : pixels)
            byte = uint8_t(random());
        Planes single(width, height);
        single.convert(pixels, width, height, stride, nullptr);
        for (const int threads : {2, 3, 8, 64}) {
            platform::RowWorkers workers(threads);
            Planes spread(width, height);
            spread.convert(pixels, width, height, stride, &workers);
            spread.convert(pixels, width, height, stride, &workers); // the pool runs again
            EXPECT_TRUE(spread == single) << width << "x" << height << " on " << threads;
        }
    }
}
