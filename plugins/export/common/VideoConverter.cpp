#include "VideoConverter.h"

extern "C" {
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

#include <cstdint>
#include <cstring>

namespace exportmodule {

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
void lumaRow(const uint8_t* __restrict in, uint8_t* __restrict out, int width) {
    for (int x = 0; x < width; ++x) {
        const uint32_t p = pixelAt(in, x);
        const unsigned sum = highHalf(uint16_t((p << 8) & 0xff00), kYB) +
                             highHalf(uint16_t(p & 0xff00), kYG) +
                             highHalf(uint16_t((p >> 8) & 0xff00), kYR);
        out[x] = uint8_t((sum + (16 << 8) + 128) >> 8);
    }
}

// One row of each chroma plane from two rows of pixels: the mean of each 2x2 block.
void chromaRow(const uint8_t* __restrict top, const uint8_t* __restrict bottom,
               uint8_t* __restrict u, uint8_t* __restrict v, int width) {
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

// Same-size BGRA -> YUV 4:2:0, even width and height: the export's usual case, several times
// faster than the general scaler.
void bgraToYuv420(const uint8_t* pixels, int width, int height, int stride, AVFrame* target) {
    for (int y = 0; y < height; y += 2) {
        const uint8_t* top = pixels + size_t(stride) * size_t(y);
        uint8_t* luma = target->data[0] + size_t(target->linesize[0]) * size_t(y);
        lumaRow(top, luma, width);
        lumaRow(top + stride, luma + target->linesize[0], width);
        chromaRow(top, top + stride, target->data[1] + size_t(target->linesize[1]) * size_t(y / 2),
                  target->data[2] + size_t(target->linesize[2]) * size_t(y / 2), width / 2);
    }
}

} // namespace

VideoConverter::~VideoConverter() {
    sws_freeContext(m_context);
    av_frame_free(&m_source);
}

bool VideoConverter::convert(const uint8_t* pixels, int width, int height, int stride,
                             AVFrame* target, int threads) {
    if (!pixels || width < 1 || height < 1 || stride < width * 4 || !target) return false;
    const auto format = AVPixelFormat(target->format);
    if (format == AV_PIX_FMT_YUV420P && width == target->width && height == target->height &&
        width % 2 == 0 && height % 2 == 0) {
        bgraToYuv420(pixels, width, height, stride, target);
        return true;
    }
    if (!m_context || width != m_width || height != m_height || target->width != m_targetWidth ||
        target->height != m_targetHeight || format != m_targetFormat) {
        sws_freeContext(m_context);
        m_context = sws_alloc_context();
        if (!m_context) return false;
        av_opt_set_int(m_context, "srcw", width, 0);
        av_opt_set_int(m_context, "srch", height, 0);
        av_opt_set_int(m_context, "src_format", AV_PIX_FMT_BGRA, 0);
        av_opt_set_int(m_context, "dstw", target->width, 0);
        av_opt_set_int(m_context, "dsth", target->height, 0);
        av_opt_set_int(m_context, "dst_format", format, 0);
        av_opt_set_int(m_context, "sws_flags", SWS_BICUBIC, 0);
        av_opt_set_int(m_context, "threads", threads, 0);
        if (sws_init_context(m_context, nullptr, nullptr) < 0) {
            sws_freeContext(m_context);
            m_context = nullptr;
            return false;
        }
        m_width = width;
        m_height = height;
        m_targetWidth = target->width;
        m_targetHeight = target->height;
        m_targetFormat = format;
    }
    if (!m_source && !(m_source = av_frame_alloc())) return false;
    m_source->format = AV_PIX_FMT_BGRA;
    m_source->width = width;
    m_source->height = height;
    m_source->data[0] = const_cast<uint8_t*>(pixels);
    m_source->linesize[0] = stride;
    const int result = sws_scale_frame(m_context, target, m_source);
    m_source->data[0] = nullptr;
    return result >= 0;
}

} // namespace exportmodule
