// The DV live output on the simulated camcorder: single frames, real-time play of the marked
// range with its sound, loop, stop, and the faults of a slow or failing engine.
#include "output/ZRLiveOutput.h"

#include "editor/ZRAppState.h"
#include "platform/dvcodec/DVFrameAudio.h"
#include "platform/dvdevice/ZRDVDevice.h"
#include "tests/output/DVFakeTimeline.h"
#include "tests/output/LiveCamcorder.h"
#include "tests/support/GuiApplication.h"
#include "views/ZRSBPSlider.h"

#include <gtest/gtest.h>

#include <mutex>

using namespace dvfake;

namespace {

zrieee1394::ZRSimulatedCamcorder& liveCamcorder() {
    return livecam::camcorder();
}

QString liveDeviceName() {
    return livecam::deviceName();
}

/// What the camcorder got: each frame's stamp, whether its sound was muted, its hash.
struct Received {
    int64_t stamp;
    bool muted;
    uint64_t hash;
    size_t size;
};

class LiveOutputTest : public ::testing::Test {
protected:
    void SetUp() override {
        testsupport::guiApplication();
        liveCamcorder().setTransmitPacing(false);
        // A still clock: the tapeless camcorder would otherwise wind to its end at once.
        liveCamcorder().setClock([] { return int64_t(0); });
        liveCamcorder().setTransmitSink([this](std::span<const uint8_t> frame) {
            std::lock_guard lock(mutex);
            // A muted frame has FF payloads in its first AAUX source pack.
            const bool muted = frame[4324] == 0xFF && frame[4325] == 0xFF;
            received.push_back({stampOf(frame), muted, hashOf(frame), frame.size()});
            if (onFrame) onFrame(received.size());
        });
        slider = std::make_unique<ZRSBPSlider>(nullptr);
    }
    void TearDown() override {
        liveCamcorder().setTransmitSink(nullptr);
        liveCamcorder().setClock(nullptr);
        appState().exportRunning = false;
        appState().stopRequested = false;
        appState().ntsc = true;
    }

    void makeOutput(bool pal, int frames) {
        live.reset();
        timeline = std::make_unique<DVFakeTimeline>(pal, frames);
        live = std::make_unique<ZRLiveOutput>(timeline.get());
        ASSERT_TRUE(live->open(liveDeviceName(), pal ? 144000 : 120000));
    }
    std::vector<Received> take() {
        std::lock_guard lock(mutex);
        return std::exchange(received, {});
    }
    /// Frames `from` .. `to` - 1 as the camcorder must get them in order, the mix running on.
    void expectPlayed(const std::vector<Received>& got, size_t at, int64_t from, int64_t to) {
        const int pairs = timeline->pairsPerFrame();
        ASSERT_GE(got.size(), at + size_t(to - from));
        for (int64_t f = from; f < to; ++f) {
            const Received& r = got[at + size_t(f - from)];
            ASSERT_EQ(r.stamp, f);
            ASSERT_FALSE(r.muted) << f;
            ASSERT_EQ(r.hash, hashOf(timeline->expectedFrame(f, f * pairs, pairs))) << f;
        }
    }

    std::mutex mutex;
    std::vector<Received> received;
    std::function<void(size_t)> onFrame;
    std::unique_ptr<ZRSBPSlider> slider;
    std::unique_ptr<DVFakeTimeline> timeline;
    std::unique_ptr<ZRLiveOutput> live;
};

} // namespace

TEST_F(LiveOutputTest, OpenFailsWithoutDeviceAndStopsTheDVOutput) {
    timeline = std::make_unique<DVFakeTimeline>(true, 50);
    live = std::make_unique<ZRLiveOutput>(timeline.get());
    for (const QString& name : {QStringLiteral("ieee1394:0000000000000001"), QString(),
                                QStringLiteral("-Select Device-")}) {
        EXPECT_FALSE(live->open(name, 144000));
        EXPECT_FALSE(live->isOpen());
        EXPECT_EQ(live->device(), nullptr);
        EXPECT_FALSE(timeline->dvStarted.load()) << name.toStdString();
    }
    long state = 7;
    live->queryState(&state);
    EXPECT_EQ(state, 0);
    live->playRange(slider.get(), false);
    EXPECT_TRUE(take().empty());
    EXPECT_FALSE(appState().exportRunning.load());
}

