// The camera kinds through the graph factory: made by the registered makers, playback of a
// captured file to the camcorder, and the writer's stop reasons as the factory reports them.
#include "capture/ZRDVPathMakers.h"
#include "capture/ZRGraphFactory.h"
#include "capture/ZRVideoWidget.h"
#include "capture/ZRWDMCaptureFilter.h"
#include "capture/ZRWDMCapturePath.h"
#include "capture/ZRWDMPlaybackPath.h"
#include "platform/graph/ZRSceneSplitWriterNode.h"
#include "tests/capture/DVCameraFixture.h"

#include <QSignalSpy>

#include <cerrno>
#include <fcntl.h>

#include <gtest/gtest.h>

using capturetest::DVCameraFixture;

namespace {

struct Makers {
    Makers() { zrcapture::registerDVPathMakers(); }
    ~Makers() {
        ZRGraphFactory::registerPathMaker(ZRGraphFactory::WDMCapture, {});
        ZRGraphFactory::registerPathMaker(ZRGraphFactory::WDMPlayback, {});
    }
};

ZRSceneSplitWriterNode* writerOf(ZRGraphBase* g) {
    for (ZRGraph::NodeId id : g->graph()->nodeIds())
        if (auto* w = g->graph()->node(id)->as<ZRSceneSplitWriterNode>()) return w;
    return nullptr;
}

/// Runs `f` until `stopped` saw a code, taking the graph's notices as the video widget would.
bool waitForStop(ZRGraphFactory& f, QSignalSpy& stopped) {
    return DVCameraFixture::waitFor([&] {
        f.drainGraphEvents();
        return !stopped.isEmpty();
    });
}

} // namespace

TEST(DVPathMakers, TheFactoryMakesAndRunsTheCameraKinds) {
    Makers makers;
    EXPECT_TRUE(ZRGraphFactory::hasPathMaker(ZRGraphFactory::WDMCapture));
    EXPECT_TRUE(ZRGraphFactory::hasPathMaker(ZRGraphFactory::WDMPlayback));
    DVCameraFixture cam(zrieee1394::generatedTape(50, false));
    ZRVideoWidget widget(nullptr, "preview");
    const QString camera = QLatin1String(capturetest::kCameraName);

    // Capture: up paused-then-running with the preview on and the capture streams off, the
    // camera's transport reached through the factory.
    ZRGraphFactory f(&widget);
    f.buildGraph(nullptr, &widget, {}, {}, {});
    f.buildPath(ZRGraphFactory::WDMCapture, camera, {}, QString::fromStdString(cam.path("a.avi")));
    auto* capture = dynamic_cast<ZRWDMCapturePath*>(f.activePath());
    ASSERT_TRUE(capture);
    EXPECT_EQ(f.activeDevicePath(), nullptr);
    EXPECT_EQ(f.graphState(), 2);
    EXPECT_EQ(f.captureFlag(), 0);
    EXPECT_EQ(f.dvVideoFormat(), ZRWDMCaptureFilter::kDVFormat625);
    EXPECT_TRUE(f.resizePreview(320, 240));
    f.setCamState(4296, 0);
    ASSERT_TRUE(DVCameraFixture::waitFor([&] { return cam.camera->modeOperand() == 0x75; }));
    // The preview ran the device, but nothing was captured before the streams were on.
    ASSERT_TRUE(DVCameraFixture::waitFor([&] { return cam.camera->framesSent() > 5; }));
    long captured = -1, dropped = -1;
    ASSERT_TRUE(f.frameCounts(&captured, &dropped));
    EXPECT_EQ(writerOf(f.graph())->framesNotDropped(), 0);
    f.setCamState(4297, 0);
    ASSERT_TRUE(DVCameraFixture::waitFor(
        [&] { return cam.camera->modeOpcode() == 0xC4 && cam.camera->modeOperand() == 0x60; }));
    f.teardownPath();
    EXPECT_EQ(f.kind(), ZRGraphFactory::NoKind);

    // Playback of a capture to the camcorder ends with "complete".
    cam.camera->setPosition(0);
    f.buildPath(ZRGraphFactory::WDMCapture, camera, {}, QString::fromStdString(cam.path("b.avi")));
    ASSERT_TRUE(f.activePath());
    cam.camera->setFreeRunningGate([w = writerOf(f.graph())] { return w && w->queued() < 8; });
    f.start();
    f.setCamState(4296, 0);
    ASSERT_TRUE(DVCameraFixture::waitFor([&] {
        return cam.camera->framesSent() >= 50 && cam.camera->modeOpcode() == 0xC4 &&
               cam.camera->modeOperand() == 0x60;
    }));
    // The last frame sent may still be on its way to the device.
    DVCameraFixture::waitFor([&] { return f.frameCounts(&captured, &dropped) && captured == 50; },
                             5000);
    f.stop();
    ASSERT_TRUE(f.frameCounts(&captured, &dropped));
    EXPECT_EQ(captured, 50);
    EXPECT_EQ(dropped, 0);
    cam.camera->setFreeRunningGate(nullptr);
    f.teardownPath();

    QSignalSpy stopped(&f, &ZRGraphFactory::graphStopped);
    const auto before = cam.camera->recorded().size();
    f.buildPath(ZRGraphFactory::WDMPlayback, camera, QString::fromStdString(cam.path("b.avi")), {});
    ASSERT_TRUE(dynamic_cast<ZRWDMPlaybackPath*>(f.activePath()));
    EXPECT_EQ(f.captureFlag(), 1);
    EXPECT_EQ(f.previewFlag(), 1);
    f.setGraphState(0);
    f.setCamState(4302, 0);
    ASSERT_TRUE(DVCameraFixture::waitFor([&] { return cam.camera->modeOpcode() == 0xC2; }));
    f.setGraphState(2);
    ASSERT_TRUE(waitForStop(f, stopped));
    EXPECT_EQ(stopped.last()[0].toLongLong(), ZRGraphFactory::kEventComplete);
    f.teardownPath();
    EXPECT_EQ(cam.camera->recorded().size() - before, 50u);
}

