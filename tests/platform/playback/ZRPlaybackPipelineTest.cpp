#include "platform/playback/ZRNullOutput.h"
#include "platform/playback/ZRWavOutput.h"
#include "tests/platform/playback/PlaybackTestSource.h"
#include "tests/support/GuiApplication.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <vector>

namespace {

constexpr ZRMediaTime kFrame = NumberedSource::kFrame;
constexpr int kNotify = 0x8001;

class PlaybackPipeline : public ::testing::Test {
protected:
    void SetUp() override { testsupport::guiApplication(); }

    /// A pipeline on the manual clock, its sound consumed at the clock's pace.
    std::unique_ptr<ZRPlaybackPipeline> makePipeline(std::unique_ptr<ZRSoundOutput> output = {}) {
        if (!output) output = std::make_unique<ZRNullOutput>(&clock);
        auto p = std::make_unique<ZRPlaybackPipeline>(std::move(output), &clock);
        EXPECT_TRUE(p->setSource(&source));
        return p;
    }

    int64_t shownNumber(ZRPlaybackPipeline& p) {
        return NumberedSource::numberOf(p.surface()->currentFrame());
    }

    /// Steps the clock by `step` until it has moved by `span`, recording each picture number as
    /// it changes.
    std::vector<int64_t> play(ZRPlaybackPipeline& p, ZRMediaTime span, ZRMediaTime step,
                              const std::function<bool()>& held = {}) {
        std::vector<int64_t> seen;
        auto record = [&] {
            const int64_t n = shownNumber(p);
            if (n >= 0 && (seen.empty() || seen.back() != n)) seen.push_back(n);
            // Never ahead of the clock.
            EXPECT_LE(p.surface()->currentFrameTime(), p.currentPosition());
        };
        EXPECT_TRUE(settle(p, held));
        record();
        for (const ZRMediaTime until = clock.now() + span; clock.now() < until;) {
            clock.advance(step);
            EXPECT_TRUE(settle(p, held));
            record();
        }
        return seen;
    }

