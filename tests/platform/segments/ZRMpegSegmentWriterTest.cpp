#include "platform/segments/ZRMpegSegmentWriter.h"
#include "platform/segments/ZRSegmentList.h"

#include <QTemporaryDir>

#include <cstring>
#include <fstream>
#include <random>

#include <gtest/gtest.h>

using segments::ZRMpegSegmentWriter;
using segments::ZRSegmentList;

namespace {

constexpr size_t kPack = 2048; // a DVD pack

// A DVD-like pack: an MPEG-2 pack header, then one video packet filling it; every twelfth pack
// holds a sequence header. Its bytes carry its number.
std::vector<uint8_t> writerPack(int number) {
    std::vector<uint8_t> p(kPack, 0);
    const uint8_t header[14] = {0, 0, 1, 0xBA, 0x44, 0, 4, 0, 4, 1, 0x01, 0x89, 0xC3, 0xF8};
    std::copy(header, header + 14, p.begin());
    const size_t length = kPack - 14 - 6;
    p[14] = 0;
    p[15] = 0;
    p[16] = 1;
    p[17] = 0xE0;
    p[18] = uint8_t(length >> 8);
    p[19] = uint8_t(length & 0xFF);
    for (size_t i = 20; i < kPack; ++i)
        p[i] = uint8_t((number * 7 + int(i)) % 251) | 0x80;
    if (number % 12 == 0) {
        p[30] = 0;
        p[31] = 0;
        p[32] = 1;
        p[33] = 0xB3;
    }
    return p;
}

std::vector<uint8_t> writerStream(int packs) {
    std::vector<uint8_t> s;
    for (int i = 0; i < packs; ++i) {
        const auto p = writerPack(i);
        s.insert(s.end(), p.begin(), p.end());
    }
    return s;
}

std::vector<uint8_t> writtenBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// Feeds `stream` in runs of random length (reads end anywhere).
bool feedWriter(ZRMpegSegmentWriter& w, const std::vector<uint8_t>& stream, unsigned seed) {
    std::mt19937 random(seed);
    size_t at = 0;
    while (at < stream.size()) {
        const size_t n = std::min(stream.size() - at, size_t(random() % 5000 + 1));
        if (!w.write(stream.data() + at, n)) return false;
        at += n;
    }
    return true;
}

} // namespace

TEST(MpegSegmentWriter, CutsOnlyWherePacksStartAndLosesNothing) {
    QTemporaryDir dir;
    const std::string base = dir.filePath("capture").toStdString();
    const auto stream = writerStream(400); // 800 kB: six segments of at most 150 kB
    ZRMpegSegmentWriter w;
    ASSERT_TRUE(w.open(base + ".mpg", 100));
    ASSERT_TRUE(feedWriter(w, stream, 1));
    ASSERT_TRUE(w.close());
    ASSERT_GE(w.segments().size(), 5u);
    std::vector<uint8_t> joined;
    for (size_t i = 0; i < w.segments().size(); ++i) {
        const auto bytes = writtenBytes(w.segments()[i]);
        ASSERT_GE(bytes.size(), 4u);
        EXPECT_TRUE(bytes[0] == 0 && bytes[1] == 0 && bytes[2] == 1 && bytes[3] == 0xBA) << i;
        EXPECT_LE(bytes.size(), size_t(150 * 1024));
        EXPECT_EQ(bytes.size() % kPack, 0u);
        joined.insert(joined.end(), bytes.begin(), bytes.end());
    }
    EXPECT_EQ(joined, stream);
    EXPECT_EQ(w.segments()[0], base + "01.mpg");
    EXPECT_EQ(w.segments()[1], base + "02.mpg");
    std::string error;
    const auto list = ZRSegmentList::read(base + ".mvl", &error);
    ASSERT_TRUE(list) << error;
    EXPECT_EQ(list->kind(), ZRSegmentList::Kind::Mpeg);
    EXPECT_EQ(list->entries().size(), w.segments().size());
    EXPECT_EQ(w.packsWritten(), 400);
}

