#include "tests/app/MainWindowFixture.h"

#include "editor/ZRChainLinks.h"
#include "browser/ZRBrowserIconView.h"
#include "browser/ZRSBBrowser.h"
#include "capture/ZRImportView.h"
#include "classes/skins/ZRSkinPreload.h"
#include "classes/widgets/ZRPushButton.h"
#include "platform/system/SystemPaths.h"
#include "views/ZRSBPreviewFrame.h"

#include <QAction>
#include <QClipboard>
#include <QCloseEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QTabBar>
#include <QTemporaryDir>

namespace {

QByteArray contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

} // namespace

class MainWindowCommands : public MainWindowTest {
protected:
    /// A window with a two-clip project that has unsaved changes.
    void makeEditedProject() {
        makeWindow();
        addClips({25, 25});
        ASSERT_TRUE(appState().modified);
    }

    /// Asks the window to close as the window system does; true when it agreed.
    bool closeWindow() {
        QCloseEvent close;
        QCoreApplication::sendEvent(window.get(), &close);
        return close.isAccepted();
    }

    QTemporaryDir dir;
};

// The name a save writes: its folder, its name up to the first '.', ".zrs"; an existing file is
// asked about first, by Save through the dialog and by Save As alike.
TEST_F(MainWindowCommands, SaveNames) {
    struct Case {
        const char* chosen;
        const char* written;
        bool exists;
        bool overwrite;
    } cases[] = {
        {"a.b.zrs", "a.zrs", false, false},
        {"film", "film.zrs", false, false},
        {"a.b.zrs", "a.zrs", true, false},
        {"a.b.zrs", "a.zrs", true, true},
    };
    for (bool saveAs : {false, true}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(saveAs ? "Save As " : "Save ") + c.chosen +
                         (c.exists ? " over an existing file" : ""));
            QTemporaryDir folder;
            const QString written = folder.filePath(QLatin1String(c.written));
            if (c.exists) writeFile(written, "old");
            makeEditedProject();
            services.fileNames = {folder.filePath(QLatin1String(c.chosen))};
            services.overwrite = c.overwrite;
            services.overwritePrompts = 0;
            bool saved = true;
            if (saveAs)
                window->slotSaveProjectAs();
            else
                saved = window->slotSaveProject();
            const bool expectWritten = !c.exists || c.overwrite;
            EXPECT_EQ(services.overwritePrompts, c.exists ? 1 : 0);
            EXPECT_EQ(contents(written) != "old", expectWritten);
            EXPECT_TRUE(QFileInfo::exists(written));
            if (!saveAs) {
                EXPECT_EQ(saved, expectWritten);
            }
            if (expectWritten) {
                EXPECT_EQ(window->projectName(), QFileInfo(written).absoluteFilePath());
                EXPECT_TRUE(window->windowTitle().endsWith(
                    QLatin1Char('[') + QFileInfo(written).absoluteFilePath() + QLatin1Char(']')));
                // Save leaves the project saved; Save As leaves Save enabled and the flag alone.
                EXPECT_EQ(window->isTitled(), !saveAs);
                EXPECT_EQ(window->isMenuItemEnabled(ZRSBMainWindow::SaveItem), saveAs);
            } else {
                EXPECT_FALSE(window->isTitled());
                EXPECT_TRUE(appState().modified);
            }
            window.reset();
            appState().setSettings(nullptr, nullptr);
            appState().modified = false;
        }
    }
}

TEST_F(MainWindowCommands, SaveOnATitledProjectAsksNothing) {
    makeEditedProject();
    const QString path = dir.filePath(QStringLiteral("p.zrs"));
    services.fileNames = {path};
    ASSERT_TRUE(window->slotSaveProject());
    EXPECT_EQ(entry(settingsfile::kSaveProjectFolder), QDir::toNativeSeparators(path));
    window->editor()->setClipMarkOut(window->editor()->firstObject(), pos(10));
    EXPECT_TRUE(window->isMenuItemEnabled(ZRSBMainWindow::SaveItem));
    const QByteArray before = contents(path);
    EXPECT_TRUE(window->slotSaveProject());
    EXPECT_EQ(services.fileDialogs, 1);
    EXPECT_NE(contents(path), before);
    EXPECT_FALSE(window->isMenuItemEnabled(ZRSBMainWindow::SaveItem));
    EXPECT_FALSE(appState().modified);
}

