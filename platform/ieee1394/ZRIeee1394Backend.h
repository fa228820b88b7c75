#pragma once

#include "platform/graph/ZRDeviceRegistry.h"
#include "platform/ieee1394/ZR1394Bus.h"

#include <memory>

namespace zrieee1394 {

class ZRSimulatedCamcorder;

/// The DV camcorders and decks of one IEEE 1394 bus as capture devices: every node with a tape
/// or camera subunit is a video input device named "ieee1394:" and its GUID, with the ROM's
/// label as friendly name (or "DV Camcorder" without one), the GUID as its external device ID
/// (reordered as the records expect), port 8 (the IEEE 1394 bus), device type 4104 (video
/// cassette recorder) for a tape subunit, else 4996 (camera). Its nodes are `ZRDVCameraNode`s.
/// Thread-safety: as the bus.
class ZRIeee1394Backend final : public IZRDeviceBackend {
public:
    explicit ZRIeee1394Backend(std::shared_ptr<IZR1394Bus> bus);

    const std::shared_ptr<IZR1394Bus>& bus() const { return m_bus; }
    std::vector<ZRDeviceDescriptor> devices(ZRDeviceCategory category) override;
    std::unique_ptr<ZRGraphNode> createNode(ZRDeviceCategory category,
                                            const std::string& displayName) override;

private:
    std::shared_ptr<IZR1394Bus> m_bus;
};

/// The display-name prefix of IEEE 1394 devices.
inline constexpr const char* kDisplayNamePrefix = "ieee1394:";

/// Adds a bus's devices to the device registry and the bus to those `busOfNode` searches.
void registerBusBackend(std::shared_ptr<IZR1394Bus> bus);
/// The registered bus with a node of `guid` on it now; null when none has.
std::shared_ptr<IZR1394Bus> busOfNode(uint64_t guid);

/// Adds the machine's IEEE 1394 buses (libraw1394) to the device registry; false when the
/// library cannot open a handle (no firewire support), which leaves the registry unchanged.
bool registerBus();
/// Adds a simulated camcorder with a generated ten-second PAL tape to the device registry,
/// once per process, and returns it.
std::shared_ptr<ZRSimulatedCamcorder> registerSimulatedCamcorder();

} // namespace zrieee1394