TEST_F(LiveOutputTest, SendFrameAtMutesAndSkipsFramesTheEngineCannotMake) {
    makeOutput(true, 50);
    timeline->failsFrame = [](int64_t n) { return n == 7; };
    IZRPos* at = timeline->factory()->createPos();
    for (int n : {3, 7, 9}) {
        at->assignFrames(n);
        live->sendFrameAt(at);
    }
    appState().exportRunning = true;
    at->assignFrames(11);
    live->sendFrameAt(at);
    timeline->factory()->destroyPos(at);
    const auto got = take();
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].stamp, 3);
    EXPECT_EQ(got[1].stamp, 9);
    EXPECT_TRUE(got[0].muted && got[1].muted);
    EXPECT_EQ(live->frameSize(), 144000);
    EXPECT_EQ(live->position()->toFrames(), 9.0);
}

// A 100-second project with both marks at 0.25: about 25 s to 75 s, in order with the mix,
// then the last frame once more without sound.
TEST_F(LiveOutputTest, PlaysTheMarkedRangeThenTheLastFrameMuted) {
    makeOutput(true, 2500);
    slider->setMarkIn(0.25);
    slider->setMarkOut(0.25);
    live->playRange(slider.get(), false);
    const auto got = take();
    ASSERT_GT(got.size(), 2u);
    const int64_t first = got.front().stamp;
    EXPECT_NEAR(double(first), 625, 1);
    const int64_t count = int64_t(got.size()) - 1;
    EXPECT_NEAR(double(first + count), 1875, 1);
    expectPlayed(got, 0, first, first + count);
    EXPECT_EQ(got.back().stamp, got[got.size() - 2].stamp);
    EXPECT_TRUE(got.back().muted);
    EXPECT_FALSE(appState().exportRunning.load());
    EXPECT_FALSE(appState().stopRequested.load());
    EXPECT_EQ(timeline->audioRate, 48000);
}

TEST_F(LiveOutputTest, LoopsUntilStopped) {
    makeOutput(true, 10);
    onFrame = [](size_t n) {
        if (n == 25) appState().stopRequested = true;
    };
    live->playRange(slider.get(), true);
    const auto got = take();
    ASSERT_EQ(got.size(), 26u);
    for (size_t i = 0; i < 25; ++i)
        EXPECT_EQ(got[i].stamp, int64_t(i % 9)) << i;
    expectPlayed(got, 9, 0, 9);
    EXPECT_TRUE(got.back().muted);
    EXPECT_FALSE(appState().stopRequested.load());
}

TEST_F(LiveOutputTest, StopMidwayAndSendFrameAtDuringPlayDoNothingMore) {
    makeOutput(true, 200);
    IZRPos* elsewhere = timeline->factory()->createPos();
    onFrame = [&](size_t n) {
        // Position changes during play reach the output; they must send nothing.
        if (n == 5) QMetaObject::invokeMethod(qApp, [&] { live->sendFrameAt(elsewhere); });
        if (n == 40) appState().stopRequested = true;
    };
    live->playRange(slider.get(), false);
    timeline->factory()->destroyPos(elsewhere);
    const auto got = take();
    ASSERT_EQ(got.size(), 41u);
    expectPlayed(got, 0, 0, 40);
    EXPECT_EQ(got.back().stamp, 39);
    EXPECT_TRUE(got.back().muted);
}

// The engine takes long on every 7th frame and cannot make every 50th: the sender waits for
// each slot's ready flag, so no frame is torn or stale, and a missing frame is skipped in place.
TEST_F(LiveOutputTest, SlowProducerSendsNoTornOrStaleSlot) {
    makeOutput(true, 120);
    timeline->beforeFrame = [](int64_t n) {
        if (n % 7 == 0) std::this_thread::sleep_for(std::chrono::milliseconds(15));
    };
    timeline->failsFrame = [](int64_t n) { return n == 50; };
    live->playRange(slider.get(), false);
    const auto got = take();
    ASSERT_EQ(got.size(), 119u);
    expectPlayed(got, 0, 0, 50);
    expectPlayed(got, 50, 51, 119);
    EXPECT_TRUE(got.back().muted);
}

