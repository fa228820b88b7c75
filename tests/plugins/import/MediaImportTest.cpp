// The media import module, used the way the engine uses it: the timeline suggests an import
// kind, the factory makes the clip, and the module access seeks and renders its frames and
// sound.
#include "engine/modules/ZRModuleAccess.h"
#include "engine/modules/ZRModuleManager.h"
#include "engine/render/ZRImage.h"
#include "engine/timeline/ZRTimeline.h"
#include "tests/engine/modules/ModuleFixture.h"
#include "tests/plugins/import/MediaFixture.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QRandomGenerator>

#include <chrono>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <future>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using namespace mediafixture;

namespace {

constexpr double kPi = 3.14159265358979323846;
// The lavfi tone's peak: 1/8 of full scale.
constexpr double kToneAmplitude = 32767.0 / 8.0;

struct Colour {
    int red, green, blue, alpha;
};

Colour pixel(IZRImage* image, int x, int y) {
    const unsigned char* p = image->pixels() + size_t(y) * size_t(image->stride()) + size_t(x) * 4;
    return Colour{p[2], p[1], p[0], p[3]};
}

// The grey-ramp fixtures give frame n the luma 16 + 4n of the video range.
int rampGrey(int frame) {
    return int(std::lround(4.0 * frame * 255.0 / 219.0));
}

class MediaImportTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_timeline = modulefixture::makeTimeline(programFolder().c_str());
        ASSERT_TRUE(m_timeline);
    }

    ZRTimeline* timeline() { return static_cast<ZRTimeline*>(m_timeline.get()); }
    IZRObjectFactory* factory() { return m_timeline->factory(); }
    IZRImage* image(int width, int height) { return factory()->createImage(width, height, 0); }
    IZRPos* at(int seconds, int frames, double rate) {
        return factory()->createPosAt(0, 0, seconds, frames, rate);
    }

    /// The module access the factory would make for `path`; null when it does not open.
    std::unique_ptr<ZRModuleAccess> open(const std::string& path) {
        const char* kind = m_timeline->suggestImportModule(path.c_str());
        const std::optional<QString> module = ZRModuleManager::modulePath("Import", kind, nullptr);
        EXPECT_TRUE(module) << "no import module for " << kind;
        if (!module) return nullptr;
        auto access = std::make_unique<ZRModuleAccess>(timeline());
        if (!access->open("Import", path.c_str(), module->toUtf8().constData())) return nullptr;
        return access;
    }

    /// `frames` sample frames of the access's sound from `seconds` on.
    std::vector<int16_t> sound(ZRModuleAccess& access, int seconds, int frames, int count,
                               double rate = 25.0, bool seek = true) {
        if (seek) {
            EXPECT_TRUE(access.seekAudio(at(seconds, frames, rate)));
        }
        const void* data = nullptr;
        int32_t bytes = 0;
        EXPECT_TRUE(access.renderAudio(count, &data, &bytes));
        const auto* samples = static_cast<const int16_t*>(data);
        return std::vector<int16_t>(samples, samples + bytes / 2);
    }

    modulefixture::Timeline m_timeline;
};

struct FileCase {
    const char* name;
    std::function<std::string()> make;
    bool video;
    bool audio;
    double rate;
    double length;
    int width, height;
    int sampleRate, channels;
    bool still;
    bool dv;
};

const FileCase kFiles[] = {
    {"DV AVI", dvAvi, true, true, 25.0, 2.0, 720, 576, 48000, 2, false, true},
    {"raw DV", rawDV, true, true, 25.0, 2.0, 720, 576, 48000, 2, false, true},
    {"MPEG-2 PS", mpegPS, true, true, 25.0, 2.0, 720, 576, 48000, 2, false, false},
    {"MPEG-2 TS", mpegTS, true, true, 25.0, 2.0, 720, 576, 48000, 2, false, false},
    {"MP4", mp4, true, true, 25.0, 2.0, 320, 240, 44100, 2, false, false},
    {"MKV", mkv, true, true, 25.0, 2.0, 320, 240, 48000, 2, false, false},
    {"WAV", wav, false, true, 0.0, 2.0, 0, 0, 44100, 1, false, false},
    {"MP3", mp3, false, true, 0.0, 2.0, 0, 0, 44100, 1, false, false},
    {"PNG", [] { return picture("png", "png"); }, true, false, 25.0, 5.0, 400, 300, 0, 0, true,
     false},
    {"BMP", [] { return picture("bmp", "bmp"); }, true, false, 25.0, 5.0, 400, 300, 0, 0, true,
     false},
    {"JPEG", [] { return picture("jpg", "mjpeg"); }, true, false, 25.0, 5.0, 400, 300, 0, 0, true,
     false},
};

} // namespace

