#include "platform/dvdevice/ZRDVDevice.h"

#include "platform/ieee1394/ZRAvcCommands.h"
#include "platform/ieee1394/ZRIeee1394Backend.h"

#include <cstring>
#include <span>
#include <vector>

namespace {

constexpr const char* kAvcKey = "AVC";
constexpr int kFrame525 = 120000;
constexpr int kFrame625 = 144000;

} // namespace

std::unique_ptr<IZRDevice> IZRCreateDeviceInstance(int type) {
    if (type != ZRDeviceDVOutput) return nullptr;
    return std::make_unique<ZRDVDevice>();
}

ZRDVDevice::~ZRDVDevice() {
    close();
}

bool ZRDVDevice::open(const char*, void* params) {
    close();
    const auto* p = static_cast<const ZRDeviceOpenParams*>(params);
    if (!p || (p->frameSize != kFrame525 && p->frameSize != kFrame625)) return false;
    const uint64_t guid = zr1394GuidFromText(p->deviceName.toStdString());
    if (guid == 0) return false;
    auto bus = zrieee1394::busOfNode(guid);
    if (!bus) return false;
    m_bus = std::move(bus);
    m_guid = guid;
    m_frameSize = p->frameSize;
    return true;
}

void ZRDVDevice::setValue(const char* key, long* value) {
    if (!m_bus || !key || !value || std::strcmp(key, kAvcKey) != 0) return;
    const zravc::Request request = zravc::request(*value, 0, m_frameSize == kFrame525);
    if (request.kind != zravc::Request::Kind::Command) return;
    std::vector<uint8_t> reply;
    m_bus->transact(m_guid, request.frame, &reply);
}

bool ZRDVDevice::getValue(const char* key, long* out) {
    if (!m_bus || !key || !out || std::strcmp(key, kAvcKey) != 0) return false;
    const zravc::Frame request = zravc::transportStateRequest();
    std::vector<uint8_t> reply;
    if (m_bus->transact(m_guid, request, &reply) != ZR1394Status::Ok) return false;
    long state = 0, parameter = 0;
    if (!zravc::transportState(reply, &state, &parameter)) return false;
    *out = zravc::modeCode(state, parameter);
    return true;
}

bool ZRDVDevice::write(const void* data, int size) {
    if (!m_bus || !data || (size != kFrame525 && size != kFrame625)) return false;
    const std::span<const uint8_t> frame(static_cast<const uint8_t*>(data), size_t(size));
    // The header block's DSF bit, not the size asked for at open, decides the system.
    const bool pal = (frame[3] & 0x80) != 0;
    if (pal != (size == kFrame625)) return false;
    if (m_transmitSize != size) {
        if (m_transmitSize != 0) m_bus->stopTransmit(m_guid);
        m_transmitSize = 0;
        if (!m_bus->startTransmit(m_guid, pal)) return false;
        m_transmitSize = size;
    }
    return m_bus->transmit(m_guid, frame);
}

void ZRDVDevice::close() {
    if (!m_bus) return;
    if (m_transmitSize != 0) m_bus->stopTransmit(m_guid);
    m_transmitSize = 0;
    m_bus.reset();
    m_guid = 0;
    m_frameSize = 0;
}

int64_t ZRDVDevice::repeatedFrames() const {
    return m_bus ? m_bus->repeatedFrames(m_guid) : 0;
}
