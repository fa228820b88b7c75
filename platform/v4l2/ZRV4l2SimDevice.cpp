#include "platform/v4l2/ZRV4l2SimDevice.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <thread>

namespace zrv4l2 {

namespace {

void copyName(uint8_t* field, size_t size, const std::string& text) {
    std::memset(field, 0, size);
    std::memcpy(field, text.data(), std::min(text.size(), size - 1));
}

Control makeControl(uint32_t id, const char* name, int32_t minimum, int32_t maximum, int32_t value,
                    uint32_t type = V4L2_CTRL_TYPE_INTEGER,
                    std::vector<std::pair<int32_t, std::string>> menu = {}) {
    Control c;
    c.id = id;
    c.name = name;
    c.type = type;
    c.minimum = minimum;
    c.maximum = maximum;
    c.defaultValue = value;
    c.menu = std::move(menu);
    return c;
}

constexpr int kBlockBits = 32;

} // namespace

SimConfig SimConfig::captureCard(std::string card) {
    SimConfig c;
    c.card = std::move(card);
    c.inputs = {{0, "Television", V4L2_INPUT_TYPE_TUNER, V4L2_STD_ALL},
                {1, "Composite1", V4L2_INPUT_TYPE_CAMERA, V4L2_STD_ALL},
                {2, "S-Video", V4L2_INPUT_TYPE_CAMERA, V4L2_STD_ALL}};
    c.standards = {{V4L2_STD_PAL_BG, "PAL-BG"},
                   {V4L2_STD_PAL_I, "PAL-I"},
                   {V4L2_STD_NTSC_M, "NTSC-M"},
                   {V4L2_STD_SECAM_L, "SECAM-L"}};
    c.sizes = {{720, 576}, {352, 288}, {720, 480}, {352, 240}};
    for (int i = 0; i < 5; ++i)
        c.controls.push_back(makeControl(procAmpControl(i), "Picture", 0, 255, 128));
    c.tuner = true;
    return c;
}

SimConfig SimConfig::mpegEncoder(std::string card) {
    SimConfig c = captureCard(std::move(card));
    c.mode = Mode::Mpeg;
    c.driver = "clipstead-sim-mpeg";
    auto menu = [](std::initializer_list<const char*> names) {
        std::vector<std::pair<int32_t, std::string>> m;
        int32_t i = 0;
        for (const char* n : names)
            m.emplace_back(i++, n);
        return m;
    };
    c.controls.push_back(
        makeControl(V4L2_CID_MPEG_STREAM_TYPE, "Stream Type", 0, 5, V4L2_MPEG_STREAM_TYPE_MPEG2_DVD,
                    V4L2_CTRL_TYPE_MENU,
                    menu({"MPEG-2 Program Stream", "MPEG-2 Transport Stream",
                          "MPEG-1 System Stream", "MPEG-2 DVD-compatible Stream",
                          "MPEG-1 VCD-compatible Stream", "MPEG-2 SVCD-compatible Stream"})));
    c.controls.push_back(makeControl(V4L2_CID_MPEG_VIDEO_ENCODING, "Video Encoding", 0, 1, 1,
                                     V4L2_CTRL_TYPE_MENU, menu({"MPEG-1", "MPEG-2"})));
    c.controls.push_back(makeControl(V4L2_CID_MPEG_VIDEO_GOP_SIZE, "Video GOP Size", 1, 34, 12));
    c.controls.push_back(makeControl(V4L2_CID_MPEG_VIDEO_B_FRAMES, "Video B Frames", 0, 33, 2));
    c.controls.push_back(makeControl(V4L2_CID_MPEG_VIDEO_BITRATE_MODE, "Video Bitrate Mode", 0, 1,
                                     0, V4L2_CTRL_TYPE_MENU,
                                     menu({"Variable Bitrate", "Constant Bitrate"})));
    c.controls.push_back(
        makeControl(V4L2_CID_MPEG_VIDEO_BITRATE, "Video Bitrate", 1000000, 9800000, 6000000));
    c.controls.push_back(makeControl(V4L2_CID_MPEG_VIDEO_BITRATE_PEAK, "Video Peak Bitrate",
                                     1000000, 9800000, 8000000));
    c.controls.push_back(makeControl(V4L2_CID_MPEG_AUDIO_SAMPLING_FREQ, "Audio Sampling Frequency",
                                     0, 2, 1, V4L2_CTRL_TYPE_MENU,
                                     menu({"44.1 kHz", "48 kHz", "32 kHz"})));
    std::vector<std::pair<int32_t, std::string>> rates;
    for (int i = 0; i < 14; ++i)
        rates.emplace_back(i, std::to_string(audioBitRateOfEntry(i) / 1000) + " kbps");
    c.controls.push_back(makeControl(V4L2_CID_MPEG_AUDIO_L2_BITRATE, "Audio Layer II Bitrate", 0,
                                     13, 11, V4L2_CTRL_TYPE_MENU, rates));
    return c;
}

SimConfig SimConfig::output(std::string card) {
    SimConfig c;
    c.card = std::move(card);
    c.mode = Mode::Output;
    return c;
}

SimDevice::SimDevice(SimConfig config) : m_config(std::move(config)) {
    m_standard = m_config.standards.empty() ? 0 : m_config.standards.front().id;
    if (!m_config.sizes.empty()) {
        m_format.width = uint32_t(m_config.sizes.front().first);
        m_format.height = uint32_t(m_config.sizes.front().second);
    } else {
        m_format.width = 720;
        m_format.height = 576;
    }
    m_format.pixelFormat =
        m_config.mode == SimConfig::Mode::Mpeg ? V4L2_PIX_FMT_MPEG : V4L2_PIX_FMT_YUYV;
    m_format.bytesPerLine = m_format.pixelFormat == V4L2_PIX_FMT_YUYV ? m_format.width * 2 : 0;
    m_format.imageSize = m_format.pixelFormat == V4L2_PIX_FMT_YUYV
                             ? m_format.bytesPerLine * m_format.height
                             : 131072;
}

SimDevice::~SimDevice() = default;

void SimDevice::skipFrames(std::set<int64_t> sequences) {
    std::lock_guard lock(m_mutex);
    m_skip = std::move(sequences);
}

void SimDevice::errorFrames(std::set<int64_t> sequences) {
    std::lock_guard lock(m_mutex);
    m_errors = std::move(sequences);
}

void SimDevice::failAfter(int64_t after, int error) {
    std::lock_guard lock(m_mutex);
    m_failAfter = after;
    m_failError = error;
}

void SimDevice::setOddReplies(std::function<void(void*, size_t)> source) {
    std::lock_guard lock(m_mutex);
    m_odd = std::move(source);
}

std::vector<std::pair<uint32_t, int32_t>> SimDevice::controlsReceived() const {
    std::lock_guard lock(m_mutex);
    return m_received;
}

int32_t SimDevice::controlValue(uint32_t id) const {
    std::lock_guard lock(m_mutex);
    for (const Control& c : m_config.controls)
        if (c.id == id) return c.defaultValue;
    return 0;
}

uint32_t SimDevice::currentInput() const {
    std::lock_guard lock(m_mutex);
    return m_input;
}

v4l2_std_id SimDevice::currentStandard() const {
    std::lock_guard lock(m_mutex);
    return m_standard;
}

PixFormat SimDevice::format() const {
    std::lock_guard lock(m_mutex);
    return m_format;
}

std::vector<uint8_t> SimDevice::outputBytes() const {
    std::lock_guard lock(m_mutex);
    return m_output;
}

uint32_t SimDevice::frequency() const {
    std::lock_guard lock(m_mutex);
    return m_frequency;
}

uint32_t SimDevice::audioMode() const {
    std::lock_guard lock(m_mutex);
    return m_audioMode;
}

int64_t SimDevice::framesMade() const {
    std::lock_guard lock(m_mutex);
    return m_config.mode == SimConfig::Mode::Mpeg ? m_encoder.frames() : m_made;
}

int64_t SimDevice::packsMade() const {
    std::lock_guard lock(m_mutex);
    return m_packSize > 0 ? m_readBytes / m_packSize : 0;
}

Control* SimDevice::findControl(uint32_t id) {
    for (Control& c : m_config.controls)
        if (c.id == id) return &c;
    return nullptr;
}

int SimDevice::ioctl(unsigned long request, void* arg) {
    if (request == VIDIOC_DQBUF) {
        int64_t next = 0;
        {
            std::lock_guard lock(m_mutex);
            next = m_made;
        }
        if (!paceWait(next)) return -EINTR;
    }
    std::lock_guard lock(m_mutex);
    const int r = ioctlLocked(request, arg);
    if (m_odd && arg) m_odd(arg, _IOC_SIZE(request));
    return r;
}

bool SimDevice::paceWait(int64_t frame) {
    double speed = 0;
    std::chrono::steady_clock::time_point start;
    {
        std::lock_guard lock(m_mutex);
        speed = m_config.speed;
        if (frame == 0) m_start = std::chrono::steady_clock::now();
        start = m_start;
    }
    if (speed <= 0) return !m_stopped.load();
    const auto due = start + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                 std::chrono::duration<double>(double(frame) / speed));
    while (!m_stopped.load()) {
        const auto now = std::chrono::steady_clock::now();
        if (now >= due) return true;
        std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(
            due - now, std::chrono::milliseconds(20)));
    }
    return false;
}

