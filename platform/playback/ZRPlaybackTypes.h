#pragma once

#include <cstdint>

/// Times, results and format records shared by the playback pipeline and its sources.

/// A media time in 100-nanosecond units.
using ZRMediaTime = int64_t;

inline constexpr ZRMediaTime kZRMediaTimePerSecond = 10000000;

/// Results of the source and pipeline operations.
using ZRResult = int32_t;
inline constexpr ZRResult kZROk = 0;
inline constexpr ZRResult kZRFail = int32_t(0x80004005u);
inline constexpr ZRResult kZRNoMoreItems = 0x00040103;

/// A 128-bit identifier as stored in format records.
struct ZRGuid {
    uint32_t data1;
    uint16_t data2;
    uint16_t data3;
    uint8_t data4[8];

    friend bool operator==(const ZRGuid&, const ZRGuid&) = default;
};
static_assert(sizeof(ZRGuid) == 16);

/// The one video subtype the sources deliver: 32-bit RGB, bytes blue, green, red, unused.
inline constexpr ZRGuid kZRSubtypeRGB32{
    0xE436EB7E, 0x524F, 0x11CE, {0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};

/// A video format (48 bytes, little-endian): width, height (rows top-down whatever its sign),
/// planes 1, 32 bits, no compression, the image size, the frame duration and the subtype.
struct ZRVideoFormatRecord {
    uint32_t reserved;
    int32_t width;
    int32_t height;
    uint16_t planes;
    uint16_t bitCount;
    uint32_t compression;
    uint32_t imageSize;
    int64_t averageTimePerFrame;
    ZRGuid subtype;
};
static_assert(sizeof(ZRVideoFormatRecord) == 48);

/// An audio format: interleaved PCM (8 bits unsigned, else signed little-endian) in the
/// second, third and fourth 32-bit words.
struct ZRAudioFormatRecord {
    uint32_t reserved;
    int32_t sampleRate;
    int32_t bitsPerSample;
    int32_t channels;
};
static_assert(sizeof(ZRAudioFormatRecord) == 16);
