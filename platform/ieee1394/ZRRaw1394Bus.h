#pragma once

#include "platform/ieee1394/ZR1394Bus.h"

#include <map>
#include <memory>
#include <mutex>

namespace zrieee1394 {

/// The machine's IEEE 1394 buses over libraw1394 (firewire-core's /dev/fw*): nodes from each
/// port with their configuration ROM (librom1394) and AV/C subunits, AV/C transactions through
/// libavc1394 (which waits for the reply and retries), DV frames in through libiec61883's frame
/// interface and out through its DV transmitter after a CMP connection, each stream on a thread
/// of its own running raw1394_loop_iterate on a handle of its own. Bus resets are noticed by
/// those threads and by transactions (a changed generation fails the command in flight); a
/// receiving or sending node missing after a reset is reported lost.
/// Thread-safety: as `IZR1394Bus`; the control handles are used under one mutex.
class ZRRaw1394Bus final : public IZR1394Bus {
public:
    /// Null when libraw1394 gives no handle (no IEEE 1394 support in the kernel).
    static std::shared_ptr<ZRRaw1394Bus> open();
    ~ZRRaw1394Bus() override;

    /// The number of ports (adapters) found.
    int portCount() const { return m_ports; }

    std::vector<ZR1394Node> nodes() override;
    ZR1394Status transact(uint64_t guid, std::span<const uint8_t> request,
                          std::vector<uint8_t>* reply) override;
    bool startReceive(uint64_t guid, FrameSink sink) override;
    void stopReceive(uint64_t guid) override;
    bool startTransmit(uint64_t guid, bool pal) override;
    bool transmit(uint64_t guid, std::span<const uint8_t> frame) override;
    void stopTransmit(uint64_t guid) override;
    int64_t repeatedFrames(uint64_t guid) override;
    int addNoticeSink(NoticeSink sink) override;
    void removeNoticeSink(int id) override;

    struct Stream;
    /// Sends a notice to every sink (stream threads call it).
    void notice(Notice what, uint64_t guid);
    /// The port and node id of `guid` now; false when it is on no port.
    bool locate(uint64_t guid, int* port, int* node);

private:
    ZRRaw1394Bus() = default;

    int m_ports = 0;
    std::mutex m_mutex; // the control handles
    std::vector<void*> m_handles;
    std::mutex m_streamMutex;
    std::map<uint64_t, std::unique_ptr<Stream>> m_receivers;
    std::map<uint64_t, std::unique_ptr<Stream>> m_transmitters;
    /// The repeat counts of transmissions stopped since, by GUID.
    std::map<uint64_t, int64_t> m_lastRepeats;
    std::mutex m_noticeMutex;
    std::map<int, NoticeSink> m_noticeSinks;
    int m_nextNotice = 1;
};

} // namespace zrieee1394
