#include "browser/ZRClipFolderStore.h"

#include "common/config/QConfig.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace {

using Entry = ZRClipFolderStore::Entry;

class ClipFolderStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        open();
        store = std::make_unique<ZRClipFolderStore>(config.get());
        store->setThumbnailSize(QSize(4, 3));
    }

    void open(const QByteArray& text = "# Config File\n") {
        store.reset();
        config.reset();
        QFile file(dir.filePath(QStringLiteral("clipstead.ini")));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
        file.close();
        config = std::make_unique<QConfig>(QConfig::Flavour::Program, file.fileName());
        store = std::make_unique<ZRClipFolderStore>(config.get());
        store->setThumbnailSize(QSize(4, 3));
    }

    /// A file of a few bytes with the given modification time.
    QString clip(const QString& name, const QDateTime& modified = QDateTime()) {
        const QString path = dir.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("clip");
        if (modified.isValid()) file.setFileTime(modified, QFileDevice::FileModificationTime);
        return path;
    }

    QString read(const QString& group, const QString& key) {
        config->setGroup(group);
        return config->hasKey(key) ? config->readEntry(key) : QStringLiteral("<none>");
    }

    static QImage picture(QRgb colour) {
        QImage image(4, 3, QImage::Format_ARGB32);
        image.fill(colour);
        image.setPixel(1, 2, qRgb(1, 2, 3));
        return image;
    }

    QTemporaryDir dir;
    std::unique_ptr<QConfig> config;
    std::unique_ptr<ZRClipFolderStore> store;
};

TEST_F(ClipFolderStoreTest, FirstEntryIsIndexOneAndReadsBack) {
    store->storeEntry(QStringLiteral("Mine"), QStringLiteral("/v/a.avi"), false);
    EXPECT_EQ(read("BrowserFolder::Mine", "Profile1"), "/v/a.avi");
    EXPECT_EQ(read("BrowserFolder::Mine", "NumProfiles"), "2");
    EXPECT_EQ(read("BrowserFolder::Mine", "Profile0"), "<none>");
    store->storeEntry(QStringLiteral("Mine"), QStringLiteral("/v/b.avi"), false);
    EXPECT_EQ(read("BrowserFolder::Mine", "Profile2"), "/v/b.avi");
    EXPECT_EQ(store->loadFolder(QStringLiteral("Mine")),
              (QList<Entry>{{Entry::Clip, "/v/a.avi"}, {Entry::Clip, "/v/b.avi"}}));
}

TEST_F(ClipFolderStoreTest, TopLevelListsFixedFoldersFirstAndSubFolders) {
    open("# Config File\n[BrowserFolder::]\nNumProfiles=4\nProfile0=BrowserFolder::Trip\n"
         "Profile2=\nProfile3=/v/x.avi\nProfile1=BrowserFolder::\n");
    EXPECT_EQ(store->loadFolder(QString()), (QList<Entry>{{Entry::FixedFolder, "Captured"},
                                                          {Entry::FixedFolder, "Produced"},
                                                          {Entry::UserFolder, "Trip"},
                                                          {Entry::Clip, "/v/x.avi"}}));
}

// Only the keys present are read, in index order: a huge count neither hangs nor wraps.
TEST_F(ClipFolderStoreTest, HugeCountReadsThePresentKeysOnly) {
    open("# Config File\n[BrowserFolder::A]\nNumProfiles=2147483647\nProfile10=/v/b.avi\n"
         "Profile9=/v/a.avi\nProfileX=/v/no.avi\nProfile-1=/v/no.avi\n");
    EXPECT_EQ(store->loadFolder(QStringLiteral("A")),
              (QList<Entry>{{Entry::Clip, "/v/a.avi"}, {Entry::Clip, "/v/b.avi"}}));
    store->storeEntry(QStringLiteral("A"), QStringLiteral("/v/c.avi"), false);
    EXPECT_EQ(read("BrowserFolder::A", "NumProfiles"), "2147483647");
    EXPECT_EQ(store->loadFolder(QStringLiteral("A")).size(), 3);
}

