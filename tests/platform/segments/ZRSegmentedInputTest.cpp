#include "platform/segments/ZRSegmentedInput.h"
#include "platform/media/MediaFile.h"
#include "platform/segments/MpegJoiner.h"
#include "platform/segments/ZRSegmentList.h"
#include "tests/platform/segments/SegmentFixture.h"

#include <gtest/gtest.h>

using namespace segmentfixture;
using segments::ZRSegmentedInput;
using segments::ZRSegmentList;

namespace {

constexpr int kSegmentFrames = 25;

// Three DV AVI segments of one second each, frame n of the list having the luma 16 + 2n, with
// a tone; and their list.
std::string dvList() {
    const std::string list = folder() + "dv.ovl";
    if (QFile::exists(QString::fromStdString(list))) return list;
    std::vector<std::string> paths;
    for (int i = 0; i < 3; ++i) {
        const std::string path = folder() + "dv_" + std::to_string(i) + ".avi";
        const std::string command =
            "ffmpeg -nostdin -hide_banner -loglevel quiet -y -f lavfi -i \"color=c=black:s=720x576"
            ":r=25:d=1,format=yuv420p,geq=lum='16+2*(N+" +
            std::to_string(i * kSegmentFrames) +
            ")':cb=128:cr=128\" -f lavfi -i \"sine=frequency=440:sample_rate=48000:duration=1\" "
            "-c:v dvvideo -pix_fmt yuv420p -c:a pcm_s16le -ac 2 -f avi '" +
            path + "'";
        if (std::system(command.c_str()) != 0) return "";
        paths.push_back(path);
    }
    if (!ZRSegmentList::writeFile(list, ZRSegmentList::Kind::DV, paths)) return "";
    return list;
}

int frameNumber(const AVFrame* frame) {
    if (!frame) return -1;
    int64_t sum = 0;
    const int y0 = frame->height / 4, x0 = frame->width / 4;
    for (int y = y0; y < y0 + 16; ++y)
        for (int x = x0; x < x0 + 16; ++x)
            sum += frame->data[0][y * frame->linesize[0] + x];
    return int((double(sum) / 256.0 - 16.0) / 2.0 + 0.5);
}

TEST(ZRSegmentedInput, DVListsPlayTheirSegmentsAsOneClip) {
    const std::string list = dvList();
    ASSERT_FALSE(list.empty()) << "ffmpeg could not make the segments";
    std::string error;
    const auto input = ZRSegmentedInput::open(list, &error);
    ASSERT_TRUE(input) << error;
    ASSERT_EQ(input->segments().size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(input->segments()[i].firstFrame, int64_t(i) * kSegmentFrames);
        EXPECT_EQ(input->segments()[i].firstSample, int64_t(i) * 48000);
    }

    mediaimport::MediaFile file;
    ASSERT_TRUE(file.open(list, &error)) << error;
    EXPECT_TRUE(file.isDV());
    EXPECT_DOUBLE_EQ(file.frameRate(), 25.0);
    EXPECT_NEAR(file.playLength(), 3.0, 0.001) << "the segments' sum";
    mediaimport::VideoReader* video = file.video();
    ASSERT_TRUE(video);
    // Either side of each boundary, forwards and backwards.
    for (const int frame : {24, 25, 26, 49, 50, 74, 51, 25, 24, 0, 50}) {
        ASSERT_TRUE(video->seek(frame)) << frame;
        EXPECT_EQ(frameNumber(video->frame()), frame);
    }
    // The first frame of segment 2, as stored, passes through.
    mediaimport::MediaFile second;
    ASSERT_TRUE(second.open(folder() + "dv_1.avi", &error)) << error;
    ASSERT_TRUE(second.video()->readNative(0));
    ASSERT_TRUE(video->readNative(kSegmentFrames));
    EXPECT_EQ(video->nativeRead().size(), 144000u);
    EXPECT_TRUE(video->nativeRead() == second.video()->nativeRead());
    ASSERT_TRUE(video->readNative(kSegmentFrames + 1)) << "on without a seek";

    mediaimport::AudioReader* audio = file.audio();
    ASSERT_TRUE(audio);
    EXPECT_EQ(audio->sampleRate(), 48000);
    std::vector<int16_t> samples(size_t(4 * 48000) * 2);
    audio->seek(0.0);
    const int read = audio->read(samples.data(), 4 * 48000);
    EXPECT_NEAR(read, 3 * 48000, 1920) << "the segments' sound, one after the other";
}

TEST(ZRSegmentedInput, MissingAndEmptySegmentsArePassedOverAndNoneLeftFails) {
    const std::string list = dvList();
    ASSERT_FALSE(list.empty());
    writeText(folder() + "empty.avi", "");
    const std::string gappy = folder() + "gappy.ovl";
    writeText(gappy, "OVDV\r\ndv_0.avi; 1\r\nnowhere.avi; 0\r\nempty.avi; 0\r\ndv_2.avi; 1");
    std::string error;
    mediaimport::MediaFile file;
    ASSERT_TRUE(file.open(gappy, &error)) << error;
    EXPECT_NEAR(file.playLength(), 2.0, 0.001);
    ASSERT_TRUE(file.video()->seek(kSegmentFrames));
    EXPECT_EQ(frameNumber(file.video()->frame()), 2 * kSegmentFrames);

    const std::string none = folder() + "none.ovl";
    writeText(none, "OVDV\r\nnowhere.avi; 0\r\nempty.avi; 0");
    mediaimport::MediaFile nothing;
    EXPECT_FALSE(nothing.open(none, &error));
    EXPECT_NE(error.find("names no"), std::string::npos) << error;
}

TEST(ZRSegmentedInput, JoinedMpegListsDecodeAsOneStream) {
    const std::string source = vcdRepacked("vcd_2324.mpg", 2324);
    ASSERT_FALSE(source.empty());
    const std::string list = cut(source, 2324, {131, 200}, "import");
    ASSERT_TRUE(segments::MpegSegmentList(list));

    std::string error;
    const auto input = ZRSegmentedInput::open(list, &error);
    ASSERT_TRUE(input) << error;
    int64_t total = 0;
    for (const auto& segment : input->segments())
        total += segment.size;
    EXPECT_EQ(input->size(), total);

    // Handed out in order: every picture once, with no seam.
    const std::vector<int> frames = decodedFrames(list);
    ASSERT_GT(frames.size(), 70u);
    for (size_t i = 0; i < frames.size(); ++i)
        ASSERT_EQ(frames[i], int(i));

    mediaimport::MediaFile file;
    ASSERT_TRUE(file.open(list, &error)) << error;
    EXPECT_NEAR(file.playLength() * 25.0, double(frames.size()), 2.0);
    // Frames on either side of the segments' seams, reached by seeking.
    const int last = int(frames.size()) - 1;
    for (const int frame : {40, 41, 60, 61, 59, 3, last, 40}) {
        ASSERT_TRUE(file.video()->seek(frame)) << frame;
        EXPECT_EQ(frameNumber(file.video()->frame()), frame);
    }
}

} // namespace
