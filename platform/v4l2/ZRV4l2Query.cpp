#include "platform/v4l2/ZRV4l2Query.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace zrv4l2 {

std::optional<std::string> fieldText(const uint8_t* field, size_t size) {
    const void* end = std::memchr(field, 0, size);
    if (!end) return std::nullopt;
    return std::string(reinterpret_cast<const char*>(field),
                       size_t(static_cast<const uint8_t*>(end) - field));
}

bool Control::hasMenuEntry(int32_t index) const {
    for (const auto& [i, name] : menu)
        if (i == index) return true;
    return false;
}

int queryCapabilities(IZRV4l2Io& io, Capabilities* out) {
    *out = {};
    v4l2_capability cap{};
    if (const int r = io.ioctl(VIDIOC_QUERYCAP, &cap); r < 0) return r;
    auto driver = fieldText(cap.driver, sizeof cap.driver);
    auto card = fieldText(cap.card, sizeof cap.card);
    auto bus = fieldText(cap.bus_info, sizeof cap.bus_info);
    if (!driver || !card || !bus) return -EINVAL;
    out->driver = *driver;
    out->card = *card;
    out->busInfo = *bus;
    out->caps = (cap.capabilities & V4L2_CAP_DEVICE_CAPS) ? cap.device_caps : cap.capabilities;
    return 0;
}

std::vector<Input> enumInputs(IZRV4l2Io& io) {
    std::vector<Input> list;
    for (uint32_t i = 0; i < uint32_t(kMaxListEntries); ++i) {
        v4l2_input in{};
        in.index = i;
        if (io.ioctl(VIDIOC_ENUMINPUT, &in) < 0) break;
        auto name = fieldText(in.name, sizeof in.name);
        // The index is ours: a node that answers with another one is confused.
        if (!name || in.index != i) continue;
        list.push_back({i, *name, in.type, in.std});
    }
    return list;
}

std::vector<Standard> enumStandards(IZRV4l2Io& io) {
    std::vector<Standard> list;
    for (uint32_t i = 0; i < uint32_t(kMaxListEntries); ++i) {
        v4l2_standard s{};
        s.index = i;
        if (io.ioctl(VIDIOC_ENUMSTD, &s) < 0) break;
        auto name = fieldText(s.name, sizeof s.name);
        if (!name || s.id == 0) continue;
        list.push_back({s.id, *name});
    }
    return list;
}

std::vector<Format> enumFormats(IZRV4l2Io& io, uint32_t bufferType) {
    std::vector<Format> list;
    for (uint32_t i = 0; i < uint32_t(kMaxListEntries); ++i) {
        v4l2_fmtdesc f{};
        f.index = i;
        f.type = bufferType;
        if (io.ioctl(VIDIOC_ENUM_FMT, &f) < 0) break;
        auto name = fieldText(f.description, sizeof f.description);
        if (!name || f.pixelformat == 0) continue;
        list.push_back({f.pixelformat, (f.flags & V4L2_FMT_FLAG_COMPRESSED) != 0, *name});
    }
    return list;
}

std::vector<SizeRange> enumFrameSizes(IZRV4l2Io& io, uint32_t pixelFormat) {
    std::vector<SizeRange> list;
    constexpr uint32_t kMax = 16384;
    for (uint32_t i = 0; i < uint32_t(kMaxListEntries); ++i) {
        v4l2_frmsizeenum s{};
        s.index = i;
        s.pixel_format = pixelFormat;
        if (io.ioctl(VIDIOC_ENUM_FRAMESIZES, &s) < 0) break;
        SizeRange r;
        if (s.type == V4L2_FRMSIZE_TYPE_DISCRETE) {
            if (s.discrete.width == 0 || s.discrete.height == 0 || s.discrete.width > kMax ||
                s.discrete.height > kMax)
                continue;
            r.minWidth = r.maxWidth = int(s.discrete.width);
            r.minHeight = r.maxHeight = int(s.discrete.height);
            list.push_back(r);
            continue;
        }
        const auto& w = s.stepwise;
        if (s.type != V4L2_FRMSIZE_TYPE_STEPWISE && s.type != V4L2_FRMSIZE_TYPE_CONTINUOUS) break;
        if (w.min_width == 0 || w.min_height == 0 || w.min_width > w.max_width ||
            w.min_height > w.max_height || w.max_width > kMax || w.max_height > kMax)
            break;
        r.minWidth = int(w.min_width);
        r.maxWidth = int(w.max_width);
        r.minHeight = int(w.min_height);
        r.maxHeight = int(w.max_height);
        const bool continuous = s.type == V4L2_FRMSIZE_TYPE_CONTINUOUS;
        r.widthStep = continuous || w.step_width == 0 ? 1 : int(std::min(w.step_width, kMax));
        r.heightStep = continuous || w.step_height == 0 ? 1 : int(std::min(w.step_height, kMax));
        list.push_back(r);
        break; // a stepwise answer is the only one
    }
    return list;
}

