#include "tests/program/RenderScenario.h"

#include "app/ZRSBMainWindow.h"
#include "app/ZRSettingsFile.h"
#include "classes/widgets/ZRComboBox.h"
#include "classes/widgets/ZRPushButton.h"
#include "common/config/QConfig.h"
#include "editor/ZRChainLinks.h"
#include "editor/ZRScopedPos.h"
#include "editor/ZRTitleDrag.h"
#include "editor/ZRUserData.h"
#include "editor/ZRVeskEditor.h"
#include "engine/api/IZRObject.h"
#include "engine/api/IZRObjectFactory.h"
#include "engine/api/IZRSettings.h"
#include "engine/api/IZRTimeline.h"
#include "engine/api/ZRGuardedList.h"
#include "engine/export/ZRExportComposers.h"
#include "output/ZRExportView.h"
#include "platform/segments/ZRSegmentList.h"
#include "tests/plugins/export/FFprobe.h"
#include "views/ZRTitleObject.h"

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTimer>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

namespace renderscenario {

namespace {

constexpr double kRate = 25.0;
// The background renderer works at a low priority beside the window: the limit only stops a
// renderer that stopped storing.
constexpr qint64 kStoreLimitMs = 240000;
constexpr const char* kSaveAs = "CLIPSTEAD_TEST_SAVE_AS";

void tell(const QString& line) {
    std::printf("%s\n", qPrintable(line));
    std::fflush(stdout);
}

bool ffmpeg(const QStringList& arguments) {
    return QProcess::execute(QStringLiteral("ffmpeg"),
                             QStringList{QStringLiteral("-nostdin"), QStringLiteral("-v"),
                                         QStringLiteral("error"), QStringLiteral("-y")} +
                                 arguments) == 0;
}

// Three seconds of a lavfi picture over a tone, as a camcorder's DV AVI.
bool makeClip(const QString& path, const QString& picture, int tone) {
    return ffmpeg({QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                   picture + QStringLiteral("=s=720x576:r=25:d=3"), QStringLiteral("-f"),
                   QStringLiteral("lavfi"), QStringLiteral("-i"),
                   QStringLiteral("sine=frequency=%1:sample_rate=48000:duration=3").arg(tone),
                   QStringLiteral("-c:v"), QStringLiteral("dvvideo"), QStringLiteral("-pix_fmt"),
                   QStringLiteral("yuv420p"), QStringLiteral("-c:a"), QStringLiteral("pcm_s16le"),
                   QStringLiteral("-ac"), QStringLiteral("2"), QStringLiteral("-f"),
                   QStringLiteral("avi"), path});
}

// --- The child --------------------------------------------------------------------------------

const char* const kClips[] = {"bars.avi", "pattern.avi", "grid.avi"};

// The clip index of each effect and the effect's module in the "Colour" group.
struct EffectOn {
    int clip;
    const char* module;
};
constexpr EffectOn kEffects[] = {{2, "Greyscale"}, {3, "Sepia"}};

int count(IZRTimeline& timeline, int track, bool video) {
    ZRGuardedList* list = timeline.track(track, video);
    return list ? int(list->count()) : 0;
}

// The project as the storyboard, the tracks and the browser's drops make it, through the editor:
// three clips, the first trimmed at both ends, the second cut in two, a cross-fade from the first
// into the second, greyscale on the second's second part, sepia on the third, a title from the
// second second on and the music under it all. False (told) when a step fails.
bool editProject(ZRSBMainWindow& window, const QDir& media) {
    ZRVeskEditor& editor = *window.editor();
    IZRTimeline& timeline = *window.timeline();
    IZRObjectFactory* factory = timeline.factory();
    const auto fail = [](const QString& step) {
        tell(QStringLiteral("failed ") + step);
        return false;
    };
    for (const char* name : kClips) {
        IZRObject* clip = editor.importFile(media.filePath(QLatin1String(name)));
        if (!clip || !editor.insertClip(clip, editor.objectCount()))
            return fail(QLatin1String(name));
    }

    ZRScopedPos markIn(factory), markOut(factory);
    markIn->setTotalFrames(10);
    markOut->setTotalFrames(64);
    editor.setClipMarkIn(editor.objectAt(0), markIn.get());
    editor.setClipMarkOut(editor.objectAt(0), markOut.get());

    IZRObject* second = editor.objectAt(1);
    ZRScopedPos middle(factory, second->startPos());
    middle->addFrames(40);
    if (!editor.splitObject(second, middle.get())) return fail(QStringLiteral("split"));

    IZRObject* fade = factory->createObject("Transition", "Blends", "Cross Fade", nullptr);
    if (!fade) return fail(QStringLiteral("transition"));
    {
        // A dropped transition asks for more than any clip holds: the editor gives it its
        // default length.
        ZRScopedPos length(factory);
        length->setTotalFrames(5000);
        timeline.setObjectMarkOut(fade, length.get());
    }
    if (!editor.setTransition(0, fade)) {
        factory->destroyObject(fade);
        return fail(QStringLiteral("transition"));
    }

    for (const EffectOn& e : kEffects) {
        ZREffect* effect = factory->createEffect("Video Effect", "Colour", e.module);
        if (!effect || !editor.setEffect(e.clip, effect)) {
            if (effect) factory->destroyEffect(effect);
            return fail(QLatin1String(e.module));
        }
    }

    ZRTitleSettings settings;
    settings.text = QStringLiteral(
        "<!Font=Times New Roman!><!Size=48!><!Color=R:255,G:230,B:40!>Summer by the sea");
    settings.duration = 2000.0;
    IZRObject* title = createTitleObject(&timeline, settings, 0, 4);
    if (!title) return fail(QStringLiteral("title"));
    chainlinks::replaceRecord(factory, title, new ZRTitleUserData);
    ZRScopedPos at(factory);
    at->setMilliseconds(1000);
    if (!editor.insertTitle(at.get(), title)) return fail(QStringLiteral("title"));

    IZRObject* music = editor.importFile(media.filePath(QStringLiteral("music.wav")));
    if (!music || !music->hasAudio()) return fail(QStringLiteral("music"));
    music->setUserValue(reinterpret_cast<intptr_t>(new ZRAudioUserData()));
    at->setMilliseconds(0);
    editor.insertAudioObject(at.get(), 10, music);
    if (music->trackNumber(false) != 10) return fail(QStringLiteral("music"));

    // The views and the produce page follow the edit, as after a drop.
    window.updateContents(&window);
    int effects = 0;
    for (int i = 0; i < editor.objectCount(); ++i)
        if (ZRVideoUserData* record = chainlinks::clip(editor.objectAt(i));
            record && record->effect)
            ++effects;
    tell(QStringLiteral("edited %1 clips %2 transitions %3 effects %4 titles %5 sounds")
             .arg(editor.objectCount())
             .arg(count(timeline, 2, true))
             .arg(effects)
             .arg(count(timeline, 4, true))
             .arg(count(timeline, 10, false)));
    return true;
}

struct FrameStates {
    int needed = 0; ///< frames that need the background renderer
    int stored = 0; ///< of those, the frames it stored
};

FrameStates frameStates(IZRTimeline& timeline, int frames) {
    FrameStates states;
    ZRScopedPos at(timeline.factory());
    for (int f = 0; f < frames; ++f) {
        at->setTotalFrames(f);
        const int state = timeline.renderStateAt(at.get());
        if (state != 0) ++states.needed;
        if (state == 2) ++states.stored;
    }
    return states;
}

// Switches background rendering on through the Options menu and runs the window until every
// frame that needs the renderer is stored (or the limit passed).
void renderInBackground(ZRSBMainWindow& window, int frames) {
    if (!window.isMenuItemChecked(ZRSBMainWindow::BackgroundRendererItem))
        window.slotMenuItemActivated(ZRSBMainWindow::BackgroundRendererItem);
    int on = 0;
    window.timeline()->settings()->getIntSetting("Enable Background Rendering", &on);
    tell(QStringLiteral("background ") + (on ? QStringLiteral("on") : QStringLiteral("off")));

    QElapsedTimer clock;
    clock.start();
    FrameStates states;
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        states = frameStates(*window.timeline(), frames);
        if ((states.needed > 0 && states.stored == states.needed) ||
            clock.elapsed() > kStoreLimitMs)
            loop.quit();
    });
    poll.start(200);
    loop.exec();
    tell(QStringLiteral("stored %1 of %2 in %3 s")
             .arg(states.stored)
             .arg(states.needed)
             .arg(double(clock.elapsed()) / 1000.0, 0, 'f', 1));
}

