// Render to file through the produce page, on the real engine and export modules.
#include "tests/output/RenderFixture.h"

#include "classes/widgets/ZRTabBar.h"
#include "engine/export/ZRExportComposers.h"
#include "output/ZRModuleSettings.h"
#include "tests/plugins/export/FFprobe.h"
#include "tests/support/FullDisk.h"
#include "views/ZRSBPreview.h"

#include <QFile>
#include <QFileInfo>

#include <cmath>
#include <unistd.h>

using namespace rendertest;

namespace {

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// Files of the folder, hidden ones (".part") included.
QStringList filesIn(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

struct Triple {
    int rate = 0, bits = 0, channels = 0;
    bool operator==(const Triple&) const = default;
};

Triple audioSettings(IZRTimeline* timeline) {
    Triple t;
    timeline->settings()->getIntTripleSetting("Audio Settings", &t.rate, &t.bits, &t.channels);
    return t;
}

} // namespace

// Every format renders the marked range into a file the profile describes, shown in "Produced",
// with the profile's audio settings during the render and the user's after it.
TEST_F(RenderTest, ProfilesRenderTheMarkedRange) {
    struct Case {
        int profile;
        const char* file;
        const char* probed; ///< the file ffprobe reads ("" = the file itself)
        const char* codec;
        int width, height, sampleRate, channels;
        double fps;
        double markIn, markOut; ///< slider fractions
    };
    const Case cases[] = {
        {0, "avi.avi", "", "", 320, 200, 22050, 2, 30.0, 0.0, 0.0},
        {1, "dv.ovl", "dv01.avi", "dvvideo", 720, 576, 48000, 2, 25.0, 0.0, 0.0},
        {3, "vcd.mpg", "", "mpeg1video", 352, 288, 44100, 2, 25.0, 0.25, 0.25},
        {5, "svcd.mpg", "", "mpeg2video", 480, 576, 44100, 2, 25.0, 0.0, 0.5},
        {7, "dvdpal.mpg", "", "mpeg2video", 720, 576, 48000, 2, 25.0, 0.5, 0.0},
        {8, "dvdntsc.mpg", "", "mpeg2video", 720, 480, 48000, 2, 29.97, 0.0, 0.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        makeProject(49, c.profile);
        view->slider()->setMarkIn(c.markIn);
        view->slider()->setMarkOut(c.markOut);
        services.file = path(c.file);
        hub.produced.clear();
        Triple during;
        bool stopShown = false;
        hub.onProgress = [&](int call, IZRPos*) {
            if (call != 1) return;
            during = audioSettings(timeline.get());
            stopShown = view->renderButton()->text() == QStringLiteral("Stop") &&
                        !view->profileBox()->isEnabled() && !view->diskSpaceLabel()->isHidden();
        };
        view->slotRenderClicked();

        EXPECT_EQ(during, (Triple{c.sampleRate, 16, c.channels}));
        EXPECT_TRUE(stopShown);
        EXPECT_EQ(audioSettings(timeline.get()), (Triple{32000, 16, 1}));
        ASSERT_EQ(hub.produced.size(), 1u);
        EXPECT_EQ(QFileInfo(hub.produced[0]).absoluteFilePath(), path(c.file));
        expectIdle();

        const QString probed = *c.probed ? path(c.probed) : path(c.file);
        const ffprobe::Probe probe = ffprobe::probe(probed.toStdString());
        ASSERT_TRUE(probe.ok);
        const ffprobe::Stream* video = probe.first("video");
        ASSERT_TRUE(video);
        if (*c.codec) {
            EXPECT_EQ(video->codec, c.codec);
        }
        EXPECT_EQ(video->width, c.width);
        EXPECT_EQ(video->height, c.height);
        EXPECT_NEAR(video->rate, c.fps, 0.01);
        if (const ffprobe::Stream* audio = probe.first("audio")) {
            EXPECT_EQ(audio->sampleRate, c.sampleRate);
            EXPECT_EQ(audio->channels, c.channels);
        }
        // The range: last frame (48) x the fractions, the mark-out frame included.
        const double first = std::lround(48 * c.markIn);
        const double last = std::lround(48 * (1.0 - c.markOut));
        EXPECT_NEAR(probe.duration, (last - first + 1) / 25.0, 1.5 / c.fps);
    }
}

TEST_F(RenderTest, RefusalsLeaveThePageIdle) {
    // An empty project asks nothing.
    makeProject(0, 3);
    services.file = path("empty.mpg");
    view->slotRenderClicked();
    EXPECT_EQ(services.fileAsked, 0);
    expectIdle();

    // A cancelled file dialog, then a declined overwrite: nothing is written.
    makeProject(10, 3);
    services.file.clear();
    view->slotRenderClicked();
    EXPECT_EQ(services.fileAsked, 1);
    expectIdle();
    ASSERT_TRUE(writeFile(path("kept.mpg"), "old"));
    services.file = path("kept.mpg");
    services.overwrite = false;
    view->slotRenderClicked();
    EXPECT_EQ(services.overwriteAsked, 1);
    EXPECT_EQ(hub.calls, 0);
    EXPECT_EQ(readAll(path("kept.mpg")), QByteArray("old"));
    EXPECT_TRUE(hub.produced.empty());
    expectIdle();
}

// The module file that cannot be written ends the render with the failure box, before the
// file is asked for.
TEST_F(RenderTest, AModuleFileThatCannotBeSavedEndsTheRender) {
    const QString modules = modulesettings::defaultPath();
    const QString kept = modules + QStringLiteral(".kept");
    QFile::remove(kept);
    const bool existed = QFile::rename(modules, kept);
    ASSERT_TRUE(QDir().mkpath(modules)); // a folder in its place cannot be saved over
    makeProject(10, 3);
    services.file = path("nomodules.mpg");
    view->slotRenderClicked();
    QDir(modules).removeRecursively();
    if (existed) QFile::rename(kept, modules);
    EXPECT_EQ(services.boxes, std::vector<QString>{QStringLiteral(
                                  "An unspecified error occured during the export process!")});
    EXPECT_EQ(services.fileAsked, 0);
    EXPECT_EQ(hub.calls, 0);
    expectIdle();
}

// The name's first dot on gives way to the format's extension; the folder stays.
TEST_F(RenderTest, TwoDotsForMpegBecomeOneMpg) {
    makeProject(5, 3);
    QDir(dir.path()).mkdir(QStringLiteral("with.dot"));
    services.file = path("with.dot/a.b.avi");
    view->slotRenderClicked();
    ASSERT_EQ(hub.produced.size(), 1u);
    EXPECT_EQ(QFileInfo(hub.produced[0]).absoluteFilePath(), path("with.dot/a.mpg"));
    EXPECT_EQ(filesIn(path("with.dot")), QStringList{QStringLiteral("a.mpg")});
    appState().settings()->setGroup(QStringLiteral("General Settings"));
    EXPECT_EQ(appState().settings()->readEntry(QStringLiteral("ExportFileName")), path("with.dot"));
}

// A render stopped by a second click or by Escape is discarded: nothing in "Produced", no new
// file, an older file of the name as it was; the next render runs whole.
TEST_F(RenderTest, AStoppedRenderLeavesNothing) {
    for (const bool escape : {false, true}) {
        SCOPED_TRACE(escape ? "escape" : "click");
        makeProject(100, 3);
        ASSERT_TRUE(writeFile(path("movie.mpg"), "old"));
        services.file = path("movie.mpg");
        hub.produced.clear();
        QString textAfterClick;
        hub.onProgress = [&](int call, IZRPos*) {
            if (call != 10) return;
            if (escape) {
                hub.abort = true;
            } else {
                view->renderButton()->click();
                textAfterClick = view->renderButton()->text();
            }
        };
        view->slotRenderClicked();
        // A click stops after its frame; Escape's abort is read at the next one.
        EXPECT_EQ(hub.calls, escape ? 11 : 10);
        EXPECT_EQ(textAfterClick, escape ? QString() : QStringLiteral("Stop"));
        EXPECT_TRUE(hub.produced.empty());
        EXPECT_EQ(readAll(path("movie.mpg")), QByteArray("old"));
        EXPECT_EQ(filesIn(dir.path()).filter(QStringLiteral("movie")),
                  QStringList{QStringLiteral("movie.mpg")});
        expectIdle();
    }
    hub.onProgress = nullptr;
    hub.calls = 0;
    view->slotRenderClicked();
    EXPECT_EQ(hub.calls, 100);
    EXPECT_EQ(hub.produced.size(), 1u);
    EXPECT_NE(readAll(path("movie.mpg")), QByteArray("old"));
}

// A disk that fills up under the render: the failure box, nothing in "Produced", nothing under
// the name or a temporary one.
TEST_F(RenderTest, AFullDiskIsReportedAndLeavesNoFile) {
    services.file = path("full.mpg");
    // The page and its threads are made in the child: a lock another thread of the parent
    // held at the fork would never be released there. A child that hangs all the same fails.
    EXPECT_TRUE(testsupport::onFullDisk(200 << 10, [&] {
        ::alarm(120);
        makeProject(100, 7, 25.0, 720, 576);
        view->slotRenderClicked();
        return services.boxes.size() == 1 &&
               services.boxes[0] ==
                   QStringLiteral("An unspecified error occured during the export process!") &&
               hub.produced.empty() && !appState().exportRunning.load();
    }));
    EXPECT_TRUE(filesIn(dir.path()).filter(QStringLiteral("full")).isEmpty());
}

TEST_F(RenderTest, OneFrameProjectRendersWithTheKnobAtZero) {
    makeProject(1, 3);
    services.file = path("one.mpg");
    double knob = -1;
    hub.onProgress = [&](int, IZRPos*) { knob = view->slider()->position(); };
    view->slotRenderClicked();
    EXPECT_EQ(hub.calls, 1);
    EXPECT_EQ(knob, 0.0);
    EXPECT_EQ(hub.produced.size(), 1u);
    EXPECT_EQ(view->slider()->markIn(), 0.0);
}

// Stored values the validators would refuse never reach the engine.
TEST_F(RenderTest, AStoredProfileOutOfRangeIsRefused) {
    struct Case {
        const char* key;
        const char* box;
    };
    const Case cases[] = {
        {"Width", "The video settings were not accepted by the choosen video codec!"},
        {"NumberOfChannels", "The audio settings were not accepted by the choosen audio codec!"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        QConfig& config = *appState().settings();
        config.setGroup(QStringLiteral("ProfilesList"));
        config.writeEntry(QStringLiteral("NumProfiles"), 1);
        config.writeEntry(QStringLiteral("Profile0"), QStringLiteral("Broken"));
        config.setGroup(QStringLiteral("Broken"));
        const std::pair<const char*, int> values[] = {{"Width", 352},
                                                      {"Height", 288},
                                                      {"FormatId", 3},
                                                      {"SamplesPerSecond", 44100},
                                                      {"NumberOfChannels", 2}};
        for (const auto& [key, value] : values)
            config.writeEntry(QLatin1String(key),
                              QLatin1String(key) == QLatin1String(c.key) ? 0 : value);
        config.writeEntry(QStringLiteral("Fps"), 25.0);
        makeProject(10, 9);
        ASSERT_EQ(view->currentProfile()->name, QStringLiteral("Broken"));
        services.boxes.clear();
        services.file = path("broken.mpg");
        services.fileAsked = 0;
        view->slotRenderClicked();
        EXPECT_EQ(services.boxes, std::vector<QString>{QLatin1String(c.box)});
        EXPECT_EQ(services.fileAsked, 0);
        EXPECT_EQ(hub.calls, 0);
        expectIdle();
    }
}

// Once a second of output the preview shows the frame being written: with several composers
// (each composing into frames of its own) as with the export's own thread, whatever the
// preview's own thread was drawing when the render started.
TEST_F(RenderTest, ThePreviewShowsTheFrameBeingWritten) {
    for (const int composers : {4, 1}) {
        SCOPED_TRACE(composers);
        ZRExportComposers::setThreadsForTesting(composers);
        // Two seconds of the project's blue, then a second of red.
        makeProject(50, 3);
        IZRObject* red = timeline->createObject("Solid Color", "RGB(220,30,30)", nullptr, nullptr);
        const ZRPos length(0, 0, 0, 25, 25.0);
        red->duration()->assign(&length);
        red->markOut()->assign(&length);
        ZRPos at(0, 0, 0, 50, 25.0);
        timeline->insertObject(1, &at, red);
        view->syncMarksFromTimeline();
        services.file = path("shown.mpg");
        std::vector<QColor> shown;
        hub.onProgress = [&](int, IZRPos* position) {
            if (position->frames() != 0) return;
            const QImage grabbed = view->preview()->grab().toImage();
            shown.push_back(grabbed.pixelColor(grabbed.width() / 2, grabbed.height() / 2));
        };
        view->slotRenderClicked();
        ZRExportComposers::setThreadsForTesting(0);
        ASSERT_EQ(shown.size(), 3u);
        EXPECT_NEAR(shown[1].red(), 20, 6);
        EXPECT_NEAR(shown[1].green(), 120, 6);
        EXPECT_NEAR(shown[1].blue(), 220, 6);
        EXPECT_NEAR(shown[2].red(), 220, 6);
        EXPECT_NEAR(shown[2].green(), 30, 6);
        EXPECT_NEAR(shown[2].blue(), 30, 6);
    }
}
