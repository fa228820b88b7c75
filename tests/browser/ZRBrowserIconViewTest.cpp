#include "tests/browser/BrowserPageFixture.h"

#include <QAbstractButton>
#include <QDrag>
#include <QKeyEvent>
#include <QMimeData>
#include <QPushButton>
#include <QSignalSpy>
#include <QUrl>

namespace {

using browsertest::BrowserPageTest;

class BrowserPage : public BrowserPageTest {
protected:
    /// The clip paths stored in `folder`, one a line.
    std::string storedClips(const QString& folder) {
        QStringList clips;
        for (const ZRClipFolderStore::Entry& entry :
             ZRClipFolderStore(&settings()).loadFolder(folder))
            if (entry.kind == ZRClipFolderStore::Entry::Clip) clips.append(entry.text);
        return clips.join(QLatin1Char('\n')).toStdString();
    }
};

TEST_F(BrowserPage, TopLevelShowsTheFixedFoldersAndStoredOnes) {
    openSettings("# Config File\n[BrowserFolder::]\nNumProfiles=3\nProfile1=BrowserFolder::Trip\n");
    makePage();
    EXPECT_EQ(shown(), (QStringList{"Captured", "Produced", "Trip"}));
    EXPECT_FALSE(item("Captured")->isUserFolder());
    EXPECT_TRUE(item("Trip")->isUserFolder());
    EXPECT_TRUE(page->selectedFilePath().isNull());
}

// The counting import's frame 0 is red 0x40 with no green or blue: the centre of the picture
// area shows it, the frame around it is the skin's.
TEST_F(BrowserPage, AddedClipGetsTheFirstFrameOnceAndIsStored) {
    makePage();
    page->setFolder(QStringLiteral("Mine"));
    const QString path = clip(QStringLiteral("one.avi"));
    page->addClip(path, true, false);
    page->addClip(path, true, false);
    settle();
    ASSERT_EQ(page->count(), 1);
    ZRBrowserIconViewItem* added = item(QStringLiteral("one.avi"));
    ASSERT_NE(added, nullptr);
    EXPECT_EQ(added->fullPath(), path);
    EXPECT_EQ(added->directory(), QFileInfo(path).absolutePath());
    const QImage picture = *added->pixmap();
    EXPECT_EQ(picture.size(), QSize(64, 44));
    EXPECT_EQ(picture.pixel(32, 22), qRgb(0x40, 0, 0));
    EXPECT_NE(picture.pixel(0, 0), qRgb(0x40, 0, 0));
    EXPECT_EQ(read("BrowserFolder::Mine", "Profile1"), path);
    EXPECT_EQ(read("BrowserFolder::Mine", "NumProfiles"), "2");
    EXPECT_EQ(read("Thumbnails60x40", path).size(), 64 * 44 * 8);

    // A second page reads the cached picture without the engine.
    appState().timeline = nullptr;
    page->refill();
    ASSERT_EQ(page->count(), 1);
    EXPECT_EQ(item(QStringLiteral("one.avi"))->pixmap()->pixel(32, 22), qRgb(0x40, 0, 0));
    appState().timeline = timeline;
}

// Adding stores the entry at once: a page closed before the pictures are made loses none of the
// clips added with storing (Add Files, Paste, captured and produced files).
TEST_F(BrowserPage, ClipsAddedAreStoredBeforeTheirPictures) {
    makePage();
    page->setFolder(QStringLiteral("F"));
    QStringList added;
    for (int i = 0; i < 40; ++i) {
        added.append(clip(QStringLiteral("c%1.avi").arg(i)));
        page->addClip(added.back(), true, false);
    }
    const QString captured = clip(QStringLiteral("cap.avi"));
    page->addFile(QStringLiteral("Captured"), captured, 0);
    panel.reset();
    page = nullptr;
    EXPECT_EQ(storedClips(QStringLiteral("F")), added.join(QLatin1Char('\n')).toStdString());
    EXPECT_EQ(storedClips(QStringLiteral("Captured")), captured.toStdString());
}

// A clip stored at once that the engine then refuses leaves its folder again, also when the page
// shows another folder by then.
TEST_F(BrowserPage, RefusedClipLeavesItsFolder) {
    makePage();
    page->setFolder(QStringLiteral("F"));
    const QString kept = clip(QStringLiteral("kept.avi"));
    page->addClip(kept, true, false);
    page->addClip(clip(QStringLiteral("missing.avi")), true, false);
    page->setFolder(QStringLiteral("G"));
    settle();
    EXPECT_EQ(storedClips(QStringLiteral("F")), kept.toStdString());
}

TEST_F(BrowserPage, ClipsThatCannotBeShownAddNothing) {
    makePage();
    page->setFolder(QStringLiteral("F"));
    page->addClip(clip(QStringLiteral("missing.avi")), true, false); // the import refuses it
    page->addClip(dir.filePath(QStringLiteral("absent.avi")), true, false);
    page->addClip(QString(), true, false);
    settle();
    EXPECT_EQ(page->count(), 0);
    EXPECT_EQ(storedClips(QStringLiteral("F")), "");
}

// Linux names differ by case: both clips show.
TEST_F(BrowserPage, PathsDifferingInCaseAreTwoClips) {
    makePage();
    page->setFolder(QStringLiteral("F"));
    page->addClip(clip(QStringLiteral("a.avi")), true, false);
    page->addClip(clip(QStringLiteral("A.avi")), true, false);
    settle();
    EXPECT_EQ(page->count(), 2);
}

// A large folder shows its first screen at once and lists the rest from the event loop, in the
// stored order; what needs every entry (adding, deleting) lists them all first.
class BigFolder : public BrowserPage {
protected:
    // A stored folder "Big" of 300 clips "b000.avi" to "b299.avi"; answers their paths.
    QStringList storeBigFolder() {
        QByteArray ini = "# Config File\n[BrowserFolder::Big]\nNumProfiles=301\n";
        QStringList paths;
        for (int i = 0; i < 300; ++i) {
            paths.append(clip(QStringLiteral("b%1.avi").arg(i, 3, 10, QLatin1Char('0'))));
            ini += "Profile" + QByteArray::number(i + 1) + "=" + paths.back().toUtf8() + "\n";
        }
        openSettings(ini);
        return paths;
    }
};

TEST_F(BigFolder, ListsTheFirstScreenFirst) {
    const QStringList paths = storeBigFolder();
    makePage();
    page->setFolder(QStringLiteral("Big"));
    const int first = page->count();
    EXPECT_GE(first, 12) << "the view's first screen";
    EXPECT_LT(first, 300);
    settle();
    ASSERT_EQ(page->count(), 300);
    QStringList texts = shown();
    EXPECT_EQ(texts.first(), "b000.avi");
    EXPECT_EQ(texts.last(), "b299.avi");

    // Adding a stored clip not listed yet adds nothing; deleting one shown keeps the others.
    page->setFolder(QStringLiteral("Big"));
    ASSERT_LT(page->count(), 300);
    page->addClip(paths.back(), true, false);
    EXPECT_EQ(page->count(), 300);
    page->setFolder(QStringLiteral("Big"));
    ASSERT_LT(page->count(), 300);
    selectOnly({QStringLiteral("b000.avi")});
    services.answers = {0};
    page->deleteSelectedItems();
    settle();
    EXPECT_EQ(page->count(), 299);
    page->setFolder(QStringLiteral("Big"));
    settle();
    EXPECT_EQ(page->count(), 299);
    EXPECT_EQ(read("BrowserFolder::Big", "NumProfiles"), "299");
}

// A folder filled while the view had no room yet (the window is laid out after the page is
// filled at start-up) lists a whole screen once the view gets its size, before any event.
TEST_F(BigFolder, FilledBeforeTheViewHadItsSizeFillsTheScreenWhenSized) {
    storeBigFolder();
    makePage();
    for (const bool shown : {true, false}) {
        page->setVisible(shown);
        page->setGeometry(5, 5, 410, 1);
        page->setFolder(QStringLiteral("Big"));
        const int cramped = page->count();
        page->setGeometry(5, 5, 410, 290);
        page->show();
        EXPECT_GE(page->count(), 12) << "a screen of 410x290 after " << cramped << ", shown "
                                     << shown;
        EXPECT_LT(page->count(), 300);
    }
}

// Clips the engine cannot read leave the grid as their answers come; the folders and clips left
// close up instead of keeping a screen of empty cells.
TEST_F(BrowserPage, UnreadableClipsLeaveNoGaps) {
    // The same 300 clips the import cannot open ("missing" in their names) at the top level
    // and alone in a folder.
    QByteArray profiles;
    for (int i = 0; i < 300; ++i)
        profiles += "Profile" + QByteArray::number(i + 1) + "=" +
                    clip(QStringLiteral("missing%1.avi").arg(i)).toUtf8() + "\n";
    openSettings("# Config File\n[BrowserFolder::]\nNumProfiles=301\n" + profiles +
                 "[BrowserFolder::Unreadable]\nNumProfiles=301\n" + profiles);
    makePage();
    settle();
    ASSERT_EQ(page->count(), 2) << "the fixed folders";
    EXPECT_TRUE(QTest::qWaitFor([&] { return page->contentsHeight() <= page->visibleHeight(); }))
        << page->contentsHeight();
    EXPECT_EQ(item(QStringLiteral("Produced"))->y(), item(QStringLiteral("Captured"))->y());

    page->setFolder(QStringLiteral("Unreadable"));
    settle();
    ASSERT_EQ(page->count(), 0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return page->contentsHeight() == 0; }))
        << page->contentsHeight();
}

