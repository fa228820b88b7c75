#include "platform/aviwriter/AviWriter.h"
#include "platform/aviwriter/AviCompressors.h"

#include "tests/plugins/export/FFprobe.h"
#include "tests/support/FullDisk.h"
#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using namespace platform;

namespace {

std::string outPath(const char* name) {
    return (testsupport::homeFolder() + "/" + name).toStdString();
}

// A picture that changes from frame to frame, so that encoders have something to code.
std::vector<unsigned char> picture(int width, int height, int frame) {
    std::vector<unsigned char> pixels(size_t(width) * size_t(height) * 4);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            unsigned char* p = &pixels[(size_t(y) * size_t(width) + size_t(x)) * 4];
            p[0] = uint8_t(x + frame * 4);
            p[1] = uint8_t(y * 2);
            p[2] = uint8_t((x ^ y) + frame);
            p[3] = 255;
        }
    return pixels;
}

std::vector<unsigned char> silence(int bytes) {
    return std::vector<unsigned char>(size_t(bytes), 0);
}

uint32_t word(const QByteArray& data, qsizetype at) {
    return uint32_t(uint8_t(data[at])) | uint32_t(uint8_t(data[at + 1])) << 8 |
           uint32_t(uint8_t(data[at + 2])) << 16 | uint32_t(uint8_t(data[at + 3])) << 24;
}

// The sizes of the chunks `id` in the file's "movi" list, as the writer stored them (a reader
// may cut them up again).
std::vector<int> chunkSizes(const std::string& path, const char* id) {
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly)) return {};
    const QByteArray data = file.readAll();
    const qsizetype movi = data.indexOf("movi");
    if (movi < 8) return {};
    const qsizetype end = movi + qsizetype(word(data, movi - 4));
    std::vector<int> sizes;
    for (qsizetype at = movi + 4; at + 8 <= std::min(end, data.size());) {
        const uint32_t size = word(data, at + 4);
        if (data.mid(at, 4) == id) sizes.push_back(int(size));
        at += 8 + qsizetype(size + (size & 1));
    }
    return sizes;
}

} // namespace

TEST(AviWriter, FrameDurationTruncates) {
    EXPECT_EQ(aviFrameDuration(25.0), 400000);
    EXPECT_EQ(aviFrameDuration(29.97), 333667);
    EXPECT_EQ(aviFrameDuration(0.0), 0);
    EXPECT_EQ(aviFrameDuration(-5.0), 0);
    EXPECT_EQ(aviFrameDuration(NAN), 0);
}

TEST(AviWriter, ListsTheDefaultsAndOnlyPresentEncoders) {
    const auto video = aviCompressorNames(true);
    const auto audio = aviCompressorNames(false);
    EXPECT_NE(std::find(video.begin(), video.end(), "Cinepak Codec by Radius"), video.end());
    EXPECT_EQ(audio, std::vector<std::string>{"PCM"});
    for (const std::string& name : video)
        EXPECT_NE(aviVideoEncoder(name.c_str()), nullptr) << name;
    EXPECT_EQ(aviVideoEncoder("Indeo"), nullptr);
    EXPECT_EQ(aviAudioEncoder("PCM", 12), nullptr);
}

