#include "tests/app/MainWindowFixture.h"

#include "app/ZRVeskTopBar.h"
#include "capture/ZRImportView.h"
#include "classes/skins/ZRSkinPreload.h"
#include "classes/widgets/QSBWidget.h"
#include "classes/widgets/ZRPushButton.h"
#include "editor/ZREngineEvents.h"
#include "output/ZRExportView.h"
#include "output/ZRProfileDialog.h"
#include "tests/editor/EditorFixture.h"
#include "tests/support/TestEnvironment.h"
#include "views/ZRSBPSlider.h"
#include "views/ZRSBPreview.h"
#include "views/ZRSBPreviewFrame.h"
#include "views/ZRSBTrimmer.h"
#include "views/ZRStoryboard.h"
#include "views/ZRTimelineTrack.h"
#include "views/ZRTimelineView.h"

#include <QAction>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>

int FakeServices::runProfileDialog(ZRProfileDialog& dialog) {
    ++profileDialogs;
    profileFormat = dialog.profile();
    return profileResult;
}

using editorfixture::frames;

namespace {

const QString kDefaultBackground = QStringLiteral("backgrounds/Gold Reflection.bmp");

QString skinFile(const char* name) {
    return skinBaseFolder() + QStringLiteral("/skins/default/") + QLatin1String(name);
}

} // namespace

TEST_F(MainWindowTest, FirstStartWritesTheDefaultKeys) {
    makeWindow(true);
    QFile file(settingsfile::path());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().startsWith("# Config File\n[General Settings]"));
    for (const char* folder : {settingsfile::kMediaFolder, settingsfile::kSnapshotFolder}) {
        SCOPED_TRACE(folder);
        EXPECT_TRUE(QFileInfo(entry(folder)).isDir());
        EXPECT_TRUE(entry(folder).startsWith(testsupport::homeFolder()));
    }
    EXPECT_TRUE(entry(settingsfile::kMediaFolder).endsWith(QStringLiteral("My Videos")));
    EXPECT_EQ(entry(settingsfile::kBackgroundImage), kDefaultBackground);
    EXPECT_EQ(entry(settingsfile::kStretchedBackground), QStringLiteral("true"));
    EXPECT_EQ(entry(settingsfile::kFileSplitScene), QStringLiteral("true"));
    EXPECT_FALSE(window->background()->skinImage()->isNull());
    EXPECT_TRUE(window->stretchBackground());
    EXPECT_TRUE(window->isMenuItemChecked(ZRSBMainWindow::StretchItem));
    // A missing "UseBackgroundRenderer" leaves rendering on, and the menu says so.
    EXPECT_TRUE(window->isMenuItemChecked(ZRSBMainWindow::BackgroundRendererItem));
    EXPECT_EQ(engineInt("Enable Background Rendering"), 1);
    EXPECT_FALSE(window->isMenuItemEnabled(ZRSBMainWindow::SaveItem));
    EXPECT_FALSE(window->isMenuItemEnabled(ZRSBMainWindow::SaveAsItem));
    EXPECT_TRUE(window->isMenuItemChecked(3201));
    EXPECT_TRUE(window->isMenuItemChecked(ZRSBMainWindow::BmpFileItem));
}

// The window is centred at the size it is shown with, not Qt's size before the layouts ran.
TEST_F(MainWindowTest, TheWindowIsCentredAtItsShownSize) {
    writeSettings({});
    window = std::make_unique<ZRSBMainWindow>();
    window->setTimeline(timeline);
    const QSize before = window->size();
    showWindow();
    EXPECT_EQ(window->size(), before);
    // Within the few pixels of frame the platform adds once the window is shown.
    const QPoint offset =
        window->geometry().center() - QGuiApplication::primaryScreen()->geometry().center();
    EXPECT_LE(offset.manhattanLength(), 4) << offset.x() << ", " << offset.y();
}

TEST_F(MainWindowTest, TheDesktopsOwnFoldersWinWhenTheyExist) {
    const QString videos = testsupport::homeFolder() + QStringLiteral("/Videos");
    ASSERT_TRUE(QDir().mkpath(videos));
    makeWindow(true);
    EXPECT_EQ(entry(settingsfile::kMediaFolder), QDir::toNativeSeparators(videos));
    QDir(videos).removeRecursively();
}

