// The whole program under a display server (the test runs under xvfb-run): each case starts
// copies of the program as child processes, in fresh state folders, and watches what they do.
// A child is this same program called with "--session <scenario>": it runs the program's own
// start-up (clipsteadMain) with a test timer that reports what the shown window holds.
#include "app/ZRProgram.h"
#include "app/ZRProjectArgument.h"
#include "app/ZRSBMainWindow.h"
#include "app/ZRSettingsFile.h"
#include "app/ZRSingleInstance.h"
#include "browser/ZRBrowserIconView.h"
#include "browser/ZRIconViewItem.h"
#include "browser/ZRSBBrowser.h"
#include "classes/skins/ZRSkinPreload.h"
#include "classes/widgets/ZRComboBox.h"
#include "common/config/QConfig.h"
#include "editor/ZRAppState.h"
#include "editor/ZRNotifier.h"
#include "editor/ZRVeskEditor.h"
#include "engine/api/IZRObject.h"
#include "engine/api/IZRObjectFactory.h"
#include "engine/api/IZRPos.h"
#include "engine/api/IZRTimeline.h"
#include "tests/program/RenderScenario.h"
#include "views/ZRTimelineTrack.h"
#include "views/ZRTimelineView.h"
#include "views/ZRWindowServices.h"

#include <QAbstractItemView>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

namespace {

// --- The child: one run of the program -------------------------------------------------------

void say(const QString& line) {
    std::printf("%s\n", qPrintable(line));
    std::fflush(stdout);
}

// Dialogs and boxes of the window, answered without a user: file dialogs with the name in
// CLIPSTEAD_TEST_SAVE_AS, the profile dialog accepted, the save prompt with `saveAnswer`; each
// question is told on the output.
class ScriptedServices : public ZRWindowServices {
public:
    SaveAnswer saveAnswer = SaveAnswer::Save;

