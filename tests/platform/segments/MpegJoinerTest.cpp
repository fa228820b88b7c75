#include "platform/segments/MpegJoiner.h"
#include "platform/segments/MpegPack.h"
#include "platform/segments/ZRSegmentList.h"
#include "tests/platform/segments/SegmentFixture.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>

using namespace segmentfixture;
using segments::firstPacket;
using segments::Packet;

namespace {

struct JoinCase {
    const char* what;
    std::function<std::string()> make; ///< the whole stream
    int packSize;
    std::vector<int> cuts; ///< pack indexes where segments 2, 3, ... begin
    /// The sound of segment 2 starts within a layer II frame before its picture: the frames
    /// that play before it are cut, and the sound then starts within one frame after.
    bool soundCut = false;
};

// Names the case in test listings (the default prints its bytes, addresses included).
void PrintTo(const JoinCase& c, std::ostream* out) {
    *out << c.what;
}

std::vector<std::string> segmentPaths(const std::string& list) {
    std::string error;
    const auto read = segments::ZRSegmentList::read(list, &error);
    std::vector<std::string> paths;
    if (!read) return paths;
    for (const auto& entry : read->entries())
        paths.push_back(entry.path);
    return paths;
}

// The start of a segment after joining: its first video packet must open a sequence header,
// and its first sound packet must play within a frame of sound of that picture.
void expectCleanStart(const Bytes& segment, int packSize, const std::string& what, bool soundCut) {
    std::optional<int64_t> videoStart, audio;
    for (size_t at = 0; at + size_t(packSize) <= segment.size(); at += size_t(packSize)) {
        const std::span<const uint8_t> pack =
            std::span<const uint8_t>(segment).subspan(at, size_t(packSize));
        const std::optional<Packet> packet = firstPacket(pack);
        if (!packet) continue;
        if (packet->id == segments::kVideoId && !videoStart) {
            ASSERT_GE(packet->pts, 0) << what;
            const uint8_t* data = pack.data() + packet->dataStart;
            ASSERT_TRUE(data[0] == 0 && data[1] == 0 && data[2] == 1 && data[3] == 0xB3)
                << what << ": the first picture of the segment opens no sequence header";
            videoStart = packet->pts * 300 - segments::framePairTicks(data[7]);
        }
        if ((packet->id == segments::kMpegAudioId || packet->id == segments::kPrivate1Id) &&
            packet->pts >= 0 && !audio)
            audio = packet->pts * 300;
        if (videoStart && audio) break;
    }
    ASSERT_TRUE(videoStart && audio) << what;
    const int64_t apart = segments::tickDifference(*audio, *videoStart);
    EXPECT_LE(std::llabs(apart), 972000) << what;
    if (soundCut) {
        // One layer II frame at 44.1 kHz: 612 x 1152 ticks.
        EXPECT_GE(apart, 0) << what << ": sound before the first picture";
        EXPECT_LT(apart, 612 * 1152) << what;
    }
}

class JoinStreams : public testing::TestWithParam<JoinCase> {};

TEST_P(JoinStreams, SegmentsStartCleanAndPlayEveryFrameOnce) {
    const JoinCase& c = GetParam();
    const std::string source = c.make();
    ASSERT_FALSE(source.empty()) << "ffmpeg could not make the stream";
    const std::vector<int> whole = decodedFrames(source);
    ASSERT_GT(whole.size(), 80u);

    const std::string list = cut(source, c.packSize, c.cuts, c.what);
    const std::vector<std::string> paths = segmentPaths(list);
    std::vector<Bytes> before;
    for (const std::string& path : paths) {
        before.push_back(readAll(path));
        keep(path);
    }
    EXPECT_TRUE(segments::MpegSegmentList(list));

    Bytes joined;
    std::string expectedList = "OVMP";
    for (size_t i = 0; i < paths.size(); ++i) {
        const Bytes after = readAll(paths[i]);
        SCOPED_TRACE(paths[i]);
        // Whole packs only move, to the previous segment's end.
        EXPECT_EQ((after.size() - before[i].size()) % size_t(c.packSize), 0u);
        if (i + 1 == paths.size()) {
            EXPECT_EQ(after.size(), before[i].size());
        }
        if (i > 0) {
            expectCleanStart(after, c.packSize, paths[i], c.soundCut && i == 1);
        }
        // What is not padded out keeps its bytes, but for the clock and the moved start packs.
        int changed = 0;
        for (size_t at = 0; at + size_t(c.packSize) <= before[i].size(); at += size_t(c.packSize)) {
            const std::span<const uint8_t> was(before[i].data() + at, size_t(c.packSize));
            const std::span<const uint8_t> now(after.data() + at, size_t(c.packSize));
            const std::optional<Packet> packet = firstPacket(now);
            if (packet && packet->id == segments::kPaddingId) continue;
            if (std::equal(was.begin() + 10, was.end(), now.begin() + 10)) continue;
            ++changed;
        }
        EXPECT_LE(changed, 2) << "only the video and sound start packs move";
        joined.insert(joined.end(), after.begin(), after.end());
        expectedList += "\r\n" + std::string(segments::fileNamePart(paths[i], false)) + "; " +
                        std::to_string(after.size());
    }
    EXPECT_EQ(readAll(list), Bytes(expectedList.begin(), expectedList.end()));

    writeAll(folder() + c.what + "_joined.mpg", joined);
    keep(folder() + c.what + "_joined.mpg");
    const std::vector<int> frames = decodedFrames(folder() + c.what + "_joined.mpg");
    ASSERT_FALSE(frames.empty());
    for (size_t i = 0; i < frames.size(); ++i)
        ASSERT_EQ(frames[i], int(i)) << "picture " << i << " of the joined segments";
    // Only the unfinished last group of pictures is trimmed.
    EXPECT_GE(frames.size() + 24, whole.size());
    EXPECT_LT(frames.size(), whole.size());
}

INSTANTIATE_TEST_SUITE_P(
    Streams, JoinStreams,
    testing::Values(
        JoinCase{"one_segment", [] { return vcdRepacked("vcd_2324.mpg", 2324); }, 2324, {}},
        JoinCase{"two_mid_gop", [] { return vcdRepacked("vcd_2324.mpg", 2324); }, 2324, {131}},
        JoinCase{
            "three_mid_gop", [] { return vcdRepacked("vcd_2324.mpg", 2324); }, 2324, {131, 200}},
        JoinCase{"layer2_cut",
                 [] { return vcdRepacked("vcd_cut.mpg", 2324, 0, -11245); },
                 2324,
                 {131},
                 true},
        JoinCase{"mpeg1_2048", [] { return vcdRepacked("vcd_2048.mpg", 2048); }, 2048, {90, 210}},
        JoinCase{"mpeg2_dvd", [] { return dvd(); }, 2048, {70, 140}},
        // Stamps run past 2^33 at the first cut: the sound moved to the end of the first segment
        // plays before the wrap, the pictures after it.
        JoinCase{"wrapping",
                 [] { return vcdRepacked("vcd_wrap.mpg", 2324, (int64_t(1) << 33) - 190000); },
                 2324,
                 {131, 200}}),
    [](const testing::TestParamInfo<JoinCase>& info) { return std::string(info.param.what); });

// A segment file one of whose reads, writes or seeks fails; the failing write
// writes half of what it was given first, as a full disk does.
class FailingFile final : public segments::SegmentFile {
public:
    enum class What { Read, Write, Seek };
    FailingFile(std::unique_ptr<segments::SegmentFile> file, What what, int okCalls)
        : m_file(std::move(file)), m_what(what), m_ok(okCalls) {}
    bool seek(int64_t offset) override { return !fails(What::Seek) && m_file->seek(offset); }
    int64_t read(uint8_t* data, int64_t count) override {
        return fails(What::Read) ? -1 : m_file->read(data, count);
    }
    bool write(const uint8_t* data, int64_t count) override {
        if (!fails(What::Write)) return m_file->write(data, count);
        (void)m_file->write(data, count / 2);
        return false;
    }
    int64_t size() override { return m_file->size(); }
    bool truncate(int64_t length) override { return m_file->truncate(length); }

private:
    bool fails(What what) { return what == m_what && m_ok-- == 0; }
    std::unique_ptr<segments::SegmentFile> m_file;
    What m_what;
    int m_ok;
};

class FailingFiles final : public segments::SegmentFileSystem {
public:
    FailingFiles(std::string path, FailingFile::What what, int okCalls)
        : m_path(std::move(path)), m_what(what), m_ok(okCalls) {}
    std::unique_ptr<segments::SegmentFile> open(const std::string& path) override {
        auto file = local().open(path);
        if (!file || path != m_path) return file;
        return std::make_unique<FailingFile>(std::move(file), m_what, m_ok);
    }

private:
    std::string m_path;
    FailingFile::What m_what;
    int m_ok;
};

TEST(MpegJoiner, AFailedStepLeavesBothSegmentsAsTheyWere) {
    const std::string source = vcdRepacked("vcd_2324.mpg", 2324);
    ASSERT_FALSE(source.empty());
    struct Case {
        const char* what;
        bool onPrevious;
        FailingFile::What fails;
        int okCalls;
    };
    const Case cases[] = {
        {"the append tears a pack", true, FailingFile::What::Write, 0},
        {"the append fails after some packs", true, FailingFile::What::Write, 3},
        {"writing the current segment fails", false, FailingFile::What::Write, 2},
        {"reading the current segment fails", false, FailingFile::What::Read, 5},
        {"seeking the current segment fails", false, FailingFile::What::Seek, 4},
    };
    for (const Case& c : cases) {
        const std::string list = cut(source, 2324, {131}, "failing");
        const std::vector<std::string> paths = segmentPaths(list);
        const Bytes previous = readAll(paths[0]);
        const Bytes current = readAll(paths[1]);
        FailingFiles files(c.onPrevious ? paths[0] : paths[1], c.fails, c.okCalls);
        EXPECT_EQ(segments::joinMpegFiles(paths[0], paths[1], files), 1) << c.what;
        EXPECT_TRUE(readAll(paths[0]) == previous) << c.what;
        EXPECT_TRUE(readAll(paths[1]) == current) << c.what;
        // The same step on a sound disk succeeds.
        EXPECT_EQ(segments::joinMpegFiles(paths[0], paths[1]), 0) << c.what;
        EXPECT_GT(readAll(paths[0]).size(), previous.size()) << c.what;
    }
}

TEST(MpegJoiner, AMissingSegmentFailsItsStepsAndIsListedWithSizeZero) {
    const std::string source = vcdRepacked("vcd_2324.mpg", 2324);
    ASSERT_FALSE(source.empty());
    const std::string list = cut(source, 2324, {131, 200}, "missing");
    std::vector<std::string> paths = segmentPaths(list);
    std::remove(paths[1].c_str());
    const Bytes last = readAll(paths[2]);
    EXPECT_EQ(segments::joinMpegFiles(paths[0], paths[1]), 1);
    EXPECT_EQ(segments::joinMpegFiles(paths[1], paths[2]), 1);
    EXPECT_TRUE(segments::MpegSegmentList(list));
    const Bytes written = readAll(list);
    const std::string text(written.begin(), written.end());
    EXPECT_NE(text.find("\r\nmissing_1.mpg; 0\r\n"), std::string::npos) << text;
    // The last segment had no step of its own but its tail: it keeps its length.
    EXPECT_EQ(readAll(paths[2]).size(), last.size());
    EXPECT_FALSE(QFile::exists(QString::fromStdString(paths[1])));
}

TEST(MpegJoiner, StartsWithinTheFirstPacksAreNotMoved) {
    const std::string source = vcdRepacked("vcd_2324.mpg", 2324);
    ASSERT_FALSE(source.empty());
    const Bytes bytes = readAll(source);
    // A cut four packs before a group of pictures, well into the stream.
    int sequence = -1;
    const auto all = packets(bytes, 2324);
    for (size_t i = 120; i < all.size() && sequence < 0; ++i) {
        const auto& p = all[i];
        if (p && p->id == segments::kVideoId && p->pts >= 0 &&
            bytes[i * 2324 + size_t(p->dataStart) + 3] == 0xB3)
            sequence = int(i);
    }
    ASSERT_GT(sequence, 0);
    const std::string list = cut(source, 2324, {sequence - 4}, "early");
    const std::vector<std::string> paths = segmentPaths(list);
    const Bytes before = readAll(paths[1]);
    EXPECT_EQ(segments::joinMpegFiles(paths[0], paths[1]), 0);
    const Bytes after = readAll(paths[1]);
    // The video start pack stays where it was, as it was.
    EXPECT_TRUE(
        std::equal(before.begin() + 4 * 2324, before.begin() + 5 * 2324, after.begin() + 4 * 2324));
    // The packs before it were moved to the previous segment and padded out (the first
    // may hold the sound's start pack, moved to the front).
    const auto now = packets(after, 2324);
    for (int i = 0; i < 4; ++i) {
        ASSERT_TRUE(now[size_t(i)]);
        EXPECT_NE(now[size_t(i)]->id, segments::kVideoId) << "pack " << i;
    }
}

} // namespace