std::optional<Control> queryControl(IZRV4l2Io& io, uint32_t id) {
    v4l2_queryctrl q{};
    q.id = id;
    if (io.ioctl(VIDIOC_QUERYCTRL, &q) < 0 || q.id != id) return std::nullopt;
    if (q.flags & V4L2_CTRL_FLAG_DISABLED) return std::nullopt;
    auto name = fieldText(q.name, sizeof q.name);
    if (!name || q.minimum > q.maximum) return std::nullopt;
    Control c;
    c.id = id;
    c.type = q.type;
    c.name = *name;
    c.minimum = q.minimum;
    c.maximum = q.maximum;
    c.step = q.step > 0 ? q.step : 1;
    c.defaultValue = q.default_value;
    if (q.type == V4L2_CTRL_TYPE_MENU || q.type == V4L2_CTRL_TYPE_INTEGER_MENU) {
        if (q.minimum < 0) return std::nullopt;
        // Menus may skip indices, but a driver's menu is short: a range of
        // billions with every query failing must not spin for minutes.
        const int64_t last = std::min<int64_t>(q.maximum, int64_t(q.minimum) + kMaxMenuIndices - 1);
        for (int64_t i = q.minimum; i <= last && c.menu.size() < size_t(kMaxListEntries); ++i) {
            v4l2_querymenu m{};
            m.id = id;
            m.index = uint32_t(i);
            if (io.ioctl(VIDIOC_QUERYMENU, &m) < 0 || m.id != id || m.index != uint32_t(i))
                continue;
            if (q.type == V4L2_CTRL_TYPE_INTEGER_MENU) {
                c.menu.emplace_back(int32_t(i), std::to_string(m.value));
            } else if (auto entry = fieldText(m.name, sizeof m.name)) {
                c.menu.emplace_back(int32_t(i), *entry);
            }
        }
        if (c.menu.empty()) return std::nullopt;
    }
    return c;
}

int getControl(IZRV4l2Io& io, uint32_t id, int32_t* value) {
    *value = 0;
    v4l2_ext_control c{};
    c.id = id;
    v4l2_ext_controls cs{};
    cs.which = V4L2_CTRL_WHICH_CUR_VAL;
    cs.count = 1;
    cs.controls = &c;
    if (const int r = io.ioctl(VIDIOC_G_EXT_CTRLS, &cs); r < 0) return r;
    *value = c.value;
    return 0;
}

int setControl(IZRV4l2Io& io, uint32_t id, int32_t value) {
    return setControls(io, {{id, value}});
}

int setControls(IZRV4l2Io& io, const std::vector<std::pair<uint32_t, int32_t>>& values) {
    if (values.empty()) return 0;
    std::vector<v4l2_ext_control> list(values.size());
    for (size_t i = 0; i < values.size(); ++i) {
        list[i].id = values[i].first;
        list[i].value = values[i].second;
    }
    v4l2_ext_controls cs{};
    cs.which = V4L2_CTRL_WHICH_CUR_VAL;
    cs.count = uint32_t(list.size());
    cs.controls = list.data();
    return io.ioctl(VIDIOC_S_EXT_CTRLS, &cs);
}

int setFormat(IZRV4l2Io& io, uint32_t bufferType, uint32_t width, uint32_t height,
              uint32_t pixelFormat, PixFormat* out) {
    *out = {};
    v4l2_format f{};
    f.type = bufferType;
    if (const int r = io.ioctl(VIDIOC_G_FMT, &f); r < 0) return r;
    f.type = bufferType;
    f.fmt.pix.width = width;
    f.fmt.pix.height = height;
    f.fmt.pix.pixelformat = pixelFormat;
    f.fmt.pix.field = V4L2_FIELD_ANY;
    f.fmt.pix.bytesperline = 0;
    if (const int r = io.ioctl(VIDIOC_S_FMT, &f); r < 0) return r;
    const v4l2_pix_format& p = f.fmt.pix;
    if (p.width == 0 || p.height == 0 || p.width > 16384 || p.height > 16384) return -EINVAL;
    if (p.bytesperline > 0 && uint64_t(p.sizeimage) < uint64_t(p.bytesperline) * p.height)
        return -EINVAL;
    if (p.pixelformat == V4L2_PIX_FMT_YUYV &&
        (uint64_t(p.bytesperline) < uint64_t(p.width) * 2 || p.sizeimage == 0))
        return -EINVAL;
    *out = {p.width, p.height, p.pixelformat, p.bytesperline, p.sizeimage};
    return 0;
}

} // namespace zrv4l2
