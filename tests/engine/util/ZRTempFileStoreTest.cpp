#include "util/ZRTempFileStore.h"

#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

TEST(ZRTempFileStore, NamesFilesInOrderAndRemovesOnlyStaleStoreFiles) {
    QTemporaryDir dir;
    for (const char* name : {"zrt7.tmp", "zrtold", "keep.tmp"}) {
        QFile f(dir.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    ZRTempFileStore store(dir.path());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"keep.tmp"});

    for (int i = 0; i < 3; ++i) {
        auto file = store.newTempFile();
        EXPECT_EQ(file->path, dir.path() + "/zrt" + QString::number(i) + ".tmp");
    }
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
