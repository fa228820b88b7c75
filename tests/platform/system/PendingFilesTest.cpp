#include "platform/system/PendingFiles.h"

#include "tests/support/TestEnvironment.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using platform::PendingFiles;

namespace {

std::string pendingFolder(const char* name) {
    const QString path = testsupport::homeFolder() + "/pending-" + name;
    QDir(path).removeRecursively();
    QDir().mkpath(path);
    return path.toStdString();
}

void putText(const std::string& path, const QByteArray& text) {
    QFile file(QString::fromStdString(path));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text);
}

QByteArray textOf(const std::string& path) {
    QFile file(QString::fromStdString(path));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<none>");
}

QString namesIn(const std::string& folder) {
    return QDir(QString::fromStdString(folder))
        .entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name)
        .join(' ');
}

// An output that dies while writing `target` (killed, crashed): it leaves its pending file
// and whatever it wrote there, as a process that never runs its destructors does.
void crashWhileWriting(const std::string& target, PendingFiles::Leftover leftover) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        auto* files = new PendingFiles;
        files->setLeftover(leftover);
        const std::string pending = files->add(target);
        QFile file(QString::fromStdString(pending));
        if (!file.open(QIODevice::WriteOnly) || file.write("unfinished") != 10) ::_exit(1);
        file.close();
        ::raise(SIGKILL);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the child failed before it was killed";
}

} // namespace

// A file under the pending name is the user's: never written, renamed or removed, whether the
// output is published or discarded.
TEST(PendingFiles, APendingNameTakenByTheUsersFileIsPassedOver) {
    for (const bool publish : {true, false}) {
        SCOPED_TRACE(publish ? "published" : "discarded");
        const std::string dir = pendingFolder("taken");
        const std::string target = dir + "/movie.mpg";
        putText(target + ".part", "mine");
        std::string pending;
        {
            PendingFiles files;
            pending = files.add(target);
            ASSERT_FALSE(pending.empty());
            EXPECT_NE(pending, target + ".part");
            EXPECT_EQ(textOf(pending), QByteArray()) << "a new file of its own";
            putText(pending, "new");
            if (publish) {
                ASSERT_TRUE(files.publish());
                EXPECT_EQ(files.published(), std::vector<std::string>{target});
            }
        }
        EXPECT_EQ(textOf(target + ".part"), QByteArray("mine"));
        EXPECT_EQ(textOf(target), publish ? QByteArray("new") : QByteArray("<none>"));
        EXPECT_EQ(namesIn(dir), publish ? "movie.mpg movie.mpg.part" : "movie.mpg.part");
    }
}

// Two outputs to one name at once (in one process or two) each write their own pending file.
TEST(PendingFiles, LiveOutputsToOneNameWriteApart) {
    const std::string dir = pendingFolder("live");
    const std::string target = dir + "/movie.mpg";
    PendingFiles first;
    PendingFiles second;
    const std::string a = first.add(target);
    const std::string b = second.add(target);
    ASSERT_FALSE(a.empty());
    ASSERT_FALSE(b.empty());
    EXPECT_NE(a, b);
    putText(a, "first");
    putText(b, "second");
    second.discard();
    EXPECT_EQ(textOf(a), QByteArray("first"));
    ASSERT_TRUE(first.publish());
    EXPECT_EQ(textOf(target), QByteArray("first"));
    EXPECT_EQ(namesIn(dir), "movie.mpg");
}

