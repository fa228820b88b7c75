#include "platform/ieee1394/ZRRaw1394Bus.h"

#include "platform/segments/DvFrame.h"

#include <libavc1394/avc1394.h>
#include <libavc1394/rom1394.h>
#include <libiec61883/iec61883.h>
#include <libraw1394/raw1394.h>

#include <atomic>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <poll.h>
#include <thread>

namespace zrieee1394 {

namespace {

raw1394handle_t handleOf(void* h) {
    return static_cast<raw1394handle_t>(h);
}

constexpr nodeid_t kLocalBus = 0xFFC0;
constexpr size_t kDifBlock = 80;
constexpr size_t kTransmitQueue = 3;

// AV/C frames travel as quadlets whose first byte is the most significant.
std::vector<quadlet_t> toQuadlets(std::span<const uint8_t> bytes) {
    std::vector<quadlet_t> q((bytes.size() + 3) / 4, 0);
    for (size_t i = 0; i < bytes.size(); ++i)
        q[i / 4] |= quadlet_t(bytes[i]) << (24 - 8 * (i % 4));
    return q;
}

} // namespace

/// One stream (receive or transmit) on a handle and thread of its own.
struct ZRRaw1394Bus::Stream {
    ZRRaw1394Bus* bus = nullptr;
    uint64_t guid = 0;
    int port = 0;
    nodeid_t node = 0;
    raw1394handle_t handle = nullptr;
    iec61883_dv_fb_t receiver = nullptr;
    iec61883_dv_t transmitter = nullptr;
    int channel = -1, oplug = -1, iplug = -1, bandwidth = 0;
    bool sending = false;
    FrameSink sink;
    std::atomic<bool> quit{false};
    std::atomic<bool> reset{false};
    std::thread thread;
    // Transmit queue.
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<std::vector<uint8_t>> queue;
    std::vector<uint8_t> current;
    size_t offset = 0;
    int64_t repeats = 0;

    ~Stream() {
        quit = true;
        if (thread.joinable()) thread.join();
        if (receiver) iec61883_dv_fb_close(receiver);
        if (transmitter) iec61883_dv_close(transmitter);
        if (handle) {
            const nodeid_t local = raw1394_get_local_id(handle);
            if (channel >= 0) {
                if (sending)
                    iec61883_cmp_disconnect(handle, local, oplug, node, iplug, channel, bandwidth);
                else
                    iec61883_cmp_disconnect(handle, node, oplug, local, iplug, channel, bandwidth);
            }
            raw1394_destroy_handle(handle);
        }
    }

    static std::mutex& registryMutex() {
        static std::mutex m;
        return m;
    }
    // libiec61883 owns the handles' user data: the reset handler finds its stream here.
    static std::map<raw1394handle_t, Stream*>& registry() {
        static std::map<raw1394handle_t, Stream*> r;
        return r;
    }

    static int onReset(raw1394handle_t h, unsigned int generation) {
        raw1394_update_generation(h, generation);
        std::lock_guard lock(registryMutex());
        auto it = registry().find(h);
        if (it != registry().end()) it->second->reset = true;
        return 0;
    }

    static int onFrame(unsigned char* data, int length, int complete, void* opaque) {
        auto* s = static_cast<Stream*>(opaque);
        if (s->sink) s->sink(std::span<const uint8_t>(data, size_t(length)), complete != 0);
        return 0;
    }

    static int onTransmit(unsigned char* data, int blocks, unsigned int, void* opaque) {
        auto* s = static_cast<Stream*>(opaque);
        std::lock_guard lock(s->mutex);
        size_t need = size_t(blocks) * kDifBlock;
        while (need > 0) {
            if (s->offset >= s->current.size()) {
                // No new frame in time: the last one goes again, as a camera shows a still.
                if (!s->queue.empty()) {
                    s->current = std::move(s->queue.front());
                    s->queue.pop_front();
                    s->changed.notify_all();
                } else if (!s->current.empty()) {
                    ++s->repeats;
                }
                s->offset = 0;
                if (s->current.empty()) {
                    std::memset(data, 0, need);
                    return 0;
                }
            }
            const size_t n = std::min(need, s->current.size() - s->offset);
            std::memcpy(data, s->current.data() + s->offset, n);
            data += n;
            s->offset += n;
            need -= n;
        }
        return 0;
    }

