// The camera page: the transport translation for the timeline, the device names, browser-mode
// playback through the factory's paths (fake paths stand for the playback kinds), device
// changes, and timeline mode on the produce page with the simulated camcorder.
#include "output/ZRExportCameraView.h"

#include "capture/ZRFilterPathBase.h"
#include "capture/ZRGraphFactory.h"
#include "capture/ZRJogShuttle.h"
#include "capture/ZRRemoteCtrl.h"
#include "classes/widgets/ZRComboBox.h"
#include "classes/widgets/ZRPushButton.h"
#include "classes/widgets/ZRTabBar.h"
#include "output/ZRLiveOutput.h"
#include "platform/graph/ZRDeviceRegistry.h"
#include "tests/output/DVFakeTimeline.h"
#include "tests/output/LiveCamcorder.h"
#include "tests/output/RenderFixture.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>

namespace cameratest {

/// A playback path of any kind that notes what it was built with and whether it ran.
struct BuiltPath {
    long kind = 0;
    QString device, file;
};
std::vector<BuiltPath> gBuilt;

class PlaybackPath : public ZRFilterPathBase, public IZRFactoryPath {
public:
    PlaybackPath(ZRGraphBase* graph, long kind)
        : ZRFilterPathBase(graph, "playback"), m_kind(kind) {}
    ZRGraphResult connectInternal() override {
        gBuilt.push_back({m_kind, text(0), text(4)});
        return kZRGraphOk;
    }

private:
    long m_kind;
};

class PlaybackMakers {
public:
    PlaybackMakers() {
        gBuilt.clear();
        for (long kind : {0x002L, 0x202L, 0x252L, 0x022L})
            ZRGraphFactory::registerPathMaker(kind, [kind](ZRGraphBase* graph) {
                return std::make_unique<PlaybackPath>(graph, kind);
            });
    }
    ~PlaybackMakers() {
        for (long kind : {0x002L, 0x202L, 0x252L, 0x022L})
            ZRGraphFactory::registerPathMaker(kind, {});
    }
};

/// A simulated Kestrel output card in the device list.
class KestrelBackend : public IZRDeviceBackend {
public:
    std::vector<ZRDeviceDescriptor> devices(ZRDeviceCategory category) override {
        if (category != ZRDeviceCategory::VideoInput) return {};
        ZRDeviceDescriptor d;
        d.displayName = "v4l2:simulated-kestrel";
        d.friendlyName = "Kestrel Studio 200";
        d.captureCard = true;
        return {d};
    }
    std::unique_ptr<ZRGraphNode> createNode(ZRDeviceCategory, const std::string&) override {
        return nullptr;
    }
};

void registerKestrel() {
    static const bool done = [] {
        ZRDeviceRegistry::instance().add(std::make_shared<KestrelBackend>());
        return true;
    }();
    (void)done;
}

/// The main window's answer for the browser's selection.
class BrowserHub : public rendertest::RecordingHub {
public:
    QString selected;
    QString selectedBrowserFile() override { return selected; }
};

int rowStartingWith(ZRComboBox* box, const QString& text) {
    for (int i = 0; i < box->count(); ++i)
        if (box->itemText(i).startsWith(text)) return i;
    return -1;
}

class CameraPageTest : public ::testing::Test {
protected:
    void SetUp() override {
        useShellSkin();
        livecam::camcorder();
        registerKestrel();
        appState().hub = &hub;
        appState().formatIndex = 0;
        QFile file(dir.filePath(QStringLiteral("clip.avi")));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("x");
        hub.selected = file.fileName();
        timeline = std::make_unique<dvfake::DVFakeTimeline>(true, 50);
        page = std::make_unique<ZRExportCameraView>(nullptr, "ZRExportCameraView");
        page->setTimeline(timeline.get());
        page->resize(400, 300);
    }
    void TearDown() override {
        page.reset();
        appState().hub = nullptr;
        appState().formatIndex = 3;
    }
    void select(const QString& label) {
        const int row = rowStartingWith(page->deviceBox(), label);
        ASSERT_GT(row, 0) << label.toStdString();
        page->deviceBox()->setCurrentIndex(row);
        page->slotVideoDeviceSelected(row);
    }

    QTemporaryDir dir;
    BrowserHub hub;
    std::unique_ptr<dvfake::DVFakeTimeline> timeline;
    std::unique_ptr<ZRExportCameraView> page;
};

} // namespace cameratest

using namespace cameratest;