// A save that fails changes nothing and says so; the close prompt still comes, and its Save
// answer, failing again, keeps the window open.
TEST_F(MainWindowCommands, AFailedSaveKeepsTheChanges) {
    makeEditedProject();
    const QString path = dir.filePath(QStringLiteral("missing/x.zrs"));
    services.fileNames = {path};
    EXPECT_FALSE(window->slotSaveProject());
    EXPECT_EQ(services.warnings.size(), 1);
    EXPECT_FALSE(window->isTitled());
    EXPECT_TRUE(appState().modified);
    EXPECT_TRUE(window->isMenuItemEnabled(ZRSBMainWindow::SaveItem));

    services.saveAnswer = ZRWindowServices::SaveAnswer::Save;
    services.fileNames = {path};
    EXPECT_FALSE(closeWindow());
    EXPECT_EQ(services.savePrompts, 1);
    EXPECT_EQ(services.warnings.size(), 2);
}

// An edit after a save brings the close prompt back; Cancel keeps everything as it was.
TEST_F(MainWindowCommands, TheClosePromptAfterAnEdit) {
    makeEditedProject();
    services.fileNames = {dir.filePath(QStringLiteral("p.zrs"))};
    ASSERT_TRUE(window->slotSaveProject());
    EXPECT_TRUE(closeWindow());
    EXPECT_EQ(services.savePrompts, 0);

    window->editor()->setClipMarkOut(window->editor()->firstObject(), pos(12));
    const QString caption = window->windowTitle();
    services.saveAnswer = ZRWindowServices::SaveAnswer::Cancel;
    EXPECT_FALSE(closeWindow());
    EXPECT_EQ(services.savePrompts, 1);
    EXPECT_EQ(window->windowTitle(), caption);
    EXPECT_EQ(window->editor()->objectCount(), 2);

    services.saveAnswer = ZRWindowServices::SaveAnswer::DontSave;
    EXPECT_TRUE(closeWindow());
    EXPECT_EQ(engineInt("Enable Background Rendering"), 0);
}

// With every clip deleted, an object left on another track (a title, music) is still worth the
// question, on closing and before New alike.
TEST_F(MainWindowCommands, ThePromptCountsObjectsOnEveryTrack) {
    const struct {
        const char* what;
        int track;
        bool video;
    } cases[] = {{"title", chainlinks::kTitleTrack, true},
                 {"free video", chainlinks::kTitleTrack + 5, true}};
    for (const auto& c : cases) {
        makeEditedProject();
        window->editor()->selectAll();
        window->editor()->deleteSelected(false);
        ASSERT_EQ(window->editor()->objectCount(), 0) << c.what;
        IZRObject* kept = factory()->createObject("Solid Color", "RGB(1,2,3)", nullptr, nullptr);
        ASSERT_NE(kept, nullptr) << c.what;
        timeline->setObjectMarkOut(kept, pos(25));
        ASSERT_TRUE(timeline->insertObject(c.track, pos(0), kept)) << c.what;
        ASSERT_EQ(timeline->track(c.track, c.video)->count(), 1u) << c.what;
        appState().setModified(true);

        services.savePrompts = 0;
        services.saveAnswer = ZRWindowServices::SaveAnswer::Cancel;
        EXPECT_FALSE(closeWindow()) << c.what;
        window->slotNewProject();
        EXPECT_EQ(services.savePrompts, 2) << c.what;
        EXPECT_EQ(timeline->track(c.track, c.video)->count(), 1u) << c.what;

        timeline->removeObject(kept);
        factory()->destroyObject(kept);
        EXPECT_TRUE(closeWindow()) << c.what << ": an empty project asks nothing";
        EXPECT_EQ(services.savePrompts, 2) << c.what;
        window.reset();
    }
}

