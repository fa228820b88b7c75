// Stored JPEG frames are read back from files in the temporary folder: any bytes must decode or
// be refused without a fault. Inputs whose first byte is odd patch a valid compressed frame
// with (offset, value) pairs, so the decoder sees mostly valid data with a few damaged bytes;
// the others are taken as a whole JPEG stream, decoded at the size its header names.
#include "platform/mjpeg/JPEGDecoder.h"
#include "platform/mjpeg/JPEGEncoder.h"

#include <turbojpeg.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

constexpr int kWidth = 48;
constexpr int kHeight = 40;
// Larger pictures are only slower to fuzz, not different to decode.
constexpr int kMaxSide = 1024;

std::vector<unsigned char> compressedFrame() {
    std::vector<unsigned char> pixels(size_t(kWidth) * 4 * kHeight);
    for (size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = static_cast<unsigned char>(i * 13 / 7 + i / 192 * 3);
    std::vector<unsigned char> jpeg;
    platform::JPEGEncoder encoder;
    if (encoder.compress(pixels.data(), kWidth * 4, kWidth, kHeight, 90, jpeg) !=
        platform::JPEGStatus::Ok)
        jpeg.clear();
    return jpeg;
}

// The size the stream's header names; `width` and `height` stay as they are when it names none.
void headerSize(const std::vector<unsigned char>& jpeg, int& width, int& height) {
    tjhandle handle = tjInitDecompress();
    if (!handle) return;
    int w = 0, h = 0, subsampling = 0, colourspace = 0;
    if (tjDecompressHeader3(handle, jpeg.data(), jpeg.size(), &w, &h, &subsampling, &colourspace) ==
            0 &&
        w > 0 && h > 0 && w <= kMaxSide && h <= kMaxSide) {
        width = w;
        height = h;
    }
    tjDestroy(handle);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::vector<unsigned char> base = compressedFrame();
    static platform::JPEGDecoder decoder;

    std::vector<unsigned char> jpeg;
    if (size >= 1 && (data[0] & 1) && !base.empty()) {
        jpeg = base;
        size_t at = 1;
        for (; at + 3 <= size; at += 3) {
            uint16_t offset;
            std::memcpy(&offset, data + at, 2);
            jpeg[offset % jpeg.size()] = data[at + 2];
        }
        if (size - at == 1) jpeg.resize(data[at] * jpeg.size() / 256);
    } else {
        jpeg.assign(data, data + size);
    }
    int width = kWidth, height = kHeight;
    if (!jpeg.empty()) headerSize(jpeg, width, height);
    std::vector<unsigned char> picture(size_t(width) * 4 * size_t(height));
    (void)decoder.decompress(jpeg, picture.data(), width * 4, width, height);
    return 0;
}
