#pragma once

#include "platform/v4l2/ZRV4l2Io.h"

#include <linux/videodev2.h>

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

/// The requests the device layer makes of a V4L2 node and the checks on every reply: a reply
/// is trusted for nothing. A name without its terminating zero, a control whose minimum
/// exceeds its maximum, a menu without entries or a size of zero counts as absent; lists stop
/// at the first refusal and never grow beyond a fixed bound. Outputs are reset on failure.
/// Thread-safety: free functions over one node, which is used by one thread at a time.
namespace zrv4l2 {

/// What `VIDIOC_QUERYCAP` tells of a node.
struct Capabilities {
    std::string driver;
    std::string card;
    std::string busInfo;
    uint32_t caps = 0; ///< the node's own capabilities (device_caps when given)
};

struct Input {
    uint32_t index = 0;
    std::string name;
    uint32_t type = 0; ///< V4L2_INPUT_TYPE_TUNER or _CAMERA
    v4l2_std_id standards = 0;
};

struct Standard {
    v4l2_std_id id = 0;
    std::string name;
};

struct Format {
    uint32_t pixelFormat = 0;
    bool compressed = false;
    std::string description;
};

/// Sizes a format offers: one size (minimum = maximum) or a range by steps.
struct SizeRange {
    int minWidth = 0, maxWidth = 0, widthStep = 1;
    int minHeight = 0, maxHeight = 0, heightStep = 1;
};

struct Control {
    uint32_t id = 0;
    uint32_t type = 0;
    std::string name;
    int32_t minimum = 0, maximum = 0, step = 1, defaultValue = 0;
    /// Menu entries (index, name); integer menus name the value in decimal.
    std::vector<std::pair<int32_t, std::string>> menu;
    bool hasMenuEntry(int32_t index) const;
};

/// The picture format a node agreed to.
struct PixFormat {
    uint32_t width = 0, height = 0;
    uint32_t pixelFormat = 0;
    uint32_t bytesPerLine = 0;
    uint32_t imageSize = 0;
};

/// The most entries any list takes from a node.
inline constexpr int kMaxListEntries = 64;
// Menu indices tried per control, gaps included.
inline constexpr int kMaxMenuIndices = 256;

/// The text of a fixed-size name field; nothing when it lacks its terminating zero.
std::optional<std::string> fieldText(const uint8_t* field, size_t size);

[[nodiscard]] int queryCapabilities(IZRV4l2Io& io, Capabilities* out);
std::vector<Input> enumInputs(IZRV4l2Io& io);
std::vector<Standard> enumStandards(IZRV4l2Io& io);
std::vector<Format> enumFormats(IZRV4l2Io& io, uint32_t bufferType);
std::vector<SizeRange> enumFrameSizes(IZRV4l2Io& io, uint32_t pixelFormat);
/// A control the node offers and does not disable; nothing when absent or malformed.
std::optional<Control> queryControl(IZRV4l2Io& io, uint32_t id);

[[nodiscard]] int getControl(IZRV4l2Io& io, uint32_t id, int32_t* value);
/// Sets one control (through the extended call, which every control class takes).
[[nodiscard]] int setControl(IZRV4l2Io& io, uint32_t id, int32_t value);
/// Sets controls of one class at once, in the order given.
[[nodiscard]] int setControls(IZRV4l2Io& io,
                              const std::vector<std::pair<uint32_t, int32_t>>& values);

/// Asks for a capture or output format and returns what the node agreed to (drivers adjust
/// sizes and line lengths): -EINVAL, with `*out` cleared, when the reply has a zero size or an
/// image size short of its lines.
[[nodiscard]] int setFormat(IZRV4l2Io& io, uint32_t bufferType, uint32_t width, uint32_t height,
                            uint32_t pixelFormat, PixFormat* out);

} // namespace zrv4l2
