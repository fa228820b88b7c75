#include "platform/v4l2/ZRV4l2Maps.h"

#include <QString>

#include <algorithm>
#include <climits>

namespace zrv4l2 {

uint32_t procAmpControl(int property) {
    static constexpr uint32_t kControls[] = {V4L2_CID_BRIGHTNESS, V4L2_CID_CONTRAST, V4L2_CID_HUE,
                                             V4L2_CID_SATURATION, V4L2_CID_SHARPNESS};
    return property >= 0 && property < 5 ? kControls[property] : 0;
}

namespace {

// One analog standard bit and the V4L2 standards it stands for.
struct StandardPair {
    uint32_t analog;
    v4l2_std_id v4l2;
};

constexpr StandardPair kStandards[] = {
    {0x1, V4L2_STD_NTSC_M},
    {0x2, V4L2_STD_NTSC_M_JP},
    {0x4, V4L2_STD_NTSC_443},
    {0x10, V4L2_STD_PAL_B | V4L2_STD_PAL_B1},
    {0x20, V4L2_STD_PAL_D | V4L2_STD_PAL_D1},
    {0x40, V4L2_STD_PAL_G},
    {0x80, V4L2_STD_PAL_H},
    {0x100, V4L2_STD_PAL_I},
    {0x200, V4L2_STD_PAL_M},
    {0x400, V4L2_STD_PAL_N},
    {0x800, V4L2_STD_PAL_60},
    {0x1000, V4L2_STD_SECAM_B},
    {0x2000, V4L2_STD_SECAM_D},
    {0x4000, V4L2_STD_SECAM_G},
    {0x8000, V4L2_STD_SECAM_H},
    {0x10000, V4L2_STD_SECAM_K},
    {0x20000, V4L2_STD_SECAM_K1},
    {0x40000, V4L2_STD_SECAM_L},
    {0x80000, V4L2_STD_SECAM_LC},
    {0x100000, V4L2_STD_PAL_Nc},
};

} // namespace

uint32_t analogStandardOf(v4l2_std_id id) {
    uint32_t bits = 0;
    for (const StandardPair& p : kStandards)
        if (id & p.v4l2) bits |= p.analog;
    return bits;
}

v4l2_std_id v4l2StandardOf(uint32_t analog) {
    v4l2_std_id id = 0;
    for (const StandardPair& p : kStandards)
        if (analog & p.analog) id |= p.v4l2;
    return id;
}

int connectorOf(const Input& input) {
    if (input.type == V4L2_INPUT_TYPE_TUNER) return 1;
    const QString name = QString::fromUtf8(input.name.c_str()).toLower().remove(QLatin1Char('-'));
    if (name.contains(QLatin1String("svideo")) || name.contains(QLatin1String("s video"))) return 3;
    if (name.contains(QLatin1String("1394")) || name.contains(QLatin1String("firewire"))) return 10;
    if (name.contains(QLatin1String("component")) || name.contains(QLatin1String("ypbpr")))
        return 5;
    if (name.contains(QLatin1String("rgb")) || name.contains(QLatin1String("scart"))) return 4;
    if (name.contains(QLatin1String("tuner")) || name.contains(QLatin1String("television")))
        return 1;
    return 2;
}

DiscFormat discFormatOf(long word0) {
    return word0 == 1 ? DiscFormat::Vcd : word0 == 2 ? DiscFormat::Svcd : DiscFormat::Dvd;
}

ControlList streamTypeControls(DiscFormat format, int mpegVersion) {
    const int32_t type = format == DiscFormat::Vcd    ? V4L2_MPEG_STREAM_TYPE_MPEG1_VCD
                         : format == DiscFormat::Svcd ? V4L2_MPEG_STREAM_TYPE_MPEG2_SVCD
                                                      : V4L2_MPEG_STREAM_TYPE_MPEG2_DVD;
    const int32_t encoding =
        mpegVersion == 1 ? V4L2_MPEG_VIDEO_ENCODING_MPEG_1 : V4L2_MPEG_VIDEO_ENCODING_MPEG_2;
    return {{V4L2_CID_MPEG_STREAM_TYPE, type}, {V4L2_CID_MPEG_VIDEO_ENCODING, encoding}};
}

ControlList gopControls(int gopLength, int anchorDistance) {
    return {{V4L2_CID_MPEG_VIDEO_GOP_SIZE, gopLength},
            {V4L2_CID_MPEG_VIDEO_B_FRAMES, std::max(anchorDistance - 1, 0)}};
}

ControlList videoSettingsControls(const EncoderVideoSettings& s) {
    // The mode goes first: a driver checks the peak against the mode's rules.
    ControlList list = {
        {V4L2_CID_MPEG_VIDEO_BITRATE_MODE,
         s.variable ? V4L2_MPEG_VIDEO_BITRATE_MODE_VBR : V4L2_MPEG_VIDEO_BITRATE_MODE_CBR},
        {V4L2_CID_MPEG_VIDEO_BITRATE, int32_t(std::min<uint32_t>(s.bitRate, INT32_MAX))},
        {V4L2_CID_MPEG_VIDEO_BITRATE_PEAK, int32_t(std::min<uint32_t>(s.peakBitRate, INT32_MAX))}};
    // An encoder without the stream type property learns the MPEG version here.
    if (s.hasMpeg1Field)
        list.push_back({V4L2_CID_MPEG_VIDEO_ENCODING, s.mpeg1 ? V4L2_MPEG_VIDEO_ENCODING_MPEG_1
                                                              : V4L2_MPEG_VIDEO_ENCODING_MPEG_2});
    return list;
}

namespace {

constexpr int kRates[] = {44100, 48000, 32000};
constexpr int kL2Rates[] = {32000,  48000,  56000,  64000,  80000,  96000,  112000,
                            128000, 160000, 192000, 224000, 256000, 320000, 384000};

} // namespace

ControlList audioRateControls(int hz) {
    for (int i = 0; i < 3; ++i)
        if (kRates[i] == hz) return {{V4L2_CID_MPEG_AUDIO_SAMPLING_FREQ, i}};
    return {};
}

ControlList audioBitRateControls(int bitsPerSecond) {
    for (int i = 0; i < 14; ++i)
        if (kL2Rates[i] >= bitsPerSecond) return {{V4L2_CID_MPEG_AUDIO_L2_BITRATE, i}};
    return {{V4L2_CID_MPEG_AUDIO_L2_BITRATE, 13}};
}

int audioRateOfEntry(int32_t entry) {
    return entry >= 0 && entry < 3 ? kRates[entry] : 0;
}

int audioBitRateOfEntry(int32_t entry) {
    return entry >= 0 && entry < 14 ? kL2Rates[entry] : 0;
}

} // namespace zrv4l2