TEST_F(CameraPageTest, CmdToTimelineTranslatesInTimelineModeOnly) {
    QSignalSpy spy(page.get(), &ZRExportCameraView::timelineModeDeviceCommand);
    page->slotSourceModeSelect(0);
    struct Row {
        long code, operand, emitted; ///< 0: nothing
    };
    const Row rows[] = {
        {0x30C2, 0x75, 4302},
        {0x30C2, 0x7D, 4904},
        {0x30C3, 0x30, 4304},
        {0x30C3, 0x31, 5030},
        {0x30C3, 0x38, 4296},
        {0x30C3, 0x75, 4296},
        {0x30C3, 0x3F, 5029},
        {0x30C3, 0x40, 4905},
        {0x30C3, 0x41, 5032},
        {0x30C3, 0x48, 5035},
        {0x30C3, 0x65, 5035},
        {0x30C3, 0x4F, 5031},
        {0x30C3, 0x6D, 4298},
        {0x30C3, 0x7D, 4298},
        {0x30C4, 0x45, 5034},
        {0x30C4, 0x60, 4297},
        {0x30C4, 0x65, 4301},
        {0x30C4, 0x75, 4300},
        // Codes below 12288 with operand 0 pass unchanged; the rest is dropped.
        {4296, 0, 4296},
        {12287, 0, 12287},
        {4296, 5, 0},
        {0x30C1, 0x60, 0},
        {0x30C3, 0x99, 0},
        {0x30C5, 0x75, 0},
        {0x3004, 0, 0},
    };
    for (const Row& r : rows) {
        spy.clear();
        page->slotCmdToTimeline(r.code, r.operand);
        if (r.emitted == 0) {
            EXPECT_EQ(spy.count(), 0) << std::hex << r.code << " " << r.operand;
        } else {
            ASSERT_EQ(spy.count(), 1) << std::hex << r.code << " " << r.operand;
            EXPECT_EQ(spy.at(0).at(0).value<long>(), r.emitted);
        }
    }
    page->slotSourceModeSelect(1);
    spy.clear();
    page->slotCmdToTimeline(0x30C3, 0x75);
    page->slotCmdToTimeline(4296, 0);
    EXPECT_EQ(spy.count(), 0);
}

TEST_F(CameraPageTest, DeviceNamesAndPlaybackKinds) {
    struct Row {
        int32_t family, model;
        const char* friendly;
        const char* vendor;
        const char* label;
        long kind;
    };
    const Row rows[] = {
        {2, 2, "DV Camcorder", "Sony", "DV CAM/VCR - Sony", 0x002},
        {4, 16, "Brackwell USB 2 Box", "", "Brackwell USB 2.0", 0x252},
        {4, 32, "Kestrel Studio 250", "", "Brackwell USB 2.0", 0x202},
        {4, 64, "Kestrel Studio 200", "", "Kestrel 200", 0x202},
        {4, 128, "Wren Deck 150", "", "Wren 150", 0x202},
        {4, 16, "Wren Deck 100", "", "Wren 100", 0x252},
        {4, 32, "kestrel studio 200", "", "Kestrel 200 / Wren 100", 0x202},
        {4, 1024, "USB-PLM2", "", "USB-PLM", 0x022},
        {4, 512, "Card", "", "MPEG Capture", 0x202},
        {16, 512, "Wren 80", "", "Unknown Device", 0x002},
    };
    for (const Row& r : rows) {
        VidCapDevInfo record;
        record.familyMask = r.family;
        record.modelMask = r.model;
        record.friendlyName = QString::fromLatin1(r.friendly);
        record.vendorName = QString::fromLatin1(r.vendor);
        EXPECT_EQ(ZRExportCameraView::deviceLabel(record), QString::fromLatin1(r.label))
            << r.friendly;
        EXPECT_EQ(ZRExportCameraView::playbackKind(record), r.kind) << r.friendly;
    }
}

TEST_F(CameraPageTest, BrowserModePlaysTheSelectedFileThroughTheDevicesKind) {
    PlaybackMakers makers;
    page->show();
    ASSERT_GT(page->deviceBox()->count(), 2);
    EXPECT_EQ(page->deviceBox()->itemText(0), QStringLiteral("-Select Device-"));
    select(QStringLiteral("DV CAM/VCR"));
    EXPECT_EQ(page->deviceName(), livecam::deviceName());
    EXPECT_EQ(page->captureType(), 2);
    EXPECT_TRUE(page->isBrowserMode());
    page->slotPBStart();
    ASSERT_TRUE(page->isPlaying());
    ASSERT_FALSE(gBuilt.empty());
    EXPECT_EQ(gBuilt.back().kind, 0x002);
    EXPECT_EQ(gBuilt.back().device, livecam::deviceName());
    EXPECT_EQ(gBuilt.back().file, hub.selected);
    EXPECT_EQ(page->factory()->graphState().value_or(-1), 2);
    page->slotPBStop();
    EXPECT_FALSE(page->isPlaying());

    select(QStringLiteral("Kestrel 200"));
    EXPECT_EQ(page->captureType(), 4);
    EXPECT_FALSE(page->timelineButton()->isEnabled());
    page->slotPBStart();
    EXPECT_EQ(gBuilt.back().kind, 0x202);
    EXPECT_EQ(gBuilt.back().device, QStringLiteral("v4l2:simulated-kestrel"));
    EXPECT_EQ(page->factory()->captureSettings()[0], 4) << "DV format sent as code 4";
    EXPECT_EQ(page->factory()->captureSettings()[13], 44100);
    page->slotPBStop();

    // An empty browser selection plays nothing.
    hub.selected.clear();
    gBuilt.clear();
    page->slotPBStart();
    EXPECT_FALSE(page->isPlaying());
    EXPECT_TRUE(gBuilt.empty());
    page->hide();
    EXPECT_EQ(page->factory(), nullptr);
}

