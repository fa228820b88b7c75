#include "platform/ieee1394/ZRIeee1394Backend.h"

#include "platform/ieee1394/ZRDVCameraNode.h"
#include "platform/ieee1394/ZRGeneratedTape.h"
#include "platform/ieee1394/ZRRaw1394Bus.h"
#include "platform/ieee1394/ZRSimulatedCamcorder.h"

#include <cstdio>
#include <mutex>

std::string zr1394GuidText(uint64_t guid) {
    char text[17];
    std::snprintf(text, sizeof text, "%016llX", static_cast<unsigned long long>(guid));
    return text;
}

uint64_t zr1394GuidFromText(std::string_view text) {
    if (text.starts_with(zrieee1394::kDisplayNamePrefix))
        text.remove_prefix(std::string_view(zrieee1394::kDisplayNamePrefix).size());
    if (text.size() != 16) return 0;
    uint64_t guid = 0;
    for (const char c : text) {
        int v = -1;
        if (c >= '0' && c <= '9') v = c - '0';
        if (c >= 'A' && c <= 'F') v = c - 'A' + 10;
        if (c >= 'a' && c <= 'f') v = c - 'a' + 10;
        if (v < 0) return 0;
        guid = guid << 4 | uint64_t(v);
    }
    return guid;
}

namespace zrieee1394 {

ZRIeee1394Backend::ZRIeee1394Backend(std::shared_ptr<IZR1394Bus> bus) : m_bus(std::move(bus)) {}

std::vector<ZRDeviceDescriptor> ZRIeee1394Backend::devices(ZRDeviceCategory category) {
    std::vector<ZRDeviceDescriptor> out;
    if (category != ZRDeviceCategory::VideoInput) return out;
    for (const ZR1394Node& node : m_bus->nodes()) {
        if (!node.tape && !node.camera) continue;
        ZRDeviceDescriptor d;
        d.displayName = kDisplayNamePrefix + zr1394GuidText(node.guid);
        d.friendlyName = node.label.empty() ? "DV Camcorder" : node.label;
        d.description = "IEEE 1394 DV device";
        ZRExternalDevice device;
        // The records reverse the ID's bytes; handing it reversed leaves them the GUID.
        device.id = __builtin_bswap64(node.guid);
        device.port = 8;
        device.deviceType = node.tape ? 4104 : 4996;
        device.hasAudio = device.hasVideo = device.normalRate = 1;
        d.device = device;
        d.transport = ZRExternalTransport{};
        out.push_back(std::move(d));
    }
    return out;
}

std::unique_ptr<ZRGraphNode> ZRIeee1394Backend::createNode(ZRDeviceCategory category,
                                                           const std::string& displayName) {
    if (category != ZRDeviceCategory::VideoInput || !displayName.starts_with(kDisplayNamePrefix))
        return nullptr;
    const uint64_t guid = zr1394GuidFromText(displayName);
    for (const ZR1394Node& node : m_bus->nodes())
        if (node.guid == guid && (node.tape || node.camera))
            return std::make_unique<ZRDVCameraNode>(m_bus, guid, node.label);
    return nullptr;
}

namespace {

std::mutex& busesMutex() {
    static std::mutex m;
    return m;
}

std::vector<std::shared_ptr<IZR1394Bus>>& buses() {
    static std::vector<std::shared_ptr<IZR1394Bus>> b;
    return b;
}

} // namespace

void registerBusBackend(std::shared_ptr<IZR1394Bus> bus) {
    {
        std::lock_guard lock(busesMutex());
        buses().push_back(bus);
    }
    ZRDeviceRegistry::instance().add(std::make_shared<ZRIeee1394Backend>(std::move(bus)));
}

std::shared_ptr<IZR1394Bus> busOfNode(uint64_t guid) {
    std::vector<std::shared_ptr<IZR1394Bus>> all;
    {
        std::lock_guard lock(busesMutex());
        all = buses();
    }
    for (const auto& bus : all)
        for (const ZR1394Node& node : bus->nodes())
            if (node.guid == guid) return bus;
    return nullptr;
}

bool registerBus() {
    static std::once_flag once;
    static bool registered = false;
    std::call_once(once, [] {
        auto bus = ZRRaw1394Bus::open();
        if (!bus) return;
        registerBusBackend(std::move(bus));
        registered = true;
    });
    return registered;
}

std::shared_ptr<ZRSimulatedCamcorder> registerSimulatedCamcorder() {
    static std::once_flag once;
    static std::shared_ptr<ZRSimulatedCamcorder> camcorder;
    std::call_once(once, [] {
        camcorder = std::make_shared<ZRSimulatedCamcorder>(
            0x0800460001C0FFEEull, "Simulated DV Camcorder", generatedTape(250, false));
        registerBusBackend(camcorder);
    });
    return camcorder;
}

} // namespace zrieee1394