    QString fileName(QWidget*, bool, const QString&, const QString&, const QString&) override {
        say(QStringLiteral("asked file"));
        return qEnvironmentVariable("CLIPSTEAD_TEST_SAVE_AS");
    }
    SaveAnswer askSaveChanges(QWidget*, const QString&, const QString& text) override {
        say(QStringLiteral("asked save ") + text);
        return saveAnswer;
    }
    bool confirmOverwrite(QWidget*, const QString&, const QString&) override {
        say(QStringLiteral("asked overwrite"));
        return true;
    }
    void warning(QWidget*, const QString& caption, const QString& text) override {
        say(QStringLiteral("warning ") + caption + QLatin1Char('|') + text);
    }
    void informAbort(QWidget*, const QString& caption, const QString& text) override {
        say(QStringLiteral("inform ") + caption + QLatin1Char('|') + text);
    }
    int runProfileDialog(ZRProfileDialog&) override { return 1; }
    void showAbout(QWidget*) override {}
};

class ScriptedNotifier : public ZRNotifier {
public:
    void critical(const QString& caption, const QString& text) override {
        say(QStringLiteral("error ") + caption + QLatin1Char('|') + text);
    }
};

IZRPos* framesPos(int frames) {
    IZRPos* pos = appState().timeline->factory()->createPos();
    pos->addFrames(frames);
    return pos;
}

// The clips of the project as "<count> <mark-in>-<mark-out> ...".
QString clipList(ZRVeskEditor& editor) {
    QString list = QString::number(editor.objectCount());
    for (int i = 0; i < editor.objectCount(); ++i) {
        IZRObject* clip = editor.objectAt(i);
        list += QLatin1Char(' ') + QString::fromLatin1(clip->markIn()->toText()) +
                QLatin1Char('-') + QString::fromLatin1(clip->markOut()->toText());
    }
    return list;
}

void report(ZRSBMainWindow& window) {
    say(QStringLiteral("caption ") + window.windowTitle());
    say(QStringLiteral("project ") + commandLineProject());
    say(QStringLiteral("folder ") + QDir::currentPath());
    say(QStringLiteral("locked ") +
        (QFile::exists(ZRSingleInstance().path()) ? QStringLiteral("yes") : QStringLiteral("no")));
    say(QStringLiteral("clips ") + clipList(*window.editor()));
    say(QStringLiteral("modified ") +
        (appState().modified ? QStringLiteral("yes") : QStringLiteral("no")));
}

// What the test timer does once the window is up, by scenario:
// "report": tells what the window shows and where the program runs, then closes the window
// (and does not save).
// "make": builds a project of three solid-colour clips, saves it, tells its clips and closes.
// "edit": tells, saves, trims the first clip, tells the clips, closes: the prompt comes.
// "render": edits a project and renders it in four profiles (RenderScenario.h), then closes.
// "dropsound": makes a clip, shows the timeline, adds the sound file CLIPSTEAD_TEST_MEDIA to the
// media page and tells "drag <from x> <from y> <ruler x> <ruler y> <to x> <to y>" (screen points:
// the sound's icon, the ruler above the AUDIO2 track, the track), then waits up to 30 s for a sound
// on AUDIO2 and tells "audio2 yes" or "audio2 no", then closes without saving.
// "combos": opens the list of every drop-down box of the window that holds entries and tells
// "combo <name> <list width> <box width>", then closes.
void act(const QByteArray& scenario, ZRSBMainWindow& window) {
    ZRVeskEditor& editor = *window.editor();
    report(window);
    if (scenario == "dropsound") {
        // A sound goes beside the movie: the project holds a clip of 10 seconds.
        IZRObject* clip = appState().timeline->factory()->createObject(
            "Solid Color", "RGB(40,80,120)", nullptr, nullptr);
        appState().timeline->setObjectMarkOut(clip, framesPos(300));
        editor.insertClip(clip, 0);
        window.slotViewModeChanged(1);
        ZRBrowserIconView* media = window.browser()->clipView();
        media->addClip(qEnvironmentVariable("CLIPSTEAD_TEST_MEDIA"), false, false);
        QTest::qWait(500);
        ZRTimelineView* timeline = window.timelineView();
        ZRTimelineTrack* audio2 = timeline->trackAt(4);
        const ZRIconViewItem* item = media->lastItem();
        if (item && audio2) {
            const QPoint from = media->viewport()->mapToGlobal(
                media->contentsToViewport(item->pixmapRect(false).center()));
            const QRect track = audio2->contentRect().translated(0, -timeline->verticalValue());
            const QPoint to = timeline->mapToGlobal(QPoint(track.left() + 40, track.center().y()));
            const QPoint ruler = timeline->mapToGlobal(
                QPoint(track.left() + 40, timeline->rulerRect().center().y()));
            say(QStringLiteral("drag %1 %2 %3 %4 %5 %6")
                    .arg(from.x())
                    .arg(from.y())
                    .arg(ruler.x())
                    .arg(ruler.y())
                    .arg(to.x())
                    .arg(to.y()));
            for (int i = 0; i < 300 && !audio2->firstObject(); ++i)
                QTest::qWait(100);
        }
        say(QStringLiteral("audio2 ") +
            (audio2 && audio2->firstObject() ? QStringLiteral("yes") : QStringLiteral("no")));
    }
    if (scenario == "combos") {
        for (ZRComboBox* box : window.findChildren<ZRComboBox*>()) {
            if (box->count() == 0) continue;
            box->window()->activateWindow();
            box->showPopup();
            QWidget* list = box->view()->window();
            // The list is shown through the window manager: wait until it is up.
            for (int i = 0; i < 100 && !list->isVisible(); ++i)
                QTest::qWait(20);
            QTest::qWait(50);
            say(QStringLiteral("combo %1 %2 %3")
                    .arg(box->objectName())
                    .arg(list->isVisible() ? list->width() : 0)
                    .arg(box->width()));
            box->hidePopup();
        }
    }
    if (scenario == "make") {
        for (int frames : {30, 45, 60}) {
            IZRObject* clip = appState().timeline->factory()->createObject(
                "Solid Color", "RGB(40,80,120)", nullptr, nullptr);
            appState().timeline->setObjectMarkOut(clip, framesPos(frames));
            editor.insertClip(clip, editor.objectCount());
        }
        say(QStringLiteral("saved ") +
            (window.slotSaveProject() ? QStringLiteral("yes") : QStringLiteral("no")));
    } else if (scenario == "edit") {
        say(QStringLiteral("saved ") +
            (window.slotSaveProject() ? QStringLiteral("yes") : QStringLiteral("no")));
        editor.setClipMarkOut(editor.objectAt(0), framesPos(20));
    } else if (scenario == "render") {
        renderscenario::run(window);
    }
    say(QStringLiteral("after ") + clipList(editor));
    // The shut-down gives the lock up before it tears the window down.
    QObject::connect(&window, &QObject::destroyed, [] {
        say(QStringLiteral("locked at teardown ") + (QFile::exists(ZRSingleInstance().path())
                                                         ? QStringLiteral("yes")
                                                         : QStringLiteral("no")));
    });
    window.close();
}

// "hold": tells that it runs and keeps running until it is killed.
// "depth8": runs on a display of 8 bits per pixel.
// "noengine": the engine cannot be made.
int runSession(const QByteArray& scenario, int argc, char** argv) {
    ScriptedServices services;
    // A project only looked at is left as it is (an opened project counts as changed).
    if (scenario == "report" || scenario == "dropsound")
        services.saveAnswer = ZRWindowServices::SaveAnswer::DontSave;
    ZRWindowServices::install(&services);
    ScriptedNotifier notifier;
    ZRNotifier::install(&notifier);
    ZRStartupHooks hooks;
    hooks.critical = [](const QString& title, const QString& text) {
        say(QStringLiteral("critical ") + title + QLatin1Char('|') + text);
    };
    if (scenario == "depth8") hooks.colourDepth = [] { return 8; };
    // "noskins": the skins are looked for in a folder without any.
    if (scenario == "noskins") setSkinBaseFolder(QDir::currentPath());
    if (scenario == "noengine")
        hooks.createTimeline = [](IZRCallbacks*) -> IZRTimeline* { return nullptr; };
    hooks.started = [scenario](QWidget* shown) {
        auto* window = qobject_cast<ZRSBMainWindow*>(shown);
        if (scenario == "hold" || !window) {
            say(QStringLiteral("running"));
            return;
        }
        QTimer::singleShot(0, window, [scenario, window] { act(scenario, *window); });
    };
    const int status = clipsteadMain(argc, argv, hooks);
    ZRWindowServices::install(nullptr);
    ZRNotifier::install(nullptr);
    return status;
}

// --- The parent: starting children ---------------------------------------------------------

QString programFolder() {
    return QFileInfo(QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget()).absolutePath();
}

struct Outcome {
    int exitCode = -1;
    bool crashed = false;
    QStringList lines;
    QString errors;
};

// A fresh set of user folders (settings, cache, runtime) for the copies a test starts.
class ProgramRun : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(home.isValid());
        for (const char* sub : {"config", "cache", "runtime", "elsewhere"})
            ASSERT_TRUE(QDir(home.path()).mkpath(QString::fromLatin1(sub)));
        QFile::setPermissions(home.filePath(QStringLiteral("runtime")),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    QProcessEnvironment environment() const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), home.path());
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
        env.insert(QStringLiteral("XDG_CACHE_HOME"), home.filePath(QStringLiteral("cache")));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), home.filePath(QStringLiteral("runtime")));
        if (!saveAs.isEmpty()) env.insert(QStringLiteral("CLIPSTEAD_TEST_SAVE_AS"), saveAs);
        if (!media.isEmpty()) env.insert(QStringLiteral("CLIPSTEAD_TEST_MEDIA"), media);
        if (!argumentHex.isEmpty())
            env.insert(QStringLiteral("CLIPSTEAD_TEST_ARGUMENT_HEX"), argumentHex);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), env.contains(QStringLiteral("DISPLAY"))
                                                          ? QStringLiteral("xcb")
                                                          : QStringLiteral("offscreen"));
        return env;
    }

    QString lockPath() const {
        return home.filePath(QStringLiteral("runtime/VESK_STARTUP_INDICATOR.lock"));
    }

    // Starts a child in `folder` (the "elsewhere" folder when empty): a session of this program,
    // or the program itself when `scenario` is null.
    void start(QProcess& process, const char* scenario, const QStringList& arguments,
               const QString& folder = QString()) const {
        process.setProcessEnvironment(environment());
        process.setWorkingDirectory(folder.isEmpty() ? home.filePath(QStringLiteral("elsewhere"))
                                                     : folder);
        if (scenario) {
            process.setProgram(QCoreApplication::applicationFilePath());
            process.setArguments(
                QStringList{QStringLiteral("--session"), QString::fromLatin1(scenario)} +
                arguments);
        } else {
            process.setProgram(programFolder() + QStringLiteral("/clipstead"));
            process.setArguments(arguments);
        }
        process.start();
    }

    // Waits for the child to end (a generous limit that only stops a hung child).
    static Outcome finish(QProcess& process, int limitMs = 120000) {
        Outcome outcome;
        if (!process.waitForFinished(limitMs)) {
            process.kill();
            process.waitForFinished();
            ADD_FAILURE() << "the program did not end";
        }
        outcome.crashed = process.exitStatus() != QProcess::NormalExit;
        outcome.exitCode = process.exitCode();
        const QString out = QString::fromLocal8Bit(process.readAllStandardOutput());
        outcome.lines = out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        const QByteArray errors = process.readAllStandardError();
        outcome.errors = QString::fromLocal8Bit(errors);
        if (!errors.isEmpty()) std::fprintf(stderr, "%s", errors.constData());
        return outcome;
    }

    Outcome run(const char* scenario, const QStringList& arguments,
                const QString& folder = QString()) const {
        QProcess process;
        start(process, scenario, arguments, folder);
        return finish(process);
    }

    // Starts the window manager on the test's display and waits until it manages the screen.
    void startWindowManager(QProcess& manager) const {
        manager.setProcessEnvironment(environment());
        manager.setProgram(QStringLiteral("openbox"));
        manager.setArguments({QStringLiteral("--sm-disable")});
        manager.start();
        ASSERT_TRUE(manager.waitForStarted()) << "openbox is missing (scripts/setup installs it)";
        // openbox says nothing when it is ready: give it the moment it takes to take the screen.
        QTest::qWait(1000);
        ASSERT_EQ(manager.state(), QProcess::Running);
    }

    // Waits until the child prints a line starting with `prefix` and gives it; false when the
    // child ended first.
    static bool waitForPrefix(QProcess& process, const QString& prefix, QString* line) {
        while (process.state() != QProcess::NotRunning || process.bytesAvailable() > 0) {
            if (!process.canReadLine() && !process.waitForReadyRead(120000)) return false;
            while (process.canReadLine()) {
                const QString read = QString::fromLocal8Bit(process.readLine()).trimmed();
                if (read.startsWith(prefix)) {
                    *line = read;
                    return true;
                }
            }
        }
        return false;
    }

    // Two seconds of 48 kHz 16-bit stereo silence with a tone, as a WAV file.
    static void writeWav(const QString& path) {
        const int rate = 48000, frames = rate * 2;
        QByteArray data(frames * 4, '\0');
        for (int i = 0; i < frames; ++i) {
            const qint16 v = qint16((i / 50) % 2 ? 8000 : -8000);
            for (int c = 0; c < 2; ++c)
                std::memcpy(data.data() + i * 4 + c * 2, &v, 2);
        }
        auto u32 = [](quint32 v) { return QByteArray(reinterpret_cast<const char*>(&v), 4); };
        auto u16 = [](quint16 v) { return QByteArray(reinterpret_cast<const char*>(&v), 2); };
        QByteArray wav = "RIFF" + u32(36 + quint32(data.size())) + "WAVEfmt " + u32(16) + u16(1) +
                         u16(2) + u32(rate) + u32(rate * 4) + u16(4) + u16(16) + "data" +
                         u32(quint32(data.size())) + data;
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(wav);
    }

    // Waits until the child prints `line`; false when it ended first.
    static bool waitForLine(QProcess& process, const QString& line) {
        QByteArray seen;
        while (process.state() != QProcess::NotRunning || process.bytesAvailable() > 0) {
            if (!process.canReadLine() && !process.waitForReadyRead(120000)) return false;
            while (process.canReadLine()) {
                if (QString::fromLocal8Bit(process.readLine()).trimmed() == line) return true;
            }
        }
        return false;
    }

    QTemporaryDir home;
    /// What the children's file dialogs answer.
    QString saveAs;
    /// The bytes of one more argument for the children, in hex.
    QString argumentHex;
    /// The media file a child adds.
    QString media;
};