TEST_F(BrowserPage, FoldersOpenAndGoUp) {
    makePage();
    QSignalSpy changed(page, &ZRBrowserIconView::folderChanged);
    QSignalSpy named(page, &ZRBrowserIconView::folderNameChanged);
    page->itemDoubleClicked(item(QStringLiteral("Captured")));
    EXPECT_EQ(page->folderPath(), "Captured");
    EXPECT_EQ(changed.takeFirst().at(0).toBool(), true);
    EXPECT_EQ(named.takeFirst().at(0).toString(), "Captured");

    page->newFolder();
    ZRBrowserIconViewItem* made = item(QStringLiteral("New Folder #1"));
    ASSERT_NE(made, nullptr);
    EXPECT_TRUE(page->isRenaming());
    made->cancelRenameItem();
    page->itemDoubleClicked(made);
    EXPECT_EQ(page->folderPath(), "Captured/New Folder #1");
    EXPECT_EQ(page->folderName(), "New Folder #1");
    changed.clear();
    named.clear();

    page->folderUp();
    EXPECT_EQ(page->folderPath(), "Captured");
    EXPECT_EQ(page->folderName(), "Captured");
    EXPECT_EQ(changed.size(), 0);
    EXPECT_EQ(named.takeFirst().at(0).toString(), "Captured");
    EXPECT_EQ(shown(), QStringList{"New Folder #1"});
    page->folderUp();
    EXPECT_TRUE(page->folderPath().isEmpty());
    EXPECT_EQ(changed.takeFirst().at(0).toBool(), false);
    EXPECT_EQ(named.takeFirst().at(0).toString(), "");
}

