#pragma once

#include "platform/mjpeg/JPEGFrame.h"
#include "platform/mjpeg/TurboJPEGHandle.h"

#include <vector>

namespace platform {

/// Compresses one 32-bit BGRA picture (bytes blue, green, red, alpha; rows top-down) into a
/// baseline JPEG picture with 4:2:0 chroma, over TurboJPEG. Alpha is not stored. The
/// compressor is made on first use and kept.
/// Thread-safety: an encoder is used by one thread at a time; separate encoders are
/// independent and may work in parallel.
class JPEGEncoder {
public:
    JPEGEncoder();
    ~JPEGEncoder();
    JPEGEncoder(const JPEGEncoder&) = delete;
    JPEGEncoder& operator=(const JPEGEncoder&) = delete;

    /// Replaces `jpeg` with the JPEG picture of the `width` x `height` picture at `pixels`
    /// (rows `stride` bytes apart) at `quality` (1..100). `jpeg` is empty on failure. Its
    /// capacity is kept, so a vector reused from frame to frame is allocated once.
    [[nodiscard]] JPEGStatus compress(const unsigned char* pixels, int stride, int width,
                                      int height, int quality, std::vector<unsigned char>& jpeg);

private:
    turbojpeg::Handle m_compressor;
};

} // namespace platform
