#pragma once

#include <QString>

#include <cstddef>
#include <cstdint>
#include <functional>

/// Four characters as a little-endian word, the first character in the low byte.
constexpr uint32_t zrFourCC(const char (&text)[5]) {
    return uint32_t(uint8_t(text[0])) | uint32_t(uint8_t(text[1])) << 8 |
           uint32_t(uint8_t(text[2])) << 16 | uint32_t(uint8_t(text[3])) << 24;
}

/// What the first bytes of a media file say it is.
struct ZRMediaKind {
    const char* kind = nullptr; ///< "AVI", "MPEG" or "DIF"; null when not recognised
    uint32_t subtype = 0;       ///< a FourCC ("DVSD", "OVDV", "OVMP", a stream handler) or 1/2
};

/// Reads up to `size` bytes at `offset` into `buffer`; answers how many arrived.
using ZRMediaReader = std::function<size_t(uint64_t offset, void* buffer, size_t size)>;

/// Identifies media from its first bytes: AVI by its RIFF header and first stream header, MPEG
/// by a sequence, pack or video packet header, a "CDXA" RIFF or transport stream sync bytes,
/// segment lists by "OVDV" / "OVMP", raw DV by its first DIF block. Reads only through `read`,
/// checks every offset it follows and never loops: the chunk walk stops when an offset does not
/// grow or passes `size`.
ZRMediaKind zrIdentifyMedia(const ZRMediaReader& read, uint64_t size);

/// The same for a file; not recognised when it is not a readable regular file.
ZRMediaKind zrIdentifyMediaFile(const QString& path);
