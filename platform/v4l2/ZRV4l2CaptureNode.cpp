#include "platform/v4l2/ZRV4l2CaptureNode.h"

#include <QDebug>

#include <cerrno>
#include <chrono>
#include <cstring>

using namespace zrv4l2;

namespace {

constexpr int kBufferCount = 4;
constexpr size_t kReadSize = 65536;

// Board input numbers and the connector each stands for.
int boardInputConnector(int32_t number) {
    switch (number) {
    case 1:
    case 4:
        return 3;
    case 2:
        return 1;
    case 5:
        return 10;
    default:
        return 2;
    }
}

int32_t boardInputNumber(int connector) {
    switch (connector) {
    case 3:
        return 1;
    case 1:
        return 2;
    case 10:
        return 5;
    default:
        return 0;
    }
}

} // namespace

ZRV4l2CaptureNode::ZRV4l2CaptureNode(std::unique_ptr<IZRV4l2Io> io, const std::string& name)
    : ZRGraphNode(name), m_io(std::move(io)) {
    Capabilities caps;
    if (queryCapabilities(*m_io, &caps) == 0) m_tuner = (caps.caps & V4L2_CAP_TUNER) != 0;
    m_inputs = enumInputs(*m_io);
    m_standards = enumStandards(*m_io);
    const std::vector<Format> formats = enumFormats(*m_io, V4L2_BUF_TYPE_VIDEO_CAPTURE);
    uint32_t pixel = 0;
    for (const Format& f : formats)
        if (f.pixelFormat == V4L2_PIX_FMT_YUYV) pixel = f.pixelFormat;
    if (!pixel)
        for (const Format& f : formats)
            if (f.pixelFormat == V4L2_PIX_FMT_MPEG) pixel = f.pixelFormat;
    m_mpeg = pixel == V4L2_PIX_FMT_MPEG;
    if (pixel) m_sizes = enumFrameSizes(*m_io, pixel);
    v4l2_format f{};
    f.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    if (m_io->ioctl(VIDIOC_G_FMT, &f) == 0 && f.fmt.pix.width && f.fmt.pix.height)
        m_format = {f.fmt.pix.width, f.fmt.pix.height, f.fmt.pix.pixelformat,
                    f.fmt.pix.bytesperline, f.fmt.pix.sizeimage};
    if (m_mpeg)
        addPin(ZRGraphPin::Direction::Output, "Capture", {kZRStreamProgram, "mpeg2ps"});
    else {
        ZRMediaType type{kZRStreamVideo, "yuyv"};
        type.width = int(m_format.width);
        type.height = int(m_format.height);
        type.frameDuration = m_frameDuration;
        addPin(ZRGraphPin::Direction::Output, "Capture", type);
    }
    outputPin(0)->setStreamConfig(this);
}

ZRV4l2CaptureNode::~ZRV4l2CaptureNode() {
    ZRV4l2CaptureNode::onStop();
}

PixFormat ZRV4l2CaptureNode::pixFormat() const {
    std::lock_guard lock(m_mutex);
    return m_format;
}

std::vector<std::pair<int, int32_t>> ZRV4l2CaptureNode::passedBoardMethods() const {
    std::lock_guard lock(m_mutex);
    return m_boardCalls;
}

// Crossbar

void ZRV4l2CaptureNode::pinCounts(int* outputs, int* inputs) const {
    // A card with one input has nothing to route: it shows no crossbar inputs.
    *outputs = 1;
    *inputs = m_inputs.size() > 1 ? int(m_inputs.size()) : 0;
}

bool ZRV4l2CaptureNode::pinInfo(bool input, int index, int* related, int* physicalType) const {
    *related = -1;
    if (!input) {
        if (index != 0) return false;
        *physicalType = 12; // the video decoder the inputs feed
        return true;
    }
    if (m_inputs.size() < 2 || index < 0 || size_t(index) >= m_inputs.size()) return false;
    *physicalType = connectorOf(m_inputs[size_t(index)]);
    return true;
}

