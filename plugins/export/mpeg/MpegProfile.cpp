#include "plugins/export/mpeg/MpegProfile.h"

#include "platform/text/KeyCompare.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace exportmodule {

namespace {

// The DVD limits: the multiplex carries at most 10.08 Mbit/s, of which the video may take
// 9.5 beside the audio and the system overhead.
constexpr int64_t kDvdMaxVideoRate = 9500000;
constexpr int64_t kDvdMinVideoRate = 1000000;

} // namespace

std::optional<MpegProfile> mpegProfile(const ModuleSettings& settings, double frameRate) {
    MpegProfile p;
    if (std::fabs(frameRate - 25.0) < 0.5) {
        p.pal = true;
    } else if (std::fabs(frameRate - 30000.0 / 1001.0) < 0.1 || std::fabs(frameRate - 30.0) < 0.1) {
        p.pal = false;
    } else {
        return std::nullopt;
    }
    p.rate = p.pal ? AVRational{25, 1} : AVRational{30000, 1001};
    p.gop = p.pal ? 15 : 18;

    const std::string format = settings.text("Format").value_or("DVD");
    if (platform::keyEqual(format, "VCD")) {
        p.format = MpegFormat::VCD;
        p.muxer = "vcd";
        p.videoCodec = AV_CODEC_ID_MPEG1VIDEO;
        p.width = 352;
        p.height = p.pal ? 288 : 240;
        p.bitRate = p.maxRate = p.minRate = 1150000;
        p.bufferSize = 40 * 1024 * 8;
        p.audioCodec = AV_CODEC_ID_MP2;
        p.sampleRate = 44100;
        p.audioBitRate = 224000;
        p.packetSize = 2324;
        p.muxRate = 1411200;
        p.preload = 0.44;
    } else if (platform::keyEqual(format, "SVCD")) {
        p.format = MpegFormat::SVCD;
        p.muxer = "svcd";
        p.width = 480;
        p.height = p.pal ? 576 : 480;
        p.bitRate = 2040000;
        p.maxRate = 2516000;
        p.bufferSize = 224 * 1024 * 8;
        p.scanOffset = true;
        p.audioCodec = AV_CODEC_ID_MP2;
        p.sampleRate = 44100;
        p.audioBitRate = 224000;
        p.packetSize = 2324;
    } else if (platform::keyEqual(format, "DVD")) {
        p.format = MpegFormat::DVD;
        p.muxer = "dvd";
        p.width = 720;
        p.height = p.pal ? 576 : 480;
        p.maxRate = std::clamp<int64_t>(settings.integer("MaxBitrate").value_or(8000000),
                                        kDvdMinVideoRate, kDvdMaxVideoRate);
        p.bitRate = std::clamp<int64_t>(settings.integer("AvgBitrate").value_or(6000000),
                                        kDvdMinVideoRate, p.maxRate);
        p.bufferSize = 224 * 1024 * 8;
        p.audioCodec = AV_CODEC_ID_AC3;
        p.sampleRate = 48000;
        p.audioBitRate = 192000;
        p.packetSize = 2048;
        p.muxRate = 10080000;
    } else {
        return std::nullopt;
    }
    const long long split = settings.integer("Splitsize").value_or(0);
    p.splitBytes = split > 0 ? int64_t(split) * 1024 : 0;
    return p;
}

} // namespace exportmodule