// What start-up makes of a stored "BackgroundImage": a PSD by its composite, whatever the case
// of its suffix; a missing or broken file falls back to the default, stretched.
TEST_F(MainWindowTest, StoredBackgrounds) {
    QTemporaryDir dir;
    const QString psd = dir.filePath(QStringLiteral("About.PSD"));
    ASSERT_TRUE(QFile::copy(skinFile("about.psd"), psd));
    const QString corrupt = dir.filePath(QStringLiteral("broken.png"));
    {
        QFile file(corrupt);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("not a picture at all");
    }
    const QString headless = dir.filePath(QStringLiteral("empty.psd"));
    {
        QFile file(headless);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("8BPS");
    }
    struct Case {
        QString stored;
        bool kept;
    } cases[] = {
        {psd, true},
        {dir.filePath(QStringLiteral("missing.jpg")), false},
        {corrupt, false},
        {headless, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored.toStdString());
        writeSettings({QStringLiteral("BackgroundImage=") + c.stored,
                       QStringLiteral("StretchedBackgroundImage=false")});
        makeWindow();
        showWindow();
        EXPECT_EQ(entry(settingsfile::kBackgroundImage), c.kept ? c.stored : kDefaultBackground);
        EXPECT_EQ(window->stretchBackground(), !c.kept);
        const QImage* image = window->background()->skinImage();
        ASSERT_NE(image, nullptr);
        EXPECT_FALSE(image->isNull());
        if (!c.kept) {
            EXPECT_EQ(image->size(), window->background()->size());
        }
        window.reset();
        appState().setSettings(nullptr, nullptr);
    }
}

TEST_F(MainWindowTest, RestoreSwapsAndFallsBack) {
    QTemporaryDir dir;
    const QString other = dir.filePath(QStringLiteral("other.bmp"));
    QImage picture(64, 48, QImage::Format_RGB32);
    picture.fill(Qt::red);
    ASSERT_TRUE(picture.save(other, "BMP"));
    writeSettings({QStringLiteral("BackgroundImage=") + other,
                   QStringLiteral("StretchedBackgroundImage=false")});
    makeWindow();

    // No old key: the default, stretched, and both old keys gone.
    window->restoreBackground();
    EXPECT_EQ(entry(settingsfile::kBackgroundImage), kDefaultBackground);
    EXPECT_TRUE(window->stretchBackground());
    EXPECT_FALSE(has(settingsfile::kOldBackgroundImage));
    EXPECT_FALSE(has(settingsfile::kStretchedOldBackground));

    // Change to the picture, then two restores return to it.
    services.fileNames = {other};
    window->changeBackground();
    EXPECT_EQ(entry(settingsfile::kBackgroundImage), other);
    EXPECT_EQ(entry(settingsfile::kOldBackgroundImage), kDefaultBackground);
    window->restoreBackground();
    EXPECT_EQ(entry(settingsfile::kBackgroundImage), kDefaultBackground);
    EXPECT_EQ(entry(settingsfile::kOldBackgroundImage), other);
    window->restoreBackground();
    EXPECT_EQ(entry(settingsfile::kBackgroundImage), other);
    EXPECT_EQ(entry(settingsfile::kOldBackgroundImage), kDefaultBackground);
    EXPECT_EQ(window->background()->skinImage()->pixel(0, 0), QColor(Qt::red).rgb());

    // Default keeps the current one as the old one.
    window->defaultBackground();
    EXPECT_EQ(entry(settingsfile::kBackgroundImage), kDefaultBackground);
    EXPECT_EQ(entry(settingsfile::kOldBackgroundImage), other);
    EXPECT_TRUE(window->isMenuItemChecked(ZRSBMainWindow::StretchItem));

    // A previous picture that exists but no longer loads is refused.
    {
        QFile file(other);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("garbage");
    }
    window->restoreBackground();
    EXPECT_EQ(services.warnings.size(), 1);
    EXPECT_EQ(entry(settingsfile::kBackgroundImage), kDefaultBackground);
    EXPECT_EQ(entry(settingsfile::kOldBackgroundImage), other);
}

