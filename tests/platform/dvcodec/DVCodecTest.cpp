#include "platform/dvcodec/DVDecoder.h"
#include "platform/dvcodec/DVEncoder.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <random>
#include <thread>
#include <vector>

using namespace platform;

namespace {

// Four quadrants of distinct colours (B, G, R), with a gentle ramp so the picture is not flat:
// a mirrored, flipped, shifted or channel-swapped decode moves the quadrant means.
constexpr std::array<std::array<int, 3>, 4> kQuadrantColours = {
    {{40, 80, 200}, {200, 60, 30}, {90, 190, 120}, {128, 128, 128}}};

struct Picture {
    int width, height, stride;
    std::vector<unsigned char> bytes;
    unsigned char* pixels() { return bytes.data(); }
};

Picture makePicture(int width, int height, int stride, unsigned char fill = 0) {
    return {width, height, stride, std::vector<unsigned char>(size_t(stride) * height, fill)};
}

int quadrantOf(const Picture& p, int x, int y) {
    return (x >= p.width / 2 ? 1 : 0) + (y >= p.height / 2 ? 2 : 0);
}

Picture quadrantPicture(int width, int height, int stride) {
    Picture p = makePicture(width, height, stride, 0xEE);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const auto& colour = kQuadrantColours[quadrantOf(p, x, y)];
            unsigned char* px = p.pixels() + size_t(y) * stride + size_t(x) * 4;
            const int ramp = (x % 32) - 16; // averages to about -0.5 over each quadrant
            for (int c = 0; c < 3; ++c)
                px[c] = static_cast<unsigned char>(colour[c] + ramp);
            px[3] = 0; // alpha is not carried by DV
        }
    }
    return p;
}

// Mean of each channel (B, G, R, A) per quadrant.
std::array<std::array<double, 4>, 4> quadrantMeans(const Picture& p) {
    std::array<std::array<double, 4>, 4> sums{};
    std::array<double, 4> counts{};
    for (int y = 0; y < p.height; ++y) {
        for (int x = 0; x < p.width; ++x) {
            const int q = quadrantOf(p, x, y);
            const unsigned char* px = p.bytes.data() + size_t(y) * p.stride + size_t(x) * 4;
            for (int c = 0; c < 4; ++c)
                sums[q][c] += px[c];
            counts[q] += 1;
        }
    }
    for (int q = 0; q < 4; ++q)
        for (int c = 0; c < 4; ++c)
            sums[q][c] /= counts[q];
    return sums;
}

std::vector<unsigned char> encodeOrFail(DVEncoder& encoder, Picture& p) {
    std::vector<unsigned char> frame(kDVMaxFrameSize + 16, 0x5A);
    size_t length = 99;
    const DVStatus status = encoder.encode(p.pixels(), p.stride, p.width, p.height, frame, length);
    EXPECT_EQ(status, DVStatus::Ok) << dvStatusText(status);
    EXPECT_EQ(length, dvFrameSize(p.width, p.height));
    frame.resize(length);
    return frame;
}

} // namespace

TEST(DVCodec, FrameSizeFollowsThePictureSize) {
    EXPECT_EQ(dvFrameSize(720, 576), 144000u);
    EXPECT_EQ(dvFrameSize(720, 480), 120000u);
    EXPECT_EQ(dvFrameSize(640, 480), 0u);
    EXPECT_EQ(dvFrameSize(720, 486), 0u);
    EXPECT_EQ(dvFrameSize(-720, 576), 0u);
}

