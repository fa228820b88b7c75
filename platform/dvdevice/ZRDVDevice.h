#pragma once

#include "platform/dvdevice/IZRDevice.h"

#include <cstdint>
#include <memory>

class IZR1394Bus;

/// The DV output to a camcorder or deck on an IEEE 1394 bus: `open` finds the node of the
/// device name's GUID on a registered bus (the machine's, or the simulated camcorder); the
/// first frame written starts the bus's transmission in the system of the frame's DSF bit (a
/// frame of the other system restarts it); `write` blocks while the bus's queue of three frames
/// is full, which paces a caller at the frame rate. "AVC": set turns a transport code into the
/// AV/C tape command of the transport mapping and sends it; get asks the transport state and
/// gives its transport code (0 for a state without one).
/// Thread-safety: one thread at a time (the bus is safe on its own).
class ZRDVDevice final : public IZRDevice {
public:
    ZRDVDevice() = default;
    /// Closes the device.
    ~ZRDVDevice() override;

    bool open(const char* name, void* params) override;
    void setValue(const char* key, long* value) override;
    bool getValue(const char* key, long* out) override;
    bool write(const void* data, int size) override;
    void close() override;

    bool isOpen() const { return m_bus != nullptr; }
    uint64_t guid() const { return m_guid; }
    /// Frames the bus repeated since the transmission started.
    int64_t repeatedFrames() const;

private:
    std::shared_ptr<IZR1394Bus> m_bus;
    uint64_t m_guid = 0;
    int m_frameSize = 0;
    /// The system the transmission runs in: 0 none yet, else the frame size.
    int m_transmitSize = 0;
};
