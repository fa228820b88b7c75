#include "platform/scaler/SRScaler.h"

#include <gtest/gtest.h>

#include <cstring>
#include <thread>
#include <vector>

namespace {

std::vector<unsigned char> flat(int width, int height, int bytesPerPixel,
                                std::initializer_list<unsigned char> pixel, int stride = 0) {
    if (stride == 0) stride = width * bytesPerPixel;
    std::vector<unsigned char> out(size_t(stride) * height, 0);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            std::memcpy(out.data() + size_t(y) * stride + size_t(x) * bytesPerPixel,
                        std::data(pixel), size_t(bytesPerPixel));
    return out;
}

// Largest difference of any byte of the width x height BGRA rectangle from `pixel`.
int maxDifference(const std::vector<unsigned char>& image, int width, int height, int stride,
                  const unsigned char (&pixel)[4]) {
    int worst = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < 4; ++c)
                worst = std::max(
                    worst, std::abs(int(image[size_t(y) * stride + x * 4 + c]) - int(pixel[c])));
    return worst;
}

} // namespace

TEST(SRScaler, FourCCCodes) {
    EXPECT_EQ(kFourCC_BGRA, 0x41524742u);
    EXPECT_EQ(kFourCC_BGR3, 0x33524742u);
}

TEST(SRScaler, FlatColoursSurviveScaling) {
    const struct {
        int sw, sh, dw, dh, quality;
    } cases[] = {
        {720, 576, 352, 288, 0}, {720, 576, 1920, 1080, 1}, {3, 2, 7, 5, 0}, {16, 16, 1, 1, 1}};
    const unsigned char pixel[4] = {17, 99, 201, 255};
    for (const auto& c : cases) {
        const auto source = flat(c.sw, c.sh, 4, {17, 99, 201, 255});
        const int stride = c.dw * 4 + 12; // a destination stride wider than the rows
        std::vector<unsigned char> out(size_t(stride) * c.dh, 0);
        ASSERT_TRUE(SRScaler_FourCC_BGRA(0, kFourCC_BGRA, source.data(), c.sw * 4, c.sw, c.sh,
                                         out.data(), stride, c.dw, c.dh, 0, c.quality));
        EXPECT_LE(maxDifference(out, c.dw, c.dh, stride, pixel), 1) << c.dw << "x" << c.dh;
        EXPECT_EQ(out[size_t(c.dw) * 4], 0) << "bytes past a row are left alone";
    }
}

TEST(SRScaler, BgrSourceGetsOpaqueAlpha) {
    const auto source = flat(8, 8, 3, {10, 20, 30});
    std::vector<unsigned char> out(16 * 16 * 4, 0);
    ASSERT_TRUE(SRScaler_FourCC_BGRA(0, kFourCC_BGR3, source.data(), 24, 8, 8, out.data(), 64, 16,
                                     16, 0, 1));
    const unsigned char expected[4] = {10, 20, 30, 255};
    EXPECT_LE(maxDifference(out, 16, 16, 64, expected), 1);
}

TEST(SRScaler, DoubledSourceStrideReadsOneField) {
    // Even rows white, odd rows black; twice the row distance sees only one of them.
    std::vector<unsigned char> source(32 * 4 * 20);
    for (int y = 0; y < 20; ++y)
        std::memset(source.data() + y * 128, y % 2 == 0 ? 0xFF : 0x00, 128);
    std::vector<unsigned char> out(32 * 4 * 20, 0x80);
    ASSERT_TRUE(SRScaler_FourCC_BGRA(0, kFourCC_BGRA, source.data() + 128, 256, 32, 10, out.data(),
                                     128, 32, 20, 0, 1));
    const unsigned char black[4] = {0, 0, 0, 0};
    EXPECT_EQ(maxDifference(out, 32, 20, 128, black), 0);
}

TEST(SRScaler, RefusalsLeaveTheDestinationAlone) {
    const auto source = flat(4, 4, 4, {1, 2, 3, 4});
    std::vector<unsigned char> out(64, 0xCD);
    const struct {
        uint32_t code;
        const unsigned char* source;
        int sourceStride, sw, sh;
        unsigned char* destination;
        int destinationStride, dw, dh;
    } cases[] = {
        {srFourCC("YUY2"), source.data(), 16, 4, 4, out.data(), 16, 4, 4},
        {kFourCC_BGRA, nullptr, 16, 4, 4, out.data(), 16, 4, 4},
        {kFourCC_BGRA, source.data(), 16, 4, 4, nullptr, 16, 4, 4},
        {kFourCC_BGRA, source.data(), 16, 0, 4, out.data(), 16, 4, 4},
        {kFourCC_BGRA, source.data(), 16, 4, 4, out.data(), 16, 4, -1},
        {kFourCC_BGRA, source.data(), 12, 4, 4, out.data(), 16, 4, 4},
        {kFourCC_BGRA, source.data(), 16, 4, 4, out.data(), 15, 4, 4},
        {kFourCC_BGRA, source.data(), 16, 4, 4, out.data(), 16, 16385, 1},
    };
    for (const auto& c : cases) {
        EXPECT_FALSE(SRScaler_FourCC_BGRA(0, c.code, c.source, c.sourceStride, c.sw, c.sh,
                                          c.destination, c.destinationStride, c.dw, c.dh, 0, 0));
        EXPECT_EQ(out, std::vector<unsigned char>(64, 0xCD));
    }
}

TEST(SRScaler, ThreadsScaleAtTheSameTime) {
    auto work = [](unsigned char value, int size, bool* ok) {
        const auto source = flat(size, size, 4, {value, value, value, 255});
        const unsigned char expected[4] = {value, value, value, 255};
        std::vector<unsigned char> out(size_t(size) * 2 * size * 2 * 4);
        *ok = true;
        for (int i = 0; i < 50 && *ok; ++i) {
            *ok = SRScaler_FourCC_BGRA(0, kFourCC_BGRA, source.data(), size * 4, size, size,
                                       out.data(), size * 8, size * 2, size * 2, 0, i % 2) &&
                  maxDifference(out, size * 2, size * 2, size * 8, expected) <= 1;
        }
    };
    bool ok[4] = {};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back(work, static_cast<unsigned char>(40 * t + 20), 24 + 8 * t, &ok[t]);
    for (auto& t : threads)
        t.join();
    for (bool each : ok)
        EXPECT_TRUE(each);
}