QString valueOf(const Outcome& outcome, const QString& key) {
    for (const QString& line : outcome.lines)
        if (line.startsWith(key + QLatin1Char(' '))) return line.mid(key.size() + 1);
    return QStringLiteral("<none>");
}

} // namespace

TEST_F(ProgramRun, EditsARelativeProjectFromAnotherFolderAndSavesOnQuit) {
    const QString films = home.filePath(QStringLiteral("films"));
    ASSERT_TRUE(QDir().mkpath(films));
    const QString project = films + QStringLiteral("/holiday.zrs");

    // A first start makes the project: three clips, saved through the file dialog.
    saveAs = project;
    const Outcome made = run("make", {});
    EXPECT_FALSE(made.crashed);
    EXPECT_EQ(made.exitCode, 0);
    EXPECT_EQ(valueOf(made, QStringLiteral("saved")), QStringLiteral("yes"));
    const QString madeClips = valueOf(made, QStringLiteral("after"));
    EXPECT_TRUE(madeClips.startsWith(QStringLiteral("3 "))) << madeClips.toStdString();
    EXPECT_FALSE(made.lines.join('\n').contains(QStringLiteral("asked save")));
    ASSERT_TRUE(QFile::exists(project));

    // The first start left the settings every later start reads.
    {
        const std::unique_ptr<QConfig> settings(settingsfile::open(
            home.filePath(QStringLiteral("config/clipstead/")) + settingsfile::kFileName));
        ASSERT_NE(settings, nullptr);
        settings->setGroup(QLatin1String(settingsfile::kGeneral));
        for (const char* key : {settingsfile::kMediaFolder, settingsfile::kSnapshotFolder,
                                settingsfile::kBackgroundImage})
            EXPECT_TRUE(settings->hasKey(QLatin1String(key))) << key;
    }

    // Started elsewhere with the project named relative to there: it opens, is saved, trimmed,
    // and the window's close asks about the trim; the answer Save writes it.
    saveAs.clear();
    const Outcome edited = run("edit", {QStringLiteral("../films/holiday.zrs")});
    EXPECT_FALSE(edited.crashed);
    EXPECT_EQ(edited.exitCode, 0);
    EXPECT_EQ(valueOf(edited, QStringLiteral("project")), project);
    EXPECT_TRUE(valueOf(edited, QStringLiteral("caption")).contains(QStringLiteral("holiday")));
    EXPECT_EQ(valueOf(edited, QStringLiteral("clips")), madeClips);
    EXPECT_EQ(valueOf(edited, QStringLiteral("saved")), QStringLiteral("yes"));
    // Started elsewhere, the program works in its own folder.
    EXPECT_EQ(valueOf(edited, QStringLiteral("folder")), programFolder());
    EXPECT_EQ(valueOf(edited, QStringLiteral("locked")), QStringLiteral("yes"));
    const QString trimmed = valueOf(edited, QStringLiteral("after"));
    EXPECT_NE(trimmed, madeClips);
    EXPECT_EQ(edited.lines.filter(QStringLiteral("asked save")).size(), 1)
        << edited.lines.join('\n').toStdString();
    EXPECT_TRUE(edited.lines.filter(QStringLiteral("asked file")).isEmpty());
    EXPECT_FALSE(QFile::exists(lockPath()));

    // The project reloads as it was when the program ended.
    const Outcome reloaded = run("report", {project});
    EXPECT_EQ(reloaded.exitCode, 0);
    EXPECT_EQ(valueOf(reloaded, QStringLiteral("clips")), trimmed);
    EXPECT_TRUE(reloaded.lines.filter(QStringLiteral("asked file")).isEmpty());
    EXPECT_FALSE(QFile::exists(lockPath()));
}