    void loop() {
        const int fd = raw1394_get_fd(handle);
        while (!quit) {
            pollfd p{fd, POLLIN | POLLERR | POLLHUP | POLLPRI, 0};
            const int r = ::poll(&p, 1, 100);
            if (r > 0 && raw1394_loop_iterate(handle) < 0) break;
            if (reset.exchange(false)) {
                bus->notice(Notice::Reset, guid);
                int port = 0, nodeNow = 0;
                if (!bus->locate(guid, &port, &nodeNow)) {
                    bus->notice(Notice::Lost, guid);
                    break;
                }
            }
        }
    }
};

std::shared_ptr<ZRRaw1394Bus> ZRRaw1394Bus::open() {
    raw1394handle_t probe = raw1394_new_handle();
    if (!probe) return nullptr;
    std::shared_ptr<ZRRaw1394Bus> bus(new ZRRaw1394Bus);
    bus->m_ports = std::max(raw1394_get_port_info(probe, nullptr, 0), 0);
    raw1394_destroy_handle(probe);
    for (int port = 0; port < bus->m_ports; ++port)
        if (raw1394handle_t h = raw1394_new_handle_on_port(port)) bus->m_handles.push_back(h);
    return bus;
}

ZRRaw1394Bus::~ZRRaw1394Bus() {
    {
        std::lock_guard lock(m_streamMutex);
        m_receivers.clear();
        m_transmitters.clear();
    }
    for (void* h : m_handles)
        raw1394_destroy_handle(handleOf(h));
}

std::vector<ZR1394Node> ZRRaw1394Bus::nodes() {
    std::vector<ZR1394Node> out;
    std::lock_guard lock(m_mutex);
    for (void* hv : m_handles) {
        raw1394handle_t h = handleOf(hv);
        const int count = raw1394_get_nodecount(h);
        const nodeid_t local = raw1394_get_local_id(h);
        for (int n = 0; n < count; ++n) {
            const nodeid_t node = kLocalBus | nodeid_t(n);
            if (node == local) continue;
            rom1394_directory dir{};
            if (rom1394_get_directory(h, node, &dir) < 0) continue;
            ZR1394Node found;
            found.guid = rom1394_get_guid(h, node);
            if (dir.label) found.label = dir.label;
            if (rom1394_get_node_type(&dir) == ROM1394_NODE_TYPE_AVC) {
                found.tape = avc1394_check_subunit_type(h, node, AVC1394_SUBUNIT_TYPE_VCR) != 0;
                found.camera =
                    avc1394_check_subunit_type(h, node, AVC1394_SUBUNIT_TYPE_VIDEO_CAMERA) != 0;
            }
            rom1394_free_directory(&dir);
            out.push_back(std::move(found));
        }
    }
    return out;
}

bool ZRRaw1394Bus::locate(uint64_t guid, int* port, int* node) {
    std::lock_guard lock(m_mutex);
    for (size_t p = 0; p < m_handles.size(); ++p) {
        raw1394handle_t h = handleOf(m_handles[p]);
        const int count = raw1394_get_nodecount(h);
        for (int n = 0; n < count; ++n)
            if (rom1394_get_guid(h, kLocalBus | nodeid_t(n)) == guid) {
                *port = int(p);
                *node = kLocalBus | n;
                return true;
            }
    }
    return false;
}

ZR1394Status ZRRaw1394Bus::transact(uint64_t guid, std::span<const uint8_t> request,
                                    std::vector<uint8_t>* reply) {
    reply->clear();
    int port = 0, node = 0;
    if (request.empty() || !locate(guid, &port, &node)) return ZR1394Status::NodeGone;
    std::lock_guard lock(m_mutex);
    raw1394handle_t h = handleOf(m_handles[size_t(port)]);
    const unsigned int generation = raw1394_get_generation(h);
    std::vector<quadlet_t> q = toQuadlets(request);
    unsigned int length = 0;
    quadlet_t* answer =
        avc1394_transaction_block2(h, nodeid_t(node), q.data(), int(q.size()), &length, 2);
    // A reset in flight may have moved the node: the reply, if any, is not trusted.
    if (raw1394_get_generation(h) != generation) return ZR1394Status::Reset;
    if (!answer) return ZR1394Status::NoReply;
    for (unsigned int i = 0; i < length; ++i)
        for (int b = 0; b < 4; ++b)
            reply->push_back(uint8_t(answer[i] >> (24 - 8 * b)));
    avc1394_transaction_block_close(h);
    return ZR1394Status::Ok;
}

bool ZRRaw1394Bus::startReceive(uint64_t guid, FrameSink sink) {
    int port = 0, node = 0;
    if (!sink || !locate(guid, &port, &node)) return false;
    std::lock_guard lock(m_streamMutex);
    if (m_receivers.count(guid)) return false;
    auto s = std::make_unique<Stream>();
    s->bus = this;
    s->guid = guid;
    s->port = port;
    s->node = nodeid_t(node);
    s->sink = std::move(sink);
    s->handle = raw1394_new_handle_on_port(port);
    if (!s->handle) return false;
    {
        std::lock_guard r(Stream::registryMutex());
        Stream::registry()[s->handle] = s.get();
    }
    raw1394_set_bus_reset_handler(s->handle, &Stream::onReset);
    s->channel = iec61883_cmp_connect(s->handle, s->node, &s->oplug,
                                      raw1394_get_local_id(s->handle), &s->iplug, &s->bandwidth);
    // A device without plugs broadcasts on channel 63.
    const int channel = s->channel >= 0 ? s->channel : 63;
    s->receiver = iec61883_dv_fb_init(s->handle, &Stream::onFrame, s.get());
    if (!s->receiver || iec61883_dv_fb_start(s->receiver, channel) < 0) {
        std::lock_guard r(Stream::registryMutex());
        Stream::registry().erase(s->handle);
        return false;
    }
    Stream* raw = s.get();
    s->thread = std::thread([raw] { raw->loop(); });
    m_receivers[guid] = std::move(s);
    return true;
}

void ZRRaw1394Bus::stopReceive(uint64_t guid) {
    std::unique_ptr<Stream> s;
    {
        std::lock_guard lock(m_streamMutex);
        auto it = m_receivers.find(guid);
        if (it == m_receivers.end()) return;
        s = std::move(it->second);
        m_receivers.erase(it);
    }
    raw1394handle_t h = s->handle;
    s.reset();
    std::lock_guard r(Stream::registryMutex());
    Stream::registry().erase(h);
}

bool ZRRaw1394Bus::startTransmit(uint64_t guid, bool pal) {
    int port = 0, node = 0;
    if (!locate(guid, &port, &node)) return false;
    std::lock_guard lock(m_streamMutex);
    if (m_transmitters.count(guid)) return false;
    m_lastRepeats.erase(guid);
    auto s = std::make_unique<Stream>();
    s->bus = this;
    s->guid = guid;
    s->port = port;
    s->node = nodeid_t(node);
    s->sending = true;
    s->handle = raw1394_new_handle_on_port(port);
    if (!s->handle) return false;
    {
        std::lock_guard r(Stream::registryMutex());
        Stream::registry()[s->handle] = s.get();
    }
    raw1394_set_bus_reset_handler(s->handle, &Stream::onReset);
    s->channel = iec61883_cmp_connect(s->handle, raw1394_get_local_id(s->handle), &s->oplug,
                                      s->node, &s->iplug, &s->bandwidth);
    const int channel = s->channel >= 0 ? s->channel : 63;
    s->transmitter = iec61883_dv_xmit_init(s->handle, pal ? 1 : 0, &Stream::onTransmit, s.get());
    if (!s->transmitter || iec61883_dv_xmit_start(s->transmitter, channel) < 0) {
        std::lock_guard r(Stream::registryMutex());
        Stream::registry().erase(s->handle);
        return false;
    }
    Stream* raw = s.get();
    s->thread = std::thread([raw] { raw->loop(); });
    m_transmitters[guid] = std::move(s);
    return true;
}

bool ZRRaw1394Bus::transmit(uint64_t guid, std::span<const uint8_t> frame) {
    if (!segments::isWholeDvFrame(frame.size())) return false;
    Stream* s = nullptr;
    {
        std::lock_guard lock(m_streamMutex);
        auto it = m_transmitters.find(guid);
        if (it == m_transmitters.end()) return false;
        s = it->second.get();
    }
    std::unique_lock lock(s->mutex);
    s->changed.wait(lock, [&] { return s->quit || s->queue.size() < kTransmitQueue; });
    if (s->quit) return false;
    s->queue.emplace_back(frame.begin(), frame.end());
    return true;
}

void ZRRaw1394Bus::stopTransmit(uint64_t guid) {
    std::unique_ptr<Stream> s;
    int64_t repeats = 0;
    {
        std::lock_guard lock(m_streamMutex);
        auto it = m_transmitters.find(guid);
        if (it == m_transmitters.end()) return;
        s = std::move(it->second);
        m_transmitters.erase(it);
    }
    {
        std::unique_lock lock(s->mutex);
        // The queue drains at the frame rate; a stalled bus gives up after two seconds.
        s->changed.wait_for(lock, std::chrono::seconds(2), [&] { return s->queue.empty(); });
        repeats = s->repeats;
    }
    {
        std::lock_guard lock(m_streamMutex);
        m_lastRepeats[guid] = repeats;
    }
    raw1394handle_t h = s->handle;
    s.reset();
    std::lock_guard r(Stream::registryMutex());
    Stream::registry().erase(h);
}

int64_t ZRRaw1394Bus::repeatedFrames(uint64_t guid) {
    std::lock_guard lock(m_streamMutex);
    auto it = m_transmitters.find(guid);
    if (it != m_transmitters.end()) {
        std::lock_guard queue(it->second->mutex);
        return it->second->repeats;
    }
    auto last = m_lastRepeats.find(guid);
    return last == m_lastRepeats.end() ? 0 : last->second;
}

void ZRRaw1394Bus::notice(Notice what, uint64_t guid) {
    std::lock_guard lock(m_noticeMutex);
    for (auto& [id, sink] : m_noticeSinks)
        sink(what, guid);
}

int ZRRaw1394Bus::addNoticeSink(NoticeSink sink) {
    std::lock_guard lock(m_noticeMutex);
    const int id = m_nextNotice++;
    m_noticeSinks[id] = std::move(sink);
    return id;
}

void ZRRaw1394Bus::removeNoticeSink(int id) {
    std::lock_guard lock(m_noticeMutex);
    m_noticeSinks.erase(id);
}

} // namespace zrieee1394