TEST_F(MainWindowTest, ChangeCancelledOrRefusedChangesNothing) {
    makeWindow();
    QTemporaryDir dir;
    const QString broken = dir.filePath(QStringLiteral("broken.jpg"));
    {
        QFile file(broken);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("junk");
    }
    const QString before =
        QFile(settingsfile::path()).exists() ? entry(settingsfile::kBackgroundImage) : QString();
    for (const QString& answer : {QString(), broken}) {
        SCOPED_TRACE(answer.toStdString());
        services.fileNames = {answer};
        services.warnings.clear();
        window->changeBackground();
        EXPECT_EQ(entry(settingsfile::kBackgroundImage), before);
        EXPECT_FALSE(has(settingsfile::kOldBackgroundImage));
        EXPECT_EQ(services.warnings.size(), answer.isEmpty() ? 0 : 1);
    }
}

TEST_F(MainWindowTest, StretchFollowsTheMenu) {
    makeWindow();
    window->menuItem(ZRSBMainWindow::StretchItem)->trigger();
    EXPECT_FALSE(window->stretchBackground());
    EXPECT_FALSE(window->isMenuItemChecked(ZRSBMainWindow::StretchItem));
    EXPECT_FALSE(window->background()->scaledBackground());
    EXPECT_EQ(entry(settingsfile::kStretchedBackground), QStringLiteral("false"));
    window->setStretch();
    EXPECT_TRUE(window->stretchBackground());
    EXPECT_EQ(entry(settingsfile::kStretchedBackground), QStringLiteral("true"));
}

TEST_F(MainWindowTest, ModeButtonsAndTopBar) {
    makeWindow();
    showWindow();
    for (int mode = 0; mode < 3; ++mode) {
        ZRPushButton* button = window->modeButton(mode);
        EXPECT_GE(button->width(), 68);
        EXPECT_EQ(button->height(), 16);
        EXPECT_TRUE(button->isCheckable());
        EXPECT_EQ(window->modeGroup()->id(button), mode);
    }
    EXPECT_TRUE(window->modeButton(1)->isChecked());
    EXPECT_EQ(window->modeButton(0)->width(), window->modeButton(2)->width());

    ZRVeskTopBar* bar = window->topBar();
    const int height = bar->height();
    EXPECT_EQ(height, 22);
    int lastGap = -1;
    for (int width : {400, 700}) {
        bar->setMinimumWidth(width);
        bar->resize(width, 60);
        EXPECT_EQ(bar->height(), height);
        EXPECT_EQ(bar->rightRect().right(), width - 1);
        EXPECT_EQ(bar->middleRect().width(),
                  width - bar->leftRect().width() - bar->rightRect().width());
        const int gap = width - 1 - bar->versionRect().right();
        if (lastGap >= 0) {
            EXPECT_EQ(gap, lastGap);
        }
        lastGap = gap;
    }
    bar->setMinimumWidth(0);
    bar->resize(20, height);
    EXPECT_TRUE(bar->middleRect().isEmpty());
}

TEST_F(MainWindowTest, TransportButtonsSitOnTheirSkinSets) {
    makeWindow();
    QDict<PSDLayerSet>* panel = preloadedSkinSets("preview_panel");
    const char* sets[6] = {"rewind_button",        "frame_backward_button", "play_button",
                           "frame_forward_button", "fast_forward_button",   "loop_button"};
    for (int i = 0; i < 6; ++i) {
        SCOPED_TRACE(sets[i]);
        EXPECT_EQ(window->transportButton(i)->geometry(),
                  panel->find(QLatin1String(sets[i]))->bounds);
        EXPECT_EQ(window->transportButton(i)->parentWidget(),
                  static_cast<QWidget*>(window->positionSlider()));
    }
    EXPECT_TRUE(window->transportButton(2)->isCheckable());
    EXPECT_TRUE(window->transportButton(5)->isCheckable());
    EXPECT_TRUE(window->transportButton(1)->autoRepeat());
}

