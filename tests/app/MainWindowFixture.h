#pragma once

// A main window with its real views on a fresh timeline, offscreen, with a settings file of its
// own in the private state folder; dialogs and boxes answer through `FakeServices`.

#include "app/ZRLauncher.h"
#include "app/ZRSBMainWindow.h"
#include "app/ZRSettingsFile.h"
#include "browser/ZRBrowserIconView.h"
#include "common/config/QConfig.h"
#include "editor/ZRAppState.h"
#include "editor/ZRCallbacks.h"
#include "editor/ZRNotifier.h"
#include "editor/ZRVeskEditor.h"
#include "engine/api/IZRObjectFactory.h"
#include "engine/api/IZRPos.h"
#include "engine/api/IZRSettings.h"
#include "engine/api/IZRTimeline.h"
#include "platform/system/SystemPaths.h"
#include "tests/app/ShellSkin.h"
#include "views/ZRWindowServices.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QStringList>
#include <QUrl>

#include <gtest/gtest.h>

#include <memory>
#include <string>

/// Dialogs and boxes that answer from a script and record what was asked.
class FakeServices : public ZRWindowServices {
public:
    QStringList fileAnswers; ///< answers of the file dialogs, in order; empty: cancelled
    int fileDialogs = 0;
    SaveAnswer saveAnswer = SaveAnswer::Cancel;
    int savePrompts = 0;
    bool overwrite = false;
    int overwritePrompts = 0;
    bool abort = false;
    int abortPrompts = 0;
    QStringList warnings; ///< captions of the warnings shown
    int profileResult = 1;
    int profileFormat = 3; ///< the format the dialog was preset to
    int profileDialogs = 0;
    int abouts = 0;
    QList<QStringList> fileLists; ///< answers of the multi-file dialogs, in order
    QList<int> answers;           ///< buttons pressed in the questions, in order; none: escape
    QStringList questions;        ///< texts of the questions asked
    QStringList informations;     ///< texts of the information boxes shown
    QStringList folderAnswers;    ///< answers of the folder dialogs, in order; empty: cancelled
    WarningAnswer wren80Answer;   ///< how the split warning closes
    int wren80Warnings = 0;

    QString fileName(QWidget*, bool, const QString&, const QString&, const QString&) override {
        ++fileDialogs;
        return fileAnswers.isEmpty() ? QString() : fileAnswers.takeFirst();
    }
    QStringList fileNames(QWidget*, const QString&, const QString&, const QString&) override {
        ++fileDialogs;
        return fileLists.isEmpty() ? QStringList() : fileLists.takeFirst();
    }
    int question(QWidget*, const QString&, const QString& text, const QStringList&, int,
                 int escapeButton) override {
        questions.append(text);
        return answers.isEmpty() ? escapeButton : answers.takeFirst();
    }
    SaveAnswer askSaveChanges(QWidget*, const QString&, const QString&) override {
        ++savePrompts;
        return saveAnswer;
    }
    bool confirmOverwrite(QWidget*, const QString&, const QString&) override {
        ++overwritePrompts;
        return overwrite;
    }
    bool confirmAbort(QWidget*, const QString&, const QString&) override {
        ++abortPrompts;
        return abort;
    }
    void warning(QWidget*, const QString& caption, const QString&) override {
        warnings.append(caption);
    }
    void information(QWidget*, const QString&, const QString& text) override {
        informations.append(text);
    }
    QString folderName(QWidget*, const QString&, const QString&) override {
        ++fileDialogs;
        return folderAnswers.isEmpty() ? QString() : folderAnswers.takeFirst();
    }
    WarningAnswer runWren80Warning(QWidget*) override {
        ++wren80Warnings;
        return wren80Answer;
    }
    int runProfileDialog(ZRProfileDialog& dialog) override;
    void showAbout(QWidget*) override { ++abouts; }
};

/// A launcher that records what it was asked to open or start.
class FakeLauncher : public ZRLauncher {
public:
    QStringList urls;
    QStringList programs;
    bool opens = true;
    bool starts = true;

    bool openUrl(const QUrl& address) override {
        urls.append(address.toString());
        return opens;
    }
    bool openFile(const QString& path) override {
        urls.append(QUrl::fromLocalFile(path).toString());
        return opens;
    }
    bool startDetached(const QString& program, const QStringList&, const QString&) override {
        programs.append(program);
        return starts;
    }
};