    ZRManualClock clock;
    NumberedSource source;
};

TEST_F(PlaybackPipeline, ShowsEachFrameAtItsTimeAndCompletesOnceAtTheStop) {
    auto p = makePipeline();
    EventCounter notified(kNotify);
    p->setNotifyTarget(&notified, kNotify);
    const ZRMediaTime stop = 10 * kFrame;
    p->setPositions(nullptr, &stop);

    EXPECT_FALSE(p->surface()->isVisible());
    ASSERT_TRUE(p->run());
    EXPECT_TRUE(p->surface()->isVisible());

    const auto seen = play(*p, 12 * kFrame, kFrame / 2);
    EXPECT_EQ(seen, (std::vector<int64_t>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
    EXPECT_EQ(p->stats().shown, 10);
    EXPECT_EQ(p->stats().dropped, 0);
    EXPECT_LT(p->stats().largestOffset, kFrame);

    ASSERT_TRUE(waitFor([&] { return notified.count > 0; }));
    int code = 0;
    ASSERT_TRUE(p->getEvent(&code));
    EXPECT_EQ(code, ZRPlaybackPipeline::kEventComplete);
    clock.advance(5 * kFrame);
    ASSERT_TRUE(settle(*p));
    EXPECT_FALSE(p->getEvent(&code));
    EXPECT_EQ(notified.count, 1);
    EXPECT_EQ(p->currentPosition(), stop);
}

TEST_F(PlaybackPipeline, PauseHoldsThePositionAndPlayResumesThere) {
    auto p = makePipeline();
    ASSERT_TRUE(p->run());
    play(*p, 5 * kFrame, kFrame);
    EXPECT_EQ(shownNumber(*p), 5);

    ASSERT_TRUE(p->pause());
    EXPECT_EQ(p->state(), ZRPlaybackPipeline::Paused);
    EXPECT_EQ(p->currentPosition(), 5 * kFrame);
    clock.advance(25 * kFrame);
    EXPECT_EQ(p->currentPosition(), 5 * kFrame);
    EXPECT_EQ(shownNumber(*p), 5);

    ASSERT_TRUE(p->run());
    ASSERT_TRUE(settle(*p));
    EXPECT_EQ(p->currentPosition(), 5 * kFrame);
    clock.advance(kFrame);
    ASSERT_TRUE(settle(*p));
    EXPECT_EQ(shownNumber(*p), 6);
}

TEST_F(PlaybackPipeline, SeekWhileRunningGoesOnFromTheNewPosition) {
    auto p = makePipeline();
    ASSERT_TRUE(p->run());
    play(*p, 3 * kFrame, kFrame);
    const ZRMediaTime target = 40 * kFrame;
    p->setPositions(&target, nullptr);
    ASSERT_TRUE(settle(*p));
    EXPECT_EQ(shownNumber(*p), 40);
    EXPECT_EQ(p->currentPosition(), target);
    play(*p, 2 * kFrame, kFrame);
    EXPECT_EQ(shownNumber(*p), 42);
    EXPECT_EQ(p->stats().dropped, 0);

    // Stopped, the position stays where it was.
    p->stop();
    EXPECT_EQ(p->currentPosition(), 42 * kFrame);
}

TEST_F(PlaybackPipeline, ASlowFrameIsDroppedAloneAndTheSoundGoesOnUnbroken) {
    QTemporaryDir dir;
    const QString wav = dir.filePath("ramp.wav");
    // Every tenth picture is ready only half a frame after the next one is due.
    std::atomic<ZRMediaTime> heldUntil{-1};
    source.beforeRender = [&](int64_t index) {
        if (index % 10 != 9) return;
        heldUntil = index * kFrame + 3 * kFrame / 2;
        while (clock.now() < heldUntil)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    };
    // Held until the clock reaches the release time; after it, the pipeline has work to do.
    auto held = [&] { return clock.now() < heldUntil; };
    {
        auto p = makePipeline(std::make_unique<ZRWavOutput>(wav, nullptr));
        const ZRMediaTime stop = 40 * kFrame;
        p->setPositions(nullptr, &stop);
        ASSERT_TRUE(p->run());
        const auto seen = play(*p, 41 * kFrame, kFrame / 4, held);
        std::vector<int64_t> expected;
        for (int64_t n = 0; n < 40; ++n)
            if (n % 10 != 9) expected.push_back(n);
        EXPECT_EQ(seen, expected);
        EXPECT_EQ(p->stats().dropped, 4);
        EXPECT_EQ(p->stats().shown, 36);
    }
    QFile file(wav);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    ASSERT_GT(bytes.size(), 44);
    const int samples = int(bytes.size() - 44) / 2;
    EXPECT_EQ(samples, 40 * NumberedSource::kRate / 25);
    const auto* pcm = reinterpret_cast<const int16_t*>(bytes.constData() + 44);
    int breaks = 0;
    for (int i = 0; i < samples; ++i)
        breaks += pcm[i] != int16_t(i % 32768);
    EXPECT_EQ(breaks, 0);
}

TEST_F(PlaybackPipeline, CommandsWithoutASourceChangeNothing) {
    ZRPlaybackPipeline p(std::make_unique<ZRNullOutput>(&clock), &clock);
    EXPECT_FALSE(p.run());
    EXPECT_FALSE(p.pause());
    EXPECT_EQ(p.state(), ZRPlaybackPipeline::Stopped);
    EXPECT_FALSE(p.setSource(nullptr));
}

TEST_F(PlaybackPipeline, ClosingTheFullScreenSurfaceAbortsOnce) {
    auto p = makePipeline();
    EventCounter notified(kNotify);
    p->setNotifyTarget(&notified, kNotify);
    ASSERT_TRUE(p->run());
    ASSERT_TRUE(p->surface()->setFullScreenMode(true));
    p->surface()->close();
    // The surface stays for the pipeline; the close is an event.
    EXPECT_NE(p->surface(), nullptr);
    ASSERT_TRUE(waitFor([&] { return notified.count == 1; }));
    int code = 0;
    ASSERT_TRUE(p->getEvent(&code));
    EXPECT_EQ(code, ZRPlaybackPipeline::kEventUserAbort);
    EXPECT_FALSE(p->getEvent(&code));
}

// Real time on a paced null output: every command in quick succession, many times over, and
// the pipeline destroyed while it runs.
TEST_F(PlaybackPipeline, StartStopSeekAndReleaseRepeatedlyAndDestroyWhileRunning) {
    NumberedSource real;
    for (int round = 0; round < 200; ++round) {
        ZRPlaybackPipeline p(std::make_unique<ZRNullOutput>());
        ASSERT_TRUE(p.setSource(&real));
        ASSERT_TRUE(p.run());
        const ZRMediaTime seek = (round % 50) * kFrame;
        p.setPositions(&seek, nullptr);
        if (round % 3 == 0) p.pause();
        if (round % 2 == 0) {
            p.stop();
            ASSERT_TRUE(p.setSource(&real));
            ASSERT_TRUE(p.run());
        }
        if (round % 5 == 0) std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

} // namespace
