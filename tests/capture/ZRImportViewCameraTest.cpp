// The capture page on the simulated DV camcorder, through the real camera paths: time code,
// recording into "Captured", scene cuts, and the ways a capture ends.
#include "capture/ZRDVPathMakers.h"
#include "capture/ZRGraphFactory.h"
#include "capture/ZRImportViewDisplay.h"
#include "capture/ZRRemoteCtrl.h"
#include "capture/ZRVideoWidget.h"
#include "classes/widgets/ZRPushButton.h"
#include "classes/widgets/ZRTCWidget.h"
#include "platform/graph/ZRSceneSplitWriterNode.h"
#include "platform/segments/ZRSegmentList.h"
#include "tests/capture/DVCameraFixture.h"
#include "tests/capture/ImportViewFixture.h"
#include "tests/platform/ieee1394/DvTestFiles.h"

#include <QDir>

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <mutex>
#include <thread>

using capturetest::DVCameraFixture;

namespace {

int threadCount() {
    return int(QDir(QStringLiteral("/proc/self/task"))
                   .entryList(QDir::Dirs | QDir::NoDotAndDotDot)
                   .size());
}

class CameraPageTest : public ::testing::Test {
protected:
    void SetUp() override {
        useShellSkin();
        zrcapture::registerDVPathMakers();
        appState().setSettings(
            new QConfig(QConfig::Flavour::Program, dir.filePath(QStringLiteral("clipstead.ini"))),
            [](QConfig* c) { delete c; });
        appState().settings()->setGroup(QStringLiteral("General Settings"));
        appState().settings()->writeEntry(QStringLiteral("MediaFolder"), dir.path());
        appState().hub = &hub;
        appState().formatIndex = 0;
        appState().ntsc = false;
        appState().sceneDetection = false;
        appState().splitSize = 3784704;
        ZRWindowServices::install(&services);
    }
    void TearDown() override {
        page.reset();
        camera.reset();
        ZRWindowServices::install(nullptr);
        appState().hub = nullptr;
        appState().setSettings(nullptr, nullptr);
        for (long kind : {ZRGraphFactory::WDMCapture, ZRGraphFactory::WDMPlayback})
            ZRGraphFactory::registerPathMaker(kind, {});
    }

    /// The camcorder with `tape`, registered, and the page shown with it selected.
    ZRImportView& showWith(const zrieee1394::ZRSimulatedCamcorder::Frames& tape) {
        camera = std::make_unique<DVCameraFixture>(tape);
        page = std::make_unique<ZRImportView>(nullptr, "ZRImportView");
        page->setClock([this] { return clock; });
        page->setFreeSpaceQuery([](const QString&) { return int64_t(50) * 1000 * 1000 * 1000; });
        page->setWait([](int) {});
        page->resize(800, 560);
        page->show();
        int row = -1;
        if (const VidCapDevInfoList* list = page->factory()->videoDevices())
            for (size_t i = 0; i < list->size(); ++i)
                if ((*list)[i]->displayName == QLatin1String(capturetest::kCameraName))
                    row = int(i) + 1;
        EXPECT_GT(row, 0);
        page->videoDeviceCombo()->setCurrentIndex(row);
        page->slotVideoDeviceSelected(row);
        // The camera waits for the page to start recording, then for the writer's queue. The
        // gate runs on the camera's thread: it reads only what the gate's lock guards, and the
        // writer is forgotten when the first graph stops, before any teardown deletes it.
        {
            std::lock_guard lock(gate->mutex);
            gate->writer = writer();
        }
        if (ZRGraphBase* g = page->factory()->graph())
            QObject::connect(g, &ZRGraphBase::graphStateChanged, g, [gate = gate](long state) {
                std::lock_guard lock(gate->mutex);
                if (state == 0) gate->writer = nullptr;
            });
        camera->camera->setFreeRunningGate([gate = gate] {
            std::lock_guard lock(gate->mutex);
            return gate->armed && (!gate->writer || gate->writer->queued() < 8);
        });
        return *page;
    }
    ZRSceneSplitWriterNode* writer() const {
        ZRGraphBase* g = page && page->factory() ? page->factory()->graph() : nullptr;
        if (!g || !g->graph()) return nullptr;
        for (ZRGraph::NodeId id : g->graph()->nodeIds())
            if (auto* w = g->graph()->node(id)->as<ZRSceneSplitWriterNode>()) return w;
        return nullptr;
    }
    void startRecording() {
        page->slotStartRec();
        std::lock_guard lock(gate->mutex);
        gate->armed = true;
    }
    /// Waits until the tape ran to its end and the writer took every frame.
    bool waitForTapeEnd() {
        const bool ended = DVCameraFixture::waitFor([&] {
            return camera->camera->modeOpcode() == 0xC4 && camera->camera->modeOperand() == 0x60 &&
                   camera->camera->framesSent() > 0;
        });
        // Every frame the camera sent has reached the writer and left its queue. Counts that
        // merely stood still for a while were not enough: on a loaded machine a frame still on
        // its way to the writer was cut off by the stop.
        if (ZRSceneSplitWriterNode* w = writer())
            DVCameraFixture::waitFor(
                [&] {
                    return w->framesNotDropped() + w->framesDropped() >=
                               camera->camera->framesSent() &&
                           w->queued() == 0;
                },
                10000);
        return ended;
    }
    QString file(const char* name) const { return dir.filePath(QLatin1String(name)); }

