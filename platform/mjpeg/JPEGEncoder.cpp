#include "platform/mjpeg/JPEGEncoder.h"

namespace platform {

JPEGEncoder::JPEGEncoder() = default;
JPEGEncoder::~JPEGEncoder() = default;

JPEGStatus JPEGEncoder::compress(const unsigned char* pixels, int stride, int width, int height,
                                 int quality, std::vector<unsigned char>& jpeg) {
    jpeg.clear();
    if (!jpegPictureValid(pixels, stride, width, height)) return JPEGStatus::InvalidPicture;
    if (quality < 1 || quality > 100) return JPEGStatus::InvalidQuality;
    if (!m_compressor) m_compressor.reset(tjInitCompress());
    if (!m_compressor) return JPEGStatus::CodecFailure;

    // Compressing into a buffer of TurboJPEG's worst-case size never needs to grow it, so the
    // caller's vector can be the destination itself.
    const unsigned long bound = tjBufSize(width, height, TJSAMP_420);
    if (bound == static_cast<unsigned long>(-1)) return JPEGStatus::InvalidPicture;
    jpeg.resize(bound);
    unsigned char* out = jpeg.data();
    unsigned long length = bound;
    if (tjCompress2(m_compressor.get(), pixels, width, stride, height, TJPF_BGRA, &out, &length,
                    TJSAMP_420, quality, TJFLAG_NOREALLOC) != 0 ||
        out != jpeg.data() || length > bound) {
        jpeg.clear();
        m_compressor.reset(); // made afresh next time, in a clean state
        return JPEGStatus::CodecFailure;
    }
    jpeg.resize(length);
    return JPEGStatus::Ok;
}

} // namespace platform
