#pragma once

#include "platform/graph/ZRDeviceRegistry.h"
#include "platform/v4l2/ZRV4l2SimDevice.h"

#include <memory>
#include <mutex>
#include <string>
#include <vector>

/// The device backends of capture cards and sound capture: the machine's V4L2 nodes and ALSA
/// capture devices, and the simulated ones (`CLIPSTEAD_SIMULATED_DEVICES=1`).
///
/// A card's record: display name its node's stable name (its /dev/v4l/by-path link, else the
/// node), friendly name the card, path the bus, description the driver. Video compressors are
/// the AVI writer's. Output nodes are not listed: the playback paths open the output of the
/// card they name with `openOutput`.
namespace zrv4l2 {

/// The machine's devices.
class ZRV4l2Backend final : public IZRDeviceBackend {
public:
    std::vector<ZRDeviceDescriptor> devices(ZRDeviceCategory category) override;
    std::unique_ptr<ZRGraphNode> createNode(ZRDeviceCategory category,
                                            const std::string& displayName) override;
};

/// Simulated devices: each card is a `SimDevice` the backend keeps (so tests reach what it
/// received); every node made for it talks to that one device.
/// Thread-safety: a mutex guards the list.
class ZRSimulatedBackend final : public IZRDeviceBackend {
public:
    ZRSimulatedBackend();
    ~ZRSimulatedBackend() override;
    /// The output of the card `displayName` of any simulated backend alive, or null.
    static std::shared_ptr<SimDevice> anyOutput(const std::string& displayName);

    /// Adds a card under `displayName`; its node opens the device returned.
    std::shared_ptr<SimDevice> addCard(const std::string& displayName, SimConfig config);
    /// Adds an output of the card `displayName`.
    std::shared_ptr<SimDevice> addOutput(const std::string& displayName, SimConfig config);
    /// Adds a sound capture device giving a tone at `pace` times real time.
    void addSound(const std::string& name, double pace = 1.0);
    std::shared_ptr<SimDevice> card(const std::string& displayName) const;
    std::shared_ptr<SimDevice> output(const std::string& displayName) const;

    std::vector<ZRDeviceDescriptor> devices(ZRDeviceCategory category) override;
    std::unique_ptr<ZRGraphNode> createNode(ZRDeviceCategory category,
                                            const std::string& displayName) override;

private:
    struct Card {
        std::string displayName;
        SimConfig config;
        std::shared_ptr<SimDevice> device;
        std::shared_ptr<SimDevice> output;
    };
    mutable std::mutex m_mutex;
    std::vector<Card> m_cards;
    std::vector<std::pair<std::string, double>> m_sounds;
};

/// A node over a shared device (the simulated backend's, whose device outlives the node).
std::unique_ptr<IZRV4l2Io> shareDevice(std::shared_ptr<IZRV4l2Io> device);

/// The output device of the card named `displayName` (a simulated card's output, or the
/// machine's first V4L2 output node on the same bus); null when it has none.
std::unique_ptr<IZRV4l2Io> openOutput(const std::string& displayName);

/// The simulated backend registered by `registerSimulatedDevices`, or null.
std::shared_ptr<ZRSimulatedBackend> simulatedBackend();
/// Registers the simulated devices once: a PAL TV card with three inputs and a tuner
/// ("Simulated TV Card"), an MPEG encoder ("Simulated MPEG Encoder") with its output, and a
/// sound capture device ("Simulated Line In").
void registerSimulatedDevices();
/// Registers the machine's devices once.
void registerDevices();

} // namespace zrv4l2
