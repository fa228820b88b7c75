#include "platform/v4l2/ZRYuyvPreviewNode.h"

#include "platform/playback/ZRVideoSurface.h"

ZRYuyvPreviewNode::ZRYuyvPreviewNode() : ZRGraphNode("Video Preview Converter") {
    addPin(ZRGraphPin::Direction::Input, "XForm In", {kZRStreamVideo, "yuyv"});
    addPin(ZRGraphPin::Direction::Output, "XForm Out", {kZRStreamVideo, "rgb32"});
}

void ZRYuyvPreviewNode::receive(ZRGraphPin* input, const ZRMediaSample& sample) {
    const ZRMediaType& type = input->connectionType();
    const int w = type.width, h = type.height;
    if (!sample.data || w <= 0 || h <= 0 || sample.data->size() < size_t(w) * 2 * size_t(h)) return;
    if (!m_convert.update(w, h, AV_PIX_FMT_YUYV422, w, h, AV_PIX_FMT_BGRA, SWS_POINT)) return;
    auto picture = std::make_shared<ZRVideoFrame>(w, h);
    const uint8_t* src[4] = {sample.data->data(), nullptr, nullptr, nullptr};
    const int srcStride[4] = {w * 2, 0, 0, 0};
    uint8_t* dst[4] = {picture->pixels.data(), nullptr, nullptr, nullptr};
    const int dstStride[4] = {picture->stride, 0, 0, 0};
    sws_scale(m_convert.get(), src, srcStride, 0, h, dst, dstStride);
    ZRMediaSample out;
    out.picture = std::move(picture);
    out.sequence = sample.sequence;
    out.discontinuity = sample.discontinuity;
    m_converted.fetch_add(1);
    deliver(outputPin(0), out);
}
