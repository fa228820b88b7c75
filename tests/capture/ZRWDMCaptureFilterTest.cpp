#include "capture/ZRWDMCaptureFilter.h"
#include "capture/ZRDeviceInfo.h"
#include "platform/ieee1394/ZRAvcCommands.h"
#include "tests/capture/DVCameraFixture.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

using capturetest::DVCameraFixture;
using Fault = zrieee1394::ZRSimulatedCamcorder::Fault;

namespace {

struct FilterFixture : DVCameraFixture {
    FilterFixture() : DVCameraFixture(zrieee1394::generatedTape(60, false)) {
        filter = new ZRWDMCaptureFilter(&base);
        filter->setDeviceName(capturetest::kCameraName);
        // Built without its poll timer: the tests tick by hand.
        EXPECT_EQ(filter->addFilters(), kZRGraphOk);
    }
    ~FilterFixture() { delete filter; }
    /// Sends a request and waits until the camera got it and its outcome came back.
    void request(long state, long parameter) {
        const size_t before = camera->requests().size();
        filter->setState(state, parameter);
        waitFor([&] { return camera->requests().size() > before; }, 2000);
        waitFor([] { return false; }, 30);
    }
    /// One poll tick, waited for.
    void tick() {
        filter->doTimer();
        waitFor([&] { return !filter->isPollPending(); }, 2000);
    }
    ZRWDMCaptureFilter* filter = nullptr;
};

} // namespace

TEST(WDMCaptureFilter, FindsTheCameraAsAFamilyTwoDevice) {
    FilterFixture f;
    EXPECT_EQ(f.filter->objectName(), "dshow wdm capture filter");
    EXPECT_EQ(f.base.captureFilter(), f.filter);
    ASSERT_TRUE(f.filter->deviceRecord());
    EXPECT_EQ(f.filter->familyMask(), 2);
    EXPECT_EQ(f.filter->modelMask(), 0x8); // "Sony"
    EXPECT_EQ(f.filter->deviceRecord()->portName, "IEEE 1394 Bus");
    EXPECT_EQ(f.filter->deviceRecord()->deviceTypeName, "Video Cassette Recorder");
    EXPECT_EQ(f.filter->streamTypeA, "iavs");
    EXPECT_EQ(f.base.graph()->node(f.filter->device())->name(), "WDM Capture");
    EXPECT_FALSE(f.filter->isPolling());
    EXPECT_EQ(f.filter->connectInternal(), kZRGraphOk);
    EXPECT_TRUE(f.filter->isPolling());
    EXPECT_EQ(f.filter->dvFormat(), ZRWDMCaptureFilter::kDVFormat625);
    f.filter->teardown();
    EXPECT_FALSE(f.filter->isPolling());
    EXPECT_EQ(f.filter->device(), 0u);
}

TEST(WDMCaptureFilter, RequestsReachTheCameraAsTheirCommands) {
    FilterFixture f;
    f.request(0x3001, 8); // speed 8: normal play
    f.request(0x3001, -8);
    f.request(4302, 0);               // RECORD only
    f.filter->setState(0x30C1, 0x61); // ignored: nothing sent
    f.request(0x3004, 0x00000110);
    const auto got = f.camera->requests();
    ASSERT_EQ(got.size(), 4u);
    EXPECT_EQ(got[0], (zravc::Frame{0x00, 0x20, 0xC3, 0x75}));
    EXPECT_EQ(got[1], (zravc::Frame{0x00, 0x20, 0xC3, 0x48}));
    EXPECT_EQ(got[2], (zravc::Frame{0x00, 0x20, 0xC2, 0x75}));
    EXPECT_EQ(got[3], (zravc::Frame{0x00, 0x20, 0x52, 0x20, 35, 0, 0, 0xFF}));
    EXPECT_EQ(f.camera->position(), 35);
    // A refused command leaves its failure as the last result.
    f.camera->setFault(Fault::Rejected, 1);
    f.request(4296, 0);
    EXPECT_EQ(f.filter->lastState(), -1);
    EXPECT_EQ(f.base.lastResult(), kZRGraphFail);
    f.request(4296, 0);
    EXPECT_EQ(f.base.lastResult(), kZRGraphOk);
    f.filter->setState(4299, 0); // accepted, no command
    EXPECT_EQ(f.base.lastResult(), kZRGraphFail);
}