bool SimDevice::readFault(int* error) {
    ++m_calls;
    if (m_failAfter >= 0 && m_calls > m_failAfter) {
        *error = m_failError;
        return true;
    }
    return false;
}

SimMpegSettings SimDevice::mpegSettings() const {
    SimMpegSettings s;
    auto value = [this](uint32_t id, int32_t fallback) {
        for (const Control& c : m_config.controls)
            if (c.id == id) return c.defaultValue;
        return fallback;
    };
    const int32_t type = value(V4L2_CID_MPEG_STREAM_TYPE, V4L2_MPEG_STREAM_TYPE_MPEG2_DVD);
    s.format = type == V4L2_MPEG_STREAM_TYPE_MPEG1_VCD    ? DiscFormat::Vcd
               : type == V4L2_MPEG_STREAM_TYPE_MPEG2_SVCD ? DiscFormat::Svcd
                                                          : DiscFormat::Dvd;
    s.width = int(m_format.width);
    s.height = int(m_format.height);
    s.ntsc = (m_standard & V4L2_STD_525_60) != 0;
    s.bitRate = value(V4L2_CID_MPEG_VIDEO_BITRATE, 6000000);
    s.peakBitRate = value(V4L2_CID_MPEG_VIDEO_BITRATE_PEAK, 8000000);
    s.variable = value(V4L2_CID_MPEG_VIDEO_BITRATE_MODE, 0) == V4L2_MPEG_VIDEO_BITRATE_MODE_VBR;
    s.gop = value(V4L2_CID_MPEG_VIDEO_GOP_SIZE, 12);
    s.bFrames = value(V4L2_CID_MPEG_VIDEO_B_FRAMES, 2);
    s.sampleRate = audioRateOfEntry(value(V4L2_CID_MPEG_AUDIO_SAMPLING_FREQ, 1));
    s.audioBitRate = audioBitRateOfEntry(value(V4L2_CID_MPEG_AUDIO_L2_BITRATE, 11));
    if (s.sampleRate == 0) s.sampleRate = 48000;
    if (s.audioBitRate == 0) s.audioBitRate = 224000;
    return s;
}