TEST_F(MediaImportTest, EachKindOfFileOpensWithItsLengthsAndRates) {
    for (const FileCase& c : kFiles) {
        SCOPED_TRACE(c.name);
        const std::string path = c.make();
        ASSERT_FALSE(path.empty()) << "ffmpeg could not make the fixture";
        const char* kind = m_timeline->suggestImportModule(path.c_str());
        IZRObject* object = factory()->createObject("Import", kind, nullptr, path.c_str());
        ASSERT_NE(object, nullptr) << kind;
        EXPECT_EQ(object->hasVideo(), c.video);
        EXPECT_EQ(object->hasAudio(), c.audio);
        // The clip's length in the timeline's 30 frames per second.
        EXPECT_NEAR(object->duration()->toFrames(), c.length * 30.0, 2.0);
        factory()->destroyObject(object);

        auto access = open(path);
        ASSERT_TRUE(access);
        EXPECT_DOUBLE_EQ(access->frameRate(), c.rate);
        EXPECT_NEAR(access->playLength(), c.length, 0.06);
        EXPECT_NEAR(access->sourceLength(), c.still ? 35999.0 : c.length, 0.06);
        int width = 0, height = 0, rate = 0, bits = 0, channels = 0;
        EXPECT_EQ(access->videoDimensions(&width, &height), c.video);
        EXPECT_EQ(width * 10000 + height, c.width * 10000 + c.height);
        EXPECT_EQ(access->audioSettings(&rate, &bits, &channels), c.audio);
        if (c.audio) {
            EXPECT_EQ(rate, c.sampleRate);
            EXPECT_EQ(bits, 16);
            EXPECT_EQ(channels, c.channels);
        }
        EXPECT_EQ(access->formatCode(), c.dv ? ZR_FORMAT_DV : ZR_FORMAT_NONE);
    }
}

TEST_F(MediaImportTest, DVFramesShowTheColourOfTheirSecondAndPassOnTheirDVData) {
    for (const auto& make : {dvAvi, rawDV}) {
        const std::string path = make();
        auto access = open(path);
        ASSERT_TRUE(access) << path;
        IZRImage* full = image(720, 576);
        IZRImage* half = image(360, 288);
        // Out of order on purpose: every request lands on its own frame.
        for (const int frame : {49, 0, 24, 25, 1, 48}) {
            SCOPED_TRACE(frame);
            const bool red = frame < 25;
            for (IZRImage* target : {full, half}) {
                ASSERT_TRUE(access->renderVideo(at(0, frame, 25.0), target));
                const Colour c = pixel(target, target->width() / 2, target->height() / 2);
                EXPECT_GT(red ? c.red : c.blue, 200);
                EXPECT_LT(red ? c.blue : c.red, 40);
                EXPECT_LT(c.green, 40);
                EXPECT_EQ(c.alpha, 255);
            }
            auto* native = static_cast<ZRImage*>(image(720, 576));
            ASSERT_TRUE(access->nativeVideo(at(0, frame, 25.0), native));
            EXPECT_EQ(native->nativeKind(), ZR_NATIVE_DV);
            ASSERT_EQ(native->nativeLength(), 144000u);
            ASSERT_NE(native->nativeData(), nullptr);
            // The DIF header block of a 625-line frame.
            EXPECT_EQ(native->nativeData()[0] & 0xE0, 0x00);
            EXPECT_EQ(native->nativeData()[3] & 0x80, 0x80);
        }
    }
}

