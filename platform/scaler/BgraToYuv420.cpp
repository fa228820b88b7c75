#include "platform/scaler/BgraToYuv420.h"

#include "platform/scaler/RowWorkers.h"

#include <cstring>

namespace platform {

namespace {

// BT.601 studio-range weights in 16-bit fixed point.
constexpr int fixed(double value) {
    return int(value * 65536.0 + (value < 0 ? -0.5 : 0.5));
}
constexpr int kYR = fixed(0.299 * 219.0 / 255.0);
constexpr int kYG = fixed(0.587 * 219.0 / 255.0);
constexpr int kYB = fixed(0.114 * 219.0 / 255.0);
constexpr int kUB = fixed(0.5 * 224.0 / 255.0);
constexpr int kUR = fixed(-0.168736 * 224.0 / 255.0);
constexpr int kUG = -kUB - kUR; // the weights of a chroma row sum to 0, so grey stays grey
constexpr int kVR = kUB;
constexpr int kVB = fixed(-0.081312 * 224.0 / 255.0);
constexpr int kVG = -kVR - kVB;

// The high half of a 16 x 16-bit product, which vectorises into one instruction.
inline uint16_t highHalf(uint16_t value, int weight) {
    return uint16_t((uint32_t(value) * uint32_t(weight)) >> 16);
}

// Pixel `x` of a BGRA row as B, G, R, A from the lowest byte up (rows need no alignment).
inline uint32_t pixelAt(const uint8_t* row, int x) {
    uint32_t p;
    std::memcpy(&p, row + 4 * x, 4);
    return p;
}

// One row of luma. The channels enter as value * 256, so the sum keeps 8 bits of fraction.
[[gnu::always_inline]] inline void lumaRow(const uint8_t* __restrict in, uint8_t* __restrict out,
                                           int width) {
    for (int x = 0; x < width; ++x) {
        const uint32_t p = pixelAt(in, x);
        const unsigned sum = highHalf(uint16_t((p << 8) & 0xff00), kYB) +
                             highHalf(uint16_t(p & 0xff00), kYG) +
                             highHalf(uint16_t((p >> 8) & 0xff00), kYR);
        out[x] = uint8_t((sum + (16 << 8) + 128) >> 8);
    }
}

// One row of each chroma plane from two rows of pixels: the mean of each 2x2 block.
[[gnu::always_inline]] inline void chromaRow(const uint8_t* __restrict top,
                                             const uint8_t* __restrict bottom,
                                             uint8_t* __restrict u, uint8_t* __restrict v,
                                             int width) {
    constexpr int bias = (128 << 18) + (1 << 17); // the weights apply to sums of 4 pixels
    for (int x = 0; x < width; ++x) {
        const uint32_t p0 = pixelAt(top, 2 * x), p1 = pixelAt(top, 2 * x + 1);
        const uint32_t p2 = pixelAt(bottom, 2 * x), p3 = pixelAt(bottom, 2 * x + 1);
        const int blue = int(p0 & 255) + int(p1 & 255) + int(p2 & 255) + int(p3 & 255);
        const int green = int((p0 >> 8) & 255) + int((p1 >> 8) & 255) + int((p2 >> 8) & 255) +
                          int((p3 >> 8) & 255);
        const int red = int((p0 >> 16) & 255) + int((p1 >> 16) & 255) + int((p2 >> 16) & 255) +
                        int((p3 >> 16) & 255);
        u[x] = uint8_t((kUB * blue + kUG * green + kUR * red + bias) >> 18);
        v[x] = uint8_t((kVB * blue + kVG * green + kVR * red + bias) >> 18);
    }
}

[[gnu::always_inline]] inline void rows(const uint8_t* pixels, int width, int stride,
                                        uint8_t* const planes[3], const int strides[3], int begin,
                                        int end) {
    for (int y = begin; y < end; y += 2) {
        const uint8_t* top = pixels + size_t(stride) * size_t(y);
        uint8_t* luma = planes[0] + size_t(strides[0]) * size_t(y);
        lumaRow(top, luma, width);
        lumaRow(top + stride, luma + strides[0], width);
        chromaRow(top, top + stride, planes[1] + size_t(strides[1]) * size_t(y / 2),
                  planes[2] + size_t(strides[2]) * size_t(y / 2), width / 2);
    }
}

// The same loops built for AVX2: its wider lanes and 32-bit multiply take a third of the time.
[[gnu::target("avx2")]] void rowsAvx2(const uint8_t* pixels, int width, int stride,
                                      uint8_t* const planes[3], const int strides[3], int begin,
                                      int end) {
    rows(pixels, width, stride, planes, strides, begin, end);
}

void rowsBaseline(const uint8_t* pixels, int width, int stride, uint8_t* const planes[3],
                  const int strides[3], int begin, int end) {
    rows(pixels, width, stride, planes, strides, begin, end);
}

// Chosen at the first call rather than by the loader (an ifunc): a resolver runs before the
// sanitizers' runtimes are set up and cannot be instrumented.
void convertRows(const uint8_t* pixels, int width, int stride, uint8_t* const planes[3],
                 const int strides[3], int begin, int end) {
    static const bool avx2 = __builtin_cpu_supports("avx2");
    (avx2 ? rowsAvx2 : rowsBaseline)(pixels, width, stride, planes, strides, begin, end);
}

} // namespace

void bgraToYuv420(const uint8_t* pixels, int width, int height, int stride,
                  uint8_t* const planes[3], const int strides[3], RowWorkers* workers) {
    if (!workers || workers->threads() < 2) {
        convertRows(pixels, width, stride, planes, strides, 0, height);
        return;
    }
    // Bands of whole row pairs: each band writes its own chroma rows.
    workers->run(height, 2, [&](int begin, int end) {
        convertRows(pixels, width, stride, planes, strides, begin, end);
    });
}

} // namespace platform