// An edited project whose costly frames the background renderer stored renders through the
// produce page in four profiles, one after another, the export composing on four threads that
// read the stored frames at once.
TEST_F(ProgramRun, RendersAnEditedProjectFromStoredFramesInFourProfiles) {
    const QString folder = home.filePath(QStringLiteral("render"));
    ASSERT_TRUE(QDir().mkpath(folder));
    ASSERT_TRUE(renderscenario::makeMedia(folder));
    ASSERT_TRUE(renderscenario::writeSettings(home.filePath(QStringLiteral("config/clipstead/")) +
                                              settingsfile::kFileName));
    saveAs = folder + QStringLiteral("/edited.zrs");
    QProcess process;
    start(process, "render", {});
    const Outcome outcome = finish(process, 480000);
    EXPECT_FALSE(outcome.crashed) << outcome.lines.join('\n').toStdString();
    EXPECT_EQ(outcome.exitCode, 0);
    renderscenario::checkRenders(outcome.lines, folder);
}

// Under a window manager, as a user runs the program: each drop-down list opens at least as wide
// as its box.
TEST_F(ProgramRun, DropDownListsOpenAsWideAsTheirBoxes) {
    QProcess manager;
    startWindowManager(manager);
    const Outcome outcome = run("combos", {});
    manager.kill();
    manager.waitForFinished();
    EXPECT_EQ(outcome.exitCode, 0);
    const QStringList combos = outcome.lines.filter(QRegularExpression(QStringLiteral("^combo ")));
    EXPECT_GE(combos.size(), 4) << outcome.lines.join('\n').toStdString();
    for (const QString& line : combos) {
        // "combo <name, which may hold spaces> <list width> <box width>"
        const QStringList f = line.split(QLatin1Char(' '));
        EXPECT_GE(f.value(f.size() - 2).toInt(), f.last().toInt()) << line.toStdString();
    }
}

