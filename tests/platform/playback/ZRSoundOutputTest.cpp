#include "platform/playback/ZRAlsaOutput.h"
#include "platform/playback/ZRNullOutput.h"
#include "platform/playback/ZRWavOutput.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>

#include <gtest/gtest.h>

#include <vector>

namespace {

constexpr ZRMediaTime kMs = 10000;

TEST(NullOutput, PacedByItsClockWithAboutATenthOfASecondBuffered) {
    ZRManualClock clock;
    ZRNullOutput out(&clock);
    ASSERT_TRUE(out.open({8000, 16, 1}, nullptr));
    std::vector<int16_t> block(2000);

    EXPECT_EQ(out.write(block.data(), 2000), 800); // 100 ms
    EXPECT_EQ(out.write(block.data(), 10), 0);
    EXPECT_EQ(out.heardFrames(), 0);

    clock.advance(50 * kMs);
    EXPECT_EQ(out.heardFrames(), 400);
    EXPECT_EQ(out.write(block.data(), 2000), 400);

    // The clock overtakes the sound: heard stops at what was written, and the next sound plays
    // from then on.
    clock.advance(500 * kMs);
    EXPECT_EQ(out.heardFrames(), 1200);
    EXPECT_EQ(out.underruns(), 0);
    EXPECT_EQ(out.write(block.data(), 80), 80);
    EXPECT_EQ(out.underruns(), 1);
    EXPECT_EQ(out.heardFrames(), 1200);
    clock.advance(10 * kMs);
    EXPECT_EQ(out.heardFrames(), 1280);

    out.restart();
    EXPECT_EQ(out.heardFrames(), 0);
    EXPECT_EQ(out.write(block.data(), 2000), 800);
}

TEST(NullOutput, RefusesFormatsItCannotCarryAndWritesNothingClosed) {
    ZRNullOutput out(nullptr);
    for (const ZRAudioFormat f : {ZRAudioFormat{48000, 12, 2}, ZRAudioFormat{0, 16, 2},
                                  ZRAudioFormat{48000, 16, 0}, ZRAudioFormat{48000, 16, 9}}) {
        QString error;
        EXPECT_FALSE(out.open(f, &error));
        EXPECT_FALSE(error.isEmpty());
    }
    int16_t sample = 0;
    EXPECT_EQ(out.write(&sample, 1), -1);
}

TEST(WavOutput, WritesAPlayableFileForEachSampleFormat) {
    QTemporaryDir dir;
    struct Case {
        ZRAudioFormat format;
        int frames;
    };
    for (const Case c : {Case{{8000, 8, 1}, 100}, Case{{48000, 16, 2}, 480},
                         Case{{44100, 24, 6}, 441}, Case{{96000, 32, 2}, 17}}) {
        const QString path = dir.filePath(QStringLiteral("out%1.wav").arg(c.format.bitsPerSample));
        const int bytes = c.frames * c.format.bytesPerFrame();
        std::vector<unsigned char> data(static_cast<size_t>(bytes));
        for (int i = 0; i < bytes; ++i)
            data[size_t(i)] = uint8_t(i * 7);
        {
            ZRWavOutput out(path, nullptr);
            ASSERT_TRUE(out.open(c.format, nullptr));
            ASSERT_EQ(out.write(data.data(), c.frames), c.frames);
            EXPECT_EQ(out.heardFrames(), c.frames); // free-running
        }
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray f = file.readAll();
        ASSERT_EQ(f.size(), 44 + bytes);
        const auto* h = reinterpret_cast<const uchar*>(f.constData());
        EXPECT_EQ(f.left(4), "RIFF");
        EXPECT_EQ(qFromLittleEndian<quint32>(h + 4), quint32(36 + bytes));
        EXPECT_EQ(f.mid(8, 8), "WAVEfmt ");
        EXPECT_EQ(qFromLittleEndian<quint16>(h + 22), c.format.channels);
        EXPECT_EQ(qFromLittleEndian<quint32>(h + 24), quint32(c.format.sampleRate));
        EXPECT_EQ(qFromLittleEndian<quint16>(h + 32), c.format.bytesPerFrame());
        EXPECT_EQ(qFromLittleEndian<quint16>(h + 34), c.format.bitsPerSample);
        EXPECT_EQ(qFromLittleEndian<quint32>(h + 40), quint32(bytes));
        EXPECT_EQ(std::memcmp(f.constData() + 44, data.data(), size_t(bytes)), 0);
    }
}

TEST(WavOutput, AnUnwritablePathFailsTheOpen) {
    ZRWavOutput out(QStringLiteral("/nonexistent-folder/x.wav"), nullptr);
    QString error;
    EXPECT_FALSE(out.open({48000, 16, 2}, &error));
    EXPECT_FALSE(error.isEmpty());
}

TEST(AlsaOutput, PlaysOnTheDefaultDeviceWhereOneOpens) {
    ZRAlsaOutput out;
    QString error;
    if (!out.open({48000, 16, 2}, &error))
        GTEST_SKIP() << "no sound device: " << error.toStdString();
    EXPECT_GT(out.latencyMs(), 0);
    EXPECT_LE(out.latencyMs(), 250);
    std::vector<int16_t> silence(2 * 2400); // 50 ms
    int64_t written = 0;
    for (int i = 0; i < 100 && written < 2400; ++i) {
        const int64_t n = out.write(silence.data() + 2 * written, 2400 - written);
        ASSERT_GE(n, 0);
        written += n;
        if (n == 0) out.waitForRoom(5);
    }
    EXPECT_EQ(written, 2400);
    EXPECT_LE(out.heardFrames(), written);
    out.restart();
    EXPECT_EQ(out.heardFrames(), 0);
}

} // namespace
