#include "app/ZRSingleInstance.h"

#include <QFile>
#include <QFileInfo>
#include <QSysInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

using Result = ZRSingleInstance::Result;

TEST(SingleInstance, OneHolderAtATimeAndNoFileLeft) {
    QTemporaryDir folder;
    ZRSingleInstance first(folder.path());
    EXPECT_EQ(QFileInfo(first.path()).fileName(), QStringLiteral("VESK_STARTUP_INDICATOR.lock"));
    ASSERT_EQ(first.acquire(), Result::Acquired);
    EXPECT_TRUE(QFile::exists(first.path()));
    EXPECT_EQ(first.acquire(), Result::Acquired);

    ZRSingleInstance second(folder.path());
    EXPECT_EQ(second.acquire(), Result::AlreadyRunning);
    first.release();
    EXPECT_FALSE(QFile::exists(first.path()));
    EXPECT_EQ(second.acquire(), Result::Acquired);
    {
        ZRSingleInstance third(folder.path());
        EXPECT_EQ(third.acquire(), Result::AlreadyRunning);
    }
    // A refused copy leaves the holder's lock alone.
    EXPECT_TRUE(QFile::exists(second.path()));
}

TEST(SingleInstance, ALockWhoseOwnerEndedIsTakenOver) {
    QTemporaryDir folder;
    // The lock of a process that has ended, as a killed copy leaves it.
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) _exit(0);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ZRSingleInstance instance(folder.path());
    QFile stale(instance.path());
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    stale.write(QByteArray::number(child) + "\nclipstead\n" + QSysInfo::machineHostName().toUtf8() +
                "\n");
    stale.close();

    EXPECT_EQ(instance.acquire(), Result::Acquired);
    instance.release();
    EXPECT_FALSE(QFile::exists(instance.path()));
}

TEST(SingleInstance, AFolderThatCannotHoldTheLockIsReported) {
    QTemporaryDir folder;
    ZRSingleInstance instance(folder.filePath(QStringLiteral("missing/folder")));
    EXPECT_EQ(instance.acquire(), Result::Unavailable);
    EXPECT_FALSE(ZRSingleInstance::runtimeFolder().isEmpty());
}

// A lock that names no owner (empty or garbled) is left by a copy that is gone, and
// taken over; while a live copy holds the lock, even one whose file says nothing, a start is
// still refused.
TEST(SingleInstance, ALockThatNamesNoOwnerIsTakenOver) {
    const QByteArray contents[] = {"", "garbage", "\n\n\n", "x1\nclipstead\nhost\n"};
    for (const QByteArray& content : contents) {
        SCOPED_TRACE(content.toStdString());
        QTemporaryDir folder;
        ZRSingleInstance instance(folder.path());
        QFile stale(instance.path());
        ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
        stale.write(content);
        stale.close();
        EXPECT_EQ(instance.acquire(), Result::Acquired);
    }

    QTemporaryDir folder;
    ZRSingleInstance holder(folder.path());
    ASSERT_EQ(holder.acquire(), Result::Acquired);
    QFile emptied(holder.path());
    ASSERT_TRUE(emptied.open(QIODevice::WriteOnly | QIODevice::Truncate));
    emptied.close();
    ZRSingleInstance second(folder.path());
    EXPECT_EQ(second.acquire(), Result::AlreadyRunning);
    EXPECT_TRUE(QFile::exists(holder.path()));
}