TEST_F(BrowserPage, NewFolderNumbersCountOnAndSkipTakenNames) {
    openSettings("# Config File\n[BrowserFolder::]\nNumProfiles=2\n"
                 "Profile1=BrowserFolder::New Folder #2\n"
                 "[General Settings]\nNewFolderCounter=2\n");
    makePage();
    page->newFolder();
    EXPECT_NE(item(QStringLiteral("New Folder #3")), nullptr);
    EXPECT_EQ(read("General Settings", "NewFolderCounter"), "4");
    EXPECT_EQ(read("BrowserFolder::", "Profile2"), "BrowserFolder::New Folder #3");
}

TEST_F(BrowserPage, RenameMovesTheFolderAndRefusesBadNames) {
    openSettings("# Config File\n[BrowserFolder::]\nNumProfiles=3\nProfile1=BrowserFolder::Trip\n"
                 "Profile2=BrowserFolder::Home\n[BrowserFolder::Trip]\nNumProfiles=2\n"
                 "Profile1=BrowserFolder::Day\n[BrowserFolder::Trip/Day]\nNumProfiles=2\n"
                 "Profile1=/v/x.avi\n");
    makePage();
    for (const char* bad : {"", "a/b", "x]", "Captured", "home"}) {
        page->folderRenamed(item(QStringLiteral("Trip")), QString::fromUtf8(bad));
        EXPECT_EQ(shown().at(2), "Trip") << bad;
    }
    EXPECT_EQ(read("BrowserFolder::Trip/Day", "Profile1"), "/v/x.avi");

    ZRBrowserIconViewItem* trip = item(QStringLiteral("Trip"));
    trip->setText(QStringLiteral("Holiday"));
    page->folderRenamed(trip, QStringLiteral("Holiday"));
    EXPECT_EQ(read("BrowserFolder::", "Profile0"), "BrowserFolder::Holiday");
    EXPECT_EQ(read("BrowserFolder::Holiday/Day", "Profile1"), "/v/x.avi");
    page->itemDoubleClicked(trip);
    EXPECT_EQ(shown(), QStringList{"Day"});
}

