#include "platform/mjpeg/JPEGDecoder.h"

#include <cstring>
#include <new>

namespace platform {

JPEGDecoder::JPEGDecoder() = default;
JPEGDecoder::~JPEGDecoder() = default;

JPEGStatus JPEGDecoder::decompress(std::span<const unsigned char> jpeg, unsigned char* pixels,
                                   int stride, int width, int height) {
    if (!jpegPictureValid(pixels, stride, width, height)) return JPEGStatus::InvalidPicture;
    if (jpeg.empty()) return JPEGStatus::CorruptData;
    if (!m_decompressor) m_decompressor.reset(tjInitDecompress());
    if (!m_decompressor) return JPEGStatus::CodecFailure;

    // A tables-only stream answers success without a size, and a failure can leave the
    // decompressor unable to read the next header: any failure drops it, to be made afresh.
    int jpegWidth = 0, jpegHeight = 0, subsampling = 0, colourspace = 0;
    if (tjDecompressHeader3(m_decompressor.get(), jpeg.data(), jpeg.size(), &jpegWidth, &jpegHeight,
                            &subsampling, &colourspace) != 0 ||
        jpegWidth <= 0 || jpegHeight <= 0) {
        m_decompressor.reset();
        return JPEGStatus::CorruptData;
    }
    if (jpegWidth != width || jpegHeight != height) return JPEGStatus::WrongSize;

    // Decoding goes through a scratch picture so that data found damaged halfway down leaves
    // the caller's pixels alone.
    const size_t row = size_t(width) * 4;
    const size_t size = row * size_t(height);
    if (size > m_scratchSize) {
        m_scratch.reset(new (std::nothrow) unsigned char[size]);
        m_scratchSize = m_scratch ? size : 0;
        if (!m_scratch) return JPEGStatus::CodecFailure;
    }
    // Warnings (data cut short, bad markers) count as failures, and the number of progressive
    // scans is bounded so crafted data cannot make one frame take unbounded time.
    if (tjDecompress2(m_decompressor.get(), jpeg.data(), jpeg.size(), m_scratch.get(), width,
                      int(row), height, TJPF_BGRA, TJFLAG_STOPONWARNING | TJFLAG_LIMITSCANS) != 0) {
        m_decompressor.reset();
        return JPEGStatus::CorruptData;
    }
    for (int y = 0; y < height; ++y)
        std::memcpy(pixels + size_t(y) * size_t(stride), m_scratch.get() + size_t(y) * row, row);
    return JPEGStatus::Ok;
}

} // namespace platform
