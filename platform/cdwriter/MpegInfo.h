#pragma once

#include <QString>

#include <optional>

/// What a Video CD needs to know of an MPEG file, read with libavformat.
namespace mpeginfo {

/// The disc kinds a file can go on.
enum class VcdKind { Vcd, Svcd };

struct MpegInfo {
    bool mpeg2 = false; ///< the video stream is MPEG-2 (else MPEG-1)
    int width = 0;
    int height = 0;
};

/// The first video stream of the regular file `path` when it is MPEG-1 or MPEG-2 video;
/// nothing for any other file or stream. Reads only the stream headers.
std::optional<MpegInfo> read(const QString& path);

/// The disc kind whose profile `info` fits: MPEG-1 352 × 288 or 352 × 240 for a VCD, MPEG-2
/// 480 × 576 or 480 × 480 for an SVCD; nothing for any other (a DVD-profile file among them).
std::optional<VcdKind> vcdKindOf(const MpegInfo& info);

/// True when the picture is NTSC's (480 or 240 lines).
inline bool isNtsc(const MpegInfo& info) {
    return info.height == 480 || info.height == 240;
}

} // namespace mpeginfo