// --- The parent's checks ----------------------------------------------------------------------

QString valueAfter(const QStringList& lines, const QString& key) {
    for (const QString& line : lines)
        if (line.startsWith(key + QLatin1Char(' '))) return line.mid(key.size() + 1);
    return QString();
}

// The errors ffmpeg meets decoding the whole file.
QString decodeErrors(const QString& path) {
    QProcess process;
    process.start(QStringLiteral("ffmpeg"),
                  {QStringLiteral("-nostdin"), QStringLiteral("-v"), QStringLiteral("error"),
                   QStringLiteral("-i"), path, QStringLiteral("-f"), QStringLiteral("null"),
                   QStringLiteral("-")});
    if (!process.waitForFinished(300000)) {
        process.kill();
        process.waitForFinished();
        return QStringLiteral("ffmpeg did not end");
    }
    const QString errors = QString::fromLocal8Bit(process.readAllStandardError());
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return errors + QStringLiteral("ffmpeg failed");
    return errors;
}

// The length of the first sound stream of `path` in seconds: the sum of its packets' lengths
// (the container's own duration is an estimate for program streams).
double soundSeconds(const QString& path) {
    const QByteArray lengths =
        ffprobe::run({QStringLiteral("-v"), QStringLiteral("error"),
                      QStringLiteral("-select_streams"), QStringLiteral("a:0"),
                      QStringLiteral("-show_entries"), QStringLiteral("packet=duration_time"),
                      QStringLiteral("-of"), QStringLiteral("csv=p=0"), path});
    double seconds = 0;
    for (const QByteArray& line : lengths.split('\n'))
        seconds += line.trimmed().toDouble();
    return seconds;
}