// A user's drag of a sound from the media page down onto AUDIO2, under a window manager: the
// pointer enters the timeline over its ruler.
TEST_F(ProgramRun, ASoundDraggedInOverTheRulerLandsOnTheAudioTrack) {
    const QString sound = home.filePath(QStringLiteral("music.wav"));
    writeWav(sound);
    media = sound;
    QProcess manager;
    startWindowManager(manager);
    QProcess program;
    start(program, "dropsound", {});
    QString drag;
    ASSERT_TRUE(waitForPrefix(program, QStringLiteral("drag "), &drag));
    const QStringList p = drag.split(QLatin1Char(' '));
    ASSERT_EQ(p.size(), 7);
    // Down onto the ruler in small steps, as a hand moves, then onto the track.
    const QPoint from(p[1].toInt(), p[2].toInt()), ruler(p[3].toInt(), p[4].toInt()),
        to(p[5].toInt(), p[6].toInt());
    QStringList steps{QStringLiteral("mousemove"), QString::number(from.x()),
                      QString::number(from.y()),   QStringLiteral("sleep"),
                      QStringLiteral("0.3"),       QStringLiteral("mousedown"),
                      QStringLiteral("1")};
    auto walk = [&](QPoint a, QPoint b, int n) {
        for (int i = 1; i <= n; ++i)
            steps << QStringLiteral("mousemove") << QString::number(a.x() + (b.x() - a.x()) * i / n)
                  << QString::number(a.y() + (b.y() - a.y()) * i / n) << QStringLiteral("sleep")
                  << QStringLiteral("0.05");
    };
    walk(from, ruler, 20);
    walk(ruler, to, 5);
    walk(to, to + QPoint(6, 0), 3);
    steps << QStringLiteral("sleep") << QStringLiteral("0.3") << QStringLiteral("mouseup")
          << QStringLiteral("1");
    QProcess xdotool;
    xdotool.setProcessEnvironment(environment());
    xdotool.start(QStringLiteral("xdotool"), steps);
    EXPECT_TRUE(xdotool.waitForFinished(60000)) << "xdotool is missing (scripts/setup installs it)";
    const Outcome outcome = finish(program);
    manager.kill();
    manager.waitForFinished();
    EXPECT_EQ(valueOf(outcome, QStringLiteral("audio2")), QStringLiteral("yes"))
        << outcome.lines.join('\n').toStdString();
}