TEST_F(MainWindowCommands, OpenLoadsAndAFailedOpenLeavesUntitled) {
    makeEditedProject();
    const QString good = dir.filePath(QStringLiteral("good.zrs"));
    services.fileNames = {good};
    ASSERT_TRUE(window->slotSaveProject());

    window->slotNewProject();
    ASSERT_EQ(window->editor()->objectCount(), 0);
    services.fileNames = {good};
    window->slotOpenProject();
    EXPECT_EQ(window->editor()->objectCount(), 2);
    EXPECT_EQ(window->projectName(), good);
    EXPECT_TRUE(window->isTitled());
    EXPECT_TRUE(window->isMenuItemEnabled(ZRSBMainWindow::SaveAsItem));
    EXPECT_EQ(window->currentObject(), window->editor()->firstObject());
    EXPECT_EQ(entry(settingsfile::kOpenProjectFolder), QDir::toNativeSeparators(good));

    const QString bad = dir.filePath(QStringLiteral("bad.zrs"));
    writeFile(bad, "this is { not a project");
    appState().modified = false;
    services.fileNames = {bad};
    window->slotOpenProject();
    EXPECT_EQ(window->editor()->objectCount(), 0);
    EXPECT_FALSE(window->isTitled());
    EXPECT_EQ(window->projectName(), QStringLiteral("Untitled"));
    EXPECT_TRUE(window->windowTitle().endsWith(QStringLiteral("[Untitled]")));
    EXPECT_FALSE(window->isMenuItemEnabled(ZRSBMainWindow::SaveItem));

    // The next Save asks for a name instead of writing over the file that was open.
    addClips({10});
    const QByteArray before = contents(good);
    services.fileNames = {};
    const int dialogs = services.fileDialogs;
    EXPECT_FALSE(window->slotSaveProject());
    EXPECT_EQ(services.fileDialogs, dialogs + 1);
    EXPECT_EQ(contents(good), before);
}

TEST_F(MainWindowCommands, NewAsksOnlyAboutChanges) {
    makeWindow();
    window->slotNewProject(); // an empty project: no prompt
    EXPECT_EQ(services.savePrompts, 0);
    EXPECT_EQ(services.profileDialogs, 1);

    addClips({20});
    appState().setModified(false);
    window->slotNewProject(); // nothing changed since: no prompt
    EXPECT_EQ(services.savePrompts, 0);
    EXPECT_EQ(window->editor()->objectCount(), 0);

    addClips({20});
    services.saveAnswer = ZRWindowServices::SaveAnswer::Cancel;
    window->slotNewProject();
    EXPECT_EQ(services.savePrompts, 1);
    EXPECT_EQ(window->editor()->objectCount(), 1);
    EXPECT_EQ(services.profileDialogs, 2);

    // A cancelled profile dialog keeps the project.
    services.saveAnswer = ZRWindowServices::SaveAnswer::DontSave;
    services.profileResult = 0;
    window->slotNewProject();
    EXPECT_EQ(window->editor()->objectCount(), 1);
    // Rendering comes back as the flag says: off here (the fixture's settings).
    EXPECT_EQ(engineInt("Enable Background Rendering"), 0);
}

TEST_F(MainWindowCommands, NewTakesTheProfileDialogsChoice) {
    makeWindow();
    struct Case {
        const char* stored;
        int preset;
    } cases[] = {{nullptr, 3}, {"1", 1}, {"0", 0}, {"7", 3}, {"-1", 3}, {"x", 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored ? c.stored : "none");
        if (c.stored)
            config().writeEntry(QLatin1String(settingsfile::kProfileDialogFormat),
                                QString::fromLatin1(c.stored));
        else
            config().deleteEntry(QLatin1String(settingsfile::kProfileDialogFormat));
        window->modeButton(2)->click();
        window->slotNewProject();
        EXPECT_EQ(services.profileFormat, c.preset);
        EXPECT_EQ(entry(settingsfile::kProfileDialogFormat), QString::number(c.preset));
        int width = 0, height = 0;
        timeline->settings()->getIntPairSetting("Video Dimensions", &width, &height);
        EXPECT_EQ(width, appState().frameWidth);
        EXPECT_EQ(height, appState().frameHeight);
        EXPECT_TRUE(window->modeButton(1)->isChecked());
        EXPECT_FALSE(window->previewFrame()->isHidden());
    }
}

