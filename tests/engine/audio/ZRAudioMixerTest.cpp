#include "engine/audio/ZRAudioMixer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <tuple>
#include <vector>

TEST(ZRAudioMixer, FramesAreAThirtiethOfASecondWithACatchUp) {
    struct Case {
        int rate;
        int whole;
        int firstCatchUp; // 1-based frame that gets 20 more samples; 0 = none in 3000 frames
    } cases[] = {{44100, 1470, 0}, {48000, 1600, 0}, {44056, 1468, 38}, {22050, 735, 0}};
    for (const Case& c : cases) {
        ZRAudioMixer mixer;
        ASSERT_TRUE(mixer.start(c.rate, 16, 2, 2));
        EXPECT_EQ(mixer.wholeSamplesPerFrame(), c.whole);
        int first = 0;
        for (int frame = 1; frame <= 3000 && first == 0; ++frame) {
            const int samples = mixer.takeFrameSamples();
            if (samples != c.whole) {
                EXPECT_EQ(samples, c.whole + 20) << c.rate;
                first = frame;
            }
        }
        EXPECT_EQ(first, c.firstCatchUp) << c.rate;
    }
}

// Blocks are cut from mixed frames: 100 sample frames twice are 400 bytes each, the second
// served from what the first mixed frame left over.
TEST(ZRAudioMixer, BlocksAreCutFromMixedFrames) {
    ZRAudioMixer mixer;
    ASSERT_TRUE(mixer.start(44100, 16, 2, 2));
    int mixed = 0;
    const std::vector<float> half(1470 * 2, 0.5f);
    auto mix = [&](int32_t samples) {
        ++mixed;
        EXPECT_EQ(samples, 1470);
        mixer.addAveraged(half.data(), 1.0);
    };
    int32_t bytes = 0;
    const unsigned char* block = mixer.render(100, &bytes, mix);
    EXPECT_EQ(bytes, 400);
    ASSERT_NE(block, nullptr);
    int16_t first;
    std::memcpy(&first, block, 2);
    EXPECT_EQ(first, 16384);
    mixer.render(100, &bytes, mix);
    EXPECT_EQ(bytes, 400);
    EXPECT_EQ(mixed, 1);
    EXPECT_EQ(mixer.leftoverFrames(), 1270u);
    mixer.render(1300, &bytes, mix); // the leftover, then a new frame
    EXPECT_EQ(bytes, 5200);
    EXPECT_EQ(mixed, 2);
    EXPECT_EQ(mixer.leftoverFrames(), 1440u);
    // A frame nothing was added to is silence.
    block = mixer.render(3000, &bytes, [](int32_t) {});
    int16_t last;
    std::memcpy(&last, block + 2999 * 4, 2);
    EXPECT_EQ(last, 0);
}

// Track mode averages each further track in; channel mode adds through the gains.
TEST(ZRAudioMixer, TracksAreAveragedOrRouted) {
    ZRAudioMixer mixer;
    ASSERT_TRUE(mixer.start(44100, 16, 2, 2));
    const std::vector<float> a(2940, 0.125f), b(2940, 0.25f), c(2940, 0.5f);
    int32_t bytes = 0;
    const unsigned char* out = mixer.render(1470, &bytes, [&](int32_t) {
        mixer.addAveraged(a.data(), 1.0);
        mixer.addAveraged(b.data(), 1.0);
        mixer.addAveraged(c.data(), 2.0); // a/4 + b/4 + 2c/2
    });
    int16_t v;
    std::memcpy(&v, out, 2);
    EXPECT_EQ(v, int16_t(32768 * (0.125 / 4 + 0.25 / 4 + 0.5)));

    std::vector<float> stereo(2940);
    for (size_t i = 0; i < stereo.size(); i += 2) {
        stereo[i] = 0.25f;
        stereo[i + 1] = 0.5f;
    }
    const double swap[4] = {0.0, 1.0, 0.5, 0.000001}; // gains[j x 2 + c]
    out = mixer.render(1470, &bytes, [&](int32_t) {
        mixer.addRouted(stereo.data(), swap);
        mixer.addRouted(stereo.data(), swap);
    });
    int16_t lr[2];
    std::memcpy(lr, out, 4);
    EXPECT_EQ(lr[0], int16_t(32768 * 0.5)); // 2 x 0.5 x right
    EXPECT_EQ(lr[1], int16_t(32768 * 0.5)); // 2 x left; the tiny gain is skipped
}

TEST(ZRAudioMixer, FormatsItCannotProduceGiveNothing) {
    ZRAudioMixer mixer;
    int32_t bytes = 5;
    EXPECT_EQ(mixer.render(10, &bytes, nullptr), nullptr); // not started
    EXPECT_EQ(bytes, 0);
    for (auto [rate, bits, channels] :
         {std::tuple(0, 16, 2), std::tuple(44100, 0, 2), std::tuple(44100, 33, 2),
          std::tuple(44100, 16, 0), std::tuple(44100, 16, 65)}) {
        EXPECT_FALSE(mixer.start(rate, bits, channels, channels < 1 ? 1 : channels));
        EXPECT_EQ(mixer.render(10, &bytes, nullptr), nullptr);
        EXPECT_EQ(bytes, 0);
    }
    ASSERT_TRUE(mixer.start(44100, 12, 1, 1)); // 12 bits are written in two bytes
    mixer.render(10, &bytes, nullptr);
    EXPECT_EQ(bytes, 20);
    EXPECT_NE(mixer.render(0, &bytes, nullptr), nullptr);
    EXPECT_EQ(bytes, 0);
}

// The catch-up frame of many channels fits the mix buffer.
TEST(ZRAudioMixer, TheLargestFrameFitsAnyChannelCount) {
    ZRAudioMixer mixer;
    ASSERT_TRUE(mixer.start(44129, 16, 16, 16)); // 1470.97 per frame: a catch-up by frame 21
    std::vector<float> track(size_t(1470 + 20) * 16, 0.25f);
    int largest = 0;
    int32_t bytes = 0;
    mixer.render(1470 * 30, &bytes, [&](int32_t samples) {
        largest = std::max(largest, samples);
        mixer.addAveraged(track.data(), 1.0);
        mixer.addAveraged(track.data(), 1.0);
    });
    EXPECT_EQ(largest, 1490);
    EXPECT_EQ(bytes, 1470 * 30 * 32);
}
