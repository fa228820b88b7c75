// startAudioAt / renderAudio over the "Constant Source" test module, whose samples all have one
// value ("v<value>", "u<value>" for the second channel, "r<rate>", "b<bits>", "s<seconds>").
#include "tests/engine/render/RenderFixture.h"
#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

using namespace renderfixture;

namespace {

class ZRAudioMix : public ::testing::Test {
protected:
    void SetUp() override {
        m_timeline = makeTimeline();
        ASSERT_TRUE(m_timeline);
        t()->settings()->setDoubleSetting("Framerate", 30.0);
    }
    void TearDown() override {
        t()->settings()->setDoubleSetting("Framerate", 30.0);
        m_timeline.reset();
    }

    IZRTimeline* t() { return m_timeline.get(); }
    ZRObject* sound(int track, const std::string& words, ZRPos start = at(0, 0)) {
        IZRObject* o = t()->factory()->createObject("Import", "Constant Source", nullptr,
                                                    ("const_" + words).c_str());
        EXPECT_NE(o, nullptr) << words;
        if (o) {
            EXPECT_TRUE(t()->insertObject(track, &start, o));
        }
        return static_cast<ZRObject*>(o);
    }
    // `frames` sample frames of 16-bit samples from `from` on (startAudioAt first when given).
    std::vector<int16_t> render(int32_t frames, const ZRPos* from = nullptr) {
        if (from) {
            ZRPos p = *from;
            EXPECT_TRUE(t()->startAudioAt(&p));
        }
        int32_t bytes = 0;
        const void* data = t()->renderAudio(frames, &bytes);
        if (!data) return {};
        std::vector<int16_t> out(size_t(bytes) / 2);
        std::memcpy(out.data(), data, size_t(bytes));
        return out;
    }
    std::vector<int16_t> renderFromStart(int32_t frames) {
        const ZRPos start = at(0, 0);
        return render(frames, &start);
    }

    Timeline m_timeline;
};

} // namespace

// Track mode: the first track is taken as it is and each further one averaged in, so two
// tracks of a mix to a and three of a, b, c to a/4 + b/4 + c/2.
TEST_F(ZRAudioMix, TracksAreAveragedInTrackOrder) {
    sound(1, "v1000");
    sound(2, "v1000");
    EXPECT_EQ(renderFromStart(2000).at(3000), 1000);
    sound(3, "v4000");
    const std::vector<int16_t> mixed = renderFromStart(1470);
    EXPECT_EQ(mixed.at(0), 2500); // (1000 + 1000) / 4 + 4000 / 2
    auto timeline = makeTimeline();
    timeline->settings()->setDoubleSetting("Framerate", 30.0);
    std::swap(m_timeline, timeline);
    sound(1, "v1000");
    sound(2, "v2000");
    sound(3, "v4000");
    EXPECT_EQ(renderFromStart(1470).at(1), 2750);
}

TEST_F(ZRAudioMix, TrackLevelsAndMuting) {
    struct Case {
        const char* key;
        double level;
        int16_t expected;
    } cases[] = {{"Track Audio Level", -1.0, 0},
                 {"Track Audio Level", 1.0, 2000},
                 {"Track Audio Level", -0.5, 500},
                 {"Mute Track", 0.0, 0}};
    for (const Case& c : cases) {
        auto timeline = makeTimeline();
        std::swap(m_timeline, timeline);
        sound(1, "v1000");
        if (std::string(c.key) == "Mute Track")
            t()->settings()->setIntPairSetting("Mute Track", 1, 1);
        else
            t()->settings()->setIndexedDoubleSetting("Track Audio Level", 1, c.level);
        EXPECT_EQ(renderFromStart(100).at(10), c.expected) << c.key << " " << c.level;
    }
}

