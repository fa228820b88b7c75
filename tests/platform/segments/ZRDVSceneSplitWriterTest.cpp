#include "platform/segments/ZRDVSceneSplitWriter.h"
#include "platform/ieee1394/ZRGeneratedTape.h"
#include "platform/segments/ZRSegmentList.h"
#include "tests/platform/ieee1394/DvTestFiles.h"

#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>

using segments::ZRDVSceneSplitWriter;

namespace {

const std::vector<std::vector<uint8_t>>& tape250() {
    static const auto tape = zrieee1394::generatedTape(250, false);
    return tape;
}

bool exists(const std::string& path) {
    return QFileInfo::exists(QString::fromStdString(path));
}

} // namespace

TEST(DVSceneSplitWriter, OneSegmentBecomesThePlainFile) {
    const auto& tape = tape250();
    ASSERT_EQ(tape.size(), 250u);
    QTemporaryDir dir;
    const std::string base = dir.filePath("capture").toStdString();
    ZRDVSceneSplitWriter writer;
    ASSERT_TRUE(writer.open(base, {0, true}));
    for (const auto& frame : tape)
        ASSERT_EQ(writer.write(frame), ZRDVSceneSplitWriter::Result::Written);
    ASSERT_TRUE(writer.finish()) << writer.error();
    EXPECT_EQ(writer.result(), base + ".avi");
    EXPECT_FALSE(exists(base + "01.avi"));
    EXPECT_FALSE(exists(base + ".ovl"));
    const auto contents = dvtest::readAvi(base + ".avi");
    ASSERT_TRUE(contents.opened);
    ASSERT_EQ(contents.frames.size(), 250u);
    for (size_t i = 0; i < tape.size(); ++i)
        ASSERT_EQ(contents.frames[i], tape[i]) << i;
    EXPECT_EQ(contents.samples, dvtest::soundOf(tape));
}

TEST(DVSceneSplitWriter, RecordingTimeJumpsCutSegments) {
    auto tape = tape250();
    // Frames 0-99 recorded from 10:00:00, 100-249 from 11:00:00 (a second every 25 frames).
    const int64_t first = 1700000000, second = first + 3600;
    for (size_t i = 0; i < tape.size(); ++i)
        ASSERT_TRUE(segments::stampDvRecordingTime(
            tape[i], (i < 100 ? first + int64_t(i) / 25 : second + int64_t(i - 100) / 25)));
    struct Row {
        bool sceneSplit;
        int64_t jump; // the second scene's start relative to the first
        size_t segments;
    };
    const Row rows[] = {{true, 3600, 2}, {false, 3600, 1}, {true, -3600, 2}, {true, 4, 1}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.jump);
        auto frames = tape;
        for (size_t i = 100; i < frames.size(); ++i)
            segments::stampDvRecordingTime(frames[i], first + row.jump + int64_t(i - 100) / 25);
        QTemporaryDir dir;
        const std::string base = dir.filePath("scene").toStdString();
        ZRDVSceneSplitWriter writer;
        ASSERT_TRUE(writer.open(base, {0, row.sceneSplit}));
        for (const auto& frame : frames)
            ASSERT_EQ(writer.write(frame), ZRDVSceneSplitWriter::Result::Written);
        ASSERT_TRUE(writer.finish()) << writer.error();
        ASSERT_EQ(writer.segments().size(), row.segments);
        if (row.segments == 1) {
            EXPECT_EQ(dvtest::readAvi(base + ".avi").frames.size(), 250u);
            continue;
        }
        EXPECT_EQ(writer.result(), base + ".ovl");
        std::string error;
        const auto list = segments::ZRSegmentList::read(base + ".ovl", &error);
        ASSERT_TRUE(list) << error;
        EXPECT_EQ(list->kind(), segments::ZRSegmentList::Kind::DV);
        ASSERT_EQ(list->entries().size(), 2u);
        EXPECT_EQ(list->entries()[0].name, "scene01.avi");
        const auto a = dvtest::readAvi(list->entries()[0].path);
        const auto b = dvtest::readAvi(list->entries()[1].path);
        ASSERT_EQ(a.frames.size(), 100u);
        ASSERT_EQ(b.frames.size(), 150u);
        EXPECT_EQ(a.frames.front(), frames[0]);
        EXPECT_EQ(b.frames.front(), frames[100]);
        EXPECT_EQ(b.samples, dvtest::soundOf(frames, 100));
    }
}