// The files holding the picture of a render: its segments, or the file itself.
QStringList renderedFiles(const Render& render, const QString& path) {
    if (!render.segmented) return {path};
    std::string error;
    const std::optional<segments::ZRSegmentList> list =
        segments::ZRSegmentList::read(QFile::encodeName(path).toStdString(), &error);
    if (!list) {
        ADD_FAILURE() << path.toStdString() << ": " << error;
        return {};
    }
    EXPECT_EQ(list->kind(), segments::ZRSegmentList::Kind::DV);
    QStringList files;
    for (const segments::ZRSegmentList::Entry& entry : list->entries())
        files.append(QFile::decodeName(QByteArray::fromStdString(entry.path)));
    return files;
}

} // namespace

bool makeMedia(const QString& folder) {
    const QDir dir(folder);
    const QString pictures[] = {QStringLiteral("smptebars"), QStringLiteral("testsrc2"),
                                QStringLiteral("testsrc")};
    const int tones[] = {440, 550, 660};
    for (int i = 0; i < 3; ++i)
        if (!makeClip(dir.filePath(QLatin1String(kClips[i])), pictures[i], tones[i])) return false;
    // Five seconds of a chord whose root steps up every second, at another rate than the
    // exports' (the renders resample it).
    return ffmpeg({QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                   QStringLiteral("aevalsrc=0.2*sin(2*PI*(220+55*floor(t))*t)+0.15*sin(2*PI*"
                                  "(330+55*floor(t))*t):s=44100:d=5"),
                   QStringLiteral("-ac"), QStringLiteral("2"), QStringLiteral("-c:a"),
                   QStringLiteral("pcm_s16le"), QStringLiteral("-f"), QStringLiteral("wav"),
                   dir.filePath(QStringLiteral("music.wav"))});
}

bool writeSettings(const QString& path) {
    if (!QDir().mkpath(QFileInfo(path).absolutePath())) return false;
    const std::unique_ptr<QConfig> settings(settingsfile::open(path));
    if (!settings) return false;
    using namespace settingsfile;
    settings->setGroup(QLatin1String(kGeneral));
    settings->writeEntry(QLatin1String(kProfileDialogFormat), 0);
    settings->writeEntry(QLatin1String(kProfileDialogStandard), false);
    settings->writeEntry(QLatin1String(kFileSplitSize), 5120);
    settings->writeEntry(QLatin1String(kUseBackgroundRenderer), false);
    return settings->writeFile();
}