TEST_F(MainWindowTest, TheTimelineViewHoldsSixTracks) {
    makeWindow();
    ZRTimelineView* view = window->timelineView();
    ASSERT_EQ(view->trackCount(), 6);
    struct Row {
        const char* name;
        int id;
        int number;
        bool video;
    } rows[] = {{"TRANSITION", 1000, 2, true}, {"VIDEO", 1001, -1, true},
                {"AUDIO1", 1002, -1, false},   {"TITLES", -1, 4, true},
                {"AUDIO2", 2, 10, false},      {"AUDIO3", 3, 11, false}};
    for (int i = 0; i < 6; ++i) {
        SCOPED_TRACE(rows[i].name);
        ZRTimelineTrack* track = view->trackAt(i);
        EXPECT_EQ(track->label(), QLatin1String(rows[i].name));
        EXPECT_EQ(track->trackId(), rows[i].id);
        if (rows[i].number > 0) {
            EXPECT_EQ(track->trackNumber(), rows[i].number);
        }
        EXPECT_EQ(track->isVideo(), rows[i].video);
    }
    EXPECT_FALSE(view->isVisible());
}

// Every edit leaves the project modified, the storyboard's and trimmers' too.
TEST_F(MainWindowTest, AnEditEnablesSaveAndSaveAs) {
    makeWindow();
    addClips({30, 30});
    appState().setModified(false);
    window->setMenuItemEnabled(ZRSBMainWindow::SaveItem, false);
    window->setMenuItemEnabled(ZRSBMainWindow::SaveAsItem, false);
    IZRObject* clip = window->editor()->firstObject();
    window->editor()->setClipMarkOut(clip, pos(20));
    EXPECT_TRUE(appState().modified);
    EXPECT_TRUE(window->isMenuItemEnabled(ZRSBMainWindow::SaveItem));
    EXPECT_TRUE(window->isMenuItemEnabled(ZRSBMainWindow::SaveAsItem));
}

TEST_F(MainWindowTest, StoredSplitSizes) {
    struct Case {
        const char* stored;
        int size;
        int item;
    } cases[] = {
        {nullptr, 3784704, 3201}, {"645000", 645000, 3204}, {"1490000", 1490000, 3203},
        {"5120", 5120, 3207},     {"12345", 12345, 3202},   {"0", 2096000, 3202},
        {"-7", 2096000, 3202},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored ? c.stored : "none");
        writeSettings(c.stored ? QStringList{QStringLiteral("FileSplitSize=") + c.stored}
                               : QStringList{});
        appState().splitSize = settingsfile::kDefaultSplitSize;
        makeWindow();
        EXPECT_EQ(appState().splitSize, c.size);
        for (const settingsfile::SplitSize& entry : settingsfile::kSplitSizes)
            EXPECT_EQ(window->isMenuItemChecked(entry.menuId), entry.menuId == c.item)
                << entry.menuId;
        window.reset();
        appState().setSettings(nullptr, nullptr);
    }
}

TEST_F(MainWindowTest, StoredOptionsCheckTheirItems) {
    writeSettings({"Snapshot_Deinterlace=true", "Snapshot_CopyToClipboard=true",
                   "UseBackgroundRenderer=false", "FileSplitSzene=false"});
    makeWindow();
    EXPECT_TRUE(window->isMenuItemChecked(ZRSBMainWindow::DeinterlaceItem));
    EXPECT_TRUE(window->isMenuItemChecked(ZRSBMainWindow::ClipboardItem));
    EXPECT_FALSE(window->isMenuItemChecked(ZRSBMainWindow::BmpFileItem));
    EXPECT_FALSE(window->isMenuItemChecked(ZRSBMainWindow::BackgroundRendererItem));
    EXPECT_FALSE(appState().useBackgroundRenderer);
    EXPECT_EQ(engineInt("Enable Background Rendering"), 0);
    EXPECT_FALSE(window->isMenuItemChecked(ZRSBMainWindow::SceneDetectionItem));
    EXPECT_FALSE(appState().sceneDetection);
}