TEST_F(ClipFolderStoreTest, ThumbnailRoundTripsWithWholeSeconds) {
    const QDateTime when = QDateTime::currentDateTime().addSecs(-100).addMSecs(-370);
    const QString path = clip(QStringLiteral("a.avi"), when);
    QImage image;
    EXPECT_EQ(store->thumbnailFor(path, image), ZRClipFolderStore::Cached::Stale);
    store->storeThumbnail(path, picture(qRgba(200, 10, 20, 7)), QFileInfo(path).lastModified());
    EXPECT_EQ(read("Thumbnails60x40", path).size(), 4 * 3 * 4 * 2);
    EXPECT_EQ(read("Thumbnails60x40", path).left(8), "140ac807"); // B G R A as stored
    EXPECT_FALSE(read("Thumbnails60x40Timestamps", path).contains(QLatin1Char('.')));

    ZRClipFolderStore fresh(config.get());
    fresh.setThumbnailSize(QSize(4, 3));
    ASSERT_EQ(fresh.thumbnailFor(path, image), ZRClipFolderStore::Cached::Valid);
    EXPECT_EQ(image.pixel(0, 0), qRgba(200, 10, 20, 255)) << "read back opaque";
    EXPECT_EQ(image.pixel(1, 2), qRgb(1, 2, 3));
}

// Values that would draw a wrong picture are no cache: each case is a fresh record.
TEST_F(ClipFolderStoreTest, InvalidRecordsAreStale) {
    const QDateTime when = QDateTime::currentDateTime().addSecs(-50);
    const QString path = clip(QStringLiteral("a.avi"), when);
    const QString good = QString(96, QLatin1Char('a'));
    const QString stamp = ZRClipFolderStore::isoTime(QFileInfo(path).lastModified());
    const QString later = ZRClipFolderStore::isoTime(QFileInfo(path).lastModified().addSecs(1));
    struct Case {
        const char* name;
        QString value;
        QString time;
        ZRClipFolderStore::Cached expected;
    };
    const Case cases[] = {
        {"good", good, stamp, ZRClipFolderStore::Cached::Valid},
        {"upper-case hex", good.toUpper(), stamp, ZRClipFolderStore::Cached::Valid},
        {"one second later", good, later, ZRClipFolderStore::Cached::Stale},
        {"short value", good.left(94), stamp, ZRClipFolderStore::Cached::Stale},
        {"long value", good + QStringLiteral("00"), stamp, ZRClipFolderStore::Cached::Stale},
        {"not hex", good.left(94) + QStringLiteral("zz"), stamp, ZRClipFolderStore::Cached::Stale},
        {"no time", good, QString(), ZRClipFolderStore::Cached::Stale},
        {"bad time", good, QStringLiteral("yesterday"), ZRClipFolderStore::Cached::Stale},
    };
    for (const Case& c : cases) {
        QByteArray text =
            "# Config File\n[Thumbnails60x40]\n" + path.toUtf8() + "=" + c.value.toUtf8() + "\n";
        if (!c.time.isNull())
            text += "[Thumbnails60x40Timestamps]\n" + path.toUtf8() + "=" + c.time.toUtf8() + "\n";
        open(text);
        QImage image;
        EXPECT_EQ(store->thumbnailFor(path, image), c.expected) << c.name;
    }
}

// Linux names differ by case: two clips, two records, neither taken for the other.
TEST_F(ClipFolderStoreTest, PathsDifferingInCaseKeepTheirOwnRecords) {
    const QString lower = clip(QStringLiteral("a.avi"), QDateTime::currentDateTime().addSecs(-9));
    const QString upper = clip(QStringLiteral("A.avi"), QDateTime::currentDateTime().addSecs(-9));
    QImage image;
    store->storeThumbnail(upper, picture(qRgb(0, 0, 255)), QFileInfo(upper).lastModified());
    EXPECT_EQ(store->thumbnailFor(lower, image), ZRClipFolderStore::Cached::Stale);
    store->storeThumbnail(lower, picture(qRgb(255, 0, 0)), QFileInfo(lower).lastModified());
    ASSERT_EQ(store->thumbnailFor(lower, image), ZRClipFolderStore::Cached::Valid);
    EXPECT_EQ(image.pixel(0, 0), qRgb(255, 0, 0));
    // The settings file holds one key per spelling-without-case: the last store owns it.
    EXPECT_EQ(store->thumbnailFor(upper, image), ZRClipFolderStore::Cached::Stale);
}

TEST_F(ClipFolderStoreTest, MissingFileLosesItsRecords) {
    const QString path = clip(QStringLiteral("gone.avi"));
    store->storeThumbnail(path, picture(qRgb(9, 9, 9)), QFileInfo(path).lastModified());
    ASSERT_TRUE(QFile::remove(path));
    QImage image;
    EXPECT_EQ(store->thumbnailFor(path, image), ZRClipFolderStore::Cached::FileMissing);
    EXPECT_EQ(read("Thumbnails60x40", path), "<none>");
    EXPECT_EQ(read("Thumbnails60x40Timestamps", path), "<none>");
}

