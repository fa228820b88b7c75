#pragma once

#include <cstdint>

/// Scales a picture into a 32-bit BGRA rectangle (bytes blue, green, red, alpha in memory),
/// over libswscale. Contexts are cached per thread and per (format, sizes, filter).

/// A four-character code: the first character in the low byte ('BGRA' = 0x41524742).
constexpr uint32_t srFourCC(const char (&code)[5]) {
    return uint32_t(uint8_t(code[0])) | uint32_t(uint8_t(code[1])) << 8 |
           uint32_t(uint8_t(code[2])) << 16 | uint32_t(uint8_t(code[3])) << 24;
}

/// 32-bit pixels, bytes blue, green, red, alpha.
inline constexpr uint32_t kFourCC_BGRA = srFourCC("BGRA");
/// 24-bit pixels, bytes blue, green, red; scaled pixels get alpha 255.
inline constexpr uint32_t kFourCC_BGR3 = srFourCC("BGR3");

/// Writes a scaled copy of the source (`sourceFourCC` 'BGRA' or 'BGR3') into the destination
/// BGRA rectangle. Strides are bytes from one row to the next and may exceed a row (a stride
/// of twice the row reads one field of an interlaced picture); rows are top-down. Scaling is
/// filtered bilinear. `instance` and `reserved` are 0; `quality` (1 or 0 by the callers) does
/// not change the result.
/// False, with the destination untouched, for an unknown code, a null pointer, a size below 1
/// or above 16384, or a stride shorter than a row.
/// Thread-safety: may be called from any thread; each thread has its own contexts.
[[nodiscard]] bool SRScaler_FourCC_BGRA(int instance, uint32_t sourceFourCC,
                                        const unsigned char* source, int sourceStride,
                                        int sourceWidth, int sourceHeight,
                                        unsigned char* destination, int destinationStride,
                                        int destinationWidth, int destinationHeight, int reserved,
                                        int quality);