bool ZRV4l2CaptureNode::canRoute(int output, int input) const {
    return output == 0 && m_inputs.size() > 1 && input >= 0 && size_t(input) < m_inputs.size();
}

ZRGraphResult ZRV4l2CaptureNode::route(int output, int input) {
    if (!canRoute(output, input)) return kZRGraphInvalidArg;
    std::lock_guard lock(m_mutex);
    int index = int(m_inputs[size_t(input)].index);
    return m_io->ioctl(VIDIOC_S_INPUT, &index) == 0 ? kZRGraphOk : kZRGraphFail;
}

int ZRV4l2CaptureNode::routedInput() {
    std::lock_guard lock(m_mutex);
    int index = -1;
    if (m_io->ioctl(VIDIOC_G_INPUT, &index) != 0) return -1;
    for (size_t i = 0; i < m_inputs.size(); ++i)
        if (int(m_inputs[i].index) == index) return int(i);
    return -1;
}

// Analog video decoder

ZRGraphResult ZRV4l2CaptureNode::setTVFormat(uint32_t standard) {
    v4l2_std_id id = v4l2StandardOf(standard);
    if (!id) return kZRGraphInvalidArg;
    std::lock_guard lock(m_mutex);
    if (m_io->ioctl(VIDIOC_S_STD, &id) != 0) return kZRGraphFail;
    const bool ntsc = (id & V4L2_STD_525_60) != 0;
    m_frameDuration = ntsc ? 333667 : 400000;
    return kZRGraphOk;
}

uint32_t ZRV4l2CaptureNode::tvFormat() const {
    std::lock_guard lock(m_mutex);
    v4l2_std_id id = 0;
    if (m_io->ioctl(VIDIOC_G_STD, &id) != 0) return 0;
    // A set of standards reads as its first one.
    const uint32_t bits = analogStandardOf(id);
    return bits & (~bits + 1);
}

uint32_t ZRV4l2CaptureNode::availableTVFormats() const {
    uint32_t bits = 0;
    for (const Standard& s : m_standards)
        bits |= analogStandardOf(s.id);
    return bits;
}

// Stream configuration

int ZRV4l2CaptureNode::capabilityCount() const {
    return int(m_sizes.size());
}

bool ZRV4l2CaptureNode::videoCaps(int index, ZRVideoStreamCaps* caps) const {
    if (index < 0 || size_t(index) >= m_sizes.size()) return false;
    const SizeRange& r = m_sizes[size_t(index)];
    *caps = {};
    // A size of the 525-line standards (480, 240 lines) or of the 625-line ones (576, 288);
    // any other size or a range serves both.
    const bool ntsc = r.minHeight == r.maxHeight && (r.maxHeight == 480 || r.maxHeight == 240);
    const bool pal = r.minHeight == r.maxHeight && (r.maxHeight == 576 || r.maxHeight == 288);
    caps->videoStandard = ntsc ? 0x7u : pal ? 0x1FFFF8u : 0x7u | 0x1FFFF8u;
    caps->minWidth = r.minWidth;
    caps->maxWidth = r.maxWidth;
    caps->minHeight = r.minHeight;
    caps->maxHeight = r.maxHeight;
    caps->widthStep = r.widthStep;
    caps->heightStep = r.heightStep;
    return true;
}

ZRGraphResult ZRV4l2CaptureNode::setFormat(const ZRMediaType& type) {
    if (type.width <= 0 || type.height <= 0) return kZRGraphInvalidArg;
    if (state() != ZRGraphState::Stopped) return kZRGraphNotStopped;
    std::lock_guard lock(m_mutex);
    PixFormat agreed;
    const uint32_t pixel = m_mpeg ? V4L2_PIX_FMT_MPEG : V4L2_PIX_FMT_YUYV;
    if (zrv4l2::setFormat(*m_io, V4L2_BUF_TYPE_VIDEO_CAPTURE, uint32_t(type.width),
                          uint32_t(type.height), pixel, &agreed) != 0)
        return kZRGraphFail;
    m_format = agreed;
    if (type.frameDuration > 0) m_frameDuration = type.frameDuration;
    if (!m_mpeg) {
        ZRMediaType out{kZRStreamVideo, "yuyv"};
        out.width = int(agreed.width);
        out.height = int(agreed.height);
        out.frameDuration = m_frameDuration;
        outputPin(0)->setMediaType(out);
    }
    return kZRGraphOk;
}

