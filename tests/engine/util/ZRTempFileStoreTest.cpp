#include "engine/util/ZRTempFileStore.h"

#include "tests/support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QStringList entries(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot, QDir::Name);
}

// A lock file as a store that is gone left it: written by a process that has ended.
void writeAbandonedLock(const QString& path) {
    QByteArray contents;
    {
        QLockFile lock(path);
        ASSERT_TRUE(lock.tryLock(0));
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        contents = f.readAll();
    }
    QProcess ended;
    ended.start("true", {});
    ASSERT_TRUE(ended.waitForStarted());
    const qint64 pid = ended.processId();
    ASSERT_TRUE(ended.waitForFinished());
    contents = QByteArray::number(pid) + contents.mid(contents.indexOf('\n'));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(contents);
}

} // namespace

// Two stores in one folder (two timelines, or two running copies) never share a file: each
// numbers from 0 in a folder of its own, and making one touches nothing another holds.
TEST(ZRTempFileStore, EachStoreHasAFolderOfItsOwn) {
    QTemporaryDir dir;
    for (const char* name : {"zrt0.tmp", "keep.tmp"}) {
        QFile f(dir.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    ZRTempFileStore first(dir.path());
    auto a0 = first.newTempFile();
    auto a1 = first.newTempFile();
    ASSERT_TRUE(first.openTempFile(*a0));
    ZRTempFileStore second(dir.path());
    auto b0 = second.newTempFile();
    ASSERT_TRUE(second.openTempFile(*b0));

    EXPECT_EQ(a0->path, first.storeFolder() + "zrt0.tmp");
    EXPECT_EQ(a1->path, first.storeFolder() + "zrt1.tmp");
    EXPECT_EQ(b0->path, second.storeFolder() + "zrt0.tmp");
    EXPECT_NE(first.storeFolder(), second.storeFolder());
    EXPECT_TRUE(first.storeFolder().startsWith(dir.path() + "/"));
    EXPECT_TRUE(QFile::exists(a0->path));
    EXPECT_TRUE(QFile::exists(b0->path));
    // Whatever else lies in the folder stays.
    EXPECT_TRUE(QFile::exists(dir.filePath("zrt0.tmp")));
    EXPECT_TRUE(QFile::exists(dir.filePath("keep.tmp")));

    // A store removes its own folder when it goes, and only that.
    const QString thirdFolder = [&] {
        ZRTempFileStore third(dir.path());
        auto c0 = third.newTempFile();
        return third.storeFolder();
    }();
    EXPECT_FALSE(QFile::exists(thirdFolder));
    EXPECT_TRUE(QFile::exists(a0->path));
    first.closeTempFile(*a0);
    second.closeTempFile(*b0);
}

TEST(ZRTempFileStore, RemovesOnlyFoldersWhoseOwnerIsGone) {
    QTemporaryDir dir, other;
    ZRTempFileStore live(dir.path());
    auto kept = live.newTempFile();
    ASSERT_TRUE(live.openTempFile(*kept));
    live.closeTempFile(*kept);

    // A store that was killed: its folder and its lock file are left behind.
    ASSERT_TRUE(QDir(dir.path()).mkpath("zrt-store7"));
    QFile(dir.filePath("zrt-store7/zrt0.tmp")).open(QIODevice::WriteOnly);
    writeAbandonedLock(dir.filePath("zrt-store7.lock"));
    // One that died before its lock was written (or while removing its folder).
    ASSERT_TRUE(QDir(dir.path()).mkpath("zrt-store9"));

    ZRTempFileStore next(dir.path());
    EXPECT_FALSE(QFile::exists(dir.filePath("zrt-store7")));
    EXPECT_FALSE(QFile::exists(dir.filePath("zrt-store7.lock")));
    EXPECT_FALSE(QFile::exists(dir.filePath("zrt-store9")));
    EXPECT_TRUE(QFile::exists(kept->path));

    // Moving a store releases its folder; the next file lies in one of its own in the new one.
    const QString old = live.storeFolder();
    live.setFolder(other.path());
    EXPECT_FALSE(QFile::exists(old));
    EXPECT_EQ(live.folder(), other.path() + "/");
    auto moved = live.newTempFile();
    EXPECT_TRUE(moved->path.startsWith(other.path() + "/zrt-store"));
    EXPECT_EQ(entries(dir.path()), QStringList{});
}

TEST(ZRTempFileStore, OpensWritesReopensAndDeletes) {
    QTemporaryDir dir;
    ZRTempFileStore store(dir.path());
    auto file = store.newTempFile();
    ASSERT_TRUE(store.openTempFile(*file));
    ASSERT_EQ(std::fwrite("frame", 1, 5, file->stream), 5u);
    // Reopening keeps the content and starts at the beginning.
    ASSERT_TRUE(store.openTempFile(*file));
    char back[6] = {};
    ASSERT_EQ(std::fread(back, 1, 5, file->stream), 5u);
    EXPECT_STREQ(back, "frame");
    const QString path = file->path;
    store.deleteTempFile(std::move(file));
    EXPECT_FALSE(QFile::exists(path));
}

TEST(ZRTempFileStore, DefaultFolderIsTheUsersCacheFolder) {
    ZRTempFileStore store;
    EXPECT_TRUE(store.folder().startsWith(testsupport::homeFolder()));
    EXPECT_TRUE(store.folder().endsWith("clipstead/temp/"));
    EXPECT_TRUE(QDir(store.folder()).exists());
}