TEST(WDMCaptureFilter, PollReportsStateTimeCodeAndFallback) {
    FilterFixture f;
    QSignalSpy states(f.filter, &ZRWDMCaptureFilter::stateChanged);
    QSignalSpy codes(f.filter, &ZRWDMCaptureFilter::timecodeChanged);
    QSignalSpy counts(f.filter, &ZRWDMCaptureFilter::framesDropped);
    f.request(0x3004, 0x00000110); // locate 00:00:01:10, paused there
    f.tick();                      // phase 1: state
    ASSERT_EQ(states.count(), 1);
    EXPECT_EQ(states[0][0].toLongLong(), 0x30C3);
    EXPECT_EQ(states[0][1].toLongLong(), 0x7D);
    EXPECT_EQ(counts.count(), 1);
    f.tick(); // phase 2: time code
    ASSERT_EQ(codes.count(), 1);
    EXPECT_EQ(codes[0][0].toLongLong(), 0x00000110);
    f.tick(); // state unchanged: no signal
    EXPECT_EQ(states.count(), 1);
    f.tick(); // time code unchanged
    EXPECT_EQ(codes.count(), 1);
    // A camera without a time-code reader is read by its track number.
    f.camera->setTimeCodeReader(false);
    f.request(0x3004, 0x00000201);
    f.tick();
    f.tick();
    ASSERT_EQ(codes.count(), 2);
    EXPECT_EQ(codes[1][0].toLongLong(), 0x00000201);
    // A code that is no BCD reads -1; a short reply changes nothing.
    f.camera->setTimeCodeReader(true);
    f.tick();
    f.camera->setFault(Fault::NonBcd, 1);
    f.tick();
    ASSERT_EQ(codes.count(), 3);
    EXPECT_EQ(codes[2][0].toLongLong(), -1);
    f.camera->setFault(Fault::Short, 3); // the state, the time code, its fallback
    f.tick();
    f.tick();
    EXPECT_EQ(states.count(), 1);
    EXPECT_EQ(codes.count(), 3);
    // A foreign answer to the state is refused too.
    f.request(4296, 0);
    f.camera->setFault(Fault::ForeignSubunit, 1);
    f.tick();
    EXPECT_EQ(states.count(), 1);
}

TEST(WDMCaptureFilter, CommandsReachTheSameCameraAfterABusReset) {
    FilterFixture f;
    f.camera->resetDuringNextTransaction();
    f.request(4296, 0);
    EXPECT_EQ(f.base.lastResult(), kZRGraphFail); // the command in flight failed
    EXPECT_EQ(f.camera->modeOpcode(), 0xC4);
    f.camera->resetBus();
    f.request(4296, 0);
    EXPECT_EQ(f.base.lastResult(), kZRGraphOk);
    EXPECT_EQ(f.camera->modeOpcode(), 0xC3);
    EXPECT_EQ(f.camera->modeOperand(), 0x75);
}

TEST(WDMCaptureFilter, ConnectionSettersReplaceTheLastOne) {
    FilterFixture f;
    QObject a, b;
    QSignalSpy spyA(&a, &QObject::objectNameChanged);
    EXPECT_TRUE(f.filter->setStateReceiver(&a, SLOT(deleteLater())));
    EXPECT_TRUE(f.filter->setStateReceiver(&b, SLOT(deleteLater())));
    EXPECT_FALSE(
        QObject::disconnect(f.filter, SIGNAL(stateChanged(long, long)), &a, SLOT(deleteLater())));
    EXPECT_TRUE(
        QObject::disconnect(f.filter, SIGNAL(stateChanged(long, long)), &b, SLOT(deleteLater())));
}
