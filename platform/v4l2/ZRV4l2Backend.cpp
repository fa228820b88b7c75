#include "platform/v4l2/ZRV4l2Backend.h"

#include "platform/aviwriter/AviCompressors.h"
#include "platform/v4l2/ZRAudioCaptureNode.h"
#include "platform/v4l2/ZRV4l2CaptureNode.h"

#include <alsa/asoundlib.h>

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace zrv4l2 {

namespace {

class SharedIo final : public IZRV4l2Io {
public:
    explicit SharedIo(std::shared_ptr<IZRV4l2Io> device) : m_device(std::move(device)) {}
    int ioctl(unsigned long request, void* arg) override { return m_device->ioctl(request, arg); }
    ssize_t read(void* data, size_t size) override { return m_device->read(data, size); }
    ssize_t write(const void* data, size_t size) override { return m_device->write(data, size); }
    void* map(size_t length, long offset) override { return m_device->map(length, offset); }
    void unmap(void* address, size_t length) override { m_device->unmap(address, length); }
    void setStopped(bool on) override { m_device->setStopped(on); }

private:
    std::shared_ptr<IZRV4l2Io> m_device;
};

bool allMpeg(const std::vector<Format>& formats) {
    if (formats.empty()) return false;
    return std::all_of(formats.begin(), formats.end(), [](const Format& f) {
        return f.compressed && f.pixelFormat == V4L2_PIX_FMT_MPEG;
    });
}

ZRDeviceDescriptor describe(IZRV4l2Io& io, const Capabilities& caps, std::string displayName) {
    ZRDeviceDescriptor d;
    d.displayName = std::move(displayName);
    d.friendlyName = caps.card;
    d.devicePath = caps.busInfo;
    d.description = caps.driver;
    d.captureCard = true;
    d.mpegOnly = allMpeg(enumFormats(io, V4L2_BUF_TYPE_VIDEO_CAPTURE));
    return d;
}

// The node's stable name: its /dev/v4l/by-path link when there is one.
std::string stableName(const QString& node) {
    const QDir byPath(QStringLiteral("/dev/v4l/by-path"));
    const QString target = QFileInfo(node).canonicalFilePath();
    for (const QFileInfo& link : byPath.entryInfoList(QDir::System | QDir::Files))
        if (link.canonicalFilePath() == target) return link.absoluteFilePath().toStdString();
    return node.toStdString();
}

struct NodeInfo {
    std::string path;
    std::string displayName;
    Capabilities caps;
};

std::vector<NodeInfo> machineNodes() {
    std::vector<NodeInfo> list;
    const QDir dev(QStringLiteral("/dev"));
    QStringList names = dev.entryList({QStringLiteral("video*")}, QDir::System);
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        return a.mid(5).toInt() < b.mid(5).toInt();
    });
    for (const QString& name : names) {
        const QString path = dev.absoluteFilePath(name);
        int error = 0;
        auto io = openDeviceNode(path.toStdString(), &error);
        Capabilities caps;
        if (!io || queryCapabilities(*io, &caps) != 0) continue;
        list.push_back({path.toStdString(), stableName(path), caps});
    }
    return list;
}

std::vector<std::pair<std::string, std::string>> alsaCaptureDevices() {
    std::vector<std::pair<std::string, std::string>> list;
    void** hints = nullptr;
    if (snd_device_name_hint(-1, "pcm", &hints) < 0 || !hints) return list;
    for (void** h = hints; *h; ++h) {
        char* name = snd_device_name_get_hint(*h, "NAME");
        char* desc = snd_device_name_get_hint(*h, "DESC");
        char* io = snd_device_name_get_hint(*h, "IOID");
        if (name && (!io || std::string(io) == "Input") && std::string(name) != "null") {
            std::string friendly = desc ? desc : name;
            std::replace(friendly.begin(), friendly.end(), '\n', ' ');
            list.emplace_back(name, friendly);
        }
        free(name);
        free(desc);
        free(io);
    }
    snd_device_name_free_hint(hints);
    return list;
}

