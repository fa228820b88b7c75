#include "platform/file/ReadWholeFile.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <string>
#include <sys/stat.h>

using platform::FileRead;
using platform::readWholeFile;

namespace {

std::string writeFile(const QTemporaryDir& dir, const char* name, const std::string& bytes) {
    const std::string path = dir.filePath(QString::fromUtf8(name)).toStdString();
    std::FILE* file = std::fopen(path.c_str(), "wb");
    EXPECT_NE(file, nullptr);
    if (file) {
        std::fwrite(bytes.data(), 1, bytes.size(), file);
        std::fclose(file);
    }
    return path;
}

} // namespace

TEST(ReadWholeFile, ReadsRegularFilesWholeUpToTheLimit) {
    struct Case {
        const char* name;
        std::string bytes;
        uint64_t limit;
        FileRead::Status status;
    };
    const Case cases[] = {
        {"empty", "", 16, FileRead::Status::Ok},
        {"text", "one\r\ntwo\n", 16, FileRead::Status::Ok},
        {"binary", std::string("a\0b\xff", 4), 16, FileRead::Status::Ok},
        {"at the limit", std::string(16, 'x'), 16, FileRead::Status::Ok},
        {"over the limit", std::string(17, 'x'), 16, FileRead::Status::TooLarge},
    };
    QTemporaryDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = writeFile(dir, c.name, c.bytes);
        std::string text = "left over";
        const FileRead read = readWholeFile(path.c_str(), c.limit, text);
        EXPECT_EQ(read.status, c.status);
        EXPECT_EQ(read.size, c.bytes.size());
        EXPECT_EQ(text, read.ok() ? c.bytes : std::string());
    }
}

// A file whose size says nothing of its content (the kernel's files report 0) is read to its
// end, and the limit holds while it is read.
TEST(ReadWholeFile, ReadsToTheEndWhateverTheSizeSays) {
    struct stat info {};
    ASSERT_EQ(::stat("/proc/self/status", &info), 0);
    ASSERT_EQ(info.st_size, 0);
    std::string text;
    const FileRead read = readWholeFile("/proc/self/status", 1 << 20, text);
    ASSERT_TRUE(read.ok());
    EXPECT_EQ(text.rfind("Name:", 0), 0u);
    EXPECT_EQ(read.size, text.size());

    text = "left over";
    const FileRead cut = readWholeFile("/proc/self/status", 8, text);
    EXPECT_EQ(cut.status, FileRead::Status::TooLarge);
    EXPECT_GT(cut.size, 8u);
    EXPECT_TRUE(text.empty());
}

// What is not a regular file is refused at once: a FIFO without a writer never blocks.
TEST(ReadWholeFile, RefusesWhatIsNoRegularFile) {
    QTemporaryDir dir;
    const std::string fifo = dir.filePath("fifo").toStdString();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    struct Case {
        std::string path;
        FileRead::Status status;
        int error;
    };
    const Case cases[] = {
        {dir.path().toStdString(), FileRead::Status::NotRegular, 0},
        {fifo, FileRead::Status::NotRegular, 0},
        {"/dev/null", FileRead::Status::NotRegular, 0},
        {dir.filePath("missing").toStdString(), FileRead::Status::OpenFailed, ENOENT},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        std::string text = "left over";
        const FileRead read = readWholeFile(c.path.c_str(), 1024, text);
        EXPECT_EQ(read.status, c.status);
        EXPECT_EQ(read.error, c.error);
        EXPECT_TRUE(text.empty());
    }
}
