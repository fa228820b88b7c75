#include "tests/engine/export/ExportFixture.h"

#include "engine/api/ZRExportSession.h"
#include "engine/export/ZRExportFlags.h"
#include "tests/plugins/export/FFprobe.h"
#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include <atomic>
#include <cmath>
#include <string>
#include <thread>

using namespace exportfixture;

namespace {

std::string outPath(const std::string& name) {
    return (testsupport::homeFolder() + "/").toStdString() + name;
}

std::string exportFilename(ZRTimeline& t) {
    char* name = nullptr;
    return t.getStringSetting("Export Filename", &name) && name ? name : "";
}

} // namespace

TEST(ZRTimelineExport, EndPositionOfTheFixture) {
    auto t = makeTimeline(30);
    EXPECT_EQ(std::lround(t->endPosition()->toFrames()), 30);
}

// A 30 fps timeline exported at 25: output frame k shows timeline frame round(1.2k), numbered
// from 1 of 25, all recompressed, with the renderer held for the whole run.
TEST(ZRTimelineExport, RateSteppingAndProgress) {
    auto t = makeTimeline(30);
    const Counts before = counts();
    ASSERT_EQ(
        t->exportProject(outPath("stepped.mpg").c_str(), "MPEG", nullptr, nullptr, 0, 0, 25.0), 0);
    const Progress& p = progress();
    ASSERT_EQ(p.frames.size(), 25u);
    for (size_t k = 0; k < p.frames.size(); ++k) {
        EXPECT_EQ(p.frames[k], std::lround(k * 30.0 / 25.0)) << k;
        EXPECT_EQ(p.numbers[k], int(k + 1));
        EXPECT_EQ(p.totals[k], 25);
        EXPECT_TRUE(p.recoding[k]);
        EXPECT_EQ(p.paused[k], 1);
    }
    const Counts after = counts();
    EXPECT_EQ(after.frames, 25);
    EXPECT_EQ(after.ends, before.ends + 1);
    int paused = -1;
    t->getIntSetting("Pause Background Rendering", &paused);
    EXPECT_EQ(paused, 0);
    EXPECT_EQ(exportFilename(*t), outPath("stepped.mpg"));
    EXPECT_FALSE(t->exportPassThrough());
}

// The file name a module leaves in its record is taken up to the record's end, even without a
// terminating zero.
TEST(ZRTimelineExport, TheModulesFileNameIsTakenWithinTheRecord) {
    auto t = makeTimeline(3);
    ASSERT_EQ(t->exportProject(outPath("rename.mpg").c_str(), "MPEG", nullptr, nullptr, 0, 0, 0.0),
              0);
    EXPECT_EQ(exportFilename(*t), std::string(ZR_EXPORT_FILE_BYTES - 1, 'r'));
}

TEST(ZRTimelineExport, StopAfterTheFirstFrame) {
    auto t = makeTimeline(30);
    progress().stopAfter = 1;
    const Counts before = counts();
    EXPECT_EQ(t->exportProject(outPath("stop.mpg").c_str(), "MPEG", nullptr, nullptr, 0, 0, 0.0),
              0);
    EXPECT_EQ(progress().frames.size(), 1u);
    const Counts after = counts();
    EXPECT_EQ(after.frames, 1);
    EXPECT_EQ(after.ends, before.ends + 1);
    int paused = -1;
    t->getIntSetting("Pause Background Rendering", &paused);
    EXPECT_EQ(paused, 0);

    // The process-wide stop flag ends an export the same way, and is clear afterwards.
    progress() = Progress{};
    progress().timeline = t.get();
    progress().stopAfter = 0;
    IZRCallbacks* table = callbacks();
    auto keep = table->progress;
    table->progress = [](int, int, IZRPos*, bool) {
        zrSetStopRequested(true);
        return true;
    };
    EXPECT_EQ(t->exportProject(outPath("flag.mpg").c_str(), "MPEG", nullptr, nullptr, 0, 0, 0.0),
              0);
    table->progress = keep;
    EXPECT_EQ(counts().frames, 1);
    EXPECT_FALSE(zrStopRequested());
    EXPECT_FALSE(zrExportRunning());
}