void SimDevice::fillFrame(uint8_t* yuyv, int64_t number) const {
    const int w = int(m_format.width), h = int(m_format.height);
    const size_t stride = m_format.bytesPerLine;
    for (int y = 0; y < h; ++y) {
        uint8_t* row = yuyv + size_t(y) * stride;
        for (int x = 0; x < w; x += 2) {
            row[2 * x] = row[2 * x + 2] = 128;
            row[2 * x + 1] = row[2 * x + 3] = 128;
        }
    }
    if (w < 16 * 16 || h < 16) return;
    for (int bit = 0; bit < kBlockBits; ++bit) {
        const uint8_t luma = ((uint64_t(number) >> bit) & 1) ? 235 : 16;
        const int bx = (bit % 16) * 16, by = (bit / 16) * 8;
        for (int y = by; y < by + 8; ++y)
            for (int x = bx; x < bx + 16; ++x)
                yuyv[size_t(y) * stride + size_t(x) * 2] = luma;
    }
}

int64_t SimDevice::frameNumberOf(const uint8_t* yuyv, int width, int height, int stride) {
    if (width < 256 || height < 16) return -1;
    int64_t n = 0;
    for (int bit = 0; bit < kBlockBits; ++bit) {
        const int x = (bit % 16) * 16 + 8, y = (bit / 16) * 8 + 4;
        if (yuyv[size_t(y) * size_t(stride) + size_t(x) * 2] > 128) n |= int64_t(1) << bit;
    }
    return n;
}

