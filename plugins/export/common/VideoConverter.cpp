#include "plugins/export/common/VideoConverter.h"

#include "platform/scaler/BgraToYuv420.h"

extern "C" {
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cstdint>

namespace exportmodule {

VideoConverter::VideoConverter(int threads)
    : m_workers(std::max(threads, 1)), m_threads(std::max(threads, 1)) {}

bool VideoConverter::convert(const uint8_t* pixels, int width, int height, int stride,
                             AVFrame* target) {
    if (!pixels || width < 1 || height < 1 || stride < width * 4 || !target) return false;
    const auto format = AVPixelFormat(target->format);
    if (format == AV_PIX_FMT_YUV420P && width == target->width && height == target->height &&
        width % 2 == 0 && height % 2 == 0) {
        platform::bgraToYuv420(pixels, width, height, stride, target->data, target->linesize,
                               &m_workers);
        return true;
    }
    if (!m_context || width != m_width || height != m_height || target->width != m_targetWidth ||
        target->height != m_targetHeight || format != m_targetFormat) {
        m_context.reset(sws_alloc_context());
        SwsContext* context = m_context.get();
        if (!context) return false;
        av_opt_set_int(context, "srcw", width, 0);
        av_opt_set_int(context, "srch", height, 0);
        av_opt_set_int(context, "src_format", AV_PIX_FMT_BGRA, 0);
        av_opt_set_int(context, "dstw", target->width, 0);
        av_opt_set_int(context, "dsth", target->height, 0);
        av_opt_set_int(context, "dst_format", format, 0);
        av_opt_set_int(context, "sws_flags", SWS_BICUBIC, 0);
        av_opt_set_int(context, "threads", m_threads, 0);
        if (sws_init_context(context, nullptr, nullptr) < 0) {
            m_context.reset();
            return false;
        }
        m_width = width;
        m_height = height;
        m_targetWidth = target->width;
        m_targetHeight = target->height;
        m_targetFormat = format;
    }
    if (!m_source) m_source.reset(av_frame_alloc());
    if (!m_source) return false;
    m_source->format = AV_PIX_FMT_BGRA;
    m_source->width = width;
    m_source->height = height;
    m_source->data[0] = const_cast<uint8_t*>(pixels);
    m_source->linesize[0] = stride;
    const int result = sws_scale_frame(m_context.get(), target, m_source.get());
    m_source->data[0] = nullptr;
    return result >= 0;
}

} // namespace exportmodule
