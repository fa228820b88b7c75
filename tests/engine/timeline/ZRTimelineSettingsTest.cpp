#include "engine/timeline/ZRFadeCurve.h"
#include "engine/timeline/ZRTimeline.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

class Settings : public ::testing::Test {
protected:
    void SetUp() override { timeline = std::make_unique<ZRTimeline>(nullptr, nullptr, 0); }
    void TearDown() override {
        timeline.reset();
        ZRPos::setDefaultFrameRate(30.0);
    }
    IZRSettings* settings() { return timeline->settings(); }
    std::unique_ptr<ZRTimeline> timeline;
};

} // namespace

TEST_F(Settings, IntKeysDefaultsAndCase) {
    struct Case {
        const char* key;
        int value;
    };
    const Case defaults[] = {{"Audio Resampling Quality", 2},
                             {"auto insert editing", 1},
                             {"ENHANCED BRIVA AUDIO HANDLING", 0},
                             {"Enable Background Rendering", 0},
                             {"Force Background Rendering Video Format", 0}};
    for (const Case& c : defaults) {
        int v = -99;
        ASSERT_TRUE(settings()->getIntSetting(c.key, &v)) << c.key;
        EXPECT_EQ(v, c.value) << c.key;
    }
    int untouched = 42;
    EXPECT_FALSE(settings()->getIntSetting("No Such Key", &untouched));
    EXPECT_FALSE(settings()->getIntSetting("Preview Mode", &untouched)); // set-only
    EXPECT_EQ(untouched, 42);
    EXPECT_TRUE(settings()->setIntSetting("audio resampling quality", 4));
    settings()->getIntSetting("Audio Resampling Quality", &untouched);
    EXPECT_EQ(untouched, 4);
    // The folder's text comes through the number slot as its address, or through the text slot;
    // a number that is no address, or an empty text, is refused.
    static const char viaNumber[] = "/tmp/frames";
    EXPECT_TRUE(
        settings()->setIntSetting("Temporary Directory", reinterpret_cast<intptr_t>(viaNumber)));
    char* folder = nullptr;
    ASSERT_TRUE(settings()->getStringSetting("Temporary Directory", &folder));
    EXPECT_STREQ(folder, "/tmp/frames/");
    EXPECT_FALSE(settings()->setIntSetting("Temporary Directory", 12345));
    EXPECT_FALSE(settings()->setIntSetting("Temporary Directory", reinterpret_cast<intptr_t>("")));
    EXPECT_TRUE(settings()->setStringSetting("Temporary Directory", "/tmp/other frames"));
    ASSERT_TRUE(settings()->getStringSetting("Temporary Directory", &folder));
    EXPECT_STREQ(folder, "/tmp/other frames/");
}

TEST_F(Settings, FramerateInAnyCaseRatesNewAndExistingPositions) {
    IZRPos* made = timeline->factory()->createPosHMSF(0, 0, 1, 15); // 1.5 s at 30
    ASSERT_TRUE(settings()->setDoubleSetting("framerate", 25.0));
    double rate = 0;
    ASSERT_TRUE(settings()->getDoubleSetting("FRAMERATE", &rate));
    EXPECT_DOUBLE_EQ(rate, 25.0);
    EXPECT_STREQ(made->toText(), "00:00:01.13");
    EXPECT_DOUBLE_EQ(timeline->factory()->createPos()->framerate(), 25.0);
    EXPECT_FALSE(settings()->setDoubleSetting("Framerate", 0.0));
    double version = 0;
    ASSERT_TRUE(settings()->getDoubleSetting("Version", &version));
    EXPECT_DOUBLE_EQ(version, 4.04);
}

TEST_F(Settings, ChannelRanges) {
    EXPECT_FALSE(settings()->setIndexedDoubleSetting("MasterChannel Audio Level", 0, 1.0));
    EXPECT_FALSE(settings()->setIndexedDoubleSetting("MasterChannel Audio Level", 17, 1.0));
    int channel = 2;
    double v = 0;
    ASSERT_TRUE(settings()->getIndexedDoubleSetting("MasterChannel Audio Panning", &channel, &v));
    EXPECT_DOUBLE_EQ(v, 1.0);

    EXPECT_TRUE(settings()->setTrackChannelDoubleSetting("Channel Audio Panning", 3, 1, 0.5));
    EXPECT_FALSE(settings()->setTrackChannelDoubleSetting("Channel Audio Panning", 3, 1, 1.5));
    EXPECT_FALSE(settings()->setTrackChannelDoubleSetting("Channel Audio Panning", 101, 1, 0.5));
    int track = 3;
    unsigned ch = 1;
    ASSERT_TRUE(settings()->getTrackChannelDoubleSetting("Channel Audio Panning", &track, &ch, &v));
    EXPECT_DOUBLE_EQ(v, 0.5);
}