TEST_F(ClipFolderStoreTest, RewriteWritesShownItemsAndKeepsMissingClips) {
    const QString a = clip(QStringLiteral("a.avi"));
    const QString b = clip(QStringLiteral("b.avi"));
    const QString unplugged = QStringLiteral("/media/usb/c.avi");
    for (const QString& path : {a, unplugged, b})
        store->storeEntry(QStringLiteral("F"), path, false);
    store->storeFolder(QStringLiteral("F"), QStringLiteral("Sub"));
    store->rewriteFolder(QStringLiteral("F"), {{Entry::UserFolder, "Sub"}, {Entry::Clip, b}});
    EXPECT_EQ(read("BrowserFolder::F", "Profile0"), "BrowserFolder::Sub");
    EXPECT_EQ(read("BrowserFolder::F", "Profile1"), b);
    EXPECT_EQ(read("BrowserFolder::F", "Profile2"), unplugged);
    EXPECT_EQ(read("BrowserFolder::F", "NumProfiles"), "3");
    EXPECT_EQ(read("BrowserFolder::F", "Profile3"), "<none>");
    // Fixed folders are never written.
    store->rewriteFolder(QString(), {{Entry::FixedFolder, "Captured"}});
    EXPECT_EQ(read("BrowserFolder::", "NumProfiles"), "0");
}

TEST_F(ClipFolderStoreTest, RemoveAndRenameCarryTheSubFolders) {
    store->storeFolder(QString(), QStringLiteral("Trip"));
    store->storeFolder(QStringLiteral("Trip"), QStringLiteral("Day 1"));
    store->storeEntry(QStringLiteral("Trip/Day 1"), QStringLiteral("/v/d1.avi"), false);
    store->storeEntry(QStringLiteral("Trip"), QStringLiteral("/v/t.avi"), false);

    ASSERT_TRUE(store->renameFolder(QString(), QStringLiteral("Trip"), QStringLiteral("Holiday")));
    EXPECT_EQ(store->loadFolder(QStringLiteral("Holiday/Day 1")),
              (QList<Entry>{{Entry::Clip, "/v/d1.avi"}}));
    EXPECT_EQ(store->loadFolder(QStringLiteral("Trip/Day 1")), QList<Entry>{});
    EXPECT_EQ(store->loadFolder(QString()).at(2).text, "Holiday");
    EXPECT_EQ(store->allStoredClips(), (QSet<QString>{"/v/t.avi", "/v/d1.avi"}));

    store->removeFolder(QStringLiteral("Holiday"));
    EXPECT_EQ(store->loadFolder(QStringLiteral("Holiday")), QList<Entry>{});
    // A new folder of the same name does not bring the old contents back.
    EXPECT_EQ(store->loadFolder(QStringLiteral("Holiday/Day 1")), QList<Entry>{});
}

TEST_F(ClipFolderStoreTest, RefusedFolderNames) {
    store->storeFolder(QString(), QStringLiteral("Trip"));
    store->storeFolder(QString(), QStringLiteral("Home"));
    using N = ZRClipFolderStore::NameCheck;
    struct Case {
        QString folder;
        QString name;
        N expected;
    };
    const Case cases[] = {
        {"", "Trips", N::Ok},          {"", "trip", N::Ok},
        {"", "home", N::Taken},        {"", "", N::Empty},
        {"", "  ", N::Empty},          {"", "a/b", N::BadCharacter},
        {"", "a]b", N::BadCharacter},  {"", "a\nb", N::BadCharacter},
        {"", "Captured", N::Reserved}, {"", "produced", N::Reserved},
        {"Trip", "Captured", N::Ok},
    };
    for (const Case& c : cases)
        EXPECT_EQ(store->checkFolderName(c.folder, QStringLiteral("Trip"), c.name), c.expected)
            << c.name.toStdString();
    EXPECT_FALSE(store->renameFolder(QString(), QStringLiteral("Trip"), QStringLiteral("Home")));
    EXPECT_EQ(store->loadFolder(QString()).at(2).text, "Trip");
}