// Picture controls

bool ZRV4l2CaptureNode::range(int property, int32_t* minimum, int32_t* maximum, int32_t* step,
                              int32_t* defaultValue) {
    const uint32_t id = procAmpControl(property);
    if (!id) return false;
    std::lock_guard lock(m_mutex);
    const auto c = queryControl(*m_io, id);
    if (!c) return false;
    *minimum = c->minimum;
    *maximum = c->maximum;
    *step = c->step;
    *defaultValue = c->defaultValue;
    return true;
}

bool ZRV4l2CaptureNode::value(int property, int32_t* value) {
    const uint32_t id = procAmpControl(property);
    if (!id) return false;
    std::lock_guard lock(m_mutex);
    return queryControl(*m_io, id) && getControl(*m_io, id, value) == 0;
}

ZRGraphResult ZRV4l2CaptureNode::setValue(int property, int32_t value) {
    const uint32_t id = procAmpControl(property);
    if (!id) return kZRGraphInvalidArg;
    std::lock_guard lock(m_mutex);
    const auto c = queryControl(*m_io, id);
    if (!c) return kZRGraphNoInterface;
    return zrv4l2::setControl(*m_io, id, std::clamp(value, c->minimum, c->maximum)) == 0
               ? kZRGraphOk
               : kZRGraphFail;
}

// Tuner

uint32_t ZRV4l2CaptureNode::frequency() {
    std::lock_guard lock(m_mutex);
    v4l2_frequency f{};
    f.tuner = 0;
    return m_io->ioctl(VIDIOC_G_FREQUENCY, &f) == 0 ? f.frequency : 0;
}

ZRGraphResult ZRV4l2CaptureNode::setFrequency(uint32_t frequency) {
    if (!m_tuner) return kZRGraphNoInterface;
    std::lock_guard lock(m_mutex);
    v4l2_frequency f{};
    f.tuner = 0;
    f.type = V4L2_TUNER_ANALOG_TV;
    f.frequency = frequency;
    return m_io->ioctl(VIDIOC_S_FREQUENCY, &f) == 0 ? kZRGraphOk : kZRGraphFail;
}

uint32_t ZRV4l2CaptureNode::audioMode() {
    std::lock_guard lock(m_mutex);
    v4l2_tuner t{};
    return m_io->ioctl(VIDIOC_G_TUNER, &t) == 0 ? t.audmode : 0;
}

ZRGraphResult ZRV4l2CaptureNode::setAudioMode(uint32_t mode) {
    if (!m_tuner) return kZRGraphNoInterface;
    std::lock_guard lock(m_mutex);
    v4l2_tuner t{};
    if (m_io->ioctl(VIDIOC_G_TUNER, &t) != 0) return kZRGraphFail;
    t.index = 0;
    t.audmode = mode;
    return m_io->ioctl(VIDIOC_S_TUNER, &t) == 0 ? kZRGraphOk : kZRGraphFail;
}

// MPEG encoder

ZRGraphResult ZRV4l2CaptureNode::setControls(const ControlList& list) {
    std::lock_guard lock(m_mutex);
    for (const auto& [id, value] : list)
        if (!queryControl(*m_io, id)) return kZRGraphNoInterface;
    return zrv4l2::setControls(*m_io, list) == 0 ? kZRGraphOk : kZRGraphFail;
}

