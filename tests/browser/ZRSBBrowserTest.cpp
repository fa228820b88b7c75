#include "browser/ZRSBBrowser.h"

#include "browser/ZRBrowserEffectsView.h"
#include "browser/ZRBrowserTitlesBrowser.h"
#include "browser/ZRBrowserTitlesView.h"
#include "browser/ZRBrowserTransView.h"
#include "browser/ZRTextPreview.h"
#include "classes/widgets/ZRPushButton.h"
#include "classes/widgets/ZRTabBar.h"
#include "tests/browser/BrowserPageFixture.h"
#include "views/ZRSBPreviewFrame.h"

#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QFileDialog>
#include <QListView>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>

namespace {

using browsertest::BrowserPageTest;

class BrowserPanel : public BrowserPageTest {
protected:
    void TearDown() override {
        browser.reset();
        BrowserPageTest::TearDown();
    }

    ZRSBBrowser& makeBrowser() {
        browser = std::make_unique<ZRSBBrowser>(nullptr, "Browser");
        browser->resize(420, 360);
        browser->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(browser.get()));
        return *browser;
    }

    std::unique_ptr<ZRSBBrowser> browser;
};

TEST_F(BrowserPanel, StartsOnTheMediaPageWithSmallIcons) {
    ZRSBBrowser& b = makeBrowser();
    EXPECT_EQ(b.currentTab(), 0);
    EXPECT_TRUE(b.clipView()->isVisible());
    EXPECT_FALSE(b.upButton()->isVisible());
    EXPECT_EQ(b.viewModeGroup()->checkedId(), 7);
    EXPECT_EQ(b.tabBar()->count(), 4);
    EXPECT_EQ(b.titlesTabBar()->count(), 2);
    EXPECT_EQ(appState().pasteButton.data() != nullptr, true);
    EXPECT_FALSE(appState().pasteButton->isEnabled());
}

TEST_F(BrowserPanel, ToolButtonsCarryTheirTips) {
    ZRSBBrowser& b = makeBrowser();
    QStringList tips;
    for (const ZRPushButton* button : b.findChildren<ZRPushButton*>())
        tips << button->toolTip();
    for (const char* tip : {"Up", "Add", "New Folder", "Copy", "Paste", "Remove"})
        EXPECT_TRUE(tips.contains(QString::fromLatin1(tip))) << tip;
    // The dialog's caption is not a button's tip.
    EXPECT_FALSE(tips.contains(QStringLiteral("Add Files To Project")));
}

TEST_F(BrowserPanel, SelectTabShowsOnePage) {
    ZRSBBrowser& b = makeBrowser();
    struct Case {
        int id;
        int tab;
        QWidget* (*page)(ZRSBBrowser&);
        bool header;
    };
    const Case cases[] = {
        {3, 3, [](ZRSBBrowser& x) -> QWidget* { return x.effectsView(); }, true},
        {2, 2, [](ZRSBBrowser& x) -> QWidget* { return x.transView(); }, true},
        {1, 1, [](ZRSBBrowser& x) -> QWidget* { return x.titlesPage()->titlesBrowser(); }, false},
        {0, 0, [](ZRSBBrowser& x) -> QWidget* { return x.clipView(); }, true},
        {7, 0, [](ZRSBBrowser& x) -> QWidget* { return x.clipView(); }, true},
        {-1, 0, [](ZRSBBrowser& x) -> QWidget* { return x.clipView(); }, true},
    };
    for (const Case& c : cases) {
        b.selectTab(c.id);
        EXPECT_EQ(b.currentTab(), c.tab) << c.id;
        QWidget* page = c.page(b);
        for (QWidget* other : std::initializer_list<QWidget*>{
                 b.clipView(), b.effectsView(), b.transView(), b.titlesView(),
                 static_cast<QWidget*>(b.titlesPage()->titlesBrowser())})
            EXPECT_EQ(other->isVisible(), other == page) << c.id;
        EXPECT_EQ(b.titlesTabBar()->isVisible(), c.tab == 1) << c.id;
        EXPECT_EQ(b.showsHeader(), c.header) << c.id;
    }
}

TEST_F(BrowserPanel, MediaTabTwiceEmitsTheFolderStateOnce) {
    ZRSBBrowser& b = makeBrowser();
    b.selectTab(3);
    QSignalSpy named(b.clipView(), &ZRBrowserIconView::folderNameChanged);
    b.selectTab(0);
    b.selectTab(0);
    EXPECT_EQ(named.size(), 1);
}