std::vector<ZRDeviceDescriptor> compressors() {
    std::vector<ZRDeviceDescriptor> list;
    for (const std::string& name : platform::aviCompressorNames(true)) {
        ZRDeviceDescriptor d;
        d.displayName = d.friendlyName = name;
        list.push_back(d);
    }
    return list;
}

std::mutex g_registerMutex;
std::mutex g_aliveMutex;
std::vector<ZRSimulatedBackend*> g_alive;
std::shared_ptr<ZRSimulatedBackend> g_simulated;
bool g_machineRegistered = false;

} // namespace

std::unique_ptr<IZRV4l2Io> shareDevice(std::shared_ptr<IZRV4l2Io> device) {
    return device ? std::make_unique<SharedIo>(std::move(device)) : nullptr;
}

// The machine

std::vector<ZRDeviceDescriptor> ZRV4l2Backend::devices(ZRDeviceCategory category) {
    std::vector<ZRDeviceDescriptor> list;
    if (category == ZRDeviceCategory::VideoCompressor) return compressors();
    if (category == ZRDeviceCategory::AudioInput) {
        for (const auto& [name, friendly] : alsaCaptureDevices()) {
            ZRDeviceDescriptor d;
            d.displayName = name;
            d.friendlyName = friendly;
            d.description = "ALSA";
            list.push_back(d);
        }
        return list;
    }
    for (const NodeInfo& n : machineNodes()) {
        if (!(n.caps.caps & V4L2_CAP_VIDEO_CAPTURE)) continue;
        int error = 0;
        auto io = openDeviceNode(n.path, &error);
        if (io) list.push_back(describe(*io, n.caps, n.displayName));
    }
    return list;
}

std::unique_ptr<ZRGraphNode> ZRV4l2Backend::createNode(ZRDeviceCategory category,
                                                       const std::string& displayName) {
    if (category == ZRDeviceCategory::AudioInput) {
        for (const auto& [name, friendly] : alsaCaptureDevices())
            if (name == displayName) return std::make_unique<ZRAudioCaptureNode>(name, friendly);
        return nullptr;
    }
    if (category != ZRDeviceCategory::VideoInput) return nullptr;
    for (const NodeInfo& n : machineNodes()) {
        if (n.displayName != displayName || !(n.caps.caps & V4L2_CAP_VIDEO_CAPTURE)) continue;
        int error = 0;
        auto io = openDeviceNode(n.path, &error);
        if (io) return std::make_unique<ZRV4l2CaptureNode>(std::move(io), n.caps.card);
    }
    return nullptr;
}

// Simulated

ZRSimulatedBackend::ZRSimulatedBackend() {
    std::lock_guard lock(g_aliveMutex);
    g_alive.push_back(this);
}

ZRSimulatedBackend::~ZRSimulatedBackend() {
    std::lock_guard lock(g_aliveMutex);
    g_alive.erase(std::remove(g_alive.begin(), g_alive.end(), this), g_alive.end());
}

std::shared_ptr<SimDevice> ZRSimulatedBackend::anyOutput(const std::string& displayName) {
    std::lock_guard lock(g_aliveMutex);
    for (ZRSimulatedBackend* b : g_alive)
        if (auto out = b->output(displayName)) return out;
    return nullptr;
}

std::shared_ptr<SimDevice> ZRSimulatedBackend::addCard(const std::string& displayName,
                                                       SimConfig config) {
    std::lock_guard lock(m_mutex);
    auto device = std::make_shared<SimDevice>(config);
    m_cards.push_back({displayName, std::move(config), device, nullptr});
    return device;
}

std::shared_ptr<SimDevice> ZRSimulatedBackend::addOutput(const std::string& displayName,
                                                         SimConfig config) {
    std::lock_guard lock(m_mutex);
    for (Card& c : m_cards)
        if (c.displayName == displayName) {
            c.output = std::make_shared<SimDevice>(std::move(config));
            return c.output;
        }
    return nullptr;
}

