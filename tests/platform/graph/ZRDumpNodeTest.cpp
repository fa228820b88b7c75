#include "platform/graph/ZRDumpNode.h"
#include "platform/graph/ZRDecoderNode.h"
#include "platform/graph/ZRGraph.h"
#include "platform/graph/ZRRendererNodes.h"
#include "platform/graph/ZRSourceNodes.h"
#include "platform/graph/ZRTeeNodes.h"
#include "tests/platform/graph/GraphTestNodes.h"
#include "tests/support/GuiApplication.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using graphtest::PatternSource;

namespace {

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

int takeEvent(ZRGraph& graph, int timeoutMs) {
    int code = 0;
    intptr_t p1, p2;
    return graph.getEvent(&code, &p1, &p2, timeoutMs) ? code : 0;
}

} // namespace

TEST(Dump, WritesTheStreamUnchangedAndClosesAtStop) {
    QTemporaryDir dir;
    // Deeper than 260 characters: the path is used whole, never shortened.
    QString folder = dir.path();
    while (folder.size() < 300)
        folder += "/a-rather-long-folder-name";
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString path = folder + "/capture.dv";

    ZRGraph graph;
    auto source = std::make_unique<PatternSource>(30);
    auto dump = std::make_unique<ZRDumpNode>();
    PatternSource* src = source.get();
    ZRDumpNode* d = dump.get();
    EXPECT_EQ(d->setFileName(""), kZRGraphInvalidArg);
    ASSERT_EQ(d->setFileName(path.toStdString()), kZRGraphOk);
    graph.addNode(std::move(source), "source");
    graph.addNode(std::move(dump), "Dump");
    graph.connect(src->outputPin(0), d->inputPin(0));
    ASSERT_EQ(graph.setState(ZRGraphState::Running), kZRGraphOk);
    EXPECT_EQ(takeEvent(graph, 10000), kZREventComplete);
    ASSERT_EQ(graph.setState(ZRGraphState::Stopped), kZRGraphOk);

    QByteArray expected;
    for (int n = 0; n < 30; ++n)
        expected += QByteArray(int(PatternSource::sizeOf(n)), char(n));
    EXPECT_EQ(readAll(path), expected);
    EXPECT_EQ(d->written(), expected.size());
}

TEST(Dump, AFailedWriteIsAnErrorAbortAndAMissingFolderRefusesToStart) {
    ZRGraph graph;
    auto source = std::make_unique<PatternSource>(10);
    auto dump = std::make_unique<ZRDumpNode>();
    PatternSource* src = source.get();
    ZRDumpNode* d = dump.get();
    graph.addNode(std::move(source), "source");
    graph.addNode(std::move(dump), "Dump");
    graph.connect(src->outputPin(0), d->inputPin(0));

    d->setFileName("/nonexistent-folder/capture.mpg");
    EXPECT_EQ(graph.setState(ZRGraphState::Running), kZRGraphFail);
    EXPECT_EQ(graph.state(), ZRGraphState::Stopped);

    if (!QFile::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    d->setFileName("/dev/full");
    ASSERT_EQ(graph.setState(ZRGraphState::Running), kZRGraphOk);
    EXPECT_EQ(takeEvent(graph, 10000), kZREventErrorAbort);
    EXPECT_EQ(graph.setState(ZRGraphState::Stopped), kZRGraphOk);
}

// A DV camera's stream through a Smart Tee: every frame into "Dump", the latest ones decoded
// and shown.
TEST(CaptureChain, DVThroughASmartTeeIntoDumpAndThePreview) {
    testsupport::guiApplication();
    QTemporaryDir dir;
    const std::string dvPath = dir.filePath("five.dv").toStdString();
    ASSERT_TRUE(graphtest::writeRawDV(dvPath, 5));

    ZRGraph graph;
    auto source = std::make_unique<ZRDVFileSourceNode>(dvPath, 12);
    ASSERT_TRUE(source->isValid());
    EXPECT_TRUE(source->isPal());
    auto tee = std::make_unique<ZRSmartTeeNode>();
    auto dump = std::make_unique<ZRDumpNode>();
    auto decoder = std::make_unique<ZRDecoderNode>("DV Video Decoder", AV_CODEC_ID_DVVIDEO,
                                                   ZRMediaType{"", "dvvideo"});
    auto renderer = std::make_unique<ZRVideoRendererNode>();
    ZRDVFileSourceNode* src = source.get();
    ZRSmartTeeNode* t = tee.get();
    ZRDumpNode* d = dump.get();
    ZRDecoderNode* dec = decoder.get();
    ZRVideoRendererNode* r = renderer.get();
    d->setFileName(dir.filePath("out.dv").toStdString());
    graph.addNode(std::move(source), "Capture Device");
    graph.addNode(std::move(tee), "SmartTee iavs");
    graph.addNode(std::move(dump), "Dump");
    graph.addNode(std::move(decoder), "DV Video Dec");
    graph.addNode(std::move(renderer), "Video Renderer");
    ASSERT_EQ(graph.connect(src->outputPin(0), t->inputPin(0)), kZRGraphOk);
    ASSERT_EQ(graph.connect(t->capturePin(), d->inputPin(0)), kZRGraphOk);
    ASSERT_EQ(graph.connect(t->previewPin(), dec->inputPin(0)), kZRGraphOk);
    ASSERT_EQ(graph.connect(dec->outputPin(0), r->inputPin(0)), kZRGraphOk);

    ZRGraphState state;
    ASSERT_EQ(graph.setState(ZRGraphState::Paused), kZRGraphOk);
    EXPECT_EQ(graph.getState(0, &state), kZRGraphStateIntermediate); // no picture yet
    ASSERT_EQ(graph.setState(ZRGraphState::Running), kZRGraphOk);
    EXPECT_EQ(takeEvent(graph, 10000), kZREventComplete);
    ASSERT_EQ(graph.setState(ZRGraphState::Stopped), kZRGraphOk);

    const QByteArray once = readAll(QString::fromStdString(dvPath));
    EXPECT_EQ(readAll(dir.filePath("out.dv")), once + once + once.left(2 * 144000));
    EXPECT_GT(r->shown(), 0);
    int w = 0, h = 0;
    r->videoSize(&w, &h);
    EXPECT_EQ(w, 720);
    EXPECT_EQ(h, 576);
    EXPECT_LE(r->shown() + r->dropped() + t->previewDropped(), 12);
}