TEST_F(ProgramRun, ArgumentsThatAreNoProjectOpenNone) {
    const Outcome outcome =
        run("report", {QStringLiteral("missing.zrs"), QStringLiteral("LOCALEID=de")});
    EXPECT_EQ(outcome.exitCode, 0);
    EXPECT_EQ(valueOf(outcome, QStringLiteral("project")), QString());
    EXPECT_FALSE(QFile::exists(lockPath()));
}

TEST_F(ProgramRun, RefusesDisplaysBelowSixteenBitsAndReleasesTheLock) {
    const Outcome outcome = run("depth8", {});
    EXPECT_FALSE(outcome.crashed);
    EXPECT_EQ(outcome.exitCode, 1);
    EXPECT_EQ(valueOf(outcome, QStringLiteral("critical")),
              QStringLiteral("Clipstead 5|You must set your monitor display properties to a "
                             "minimum of 16 bit color"));
    EXPECT_FALSE(QFile::exists(lockPath()));
}

TEST_F(ProgramRun, EndsWithAMessageWhenTheEngineCannotBeMade) {
    const Outcome outcome = run("noengine", {});
    EXPECT_FALSE(outcome.crashed);
    EXPECT_EQ(outcome.exitCode, 1);
    EXPECT_EQ(valueOf(outcome, QStringLiteral("critical")),
              QStringLiteral("Clipstead 5|The editing engine could not be started."));
    EXPECT_FALSE(QFile::exists(lockPath()));
}

