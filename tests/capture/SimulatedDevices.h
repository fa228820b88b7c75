#pragma once

#include "platform/graph/ZRDeviceRegistry.h"
#include "platform/graph/ZRGraphInterfaces.h"

#include <memory>
#include <utility>
#include <vector>

/// Devices without hardware for the capture tests: a backend that lists what it is given and
/// makes a plain device node with one output, a crossbar and an analog video decoder; it adds
/// itself to the registry for its lifetime.
namespace capturetest {

class SimulatedDeviceNode : public ZRGraphNode, public IZRCrossbar, public IZRAnalogVideoDecoder {
public:
    explicit SimulatedDeviceNode(const std::string& name) : ZRGraphNode(name) {
        addPin(ZRGraphPin::Direction::Output, "Capture", {"iavs", "dvvideo"});
    }
    // Inputs: 0 tuner (1), 1 composite (2), 2 S-Video (3), 3 line audio (4097, related to 1).
    void pinCounts(int* outputs, int* inputs) const override {
        *outputs = 2;
        *inputs = 4;
    }
    bool pinInfo(bool input, int index, int* related, int* type) const override {
        static const int kTypes[] = {1, 2, 3, 4097};
        static const int kRelated[] = {-1, 3, -1, 1};
        if (!input || index < 0 || index > 3) return false;
        *related = kRelated[index];
        *type = kTypes[index];
        return true;
    }
    bool canRoute(int output, int input) const override {
        // Output 0 takes video inputs, output 1 audio; the tuner routes nowhere.
        return input != 0 && (output == 0) == (input < 3);
    }
    ZRGraphResult route(int output, int input) override {
        routes.push_back({output, input});
        return kZRGraphOk;
    }
    ZRGraphResult setTVFormat(uint32_t standard) override {
        format = standard;
        return kZRGraphOk;
    }
    uint32_t tvFormat() const override { return format; }

    std::vector<std::pair<int, int>> routes;
    uint32_t format = 0;
};

class SimulatedBackend : public IZRDeviceBackend {
public:
    SimulatedBackend() = default;
    void add(ZRDeviceCategory category, ZRDeviceDescriptor d) {
        m_devices.push_back({category, std::move(d)});
    }
    std::vector<ZRDeviceDescriptor> devices(ZRDeviceCategory category) override {
        std::vector<ZRDeviceDescriptor> out;
        for (auto& [c, d] : m_devices)
            if (c == category) out.push_back(d);
        return out;
    }
    std::unique_ptr<ZRGraphNode> createNode(ZRDeviceCategory category,
                                            const std::string& displayName) override {
        for (auto& [c, d] : m_devices)
            if (c == category && d.displayName == displayName)
                return std::make_unique<SimulatedDeviceNode>(d.friendlyName);
        return nullptr;
    }

private:
    std::vector<std::pair<ZRDeviceCategory, ZRDeviceDescriptor>> m_devices;
};

/// Registers a backend for the scope.
class RegisteredBackend {
public:
    RegisteredBackend() : backend(std::make_shared<SimulatedBackend>()) {
        ZRDeviceRegistry::instance().add(backend);
    }
    ~RegisteredBackend() { ZRDeviceRegistry::instance().remove(backend.get()); }
    std::shared_ptr<SimulatedBackend> backend;
};

inline ZRDeviceDescriptor device(const char* display, const char* friendly) {
    ZRDeviceDescriptor d;
    d.displayName = display;
    d.friendlyName = friendly;
    return d;
}

} // namespace capturetest