ZRGraphResult ZRV4l2CaptureNode::setStreamType(DiscFormat format, int mpegVersion) {
    const ControlList list = streamTypeControls(format, mpegVersion);
    {
        std::lock_guard lock(m_mutex);
        const auto type = queryControl(*m_io, V4L2_CID_MPEG_STREAM_TYPE);
        if (!type || !type->hasMenuEntry(list.front().second)) {
            qWarning("%s: the device offers no %s program stream", kind().c_str(),
                     format == DiscFormat::Vcd    ? "MPEG-1 VCD"
                     : format == DiscFormat::Svcd ? "MPEG-2 SVCD"
                                                  : "MPEG-2 DVD");
            return kZRGraphTypeNotAccepted;
        }
    }
    return setControls(list);
}

ZRGraphResult ZRV4l2CaptureNode::setGop(int gopLength, int anchorDistance) {
    return setControls(gopControls(gopLength, anchorDistance));
}

ZRGraphResult ZRV4l2CaptureNode::videoRange(EncoderVideoRange* range) {
    *range = {};
    std::lock_guard lock(m_mutex);
    const auto c = queryControl(*m_io, V4L2_CID_MPEG_VIDEO_BITRATE);
    if (!c || c->minimum < 0) return kZRGraphNoInterface;
    *range = {uint32_t(c->minimum), uint32_t(c->maximum),
              uint32_t(std::clamp(c->defaultValue, c->minimum, c->maximum))};
    return kZRGraphOk;
}

ZRGraphResult ZRV4l2CaptureNode::videoSettings(EncoderVideoSettings* settings) {
    *settings = {};
    std::lock_guard lock(m_mutex);
    int32_t rate = 0, peak = 0, mode = 0;
    if (getControl(*m_io, V4L2_CID_MPEG_VIDEO_BITRATE, &rate) != 0) return kZRGraphNoInterface;
    if (getControl(*m_io, V4L2_CID_MPEG_VIDEO_BITRATE_PEAK, &peak) != 0) peak = rate;
    (void)getControl(*m_io, V4L2_CID_MPEG_VIDEO_BITRATE_MODE, &mode);
    settings->bitRate = uint32_t(std::max(rate, 0));
    settings->peakBitRate = uint32_t(std::max(peak, 0));
    settings->variable = mode == V4L2_MPEG_VIDEO_BITRATE_MODE_VBR ? 1 : 0;
    settings->width = m_format.width;
    settings->height = m_format.height;
    return kZRGraphOk;
}

ZRGraphResult ZRV4l2CaptureNode::setVideoSettings(const EncoderVideoSettings& settings) {
    ZRGraphResult r = setControls(videoSettingsControls(settings));
    if (zrGraphSucceeded(r) && settings.width && settings.height) {
        ZRMediaType size;
        size.width = int(settings.width);
        size.height = int(settings.height);
        r = setFormat(size);
    }
    return r;
}

ZRGraphResult ZRV4l2CaptureNode::setAudioSampleRate(int hz) {
    const ControlList list = audioRateControls(hz);
    return list.empty() ? kZRGraphInvalidArg : setControls(list);
}

ZRGraphResult ZRV4l2CaptureNode::setAudioBitRate(int bitsPerSecond) {
    return setControls(audioBitRateControls(bitsPerSecond));
}

// Board control