void run(ZRSBMainWindow& window) {
    // Four composers whatever the cores, so that the render means the same on two.
    ZRExportComposers::setThreadsForTesting(4);
    tell(QStringLiteral("composers %1").arg(ZRExportComposers::machineThreads()));
    const QByteArray project = qgetenv(kSaveAs);
    const QDir folder = QFileInfo(QFile::decodeName(project)).absoluteDir();
    IZRTimeline& timeline = *window.timeline();
    double rate = 0;
    timeline.settings()->getDoubleSetting("Framerate", &rate);
    tell(QStringLiteral("rate %1").arg(rate));
    if (!editProject(window, folder)) return;
    const int frames = int(std::lround(timeline.endPosition()->toFrames()));
    tell(QStringLiteral("frames %1").arg(frames));
    renderInBackground(window, frames);

    window.modeButton(2)->click();
    ZRExportView& page = *window.producePage();
    for (const Render& render : kRenders) {
        const int index = page.profileBox()->findText(QLatin1String(render.profile));
        if (index < 0) {
            tell(QStringLiteral("no profile ") + QLatin1String(render.profile));
            continue;
        }
        page.profileBox()->setCurrentIndex(index);
        page.slotFormatActivated(index);
        qputenv(kSaveAs, QFile::encodeName(folder.filePath(QLatin1String(render.file))));
        QElapsedTimer clock;
        clock.start();
        page.slotRenderClicked();
        char* written = nullptr;
        if (!timeline.settings()->getStringSetting("Export Filename", &written)) written = nullptr;
        tell(QStringLiteral("rendered %1|%2|%3 s")
                 .arg(QLatin1String(render.profile),
                      written ? QFile::decodeName(written) : QString(),
                      QString::number(double(clock.elapsed()) / 1000.0, 'f', 1)));
    }
    qputenv(kSaveAs, project);
}

void checkRenders(const QStringList& lines, const QString& folder) {
    const QString report = lines.join(QLatin1Char('\n'));
    SCOPED_TRACE(report.toStdString());
    EXPECT_EQ(valueAfter(lines, QStringLiteral("composers")), QStringLiteral("4"));
    EXPECT_EQ(valueAfter(lines, QStringLiteral("rate")), QStringLiteral("25"));
    EXPECT_EQ(valueAfter(lines, QStringLiteral("edited")),
              QStringLiteral("4 clips 1 transitions 2 effects 1 titles 1 sounds"));
    EXPECT_EQ(valueAfter(lines, QStringLiteral("background")), QStringLiteral("on"));
    const QStringList stored = valueAfter(lines, QStringLiteral("stored")).split(QLatin1Char(' '));
    ASSERT_GE(stored.size(), 3);
    EXPECT_GT(stored[2].toInt(), 0);
    EXPECT_EQ(stored[0], stored[2]) << "the background renderer did not store every frame";
    EXPECT_TRUE(lines.filter(QStringLiteral("inform ")).isEmpty());
    const int frames = valueAfter(lines, QStringLiteral("frames")).toInt();
    ASSERT_GT(frames, 0);

    for (const Render& render : kRenders) {
        SCOPED_TRACE(render.profile);
        const QString path = QDir(folder).filePath(QLatin1String(render.file));
        const QStringList rendered = lines.filter(QStringLiteral("rendered ") +
                                                  QLatin1String(render.profile) + QLatin1Char('|'));
        ASSERT_EQ(rendered.size(), 1);
        EXPECT_EQ(rendered[0].section(QLatin1Char('|'), 1, 1), path);

        const QStringList files = renderedFiles(render, path);
        ASSERT_FALSE(files.isEmpty());
        long long pictures = 0;
        double sound = 0;
        for (const QString& file : files) {
            SCOPED_TRACE(file.toStdString());
            const ffprobe::Probe probe = ffprobe::probe(QFile::encodeName(file).toStdString());
            ASSERT_TRUE(probe.ok);
            const ffprobe::Stream* video = probe.first("video");
            const ffprobe::Stream* audio = probe.first("audio");
            ASSERT_TRUE(video && audio);
            EXPECT_EQ(video->codec, render.videoCodec);
            EXPECT_EQ(video->width, render.width);
            EXPECT_EQ(video->height, render.height);
            EXPECT_NEAR(video->rate, kRate, 0.01);
            EXPECT_EQ(audio->codec, render.audioCodec);
            EXPECT_EQ(audio->channels, 2);
            pictures += video->packets;
            sound += soundSeconds(file);
            EXPECT_EQ(decodeErrors(file), QString());
        }
        // Every frame of the timeline, and its sound to within a frame (sound packets end on
        // their own boundaries).
        EXPECT_EQ(pictures, frames);
        EXPECT_NEAR(sound, frames / kRate, 1.0 / kRate);
    }
}

} // namespace renderscenario