// Failures answer 1: no module for the format, a module that will not start, a refused frame,
// a name that does not fit; the renderer is never left held.
TEST(ZRTimelineExport, FailuresAnswerOne) {
    auto t = makeTimeline(10);
    struct Case {
        std::string name;
        const char* format;
        int ends; // exportEnd calls the counting module sees
    };
    const Case cases[] = {
        {outPath("none.xyz"), "QuickTime", 0},
        {outPath("refuse.mpg"), "MPEG", 0},
        {outPath("throw.mpg"), "MPEG", 1},
        {outPath(std::string(5000, 'n') + ".mpg"), "MPEG", 0},
        {"", "MPEG", 0},
    };
    for (const Case& c : cases) {
        const Counts before = counts();
        EXPECT_EQ(t->exportProject(c.name.c_str(), c.format, nullptr, nullptr, 0, 0, 0.0), 1)
            << c.name.substr(0, 80);
        EXPECT_EQ(counts().ends, before.ends + c.ends) << c.name.substr(0, 80);
        int paused = -1;
        t->getIntSetting("Pause Background Rendering", &paused);
        EXPECT_EQ(paused, 0);
    }
    EXPECT_EQ(t->exportProject(nullptr, "MPEG", nullptr, nullptr, 0, 0, 0.0), 1);
    EXPECT_TRUE(progress().frames.empty());
}

// A range inside the timeline exports its frames inclusive; one ending past the timeline's end
// exports the whole timeline. A size other than the timeline's reaches the module.
TEST(ZRTimelineExport, RangeAndSize) {
    auto t = makeTimeline(40);
    ZRPos from(0, 0, 0, 10, 30.0), to(0, 0, 0, 19, 30.0), past(0, 0, 5, 0, 30.0);
    ASSERT_EQ(
        t->exportProject(outPath("range.ovl").c_str(), "AVI-DV Multifile", &from, &to, 64, 48, 0.0),
        0);
    ASSERT_EQ(progress().frames.size(), 10u);
    EXPECT_EQ(progress().frames.front(), 10);
    EXPECT_EQ(progress().frames.back(), 19);
    EXPECT_EQ(recorded().frames, 10);
    EXPECT_EQ(recorded().totalFrames, 10);
    EXPECT_EQ(recorded().width, 64);
    EXPECT_EQ(recorded().height, 48);
    EXPECT_EQ(recorded().rate, 30.0);
    EXPECT_EQ(recorded().ends, 1);

    progress().frames.clear();
    ASSERT_EQ(
        t->exportProject(outPath("whole.ovl").c_str(), "AVI-DV Multifile", &from, &past, 0, 0, 0.0),
        0);
    EXPECT_EQ(progress().frames.size(), 40u);
    EXPECT_EQ(recorded().width, 32);
    EXPECT_EQ(recorded().height, 24);
}

TEST(ZRTimelineExport, RefusedFrameEndsOnceWithOne) {
    auto t = makeTimeline(20);
    recorded().refuseAt = 3;
    EXPECT_EQ(t->exportProject(outPath("refused.ovl").c_str(), "AVI-DV Multifile", nullptr, nullptr,
                               0, 0, 0.0),
              1);
    recorded().refuseAt = 0;
    EXPECT_EQ(recorded().frames, 3);
    EXPECT_EQ(recorded().ends, 1);
    EXPECT_EQ(progress().frames.size(), 2u);
}

// Ninety minutes at 29.97 from a 30 fps timeline: the audio handed to the module matches the
// video's duration (plus the first request's extra four frames) to within one sample.
TEST(ZRTimelineExport, NinetyMinutesOfAudio) {
    auto t = makeTimeline(90 * 60 * 30, 30.0, 8, 8);
    t->setIntTripleSetting("Audio Settings", 48000, 16, 2);
    ASSERT_EQ(t->exportProject(outPath("long.ovl").c_str(), "AVI-DV Multifile", nullptr, nullptr, 0,
                               0, 29.97),
              0);
    const RecordedExport& r = recorded();
    EXPECT_EQ(r.frames, 161838);
    EXPECT_EQ(r.totalFrames, 161838);
    if (r.audioBytes == 0) GTEST_SKIP() << "the timeline renders no audio yet";
    EXPECT_EQ(r.firstAudioBytes, 8008 * 4);
    EXPECT_NEAR(double(r.audioBytes / 4), (r.frames + 4) * 48000.0 / 29.97, 1.0);
}