int64_t SimDevice::frameNumberOfBgra(const uint8_t* bgra, int width, int height, int stride) {
    if (width < 256 || height < 16) return -1;
    int64_t n = 0;
    for (int bit = 0; bit < kBlockBits; ++bit) {
        const int x = (bit % 16) * 16 + 8, y = (bit / 16) * 8 + 4;
        if (bgra[size_t(y) * size_t(stride) + size_t(x) * 4 + 1] > 128) n |= int64_t(1) << bit;
    }
    return n;
}

int SimDevice::ioctlLocked(unsigned long request, void* arg) {
    if (!arg) return -EFAULT;
    const bool mpeg = m_config.mode == SimConfig::Mode::Mpeg;
    const bool output = m_config.mode == SimConfig::Mode::Output;
    const uint32_t captureType = output ? V4L2_BUF_TYPE_VIDEO_OUTPUT : V4L2_BUF_TYPE_VIDEO_CAPTURE;
    switch (request) {
    case VIDIOC_QUERYCAP: {
        auto* cap = static_cast<v4l2_capability*>(arg);
        *cap = {};
        copyName(cap->driver, sizeof cap->driver, m_config.driver);
        copyName(cap->card, sizeof cap->card, m_config.card);
        copyName(cap->bus_info, sizeof cap->bus_info, m_config.busInfo);
        cap->version = 0x060100;
        cap->device_caps =
            output ? (V4L2_CAP_VIDEO_OUTPUT | V4L2_CAP_READWRITE)
                   : (V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_READWRITE |
                      (mpeg ? 0u : V4L2_CAP_STREAMING) | (m_config.tuner ? V4L2_CAP_TUNER : 0u));
        cap->capabilities = cap->device_caps | V4L2_CAP_DEVICE_CAPS;
        return 0;
    }
    case VIDIOC_ENUMINPUT: {
        auto* in = static_cast<v4l2_input*>(arg);
        if (in->index >= m_config.inputs.size()) return -EINVAL;
        const Input& src = m_config.inputs[in->index];
        const uint32_t index = in->index;
        *in = {};
        in->index = index;
        copyName(in->name, sizeof in->name, src.name);
        in->type = src.type;
        in->std = src.standards;
        return 0;
    }
    case VIDIOC_G_INPUT:
        if (m_config.inputs.empty()) return -ENOTTY;
        *static_cast<int*>(arg) = int(m_input);
        return 0;
    case VIDIOC_S_INPUT: {
        const int index = *static_cast<int*>(arg);
        if (index < 0 || size_t(index) >= m_config.inputs.size()) return -EINVAL;
        if (m_streaming) return -EBUSY;
        m_input = uint32_t(index);
        return 0;
    }
    case VIDIOC_ENUMSTD: {
        auto* s = static_cast<v4l2_standard*>(arg);
        if (s->index >= m_config.standards.size()) return -EINVAL;
        const Standard& src = m_config.standards[s->index];
        const uint32_t index = s->index;
        *s = {};
        s->index = index;
        s->id = src.id;
        copyName(s->name, sizeof s->name, src.name);
        const bool ntsc = (src.id & V4L2_STD_525_60) != 0;
        s->frameperiod = ntsc ? v4l2_fract{1001, 30000} : v4l2_fract{1, 25};
        s->framelines = ntsc ? 525 : 625;
        return 0;
    }
    case VIDIOC_G_STD:
        if (m_config.standards.empty()) return -ENODATA;
        *static_cast<v4l2_std_id*>(arg) = m_standard;
        return 0;
    case VIDIOC_S_STD: {
        const v4l2_std_id id = *static_cast<v4l2_std_id*>(arg);
        for (const Standard& s : m_config.standards)
            if (s.id & id) {
                m_standard = s.id;
                return 0;
            }
        return -EINVAL;
    }
    case VIDIOC_ENUM_FMT: {
        auto* f = static_cast<v4l2_fmtdesc*>(arg);
        if (f->index != 0 || f->type != captureType) return -EINVAL;
        const uint32_t type = f->type;
        *f = {};
        f->type = type;
        if (mpeg) {
            f->pixelformat = V4L2_PIX_FMT_MPEG;
            f->flags = V4L2_FMT_FLAG_COMPRESSED;
            copyName(f->description, sizeof f->description, "MPEG-1/2/4");
        } else {
            f->pixelformat = V4L2_PIX_FMT_YUYV;
            copyName(f->description, sizeof f->description, "YUYV 4:2:2");
        }
        return 0;
    }
    case VIDIOC_ENUM_FRAMESIZES: {
        auto* s = static_cast<v4l2_frmsizeenum*>(arg);
        if (s->index >= m_config.sizes.size()) return -EINVAL;
        s->type = V4L2_FRMSIZE_TYPE_DISCRETE;
        s->discrete.width = uint32_t(m_config.sizes[s->index].first);
        s->discrete.height = uint32_t(m_config.sizes[s->index].second);
        return 0;
    }
    case VIDIOC_G_FMT:
    case VIDIOC_S_FMT: {
        auto* f = static_cast<v4l2_format*>(arg);
        if (f->type != captureType) return -EINVAL;
        if (request == VIDIOC_S_FMT) {
            if (m_streaming) return -EBUSY;
            int w = int(f->fmt.pix.width), h = int(f->fmt.pix.height);
            if (auto it = m_config.adjustWidth.find(w); it != m_config.adjustWidth.end())
                w = it->second;
            w = std::clamp(w, 16, 1920) & ~1;
            h = std::clamp(h, 16, 1080);
            m_format.width = uint32_t(w);
            m_format.height = uint32_t(h);
            m_format.bytesPerLine = mpeg ? 0 : uint32_t(w) * 2;
            m_format.imageSize = mpeg ? 131072 : m_format.bytesPerLine * uint32_t(h);
        }
        f->fmt.pix = {};
        f->fmt.pix.width = m_format.width;
        f->fmt.pix.height = m_format.height;
        f->fmt.pix.pixelformat = m_format.pixelFormat;
        f->fmt.pix.field = V4L2_FIELD_INTERLACED;
        f->fmt.pix.bytesperline = m_format.bytesPerLine;
        f->fmt.pix.sizeimage = m_format.imageSize;
        return 0;
    }
    case VIDIOC_QUERYCTRL: {
        auto* q = static_cast<v4l2_queryctrl*>(arg);
        const Control* c = findControl(q->id);
        if (!c) return -EINVAL;
        const uint32_t id = q->id;
        *q = {};
        q->id = id;
        q->type = c->type;
        copyName(q->name, sizeof q->name, c->name);
        q->minimum = c->minimum;
        q->maximum = c->maximum;
        q->step = 1;
        q->default_value = c->defaultValue;
        return 0;
    }
    case VIDIOC_QUERYMENU: {
        auto* m = static_cast<v4l2_querymenu*>(arg);
        const Control* c = findControl(m->id);
        if (!c) return -EINVAL;
        for (const auto& [index, name] : c->menu)
            if (uint32_t(index) == m->index) {
                copyName(m->name, sizeof m->name, name);
                return 0;
            }
        return -EINVAL;
    }
    case VIDIOC_G_EXT_CTRLS:
    case VIDIOC_S_EXT_CTRLS: {
        auto* cs = static_cast<v4l2_ext_controls*>(arg);
        if (cs->count > 64 || (cs->count && !cs->controls)) return -EINVAL;
        for (uint32_t i = 0; i < cs->count; ++i) {
            v4l2_ext_control& e = cs->controls[i];
            Control* c = findControl(e.id);
            if (!c) {
                cs->error_idx = i;
                return -EINVAL;
            }
            if (request == VIDIOC_G_EXT_CTRLS) {
                e.value = c->defaultValue;
                continue;
            }
            if (m_streaming && (e.id == V4L2_CID_MPEG_STREAM_TYPE)) return -EBUSY;
            c->defaultValue = std::clamp(e.value, c->minimum, c->maximum);
            m_received.emplace_back(uint32_t(e.id), int32_t(e.value));
        }
        return 0;
    }
    case VIDIOC_G_TUNER:
    case VIDIOC_S_TUNER: {
        auto* t = static_cast<v4l2_tuner*>(arg);
        if (!m_config.tuner || t->index != 0) return -EINVAL;
        if (request == VIDIOC_S_TUNER) {
            m_audioMode = t->audmode;
            return 0;
        }
        *t = {};
        copyName(t->name, sizeof t->name, "Tuner");
        t->type = V4L2_TUNER_ANALOG_TV;
        t->capability = V4L2_TUNER_CAP_NORM | V4L2_TUNER_CAP_STEREO | V4L2_TUNER_CAP_LANG1 |
                        V4L2_TUNER_CAP_LANG2;
        t->rangelow = 44 * 16;
        t->rangehigh = 958 * 16;
        t->audmode = m_audioMode;
        t->rxsubchans = V4L2_TUNER_SUB_STEREO;
        return 0;
    }
    case VIDIOC_G_FREQUENCY:
    case VIDIOC_S_FREQUENCY: {
        auto* f = static_cast<v4l2_frequency*>(arg);
        if (!m_config.tuner || f->tuner != 0) return -EINVAL;
        if (request == VIDIOC_S_FREQUENCY)
            m_frequency = f->frequency;
        else
            f->frequency = m_frequency;
        return 0;
    }
    case VIDIOC_REQBUFS: {
        auto* r = static_cast<v4l2_requestbuffers*>(arg);
        if (mpeg || output || r->type != captureType || r->memory != V4L2_MEMORY_MMAP)
            return -EINVAL;
        if (m_streaming) return -EBUSY;
        m_buffers.clear();
        r->count = std::min<uint32_t>(r->count, 8);
        m_buffers.resize(r->count);
        for (Buffer& b : m_buffers)
            b.memory.assign(m_format.imageSize, 0);
        return 0;
    }
    case VIDIOC_QUERYBUF:
    case VIDIOC_QBUF: {
        auto* b = static_cast<v4l2_buffer*>(arg);
        if (b->index >= m_buffers.size() || b->type != captureType) return -EINVAL;
        if (request == VIDIOC_QBUF) {
            m_buffers[b->index].queued = true;
            return 0;
        }
        b->memory = V4L2_MEMORY_MMAP;
        b->length = uint32_t(m_buffers[b->index].memory.size());
        b->m.offset = b->index * 0x1000000u;
        return 0;
    }
    case VIDIOC_DQBUF: {
        auto* b = static_cast<v4l2_buffer*>(arg);
        if (!m_streaming) return -EINVAL;
        if (int error = 0; readFault(&error)) return error;
        for (size_t i = 0; i < m_buffers.size(); ++i) {
            Buffer& buf = m_buffers[i];
            if (!buf.queued) continue;
            buf.queued = false;
            // Paced like hardware: frames whose time passed while nobody took them are lost,
            // and their numbers skipped.
            if (m_config.speed > 0 && m_made > 0) {
                const double elapsed =
                    std::chrono::duration<double>(std::chrono::steady_clock::now() - m_start)
                        .count();
                const auto due = int64_t(elapsed * m_config.speed);
                if (due > m_made + 1) {
                    m_sequence += due - m_made - 1;
                    m_made = due - 1;
                }
            }
            while (m_skip.count(m_sequence))
                ++m_sequence;
            fillFrame(buf.memory.data(), m_sequence);
            *b = {};
            b->index = uint32_t(i);
            b->type = captureType;
            b->memory = V4L2_MEMORY_MMAP;
            b->bytesused = uint32_t(buf.memory.size());
            b->sequence = uint32_t(m_sequence);
            b->flags = V4L2_BUF_FLAG_DONE | (m_errors.count(m_sequence) ? V4L2_BUF_FLAG_ERROR : 0);
            b->field = V4L2_FIELD_INTERLACED;
            ++m_sequence;
            ++m_made;
            return 0;
        }
        return -EAGAIN;
    }
    case VIDIOC_ENCODER_CMD: {
        auto* c = static_cast<v4l2_encoder_cmd*>(arg);
        if (!mpeg || !c) return -ENOTTY;
        if (c->cmd != V4L2_ENC_CMD_STOP) return -EINVAL;
        // The pictures due by now are the last: they and the sound with them go out whole,
        // then reads meet the end of the stream.
        (void)encodeDueLocked();
        if (m_encoder.isOpen()) (void)m_encoder.finish();
        m_encoderStopped = true;
        return 0;
    }
    case VIDIOC_STREAMON:
        m_streaming = true;
        m_encoderStopped = false;
        m_sequence = m_made = 0;
        m_readBytes = 0;
        if (mpeg && !m_encoder.open(mpegSettings())) {
            m_streaming = false;
            return -EIO;
        }
        m_start = std::chrono::steady_clock::now();
        return 0;
    case VIDIOC_STREAMOFF:
        m_streaming = false;
        m_encoderStopped = false;
        for (Buffer& b : m_buffers)
            b.queued = false;
        if (mpeg) m_encoder.close();
        return 0;
    default:
        return -ENOTTY;
    }
}

