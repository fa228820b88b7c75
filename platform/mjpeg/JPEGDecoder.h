#pragma once

#include "platform/mjpeg/JPEGFrame.h"
#include "platform/mjpeg/TurboJPEGHandle.h"

#include <memory>
#include <span>

namespace platform {

/// Decompresses one JPEG picture into a 32-bit BGRA picture (bytes blue, green, red, alpha;
/// rows top-down) of the same size, over TurboJPEG. Decoded pixels get alpha 255. Damaged
/// data fails, warnings included: a picture cut short is never handed out half grey. The
/// decompressor and a scratch picture that only grows are kept between calls.
/// Thread-safety: a decoder is used by one thread at a time; separate decoders are
/// independent and may work in parallel.
class JPEGDecoder {
public:
    JPEGDecoder();
    ~JPEGDecoder();
    JPEGDecoder(const JPEGDecoder&) = delete;
    JPEGDecoder& operator=(const JPEGDecoder&) = delete;

    /// Decodes `jpeg` into the `width` x `height` picture at `pixels` (rows `stride` bytes
    /// apart); the JPEG picture must be of that size. On failure the picture is left as it was.
    [[nodiscard]] JPEGStatus decompress(std::span<const unsigned char> jpeg, unsigned char* pixels,
                                        int stride, int width, int height);

private:
    turbojpeg::Handle m_decompressor;
    std::unique_ptr<unsigned char[]> m_scratch;
    size_t m_scratchSize = 0;
};

} // namespace platform