TEST(ZRTimelineExport, ConfigureFindsTheModule) {
    auto t = makeTimeline(0);
    const Counts before = counts();
    EXPECT_TRUE(t->configureExportModule("MPEG"));
    EXPECT_EQ(counts().configs, before.configs + 1);
    EXPECT_FALSE(t->configureExportModule("QuickTime"));
    EXPECT_FALSE(t->configureExportModule("AVI"));
}

TEST(ZRTimelineExport, AviCodecSettings) {
    auto t = makeTimeline(0);
    EXPECT_STREQ(t->exportCodecName("AVI", true), "Cinepak Codec by Radius");
    EXPECT_STREQ(t->exportCodecName("AVI", false), "PCM");
    EXPECT_EQ(t->exportCodecName("avi", true), nullptr);
    EXPECT_EQ(t->exportCodecSetting("MPEG", true), nullptr);
    const char* const* video = t->exportCodecSetting("AVI", true);
    ASSERT_NE(video, nullptr);
    bool cinepak = false;
    for (; *video; ++video)
        cinepak = cinepak || std::string(*video) == "Cinepak Codec by Radius";
    EXPECT_TRUE(cinepak);
    ASSERT_NE(t->exportCodecSetting("AVI", false), nullptr);
    EXPECT_STREQ(t->exportCodecSetting("AVI", false)[0], "PCM");
    t->setExportCodecName("AVI", true, "Motion JPEG");
    t->setExportCodecName("MPEG", true, "Nothing");
    EXPECT_STREQ(t->exportCodecName("AVI", true), "Motion JPEG");
}

// The engine's own AVI writer: a name without any dot gets ".avi"; refusals answer 2 and 3
// before any frame; a folder that cannot be written answers 1.
TEST(ZRTimelineExport, AviPath) {
    auto t = makeTimeline(12, 25.0, 64, 48);
    t->setExportCodecName("AVI", true, "Motion JPEG");
    const std::string plain = outPath("plain");
    QFile::remove(QString::fromStdString(plain + ".avi"));
    ASSERT_EQ(t->exportProject(plain.c_str(), "AVI", nullptr, nullptr, 0, 0, 0.0), 0);
    EXPECT_EQ(exportFilename(*t), plain + ".avi");
    EXPECT_EQ(progress().frames.size(), 12u);
    const ffprobe::Probe probe = ffprobe::probe(plain + ".avi");
    ASSERT_TRUE(probe.ok);
    ASSERT_TRUE(probe.first("video"));
    EXPECT_EQ(probe.first("video")->codec, "mjpeg");
    EXPECT_EQ(probe.first("video")->packets, 12);
    EXPECT_EQ(probe.first("video")->width, 64);

    EXPECT_EQ(
        t->exportProject(outPath("resized.avi").c_str(), "AVI", nullptr, nullptr, 32, 24, 0.0), 0);
    EXPECT_EQ(ffprobe::probe(outPath("resized.avi")).first("video")->height, 24);

    progress().frames.clear();
    t->setExportCodecName("AVI", true, "Nothing");
    EXPECT_EQ(t->exportProject(outPath("video.avi").c_str(), "AVI", nullptr, nullptr, 0, 0, 0.0),
              2);
    t->setExportCodecName("AVI", true, "Motion JPEG");
    t->setIntTripleSetting("Audio Settings", 44100, 12, 2);
    EXPECT_EQ(t->exportProject(outPath("audio.avi").c_str(), "AVI", nullptr, nullptr, 0, 0, 0.0),
              3);
    t->setIntTripleSetting("Audio Settings", 44100, 16, 2);
    EXPECT_EQ(t->exportProject("/nonexistent/folder/x.avi", "AVI", nullptr, nullptr, 0, 0, 0.0), 1);
    EXPECT_TRUE(progress().frames.empty());
    EXPECT_FALSE(QFile::exists(QString::fromStdString(outPath("video.avi"))));
}

