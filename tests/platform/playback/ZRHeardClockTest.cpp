#include "platform/playback/ZRHeardClock.h"
#include "platform/playback/ZRNullOutput.h"
#include "platform/playback/ZRWavOutput.h"
#include "tests/platform/playback/PlaybackTestSource.h"
#include "tests/support/GuiApplication.h"

#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <vector>

namespace {

constexpr ZRMediaTime kSecond = kZRMediaTimePerSecond;

// An output that takes sound faster than it plays: everything written is heard at once.
TEST(ZRHeardClock, AnOutputThatSwallowsSoundCannotRunAheadOfTheReference) {
    ZRManualClock reference;
    reference.set(5 * kSecond);
    std::unique_ptr<ZRSoundOutput> output = std::make_unique<ZRNullOutput>(nullptr);
    ASSERT_TRUE(output->open(ZRAudioFormat{8000, 16, 1}, nullptr));
    ZRHeardClock clock(output, &reference);
    clock.setSlack(kSecond / 25);
    clock.restart();

    std::vector<int16_t> tenSeconds(80000);
    ASSERT_EQ(output->write(tenSeconds.data(), 80000), 80000);
    EXPECT_EQ(clock.now(), kSecond / 25) << "one frame ahead at most";
    reference.advance(2 * kSecond);
    EXPECT_EQ(clock.elapsed(), 2 * kSecond);
    EXPECT_EQ(clock.now(), 2 * kSecond + kSecond / 25);
    reference.advance(20 * kSecond);
    EXPECT_EQ(clock.now(), 10 * kSecond) << "past what was written: the heard position";

    // A restart of the output starts the span again.
    output->restart();
    clock.restart();
    EXPECT_EQ(clock.now(), 0);
    EXPECT_EQ(clock.elapsed(), 0);
    clock.setSlack(-5);
    EXPECT_EQ(clock.slack(), 0);
}

// The pipeline on a free-running WAV output and the real clock: the shown position never runs
// more than a frame ahead of the time since play began, and the sound is not taken at once.
TEST(ZRHeardClock, APipelineOnAFreeOutputPlaysInRealTime) {
    testsupport::guiApplication();
    QTemporaryDir dir;
    NumberedSource source;
    source.length = 250 * NumberedSource::kFrame; // 10 s
    const QString wav = dir.filePath("free.wav");
    using Clock = std::chrono::steady_clock;
    int64_t playedUs = 0;
    ZRMediaTime last = 0;
    {
        ZRPlaybackPipeline p(std::make_unique<ZRWavOutput>(wav, nullptr));
        ASSERT_TRUE(p.setSource(&source));
        const auto began = Clock::now();
        ASSERT_TRUE(p.run());
        while (Clock::now() - began < std::chrono::milliseconds(600)) {
            const ZRMediaTime position = p.currentPosition();
            const auto since =
                std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - began).count();
            ASSERT_LE(position, ZRMediaTime(since) * 10 + NumberedSource::kFrame);
            last = position;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        p.stop();
        playedUs =
            std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - began).count();
    }
    EXPECT_GT(last, 0) << "it plays";
    // The sound written: what was played plus the quarter second the audio thread may lead by,
    // and one chunk; never the whole 10 s.
    const qint64 bytesPerSecond = 2 * NumberedSource::kRate;
    EXPECT_LE(QFileInfo(wav).size() - 44, bytesPerSecond * (playedUs + 250000 + 20000) / 1000000);
}

} // namespace
