#pragma once

// The simulated camcorder the output tests send to, on the bus list (and so in the device
// list) once per process.

#include "platform/ieee1394/ZRIeee1394Backend.h"
#include "platform/ieee1394/ZRSimulatedCamcorder.h"

#include <QString>

#include <memory>

namespace livecam {

inline constexpr uint64_t kGuid = 0x0800460001D00D01ull;

inline zrieee1394::ZRSimulatedCamcorder& camcorder() {
    static std::shared_ptr<zrieee1394::ZRSimulatedCamcorder> c = [] {
        auto made = std::make_shared<zrieee1394::ZRSimulatedCamcorder>(
            kGuid, "Live Output Camcorder", zrieee1394::ZRSimulatedCamcorder::Frames{});
        zrieee1394::registerBusBackend(made);
        return made;
    }();
    return *c;
}

inline QString deviceName() {
    return QStringLiteral("ieee1394:") + QString::fromStdString(zr1394GuidText(kGuid));
}

} // namespace livecam