// Channel mode with the default pans routes each source channel to its own output; the track's
// and the master's channel values then steer, invert, mute and level them.
TEST_F(ZRAudioMix, ChannelModeRoutesChannels) {
    struct Case {
        const char* what;
        int16_t left, right;
    } cases[] = {{"default", 1000, 3000},          {"swapped pans", 3000, 1000},
                 {"master mute 1", 0, 3000},       {"track invert 2", 1000, -3000},
                 {"track level -6 dB", 500, 3000}, {"track channels muted", 0, 0}};
    for (const Case& c : cases) {
        auto timeline = makeTimeline();
        std::swap(m_timeline, timeline);
        IZRSettings* s = t()->settings();
        s->setIntSetting("Enhanced BRIVA Audio Handling", 1);
        sound(1, "v1000_u3000");
        const std::string what = c.what;
        if (what == "swapped pans") {
            s->setTrackChannelDoubleSetting("Channel Audio Panning", 1, 1, 1.0);
            s->setTrackChannelDoubleSetting("Channel Audio Panning", 1, 2, -1.0);
        } else if (what == "master mute 1") {
            s->setIntPairSetting("Mute MasterChannel", 1, 1);
        } else if (what == "track invert 2") {
            s->setIntTripleSetting("Invert Channel", 1, 2, 1);
        } else if (what == "track level -6 dB") {
            s->setTrackChannelDoubleSetting("Channel Audio Level", 1, 1, 20.0 * std::log10(0.5));
        } else if (what == "track channels muted") {
            s->setIntTripleSetting("Mute Channel", 1, 1, 1);
            s->setIntTripleSetting("Mute Channel", 1, 2, 1);
        }
        const std::vector<int16_t> out = renderFromStart(100);
        ASSERT_EQ(out.size(), 200u);
        EXPECT_NEAR(out[20], c.left, 1) << c.what;
        EXPECT_NEAR(out[21], c.right, 1) << c.what;
    }
}

// 100 sample frames twice: 400 bytes each (16 bits, stereo).
TEST_F(ZRAudioMix, ConsecutiveBlocksContinueTheMix) {
    sound(1, "ramp_c1");
    const ZRPos start = at(0, 0);
    const std::vector<int16_t> first = render(100, &start);
    const std::vector<int16_t> second = render(100);
    ASSERT_EQ(first.size(), 200u);
    ASSERT_EQ(second.size(), 200u);
    EXPECT_EQ(first[198], 99);
    EXPECT_EQ(second[0], 100);
    EXPECT_EQ(second[199], 199);
    // A new start takes the sources back to its position.
    const ZRPos later = at(1, 0);
    EXPECT_EQ(render(10, &later).at(0), int16_t(uint16_t(44100))); // sample 44100, in 16 bits
}

// A clip the mix has passed lets its reader go (a long timeline would hold one per clip); a
// later run prepares it again and hears the same samples.
TEST_F(ZRAudioMix, PassedClipsReleaseTheirReadersAndPlayAgain) {
    ZRObject* first = sound(1, "ramp_c1_s1", at(0, 0));
    ZRObject* second = sound(1, "ramp_c1_s1", at(1, 0));
    ZRObject* third = sound(1, "ramp_c1_s1", at(2, 0));
    const ZRPos start = at(0, 0);
    const std::vector<int16_t> once = render(2 * 44100 + 4410, &start);
    ASSERT_EQ(once.size(), size_t(2 * (2 * 44100 + 4410)));
    EXPECT_EQ(first->mixGeneration(), 0u);
    EXPECT_EQ(second->mixGeneration(), 0u);
    EXPECT_NE(third->mixGeneration(), 0u); // still playing
    EXPECT_EQ(once[2 * 44099], int16_t(44099));
    EXPECT_EQ(once[2 * 44100], 0); // the second clip from its own start
    const std::vector<int16_t> again = render(2 * 44100 + 4410, &start);
    EXPECT_EQ(again, once);
}

