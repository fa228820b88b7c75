#pragma once

// The produce page on the real engine and export modules of the build: a solid-colour project
// made by code, the program's own progress callback, a main window stand-in that records what
// reaches the browser and answers Escape's abort, and window services that answer by script.

#include "output/ZRExportView.h"

#include "classes/widgets/ZRComboBox.h"
#include "classes/widgets/ZRLabel.h"
#include "classes/widgets/ZRPushButton.h"
#include "common/config/QConfig.h"
#include "editor/ZRAppState.h"
#include "editor/ZRCallbacks.h"
#include "engine/base/ZRPos.h"
#include "engine/timeline/ZRTimeline.h"
#include "platform/system/SystemPaths.h"
#include "tests/app/ShellSkin.h"
#include "views/ZRSBPSlider.h"
#include "views/ZRWindowServices.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace rendertest {

/// The program folder the build made: the real export modules are in its "exports/".
inline std::string programFolder() {
    static const int anchor = 0;
    return (platform::folderOfAddress(&anchor) + QStringLiteral("../bin/")).toStdString();
}

/// Answers the page's questions by script and records the boxes.
class ScriptedServices : public ZRWindowServices {
public:
    QString file;          ///< the file dialog's answer
    bool overwrite = true; ///< the overwrite question's answer
    int fileAsked = 0;
    int overwriteAsked = 0;
    std::vector<QString> boxes; ///< texts of the information boxes
    QString fileName(QWidget*, bool, const QString&, const QString&, const QString&) override {
        ++fileAsked;
        return file;
    }
    bool confirmOverwrite(QWidget*, const QString&, const QString&) override {
        ++overwriteAsked;
        return overwrite;
    }
    void informAbort(QWidget*, const QString&, const QString& text) override {
        boxes.push_back(text);
    }
};

/// The main window's part in a render: progress to the page, files to "Produced", Escape.
class RecordingHub : public ZRAppState::Hub {
public:
    ZRExportView* page = nullptr;
    std::vector<QString> produced;
    bool abort = false;
    int calls = 0;
    IZRPos* current = nullptr; ///< the position of the call in progress
    /// Runs after the page saw each progress call, with the call's number (from 1).
    std::function<void(int, IZRPos*)> onProgress;

    IZRObject* currentObject() override { return nullptr; }
    IZRPos* currentPosition() override { return nullptr; }
    void message(const QString&, int) override {}
    void setMenuItemEnabled(int, bool) override {}
    void setMenuItemChecked(int, bool) override {}
    void addBrowserFile(const QString& folder, const QString& path, int) override {
        EXPECT_EQ(folder, QStringLiteral("Produced"));
        produced.push_back(path);
    }
    void exportProgress(IZRPos* position, bool recompressing) override {
        ++calls;
        current = position;
        if (page) page->exportProgress(position, recompressing);
        if (onProgress) onProgress(calls, position);
    }
    bool abortRequested() override { return abort; }
    void clearAbortRequest() override { abort = false; }
};

class RenderTest : public ::testing::Test {
protected:
    void SetUp() override {
        useShellSkin();
        settingsPath = dir.filePath(QStringLiteral("clipstead.ini"));
        appState().setSettings(new QConfig(QConfig::Flavour::Program, settingsPath),
                               [](QConfig* c) { delete c; });
        ZRWindowServices::install(&services);
        appState().hub = &hub;
        fillCallbacks(callbacks);
    }
    void TearDown() override {
        view.reset();
        timeline.reset();
        appState().hub = nullptr;
        appState().timeline = nullptr;
        appState().exportRunning = false;
        appState().stopRequested = false;
        ZRWindowServices::install(nullptr);
        appState().setSettings(nullptr, nullptr);
    }

    /// A project of a solid colour of `frames` frames at `rate` and `width` x `height`, and the
    /// page on it showing `profile` (a position of the profile box).
    void makeProject(int frames, int profile, double rate = 25.0, int width = 352,
                     int height = 288) {
        view.reset();
        timeline.reset();
        hub.calls = 0;
        hub.onProgress = nullptr;
        ZRPos::setDefaultFrameRate(rate);
        timeline = std::make_unique<ZRTimeline>(&callbacks, programFolder().c_str(), 1u);
        timeline->setDoubleSetting("Framerate", rate);
        timeline->setIntPairSetting("Video Dimensions", width, height);
        timeline->setIntTripleSetting("Audio Settings", 32000, 16, 1);
        if (frames > 0) {
            IZRObject* colour =
                timeline->createObject("Solid Color", "RGB(20,120,220)", nullptr, nullptr);
            const ZRPos length(0, 0, 0, frames, rate);
            colour->duration()->assign(&length);
            colour->markOut()->assign(&length);
            ZRPos start(0, 0, 0, 0, rate);
            timeline->insertObject(1, &start, colour);
        }
        appState().timeline = timeline.get();
        view = std::make_unique<ZRExportView>(nullptr, "ZRExportView");
        view->resize(760, 420);
        view->setTimeline(timeline.get());
        view->profileBox()->setCurrentIndex(profile);
        view->slotFormatActivated(profile);
        view->syncMarksFromTimeline();
        hub.page = view.get();
    }

    /// A path in the test's folder.
    QString path(const char* name) const { return dir.filePath(QLatin1String(name)); }

    /// The page and the flags as they must be when no render runs.
    void expectIdle() {
        EXPECT_EQ(view->renderButton()->text(), QStringLiteral("Render"));
        EXPECT_FALSE(appState().exportRunning.load());
        EXPECT_FALSE(appState().stopRequested.load());
        EXPECT_FALSE(hub.abort);
        EXPECT_TRUE(view->profileBox()->isEnabled());
        EXPECT_TRUE(view->transportButton(ZRExportView::Play)->isEnabled());
        EXPECT_TRUE(view->transportButton(ZRExportView::Rewind)->isEnabled());
        EXPECT_TRUE(view->markInButton()->isEnabled());
        EXPECT_TRUE(view->diskSpaceLabel()->isHidden());
    }

    QTemporaryDir dir;
    QString settingsPath;
    ScriptedServices services;
    RecordingHub hub;
    IZRCallbacks callbacks{};
    std::unique_ptr<ZRTimeline> timeline;
    std::unique_ptr<ZRExportView> view;
};

} // namespace rendertest