    QTemporaryDir dir;
    importtest::FakeHub hub;
    importtest::ScriptedServices services;
    std::unique_ptr<DVCameraFixture> camera;
    std::unique_ptr<ZRImportView> page;
    /// What the camera's free-running gate reads.
    struct Gate {
        std::mutex mutex;
        bool armed = false;
        ZRSceneSplitWriterNode* writer = nullptr;
    };
    std::shared_ptr<Gate> gate = std::make_shared<Gate>();
    int64_t clock = 1000;
};

} // namespace

TEST_F(CameraPageTest, ShowsTheCameraTimeCode) {
    ZRImportView& view = showWith(zrieee1394::generatedTape(100, false));
    ASSERT_EQ(view.graphKind(), ZRGraphFactory::WDMCapture);
    ASSERT_TRUE(view.factory()->activePath());
    EXPECT_TRUE(view.cameraTimeCode()->isVisible());
    EXPECT_EQ(view.resolutionCombo()->currentText(), "PAL DV 720x576");
    // Played to frame 60 and paused there: 00:00:02:10 on a PAL tape.
    camera->camera->setPosition(60);
    view.remoteControl()->guiClickPausFwd();
    ASSERT_TRUE(DVCameraFixture::waitFor([&] {
        const ZRTCWidget::Fields f = view.cameraTimeCode()->fields();
        return view.cameraTimeCode()->isEnabled() && f.hours == 0 && f.minutes == 0 &&
               f.seconds == 2 && f.frames == 10;
    }));
    // The transport controller shows the tape's state on the page's buttons.
    ASSERT_TRUE(
        DVCameraFixture::waitFor([&] { return view.button(ZRImportView::Pause)->isChecked(); }));
    EXPECT_FALSE(view.button(ZRImportView::Play)->isChecked());
}

TEST_F(CameraPageTest, HundredFramesBecomeTheFirstCaptureAndTheNameMovesOn) {
    const auto tape = zrieee1394::generatedTape(100, false);
    ZRImportView& view = showWith(tape);
    ASSERT_EQ(view.capturePath(), file("capture0001.ovl"));
    startRecording();
    EXPECT_EQ(view.recordState(), ZRImportView::Recording);
    ASSERT_TRUE(waitForTapeEnd());
    view.slotStopRec();
    EXPECT_EQ(view.recordState(), ZRImportView::Idle);
    EXPECT_EQ(hub.captured, QStringList{"Captured:capture0001.avi"});
    const auto contents = dvtest::readAvi(file("capture0001.avi").toStdString());
    ASSERT_TRUE(contents.opened);
    ASSERT_EQ(contents.frames.size(), 100u);
    for (size_t i = 0; i < tape.size(); i += 9)
        ASSERT_EQ(contents.frames[i], tape[i]) << i;
    EXPECT_EQ(view.fileNameCombo()->currentText(), "capture0002");
    EXPECT_TRUE(hub.messages.contains("100 frames captured, 0 dropped"))
        << hub.messages.join('|').toStdString();
    // The next capture's graph stands, and nothing but the capture is in the folder.
    EXPECT_TRUE(view.factory()->activePath());
    EXPECT_EQ(QDir(dir.path()).entryList({"capture*"}, QDir::Files),
              QStringList{"capture0001.avi"});
}

TEST_F(CameraPageTest, ASceneCutLeavesAList) {
    appState().sceneDetection = true;
    ZRImportView& view = showWith(zrieee1394::generatedTape(100, false));
    camera->camera->markRecording(0, 1700000000);
    camera->camera->markRecording(40, 1700090000);
    startRecording();
    ASSERT_TRUE(waitForTapeEnd());
    view.slotStopRec();
    ASSERT_EQ(hub.captured, QStringList{"Captured:capture0001.ovl"});
    std::string error;
    const auto list = segments::ZRSegmentList::read(file("capture0001.ovl").toStdString(), &error);
    ASSERT_TRUE(list) << error;
    ASSERT_EQ(list->entries().size(), 2u);
    EXPECT_EQ(dvtest::readAvi(list->entries()[0].path).frames.size(), 40u);
    EXPECT_EQ(dvtest::readAvi(list->entries()[1].path).frames.size(), 60u);
}