// Every listed compressor writes a file that probes as an AVI with its frames and PCM audio.
TEST(AviWriter, EachCompressorWritesAPlayableFile) {
    struct Case {
        const char* name;
        const char* codec;
        int width, height;
        double rate;
    };
    const Case cases[] = {
        {"Cinepak Codec by Radius", "cinepak", 160, 120, 25.0},
        {"Motion JPEG", "mjpeg", 320, 240, 25.0},
        {"DV", "dvvideo", 720, 576, 25.0},
        {"DV", "dvvideo", 720, 480, 29.97},
        {"MPEG-4", "mpeg4", 320, 240, 29.97},
        {"FFV1", "ffv1", 320, 240, 30.0},
        {"H.264", "h264", 320, 240, 25.0},
    };
    const auto present = aviCompressorNames(true);
    for (const Case& c : cases) {
        if (std::find(present.begin(), present.end(), c.name) == present.end()) continue;
        SCOPED_TRACE(std::string(c.name) + " " + std::to_string(c.height));
        const std::string path = outPath("compressor.avi");
        AviWriter writer;
        ASSERT_EQ(writer.openDShow(c.name, "PCM", path.c_str(), c.width, c.height, c.rate, 48000, 2,
                                   16, 0, -1, -1, -1),
                  kAviOk);
        const int frames = 10;
        const int audioPerFrame = int(48000 / c.rate) * 4;
        for (int i = 0; i < frames; ++i) {
            const auto pixels = picture(c.width, c.height, i);
            ASSERT_EQ(writer.genAudioSample(silence(audioPerFrame).data(), audioPerFrame), 0);
            ASSERT_EQ(writer.genVideoSample(pixels.data(), c.width * 4), 0);
        }
        ASSERT_EQ(writer.closeDShow(0), 0);

        const ffprobe::Probe probe = ffprobe::probe(path);
        ASSERT_TRUE(probe.ok);
        EXPECT_EQ(probe.format, "avi");
        const ffprobe::Stream* video = probe.first("video");
        const ffprobe::Stream* audio = probe.first("audio");
        ASSERT_TRUE(video && audio);
        EXPECT_EQ(video->codec, c.codec);
        EXPECT_EQ(video->width, c.width);
        EXPECT_EQ(video->height, c.height);
        EXPECT_NEAR(video->rate, c.rate, 0.01);
        EXPECT_EQ(video->packets, frames);
        EXPECT_EQ(audio->codec, "pcm_s16le");
        EXPECT_EQ(audio->sampleRate, 48000);
        EXPECT_EQ(audio->channels, 2);
    }
}

TEST(AviWriter, RefusalsComeBeforeAnyFile) {
    struct Case {
        const char* video;
        const char* audio;
        int width, height, bits;
        int expected;
    };
    const Case cases[] = {
        {"Indeo", "PCM", 320, 240, 16, kAviVideoRefused},
        {"DV", "PCM", 640, 480, 16, kAviVideoRefused},
        {"Motion JPEG", "PCM", 0, 240, 16, kAviVideoRefused},
        {"Motion JPEG", "PCM", 320, 240, 12, kAviAudioRefused},
        {"Motion JPEG", "MP3", 320, 240, 16, kAviAudioRefused},
        {nullptr, nullptr, 320, 240, 16, kAviAudioRefused},
    };
    for (const Case& c : cases) {
        const std::string path = outPath("refused.avi");
        QFile::remove(QString::fromStdString(path));
        AviWriter writer;
        EXPECT_EQ(writer.openDShow(c.video, c.audio, path.c_str(), c.width, c.height, 25.0, 44100,
                                   2, c.bits, 0, -1, -1, -1),
                  c.expected)
            << (c.video ? c.video : "none") << " " << c.bits;
        EXPECT_FALSE(writer.isOpen());
        EXPECT_FALSE(QFile::exists(QString::fromStdString(path)));
    }
}

// Pieces of at most 10240 bytes of whole sample frames: 25000 bytes of 16-bit stereo go out as
// 10240, 10240 and 4520.
TEST(AviWriter, AudioGoesOutInPieces) {
    const std::string path = outPath("audio.avi");
    AviWriter writer;
    ASSERT_EQ(
        writer.openDShow(nullptr, "PCM", path.c_str(), 0, 0, 25.0, 44100, 2, 16, 0, -1, -1, -1),
        kAviOk);
    ASSERT_EQ(writer.genAudioSample(silence(25000).data(), 25000), 0);
    // A partial sample frame waits for its rest.
    ASSERT_EQ(writer.genAudioSample(silence(3).data(), 3), 0);
    ASSERT_EQ(writer.genAudioSample(silence(5).data(), 5), 0);
    ASSERT_EQ(writer.closeDShow(0), 0);
    const ffprobe::Probe probe = ffprobe::probe(path);
    ASSERT_TRUE(probe.ok);
    EXPECT_EQ(probe.first("video"), nullptr);
    EXPECT_EQ(chunkSizes(path, "00wb"), (std::vector<int>{10240, 10240, 4520, 8}));
}