// The system follows the frame: a PAL project under the NTSC flag sends PAL frames with PAL
// sound; an NTSC project sends the NTSC cadence.
TEST_F(LiveOutputTest, SizeAndCadenceComeFromTheFrame) {
    appState().ntsc = true;
    makeOutput(true, 6);
    live->playRange(slider.get(), false);
    auto got = take();
    ASSERT_EQ(got.size(), 6u);
    for (const Received& r : got)
        EXPECT_EQ(r.size, 144000u);

    std::vector<std::vector<uint8_t>> frames;
    liveCamcorder().setTransmitSink(
        [&](std::span<const uint8_t> f) { frames.emplace_back(f.begin(), f.end()); });
    makeOutput(false, 6);
    live->playRange(slider.get(), false);
    ASSERT_EQ(frames.size(), 6u);
    const int pc1[] = {0xD4, 0xD6, 0xD6, 0xD6, 0xD6};
    for (size_t i = 0; i < 5; ++i) {
        ASSERT_EQ(frames[i].size(), 120000u);
        platform::ZRDVAudioInfo info;
        ASSERT_TRUE(platform::dvReadFrameInfo(frames[i], &info));
        EXPECT_EQ(info.groups[0].samples, platform::dvCadenceSamples(false, int64_t(i)));
        EXPECT_EQ(frames[i][4324], pc1[i]) << i;
    }
}

TEST_F(LiveOutputTest, TransportCommandsReachTheCamcorderAndItsStateReturns) {
    makeOutput(true, 10);
    live->sendCommand(4296);
    EXPECT_EQ(liveCamcorder().modeOpcode(), 0xC3);
    EXPECT_EQ(liveCamcorder().modeOperand(), 0x75);
    long state = 0;
    live->queryState(&state);
    EXPECT_EQ(state, 4296);
    live->sendCommand(4297);
    live->queryState(&state);
    EXPECT_EQ(state, 4297);
    live->close();
    live->queryState(&state);
    EXPECT_EQ(state, 0);
    EXPECT_FALSE(timeline->dvStarted.load());
}

// Where the mix ends before a frame's share does (the NTSC cadence asks 14414 pairs of the nine
// frames before the out point, the mix gives 1600 a frame), and where it gives nothing at all, the
// rest is silence: never the last block again, and the play ends.
TEST_F(LiveOutputTest, SoundMissingAtTheEndIsSilence) {
    std::vector<std::vector<uint8_t>> frames;
    liveCamcorder().setTransmitSink(
        [&](std::span<const uint8_t> f) { frames.emplace_back(f.begin(), f.end()); });
    makeOutput(false, 10);
    live->playRange(slider.get(), false);
    ASSERT_EQ(frames.size(), 10u);
    int64_t first = 0;
    for (int64_t k = 0; k < 9; ++k) {
        const int pairs = platform::dvCadenceSamples(false, k);
        std::vector<uint8_t> sound(size_t(pairs) * 4, 0);
        for (int i = 0; i < pairs; ++i)
            if (first + i < 14400) samplePair(first + i, sound.data() + 4 * size_t(i));
        std::vector<uint8_t> expected = timeline->frameNumber(k);
        platform::dvInsertAudio(expected, sound, pairs * 4, 48000);
        EXPECT_EQ(frames[size_t(k)], expected) << k;
        first += pairs;
    }

    frames.clear();
    makeOutput(true, 5);
    timeline->audioFails = true;
    live->playRange(slider.get(), false);
    ASSERT_EQ(frames.size(), 5u);
    std::vector<uint8_t> expected = timeline->frameNumber(2);
    platform::dvInsertAudio(expected, std::vector<uint8_t>(1920 * 4, 0), 1920 * 4, 48000);
    EXPECT_EQ(frames[2], expected);
}