TEST(MpegSegmentWriter, OneSegmentLeavesThePlainFile) {
    QTemporaryDir dir;
    const std::string base = dir.filePath("short").toStdString();
    // Bytes before the first pack cannot start a segment: they are counted, not written.
    std::vector<uint8_t> stream = {1, 2, 3, 0, 0};
    const auto packs = writerStream(10);
    stream.insert(stream.end(), packs.begin(), packs.end());
    ZRMpegSegmentWriter w;
    ASSERT_TRUE(w.open(base + ".mpg", 0));
    ASSERT_TRUE(feedWriter(w, stream, 2));
    ASSERT_TRUE(w.close());
    ASSERT_EQ(w.segments().size(), 1u);
    EXPECT_EQ(w.segments()[0], base + ".mpg");
    EXPECT_EQ(writtenBytes(base + ".mpg"), packs);
    EXPECT_FALSE(std::ifstream(base + ".mvl").good());
    EXPECT_FALSE(std::ifstream(base + "01.mpg").good());
    EXPECT_EQ(w.bytesSkipped(), 5);
}

TEST(MpegSegmentWriter, FailedWriteEndsAtTheLastWholePack) {
    QTemporaryDir dir;
    const std::string base = dir.filePath("full").toStdString();
    // The disk fills up in the middle of the 40th pack.
    size_t room = 39 * kPack + 1000;
    ZRMpegSegmentWriter w([&room](int fd, const void* data, size_t size) -> ssize_t {
        if (room == 0) {
            errno = ENOSPC;
            return -1;
        }
        const size_t n = std::min(room, size);
        room -= n;
        return ::write(fd, data, n);
    });
    ASSERT_TRUE(w.open(base + ".mpg", 0));
    EXPECT_FALSE(feedWriter(w, writerStream(100), 3));
    EXPECT_TRUE(w.failed());
    EXPECT_NE(w.error().find(std::strerror(ENOSPC)), std::string::npos) << w.error();
    EXPECT_FALSE(w.close());
    // The segment keeps its 39 whole packs under its own name, with its list.
    EXPECT_EQ(writtenBytes(base + "01.mpg").size(), 39 * kPack);
    std::string error;
    const auto list = ZRSegmentList::read(base + ".mvl", &error);
    ASSERT_TRUE(list) << error;
    EXPECT_EQ(list->entries().size(), 1u);
}

TEST(MpegSegmentWriter, NewRecordingStartsAtASequenceHeader) {
    QTemporaryDir dir;
    const std::string base = dir.filePath("intelli").toStdString();
    const auto stream = writerStream(30);
    ZRMpegSegmentWriter w;
    ASSERT_TRUE(w.open(base + ".mpg", 0));
    ASSERT_TRUE(w.write(stream.data(), 5 * kPack + 100)); // packs 0-4 and a part of 5
    w.awaitSequenceHeader();
    ASSERT_TRUE(w.write(stream.data() + 5 * kPack + 100, stream.size() - 5 * kPack - 100));
    ASSERT_TRUE(w.close());
    const auto bytes = writtenBytes(base + ".mpg");
    // Packs 0-4, then from pack 12 (the next with a sequence header) on.
    std::vector<uint8_t> expected(stream.begin(), stream.begin() + 5 * kPack);
    expected.insert(expected.end(), stream.begin() + 12 * kPack, stream.end());
    EXPECT_EQ(bytes, expected);
}

TEST(MpegSegmentWriter, SplitLimitDefaultAndRange) {
    const int64_t rows[][2] = {{0, 4000000}, {100, 150},         {150, 150},
                               {2000, 2000}, {5000000, 4000000}, {-5, 150}};
    for (const auto& r : rows)
        EXPECT_EQ(ZRMpegSegmentWriter::clampLimit(r[0]), r[1]) << r[0];
}

TEST(MpegSegmentWriter, StreamWithoutPacksWritesNothing) {
    QTemporaryDir dir;
    const std::string base = dir.filePath("none").toStdString();
    ZRMpegSegmentWriter w;
    ASSERT_TRUE(w.open(base + ".mpg", 0));
    const std::vector<uint8_t> noise(11, '\n');
    ASSERT_TRUE(w.write(noise.data(), noise.size()));
    ASSERT_TRUE(w.close());
    EXPECT_TRUE(w.segments().empty());
    EXPECT_EQ(w.bytesSkipped(), 11);
    EXPECT_FALSE(std::ifstream(base + ".mpg").good());
}