TEST_F(MainWindowCommands, EscapeAsksOnlyDuringAnExport) {
    makeWindow();
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QCoreApplication::sendEvent(window.get(), &escape);
    EXPECT_EQ(services.abortPrompts, 0);
    appState().exportRunning = true;
    services.abort = true;
    QCoreApplication::sendEvent(window.get(), &escape);
    EXPECT_EQ(services.abortPrompts, 1);
    EXPECT_TRUE(window->abortRequested());
}

TEST_F(MainWindowCommands, OptionsToggleTheirOwnKeys) {
    makeWindow(true);
    // Through the menu, as a click reaches it.
    window->menuItem(ZRSBMainWindow::SceneDetectionItem)->trigger();
    EXPECT_FALSE(window->isMenuItemChecked(ZRSBMainWindow::SceneDetectionItem));
    EXPECT_FALSE(appState().sceneDetection);
    EXPECT_EQ(entry(settingsfile::kFileSplitScene), QStringLiteral("false"));
    EXPECT_FALSE(has(settingsfile::kSnapshotDeinterlace));
    EXPECT_FALSE(window->isMenuItemChecked(ZRSBMainWindow::DeinterlaceItem));
    EXPECT_EQ(window->importView()->splitSettingsChanges(), 1);

    window->menuItem(ZRSBMainWindow::BackgroundRendererItem)->trigger();
    EXPECT_FALSE(window->isMenuItemChecked(ZRSBMainWindow::BackgroundRendererItem));
    EXPECT_FALSE(appState().useBackgroundRenderer);
    EXPECT_EQ(engineInt("Enable Background Rendering"), 0);

    window->menuItem(3205)->trigger();
    EXPECT_EQ(appState().splitSize, 695000);
    EXPECT_EQ(entry(settingsfile::kFileSplitSize), QStringLiteral("695000"));
    for (const settingsfile::SplitSize& size : settingsfile::kSplitSizes)
        EXPECT_EQ(window->isMenuItemChecked(size.menuId), size.menuId == 3205);
    window->menuItem(3205)->trigger(); // the checked one stays checked
    EXPECT_TRUE(window->isMenuItemChecked(3205));

    window->menuItem(ZRSBMainWindow::DeinterlaceItem)->trigger();
    EXPECT_TRUE(window->isMenuItemChecked(ZRSBMainWindow::DeinterlaceItem));
    window->menuItem(ZRSBMainWindow::ClipboardItem)->trigger();
    EXPECT_TRUE(window->isMenuItemChecked(ZRSBMainWindow::ClipboardItem));
    EXPECT_FALSE(window->isMenuItemChecked(ZRSBMainWindow::BmpFileItem));
    EXPECT_EQ(entry(settingsfile::kSnapshotToClipboard), QStringLiteral("true"));
}

TEST_F(MainWindowCommands, HelpGoesThroughTheLauncher) {
    makeWindow();
    window->slotMenuItemActivated(ZRSBMainWindow::WebsiteItem);
    window->slotMenuItemActivated(ZRSBMainWindow::SupportItem);
    window->slotMenuItemActivated(ZRSBMainWindow::UpdateItem); // no updater installed
    ASSERT_EQ(launcher.urls.size(), 3);
    EXPECT_TRUE(launcher.urls[2].contains(QStringLiteral("update")));
    EXPECT_TRUE(launcher.programs.isEmpty());

    // The updater's folder from the registry file gets its separator; a failed start opens the
    // updates page.
    writeFile(platform::stateFolder() + QStringLiteral("/registry.ini"),
              "[HKEY_LOCAL_MACHINE\\Software\\Orvand "
              "Multimedia\\Patchwell\\App]\npatchwelldirectory=/opt/patchwell\n");
    launcher.starts = false;
    window->slotMenuItemActivated(ZRSBMainWindow::UpdateItem);
    EXPECT_EQ(launcher.programs, QStringList{QStringLiteral("/opt/patchwell/Patchwell")});
    EXPECT_EQ(launcher.urls.size(), 4);
    launcher.starts = true;
    window->slotMenuItemActivated(ZRSBMainWindow::UpdateItem);
    EXPECT_EQ(launcher.urls.size(), 4);
    QFile::remove(platform::stateFolder() + QStringLiteral("/registry.ini"));

    // The help document: missing, then present without a viewer, then opened.
    window->slotMenuItemActivated(ZRSBMainWindow::DocumentationItem);
    EXPECT_EQ(services.warnings, QStringList{QStringLiteral("Documentation Error")});
    const QString document = skinBaseFolder() + QStringLiteral("/cs5_help.pdf");
    writeFile(document, "%PDF-1.4\n");
    launcher.opens = false;
    window->slotMenuItemActivated(ZRSBMainWindow::DocumentationItem);
    EXPECT_EQ(services.warnings.size(), 2);
    launcher.opens = true;
    window->slotMenuItemActivated(ZRSBMainWindow::DocumentationItem);
    EXPECT_EQ(services.warnings.size(), 2);
    EXPECT_EQ(launcher.urls.last(), QUrl::fromLocalFile(document).toString());
    QFile::remove(document);

    window->slotMenuItemActivated(ZRSBMainWindow::AboutItem);
    EXPECT_EQ(services.abouts, 1);
}

