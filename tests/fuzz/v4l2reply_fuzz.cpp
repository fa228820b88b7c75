// A V4L2 node answering every request with arbitrary bytes: the first bytes set which requests
// answer at all, the rest overwrite each reply in turn. Enumeration, controls and the format
// must stay within their fields: names end within their buffers, lists within their bounds, an
// agreed format is never empty.

#include "platform/v4l2/ZRV4l2Backend.h"
#include "platform/v4l2/ZRV4l2CaptureNode.h"
#include "platform/v4l2/ZRV4l2SimDevice.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

struct Bytes {
    const uint8_t* data;
    size_t size;
    size_t at = 0;
    void fill(void* out, size_t n) {
        auto* o = static_cast<uint8_t*>(out);
        for (size_t i = 0; i < n; ++i)
            o[i] = size ? data[(at + i) % size] : 0;
        at += n;
    }
};

void check(bool ok) {
    if (!ok) std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto bytes = std::make_shared<Bytes>(Bytes{data, size});
    auto device = std::make_shared<zrv4l2::SimDevice>(
        size && (data[0] & 1) ? zrv4l2::SimConfig::mpegEncoder("Encoder")
                              : zrv4l2::SimConfig::captureCard("Card"));
    device->setOddReplies([bytes](void* arg, size_t n) { bytes->fill(arg, n); });
    zrv4l2::Capabilities caps;
    if (zrv4l2::queryCapabilities(*device, &caps) == 0) check(caps.card.size() < 32);
    for (const auto& in : zrv4l2::enumInputs(*device))
        check(in.name.size() < 32);
    check(zrv4l2::enumInputs(*device).size() <= size_t(zrv4l2::kMaxListEntries));
    for (const auto& s : zrv4l2::enumStandards(*device))
        check(s.name.size() < 24 && s.id);
    for (const auto& r : zrv4l2::enumFrameSizes(*device, V4L2_PIX_FMT_YUYV))
        check(r.minWidth > 0 && r.minWidth <= r.maxWidth && r.widthStep > 0);
    for (uint32_t id : {uint32_t(V4L2_CID_BRIGHTNESS), uint32_t(V4L2_CID_MPEG_STREAM_TYPE),
                        uint32_t(V4L2_CID_MPEG_AUDIO_L2_BITRATE)})
        if (const auto c = zrv4l2::queryControl(*device, id)) {
            check(c->minimum <= c->maximum && c->name.size() < 32);
            check(c->menu.size() <= size_t(zrv4l2::kMaxListEntries));
        }
    zrv4l2::PixFormat f;
    if (zrv4l2::setFormat(*device, V4L2_BUF_TYPE_VIDEO_CAPTURE, 720, 576, V4L2_PIX_FMT_YUYV, &f) ==
        0)
        check(f.width > 0 && f.height > 0);
    // The node parses the same replies when it is made and asked.
    ZRV4l2CaptureNode node(zrv4l2::shareDevice(device), "Card");
    int outputs = 0, inputs = 0;
    node.pinCounts(&outputs, &inputs);
    for (int i = 0; i < inputs; ++i) {
        int related = 0, type = 0;
        check(node.pinInfo(true, i, &related, &type));
    }
    zrv4l2::EncoderVideoRange range;
    if (zrGraphSucceeded(node.videoRange(&range))) check(range.minimum <= range.maximum);
    (void)node.tvFormat();
    (void)node.routedInput();
    return 0;
}
