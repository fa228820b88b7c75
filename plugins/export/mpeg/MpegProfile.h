#pragma once

#include "plugins/export/common/ModuleSettings.h"

extern "C" {
#include <libavcodec/codec_id.h>
#include <libavutil/rational.h>
}

#include <cstdint>
#include <optional>

namespace exportmodule {

enum class MpegFormat { VCD, SVCD, DVD };

/// Everything that makes a file conform to one disc format in one TV standard.
struct MpegProfile {
    MpegFormat format = MpegFormat::DVD;
    bool pal = true;
    const char* muxer = "dvd";
    AVCodecID videoCodec = AV_CODEC_ID_MPEG2VIDEO;
    int width = 720;
    int height = 576;
    AVRational rate{25, 1};
    int gop = 15;
    int64_t bitRate = 0;
    int64_t maxRate = 0;
    int64_t minRate = 0;
    int bufferSize = 0;
    bool scanOffset = false;
    AVCodecID audioCodec = AV_CODEC_ID_AC3;
    int sampleRate = 48000;
    int64_t audioBitRate = 0;
    int packetSize = 2048;
    int64_t muxRate = 0;  // bit/s; 0 lets the muxer work it out
    double preload = 0.5; // seconds
    /// The largest size of one output file in bytes; 0 = no limit.
    int64_t splitBytes = 0;
};

/// The profile for the settings of group "Export::MPEG" ("Format" VCD, SVCD or DVD, DVD when
/// missing; "Splitsize" in kilobytes; for DVD "MaxBitrate" and "AvgBitrate" in bit/s) at
/// `frameRate` (near 25: PAL; near 29.97 or 30: NTSC at 30000/1001). Nothing for an unknown
/// format or another rate.
std::optional<MpegProfile> mpegProfile(const ModuleSettings& settings, double frameRate);

} // namespace exportmodule