// Without an audio compressor the file has pictures only; sound handed over is dropped.
TEST(AviWriter, WithoutAnAudioCompressorTheFileHasNoSound) {
    const std::string path = outPath("silent.avi");
    AviWriter writer;
    ASSERT_EQ(writer.openDShow("Motion JPEG", nullptr, path.c_str(), 160, 120, 25.0, 44100, 2, 16,
                               0, -1, -1, -1),
              kAviOk);
    for (int i = 0; i < 3; ++i)
        ASSERT_EQ(writer.genVideoSample(picture(160, 120, i).data(), 160 * 4), 0);
    EXPECT_EQ(writer.genAudioSample(silence(4000).data(), 4000), 0);
    ASSERT_EQ(writer.closeDShow(0), 0);
    const ffprobe::Probe probe = ffprobe::probe(path);
    ASSERT_TRUE(probe.ok);
    EXPECT_NE(probe.first("video"), nullptr);
    EXPECT_EQ(probe.first("audio"), nullptr);
}

TEST(AviWriter, KeyFrameValueSetsTheInterval) {
    const std::string path = outPath("keys.avi");
    AviWriter writer;
    ASSERT_EQ(
        writer.openDShow("MPEG-4", "PCM", path.c_str(), 160, 120, 25.0, 44100, 2, 16, 0, -1, -1, 5),
        kAviOk);
    for (int i = 0; i < 12; ++i)
        ASSERT_EQ(writer.genVideoSample(picture(160, 120, i).data(), 160 * 4), 0);
    ASSERT_EQ(writer.closeDShow(0), 0);
    const std::vector<bool> keys = ffprobe::keyFrames(path);
    ASSERT_EQ(keys.size(), 12u);
    for (size_t i = 0; i < keys.size(); ++i)
        EXPECT_EQ(keys[i], i % 5 == 0) << i;
}

TEST(AviWriter, UnwritablePlacesAreFailures) {
    AviWriter writer;
    const int missing = writer.openDShow("Motion JPEG", "PCM", "/nonexistent/folder/x.avi", 160,
                                         120, 25.0, 44100, 2, 16, 0, -1, -1, -1);
    EXPECT_NE(missing, kAviOk);
    EXPECT_NE(missing, kAviVideoRefused);
    EXPECT_NE(missing, kAviAudioRefused);
    EXPECT_FALSE(writer.isOpen());

    // A full disk: whatever step notices it, the writer never reports the whole file written,
    // and after the first failure nothing more is pushed.
    int result = writer.openDShow("Motion JPEG", "PCM", "/dev/full", 160, 120, 25.0, 44100, 2, 16,
                                  0, -1, -1, -1);
    if (result == kAviOk) {
        for (int i = 0; i < 200 && result == 0; ++i)
            result = writer.genVideoSample(picture(160, 120, i).data(), 160 * 4);
        if (result != 0) {
            EXPECT_EQ(writer.genVideoSample(picture(160, 120, 0).data(), 640), result);
        }
        result = writer.closeDShow(result);
    }
    EXPECT_NE(result, kAviOk);
}

TEST(AviWriter, PushesIntoAClosedWriterFail) {
    AviWriter writer;
    const auto pixels = picture(16, 16, 0);
    EXPECT_NE(writer.genVideoSample(pixels.data(), 64), 0);
    EXPECT_NE(writer.genAudioSample(pixels.data(), 64), 0);
    EXPECT_EQ(writer.closeDShow(7), 7);
}

// Only a complete file of an export that went well takes its name: a failed export (reported by
// the caller, or a disk that fills up) removes what it wrote and leaves a file that stood under
// the name before as it was.
TEST(AviWriter, OnlyACompleteFileTakesItsName) {
    const QString dir = testsupport::homeFolder() + "/complete";
    QDir(dir).removeRecursively();
    ASSERT_TRUE(QDir().mkpath(dir));
    const std::string done = (dir + "/done.avi").toStdString();
    const std::string failed = (dir + "/failed.avi").toStdString();
    {
        QFile old(QString::fromStdString(failed));
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("earlier");
    }
    auto write = [](const std::string& path, int frames, int code) {
        AviWriter writer;
        int result = writer.openDShow("Motion JPEG", "PCM", path.c_str(), 160, 120, 25.0, 44100, 2,
                                      16, 0, -1, -1, -1);
        for (int i = 0; i < frames && result == 0; ++i)
            result = writer.genVideoSample(picture(160, 120, i).data(), 160 * 4);
        EXPECT_FALSE(QFile::exists(QString::fromStdString(path)) &&
                     QFileInfo(QString::fromStdString(path)).size() > 7)
            << "nothing under the name before the file is complete";
        return writer.closeDShow(result ? result : code);
    };
    EXPECT_EQ(write(done, 5, 0), kAviOk);
    EXPECT_EQ(write(failed, 5, 1), 1);

    EXPECT_TRUE(testsupport::onFullDisk(
        64 << 10, [&] { return write((dir + "/full.avi").toStdString(), 200, 0) != kAviOk; }));

    EXPECT_EQ(QDir(dir).entryList(QDir::Files | QDir::Hidden).join(' ').toStdString(),
              "done.avi failed.avi");
    QFile old(QString::fromStdString(failed));
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    EXPECT_EQ(old.readAll(), "earlier");
    EXPECT_TRUE(ffprobe::probe(done).ok);
}