void ZRSimulatedBackend::addSound(const std::string& name, double pace) {
    std::lock_guard lock(m_mutex);
    m_sounds.emplace_back(name, pace);
}

std::shared_ptr<SimDevice> ZRSimulatedBackend::card(const std::string& displayName) const {
    std::lock_guard lock(m_mutex);
    for (const Card& c : m_cards)
        if (c.displayName == displayName) return c.device;
    return nullptr;
}

std::shared_ptr<SimDevice> ZRSimulatedBackend::output(const std::string& displayName) const {
    std::lock_guard lock(m_mutex);
    for (const Card& c : m_cards)
        if (c.displayName == displayName) return c.output;
    return nullptr;
}

std::vector<ZRDeviceDescriptor> ZRSimulatedBackend::devices(ZRDeviceCategory category) {
    std::lock_guard lock(m_mutex);
    std::vector<ZRDeviceDescriptor> list;
    if (category == ZRDeviceCategory::AudioInput) {
        for (const auto& [name, pace] : m_sounds) {
            ZRDeviceDescriptor d;
            d.displayName = d.friendlyName = name;
            d.description = "simulated";
            list.push_back(d);
        }
        return list;
    }
    if (category != ZRDeviceCategory::VideoInput) return list;
    for (const Card& c : m_cards) {
        Capabilities caps;
        if (queryCapabilities(*c.device, &caps) != 0) continue;
        list.push_back(describe(*c.device, caps, c.displayName));
    }
    return list;
}

std::unique_ptr<ZRGraphNode> ZRSimulatedBackend::createNode(ZRDeviceCategory category,
                                                            const std::string& displayName) {
    std::lock_guard lock(m_mutex);
    if (category == ZRDeviceCategory::AudioInput) {
        for (const auto& [name, pace] : m_sounds)
            if (name == displayName) return std::make_unique<ZRAudioCaptureNode>("", name, pace);
        return nullptr;
    }
    if (category != ZRDeviceCategory::VideoInput) return nullptr;
    for (const Card& c : m_cards)
        if (c.displayName == displayName)
            return std::make_unique<ZRV4l2CaptureNode>(shareDevice(c.device), c.config.card);
    return nullptr;
}

std::unique_ptr<IZRV4l2Io> openOutput(const std::string& displayName) {
    if (auto out = ZRSimulatedBackend::anyOutput(displayName)) return shareDevice(out);
    std::string bus;
    const auto nodes = machineNodes();
    for (const NodeInfo& n : nodes)
        if (n.displayName == displayName) bus = n.caps.busInfo;
    for (const NodeInfo& n : nodes)
        if ((n.caps.caps & V4L2_CAP_VIDEO_OUTPUT) && (bus.empty() || n.caps.busInfo == bus)) {
            int error = 0;
            if (auto io = openDeviceNode(n.path, &error)) return io;
        }
    return nullptr;
}

std::shared_ptr<ZRSimulatedBackend> simulatedBackend() {
    std::lock_guard lock(g_registerMutex);
    return g_simulated;
}

void registerSimulatedDevices() {
    std::shared_ptr<ZRSimulatedBackend> backend;
    {
        std::lock_guard lock(g_registerMutex);
        if (g_simulated) return;
        g_simulated = backend = std::make_shared<ZRSimulatedBackend>();
    }
    SimConfig card = SimConfig::captureCard("Simulated TV Card");
    card.speed = 25;
    backend->addCard("sim:video0", card);
    SimConfig mpeg = SimConfig::mpegEncoder("Simulated MPEG Encoder");
    mpeg.speed = 25;
    backend->addCard("sim:video1", mpeg);
    backend->addOutput("sim:video1", SimConfig::output("Simulated MPEG Encoder"));
    backend->addSound("Simulated Line In");
    ZRDeviceRegistry::instance().add(backend);
}

void registerDevices() {
    {
        std::lock_guard lock(g_registerMutex);
        if (g_machineRegistered) return;
        g_machineRegistered = true;
    }
    ZRDeviceRegistry::instance().add(std::make_shared<ZRV4l2Backend>());
}

} // namespace zrv4l2
