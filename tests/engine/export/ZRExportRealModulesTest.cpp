// A short real timeline exported through our own export modules, checked with ffprobe.
#include "tests/engine/export/ExportFixture.h"

#include "tests/engine/export/ExportedFiles.h"
#include "tests/plugins/export/FFprobe.h"
#include "tests/plugins/import/MediaFixture.h"
#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include <string>
#include <vector>

using namespace exportfixture;
using exportedfiles::videoPackets;
using exportedfiles::writeSettings;

namespace {

std::string folder(const char* name) {
    const QString path = testsupport::homeFolder() + "/" + name;
    QDir(path).removeRecursively();
    QDir().mkpath(path);
    return path.toStdString();
}

// A timeline holding the 2-second DV AVI clip of the import tests after `lead` frames of a
// solid colour.
std::unique_ptr<ZRTimeline> dvTimeline(std::string* source, int lead = 0) {
    *source = mediafixture::dvAvi();
    auto t = makeTimeline(lead, 25.0, 720, 576, programFolder());
    t->setIntTripleSetting("Audio Settings", 48000, 16, 2);
    IZRObject* clip = t->createObject("Import", t->suggestImportModule(source->c_str()), nullptr,
                                      source->c_str());
    if (!clip) return nullptr;
    ZRPos start(0, 0, 0, lead, 25.0);
    t->insertObject(1, &start, clip);
    return t;
}

} // namespace

TEST(ZRExportRealModules, MpegProfilesFromATimeline) {
    struct Case {
        const char* format;
        int width, height;
        const char* codec;
    };
    const Case cases[] = {{"VCD", 352, 288, "mpeg1video"},
                          {"SVCD", 480, 576, "mpeg2video"},
                          {"DVD", 720, 576, "mpeg2video"}};
    const std::string dir = folder("real-mpeg");
    for (const Case& c : cases) {
        auto t = makeTimeline(50, 25.0, 720, 576, programFolder());
        t->setIntTripleSetting("Audio Settings", c.width == 720 ? 48000 : 44100, 16, 2);
        const std::string body = std::string("Format=") + c.format +
                                 "\nSplitsize=3784704\nMaxBitrate=8000000\nAvgBitrate=6000000\n";
        writeSettings("Export::MPEG", body.c_str());
        const std::string path = dir + "/" + c.format + ".mpg";
        ASSERT_EQ(t->exportProject(path.c_str(), "MPEG", nullptr, nullptr, c.width, c.height, 25.0),
                  0)
            << c.format;
        const ffprobe::Probe probe = ffprobe::probe(path);
        ASSERT_TRUE(probe.ok) << c.format;
        ASSERT_TRUE(probe.first("video") && probe.first("audio"));
        EXPECT_EQ(probe.first("video")->codec, c.codec);
        EXPECT_EQ(probe.first("video")->width, c.width);
        EXPECT_EQ(probe.first("video")->height, c.height);
        EXPECT_EQ(probe.first("video")->packets, 50);
        EXPECT_NEAR(probe.duration, 2.0, 1.0 / 25);
        // A solid colour is no interlaced source.
        if (std::string(c.codec) == "mpeg2video") {
            EXPECT_EQ(probe.first("video")->fieldOrder, "progressive") << c.format;
        }
    }
}

TEST(ZRExportRealModules, DvClipPassesThroughBitForBitAndMakesAnInterlacedDvd) {
    std::string source;
    auto t = dvTimeline(&source);
    ASSERT_TRUE(t);
    const std::vector<std::vector<uint8_t>> frames = videoPackets(source);
    ASSERT_EQ(frames.size(), 50u);

    const std::string dir = folder("real-passthrough");
    writeSettings("Export::AVI Multifile", "Splitsize=2096000\n");
    const std::string list = dir + "/clip.ovl";
    ASSERT_EQ(t->exportProject(list.c_str(), "AVI-DV Multifile", nullptr, nullptr, 720, 576, 25.0),
              0);
    const std::vector<std::vector<uint8_t>> written = videoPackets(dir + "/clip01.avi");
    ASSERT_EQ(written.size(), frames.size());
    for (size_t i = 0; i < frames.size(); ++i)
        EXPECT_TRUE(written[i] == frames[i]) << "frame " << i << " differs from the source";

    // PAL DV is bottom field first, and so is the DVD made from it, also when the timeline
    // opens with a second of something else.
    writeSettings("Export::MPEG", "Format=DVD\nMaxBitrate=8000000\nAvgBitrate=6000000\n");
    for (const int lead : {0, 25}) {
        auto timeline = lead ? dvTimeline(&source, lead) : std::move(t);
        ASSERT_TRUE(timeline);
        const std::string dvd = dir + "/clip" + std::to_string(lead) + ".mpg";
        ASSERT_EQ(timeline->exportProject(dvd.c_str(), "MPEG", nullptr, nullptr, 720, 576, 25.0),
                  0);
        const ffprobe::Probe probe = ffprobe::probe(dvd);
        ASSERT_TRUE(probe.ok && probe.first("video"));
        EXPECT_EQ(probe.first("video")->fieldOrder, "bb") << lead;
        EXPECT_EQ(probe.first("video")->packets, 50 + lead);
    }
}

TEST(ZRExportRealModules, DvFromATimeline) {
    const std::string dir = folder("real-dv");
    auto t = makeTimeline(60, 25.0, 720, 576, programFolder());
    t->setIntTripleSetting("Audio Settings", 48000, 16, 2);
    writeSettings("Export::AVI Multifile", "Splitsize=2096000\n");
    const std::string list = dir + "/movie.ovl";
    ASSERT_EQ(t->exportProject(list.c_str(), "AVI-DV Multifile", nullptr, nullptr, 720, 576, 25.0),
              0);
    QFile file(QString::fromStdString(list));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    const qint64 size = QFileInfo(QString::fromStdString(dir + "/movie01.avi")).size();
    EXPECT_EQ(text, "OVDV\r\nmovie01.avi; " + QByteArray::number(size));
    const ffprobe::Probe probe = ffprobe::probe(dir + "/movie01.avi");
    ASSERT_TRUE(probe.ok);
    ASSERT_TRUE(probe.first("video") && probe.first("audio"));
    EXPECT_EQ(probe.first("video")->codec, "dvvideo");
    EXPECT_EQ(probe.first("video")->packets, 60);
    EXPECT_EQ(probe.first("audio")->sampleRate, 48000);
    EXPECT_NEAR(probe.duration, 60 / 25.0, 1.0 / 25);

    // An unwritable folder is a failure, and nothing is passed through afterwards.
    EXPECT_EQ(t->exportProject("/nonexistent/folder/x.ovl", "AVI-DV Multifile", nullptr, nullptr,
                               720, 576, 25.0),
              1);
    EXPECT_FALSE(t->exportPassThrough());
}