ZRGraphResult ZRV4l2CaptureNode::boardMethod(int method, int32_t argument, int32_t* out) {
    if (out) *out = 0;
    switch (method) {
    case 30:
        return setControls({{V4L2_CID_MPEG_VIDEO_BITRATE, argument}});
    case 32: {
        const DiscFormat f = argument == 1   ? DiscFormat::Vcd
                             : argument == 0 ? DiscFormat::Svcd
                                             : DiscFormat::Dvd;
        return setStreamType(f, f == DiscFormat::Vcd ? 1 : 2);
    }
    case 7:
        return setTVFormat(argument == 0 ? 0x1 : 0x10);
    case 8: {
        const uint32_t bits = tvFormat();
        if (out) *out = (bits & 0x7) ? 0 : 1;
        return bits ? kZRGraphOk : kZRGraphFail;
    }
    case 3: {
        const int connector = boardInputConnector(argument);
        for (size_t i = 0; i < m_inputs.size(); ++i)
            if (connectorOf(m_inputs[i]) == connector) {
                std::lock_guard lock(m_mutex);
                int index = int(m_inputs[i].index);
                return m_io->ioctl(VIDIOC_S_INPUT, &index) == 0 ? kZRGraphOk : kZRGraphFail;
            }
        return kZRGraphNotFound;
    }
    case 4: {
        const int routed = routedInput();
        if (routed < 0 && m_inputs.size() > 1) return kZRGraphFail;
        const int connector = routed >= 0 ? connectorOf(m_inputs[size_t(routed)]) : 2;
        if (out) *out = boardInputNumber(connector);
        return kZRGraphOk;
    }
    default: {
        std::lock_guard lock(m_mutex);
        m_boardCalls.emplace_back(method, argument);
        return kZRGraphOk;
    }
    }
}

// Streaming

ZRGraphResult ZRV4l2CaptureNode::queryState() const {
    return state() == ZRGraphState::Paused ? kZRGraphCantCue : kZRGraphOk;
}

void ZRV4l2CaptureNode::finishStream() {
    if (!m_mpeg || !m_thread.joinable() || m_quit.load() || state() != ZRGraphState::Running)
        return;
    {
        std::lock_guard lock(m_mutex);
        v4l2_encoder_cmd command{};
        command.cmd = V4L2_ENC_CMD_STOP;
        // A driver without encoder commands keeps what it holds, as before.
        if (m_io->ioctl(VIDIOC_ENCODER_CMD, &command) != 0) return;
    }
    m_finishing.store(true);
    // The pictures encoded before the stop belong to the capture: the reads go on, the graph
    // still running, until the driver's end of stream.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (!m_finished.load() && !m_quit.load() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
}

void ZRV4l2CaptureNode::beginStop() {
    m_quit.store(true);
    m_io->setStopped(true);
}

ZRGraphResult ZRV4l2CaptureNode::onPause(ZRGraphState from) {
    if (from != ZRGraphState::Stopped) return kZRGraphOk;
    m_quit.store(false);
    m_finishing.store(false);
    m_finished.store(false);
    m_io->setStopped(false);
    m_captured.store(0);
    m_dropped.store(0);
    if (!m_mpeg) {
        std::lock_guard lock(m_mutex);
        v4l2_requestbuffers req{};
        req.count = kBufferCount;
        req.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        req.memory = V4L2_MEMORY_MMAP;
        if (m_io->ioctl(VIDIOC_REQBUFS, &req) != 0 || req.count < 2 || req.count > 32)
            return kZRGraphFail;
        for (uint32_t i = 0; i < req.count; ++i) {
            v4l2_buffer b{};
            b.index = i;
            b.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
            b.memory = V4L2_MEMORY_MMAP;
            if (m_io->ioctl(VIDIOC_QUERYBUF, &b) != 0 || b.length < m_format.imageSize ||
                b.length == 0) {
                releaseBuffers();
                return kZRGraphFail;
            }
            void* p = m_io->map(b.length, long(b.m.offset));
            if (!p) {
                releaseBuffers();
                return kZRGraphFail;
            }
            m_buffers.push_back({p, b.length});
            if (m_io->ioctl(VIDIOC_QBUF, &b) != 0) {
                releaseBuffers();
                return kZRGraphFail;
            }
        }
    }
    int type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    if (!m_mpeg) {
        std::lock_guard lock(m_mutex);
        if (m_io->ioctl(VIDIOC_STREAMON, &type) != 0) {
            releaseBuffers();
            return kZRGraphFail;
        }
    }
    m_thread = std::thread([this] { captureLoop(); });
    return kZRGraphOk;
}