TEST_F(ProgramRun, OneCopyAtATimeAndAKilledCopyBlocksNoOne) {
    QProcess first;
    start(first, "hold", {});
    ASSERT_TRUE(waitForLine(first, QStringLiteral("running")));
    ASSERT_TRUE(QFile::exists(lockPath()));

    // The program itself and a session both leave at once, with success and nothing shown.
    const Outcome program = run(nullptr, {});
    EXPECT_FALSE(program.crashed);
    EXPECT_EQ(program.exitCode, 0);
    EXPECT_TRUE(program.errors.contains(QStringLiteral("already running")))
        << program.errors.toStdString();
    const Outcome second = run("report", {});
    EXPECT_EQ(second.exitCode, 0);
    EXPECT_TRUE(second.lines.isEmpty()) << second.lines.join(' ').toStdString();
    EXPECT_TRUE(QFile::exists(lockPath()));

    first.kill();
    ASSERT_TRUE(first.waitForFinished(120000));
    const Outcome after = run("report", {});
    EXPECT_EQ(after.exitCode, 0);
    EXPECT_EQ(valueOf(after, QStringLiteral("caption")),
              QStringLiteral("Clipstead 5 - [Untitled]"));
    EXPECT_EQ(valueOf(after, QStringLiteral("locked at teardown")), QStringLiteral("no"));
    EXPECT_FALSE(QFile::exists(lockPath()));

    // A lock that names no owner (a copy killed while writing it, a full disk) blocks no one.
    {
        QFile empty(lockPath());
        ASSERT_TRUE(empty.open(QIODevice::WriteOnly));
    }
    const Outcome overEmpty = run("report", {});
    EXPECT_EQ(overEmpty.exitCode, 0);
    EXPECT_EQ(valueOf(overEmpty, QStringLiteral("caption")),
              QStringLiteral("Clipstead 5 - [Untitled]"));
    EXPECT_FALSE(QFile::exists(lockPath()));
}