TEST_F(MainWindowTest, PositionsTravelThroughTheHub) {
    makeWindow();
    showWindow();
    addClips({50, 50});
    window->updateContents(window.get());
    const int last = frames(window->editor()->endPosition()) - 1;
    ASSERT_GT(last, 0);

    // From the storyboard: the slider and the preview follow; the storyboard sent it.
    ZRStoryboard* storyboard = window->storyboard();
    const int cell = storyboard->currentCell();
    const double fraction = storyboard->currentFraction();
    Q_EMIT storyboard->positionChanged(pos(30), storyboard);
    EXPECT_EQ(storyboard->currentCell(), cell);
    EXPECT_EQ(storyboard->currentFraction(), fraction);
    EXPECT_NEAR(window->positionSlider()->position(), 30.0 / last, 1e-9);
    EXPECT_EQ(frames(window->currentPosition()), 30);
    ASSERT_NE(window->previewFrame()->preview()->currentPosition(), nullptr);
    EXPECT_EQ(frames(window->previewFrame()->preview()->currentPosition()), 30);

    // From the slider: the fraction of the project, the clip under it reaches the trimmers.
    Q_EMIT window->positionSlider()->positionChanged(1.0, window->positionSlider());
    EXPECT_EQ(frames(window->currentPosition()), last);
    EXPECT_EQ(window->currentObject(), window->editor()->lastObject());
    EXPECT_EQ(window->trimmerLeft()->getCurrentObject(), window->editor()->lastObject());

    // Fractions off the range stay inside the project.
    for (double fraction : {-0.5, std::nan(""), 7.0}) {
        window->gotoPosition(fraction, nullptr);
        EXPECT_GE(frames(window->currentPosition()), 0);
        EXPECT_LE(frames(window->currentPosition()), last);
    }
}

TEST_F(MainWindowTest, ShortProjectsNeverMoveTheSlider) {
    makeWindow();
    for (int length : {0, 1}) {
        SCOPED_TRACE(length);
        window->editor()->newProject();
        if (length) addClips({1});
        window->positionSlider()->setEnabled(true);
        window->positionSlider()->gotoPosition(0.25, nullptr);
        window->gotoPosition(pos(0), nullptr);
        EXPECT_DOUBLE_EQ(window->positionSlider()->position(), 0.25);
    }
}

TEST_F(MainWindowTest, ObjectsTravelThroughTheHub) {
    makeWindow();
    addClips({40, 40, 40});
    IZRObject* middle = window->editor()->objectAt(1);

    // A clip from one trimmer reaches the other.
    Q_EMIT window->trimmerLeft()->objectChanged(middle, window->trimmerLeft());
    EXPECT_EQ(window->currentObject(), middle);
    EXPECT_EQ(window->trimmerRight()->getCurrentObject(), middle);
    EXPECT_TRUE(window->positionSlider()->isEnabled());

    // An object the editor deletes is dropped everywhere.
    window->editor()->removeClip(middle, true, true);
    EXPECT_EQ(window->currentObject(), nullptr);
    EXPECT_NE(window->trimmerLeft()->getCurrentObject(), middle);
    EXPECT_NE(window->trimmerRight()->getCurrentObject(), middle);
    EXPECT_NE(window->trimmerLeft()->neighbourObject(), middle);
    EXPECT_NE(window->trimmerRight()->neighbourObject(), middle);

    // Emptying the project empties the hub and the trimmers.
    window->gotoObject(window->editor()->objectAt(1), nullptr);
    ASSERT_NE(window->trimmerRight()->getCurrentObject(), nullptr);
    window->editor()->newProject();
    EXPECT_EQ(window->trimmerLeft()->getCurrentObject(), nullptr);
    EXPECT_EQ(window->trimmerRight()->getCurrentObject(), nullptr);
    EXPECT_EQ(window->trimmerLeft()->neighbourObject(), nullptr);
    EXPECT_EQ(window->trimmerRight()->neighbourObject(), nullptr);
    EXPECT_EQ(window->currentObject(), nullptr);
    EXPECT_EQ(frames(window->currentPosition()), 0);
    EXPECT_FALSE(window->trimmerLeft()->isEnabled());
    EXPECT_FALSE(window->positionSlider()->isEnabled());
}

