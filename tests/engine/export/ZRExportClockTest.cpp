#include "engine/export/ZRExportClock.h"
#include "engine/export/ZRExportPalette.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

// With D = 30 and R = 25, output frame k shows timeline frame round(30k / 25); without a rate
// every timeline frame is shown once. The frame count is what the walk gives.
TEST(ZRExportClock, StepsThroughTheRange) {
    struct Case {
        double d, r;
        int64_t length, frames;
    };
    const Case cases[] = {
        {30.0, 25.0, 30, 25},          {30.0, 0.0, 7, 7},    {25.0, 25.0, 10, 10},
        {30.0, 29.97, 30, 30},         {25.0, 50.0, 10, 19}, {30.0, 25.0, 0, 0},
        {30.0, 29.97, 162000, 161838},
    };
    for (const Case& c : cases) {
        const ZRExportClock clock(c.d, c.r, c.length, 48000, 5);
        ASSERT_TRUE(clock.isValid());
        EXPECT_EQ(clock.outputFrames(), c.frames) << c.d << " " << c.r << " " << c.length;
        const double rate = c.r == 0.0 ? c.d : c.r;
        for (int64_t k = 0; k < clock.outputFrames(); ++k)
            EXPECT_EQ(clock.timelineFrame(k), c.r == 0.0 ? k : std::llround(k * c.d / rate));
        if (c.frames > 0) {
            EXPECT_LT(clock.timelineFrame(c.frames - 1), c.length);
        }
        EXPECT_GE(clock.timelineFrame(c.frames), c.length);
    }
    EXPECT_FALSE(ZRExportClock(30.0, -1.0, 10, 48000, 5).isValid());
    EXPECT_FALSE(ZRExportClock(30.0, NAN, 10, 48000, 5).isValid());
    EXPECT_FALSE(ZRExportClock(0.0, 25.0, 10, 48000, 5).isValid());
}

// Ninety minutes at 29.97: the audio handed over keeps its fraction, so it matches the video's
// duration (plus the first request's four extra frames) to within one sample, where whole
// samples per frame would lose about two seconds.
TEST(ZRExportClock, AudioKeepsItsFraction) {
    const ZRExportClock clock(30.0, 29.97, 90 * 60 * 30, 48000, 5);
    const int64_t frames = clock.outputFrames();
    EXPECT_EQ(clock.audioSamples(1), 8008); // 5 frames' worth
    int64_t handed = 0;
    for (int64_t n = 1; n <= frames; ++n)
        handed += clock.audioSamples(n);
    EXPECT_EQ(handed, clock.audioTotal(frames));
    const double video = double(frames + 4) * 48000.0 / 29.97;
    EXPECT_NEAR(double(handed), video, 1.0);
    const double wholeSamples = double(int(48000 / 29.97)) * double(frames + 4);
    EXPECT_GT(video - wholeSamples, 48000.0); // what the fraction saves: more than a second

    // The AVI writer's requests are one frame's worth from the first.
    const ZRExportClock avi(25.0, 25.0, 100, 44100, 1);
    EXPECT_EQ(avi.audioSamples(1), 1764);
    EXPECT_EQ(avi.audioTotal(100), 176400);
}

TEST(ZRExportPalette, EntriesFromTheIndexBits) {
    ZRExportRecord record{};
    zrFillExportPalette(record);
    const uint8_t black[4] = {0, 0, 0, 0};
    const uint8_t white[4] = {255, 255, 255, 0};
    const uint8_t mixed[4] = {182, 182, 170, 0}; // index 0b101'101'10
    EXPECT_EQ(std::memcmp(record.palette[0], black, 4), 0);
    EXPECT_EQ(std::memcmp(record.palette[255], white, 4), 0);
    EXPECT_EQ(std::memcmp(record.palette[0xB6], mixed, 4), 0);
}