TEST_F(ClipFolderStoreTest, NewFolderNumbersSkipTakenOnes) {
    store->storeFolder(QString(), QStringLiteral("New Folder #1"));
    store->storeFolder(QString(), QStringLiteral("new folder #2"));
    EXPECT_EQ(store->takeNewFolderNumber(QString(), QStringLiteral("New Folder"), 1), 3);
    EXPECT_EQ(read("General Settings", "NewFolderCounter"), "4");
    EXPECT_EQ(store->takeNewFolderNumber(QString(), QStringLiteral("New Folder"), 1), 4);
}

// Pruning with every stored clip keeps the records of clips in folders not shown.
TEST_F(ClipFolderStoreTest, PruneKeepsEveryStoredClip) {
    const QString a = clip(QStringLiteral("a.avi"));
    const QString b = clip(QStringLiteral("b.avi"));
    const QString c = clip(QStringLiteral("c.avi"));
    store->storeEntry(QStringLiteral("Captured"), a, false);
    store->storeFolder(QString(), QStringLiteral("X"));
    store->storeFolder(QStringLiteral("X"), QStringLiteral("Y"));
    store->storeEntry(QStringLiteral("X/Y"), b, false);
    for (const QString& path : {a, b, c})
        store->storeThumbnail(path, picture(qRgb(1, 1, 1)), QFileInfo(path).lastModified());
    store->pruneThumbnails(store->allStoredClips());
    EXPECT_NE(read("Thumbnails60x40", a), "<none>");
    EXPECT_NE(read("Thumbnails60x40Timestamps", b), "<none>");
    EXPECT_EQ(read("Thumbnails60x40", c), "<none>");
    EXPECT_EQ(read("Thumbnails60x40Timestamps", c), "<none>");
}

TEST_F(ClipFolderStoreTest, SegmentListsStoreTheirShownSegments) {
    const QString s1 = clip(QStringLiteral("cap.0001.mpg"));
    const QString s2 = clip(QStringLiteral("cap.0002.mpg"));
    const QString list = dir.filePath(QStringLiteral("cap.mvl"));
    QFile file(list);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("OVMP\r\ncap.0001.mpg; 4\r\ncap.0002.mpg; 4\r\nmissing.mpg; 9");
    file.close();
    store->storeEntry(QStringLiteral("Captured"), list, true,
                      [&](const QString& path) { return path != s1; });
    EXPECT_EQ(store->loadFolder(QStringLiteral("Captured")), (QList<Entry>{{Entry::Clip, s2}}));
    store->storeEntry(QStringLiteral("Other"), list, false);
    EXPECT_EQ(store->loadFolder(QStringLiteral("Other")), (QList<Entry>{{Entry::Clip, list}}));
    // An unreadable list stores nothing.
    store->storeEntry(QStringLiteral("None"), dir.filePath(QStringLiteral("no.ovl")), true);
    EXPECT_EQ(read("BrowserFolder::None", "NumProfiles"), "<none>");
}

} // namespace

// Folder and file names with "$" come back as they were after the next start; a missing clip
// whose path differs from a present one's in case only leaves that one's records alone.
TEST_F(ClipFolderStoreTest, DollarNamesSurviveASaveAndMissingClipsKeepTheirTwins) {
    const QString clipPath = clip(QStringLiteral("$HOME $5.avi"), QDateTime::currentDateTime());
    store->storeFolder(QString(), QStringLiteral("$work"));
    store->storeEntry(QStringLiteral("$work"), clipPath, false);
    store->storeThumbnail(clipPath, picture(qRgb(9, 9, 9)), QFileInfo(clipPath).lastModified());
    const QString twin = clipPath.toUpper(); // no such file
    ASSERT_TRUE(config->writeFile());
    store.reset();
    config = std::make_unique<QConfig>(QConfig::Flavour::Program,
                                       dir.filePath(QStringLiteral("clipstead.ini")));
    store = std::make_unique<ZRClipFolderStore>(config.get());
    store->setThumbnailSize(QSize(4, 3));

    EXPECT_EQ(store->loadFolder(QString()).at(2), (Entry{Entry::UserFolder, "$work"}));
    EXPECT_EQ(store->loadFolder(QStringLiteral("$work")), (QList<Entry>{{Entry::Clip, clipPath}}));
    QImage image;
    EXPECT_EQ(store->thumbnailFor(twin, image), ZRClipFolderStore::Cached::FileMissing);
    EXPECT_EQ(store->thumbnailFor(clipPath, image), ZRClipFolderStore::Cached::Valid);
    EXPECT_EQ(image.pixel(0, 0), qRgb(9, 9, 9));
}