// At 25 frames per second the track walk keeps pace with the sound: a clip that starts at 1 s
// is heard from sample 44100 on, not 1/6 s early.
TEST_F(ZRAudioMix, TheTrackWalkFollowsTheSoundAtAnyFrameRate) {
    t()->settings()->setDoubleSetting("Framerate", 25.0);
    sound(1, "v1000_s1", at(0, 0, 25.0));
    sound(1, "v3000_s1", at(1, 0, 25.0));
    const ZRPos start = at(0, 0, 25.0);
    const std::vector<int16_t> firstSecond = render(44100, &start);
    ASSERT_EQ(firstSecond.size(), 88200u);
    EXPECT_EQ(firstSecond[2 * 39690], 1000);
    EXPECT_EQ(firstSecond[2 * 44099], 1000);
    EXPECT_EQ(render(10).at(0), 3000);
}

// A source at another rate is resampled: a constant stays constant (to the last bit; the
// windowed sinc of quality 4 ripples by a few tenths of a percent).
TEST_F(ZRAudioMix, OtherRatesAreResampled) {
    for (int quality : {0, 1, 2, 3, 4}) {
        auto timeline = makeTimeline();
        std::swap(m_timeline, timeline);
        t()->settings()->setIntSetting("Audio Resampling Quality", quality);
        sound(1, "v1000_r48000");
        const std::vector<int16_t> out = renderFromStart(4410);
        ASSERT_EQ(out.size(), 8820u);
        for (size_t i = 200; i < out.size(); i += 97)
            ASSERT_NEAR(out[i], 1000, quality == 4 ? 5 : 1) << "quality " << quality << " at " << i;
    }
}

// A source the engine cannot read (12-bit samples, at another rate) ends the resampler's
// feeding at once: silence, no endless wait for samples.
TEST_F(ZRAudioMix, AnUnreadableSourceIsSilent) {
    sound(1, "v1000_b12_r48000");
    sound(2, "v1000_b40");
    const std::vector<int16_t> out = renderFromStart(3000);
    ASSERT_EQ(out.size(), 6000u);
    for (int16_t v : out)
        ASSERT_EQ(v, 0);
}

// Volume keys in track mode: the level read as a relative gain 1 + level, reached within the
// first millisecond's values of the block.
TEST_F(ZRAudioMix, VolumeKeysGainTheObjectInTrackMode) {
    ZRObject* o = sound(1, "v1000_s2");
    ZRPos first = at(0, 0), last = at(2, 0);
    o->setVolumeKey(&first, -0.5);
    o->setVolumeKey(&last, -0.5);
    const std::vector<int16_t> out = renderFromStart(1470);
    EXPECT_EQ(out[0], 1000);
    EXPECT_GT(out[20], 500);
    EXPECT_EQ(out[44], 500);
    EXPECT_EQ(out[2939], 500);
}

TEST_F(ZRAudioMix, OutputFormats) {
    sound(1, "v1000_u3000");
    t()->settings()->setIntTripleSetting("Audio Settings", 44100, 8, 1);
    ZRPos start = at(0, 0);
    ASSERT_TRUE(t()->startAudioAt(&start));
    int32_t bytes = 0;
    const auto* data = static_cast<const uint8_t*>(t()->renderAudio(50, &bytes));
    ASSERT_EQ(bytes, 50);
    EXPECT_EQ(data[49], 128 + 7); // the mean of both channels: 2000 / 32768 x 128
    // Sixteen channels: the mix buffer holds every channel of the largest frame.
    t()->settings()->setIntTripleSetting("Audio Settings", 44129, 16, 16);
    ASSERT_TRUE(t()->startAudioAt(&start));
    t()->renderAudio(1470 * 30, &bytes);
    EXPECT_EQ(bytes, 1470 * 30 * 32);
}

TEST_F(ZRAudioMix, NothingBeforeAStartOrWithoutAFormat) {
    sound(1, "v1000");
    int32_t bytes = 7;
    EXPECT_EQ(t()->renderAudio(100, &bytes), nullptr);
    EXPECT_EQ(bytes, 0);
    t()->settings()->setIntTripleSetting("Audio Settings", 44100, 16, 0);
    ZRPos start = at(0, 0);
    EXPECT_TRUE(t()->startAudioAt(&start));
    EXPECT_EQ(t()->renderAudio(100, &bytes), nullptr);
    EXPECT_EQ(bytes, 0);
    EXPECT_TRUE(t()->startAudioAt(nullptr));
}