TEST_F(CameraPageTest, VanishedDeviceFallsBackToSelectDevice) {
    page->show();
    select(QStringLiteral("DV CAM/VCR"));
    livecam::camcorder().unplug();
    page->slotResetDeviceList();
    livecam::camcorder().plugIn();
    EXPECT_EQ(page->deviceBox()->currentIndex(), 0);
    EXPECT_EQ(page->deviceBox()->currentText(), QStringLiteral("-Select Device-"));
    EXPECT_TRUE(page->deviceName().isEmpty());
    EXPECT_EQ(page->captureType(), 0);
}

TEST_F(CameraPageTest, SelectionWhilePlayingKeepsThePlayingDevice) {
    PlaybackMakers makers;
    page->show();
    select(QStringLiteral("DV CAM/VCR"));
    const int playing = page->deviceBox()->currentIndex();
    page->slotPBStart();
    ASSERT_TRUE(page->isPlaying());
    select(QStringLiteral("Kestrel 200"));
    EXPECT_EQ(page->deviceBox()->currentIndex(), playing);
    EXPECT_EQ(page->deviceName(), livecam::deviceName());
    page->slotPBStop();
}

TEST_F(CameraPageTest, TimelineStaysOffForFormatsOneToFour) {
    page->show();
    for (int format : {0, 1, 2, 3, 4}) {
        appState().formatIndex = format;
        select(QStringLiteral("DV CAM/VCR"));
        EXPECT_EQ(page->timelineButton()->isEnabled(), format == 0) << format;
        page->adaptToFormat(format);
        EXPECT_EQ(page->timelineButton()->isEnabled(), format == 0) << format;
        EXPECT_TRUE(page->browserButton()->isEnabled());
    }
    appState().formatIndex = 0;
    timeline->endPosition()->assignFrames(0);
    page->adaptToFormat(0);
    EXPECT_FALSE(page->timelineButton()->isEnabled());
}

TEST_F(CameraPageTest, ShowsTheDeviceTimeCode) {
    page->slotShowTimeCode(0x01020304);
    EXPECT_NE(page->timeCodeBox(), nullptr);
    page->slotShowTimeCode(0x01020399); // no code: nothing changes, nothing breaks
}

// Timeline mode on the produce page: the live output opens on the chosen camcorder, the jog
// shuttle reaches it as AV/C and its transport state comes back through the query.
class CameraTimelineTest : public rendertest::RenderTest {
protected:
    void SetUp() override {
        RenderTest::SetUp();
        livecam::camcorder().setTransmitPacing(false);
        // A still clock: the tapeless camcorder would otherwise wind to its end at once.
        livecam::camcorder().setClock([] { return int64_t(0); });
        livecam::camcorder().setTransmitSink([this](std::span<const uint8_t> f) {
            ++frames;
            if (onFrame) onFrame(frames);
            (void)f;
        });
        appState().formatIndex = 0;
    }
    void TearDown() override {
        livecam::camcorder().setTransmitSink(nullptr);
        livecam::camcorder().setClock(nullptr);
        appState().formatIndex = 3;
        RenderTest::TearDown();
    }
    ZRExportCameraView* enterTimelineMode() {
        makeProject(100, 1, 25.0, 720, 576);
        view->show();
        view->tabBar()->setCurrentTab(ZRExportView::CameraTab);
        view->tabBarChanged(ZRExportView::CameraTab);
        ZRExportCameraView* camera = view->cameraPage();
        const int row = rowStartingWith(camera->deviceBox(), QStringLiteral("DV CAM/VCR"));
        EXPECT_GT(row, 0);
        camera->deviceBox()->setCurrentIndex(row);
        camera->slotVideoDeviceSelected(row);
        EXPECT_TRUE(camera->timelineButton()->isEnabled());
        camera->timelineButton()->click();
        return camera;
    }
    int frames = 0;
    std::function<void(int)> onFrame;
};

