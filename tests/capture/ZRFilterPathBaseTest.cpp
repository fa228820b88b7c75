#include "capture/ZRFilterPathBase.h"
#include "capture/ZROutsideFilters.h"
#include "platform/graph/ZRDecoderNode.h"
#include "platform/graph/ZRMpeg2DemuxNode.h"
#include "platform/graph/ZRRendererNodes.h"
#include "platform/graph/ZRSourceNodes.h"
#include "platform/graph/ZRTeeNodes.h"
#include "platform/playback/ZRVideoSurface.h"
#include "tests/capture/SimulatedDevices.h"
#include "tests/platform/graph/GraphTestNodes.h"
#include "tests/support/GuiApplication.h"

#include <QPointer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using capturetest::device;
using capturetest::RegisteredBackend;
using capturetest::SimulatedDeviceNode;

namespace {

struct PathFixture {
    PathFixture() {
        testsupport::guiApplication();
        base.buildGraph();
        path = new ZRFilterPathBase(&base, "test path");
    }
    ~PathFixture() { delete path.data(); }
    ZRGraphBase base;
    QPointer<ZRFilterPathBase> path;
};

} // namespace

TEST(FilterPathBase, SettersAndDefaults) {
    PathFixture f;
    EXPECT_EQ(f.path->objectName(), "test path");
    EXPECT_EQ(f.path->captureSetting(3), 15);
    EXPECT_EQ(f.path->captureSetting(4), 3);
    const long settings[17] = {1, 2, 2, 4, 5, 720, 576, 6000000, 8000000, 0, 1};
    f.path->setCaptureSettings(settings, 17);
    EXPECT_EQ(f.path->tvStandard(), 2);
    EXPECT_EQ(f.path->captureSetting(5), 720);
    f.path->setDeviceName("cam");
    f.path->setInputFile("/tmp/in.mvl");
    f.path->setOutputFile("/tmp/out.mvl");
    f.path->setSplitLimit(4000);
    f.path->setSecondPathFlag(true);
    EXPECT_EQ(f.path->text(0), "cam");
    EXPECT_EQ(f.path->text(4), "/tmp/in.mvl");
    EXPECT_EQ(f.path->text(5), "/tmp/out.mvl");
    EXPECT_EQ(f.path->splitLimit(), 4000);
    EXPECT_TRUE(f.path->secondPathFlag());
    // Without a graph wrapper the last result reads as a failure.
    ZRFilterBase orphan(nullptr, "orphan");
    EXPECT_EQ(orphan.lastResult(), kZRGraphFail);
}

TEST(FilterPathBase, DemultiplexerPinsFollowTheSettings) {
    PathFixture f;
    const long settings[17] = {0, 0, 1, 15, 3, 720, 480, 6000000, 9000000, 0, 1};
    f.path->setCaptureSettings(settings, 17);
    EXPECT_EQ(f.path->createDemuxVideoPin(), kZRGraphInvalidArg); // not queried yet
    ASSERT_EQ(f.path->addDemultiplexer(), kZRGraphOk);
    ASSERT_EQ(f.path->queryDemultiplexer(), kZRGraphOk);
    ASSERT_EQ(f.path->createDemuxVideoPin(), kZRGraphOk);
    ASSERT_EQ(f.path->createDemuxAudioPin(), kZRGraphOk);
    auto* demux = f.base.queryInterface<ZRMpeg2DemuxNode>(f.path->demultiplexer());
    ASSERT_TRUE(demux);
    EXPECT_EQ(demux->name(), "MPEG2 Demultiplexer");
    const ZRMediaType& video = demux->findPin("Video")->mediaType();
    EXPECT_EQ(video.frameDuration, 333667);
    EXPECT_EQ(video.width, 720);
    EXPECT_EQ(video.bitRate, 9000000); // the explicit rate, its flag being set
    EXPECT_EQ(demux->mappedPin(0xE0, -1), demux->findPin("Video"));
    EXPECT_EQ(demux->mappedPin(0xBD, 0xA0), demux->findPin("Audio"));
    EXPECT_EQ(demux->mappedPin(0xBD, 0x80), nullptr);
    EXPECT_EQ(f.path->deleteDemuxVideoPin(), kZRGraphOk);
    EXPECT_EQ(demux->findPin("Video"), nullptr);
}

TEST(FilterPathBase, DeviceStepsOverTheRegistry) {
    RegisteredBackend reg;
    reg.backend->add(ZRDeviceCategory::VideoInput, device("@v4l#card-7", "Wren Deck 150"));
    PathFixture f;
    f.path->setDeviceName("card-7");
    ASSERT_EQ(f.path->addCaptureDevice(), kZRGraphOk);
    ASSERT_EQ(f.path->copyDeviceRecord(), kZRGraphOk);
    EXPECT_EQ(f.path->deviceRecord()->modelMask, 0x20);
    ASSERT_EQ(f.path->setTVFormat(), kZRGraphOk);
    auto* dev = f.base.queryInterface<SimulatedDeviceNode>(f.path->captureDevice());
    ASSERT_TRUE(dev);
    EXPECT_EQ(dev->name(), "Capture Device");
    EXPECT_EQ(dev->tvFormat(), 0x10u); // PAL unless the standard is 1
    ASSERT_EQ(f.path->routeCrossbarRelated(2), kZRGraphOk);
    EXPECT_EQ(dev->routes, (std::vector<std::pair<int, int>>{{0, 1}, {1, 3}}));
    EXPECT_EQ(f.path->routeCrossbar(1), kZRGraphNotFound);
}