TEST_F(MainWindowCommands, SnapshotToTheClipboardAsksNothing) {
    writeSettings({"Snapshot_CopyToClipboard=true"});
    makeEditedProject();
    QGuiApplication::clipboard()->clear();
    window->slotSnapshot(pos(5));
    EXPECT_EQ(services.fileDialogs, 0);
    const QImage copied = QGuiApplication::clipboard()->image();
    EXPECT_EQ(copied.size(), QSize(720, 480));
    EXPECT_EQ(copied.pixel(10, 10), qRgb(40, 80, 120));
}

TEST_F(MainWindowCommands, SnapshotToABitmap) {
    makeEditedProject();
    // Another frame size than the window set: the picture takes the engine frame's own.
    timeline->settings()->setIntPairSetting("Video Dimensions", 352, 288);
    services.fileNames = {dir.filePath(QStringLiteral("shot.x.png"))};
    window->slotSnapshot(pos(3));
    const QImage saved(dir.filePath(QStringLiteral("shot.bmp")));
    ASSERT_FALSE(saved.isNull());
    EXPECT_EQ(saved.size(), QSize(352, 288));
    EXPECT_EQ(saved.pixel(5, 5), qRgb(40, 80, 120));
    EXPECT_EQ(window->browser()->clipView()->count(), 1);

    // A refused overwrite and a failed write add nothing.
    services.fileNames = {dir.filePath(QStringLiteral("shot.bmp"))};
    services.overwrite = false;
    window->slotSnapshot(pos(3));
    services.fileNames = {dir.filePath(QStringLiteral("missing/shot.bmp"))};
    window->slotSnapshot(pos(3));
    EXPECT_EQ(services.overwritePrompts, 1);
    EXPECT_EQ(services.warnings.size(), 1);
    EXPECT_EQ(window->browser()->clipView()->count(), 1);
}

// The window answers the state object's browser calls with its own browser.
TEST_F(MainWindowCommands, BrowserFilesAreAddedOnceAndShown) {
    makeWindow();
    ZRSBBrowser& browser = *window->browser();
    browser.tabBar()->addTab("Titles");
    browser.tabBar()->setCurrentIndex(1);
    browser.selectTab(3);
    ZRAppState& state = appState();
    const int before = browser.clipView()->count();
    state.addBrowserFile("Captures", "/clips/a.avi", 1);
    state.addBrowserFile("Captures", "/clips/a.avi", 1);
    state.addBrowserFile("Captures", "/clips/b.avi", 1);
    EXPECT_EQ(browser.clipView()->count(), before + 2);
    EXPECT_EQ(browser.currentTab(), 0);
    EXPECT_EQ(browser.tabBar()->currentIndex(), 0);
    EXPECT_TRUE(state.selectedBrowserFile().isNull());
    browser.clipView()->setFileSelected("/clips/b.avi", true);
    EXPECT_EQ(state.selectedBrowserFile(), "/clips/b.avi");
}
