#include "platform/playback/ZRFileSource.h"
#include "tests/platform/playback/TestClip.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <vector>

namespace {

class FileSource : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir = new QTemporaryDir;
        ASSERT_TRUE(writeTestClip(dir->filePath("clip.avi")));
    }
    static void TearDownTestSuite() { delete dir; }

    void SetUp() override { ASSERT_TRUE(source.open(dir->filePath("clip.avi"))); }

    /// The blue of the picture in `pixels` (the clip's pictures are flat).
    static int blue(const std::vector<unsigned char>& pixels) {
        return pixels[64 * 4 * 24 + 4 * 32];
    }

    static QTemporaryDir* dir;
    ZRFileSource source;
    std::vector<unsigned char> pixels = std::vector<unsigned char>(64 * 48 * 4);
};

QTemporaryDir* FileSource::dir = nullptr;

TEST_F(FileSource, DescribesTheClip) {
    ZRMediaTime d = 0;
    ASSERT_EQ(source.getDuration(&d), kZROk);
    EXPECT_EQ(d, 20000000);
    ASSERT_EQ(source.getFrameDuration(&d), kZROk);
    EXPECT_EQ(d, 400000);
    ZRVideoFormatRecord v{};
    ASSERT_EQ(source.getVideoFormat(0, &v), kZROk);
    EXPECT_EQ(v.width, 64);
    EXPECT_EQ(v.height, 48);
    EXPECT_EQ(v.averageTimePerFrame, 400000);
    EXPECT_EQ(source.setVideoFormat(&v), kZROk);
    EXPECT_EQ(source.getVideoFormat(1, &v), kZRNoMoreItems);
    ZRAudioFormatRecord a{};
    ASSERT_EQ(source.getAudioFormat(0, &a), kZROk);
    EXPECT_EQ(a.sampleRate, 8000);
    EXPECT_EQ(a.bitsPerSample, 16);
    EXPECT_EQ(a.channels, 1);
}

TEST_F(FileSource, PicturesFollowOnFromASeekUntilTheEnd) {
    ASSERT_EQ(source.renderVideoAt(10000000, 0, pixels.data(), 64 * 4), kZROk);
    EXPECT_NEAR(blue(pixels), 125, 2);
    ZRMediaTime t = 0;
    ASSERT_EQ(source.renderNextVideo(0, pixels.data(), 64 * 4, &t), kZROk);
    EXPECT_EQ(t, 10400000);
    EXPECT_NEAR(blue(pixels), 130, 2);

    ASSERT_EQ(source.renderVideoAt(40 * 400000, 0, pixels.data(), 64 * 4), kZROk);
    EXPECT_NEAR(blue(pixels), 200, 2);
    ASSERT_EQ(source.renderVideoAt(49 * 400000, 0, pixels.data(), 64 * 4), kZROk);
    EXPECT_EQ(source.renderNextVideo(0, pixels.data(), 64 * 4, &t), kZRFail);
    EXPECT_EQ(t, 20000000);
    // A row shorter than the picture is refused.
    EXPECT_EQ(source.renderVideoAt(0, 0, pixels.data(), 60), kZRFail);
}

TEST_F(FileSource, SoundStartsAtTheSeekAndEndsWithTheFile) {
    ASSERT_EQ(source.seekAudio(10000000), kZROk);
    std::vector<int16_t> sound(1000, -1);
    int32_t size = 2000;
    ZRMediaTime t = -1;
    ASSERT_EQ(source.renderAudio(0, reinterpret_cast<unsigned char*>(sound.data()), &size, &t),
              kZROk);
    EXPECT_EQ(size, 2000);
    EXPECT_EQ(t, 10000000);
    int breaks = 0;
    for (int i = 0; i < 1000; ++i)
        breaks += sound[size_t(i)] != int16_t(8000 + i);
    EXPECT_EQ(breaks, 0);

    // An odd byte count gives whole sample frames only.
    size = 7;
    ASSERT_EQ(source.renderAudio(0, reinterpret_cast<unsigned char*>(sound.data()), &size, &t),
              kZROk);
    EXPECT_EQ(size, 6);

    ASSERT_EQ(source.seekAudio(19990000), kZROk);
    size = 2000;
    ASSERT_EQ(source.renderAudio(0, reinterpret_cast<unsigned char*>(sound.data()), &size, &t),
              kZROk);
    EXPECT_EQ(size, 16);
    size = 2000;
    EXPECT_EQ(source.renderAudio(0, reinterpret_cast<unsigned char*>(sound.data()), &size, &t),
              kZRFail);
    EXPECT_EQ(size, 0);
}

// Motion JPEG codes full-range 4:4:4: its greys read back as written, frame after frame
// (the conversion to BGRA keeps the source's range between pictures).
TEST(FileSourceOpen, MotionJpegKeepsItsGreys) {
    QTemporaryDir dir;
    const QString path = dir.filePath("mjpeg.avi");
    ASSERT_TRUE(writeTestClip(path, 50, "Motion JPEG"));
    ZRFileSource source;
    ASSERT_TRUE(source.open(path));
    std::vector<unsigned char> pixels(64 * 48 * 4);
    for (int frame : {40, 41, 10, 11}) {
        ASSERT_EQ(source.renderVideoAt(int64_t(frame) * 400000, 0, pixels.data(), 64 * 4), kZROk);
        for (int channel = 0; channel < 3; ++channel)
            EXPECT_NEAR(pixels[64 * 4 * 24 + 4 * 32 + channel], frame * 5, 2) << frame;
    }
}

TEST(FileSourceOpen, FilesThatDoNotPlayAreRefused) {
    QTemporaryDir dir;
    const QString garbage = dir.filePath("garbage.avi");
    QFile f(garbage);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(4096, 'x'));
    f.close();
    for (const QString& path : {dir.filePath("missing.avi"), garbage}) {
        ZRFileSource source;
        QString error;
        EXPECT_FALSE(source.open(path, &error)) << path.toStdString();
        EXPECT_FALSE(error.isEmpty());
        ZRVideoFormatRecord v{};
        EXPECT_EQ(source.getVideoFormat(0, &v), kZRNoMoreItems);
        unsigned char pixel[4];
        EXPECT_EQ(source.renderVideoAt(0, 0, pixel, 4), kZRFail);
    }
}

} // namespace