// A writer killed while it writes leaves its file under the pending name. The next file of the
// name takes an export's leftover over; a recording's stays for the user to rescue.
TEST(AviWriter, ARecordingsLeftoverOutlivesTheNextFileOfItsName) {
    for (const bool recording : {false, true}) {
        SCOPED_TRACE(recording ? "recording" : "export");
        const QString dir = testsupport::homeFolder() + "/killed";
        QDir(dir).removeRecursively();
        ASSERT_TRUE(QDir().mkpath(dir));
        const std::string path = (dir + "/take.avi").toStdString();
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            AviWriter writer;
            writer.setRecording(recording);
            int result = writer.openDShow("Motion JPEG", "PCM", path.c_str(), 160, 120, 25.0, 44100,
                                          2, 16, 0, -1, -1, -1);
            for (int i = 0; i < 5 && result == 0; ++i)
                result = writer.genVideoSample(picture(160, 120, i).data(), 160 * 4);
            if (result != 0) ::_exit(1);
            ::raise(SIGKILL);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status));
        ASSERT_TRUE(QFile::exists(QString::fromStdString(path + ".part")));

        AviWriter writer;
        ASSERT_EQ(writer.openDShow("Motion JPEG", "PCM", path.c_str(), 160, 120, 25.0, 44100, 2, 16,
                                   0, -1, -1, -1),
                  kAviOk);
        ASSERT_EQ(writer.genVideoSample(picture(160, 120, 0).data(), 160 * 4), 0);
        EXPECT_EQ(writer.closeDShow(0), kAviOk);
        EXPECT_EQ(QDir(dir).entryList(QDir::Files | QDir::Hidden).join(' ').toStdString(),
                  recording ? "take.avi take.avi.part" : "take.avi");
    }
}

// DV frames encoded on several contexts at once are muxed in order: the file is the one a single
// context writes, byte for byte, also when the frame count is not a multiple of the contexts and
// when a failed export's frames are still on their way.
TEST(AviWriter, DvOnSeveralContextsWritesTheSameBytes) {
    auto write = [](const std::string& path, int workers, int frames, int code) {
        AviWriter writer;
        writer.setEncoderWorkers(workers);
        EXPECT_EQ(writer.openDShow("DV", "PCM", path.c_str(), 720, 576, 25.0, 48000, 2, 16, 0, -1,
                                   -1, -1),
                  kAviOk);
        for (int i = 0; i < frames; ++i) {
            EXPECT_EQ(writer.genAudioSample(silence(1920 * 4).data(), 1920 * 4), 0);
            EXPECT_EQ(writer.genVideoSample(picture(720, 576, i).data(), 720 * 4), 0);
        }
        return writer.closeDShow(code);
    };
    auto bytes = [](const std::string& path) {
        QFile file(QString::fromStdString(path));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    const std::string serial = outPath("dv_serial.avi");
    ASSERT_EQ(write(serial, 1, 23, 0), kAviOk);
    const QByteArray expected = bytes(serial);
    ASSERT_GT(expected.size(), 23 * 144000);
    for (int workers : {2, 3, 8}) {
        SCOPED_TRACE(workers);
        const std::string parallel = outPath("dv_parallel.avi");
        ASSERT_EQ(write(parallel, workers, 23, 0), kAviOk);
        EXPECT_TRUE(bytes(parallel) == expected);
    }
    const std::string abandoned = outPath("dv_abandoned.avi");
    EXPECT_EQ(write(abandoned, 8, 40, 1), 1);
    EXPECT_FALSE(QFile::exists(QString::fromStdString(abandoned)));
}