TEST_F(MainWindowTest, ModesShowTheirWidgets) {
    makeWindow();
    showWindow();
    QWidget* editing[] = {window->previewFrame(), window->positionSlider(), window->trimmerLeft(),
                          window->trimmerRight()};
    struct Case {
        int mode;
        QWidget* page;
    } cases[] = {{0, window->importView()}, {2, window->producePage()}, {1, nullptr}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        window->modeButton(c.mode)->click();
        for (QWidget* w : editing)
            EXPECT_EQ(w->isVisible(), c.mode == 1) << w->objectName().toStdString();
        EXPECT_EQ(window->importView()->isVisible(), c.mode == 0);
        EXPECT_EQ(window->producePage()->isVisible(), c.mode == 2);
        EXPECT_EQ(window->storyboard()->isEnabled(), c.mode == 1);
        EXPECT_EQ(window->timelineView()->isEnabled(), c.mode == 1);
        if (c.page) {
            EXPECT_GT(c.page->width(), window->previewFrame()->width());
            EXPECT_EQ(c.page->x(), window->trimmerLeft()->x());
        }
    }
    window->slotSetVeskMode(5);
    EXPECT_TRUE(window->previewFrame()->isVisible());
}

TEST_F(MainWindowTest, ViewSwitchesShowOneView) {
    makeWindow();
    showWindow();
    EXPECT_TRUE(window->storyboard()->isVisible());
    EXPECT_FALSE(window->timelineView()->isVisible());
    // The storyboard's own Timeline button.
    window->storyboard()->modeGroup()->button(1)->click();
    EXPECT_TRUE(window->timelineView()->isVisible());
    EXPECT_FALSE(window->storyboard()->isVisible());
    EXPECT_TRUE(window->timelineView()->modeGroup()->button(1)->isChecked());
    window->timelineView()->modeGroup()->button(0)->click();
    EXPECT_TRUE(window->storyboard()->isVisible());
    EXPECT_FALSE(window->timelineView()->isVisible());
    EXPECT_TRUE(window->storyboard()->modeGroup()->button(0)->isChecked());
    window->slotViewModeChanged(2);
    EXPECT_TRUE(window->storyboard()->isVisible());
}

TEST_F(MainWindowTest, LoadFailuresShowOneBox) {
    makeWindow();
    for (int i = 0; i < 3; ++i)
        QCoreApplication::postEvent(window.get(), new ZRLoadFailedEvent(QStringLiteral("x.avi")));
    QCoreApplication::processEvents();
    EXPECT_EQ(services.warnings, QStringList{QStringLiteral("Loading project")});
    EXPECT_EQ(appState().clipLoadWarnings, 3);
}

TEST_F(MainWindowTest, AHaltedRendererStaysOff) {
    makeWindow(true);
    for (int i = 0; i < 2; ++i) {
        QCoreApplication::postEvent(window.get(), new ZRRendererHaltedEvent());
        QCoreApplication::processEvents();
        EXPECT_FALSE(window->isMenuItemChecked(ZRSBMainWindow::BackgroundRendererItem));
        EXPECT_EQ(engineInt("Enable Background Rendering"), 0);
        EXPECT_EQ(entry(settingsfile::kUseBackgroundRenderer), QStringLiteral("false"));
    }
    EXPECT_EQ(services.warnings.size(), 2);
    window->slotNewProject();
    EXPECT_EQ(services.profileDialogs, 1);
    EXPECT_EQ(engineInt("Enable Background Rendering"), 0);
}

TEST_F(MainWindowTest, ThePlayersStateReachesTheViews) {
    makeWindow();
    addClips({30});
    ZRPushButton* play = window->transportButton(2);
    {
        const QSignalBlocker block(play);
        play->setChecked(true);
    }
    window->storyboard()->setEnabled(false);
    window->positionSlider()->setEnabled(false);
    // The player is stopped: the views come back and the play button goes off.
    Q_EMIT window->previewFrame()->stateChanged();
    EXPECT_FALSE(play->isChecked());
    EXPECT_TRUE(window->storyboard()->isEnabled());
    EXPECT_TRUE(window->positionSlider()->isEnabled());
}
