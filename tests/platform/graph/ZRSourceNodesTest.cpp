#include "platform/graph/ZRSourceNodes.h"
#include "platform/graph/ZRDecoderNode.h"
#include "platform/graph/ZRGraph.h"
#include "platform/graph/ZRRendererNodes.h"
#include "platform/playback/ZRNullOutput.h"
#include "platform/segments/ZRSegmentList.h"
#include "tests/support/GuiApplication.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

/// A one-second MPEG recording cut in two at a pack boundary, and its ".mvl" list; empty when
/// ffmpeg failed.
std::string mpegList(const QString& folder) {
    const QString whole = folder + "/whole.mpg";
    const std::string command =
        "ffmpeg -nostdin -hide_banner -loglevel quiet -y -f lavfi -i "
        "color=c=gray:s=352x288:r=25:d=1 "
        "-f lavfi -i sine=frequency=440:sample_rate=48000:duration=1 -ac 2 -c:v mpeg2video "
        "-c:a mp2 -f vob '" +
        whole.toStdString() + "'";
    if (std::system(command.c_str()) != 0) return {};
    QFile in(whole);
    if (!in.open(QIODevice::ReadOnly)) return {};
    const QByteArray bytes = in.readAll();
    const qsizetype cut = bytes.size() / 2 / 2048 * 2048;
    std::vector<std::string> paths;
    for (int i = 0; i < 2; ++i) {
        const QString path = folder + QStringLiteral("/part%1.mpg").arg(i);
        QFile out(path);
        if (!out.open(QIODevice::WriteOnly) || out.write(i ? bytes.mid(cut) : bytes.left(cut)) < 0)
            return {};
        paths.push_back(path.toStdString());
    }
    const std::string list = (folder + "/capture.mvl").toStdString();
    return segments::ZRSegmentList::writeFile(list, segments::ZRSegmentList::Kind::Mpeg, paths)
               ? list
               : std::string();
}

} // namespace

TEST(FileReader, LoadsOnlyWhatItReads) {
    QTemporaryDir dir;
    const std::string list = mpegList(dir.path());
    ASSERT_FALSE(list.empty()) << "ffmpeg could not make the recording";
    ZRFileReaderNode lists("MultiFile Reader", true);
    ZRFileReaderNode plain("Async File Reader", false);
    EXPECT_EQ(lists.load(""), kZRGraphInvalidArg);
    EXPECT_EQ(lists.load(dir.filePath("missing.mvl").toStdString()), kZRGraphFail);
    EXPECT_EQ(lists.load(dir.filePath("part0.mpg").toStdString()), kZRGraphFail);
    EXPECT_EQ(lists.load(dir.path().toStdString()), kZRGraphFail); // a folder
    EXPECT_EQ(plain.load(list), kZRGraphFail);
    EXPECT_EQ(lists.load(list), kZRGraphOk);
    EXPECT_EQ(lists.fileName(), list);
    EXPECT_TRUE(lists.openDemuxer());
}

// A ".mvl" list through the multi-file reader, the MPEG splitter and both decoders to the
// renderers, the sound renderer being the graph's clock.
TEST(Splitter, PlaysAListThroughTheDecodersToTheRenderers) {
    testsupport::guiApplication();
    QTemporaryDir dir;
    const std::string list = mpegList(dir.path());
    ASSERT_FALSE(list.empty()) << "ffmpeg could not make the recording";

    ZRGraph graph;
    auto reader = std::make_unique<ZRFileReaderNode>("MultiFile Reader", true);
    ASSERT_EQ(reader->load(list), kZRGraphOk);
    auto splitter = std::make_unique<ZRSplitterNode>("MPEG Splitter");
    auto video = std::make_unique<ZRDecoderNode>("MPEG Video Decoder", AV_CODEC_ID_MPEG2VIDEO,
                                                 ZRMediaType{"vids", {}});
    auto audio = std::make_unique<ZRDecoderNode>("MPEG Audio Decoder", AV_CODEC_ID_MP2,
                                                 ZRMediaType{"auds", {}});
    auto picture = std::make_unique<ZRVideoRendererNode>();
    auto sound = std::make_unique<ZRAudioRendererNode>(std::make_unique<ZRNullOutput>());
    ZRFileReaderNode* r = reader.get();
    ZRSplitterNode* s = splitter.get();
    ZRDecoderNode* v = video.get();
    ZRDecoderNode* a = audio.get();
    ZRVideoRendererNode* vr = picture.get();
    ZRAudioRendererNode* ar = sound.get();
    graph.addNode(std::move(reader), "ZR MultiFile Reader");
    graph.addNode(std::move(splitter), "ZR MPEG Splitter");
    graph.addNode(std::move(video), "ZR MPEG Video Decoder");
    graph.addNode(std::move(audio), "ZR MPEG Audio Decoder");
    graph.addNode(std::move(picture), "Video Renderer");
    graph.addNode(std::move(sound), "Audio Renderer");
    ASSERT_EQ(graph.connect(r->outputPin(0), s->inputPin(0)), kZRGraphOk);
    ASSERT_NE(s->findPin("Video"), nullptr);
    ASSERT_NE(s->findPin("Audio"), nullptr);
    EXPECT_EQ(s->findPin("Video")->mediaType().subtype, "mpeg2video");
    EXPECT_EQ(s->findPin("Video")->mediaType().width, 352);
    ASSERT_EQ(graph.connect(s->findPin("Video"), v->inputPin(0)), kZRGraphOk);
    ASSERT_EQ(graph.connect(s->findPin("Audio"), a->inputPin(0)), kZRGraphOk);
    ASSERT_EQ(graph.connect(v->outputPin(0), vr->inputPin(0)), kZRGraphOk);
    ASSERT_EQ(graph.connect(a->outputPin(0), ar->inputPin(0)), kZRGraphOk);
    ASSERT_EQ(graph.setSyncSource(ar), kZRGraphOk);

    ASSERT_EQ(graph.setState(ZRGraphState::Running), kZRGraphOk);
    int code = 0;
    intptr_t p1, p2;
    ASSERT_TRUE(graph.getEvent(&code, &p1, &p2, 15000));
    EXPECT_EQ(code, kZREventComplete);
    ASSERT_EQ(graph.setState(ZRGraphState::Stopped), kZRGraphOk);
    EXPECT_GE(v->decoded(), 20); // both segments' pictures
    EXPECT_GT(a->decoded(), 0);
    EXPECT_GT(vr->shown(), 0);
    // Disconnecting the input takes the outputs with it once they are free.
    graph.disconnect(s->findPin("Video"));
    graph.disconnect(s->findPin("Audio"));
    graph.disconnect(s->inputPin(0));
    EXPECT_EQ(s->outputCount(), 0);
}