TEST_F(BrowserPage, DeleteWithOnlyFixedFoldersAsksNothing) {
    makePage();
    selectOnly({QStringLiteral("Captured"), QStringLiteral("Produced")});
    QKeyEvent del(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
    QCoreApplication::sendEvent(page, &del);
    EXPECT_TRUE(services.questions.isEmpty());
    EXPECT_EQ(page->count(), 2);
}

// The clip box's answers: what leaves the list, what leaves the disk.
TEST_F(BrowserPage, ClipDeletionAnswers) {
    struct Case {
        const char* name;
        QList<int> answers;
        bool listed;
        bool onDisk;
    };
    const Case cases[] = {
        {"cancel", {2}, true, true},
        {"escape", {}, true, true},
        {"link only", {0}, false, true},
        {"delete, then no", {1, 1}, false, true},
        {"delete, then cancel", {1, 2}, true, true},
        {"delete, then yes", {1, 0}, false, false},
    };
    for (const Case& c : cases) {
        openSettings();
        makePage();
        page->setFolder(QStringLiteral("F"));
        const QString path = clip(QStringLiteral("del.avi"));
        page->addClip(path, true, false);
        settle();
        selectOnly({QStringLiteral("del.avi")});
        services.answers = c.answers;
        page->deleteSelectedItems();
        EXPECT_EQ(page->count() == 1, c.listed) << c.name;
        EXPECT_EQ(QFile::exists(path), c.onDisk) << c.name;
        EXPECT_EQ(read("BrowserFolder::F", "NumProfiles"), c.listed ? "2" : "0") << c.name;
        QFile::remove(path);
    }
}

TEST_F(BrowserPage, RemovedFolderLosesItsGroupsButNotFixedOnes) {
    openSettings("# Config File\n[BrowserFolder::]\nNumProfiles=2\nProfile1=BrowserFolder::Trip\n"
                 "[BrowserFolder::Trip]\nNumProfiles=2\nProfile1=BrowserFolder::Day\n"
                 "[BrowserFolder::Trip/Day]\nNumProfiles=2\nProfile1=/v/x.avi\n");
    makePage();
    selectOnly({QStringLiteral("Trip"), QStringLiteral("Captured")});
    services.answers = {1}; // "Do not remove folder(s)"
    page->deleteSelectedItems();
    EXPECT_EQ(page->count(), 3);
    services.answers = {0};
    page->deleteSelectedItems();
    EXPECT_EQ(shown(), (QStringList{"Captured", "Produced"}));
    EXPECT_EQ(read("BrowserFolder::Trip/Day", "NumProfiles"), "<none>");
    EXPECT_EQ(read("BrowserFolder::", "NumProfiles"), "0");
}

// A clip the page cannot show because its drive is gone keeps its entry at another deletion.
TEST_F(BrowserPage, MissingClipSurvivesARewrite) {
    const QString present = clip(QStringLiteral("here.avi"));
    openSettings("# Config File\n[BrowserFolder::F]\nNumProfiles=3\nProfile1=/media/usb/away.avi\n"
                 "Profile2=" +
                 present.toUtf8() + "\n");
    makePage();
    page->setFolder(QStringLiteral("F"));
    settle();
    ASSERT_EQ(shown(), QStringList{"here.avi"});
    selectOnly({QStringLiteral("here.avi")});
    services.answers = {0};
    page->deleteSelectedItems();
    EXPECT_EQ(read("BrowserFolder::F", "Profile0"), "/media/usb/away.avi");
    EXPECT_EQ(read("BrowserFolder::F", "NumProfiles"), "1");
}

// A list may name any file of its folder: only its own numbered segments go with it.
TEST_F(BrowserPage, SegmentListDeletesOnlyItsOwnSegments) {
    makePage();
    page->setFolder(QStringLiteral("F"));
    const QString own = clip(QStringLiteral("cap01.mpg"));
    const QString foreign = clip(QStringLiteral("holiday.mpg"));
    const QString list = dir.filePath(QStringLiteral("cap.mvl"));
    QFile file(list);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("OVMP\r\ncap01.mpg; 4\r\nholiday.mpg; 4");
    file.close();
    page->addClip(list, true, false);
    settle();
    ASSERT_EQ(page->count(), 1);
    selectOnly({QStringLiteral("cap.mvl")});
    services.answers = {1, 0};
    page->deleteSelectedItems();
    EXPECT_FALSE(QFile::exists(list));
    EXPECT_FALSE(QFile::exists(own));
    EXPECT_TRUE(QFile::exists(foreign));
}

// A file that cannot go asks to retry; Abort keeps it, and the error reason is shown.
TEST_F(BrowserPage, UndeletableFileAsksToRetry) {
    makePage();
    page->setFolder(QStringLiteral("F"));
    const QString path = clip(QStringLiteral("busy.avi"));
    page->addClip(path, true, false);
    settle();
    // A folder in the clip's place cannot be removed as a file, even by the superuser.
    ASSERT_TRUE(QFile::remove(path));
    ASSERT_TRUE(QDir().mkpath(path + QStringLiteral("/inside")));
    selectOnly({QStringLiteral("busy.avi")});
    services.answers = {1, 0, 0, 1}; // delete, yes, retry, abort
    page->deleteSelectedItems();
    ASSERT_EQ(services.questions.size(), 4);
    EXPECT_TRUE(services.questions.at(2).startsWith(
        QStringLiteral("The selected file '%1' could not be deleted").arg(path)));
    EXPECT_TRUE(QFileInfo(path).isDir());
    EXPECT_EQ(page->count(), 0);
}

TEST_F(BrowserPage, CopyAndPasteMovePathsOnly) {
    QPushButton paste;
    QPushButton copy;
    appState().pasteButton = &paste;
    appState().copyButton = &copy;
    makePage();
    EXPECT_FALSE(paste.isEnabled());
    page->setFolder(QStringLiteral("A"));
    const QString path = clip(QStringLiteral("c.avi"));
    page->addClip(path, true, false);
    settle();
    selectOnly({QStringLiteral("c.avi")});
    copy.click();
    EXPECT_TRUE(paste.isEnabled());
    EXPECT_EQ(page->clipboard(), QStringList{path});
    page->setFolder(QStringLiteral("B"));
    paste.click();
    settle();
    EXPECT_EQ(shown(), QStringList{"c.avi"});
    EXPECT_EQ(read("BrowserFolder::B", "Profile1"), path);
    EXPECT_TRUE(QFile::exists(path));
    // Hidden, the page lets go of the buttons.
    page->hide();
    paste.click();
    EXPECT_EQ(page->count(), 1);
}

TEST_F(BrowserPage, DragsOfferCopyAndLinkOfTheSelectedClips) {
    makePage();
    page->setFolder(QStringLiteral("F"));
    const QString a = clip(QStringLiteral("a.avi"));
    const QString b = clip(QStringLiteral("b.avi"));
    page->addClip(a, false, false);
    page->addClip(b, false, false);
    settle();
    EXPECT_EQ(page->dragActions(), Qt::CopyAction | Qt::LinkAction);
    EXPECT_EQ(page->dragObject(), nullptr);
    selectOnly({QStringLiteral("a.avi"), QStringLiteral("b.avi")});
    std::unique_ptr<QDrag> drag(page->dragObject());
    ASSERT_TRUE(drag);
    EXPECT_EQ(drag->mimeData()->urls(),
              (QList<QUrl>{QUrl::fromLocalFile(a), QUrl::fromLocalFile(b)}));
    QSignalSpy selected(page, &ZRBrowserIconView::selectedFilesChanged);
    page->clearSelection();
    ASSERT_FALSE(selected.isEmpty());
    EXPECT_TRUE(selected.last().at(0).toStringList().isEmpty());
}

TEST_F(BrowserPage, AddFileSwitchesFolderAndExpandsLists) {
    makePage();
    const QString s1 = clip(QStringLiteral("cap01.mpg"));
    const QString s2 = clip(QStringLiteral("cap02.mpg"));
    const QString list = dir.filePath(QStringLiteral("cap.mvl"));
    QFile file(list);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("OVMP\r\ncap01.mpg; 4\r\ncap02.mpg; 4");
    file.close();
    page->addFile(QStringLiteral("Captured"), list, 1);
    settle();
    EXPECT_EQ(page->folderPath(), "Captured");
    EXPECT_EQ(shown(), (QStringList{"cap01.mpg", "cap02.mpg"}));
    EXPECT_EQ(read("BrowserFolder::Captured", "Profile1"), s1);
    EXPECT_EQ(read("BrowserFolder::Captured", "Profile2"), s2);
    page->addFile(QStringLiteral("Captured"), s1, 0);
    settle();
    EXPECT_EQ(read("BrowserFolder::Captured", "NumProfiles"), "3");
}

} // namespace