TEST_F(MediaImportTest, SeeksLandOnTheExactFrameBackwardsAndForwards) {
    const int sequence[] = {30, 5, 49, 13, 12, 14, 0, 37, 36, 24, 25, 26, 11, 2};
    for (const auto& make : {mpegPS, mpegTS, mp4, mkv}) {
        const std::string path = make();
        SCOPED_TRACE(path);
        auto access = open(path);
        ASSERT_TRUE(access);
        int width = 0, height = 0;
        ASSERT_TRUE(access->videoDimensions(&width, &height));
        IZRImage* target = image(width, height);
        for (const int frame : sequence) {
            ASSERT_TRUE(access->renderVideo(at(frame / 25, frame % 25, 25.0), target));
            const Colour c = pixel(target, width / 2, height / 2);
            EXPECT_NEAR(c.red, rampGrey(frame), 2) << "frame " << frame;
            EXPECT_NEAR(c.green, rampGrey(frame), 2) << "frame " << frame;
        }
        // A timeline at 30 frames per second asks for the frame shown at its time.
        ASSERT_TRUE(access->renderVideo(at(1, 15, 30.0), target));
        EXPECT_NEAR(pixel(target, width / 2, height / 2).red, rampGrey(38), 2);
    }
}

TEST_F(MediaImportTest, SoundStartsOnTheExactSampleAfterEverySeek) {
    struct Case {
        std::function<std::string()> make;
        int rate;
        int channels;
    };
    for (const Case& c : {Case{wav, 44100, 1}, Case{dvAvi, 48000, 2}, Case{mkv, 48000, 2}}) {
        const std::string path = c.make();
        SCOPED_TRACE(path);
        auto access = open(path);
        ASSERT_TRUE(access);
        auto expect = [&](const std::vector<int16_t>& samples, double seconds) {
            ASSERT_EQ(samples.size(), size_t(1000 * c.channels));
            const int64_t first = std::llround(seconds * c.rate);
            int wrong = 0;
            for (size_t i = 0; i < 1000; ++i) {
                const double t = double(first + int64_t(i)) / c.rate;
                const double value = kToneAmplitude * std::sin(2.0 * kPi * 440.0 * t);
                for (int channel = 0; channel < c.channels; ++channel)
                    wrong +=
                        std::abs(samples[i * size_t(c.channels) + size_t(channel)] - value) > 3.0;
            }
            EXPECT_EQ(wrong, 0) << "at " << seconds << " s";
        };
        expect(sound(*access, 1, 0, 1000), 1.0);
        expect(sound(*access, 0, 10, 1000), 0.4);
        expect(sound(*access, 1, 20, 1000), 1.8);
        expect(sound(*access, 0, 0, 1000), 0.0);
        // Reading on continues where the last read ended.
        const std::vector<int16_t> next = sound(*access, 0, 0, 1000, 25.0, false);
        expect(next, 1000.0 / c.rate);
    }
}

TEST_F(MediaImportTest, CompressedSoundIsTheToneAtItsLevel) {
    for (const auto& make : {mpegPS, mp4, mp3}) {
        const std::string path = make();
        SCOPED_TRACE(path);
        auto access = open(path);
        ASSERT_TRUE(access);
        int rate = 0, bits = 0, channels = 0;
        ASSERT_TRUE(access->audioSettings(&rate, &bits, &channels));
        const int count = rate / 10;
        const std::vector<int16_t> samples = sound(*access, 1, 0, count);
        ASSERT_EQ(samples.size(), size_t(count * channels));
        double power = 0.0;
        int crossings = 0;
        for (int i = 0; i < count; ++i) {
            const int16_t s = samples[size_t(i * channels)];
            power += double(s) * s;
            if (i > 0 && (samples[size_t((i - 1) * channels)] < 0) != (s < 0)) ++crossings;
        }
        EXPECT_NEAR(std::sqrt(power / count), kToneAmplitude / std::sqrt(2.0),
                    kToneAmplitude * 0.05);
        EXPECT_NEAR(crossings, 88, 2) << "440 Hz crosses zero 88 times in 0.1 s";
    }
}

TEST_F(MediaImportTest, SoundPastTheEndIsSilence) {
    auto access = open(wav());
    ASSERT_TRUE(access);
    // 1.96 s: 1764 frames remain of the 88200.
    const std::vector<int16_t> samples = sound(*access, 1, 24, 4000);
    ASSERT_EQ(samples.size(), 4000u);
    int loud = 0;
    for (size_t i = 0; i < 1764; ++i)
        loud += std::abs(samples[i]) > 100;
    EXPECT_GT(loud, 1500);
    for (size_t i = 1764; i < samples.size(); ++i)
        ASSERT_EQ(samples[i], 0) << i;
}

