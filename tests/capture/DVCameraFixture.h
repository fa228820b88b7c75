#pragma once

#include "capture/ZRGraphBase.h"
#include "platform/graph/ZRDeviceRegistry.h"
#include "platform/ieee1394/ZRGeneratedTape.h"
#include "platform/ieee1394/ZRIeee1394Backend.h"
#include "platform/ieee1394/ZRSimulatedCamcorder.h"
#include "tests/support/GuiApplication.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QThread>

#include <functional>
#include <memory>

/// A simulated DV camcorder on its own bus, registered for the fixture's lifetime, with a
/// graph wrapper and a temporary folder.
namespace capturetest {

inline constexpr uint64_t kCameraGuid = 0x0800460001C0FFEEull;
inline const char* const kCameraName = "ieee1394:0800460001C0FFEE";

/// A 250-frame PAL tape, made once.
inline const zrieee1394::ZRSimulatedCamcorder::Frames& tape250() {
    static const auto tape = zrieee1394::generatedTape(250, false);
    return tape;
}

struct DVCameraFixture {
    explicit DVCameraFixture(zrieee1394::ZRSimulatedCamcorder::Frames tape = tape250()) {
        testsupport::guiApplication();
        camera = std::make_shared<zrieee1394::ZRSimulatedCamcorder>(kCameraGuid, "Sony DCR-PC",
                                                                    std::move(tape));
        camera->setFreeRunning(true);
        // A few times real time; a capture also gates the camera on its writer's queue, so a
        // writer slowed by instrumentation or by tests side by side drops nothing.
        camera->setFreeRunningPeriod(std::chrono::milliseconds(5));
        backend = std::make_shared<zrieee1394::ZRIeee1394Backend>(camera);
        ZRDeviceRegistry::instance().add(backend);
        base.buildGraph();
    }
    ~DVCameraFixture() {
        base.destroyGraph();
        ZRDeviceRegistry::instance().remove(backend.get());
    }
    std::string path(const char* name) const { return dir.filePath(name).toStdString(); }

    /// Runs the event loop until `done` holds or `ms` passed; false on the time-out.
    static bool waitFor(const std::function<bool()>& done, int ms = 20000) {
        QElapsedTimer timer;
        timer.start();
        while (!done()) {
            if (timer.elapsed() > ms) return false;
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            QThread::msleep(2);
        }
        QCoreApplication::processEvents();
        return true;
    }

    QTemporaryDir dir;
    std::shared_ptr<zrieee1394::ZRSimulatedCamcorder> camera;
    std::shared_ptr<zrieee1394::ZRIeee1394Backend> backend;
    ZRGraphBase base;
};

} // namespace capturetest