TEST(FilterPathBase, DecoderSettingsAndTheVideoWindow) {
    PathFixture f;
    QWidget widget;
    widget.resize(200, 150);
    f.path->setVideoWidget(&widget);
    ASSERT_EQ(f.path->addMpegVideoDecoder(), kZRGraphOk);
    ASSERT_EQ(f.path->queryDecoderSettings(), kZRGraphOk);
    ASSERT_EQ(f.path->writeDecoderSettings(), kZRGraphOk);
    auto* decoder = f.base.queryInterface<ZRDecoderNode>(f.path->videoDecoder());
    // The PAL field is set for every standard but NTSC (1).
    EXPECT_EQ(decoder->settingsRecord().pal(), 1u);
    EXPECT_EQ(decoder->settingsRecord().size, 28u);
    const long ntsc[3] = {0, 0, 1};
    f.path->setCaptureSettings(ntsc, 3);
    f.path->writeDecoderSettings();
    EXPECT_EQ(decoder->settingsRecord().pal(), 0u);
    const long pal[3] = {0, 0, 2};
    f.path->setCaptureSettings(pal, 3);
    f.path->writeDecoderSettings();
    EXPECT_EQ(decoder->settingsRecord().pal(), 1u);
    f.path->clearDecoderSettings();
    EXPECT_EQ(decoder->settingsRecord().pal(), 0u);

    ASSERT_EQ(f.path->addVideoRenderer(), kZRGraphOk);
    ASSERT_EQ(f.path->queryVideoWindow(), kZRGraphOk);
    ASSERT_EQ(f.path->attachVideoWindow(), kZRGraphOk);
    auto* renderer = f.base.queryInterface<ZRVideoRendererNode>(f.path->videoRenderer());
    EXPECT_EQ(renderer->owner(), &widget);
    EXPECT_EQ(renderer->surface()->size(), QSize(201, 151));
    EXPECT_EQ(f.path->resizeToWidget(), kZRGraphOk);
    EXPECT_EQ(renderer->surface()->size(), QSize(200, 150));
    EXPECT_EQ(f.path->detachVideoWindow(), kZRGraphOk);
    EXPECT_EQ(renderer->owner(), nullptr);
    EXPECT_FALSE(renderer->isVisible());
}

// Deleting a path while its graph streams stops the graph and takes its filters out; teardown
// may run again without harm.
TEST(FilterPathBase, DeletedWhileStreamingTearsDown) {
    QTemporaryDir dir;
    const std::string dv = dir.filePath("cam.dv").toStdString();
    ASSERT_TRUE(graphtest::writeRawDV(dv, 3));
    PathFixture f;
    ZRGraphBase::Filter source = 0;
    ASSERT_EQ(f.base.addFilter(std::make_unique<ZRDVFileSourceNode>(dv, 100000), "Capture Device",
                               &source),
              kZRGraphOk);
    ASSERT_EQ(f.path->addVideoSmartTee(), kZRGraphOk);
    ASSERT_EQ(f.path->addVideoRenderer(), kZRGraphOk);
    std::unique_ptr<ZRGraphNode> decoderNode;
    ASSERT_EQ(f.base.loadFilterFromFile(&decoderNode, "zrdsdv.ax",
                                        zroutsidefilters::kClsidEngineDVVideoDecoder),
              kZRGraphOk);
    ZRGraphBase::Filter decoder = 0;
    f.base.addFilter(std::move(decoderNode), "Veltrane DV Video Decoder", &decoder);
    ZRGraphNode* tee = f.base.node(f.path->videoTee());
    ASSERT_EQ(f.base.connectPins(f.base.node(source)->outputPin(0), tee->inputPin(0)), kZRGraphOk);
    ASSERT_EQ(f.base.connectPins(tee->outputPin(1), f.base.node(decoder)->inputPin(0)), kZRGraphOk);
    ASSERT_EQ(f.base.connectPins(f.base.node(decoder)->outputPin(0),
                                 f.base.node(f.path->videoRenderer())->inputPin(0)),
              kZRGraphOk);
    ASSERT_EQ(f.path->queryStreamControl(0, tee->outputPin(0)), kZRGraphOk);
    EXPECT_EQ(f.path->queryStreamControl(1, tee->inputPin(0)), kZRGraphInvalidArg);
    f.path->controlVideoStreams(false);
    EXPECT_FALSE(tee->outputPin(0)->isStreaming());

    ASSERT_EQ(f.base.setGraphState(2), kZRGraphOk);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(f.path->teardown(), kZRGraphOk);
    EXPECT_EQ(f.path->teardown(), kZRGraphOk);
    EXPECT_EQ(f.base.graph()->state(), ZRGraphState::Stopped);
    EXPECT_EQ(f.base.node(f.path->videoTee()), nullptr);
    EXPECT_EQ(f.path->videoTee(), 0u);

    // Once more, deleting the path itself while running.
    ZRGraphBase::Filter tee2 = 0;
    auto* path2 = new ZRFilterPathBase(&f.base, "second");
    ASSERT_EQ(path2->addVideoSmartTee(), kZRGraphOk);
    tee2 = path2->videoTee();
    ASSERT_EQ(f.base.connectPins(f.base.node(source)->outputPin(0), f.base.node(tee2)->inputPin(0)),
              kZRGraphOk);
    ASSERT_EQ(f.base.setGraphState(2), kZRGraphOk);
    delete path2;
    EXPECT_EQ(f.base.graph()->state(), ZRGraphState::Stopped);
    EXPECT_EQ(f.base.node(tee2), nullptr);
    EXPECT_NE(f.base.node(source), nullptr); // not the path's
}