TEST_F(CameraPageTest, ACaptureEndedOtherwiseIsStillCollected) {
    enum class End { Hide, Unplug, FullDisk };
    for (End end : {End::Hide, End::Unplug, End::FullDisk}) {
        SCOPED_TRACE(int(end));
        hub.captured.clear();
        services.informations.clear();
        gate = std::make_shared<Gate>();
        for (const QString& f : QDir(dir.path()).entryList({"capture*"}, QDir::Files))
            QFile::remove(dir.filePath(f));
        appState().settings()->setGroup(QStringLiteral("General Settings"));
        appState().settings()->writeEntry(QStringLiteral("MediaFile"),
                                          QStringLiteral("capture0001"));
        ZRImportView& view = showWith(zrieee1394::generatedTape(250, false));
        if (end == End::FullDisk) {
            // The disk fills after some 50 frames: a writer of that kind takes the place of
            // the built one while the graph stands still.
            ZRGraphBase* g = view.factory()->graph();
            view.factory()->setGraphState(0);
            ZRSceneSplitWriterNode* built = writer();
            ASSERT_TRUE(built);
            ZRGraphPin* feed = built->inputPin(0)->peer();
            const std::string name = built->fileName();
            ZRGraphBase::Filter old = g->graph()->idOf(built);
            ASSERT_EQ(g->kill(&old), kZRGraphOk);
            auto calls = std::make_shared<std::atomic<int>>(0);
            auto full = std::make_unique<ZRSceneSplitWriterNode>(
                segments::ZRDVSceneSplitWriter::Reserve([calls](int fd, int64_t at, int64_t n) {
                    return ++*calls > 50 ? ENOSPC : ::posix_fallocate(fd, off_t(at), off_t(n));
                }));
            ASSERT_EQ(full->setFileName(name), kZRGraphOk);
            ZRGraphBase::Filter id = 0;
            ZRGraphNode* added = full.get();
            ASSERT_EQ(g->addFilter(std::move(full), "full writer", &id), kZRGraphOk);
            ASSERT_EQ(g->connectPins(feed, added->inputPin(0)), kZRGraphOk);
            view.factory()->setGraphState(2);
            std::lock_guard lock(gate->mutex);
            gate->writer = added->as<ZRSceneSplitWriterNode>();
        }
        if (end == End::Unplug) camera->camera->setFreeRunning(false);
        startRecording();
        // Frames still between the camera and the file when the capture ends may be lost: the
        // camera runs ahead of the 20 frames the file must hold.
        ASSERT_TRUE(DVCameraFixture::waitFor([&] { return camera->camera->framesSent() >= 30; }));
        switch (end) {
        case End::Hide:
            view.hide();
            EXPECT_FALSE(view.factory());
            break;
        case End::Unplug:
            camera->camera->unplug();
            break;
        case End::FullDisk:
            break;
        }
        ASSERT_TRUE(DVCameraFixture::waitFor([&] { return !hub.captured.isEmpty(); }));
        EXPECT_EQ(view.recordState(), ZRImportView::Idle);
        ASSERT_EQ(hub.captured, QStringList{"Captured:capture0001.avi"});
        const auto contents = dvtest::readAvi(file("capture0001.avi").toStdString());
        ASSERT_TRUE(contents.opened);
        EXPECT_GE(contents.frames.size(), 20u);
        EXPECT_LT(contents.frames.size(), 250u);
        if (end == End::FullDisk) {
            EXPECT_EQ(contents.frames.size(), 50u);
            EXPECT_EQ(services.informations,
                      QStringList{capturedisplay::stopMessage(capturedisplay::DiskFull)});
        } else {
            EXPECT_TRUE(services.informations.isEmpty());
        }
        page.reset();
        camera.reset();
    }
}

TEST_F(CameraPageTest, AFactoryDeletedWhileTheCameraStreamsLeavesNoThread) {
    DVCameraFixture cam(zrieee1394::generatedTape(250, false));
    cam.camera->setFreeRunning(false);
    ZRVideoWidget widget(nullptr, "preview");
    // The thread sanitizer's runtime starts a helper thread of its own with the process's first
    // thread and keeps it: one thread started and joined first, so that the count compares the
    // factory's threads alone.
    std::thread([] {}).join();
    const int before = threadCount();
    auto factory = std::make_unique<ZRGraphFactory>(&widget);
    factory->buildGraph(nullptr, &widget, {}, {}, {});
    factory->setSplitLimit(0);
    factory->buildPath(ZRGraphFactory::WDMCapture, QLatin1String(capturetest::kCameraName), {},
                       QString::fromStdString(cam.path("streaming.avi")));
    ASSERT_TRUE(factory->activePath());
    factory->setCamState(4296, 0);
    factory->start();
    // Frames still on their way when the factory goes may be lost: the camera runs a few frames
    // past the 10 the file must hold.
    ASSERT_TRUE(DVCameraFixture::waitFor([&] { return cam.camera->framesSent() >= 13; }));
    EXPECT_GT(threadCount(), before);
    factory.reset();
    EXPECT_TRUE(DVCameraFixture::waitFor([&] { return threadCount() <= before; }, 5000))
        << threadCount() << " threads, " << before << " before";
    // What was written is a whole file.
    EXPECT_GE(dvtest::readAvi(cam.path("streaming.avi")).frames.size(), 10u);
}