ZRGraphResult ZRV4l2CaptureNode::onStop() {
    m_quit.store(true);
    if (m_io) m_io->setStopped(true);
    if (m_thread.joinable()) m_thread.join();
    if (!m_io) return kZRGraphOk;
    std::lock_guard lock(m_mutex);
    int type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    (void)m_io->ioctl(VIDIOC_STREAMOFF, &type);
    releaseBuffers();
    m_io->setStopped(false);
    return kZRGraphOk;
}

void ZRV4l2CaptureNode::releaseBuffers() {
    for (const Mapped& m : m_buffers)
        m_io->unmap(m.address, m.length);
    m_buffers.clear();
    if (!m_mpeg) {
        v4l2_requestbuffers req{};
        req.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        req.memory = V4L2_MEMORY_MMAP;
        (void)m_io->ioctl(VIDIOC_REQBUFS, &req);
    }
}

void ZRV4l2CaptureNode::lost(int error) {
    if (m_quit.load() || error == -EINTR) return;
    if (error == -ENODEV) {
        qWarning("%s: the device is gone", kind().c_str());
        notify(kZREventDeviceLost, 0);
    } else {
        qWarning("%s: reading failed: %s", kind().c_str(), std::strerror(-error));
        notify(kZREventErrorAbort, error);
    }
    deliverEndOfStream(outputPin(0));
}

void ZRV4l2CaptureNode::captureLoop() {
    // Live: nothing is delivered before the graph runs.
    while (!m_quit.load() && state() != ZRGraphState::Running)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    if (m_mpeg)
        readLoop();
    else
        streamLoop();
}

void ZRV4l2CaptureNode::readLoop() {
    ZRGraphPin* out = outputPin(0);
    int64_t sequence = 0;
    while (!m_quit.load()) {
        std::vector<uint8_t> bytes(kReadSize);
        const ssize_t n = m_io->read(bytes.data(), bytes.size());
        if (n <= 0) {
            if (n == 0 && m_finishing.load()) {
                m_finished.store(true);
                return;
            }
            if (n == 0) continue;
            lost(int(n));
            return;
        }
        bytes.resize(size_t(n));
        ZRMediaSample sample = ZRMediaSample::fromBytes(std::move(bytes));
        sample.sequence = sequence;
        sample.discontinuity = sequence == 0;
        ++sequence;
        m_captured.fetch_add(1);
        deliver(out, sample);
    }
}

void ZRV4l2CaptureNode::streamLoop() {
    ZRGraphPin* out = outputPin(0);
    int64_t first = -1, expected = -1;
    while (!m_quit.load()) {
        v4l2_buffer b{};
        b.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        b.memory = V4L2_MEMORY_MMAP;
        const int r = m_io->ioctl(VIDIOC_DQBUF, &b);
        if (r != 0) {
            lost(r);
            return;
        }
        std::vector<uint8_t> frame;
        ZRMediaTime duration = 0;
        PixFormat format;
        {
            std::lock_guard lock(m_mutex);
            format = m_format;
            duration = m_frameDuration;
            if (b.index < m_buffers.size() && !(b.flags & V4L2_BUF_FLAG_ERROR) &&
                b.bytesused >= format.imageSize && format.imageSize <= m_buffers[b.index].length) {
                const auto* p = static_cast<const uint8_t*>(m_buffers[b.index].address);
                frame.assign(p, p + format.imageSize);
            }
            if (b.index < m_buffers.size()) (void)m_io->ioctl(VIDIOC_QBUF, &b);
        }
        const int64_t sequence = b.sequence;
        if (first < 0) first = expected = sequence;
        // Frame numbers the driver skipped were lost before they reached us.
        if (sequence > expected) m_dropped.fetch_add(sequence - expected);
        if (sequence >= expected) expected = sequence + 1;
        if (frame.empty()) {
            m_dropped.fetch_add(1);
            continue;
        }
        ZRMediaSample sample = ZRMediaSample::fromBytes(std::move(frame));
        sample.sequence = sequence - first;
        sample.time = sample.sequence * duration;
        sample.duration = duration;
        sample.discontinuity = sample.sequence == 0;
        m_captured.fetch_add(1);
        deliver(out, sample);
    }
}
