#include "platform/mjpeg/JPEGDecoder.h"
#include "platform/mjpeg/JPEGEncoder.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <random>
#include <vector>

using namespace platform;

namespace {

struct Picture {
    int width, height, stride;
    std::vector<unsigned char> bytes;
    unsigned char* pixels() { return bytes.data(); }
    const unsigned char* at(int x, int y) const {
        return bytes.data() + size_t(y) * size_t(stride) + size_t(x) * 4;
    }
};

Picture makePicture(int width, int height, int stride, unsigned char fill = 0) {
    return {width, height, stride, std::vector<unsigned char>(size_t(stride) * height, fill)};
}

// Four quadrants of distinct colours (B, G, R): a mirrored, flipped or channel-swapped decode
// moves the quadrant means.
constexpr std::array<std::array<int, 3>, 4> kQuadrantColours = {
    {{40, 80, 200}, {200, 60, 30}, {90, 190, 120}, {128, 128, 128}}};

int quadrantOf(int width, int height, int x, int y) {
    return (x >= width / 2 ? 1 : 0) + (y >= height / 2 ? 2 : 0);
}

Picture quadrantPicture(int width, int height, int stride) {
    Picture p = makePicture(width, height, stride, 0xEE);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const auto& colour = kQuadrantColours[quadrantOf(width, height, x, y)];
            unsigned char* px = p.pixels() + size_t(y) * stride + size_t(x) * 4;
            for (int c = 0; c < 3; ++c)
                px[c] = static_cast<unsigned char>(colour[c]);
            px[3] = 0; // alpha is not stored
        }
    }
    return p;
}

std::array<std::array<double, 4>, 4> quadrantMeans(const Picture& p) {
    std::array<std::array<double, 4>, 4> sums{};
    std::array<double, 4> counts{};
    for (int y = 0; y < p.height; ++y) {
        for (int x = 0; x < p.width; ++x) {
            const int q = quadrantOf(p.width, p.height, x, y);
            for (int c = 0; c < 4; ++c)
                sums[q][c] += p.at(x, y)[c];
            counts[q] += 1;
        }
    }
    for (int q = 0; q < 4; ++q)
        for (int c = 0; c < 4; ++c)
            sums[q][c] /= counts[q];
    return sums;
}

std::vector<unsigned char> compressOrFail(const Picture& p, int quality = 100) {
    JPEGEncoder encoder;
    std::vector<unsigned char> jpeg;
    const JPEGStatus status =
        encoder.compress(p.bytes.data(), p.stride, p.width, p.height, quality, jpeg);
    EXPECT_EQ(status, JPEGStatus::Ok) << jpegStatusText(status);
    return jpeg;
}

} // namespace

TEST(JPEGCodec, RoundTripKeepsEachQuadrantsColour) {
    const Picture source = quadrantPicture(640, 480, 640 * 4);
    const std::vector<unsigned char> jpeg = compressOrFail(source, kJPEGStoredFrameQuality);
    ASSERT_GT(jpeg.size(), 2u);
    EXPECT_EQ(jpeg[0], 0xFF);
    EXPECT_EQ(jpeg[1], 0xD8) << "a JPEG picture starts with its start-of-image marker";

    JPEGDecoder decoder;
    Picture decoded = makePicture(640, 480, 640 * 4);
    ASSERT_EQ(decoder.decompress(jpeg, decoded.pixels(), decoded.stride, 640, 480), JPEGStatus::Ok);
    const auto want = quadrantMeans(source);
    const auto got = quadrantMeans(decoded);
    for (int q = 0; q < 4; ++q) {
        for (int c = 0; c < 3; ++c)
            EXPECT_NEAR(got[q][c], want[q][c], 1.5) << "quadrant " << q << " channel " << c;
        EXPECT_EQ(got[q][3], 255.0) << "decoded pixels are opaque";
    }
}

TEST(JPEGCodec, AnySizeAndStrideRoundTrips) {
    const struct {
        int width, height, sourceStride, targetStride;
    } cases[] = {
        {1, 1, 4, 4},  {17, 9, 17 * 4 + 12, 17 * 4},          {33, 1, 33 * 4, 40 * 4},
        {1, 33, 8, 4}, {720, 576, 720 * 4 + 4, 720 * 4 + 64}, {1023, 7, 1024 * 4, 1023 * 4}};
    const unsigned char colour[3] = {30, 160, 220};
    // One encoder and decoder, and one output vector, serve every size in turn.
    JPEGEncoder encoder;
    JPEGDecoder decoder;
    std::vector<unsigned char> jpeg;
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << " strides "
                                        << c.sourceStride << "/" << c.targetStride);
        Picture source = makePicture(c.width, c.height, c.sourceStride, 0xEE);
        for (int y = 0; y < c.height; ++y)
            for (int x = 0; x < c.width; ++x)
                std::copy(colour, colour + 3, source.pixels() + size_t(y) * c.sourceStride + x * 4);
        ASSERT_EQ(encoder.compress(source.pixels(), c.sourceStride, c.width, c.height, 100, jpeg),
                  JPEGStatus::Ok);
        Picture decoded = makePicture(c.width, c.height, c.targetStride, 0x77);
        ASSERT_EQ(decoder.decompress(jpeg, decoded.pixels(), c.targetStride, c.width, c.height),
                  JPEGStatus::Ok);
        int worst = 0;
        for (int y = 0; y < c.height; ++y)
            for (int x = 0; x < c.width; ++x) {
                for (int ch = 0; ch < 3; ++ch)
                    worst = std::max(worst, std::abs(int(decoded.at(x, y)[ch]) - colour[ch]));
                worst = std::max(worst, 255 - int(decoded.at(x, y)[3]));
            }
        EXPECT_LE(worst, 3);
        if (c.targetStride > c.width * 4) {
            EXPECT_EQ(decoded.bytes[size_t(c.width) * 4], 0x77) << "bytes past a row stay";
        }
    }
}

