#include "views/ZRPreviewSourceCallback.h"
#include "tests/views/FakeTimeline.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

class PreviewSourceCallback : public ::testing::Test {
protected:
    void SetUp() override {
        timeline.setEndFrames(50);
        callback->setTimeline(&timeline, false);
    }

    /// Agrees the format at the current settings; the record.
    ZRVideoFormatRecord agree() {
        ZRVideoFormatRecord f{};
        EXPECT_EQ(callback->getVideoFormat(0, &f), kZROk);
        EXPECT_EQ(callback->setVideoFormat(&f), kZROk);
        return f;
    }

    FakeTimeline timeline;
    std::unique_ptr<ZRPreviewSourceCallback> callback = ZRPreviewSourceCallback::CreateInstance();
};

TEST_F(PreviewSourceCallback, RatioChangesOnlyWhenBothFactorsAreGiven) {
    callback->setRatio(0, 2);
    EXPECT_EQ(callback->ratioX(), 1);
    EXPECT_EQ(callback->ratioY(), 1);
    callback->setRatio(3, 0);
    EXPECT_EQ(callback->ratioX(), 1);
    callback->setRatio(2, 3);
    EXPECT_EQ(callback->ratioX(), 2);
    EXPECT_EQ(callback->ratioY(), 3);
}

TEST_F(PreviewSourceCallback, OnlyTheFirstVideoFormatExists) {
    ZRVideoFormatRecord f;
    std::memset(&f, 0xAB, sizeof f);
    const ZRVideoFormatRecord before = f;
    EXPECT_EQ(callback->getVideoFormat(1, &f), kZRNoMoreItems);
    EXPECT_EQ(std::memcmp(&f, &before, sizeof f), 0);
}

TEST_F(PreviewSourceCallback, ReducedFramesComeFromTheFirstFieldsLines) {
    callback->setRatio(2, 2);
    ZRVideoFormatRecord f;
    std::memset(&f, 0xAB, sizeof f);
    ASSERT_EQ(callback->getVideoFormat(0, &f), kZROk);
    EXPECT_EQ(f.reserved, 0xABABABABu);
    EXPECT_EQ(f.width, 360);
    EXPECT_EQ(f.height, 288);
    EXPECT_EQ(f.planes, 1);
    EXPECT_EQ(f.bitCount, 32);
    EXPECT_EQ(f.compression, 0u);
    EXPECT_EQ(f.imageSize, 414720u);
    EXPECT_EQ(f.averageTimePerFrame, 400000);
    EXPECT_EQ(f.subtype, kZRSubtypeRGB32);

    const int stride = 360 * 4 + 16;
    std::vector<unsigned char> pixels(size_t(stride) * 288, 0x11);
    // Nothing before the format is agreed.
    EXPECT_EQ(callback->renderVideoAt(800000, 0, pixels.data(), stride), kZRFail);
    EXPECT_EQ(timeline.videoCalls, 0);
    EXPECT_EQ(pixels[0], 0x11);

    ASSERT_EQ(callback->setVideoFormat(&f), kZROk);
    auto framePixels = [&](uint8_t number) {
        int wrong = 0;
        for (int y = 0; y < 288; ++y)
            for (int x = 0; x < 360; ++x) {
                const unsigned char* p = &pixels[size_t(y) * stride + size_t(x) * 4];
                wrong += p[0] != number || p[1] != 200 || p[2] != 0;
            }
        return wrong;
    };
    ASSERT_EQ(callback->renderVideoAt(800000, 0, pixels.data(), stride), kZROk);
    EXPECT_EQ(framePixels(2), 0);
    EXPECT_EQ(pixels[360 * 4], 0x11); // the row's padding is left alone

    ZRMediaTime next = 0;
    ASSERT_EQ(callback->renderNextVideo(0, pixels.data(), stride, &next), kZROk);
    EXPECT_EQ(next, 1200000);
    EXPECT_EQ(framePixels(3), 0);
}

TEST_F(PreviewSourceCallback, SetVideoFormatAcceptsOnlyTheFormatOnOffer) {
    callback->setRatio(2, 2);
    ZRVideoFormatRecord f{};
    ASSERT_EQ(callback->getVideoFormat(0, &f), kZROk);
    for (auto change : std::vector<void (*)(ZRVideoFormatRecord&)>{
             [](ZRVideoFormatRecord& r) { r.width = 720; },
             [](ZRVideoFormatRecord& r) { r.bitCount = 24; },
             [](ZRVideoFormatRecord& r) { r.planes = 2; },
             [](ZRVideoFormatRecord& r) { r.compression = 1; },
             [](ZRVideoFormatRecord& r) { r.subtype.data1 = 0; }}) {
        ZRVideoFormatRecord wrong = f;
        change(wrong);
        EXPECT_EQ(callback->setVideoFormat(&wrong), kZRFail);
    }
    f.height = -f.height; // top-down or bottom-up alike
    EXPECT_EQ(callback->setVideoFormat(&f), kZROk);
}

