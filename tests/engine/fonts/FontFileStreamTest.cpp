#include "engine/fonts/FontFileStream.h"
#include "tests/support/OpenDescriptors.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstring>

using namespace fonts;

namespace {

class FontFileStreamTest : public ::testing::Test {
protected:
    QByteArray makeFile(const QString& name, int size) {
        const QString path = dir.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        QByteArray bytes(size, '\0');
        for (int i = 0; i < size; ++i)
            bytes[i] = char(i);
        file.write(bytes);
        return QFile::encodeName(path);
    }

    QTemporaryDir dir;
};

TEST_F(FontFileStreamTest, FailedOpensAnswer8AndKeepNothingOpen) {
    const int before = openDescriptors();
    FontFileStream stream;
    EXPECT_EQ(streamOpen(QFile::encodeName(dir.filePath("missing.ttf")).constData(), &stream),
              kCouldNotOpenFile);
    EXPECT_EQ(streamOpen(makeFile("empty.ttf", 0).constData(), &stream), kCouldNotOpenFile);
    EXPECT_EQ(streamOpen(QFile::encodeName(dir.path()).constData(), &stream), kCouldNotOpenFile);
    EXPECT_EQ(streamOpen(nullptr, &stream), kCouldNotOpenFile);
    EXPECT_EQ(stream.base, nullptr);
    EXPECT_EQ(openDescriptors(), before);
}

TEST_F(FontFileStreamTest, SeeksAndReadsStayInsideTheFile) {
    const int before = openDescriptors();
    FontFileStream stream;
    ASSERT_EQ(streamOpen(makeFile("font.ttf", 100).constData(), &stream), kFontFileOk);
    EXPECT_EQ(stream.size, 100u);
    EXPECT_EQ(stream.position, 0u);
    EXPECT_EQ(openDescriptors(), before) << "only the mapping stays";

    EXPECT_EQ(streamSeek(&stream, 100), kFontFileOk);
    EXPECT_EQ(streamSeek(&stream, 101), kInvalidFileOffset);
    EXPECT_EQ(streamPosition(&stream), 100u);
    EXPECT_EQ(streamSeek(&stream, UINT64_MAX), kInvalidFileOffset);

    unsigned char buffer[8] = {};
    ASSERT_EQ(streamSeek(&stream, 96), kFontFileOk);
    EXPECT_EQ(streamRead(&stream, buffer, 5), kInvalidFileRead);
    EXPECT_EQ(streamPosition(&stream), 96u);
    EXPECT_EQ(streamRead(&stream, buffer, 4), kFontFileOk);
    EXPECT_EQ(std::memcmp(buffer, "\x60\x61\x62\x63", 4), 0);
    EXPECT_EQ(streamPosition(&stream), 100u);

    EXPECT_EQ(streamReadAt(&stream, 101, buffer, 1), kInvalidFileOffset);
    EXPECT_EQ(streamReadAt(&stream, 10, buffer, UINT64_MAX), kInvalidFileRead);
    EXPECT_EQ(streamReadAt(&stream, 10, buffer, 2), kFontFileOk);
    EXPECT_EQ(buffer[0], 10);
    EXPECT_EQ(streamSkip(&stream, 88), kFontFileOk);
    EXPECT_EQ(streamSkip(&stream, 1), kInvalidFileOffset);
    EXPECT_EQ(streamSkip(&stream, UINT64_MAX), kInvalidFileOffset);
    EXPECT_EQ(streamPosition(&stream), 100u);

    EXPECT_EQ(streamClose(&stream), kFontFileOk);
    EXPECT_EQ(stream.base, nullptr);
    EXPECT_EQ(stream.size, 0u);
}

TEST_F(FontFileStreamTest, FramesPointIntoTheViewAndDoNotNest) {
    FontFileStream stream;
    ASSERT_EQ(streamOpen(makeFile("font.ttf", 100).constData(), &stream), kFontFileOk);
    FontFileFrame frame;
    ASSERT_EQ(streamSeek(&stream, 95), kFontFileOk);
    ASSERT_EQ(framePeek(&stream, &frame, 10), kFontFileOk);
    EXPECT_EQ(frame.size, 5u);
    EXPECT_EQ(frame.start, stream.base + 95);
    EXPECT_EQ(streamPosition(&stream), 95u);
    EXPECT_EQ(frameAccess(&stream, &frame, 1), kNestedFrameAccess);
    EXPECT_EQ(framePeek(&stream, &frame, 1), kNestedFrameAccess);
    frameRelease(&frame);
    EXPECT_EQ(frame.cursor, nullptr);

    EXPECT_EQ(frameAccess(&stream, &frame, 6), kInvalidFrameAccess);
    EXPECT_EQ(frameAccess(&stream, &frame, UINT64_MAX), kInvalidFrameAccess);
    EXPECT_EQ(frameAccess(&stream, &frame, 5), kFontFileOk);
    EXPECT_EQ(frame.cursor[0], 95);
    EXPECT_EQ(streamPosition(&stream), 100u);
    frameInit(&frame);

    FontFileStream copy;
    streamDuplicate(&stream, &copy);
    EXPECT_EQ(copy.base, stream.base);
    EXPECT_EQ(streamClose(&stream), kFontFileOk);
}

} // namespace