TEST_F(BrowserPanel, HeaderFollowsTheFolder) {
    ZRSBBrowser& b = makeBrowser();
    b.changedFolderName(QStringLiteral("Captured"));
    EXPECT_EQ(b.folderName(), ZRBrowserIconView::tr("Captured"));
    b.changedFolderName(QStringLiteral("Trip"));
    EXPECT_EQ(b.folderName(), "Trip");
    b.clipView()->setFolder(QStringLiteral("Captured"));
    EXPECT_TRUE(b.upButton()->isVisible());
    EXPECT_TRUE(b.inFolder());
    b.upButton()->click();
    EXPECT_TRUE(b.clipView()->folderPath().isEmpty());
    EXPECT_FALSE(b.upButton()->isVisible());
    // Up leaves the clip page alone while another page shows, and goes up one level at a time
    // however often the media tab was chosen.
    b.clipView()->setFolder(QStringLiteral("Captured/Day/Evening"));
    b.selectTab(3);
    b.upButton()->click();
    EXPECT_EQ(b.clipView()->folderPath(), "Captured/Day/Evening");
    b.selectTab(0);
    b.selectTab(0);
    b.tabBar()->setCurrentTab(0);
    b.upButton()->click();
    EXPECT_EQ(b.clipView()->folderPath(), "Captured/Day");
}

TEST_F(BrowserPanel, AddFilesAddsToThePresentFolderAndKeepsTheLastName) {
    ZRSBBrowser& b = makeBrowser();
    const QString a = clip(QStringLiteral("a.avi"));
    const QString c = clip(QStringLiteral("c.avi"));
    const QString d = clip(QStringLiteral("d.avi"));
    services.files = {{a, c, d}};
    b.addFiles();
    EXPECT_TRUE(services.questions.isEmpty());
    EXPECT_TRUE(services.filter.isEmpty()) << "no timeline: no dialog";

    b.setEngineOptions(timeline);
    b.clipView()->setFolder(QStringLiteral("Mine"));
    b.selectTab(2);
    b.addFiles();
    settle(b.clipView());
    EXPECT_EQ(b.currentTab(), 0);
    EXPECT_EQ(services.filter.count(QLatin1Char('\n')), 7);
    EXPECT_EQ(b.clipView()->count(), 3);
    EXPECT_EQ(read("General Settings", "BrowserAddFileName"), d);
    EXPECT_EQ(read("BrowserFolder::Mine", "Profile3"), d);
    b.addFiles(); // cancelled: nothing changes
    EXPECT_EQ(services.startPath, d);
    EXPECT_EQ(b.clipView()->count(), 3);
}

// The dialog the program shows (the window services' own), looked at while it is up: each
// filter shows the files it names, whatever the case of their names.
TEST_F(BrowserPanel, AddFilesDialogFiltersIgnoreTheCaseOfNames) {
    QTemporaryDir folder;
    const QStringList names{"clip.avi", "CLIP.AVI",  "Clip.Mpg", "still.JpG",
                            "tape.dv",  "phone.mp4", "notes.txt"};
    for (const QString& name : names) {
        QFile file(folder.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    ZRWindowServices real;
    ZRWindowServices::install(&real);
    ZRSBBrowser& b = makeBrowser();
    b.setEngineOptions(timeline);
    settings().setGroup(QStringLiteral("General Settings"));
    settings().writeEntry(QStringLiteral("BrowserAddFileName"), folder.filePath("clip.avi"));

    // The names the dialog lists under its first and its last filter, with the filter's label.
    QList<QPair<QString, QStringList>> listed;
    QString caption;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        caption = dialog->windowTitle();
        auto* list = dialog->findChild<QListView*>(QStringLiteral("listView"));
        auto* combo = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
        ASSERT_TRUE(list && combo);
        for (int f : {0, combo->count() - 1}) {
            // As the user picks it.
            combo->setCurrentIndex(f);
            Q_EMIT combo->activated(f);
            QStringList shown;
            // The folder is read by a thread: wait until the listing settles.
            for (int settled = 0; settled < 5; QTest::qWait(20)) {
                QStringList now;
                const QModelIndex root = list->rootIndex();
                for (int r = 0; r < list->model()->rowCount(root); ++r)
                    now.append(list->model()->index(r, 0, root).data().toString());
                now.sort();
                settled = now == shown && !now.isEmpty() ? settled + 1 : 0;
                shown = now;
            }
            listed.append({combo->itemText(f), shown});
        }
        dialog->reject();
    });
    b.addFiles();
    ZRWindowServices::install(&services);
    EXPECT_EQ(caption, QStringLiteral("Add Files To Project"));
    ASSERT_EQ(listed.size(), 2);
    EXPECT_TRUE(listed.first().first.startsWith(QStringLiteral("All Media types (")));
    EXPECT_EQ(listed.first().second,
              (QStringList{"CLIP.AVI", "Clip.Mpg", "clip.avi", "still.JpG"}));
    EXPECT_EQ(listed.last().first, QStringLiteral("All Files ( *.* )"));
    EXPECT_EQ(listed.last().second, (QStringList{"CLIP.AVI", "Clip.Mpg", "clip.avi", "notes.txt",
                                                 "phone.mp4", "still.JpG", "tape.dv"}));
}

TEST_F(BrowserPanel, EngineOptionsReturnThePreviousTimeline) {
    ZRSBBrowser& b = makeBrowser();
    EXPECT_EQ(b.setEngineOptions(nullptr), nullptr);
    EXPECT_EQ(b.setEngineOptions(timeline), nullptr);
    EXPECT_EQ(b.setEngineOptions(nullptr), timeline);
    EXPECT_EQ(b.clipView()->thumbnailSize(), QSize(60, 40));
}