TEST_F(PreviewSourceCallback, FrameDurationFollowsTheRateAndFailsWithoutOne) {
    struct Case {
        double rate;
        ZRResult result;
        ZRMediaTime duration;
    };
    for (const Case c :
         {Case{25.0, kZROk, 400000}, Case{30.0, kZROk, 333333}, Case{29.97, kZROk, 333667},
          Case{0.0, kZRFail, -1}, Case{-25.0, kZRFail, -1}}) {
        timeline.rate = c.rate;
        ZRMediaTime d = -1;
        EXPECT_EQ(callback->getFrameDuration(&d), c.result) << c.rate;
        EXPECT_EQ(d, c.duration) << c.rate;
    }
    // Without a rate the format still says what it can.
    ZRVideoFormatRecord f{};
    EXPECT_EQ(callback->getVideoFormat(0, &f), kZROk);
    EXPECT_EQ(f.averageTimePerFrame, 0);
}

TEST_F(PreviewSourceCallback, SoundFillsExactlyTheBufferInAnyAudioSettings) {
    struct Case {
        int bits, channels;
        int32_t size, excess;
        int32_t frames, bytes;
    };
    for (const Case c : {Case{16, 2, 1920, 0, 480, 1920}, Case{16, 1, 1000, 0, 500, 1000},
                         Case{8, 1, 1000, 0, 1000, 1000}, Case{16, 6, 1200, 0, 100, 1200},
                         Case{24, 6, 1000, 0, 55, 990}, Case{16, 1, 1001, 0, 500, 1000},
                         Case{16, 2, 400, 64, 100, 400}}) {
        timeline.bits = c.bits;
        timeline.channels = c.channels;
        timeline.audioExcess = c.excess;
        ZRAudioFormatRecord a{};
        ASSERT_EQ(callback->getAudioFormat(0, &a), kZROk);
        EXPECT_EQ(a.bitsPerSample, c.bits);
        EXPECT_EQ(a.channels, c.channels);
        EXPECT_EQ(a.sampleRate, 48000);

        std::vector<unsigned char> buffer(size_t(c.size) + 32, 0xEE);
        int32_t size = c.size;
        ZRMediaTime t = -1;
        ASSERT_EQ(callback->renderAudio(0, buffer.data(), &size, &t), kZROk);
        EXPECT_EQ(timeline.lastAudioFrames, c.frames) << c.bits << "x" << c.channels;
        EXPECT_EQ(size, c.bytes) << c.bits << "x" << c.channels;
        EXPECT_EQ(buffer[size_t(size) - 1], uint8_t(size - 1));
        for (size_t i = size_t(size); i < buffer.size(); ++i)
            ASSERT_EQ(buffer[i], 0xEE) << "guard byte " << i;
    }
}

TEST_F(PreviewSourceCallback, SoundStartsAtTheSeekAndReportsTheEnginePosition) {
    ASSERT_EQ(callback->seekAudio(1200000), kZROk);
    EXPECT_EQ(timeline.currentPosition()->toMilliseconds(), 120.0);
    std::vector<unsigned char> buffer(64);
    int32_t size = 64;
    ZRMediaTime t = -1;
    ASSERT_EQ(callback->renderAudio(0, buffer.data(), &size, &t), kZROk);
    EXPECT_EQ(t, 1200000);
}

TEST_F(PreviewSourceCallback, DurationIsTheEndUntilUpdated) {
    ZRMediaTime d = -1;
    ASSERT_EQ(callback->getDuration(&d), kZROk);
    EXPECT_EQ(d, 20000000);
    timeline.setEndFrames(75);
    ASSERT_EQ(callback->getDuration(&d), kZROk);
    EXPECT_EQ(d, 20000000);
    ASSERT_EQ(callback->updateDuration(), kZROk);
    ASSERT_EQ(callback->getDuration(&d), kZROk);
    EXPECT_EQ(d, 30000000);
}

TEST(PreviewSourceCallbackAlone, WithoutATimelineEveryRequestFails) {
    auto c = ZRPreviewSourceCallback::CreateInstance();
    unsigned char pixels[64];
    ZRMediaTime t = 0;
    int32_t size = 64;
    ZRVideoFormatRecord v{};
    ZRAudioFormatRecord a{};
    EXPECT_EQ(c->renderVideoAt(0, 0, pixels, 16), kZRFail);
    EXPECT_EQ(c->renderNextVideo(0, pixels, 16, &t), kZRFail);
    EXPECT_EQ(c->seekAudio(0), kZRFail);
    EXPECT_EQ(c->renderAudio(0, pixels, &size, &t), kZRFail);
    EXPECT_EQ(c->getFrameDuration(&t), kZRFail);
    EXPECT_EQ(c->updateDuration(), kZRFail);
    EXPECT_EQ(c->getVideoFormat(0, &v), kZRNoMoreItems);
    EXPECT_EQ(c->getAudioFormat(0, &a), kZRNoMoreItems);
    EXPECT_EQ(c->getDuration(&t), kZROk);
    EXPECT_EQ(t, 0);
    EXPECT_EQ(c->setAudioFormat(&a), kZROk);
}

TEST(PreviewSourceCallbackAlone, DvOutputStartedByTheCallbackStopsWithIt) {
    FakeTimeline timeline;
    {
        auto c = ZRPreviewSourceCallback::CreateInstance();
        c->setTimeline(&timeline, true);
        EXPECT_TRUE(timeline.dvStarted);
        EXPECT_FALSE(timeline.dvStopped);
    }
    EXPECT_TRUE(timeline.dvStopped);
}

} // namespace