TEST(DVCodec, RoundTripKeepsEachQuadrantsColour) {
    // One encoder and one decoder serve every case, so switching systems is covered too.
    const struct {
        int height, stride;
        size_t frameSize;
    } cases[] = {{576, 720 * 4, 144000},
                 {480, 720 * 4, 120000},
                 {576, 720 * 4 + 36, 144000},
                 {480, 720 * 4 + 4, 120000},
                 {576, 720 * 8, 144000}};
    DVEncoder encoder;
    DVDecoder decoder;
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "720x" << c.height << " stride " << c.stride);
        Picture source = quadrantPicture(720, c.height, c.stride);
        const std::vector<unsigned char> frame = encodeOrFail(encoder, source);
        ASSERT_EQ(frame.size(), c.frameSize);
        EXPECT_TRUE(dvFrameLayoutValid(frame));

        Picture decoded = makePicture(720, c.height, c.stride, 0x77);
        const DVStatus status =
            decoder.decode(frame, decoded.pixels(), decoded.stride, 720, c.height);
        ASSERT_EQ(status, DVStatus::Ok) << dvStatusText(status);
        const auto want = quadrantMeans(source);
        const auto got = quadrantMeans(decoded);
        for (int q = 0; q < 4; ++q) {
            for (int c3 = 0; c3 < 3; ++c3)
                EXPECT_NEAR(got[q][c3], want[q][c3], 3.0) << "quadrant " << q << " channel " << c3;
            EXPECT_EQ(got[q][3], 255.0) << "decoded pixels are opaque";
        }
        if (c.stride > 720 * 4) {
            EXPECT_EQ(decoded.bytes[720 * 4], 0x77) << "bytes past a row are left alone";
        }
    }
}

TEST(DVCodec, EncoderRefusesWhatIsNoDVPicture) {
    DVEncoder encoder;
    Picture pal = quadrantPicture(720, 576, 720 * 4);
    std::vector<unsigned char> frame(kDVMaxFrameSize, 0x5A);
    const struct {
        const char* what;
        const unsigned char* pixels;
        int stride, width, height;
        size_t bufferSize;
        DVStatus expected;
    } cases[] = {
        {"640 x 480", pal.pixels(), 720 * 4, 640, 480, frame.size(), DVStatus::UnsupportedSize},
        {"720 x 486", pal.pixels(), 720 * 4, 720, 486, frame.size(), DVStatus::UnsupportedSize},
        {"no pixels", nullptr, 720 * 4, 720, 576, frame.size(), DVStatus::InvalidPicture},
        {"short stride", pal.pixels(), 720 * 4 - 1, 720, 576, frame.size(),
         DVStatus::InvalidPicture},
        {"buffer one byte short", pal.pixels(), 720 * 4, 720, 576, 143999,
         DVStatus::BufferTooSmall},
        {"NTSC buffer for PAL", pal.pixels(), 720 * 4, 720, 576, 120000, DVStatus::BufferTooSmall},
    };
    for (const auto& c : cases) {
        size_t length = 7;
        EXPECT_EQ(encoder.encode(c.pixels, c.stride, c.width, c.height,
                                 std::span(frame).first(c.bufferSize), length),
                  c.expected)
            << c.what;
        EXPECT_EQ(length, 0u) << c.what;
        EXPECT_EQ(frame[0], 0x5A) << c.what << ": the buffer is left alone";
    }
}

