#pragma once

#include <cstdint>

namespace platform {

class RowWorkers;

/// Converts a 32-bit BGRA picture (bytes blue, green, red, alpha; rows `stride` bytes apart)
/// into planar YUV 4:2:0 of the same size: BT.601 studio range, each chroma sample the mean of
/// its 2 x 2 block of pixels. `width` and `height` must be even. `planes` and `strides` are the
/// Y, U and V planes. With `workers` the rows are spread over its threads; the result is the
/// same either way.
/// Thread-safety: pure function of its arguments (the workers are the caller's).
void bgraToYuv420(const uint8_t* pixels, int width, int height, int stride,
                  uint8_t* const planes[3], const int strides[3], RowWorkers* workers);

} // namespace platform