TEST(DVSceneSplitWriter, SplitLimitKeepsEveryFrame) {
    const auto& tape = tape250();
    QTemporaryDir dir;
    const std::string base = dir.filePath("split").toStdString();
    ZRDVSceneSplitWriter writer;
    ASSERT_TRUE(writer.open(base, {12000, false})); // about 75 frames a segment
    for (const auto& frame : tape)
        ASSERT_EQ(writer.write(frame), ZRDVSceneSplitWriter::Result::Written);
    ASSERT_TRUE(writer.finish()) << writer.error();
    ASSERT_GE(writer.segments().size(), 3u);
    size_t total = 0;
    for (const auto& path : writer.segments()) {
        EXPECT_LE(QFileInfo(QString::fromStdString(path)).size(), 12000 * 1024);
        total += dvtest::readAvi(path).frames.size();
    }
    EXPECT_EQ(total, 250u);
}

TEST(DVSceneSplitWriter, OnlyWholeFramesAreWritten) {
    const auto& tape = tape250();
    QTemporaryDir dir;
    const std::string base = dir.filePath("whole").toStdString();
    ZRDVSceneSplitWriter writer;
    ASSERT_TRUE(writer.open(base, {}));
    for (const size_t size : {size_t(0), size_t(80), size_t(119999), size_t(144001)}) {
        std::vector<uint8_t> odd(size, 0x1F);
        EXPECT_EQ(writer.write(odd), ZRDVSceneSplitWriter::Result::Rejected) << size;
    }
    EXPECT_EQ(writer.write(tape[0]), ZRDVSceneSplitWriter::Result::Written);
    ASSERT_TRUE(writer.finish());
    EXPECT_EQ(dvtest::readAvi(base + ".avi").frames.size(), 1u);
}

TEST(DVSceneSplitWriter, AFailedWriteKeepsTheWholeFramesBeforeIt) {
    const auto& tape = tape250();
    QTemporaryDir dir;
    const std::string base = dir.filePath("full").toStdString();
    int calls = 0;
    // The disk fills up when the 181st frame asks for room.
    ZRDVSceneSplitWriter writer([&](int fd, int64_t offset, int64_t length) {
        return ++calls > 180 ? ENOSPC : ::posix_fallocate(fd, off_t(offset), off_t(length));
    });
    ASSERT_TRUE(writer.open(base, {}));
    for (size_t i = 0; i < 180; ++i)
        ASSERT_EQ(writer.write(tape[i]), ZRDVSceneSplitWriter::Result::Written);
    EXPECT_EQ(writer.write(tape[180]), ZRDVSceneSplitWriter::Result::Failed);
    EXPECT_EQ(writer.write(tape[181]), ZRDVSceneSplitWriter::Result::Failed);
    EXPECT_NE(writer.error().find(std::strerror(ENOSPC)), std::string::npos) << writer.error();
    EXPECT_FALSE(writer.finish());
    const auto contents = dvtest::readAvi(base + ".avi");
    ASSERT_TRUE(contents.opened);
    ASSERT_EQ(contents.frames.size(), 180u);
    EXPECT_EQ(contents.frames.back(), tape[179]);
    EXPECT_EQ(contents.samples, dvtest::soundOf(tape, 0, 180));
}

TEST(DVSceneSplitWriter, UnwritableFolderFails) {
    ZRDVSceneSplitWriter writer;
    ASSERT_TRUE(writer.open("/nonexistent-folder/capture", {}));
    EXPECT_EQ(writer.write(tape250()[0]), ZRDVSceneSplitWriter::Result::Failed);
    EXPECT_NE(writer.error().find("cannot create"), std::string::npos);
    EXPECT_FALSE(writer.finish());
    EXPECT_TRUE(writer.result().empty());
}