/// The editor's error boxes, counted.
class CountingNotifier : public ZRNotifier {
public:
    int errors = 0;
    void critical(const QString&, const QString&) override { ++errors; }
};

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        useShellSkin();
        previousServices = ZRWindowServices::install(&services);
        previousNotifier = ZRNotifier::install(&notifier);
        ZRLauncher::setCurrent(&launcher);
        QFile::remove(settingsfile::path());
        fillCallbacks(callbacks);
        // The test modules' tree: the browser imports the files the commands add through its
        // counting import.
        static const int anchor = 0;
        const QByteArray root =
            (platform::folderOfAddress(&anchor) + QStringLiteral("modulefixture/")).toUtf8();
        timeline = IZRCreateTimelineInstance(&callbacks, root.constData(), 1);
        ZRBrowserIconView::setThumbnailBaseFolder(root);
        ASSERT_NE(timeline, nullptr);
    }

    void TearDown() override {
        window.reset();
        ZRAppState& state = appState();
        // Releasing the settings object writes the file; the next test starts without one.
        state.setSettings(nullptr, nullptr);
        if (timeline) IZRDeleteTimelineInstance(timeline);
        state.timeline = nullptr;
        state.hub = nullptr;
        state.modified = false;
        state.clipLoadWarnings = 0;
        state.exportRunning = false;
        state.stopRequested = false;
        state.useBackgroundRenderer = true;
        QCoreApplication::removePostedEvents(nullptr);
        ZRWindowServices::install(previousServices);
        ZRNotifier::install(previousNotifier);
        ZRLauncher::setCurrent(nullptr);
    }

    /// Writes `lines` into "General Settings" of a fresh settings file. The background renderer
    /// is off unless the lines say otherwise: its frames only slow the tests down.
    static void writeSettings(const QStringList& lines) {
        QFile file(settingsfile::path());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Text));
        file.write("# Config File\n[General Settings]\n");
        if (lines.filter(QStringLiteral("UseBackgroundRenderer=")).isEmpty())
            file.write("UseBackgroundRenderer=false\n");
        for (const QString& line : lines)
            file.write(line.toUtf8() + "\n");
    }

    /// Builds the window and hands it the timeline; it stays hidden (nothing paints) until
    /// `showWindow`. Unless `firstStart`, a settings file that does not exist is written first
    /// (`writeSettings`).
    void makeWindow(bool firstStart = false) {
        if (!firstStart && !QFile::exists(settingsfile::path())) writeSettings({});
        window = std::make_unique<ZRSBMainWindow>();
        window->setTimeline(timeline);
        window->resize(1100, 760);
    }

    /// Shows the window as the window system does (without the start-up New) and lets it paint.
    void showWindow() {
        static_cast<QMainWindow*>(window.get())->show();
        QCoreApplication::processEvents();
    }

    QConfig& config() {
        QConfig* settings = appState().settings();
        settings->setGroup(QLatin1String(settingsfile::kGeneral));
        return *settings;
    }
    QString entry(const char* key) { return config().readEntry(QLatin1String(key)); }
    bool has(const char* key) { return config().hasKey(QLatin1String(key)); }

    /// Lets the browser's thumbnail answers arrive (at most ten seconds).
    void settleBrowser(ZRBrowserIconView& clips) {
        QElapsedTimer waited;
        waited.start();
        while (clips.pendingThumbnails() > 0 && waited.elapsed() < 10000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }

    IZRObjectFactory* factory() { return timeline->factory(); }

    IZRPos* pos(int frames) {
        IZRPos* p = factory()->createPos();
        p->addFrames(frames);
        return p;
    }

    /// Appends solid-colour clips of the given lengths through the window's editor.
    void addClips(std::initializer_list<int> lengths) {
        for (int length : lengths) {
            IZRObject* clip =
                factory()->createObject("Solid Color", "RGB(40,80,120)", nullptr, nullptr);
            ASSERT_NE(clip, nullptr);
            timeline->setObjectMarkOut(clip, pos(length));
            ASSERT_TRUE(window->editor()->insertClip(clip, window->editor()->objectCount()));
        }
    }

    int engineInt(const char* key) {
        int value = -1;
        timeline->settings()->getIntSetting(key, &value);
        return value;
    }

    IZRCallbacks callbacks{};
    IZRTimeline* timeline = nullptr;
    FakeServices services;
    ZRWindowServices* previousServices = nullptr;
    CountingNotifier notifier;
    FakeLauncher launcher;
    ZRNotifier* previousNotifier = nullptr;
    std::unique_ptr<ZRSBMainWindow> window;
};