bool SimDevice::encodeDueLocked() {
    if (m_config.speed <= 0 || !m_encoder.isOpen() || m_encoder.isFinished()) return true;
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - m_start;
    const auto due = int64_t(std::floor(elapsed.count() * m_config.speed)) + 1;
    while (m_encoder.frames() < due)
        if (!m_encoder.encodeFrame()) return false;
    return true;
}

ssize_t SimDevice::read(void* data, size_t size) {
    if (!data) return -EFAULT;
    // A read that waits for its first bytes is still one call to the faults.
    bool counted = false;
    for (;;) {
        int64_t frame = 0;
        {
            std::lock_guard lock(m_mutex);
            if (m_config.mode != SimConfig::Mode::Mpeg) return -EINVAL;
            // After the stop command: what the encoder gave up, then the end of the stream.
            if (m_encoderStopped) {
                if (m_config.readChunk > 0) size = std::min(size, m_config.readChunk);
                const size_t n = m_encoder.takeMade(static_cast<uint8_t*>(data), size);
                m_readBytes += int64_t(n);
                return ssize_t(n);
            }
            // A read starts the encoder as a driver's first read does; its pictures are timed
            // from there.
            if (!m_encoder.isOpen()) {
                m_streaming = true;
                if (!m_encoder.open(mpegSettings())) return -EIO;
                m_start = std::chrono::steady_clock::now();
            }
            frame = m_encoder.frames();
        }
        if (!paceWait(frame)) return -EINTR;
        std::lock_guard lock(m_mutex);
        if (m_encoderStopped || !m_encoder.isOpen()) continue;
        if (int error = 0; !counted && readFault(&error)) return error;
        counted = true;
        if (m_config.readChunk > 0) size = std::min(size, m_config.readChunk);
        size_t n = 0;
        if (m_config.speed > 0) {
            // Paced, the encoder works as time passes: a read takes the pictures due by now and
            // what the muxer has made of them, and waits for the next picture when that is
            // nothing yet. Encoding ahead would record more than the time it was asked for.
            if (!encodeDueLocked()) return -EIO;
            n = m_encoder.takeMade(static_cast<uint8_t*>(data), size);
            if (n == 0) continue;
        } else {
            n = m_encoder.take(static_cast<uint8_t*>(data), size);
        }
        m_readBytes += int64_t(n);
        m_packSize = m_encoder.packSize();
        return n == 0 && size > 0 ? -EIO : ssize_t(n);
    }
}

ssize_t SimDevice::write(const void* data, size_t size) {
    std::lock_guard lock(m_mutex);
    if (m_config.mode != SimConfig::Mode::Output) return -EINVAL;
    if (int error = 0; readFault(&error)) return error;
    const auto* p = static_cast<const uint8_t*>(data);
    m_output.insert(m_output.end(), p, p + size);
    return ssize_t(size);
}

void* SimDevice::map(size_t length, long offset) {
    std::lock_guard lock(m_mutex);
    if (offset < 0 || offset % 0x1000000 != 0) return nullptr;
    const size_t index = size_t(offset / 0x1000000);
    if (index >= m_buffers.size() || length != m_buffers[index].memory.size()) return nullptr;
    return m_buffers[index].memory.data();
}

void SimDevice::unmap(void*, size_t) {}

} // namespace zrv4l2