TEST(DVCodec, DecoderRefusesWrongSizedAndDamagedBlocks) {
    DVEncoder encoder;
    Picture palSource = quadrantPicture(720, 576, 720 * 4);
    Picture ntscSource = quadrantPicture(720, 480, 720 * 4);
    const std::vector<unsigned char> pal = encodeOrFail(encoder, palSource);
    const std::vector<unsigned char> ntsc = encodeOrFail(encoder, ntscSource);

    std::vector<unsigned char> random(kDVFrameSizePAL);
    std::mt19937 generator(14);
    for (auto& byte : random)
        byte = static_cast<unsigned char>(generator());
    auto withByte = [](std::vector<unsigned char> frame, size_t at, unsigned char value) {
        frame[at] = value;
        return frame;
    };
    std::vector<unsigned char> longer = pal;
    longer.push_back(0);

    const struct {
        const char* what;
        std::vector<unsigned char> frame;
        int height;
        DVStatus expected;
    } cases[] = {
        {"empty", {}, 576, DVStatus::WrongFrameSize},
        {"one DIF block", std::vector<unsigned char>(pal.begin(), pal.begin() + 80), 576,
         DVStatus::WrongFrameSize},
        {"cut one byte short", std::vector<unsigned char>(pal.begin(), pal.end() - 1), 576,
         DVStatus::WrongFrameSize},
        {"one byte too long", longer, 576, DVStatus::WrongFrameSize},
        {"PAL frame for an NTSC picture", pal, 480, DVStatus::WrongFrameSize},
        {"NTSC frame for a PAL picture", ntsc, 576, DVStatus::WrongFrameSize},
        {"random bytes", random, 576, DVStatus::CorruptFrame},
        {"zero bytes", std::vector<unsigned char>(kDVFrameSizeNTSC, 0), 480,
         DVStatus::CorruptFrame},
        {"header names the other system", withByte(pal, 3, pal[3] ^ 0x80), 576,
         DVStatus::CorruptFrame},
        {"a video block marked as audio", withByte(pal, 80 * 7, (3 << 5) | (pal[80 * 7] & 31)), 576,
         DVStatus::CorruptFrame},
        {"a block of the wrong sequence", withByte(ntsc, 150 * 80 * 4 + 1, 0x57), 480,
         DVStatus::CorruptFrame},
    };
    DVDecoder decoder;
    for (const auto& c : cases) {
        Picture target = makePicture(720, c.height, 720 * 4, 0x33);
        EXPECT_EQ(decoder.decode(c.frame, target.pixels(), target.stride, 720, c.height),
                  c.expected)
            << c.what;
        EXPECT_EQ(target.bytes, makePicture(720, c.height, 720 * 4, 0x33).bytes)
            << c.what << ": the picture is left alone";
    }

    // The decoder carries on normally after refusals.
    Picture target = makePicture(720, 576, 720 * 4);
    EXPECT_EQ(decoder.decode(pal, target.pixels(), target.stride, 720, 576), DVStatus::Ok);
    // Bad target pictures are refused before the block is looked at.
    EXPECT_EQ(decoder.decode(pal, nullptr, 720 * 4, 720, 576), DVStatus::InvalidPicture);
    EXPECT_EQ(decoder.decode(pal, target.pixels(), 720 * 4 - 4, 720, 576),
              DVStatus::InvalidPicture);
    EXPECT_EQ(decoder.decode(pal, target.pixels(), 720 * 4, 704, 576), DVStatus::UnsupportedSize);
}

TEST(DVCodec, DamagedPictureDataNeverFaults) {
    // DV carries no checksum over the compressed picture: bytes damaged inside the video
    // blocks decode to a damaged picture or are refused, and nothing reads out of bounds.
    DVEncoder encoder;
    Picture source = quadrantPicture(720, 576, 720 * 4);
    const std::vector<unsigned char> pal = encodeOrFail(encoder, source);
    DVDecoder decoder;
    std::mt19937 generator(2024);
    Picture target = makePicture(720, 576, 720 * 4);
    for (int round = 0; round < 24; ++round) {
        std::vector<unsigned char> damaged = pal;
        for (int i = 0; i < 64 << (round % 8); ++i) {
            const size_t at = generator() % damaged.size();
            if (at % 80 >= 3) damaged[at] = static_cast<unsigned char>(generator());
        }
        const DVStatus status = decoder.decode(damaged, target.pixels(), target.stride, 720, 576);
        EXPECT_TRUE(status == DVStatus::Ok || status == DVStatus::CorruptFrame)
            << dvStatusText(status);
    }
}

TEST(DVCodec, SeparateCodecsWorkInParallel) {
    std::vector<std::thread> threads;
    std::array<bool, 4> matched{};
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([t, &matched] {
            const int height = t % 2 ? 480 : 576;
            DVEncoder encoder;
            DVDecoder decoder;
            Picture source = quadrantPicture(720, height, 720 * 4);
            Picture decoded = makePicture(720, height, 720 * 4);
            std::vector<unsigned char> frame(kDVMaxFrameSize);
            bool ok = true;
            for (int i = 0; i < 3; ++i) {
                size_t length = 0;
                ok = ok &&
                     encoder.encode(source.pixels(), source.stride, 720, height, frame, length) ==
                         DVStatus::Ok &&
                     decoder.decode(std::span(frame).first(length), decoded.pixels(),
                                    decoded.stride, 720, height) == DVStatus::Ok;
            }
            const auto want = quadrantMeans(source);
            const auto got = quadrantMeans(decoded);
            for (int q = 0; q < 4; ++q)
                for (int c = 0; c < 3; ++c)
                    ok = ok && std::abs(got[q][c] - want[q][c]) < 3.0;
            matched[size_t(t)] = ok;
        });
    }
    for (auto& thread : threads)
        thread.join();
    for (int t = 0; t < 4; ++t)
        EXPECT_TRUE(matched[size_t(t)]) << "thread " << t;
}