TEST(DVPathMakers, TheWritersStopReason) {
    struct Row {
        int error;
        int reason;
    };
    const Row rows[] = {{ENOSPC, 2}, {EFBIG, 3}, {EIO, 0}};
    Makers makers;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.error);
        DVCameraFixture cam(zrieee1394::generatedTape(60, false));
        ZRVideoWidget widget(nullptr, "preview");
        ZRGraphFactory f(&widget);
        f.buildGraph(nullptr, &widget, {}, {}, {});
        f.buildPath(ZRGraphFactory::WDMCapture, QLatin1String(capturetest::kCameraName), {},
                    QString::fromStdString(cam.path("full.avi")));
        ZRGraphBase* g = f.graph();
        ASSERT_TRUE(f.activePath());
        EXPECT_EQ(f.writerStopReason(), 0);
        // A writer whose disk fails after 20 frames takes the built one's place.
        f.setGraphState(0);
        ZRSceneSplitWriterNode* built = writerOf(g);
        ZRGraphPin* feed = built->inputPin(0)->peer();
        ZRGraphBase::Filter old = g->graph()->idOf(built);
        ASSERT_EQ(g->kill(&old), kZRGraphOk);
        int calls = 0;
        const int error = row.error;
        auto failing = std::make_unique<ZRSceneSplitWriterNode>(
            segments::ZRDVSceneSplitWriter::Reserve([&calls, error](int fd, int64_t at, int64_t n) {
                return ++calls > 20 ? error : ::posix_fallocate(fd, off_t(at), off_t(n));
            }));
        ASSERT_EQ(failing->setFileName(cam.path("full.avi")), kZRGraphOk);
        ZRGraphNode* added = failing.get();
        ASSERT_EQ(g->addFilter(std::move(failing), "failing writer"), kZRGraphOk);
        ASSERT_EQ(g->connectPins(feed, added->inputPin(0)), kZRGraphOk);
        auto* writer = added->as<ZRSceneSplitWriterNode>();
        cam.camera->setFreeRunningGate([writer] { return writer->queued() < 8; });
        f.setGraphState(2);
        f.start();
        QSignalSpy stopped(&f, &ZRGraphFactory::graphStopped);
        f.setCamState(4296, 0);
        ASSERT_TRUE(waitForStop(f, stopped));
        EXPECT_EQ(stopped.last()[0].toLongLong(), ZRGraphFactory::kEventErrorAbort);
        f.stop();
        EXPECT_EQ(f.writerStopReason(), row.reason) << writer->error();
        cam.camera->setFreeRunningGate(nullptr);
    }
}
