#pragma once

#include "platform/graph/ZRGraphNode.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

/// The device categories the capture layer enumerates.
enum class ZRDeviceCategory { VideoInput, AudioInput, VideoCompressor };

/// An external transport's device identity and capabilities (a camcorder or deck).
struct ZRExternalDevice {
    /// The 64-bit device ID as the device gives it (bytes in the bus's order).
    uint64_t id = 0;
    std::string version;
    int32_t port = 0;
    int32_t deviceType = 0;
    int32_t hasAudio = 0;
    int32_t hasVideo = 0;
    int32_t normalRate = 0;
};

/// An external transport's basic parameters.
struct ZRExternalTransport {
    int32_t inputSignal = 0;
    int32_t outputSignal = 0;
};

/// One device as a backend offers it: the names a device list shows and, for external
/// transports, their identity.
struct ZRDeviceDescriptor {
    std::string displayName;
    std::string friendlyName;
    std::string devicePath;
    std::string description;
    std::optional<ZRExternalDevice> device;
    std::optional<ZRExternalTransport> transport;
    /// A capture card, never an IEEE 1394 camcorder: the camcorders' names do not classify it.
    bool captureCard = false;
    /// A capture card whose every format is a compressed MPEG stream (a hardware encoder).
    bool mpegOnly = false;
};

/// A family of devices (IEEE 1394 cameras, V4L2 nodes, simulated ones): it lists its devices
/// and makes the graph node of one. Thread-safety: called under the registry's lock.
class IZRDeviceBackend {
public:
    virtual ~IZRDeviceBackend() = default;
    virtual std::vector<ZRDeviceDescriptor> devices(ZRDeviceCategory category) = 0;
    /// The node of the device with `displayName`; null when the backend has none such.
    virtual std::unique_ptr<ZRGraphNode> createNode(ZRDeviceCategory category,
                                                    const std::string& displayName) = 0;
};

/// The one registry of device backends, in the order they were added.
/// Thread-safety: every operation locks the registry.
class ZRDeviceRegistry {
public:
    static ZRDeviceRegistry& instance();

    void add(std::shared_ptr<IZRDeviceBackend> backend);
    /// Takes a backend out; false when it was not in.
    bool remove(const IZRDeviceBackend* backend);
    /// The devices of every backend, backend by backend.
    std::vector<ZRDeviceDescriptor> devices(ZRDeviceCategory category) const;
    /// The node of the first device named `displayName`; null when none makes one.
    std::unique_ptr<ZRGraphNode> createNode(ZRDeviceCategory category,
                                            const std::string& displayName) const;

private:
    mutable std::mutex m_mutex;
    std::vector<std::shared_ptr<IZRDeviceBackend>> m_backends;
};