TEST_F(Settings, ReadingATrackSettingMakesAnEmptyAudioTrack) {
    EXPECT_EQ(timeline->track(9, false), nullptr);
    int track = 9, mute = -1;
    ASSERT_TRUE(settings()->getIntPairSetting("Mute Track", &track, &mute));
    EXPECT_EQ(mute, 0);
    ASSERT_NE(timeline->track(9, false), nullptr);
    EXPECT_TRUE(timeline->track(9, false)->isEmpty());
    track = 0;
    EXPECT_FALSE(settings()->getIntPairSetting("Mute Track", &track, &mute));
}

TEST_F(Settings, VideoDimensionsSizeTheImageBuffers) {
    int w = -1, h = -1;
    ASSERT_TRUE(settings()->getIntPairSetting("Video Dimensions", &w, &h));
    EXPECT_EQ(w, 0);
    EXPECT_EQ(h, 0);
    ASSERT_TRUE(settings()->setIntPairSetting("Video Dimensions", 720, 576));
    for (int i : {1, 2, 3}) {
        EXPECT_EQ(timeline->imageBuffer(i)->width(), 720);
        EXPECT_EQ(timeline->imageBuffer(i)->stride(), 2880);
    }
    EXPECT_FALSE(settings()->setIntPairSetting("Video Dimensions", -5, 576));
}

TEST_F(Settings, PauseBackgroundRenderingCounts) {
    ASSERT_TRUE(settings()->setIntSetting("Enable Background Rendering", 1));
    int paused = -1;
    settings()->setIntSetting("Pause Background Rendering", 1);
    settings()->setIntSetting("Pause Background Rendering", 1);
    settings()->setIntSetting("Pause Background Rendering", 0);
    settings()->getIntSetting("Pause Background Rendering", &paused);
    EXPECT_EQ(paused, 1);
    settings()->setIntSetting("Pause Background Rendering", 0);
    settings()->getIntSetting("Pause Background Rendering", &paused);
    EXPECT_EQ(paused, 0);
    settings()->setIntSetting("Pause Background Rendering", 0); // stays at 0
    settings()->setIntSetting("Pause Background Rendering", 1);
    settings()->getIntSetting("Pause Background Rendering", &paused);
    EXPECT_EQ(paused, 1);
}

TEST_F(Settings, FadeCharacteristics) {
    double x = 0.5, from = -6.0, to = 0.0, factor = 0;
    ASSERT_TRUE(
        settings()->getFadeFactor("FadeCharacteristics GetFactor", &x, &from, &to, &factor));
    EXPECT_DOUBLE_EQ(factor, 0.750);
    from = 0.0;
    ASSERT_TRUE(settings()->setStringSetting("FadeCharacteristics SetType", "Sine"));
    EXPECT_EQ(timeline->fadeCurve().count(), 21);
    ASSERT_TRUE(
        settings()->getFadeFactor("FadeCharacteristics GetFactor", &x, &from, &to, &factor));
    EXPECT_DOUBLE_EQ(factor, 1.0);
    x = 1.5;
    EXPECT_FALSE(
        settings()->getFadeFactor("FadeCharacteristics GetFactor", &x, &from, &to, &factor));
    EXPECT_FALSE(settings()->setStringSetting("FadeCharacteristics SetType", "Cubic"));
    EXPECT_FALSE(settings()->addFadePoint("FadeCharacteristics AddPoint", 0.5, 1.2));
}

TEST(ZRFadeCurve, AddingPoints) {
    ZRFadeCurve curve;
    EXPECT_EQ(curve.at(250), 250);
    EXPECT_TRUE(curve.addPoint(1000, 800)); // replaces the last point's y
    EXPECT_EQ(curve.count(), 2);
    EXPECT_EQ(curve.y(1), 800);
    curve.addPoint(400, 100);
    curve.addPoint(400, 300);
    EXPECT_EQ(curve.count(), 3);
    EXPECT_EQ(curve.at(400), 300);
    EXPECT_EQ(curve.at(200), 150);
    EXPECT_EQ(curve.at(-50), 0);
    for (int i = 1; i < 200; ++i)
        curve.addPoint(i, i);
    EXPECT_EQ(curve.count(), 99);
    EXPECT_FALSE(curve.addPoint(999, 1));
}