// A program killed while it runs keeps what it changed in its settings a few seconds before:
// the first start's folders here, as much as browser entries, titles or profiles.
TEST_F(ProgramRun, AKilledProgramKeepsItsSettingsChanges) {
    const QString settings = home.filePath(QStringLiteral("config/clipstead/clipstead.ini"));
    QProcess running;
    start(running, "hold", {});
    ASSERT_TRUE(waitForLine(running, QStringLiteral("running")));
    QByteArray text;
    QDeadlineTimer deadline(20000);
    while (!deadline.hasExpired()) {
        QFile file(settings);
        if (file.open(QIODevice::ReadOnly)) text = file.readAll();
        if (text.contains("MediaFolder=")) break;
        QThread::msleep(100);
    }
    running.kill();
    ASSERT_TRUE(running.waitForFinished(120000));
    EXPECT_TRUE(text.startsWith("# Config File\n")) << text.constData();
    EXPECT_TRUE(text.contains("MediaFolder=")) << text.constData();
    EXPECT_TRUE(text.contains("BackgroundImage=")) << text.constData();
}

TEST_F(ProgramRun, EndsWithAMessageWithoutAnySkins) {
    const Outcome outcome = run("noskins", {});
    EXPECT_FALSE(outcome.crashed);
    EXPECT_EQ(outcome.exitCode, 1);
    EXPECT_TRUE(valueOf(outcome, QStringLiteral("critical"))
                    .startsWith(QStringLiteral("Clipstead 5|The program's skins could not be "
                                               "loaded from:")))
        << outcome.lines.join('\n').toStdString();
    EXPECT_FALSE(QFile::exists(lockPath()));
}

// A project whose file name holds bytes that are no text in the locale's encoding cannot be
// opened by any name the program can form: the user is told which one.
TEST_F(ProgramRun, AProjectNameThatIsNoTextIsReported) {
    const QByteArray name = QFile::encodeName(home.path()) + "/caf\xe9.zrs";
    {
        std::FILE* file = std::fopen(name.constData(), "w");
        ASSERT_NE(file, nullptr);
        std::fputs("// empty project\n", file);
        std::fclose(file);
    }
    // QProcess takes the arguments as text: the child adds the bytes to its own arguments.
    argumentHex = QString::fromLatin1(name.toHex());
    const Outcome outcome = run("report", {});
    EXPECT_EQ(outcome.exitCode, 0);
    const QString warning = valueOf(outcome, QStringLiteral("warning"));
    EXPECT_TRUE(warning.startsWith(QStringLiteral("Open Project|The project could not be opened")))
        << outcome.lines.join('\n').toStdString();
    EXPECT_TRUE(outcome.lines.join('\n').contains(QStringLiteral("caf")));
    // Said once and plainly: no attempt to load it that reports a missing file.
    EXPECT_FALSE(outcome.lines.join('\n').contains(QStringLiteral("File not found")))
        << outcome.lines.join('\n').toStdString();
    EXPECT_FALSE(QFile::exists(lockPath()));
    // The temporary folder's removal cannot name the file either.
    std::remove(name.constData());
}

int main(int argc, char** argv) {
    if (argc >= 3 && std::strcmp(argv[1], "--session") == 0) {
        // The program sees its own name and the arguments after the scenario.
        std::vector<char*> arguments{argv[0]};
        arguments.insert(arguments.end(), argv + 3, argv + argc);
        // An argument given as the hex of its bytes, for bytes that are no text.
        static QByteArray extra =
            QByteArray::fromHex(qgetenv("CLIPSTEAD_TEST_ARGUMENT_HEX")) + QByteArray(1, '\0');
        if (extra.size() > 1) arguments.push_back(extra.data());
        arguments.push_back(nullptr);
        int count = int(arguments.size()) - 1;
        return runSession(QByteArray(argv[2]), count, arguments.data());
    }
    ::testing::InitGoogleTest(&argc, argv);
    QCoreApplication application(argc, argv);
    return RUN_ALL_TESTS();
}
