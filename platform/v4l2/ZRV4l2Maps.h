#pragma once

#include "platform/v4l2/ZRV4l2Query.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

/// The tables between the capture paths' terms and V4L2's: proc-amp properties and control
/// ids, analog video standard bits and `v4l2_std_id`, inputs and physical connector types, the
/// MPEG encoder's property records and the stream controls they become.
/// Thread-safety: pure functions.
namespace zrv4l2 {

/// The control of proc-amp property 0 (brightness) to 4 (sharpness); 0 for any other.
uint32_t procAmpControl(int property);

/// The analog video standard bits of a V4L2 standard set (0x1 NTSC M, 0x10 PAL B, ...).
uint32_t analogStandardOf(v4l2_std_id id);
/// The V4L2 standard set of analog video standard bits.
v4l2_std_id v4l2StandardOf(uint32_t analog);

/// The physical connector type of an input (1 tuner, 2 composite, 3 S-Video, 4 RGB,
/// 5 component, 10 IEEE 1394): by its type, then by its name.
int connectorOf(const Input& input);

/// The disc formats of the settings block's word 0.
enum class DiscFormat { Vcd, Svcd, Dvd };
DiscFormat discFormatOf(long word0);

/// The encoder's property records (their fields as the paths fill them).
struct EncoderVideoSettings { // id 1
    uint32_t bitRate = 0;
    uint32_t peakBitRate = 0;
    uint32_t variable = 0;
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t mpeg1 = 0;
    /// Whether the encoder's record has the MPEG-1 field (the Kestrel 200's): only then does
    /// `mpeg1` choose the video encoding.
    bool hasMpeg1Field = false;
};
struct EncoderVideoRange { // id 4
    uint32_t minimum = 0;
    uint32_t maximum = 0;
    uint32_t defaultRate = 0;
};
inline constexpr int kEncoderVideoSettings = 1;
inline constexpr int kEncoderAudioSettings = 3;
inline constexpr int kEncoderVideoRange = 4;
inline constexpr int kEncoderGop = 10;
inline constexpr int kEncoderAudioCoding = 12;
inline constexpr int kEncoderStreamType = 13;

using ControlList = std::vector<std::pair<uint32_t, int32_t>>;

/// id 13: the stream type by disc format (VCD, SVCD or DVD program stream) and the video
/// encoding by MPEG version (1 or 2).
ControlList streamTypeControls(DiscFormat format, int mpegVersion);
/// id 10: the GOP size and the B frames between anchors (anchor distance - 1).
ControlList gopControls(int gopLength, int anchorDistance);
/// id 1: bit rate, peak and mode (the size goes through the format), and with the MPEG-1 field
/// the video encoding (MPEG-1 when set, else MPEG-2).
ControlList videoSettingsControls(const EncoderVideoSettings& s);
/// id 3: the sampling frequency menu entry of `hz`; empty for a rate without one.
ControlList audioRateControls(int hz);
/// id 12: the MPEG audio layer II bit rate menu entry nearest at or above `bitsPerSecond`.
ControlList audioBitRateControls(int bitsPerSecond);
/// The rate in Hz of a sampling frequency menu entry (0 for none).
int audioRateOfEntry(int32_t entry);
/// The layer II bit rate in bit/s of a menu entry (0 for none).
int audioBitRateOfEntry(int32_t entry);

} // namespace zrv4l2