TEST_F(MediaImportTest, AStillPictureIsLetterboxedOverBlack) {
    for (const char* extension : {"png", "bmp", "jpg"}) {
        SCOPED_TRACE(extension);
        const std::string codec = std::strcmp(extension, "jpg") == 0 ? "mjpeg" : extension;
        auto access = open(picture(extension, codec));
        ASSERT_TRUE(access);
        IZRImage* target = image(720, 576);
        for (const int second : {0, 3}) {
            ASSERT_TRUE(access->renderVideo(at(second, 7, 25.0), target));
            // 400 x 300 fits as 720 x 540, 18 lines from the top.
            const Colour band = pixel(target, 360, 8);
            EXPECT_EQ(band.red + band.green + band.blue, 0);
            const Colour inside = pixel(target, 360, 288);
            EXPECT_NEAR(inside.green, 0xC0, 6);
            EXPECT_LT(inside.red + inside.blue, 12);
        }
    }
}

TEST_F(MediaImportTest, DamagedFilesFailToOpenOrShowBlack) {
    const std::string folder = mediaFolder();
    auto write = [&](const std::string& name, const QByteArray& bytes) {
        QFile file(QString::fromStdString(folder + name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return folder + name;
    };
    QByteArray noise(256 * 1024, '\0');
    QRandomGenerator generator(7);
    for (char& byte : noise)
        byte = char(generator.bounded(256));

    for (const std::string& path :
         {write("noise.avi", noise), write("empty.mpg", QByteArray()),
          truncated(mp4(), "cut.mp4", 4000), folder + "missing.avi", folder}) {
        SCOPED_TRACE(path);
        const char* kind = m_timeline->suggestImportModule(path.c_str());
        EXPECT_EQ(factory()->createObject("Import", kind, nullptr, path.c_str()), nullptr);
    }
    bool noted = false;
    for (const std::string& line : modulefixture::hostLog().debug)
        noted |= line.rfind("Media Import: cannot open '", 0) == 0;
    EXPECT_TRUE(noted) << "a failed open says why on the debug output";

    // Files cut short open from what is left; frames past the cut come out black or as the
    // last picture there is, never as a crash.
    const qint64 dvCut = QFile(QString::fromStdString(dvAvi())).size() / 3;
    for (const std::string& path :
         {truncated(dvAvi(), "cut_dv.avi", dvCut), truncated(mpegPS(), "cut_ps.mpg", 150000),
          truncated(rawDV(), "cut.dv", 144000 * 5 + 7000)}) {
        SCOPED_TRACE(path);
        auto access = open(path);
        if (!access) continue;
        int width = 0, height = 0;
        ASSERT_TRUE(access->videoDimensions(&width, &height));
        IZRImage* target = image(width, height);
        for (const int frame : {0, 40, 10, 49, 3})
            EXPECT_TRUE(access->renderVideo(at(frame / 25, frame % 25, 25.0), target));
        const void* data = nullptr;
        int32_t bytes = 0;
        EXPECT_TRUE(access->seekAudio(at(1, 20, 25.0)));
        EXPECT_TRUE(access->renderAudio(2000, &data, &bytes));
        EXPECT_GT(bytes, 0);
    }
}

// Segment lists open through the module as one clip: three copies of the DV clip in an "OVDV"
// list, and the MPEG-2 program stream cut at a pack into an "OVMP" list.
TEST_F(MediaImportTest, SegmentListsOpenAsOneClip) {
    const std::string dv = dvAvi();
    const std::string ps = mpegPS();
    ASSERT_FALSE(dv.empty() || ps.empty());
    std::string list = "OVDV";
    for (int i = 0; i < 3; ++i) {
        const std::string name = "segment_" + std::to_string(i) + ".avi";
        QFile::remove(QString::fromStdString(mediaFolder() + name));
        ASSERT_TRUE(
            QFile::copy(QString::fromStdString(dv), QString::fromStdString(mediaFolder() + name)));
        list += "\r\n" + name + "; 0";
    }
    QFile ovl(QString::fromStdString(mediaFolder() + "clip.ovl"));
    ASSERT_TRUE(ovl.open(QIODevice::WriteOnly));
    ovl.write(list.c_str());
    ovl.close();

    auto access = open(mediaFolder() + "clip.ovl");
    ASSERT_TRUE(access);
    EXPECT_NEAR(access->playLength(), 6.0, 0.001) << "the segments' sum";
    EXPECT_EQ(access->formatCode(), ZR_FORMAT_DV);
    IZRImage* full = image(720, 576);
    // Each segment is red for a second, then blue: frame 50 opens the second segment.
    for (const int frame : {49, 50, 24, 25, 100, 149}) {
        SCOPED_TRACE(frame);
        ASSERT_TRUE(access->renderVideo(at(0, frame, 25.0), full));
        const Colour c = pixel(full, 360, 288);
        EXPECT_GT(frame % 50 < 25 ? c.red : c.blue, 200);
        auto* native = static_cast<ZRImage*>(image(720, 576));
        ASSERT_TRUE(access->nativeVideo(at(0, frame, 25.0), native));
        EXPECT_EQ(native->nativeKind(), ZR_NATIVE_DV);
        EXPECT_EQ(native->nativeLength(), 144000u);
    }

    QFile whole(QString::fromStdString(ps));
    ASSERT_TRUE(whole.open(QIODevice::ReadOnly));
    const QByteArray bytes = whole.readAll();
    const qsizetype cut = (bytes.size() / 2048 / 2) * 2048;
    for (const auto& [name, part] :
         {std::pair{"part_0.mpg", bytes.left(cut)}, std::pair{"part_1.mpg", bytes.mid(cut)}}) {
        QFile out(QString::fromStdString(mediaFolder() + name));
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(part);
    }
    QFile mvl(QString::fromStdString(mediaFolder() + "clip.mvl"));
    ASSERT_TRUE(mvl.open(QIODevice::WriteOnly));
    mvl.write("OVMP\r\npart_0.mpg; 0\r\npart_1.mpg; 0");
    mvl.close();
    auto mpeg = open(mediaFolder() + "clip.mvl");
    auto plain = open(ps);
    ASSERT_TRUE(mpeg && plain);
    EXPECT_NEAR(mpeg->playLength(), plain->playLength(), 0.001);
    int rate = 0, bits = 0, channels = 0;
    EXPECT_TRUE(mpeg->audioSettings(&rate, &bits, &channels));
}

// A media path that is not a regular file is refused at once: open(2) on a FIFO without a writer
// would wait for ever, a device like /dev/zero never ends. The same holds for a FIFO named inside a
// list: a segment list passes it over, and a concat script, whose entries libavformat would open
// on its own past any check, is not media. Should an open block, a writer on the FIFO lets it go
// so the test ends.
TEST_F(MediaImportTest, PathsThatAreNotRegularFilesAreRefusedWithoutBlocking) {
    const std::string folder = mediaFolder();
    const std::string fifo = folder + "clip.avi";
    const std::string dv = dvAvi();
    ASSERT_FALSE(dv.empty());
    ::unlink(fifo.c_str());
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const auto write = [&](const std::string& name, const std::string& text) {
        QFile file(QString::fromStdString(folder + name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text.c_str());
        return folder + name;
    };
    const std::string dvName = dv.substr(folder.size());
    struct Case {
        std::string path;
        bool opens; // a list that names a readable segment besides the FIFO still opens
    };
    const Case cases[] = {
        {fifo, false},
        {"/dev/zero", false},
        {"/dev/stdin", false},
        {write("fifo_only.ovl", "OVDV\r\nclip.avi; 0"), false},
        {write("fifo_between.ovl", "OVDV\r\n" + dvName + "; 0\r\nclip.avi; 0"), true},
        {write("fifo_only.mvl", "OVMP\r\nclip.avi; 0"), false},
        {write("relative.ffconcat", "ffconcat version 1.0\nfile 'clip.avi'\n"), false},
        {write("absolute.avi", "ffconcat version 1.0\nfile '" + fifo + "'\n"), false},
        {write("script_segment.ovl", "OVDV\r\nabsolute.avi; 0\r\n" + dvName + "; 0"), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        auto opened = std::async(std::launch::async, [&] { return open(c.path) != nullptr; });
        const bool finished =
            opened.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
        EXPECT_TRUE(finished) << "the open blocked";
        if (!finished) {
            const int writer = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
            opened.wait();
            if (writer >= 0) ::close(writer);
        }
        EXPECT_EQ(opened.get(), c.opens);
    }
    ::unlink(fifo.c_str());
}