TEST_F(CameraTimelineTest, JogShuttleReachesTheCamcorderAndItsStateReturns) {
    ZRExportCameraView* camera = enterTimelineMode();
    ASSERT_NE(view->liveOutput(), nullptr);
    EXPECT_TRUE(view->liveOutput()->isOpen());
    EXPECT_EQ(frames, 1) << "the frame at position 0";
    EXPECT_TRUE(view->nativeDVQueryTimer()->isActive());
    EXPECT_EQ(view->nativeDVQueryTimer()->interval(), 1000);

    camera->remoteControl()->guiJogShuttle(4);
    EXPECT_EQ(livecam::camcorder().modeOpcode(), 0xC3);
    EXPECT_EQ(livecam::camcorder().modeOperand(), 0x3F);
    QSignalSpy states(view.get(), &ZRExportView::sigTimelineStateChanged);
    view->slotTimelineQuery();
    ASSERT_EQ(states.count(), 1);
    EXPECT_EQ(states.at(0).at(0).value<long>(), 5029);
    EXPECT_EQ(camera->remoteControl()->lastState(), 5029);
    camera->remoteControl()->guiJogShuttle(0);
    view->slotTimelineQuery();
    EXPECT_EQ(camera->remoteControl()->lastState(), 4298) << "the knob at rest pauses";

    view->tabBarChanged(ZRExportView::DiskTab);
    EXPECT_EQ(view->liveOutput(), nullptr);
    EXPECT_FALSE(view->nativeDVQueryTimer()->isActive());
}

// In timeline mode the slider sends the frame under the knob to the camcorder, and the range
// buttons take the live output's position.
TEST_F(CameraTimelineTest, SliderAndRangeButtonsFollowTheLiveOutput) {
    enterTimelineMode(); // 100 frames: the last is 99
    ASSERT_NE(view->liveOutput(), nullptr);
    ASSERT_EQ(frames, 1);
    view->gotoPosition(50.0 / 99.0, view->slider());
    EXPECT_EQ(frames, 2);
    EXPECT_EQ(view->liveOutput()->position()->toFrames(), 50.0);
    view->slotMarkOutClicked();
    EXPECT_EQ(view->markOutPosition()->toFrames(), 50.0);
    view->gotoPosition(25.0 / 99.0, view->slider());
    EXPECT_EQ(frames, 3);
    view->slotMarkInClicked();
    EXPECT_EQ(view->markInPosition()->toFrames(), 25.0);
    EXPECT_NEAR(view->slider()->markIn(), 25.0 / 99.0, 1e-9);
    EXPECT_NEAR(view->slider()->markOut(), 1.0 - 50.0 / 99.0, 1e-9);
    // Past mark-out the position is no mark-in.
    view->gotoPosition(0.75, view->slider());
    view->slotMarkInClicked();
    EXPECT_EQ(view->markInPosition()->toFrames(), 25.0);
}

// The camera video widget lies over the camera page (both in the preview's place): clicks on
// the page's device list and buttons still reach them.
TEST_F(CameraTimelineTest, ClicksReachTheCameraPageUnderItsVideoWidget) {
    makeProject(10, 1, 25.0, 720, 576);
    view->show();
    view->tabBar()->setCurrentTab(ZRExportView::CameraTab);
    view->tabBarChanged(ZRExportView::CameraTab);
    ZRExportCameraView* camera = view->cameraPage();
    for (QWidget* target : {static_cast<QWidget*>(camera->deviceBox()),
                            static_cast<QWidget*>(camera->timelineButton())}) {
        const QPoint centre = target->mapTo(view.get(), target->rect().center());
        QWidget* hit = view->childAt(centre);
        EXPECT_TRUE(hit == target || (hit && target->isAncestorOf(hit)))
            << target->objectName().toStdString() << " is covered by "
            << (hit ? hit->objectName().toStdString() : std::string("nothing"));
    }
}

// A tab change or hide() while the timeline plays to the camcorder stops the play; the live
// output goes only after the play loop returned.
TEST_F(CameraTimelineTest, TabChangeAndHideDuringPlayStopThenDelete) {
    for (int way = 0; way < 2; ++way) {
        SCOPED_TRACE(way);
        enterTimelineMode();
        ASSERT_NE(view->liveOutput(), nullptr);
        onFrame = [&](int n) {
            if (n != 20) return;
            QTimer::singleShot(0, view.get(), [&, way] {
                if (way == 0)
                    view->tabBarChanged(ZRExportView::DiskTab);
                else
                    view->hide();
            });
        };
        frames = 0;
        view->transportButton(ZRExportView::Play)->setChecked(true);
        onFrame = nullptr;
        EXPECT_EQ(view->liveOutput(), nullptr);
        EXPECT_LT(frames, 60);
        EXPECT_FALSE(appState().exportRunning.load());
        EXPECT_FALSE(appState().stopRequested.load());
        EXPECT_FALSE(view->transportButton(ZRExportView::Play)->isChecked());
    }
}