TEST(JPEGCodec, QualityReachesTheCodec) {
    Picture source = quadrantPicture(160, 120, 160 * 4);
    std::mt19937 generator(7);
    for (auto& byte : source.bytes)
        byte = static_cast<unsigned char>(byte + generator() % 32);
    const size_t best = compressOrFail(source, 100).size();
    const size_t middling = compressOrFail(source, 50).size();
    EXPECT_LT(middling, best);
    EXPECT_GT(compressOrFail(source, 1).size(), 0u);
}

TEST(JPEGCodec, CompressRefusesBadPicturesAndQualities) {
    JPEGEncoder encoder;
    Picture p = makePicture(16, 16, 64, 0x40);
    const struct {
        const char* what;
        const unsigned char* pixels;
        int stride, width, height, quality;
        JPEGStatus expected;
    } cases[] = {
        {"no pixels", nullptr, 64, 16, 16, 100, JPEGStatus::InvalidPicture},
        {"width 0", p.pixels(), 64, 0, 16, 100, JPEGStatus::InvalidPicture},
        {"negative height", p.pixels(), 64, 16, -1, 100, JPEGStatus::InvalidPicture},
        {"wider than the limit", p.pixels(), 65540 * 4, kJPEGMaxSide + 1, 1, 100,
         JPEGStatus::InvalidPicture},
        {"short stride", p.pixels(), 63, 16, 16, 100, JPEGStatus::InvalidPicture},
        {"quality 0", p.pixels(), 64, 16, 16, 0, JPEGStatus::InvalidQuality},
        {"quality 101", p.pixels(), 64, 16, 16, 101, JPEGStatus::InvalidQuality},
    };
    for (const auto& c : cases) {
        std::vector<unsigned char> jpeg(5, 1);
        EXPECT_EQ(encoder.compress(c.pixels, c.stride, c.width, c.height, c.quality, jpeg),
                  c.expected)
            << c.what;
        EXPECT_TRUE(jpeg.empty()) << c.what << ": the output is emptied on failure";
    }
}

TEST(JPEGCodec, DecompressRefusesDamagedDataAndWrongSizes) {
    const Picture source = quadrantPicture(64, 48, 64 * 4);
    const std::vector<unsigned char> jpeg = compressOrFail(source);
    std::vector<unsigned char> random(4096);
    std::mt19937 generator(14);
    for (auto& byte : random)
        byte = static_cast<unsigned char>(generator());
    std::vector<unsigned char> noEnd = jpeg;
    noEnd.resize(noEnd.size() - 2); // everything but the end-of-image marker
    std::vector<unsigned char> damagedMarker = jpeg;
    damagedMarker[jpeg.size() / 2] = 0xFF;
    damagedMarker[jpeg.size() / 2 + 1] = 0xD9; // an end of image halfway through the data

    const struct {
        const char* what;
        std::vector<unsigned char> data;
        int width, height;
        JPEGStatus expected;
    } cases[] = {
        {"empty", {}, 64, 48, JPEGStatus::CorruptData},
        {"random bytes", random, 64, 48, JPEGStatus::CorruptData},
        {"start marker only", {0xFF, 0xD8}, 64, 48, JPEGStatus::CorruptData},
        {"cut in half", std::vector<unsigned char>(jpeg.begin(), jpeg.begin() + jpeg.size() / 2),
         64, 48, JPEGStatus::CorruptData},
        {"without its end marker", noEnd, 64, 48, JPEGStatus::CorruptData},
        {"ended halfway", damagedMarker, 64, 48, JPEGStatus::CorruptData},
        {"narrower picture", jpeg, 63, 48, JPEGStatus::WrongSize},
        {"taller picture", jpeg, 64, 49, JPEGStatus::WrongSize},
    };
    JPEGDecoder decoder;
    for (const auto& c : cases) {
        Picture target = makePicture(c.width, c.height, c.width * 4, 0x33);
        EXPECT_EQ(decoder.decompress(c.data, target.pixels(), target.stride, c.width, c.height),
                  c.expected)
            << c.what;
        EXPECT_EQ(target.bytes, makePicture(c.width, c.height, c.width * 4, 0x33).bytes)
            << c.what << ": the picture is left alone";
    }

    Picture target = makePicture(64, 48, 64 * 4);
    EXPECT_EQ(decoder.decompress(jpeg, nullptr, 64 * 4, 64, 48), JPEGStatus::InvalidPicture);
    EXPECT_EQ(decoder.decompress(jpeg, target.pixels(), 64 * 4 - 1, 64, 48),
              JPEGStatus::InvalidPicture);
    EXPECT_EQ(decoder.decompress(jpeg, target.pixels(), 64 * 4, 64, 48), JPEGStatus::Ok)
        << "the decoder carries on after refusals";
}