TEST_F(BrowserPanel, TitlesTabShowsTheBrowserOrThePageByItsOwnTabBar) {
    ZRSBBrowser& b = makeBrowser();
    b.setEngineOptions(timeline);
    ZRBrowserTitlesView* titles = b.titlesPage();
    ASSERT_NE(titles, nullptr);
    EXPECT_NE(titles->scratchObject(), nullptr) << "the page binds to the project engine";
    QWidget* browser = titles->titlesBrowser();
    b.selectTab(1);
    EXPECT_TRUE(browser->isVisible());
    EXPECT_FALSE(titles->isVisible());
    b.titlesTabBar()->setCurrentTab(1);
    EXPECT_TRUE(titles->isVisible());
    EXPECT_FALSE(browser->isVisible());
    // Back on the media tab a reset of the titles tab bar shows neither part.
    b.selectTab(0);
    b.hideAllPreviews();
    EXPECT_EQ(b.titlesTabBar()->currentTab(), 0);
    EXPECT_FALSE(titles->isVisible());
    EXPECT_FALSE(browser->isVisible());
    EXPECT_TRUE(b.clipView()->isVisible());
}

TEST_F(BrowserPanel, LeavingTheTitlesTabHidesTheTitlePreview) {
    // The main window's preview frame, which the title preview covers.
    QWidget host;
    host.resize(420, 340);
    appState().previewFrame = new ZRSBPreviewFrame(&host, "Preview Frame");
    host.show();
    ZRSBBrowser& b = makeBrowser();
    b.setEngineOptions(timeline);
    ZRTextPreview* preview = b.titlesPage()->textPreview();
    ASSERT_NE(preview, nullptr);
    for (int other : {0, 2, 3}) {
        b.selectTab(1);
        b.titlesTabBar()->setCurrentTab(1);
        ASSERT_TRUE(preview->isVisible()) << "the create page shows its preview";
        b.selectTab(other);
        EXPECT_FALSE(preview->isVisible()) << other;
    }
    browser.reset();
    appState().previewFrame = nullptr;
}

TEST_F(BrowserPanel, TitlesPageIsSetInOnePlace) {
    ZRSBBrowser& b = makeBrowser();
    auto* page = new QWidget;
    b.setTitlesPage(page);
    EXPECT_EQ(b.titlesView(), page);
    EXPECT_EQ(page->parentWidget(), &b);
    b.selectTab(1);
    EXPECT_TRUE(page->isVisible());
}

// The effects and transitions pages get the timeline and speak for the header while shown; a
// hidden page's state leaves the header alone.
TEST_F(BrowserPanel, EnginePagesDriveTheHeaderWhileShown) {
    ZRSBBrowser& b = makeBrowser();
    b.changedFolderName(QStringLiteral("Trip"));
    b.setEngineOptions(timeline);
    EXPECT_EQ(b.effectsView()->groups(), QStringList{"Colour"});
    EXPECT_EQ(b.transView()->groups(), QStringList{"Basic"});
    EXPECT_NE(b.folderName(), "Video Effect");

    QSignalSpy named(b.effectsView(), &ZRBrowserEngineView::folderNameChanged);
    b.selectTab(3);
    b.selectTab(3);
    EXPECT_EQ(named.size(), 1);
    EXPECT_EQ(b.folderName(), "Video Effect");
    EXPECT_FALSE(b.upButton()->isVisible());
    b.effectsView()->folderClicked(b.effectsView()->firstItem());
    EXPECT_EQ(b.folderName(), "Colour");
    EXPECT_TRUE(b.upButton()->isVisible());
    b.upButton()->click();
    EXPECT_EQ(b.folderName(), "Video Effect");
    EXPECT_FALSE(b.effectsView()->inFolder());
    EXPECT_FALSE(b.upButton()->isVisible());

    b.selectTab(2);
    EXPECT_EQ(b.folderName(), "Transition");
}

TEST_F(BrowserPanel, AnimationRunsWhileTheMouseIsOverThePanel) {
    ZRSBBrowser& b = makeBrowser();
    b.setEngineOptions(timeline);
    appState().removeButton->setEnabled(true);
    b.selectTab(3);
    EXPECT_TRUE(b.effectsView()->isAnimating());
    for (QWidget* button : {appState().newFolderButton.data(), appState().copyButton.data(),
                            appState().pasteButton.data(), appState().removeButton.data()})
        EXPECT_FALSE(button->isEnabled());
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(&b, &leave);
    EXPECT_FALSE(b.effectsView()->isAnimating());
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QCoreApplication::sendEvent(&b, &enter);
    EXPECT_TRUE(b.effectsView()->isAnimating());
    EXPECT_FALSE(b.transView()->isAnimating());
    b.selectTab(2);
    EXPECT_FALSE(b.effectsView()->isAnimating());
    EXPECT_TRUE(b.transView()->isAnimating());
}

} // namespace