// An AVI export stopped while the DV encoders still hold frames ends cleanly with 0 and leaves
// nothing under the name, nor beside it.
TEST(ZRTimelineExport, StoppedAviLeavesNoFile) {
    auto t = makeTimeline(60, 25.0, 720, 576);
    t->setExportCodecName("AVI", true, "DV");
    const QString dir = testsupport::homeFolder() + "/stopped";
    QDir(dir).removeRecursively();
    ASSERT_TRUE(QDir().mkpath(dir));
    const std::string path = (dir + "/stopped.avi").toStdString();
    progress().stopAfter = 20;
    EXPECT_EQ(t->exportProject(path.c_str(), "AVI", nullptr, nullptr, 0, 0, 0.0), 0);
    EXPECT_EQ(progress().frames.size(), 20u);
    EXPECT_TRUE(QDir(dir).entryList(QDir::Files | QDir::Hidden).isEmpty());
    EXPECT_FALSE(zrExportRunning());

    progress() = Progress{};
    progress().timeline = t.get();
    ASSERT_EQ(t->exportProject(path.c_str(), "AVI", nullptr, nullptr, 0, 0, 0.0), 0);
    EXPECT_EQ(ffprobe::probe(path).first("video")->packets, 60);
}

// Settings changed while the frames are composed on several threads wait for the frames in
// flight and never stop the export; every frame arrives, in order. (Run under the thread
// sanitizer, this is where a composer reading what a setter writes would show.)
TEST(ZRTimelineExport, SettingsChangeWhileFramesAreComposed) {
    auto t = makeTimeline(120, 25.0, 64, 48);
    IZRObject* overlay = t->createObject("Solid Color", "RGB(200,10,10)", nullptr, nullptr);
    const ZRPos length(0, 0, 0, 120, 25.0);
    overlay->duration()->assign(&length);
    overlay->markOut()->assign(&length);
    ZRPos start(0, 0, 0, 0, 25.0);
    ASSERT_TRUE(t->insertObject(2, &start, overlay));
    auto* settings = dynamic_cast<IZRSettings*>(overlay);
    ASSERT_TRUE(settings);
    ASSERT_TRUE(settings->setIntSetting("Overlay Mode", 1));

    std::atomic<bool> done{false};
    std::atomic<int> changes{0};
    std::thread setter([&] {
        while (!done) {
            settings->setIntSetting("Overlay Opacity", changes % 2 ? 30 : 90);
            ++changes;
            std::this_thread::yield();
        }
    });
    t->setExportCodecName("AVI", true, "Motion JPEG");
    const int result =
        t->exportProject(outPath("changing.avi").c_str(), "AVI", nullptr, nullptr, 0, 0, 0.0);
    done = true;
    setter.join();
    EXPECT_EQ(result, 0);
    ASSERT_EQ(progress().frames.size(), 120u);
    for (size_t k = 0; k < progress().frames.size(); ++k)
        EXPECT_EQ(progress().frames[k], long(k));
    EXPECT_GT(changes, 0);
    EXPECT_EQ(ffprobe::probe(outPath("changing.avi")).first("video")->packets, 120);
}

TEST(ZRTimelineExport, Sessions) {
    auto t = makeTimeline(0);
    IZRImage* size = t->createImage(32, 24, 0);
    const Counts before = counts();
    ZRExportSession* session =
        t->createExportModule("MPEG", size, 3, 25.0, outPath("session.mpg").c_str());
    ASSERT_NE(session, nullptr);
    EXPECT_TRUE(session->encodeExportFrame(size));
    EXPECT_TRUE(session->encodeExportFrame(size));
    EXPECT_FALSE(session->encodeExportFrame(nullptr));
    EXPECT_EQ(counts().frames, 2);
    t->deleteInterfaceObject(session);
    EXPECT_EQ(counts().ends, before.ends + 1);

    EXPECT_EQ(t->createExportModule("MPEG", size, 3, 25.0, outPath("refuse.mpg").c_str()), nullptr);
    EXPECT_EQ(t->createExportModule("QuickTime", size, 3, 25.0, outPath("x.mov").c_str()), nullptr);

    // A refused frame ends the module once; deleting the session does not end it again.
    session = t->createExportModule("MPEG", size, 3, 25.0, outPath("throw.mpg").c_str());
    ASSERT_NE(session, nullptr);
    const int ends = counts().ends;
    EXPECT_FALSE(session->encodeExportFrame(size));
    EXPECT_FALSE(session->encodeExportFrame(size));
    EXPECT_EQ(counts().ends, ends + 1);
    delete session;
    EXPECT_EQ(counts().ends, ends + 1);

    // Sessions still open end with their timeline.
    session = t->createExportModule("MPEG", size, 3, 25.0, outPath("left.mpg").c_str());
    ASSERT_NE(session, nullptr);
    t.reset();
    EXPECT_EQ(counts().ends, ends + 2);
}