// A crashed output leaves its pending file; the next output to the name takes it over. A
// recording's leftover stays for the user, and so does a file the user put under the name
// after removing a leftover.
TEST(PendingFiles, LeftoversOfACrashedOutput) {
    struct Case {
        const char* name;
        PendingFiles::Leftover leftover;
        bool userReplacesIt;
        bool takenOver;
    };
    const Case cases[] = {
        {"export", PendingFiles::Leftover::Replaceable, false, true},
        {"recording", PendingFiles::Leftover::Kept, false, false},
        {"user's file", PendingFiles::Leftover::Replaceable, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string dir = pendingFolder("crash");
        const std::string target = dir + "/movie.avi";
        crashWhileWriting(target, c.leftover);
        ASSERT_EQ(textOf(target + ".part"), QByteArray("unfinished"));
        if (c.userReplacesIt) {
            ASSERT_EQ(::unlink((target + ".part").c_str()), 0);
            putText(target + ".part", "mine");
        }
        const QByteArray before = textOf(target + ".part");
        PendingFiles files;
        const std::string pending = files.add(target);
        ASSERT_FALSE(pending.empty());
        EXPECT_EQ(pending == target + ".part", c.takenOver);
        putText(pending, "whole");
        ASSERT_TRUE(files.publish());
        EXPECT_EQ(textOf(target), QByteArray("whole"));
        if (c.takenOver)
            EXPECT_EQ(namesIn(dir), "movie.avi");
        else
            EXPECT_EQ(textOf(target + ".part"), before);
    }
}

// A file that must not replace another takes the first free name beside it; one allowed to
// replace does. Non-regular targets that may be replaced are written in place.
TEST(PendingFiles, TakenNamesOnPublishing) {
    const std::string dir = pendingFolder("names");
    putText(dir + "/movie02.mpg", "mine");
    putText(dir + "/movie02 (2).mpg", "mine too");
    putText(dir + "/.hidden", "mine");
    putText(dir + "/movie.mpg", "old");
    ASSERT_EQ(::mkfifo((dir + "/pipe").c_str(), 0600), 0);
    PendingFiles files;
    using Taken = PendingFiles::Taken;
    const struct {
        const char* name;
        Taken taken;
        const char* publishedAs;
    } cases[] = {
        {"movie.mpg", Taken::Replace, "movie.mpg"},
        {"movie02.mpg", Taken::FreeName, "movie02 (3).mpg"},
        {"movie03.mpg", Taken::FreeName, "movie03.mpg"},
        {".hidden", Taken::FreeName, ".hidden (2)"},
        {"pipe", Taken::Replace, "pipe"},
    };
    std::vector<std::string> expected;
    for (const auto& c : cases) {
        const std::string pending = files.add(dir + "/" + c.name, c.taken);
        ASSERT_FALSE(pending.empty()) << c.name;
        if (std::string(c.name) == "pipe") {
            EXPECT_EQ(pending, dir + "/pipe");
            continue;
        }
        putText(pending, c.name);
        expected.push_back(dir + "/" + c.publishedAs);
    }
    ASSERT_TRUE(files.publish());
    expected.insert(expected.end(), dir + "/pipe");
    EXPECT_EQ(files.published(), expected);
    EXPECT_EQ(textOf(dir + "/movie.mpg"), QByteArray("movie.mpg"));
    EXPECT_EQ(textOf(dir + "/movie02.mpg"), QByteArray("mine"));
    EXPECT_EQ(textOf(dir + "/movie02 (2).mpg"), QByteArray("mine too"));
    EXPECT_EQ(textOf(dir + "/movie02 (3).mpg"), QByteArray("movie02.mpg"));
    EXPECT_EQ(textOf(dir + "/.hidden"), QByteArray("mine"));
    EXPECT_EQ(textOf(dir + "/.hidden (2)"), QByteArray(".hidden"));
    struct stat info {};
    ASSERT_EQ(::lstat((dir + "/pipe").c_str(), &info), 0);
    EXPECT_TRUE(S_ISFIFO(info.st_mode));
}

// A folder that cannot take the pending file says so, with the reason.
TEST(PendingFiles, NoPendingFileInAMissingFolder) {
    PendingFiles files;
    errno = 0;
    EXPECT_EQ(files.add(testsupport::homeFolder().toStdString() + "/no/such/movie.mpg"), "");
    EXPECT_EQ(errno, ENOENT);
    EXPECT_TRUE(files.publish());
    EXPECT_TRUE(files.published().empty());
}
