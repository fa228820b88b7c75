// Stored DV frames are read back from files in the temporary folder: any bytes must decode
// or be refused without a fault. Random bytes rarely get past the layout check, so inputs whose
// first byte is odd patch a valid encoded frame instead, the second byte's low bit choosing the
// system; the rest are (offset, value) pairs, and a trailing odd count cuts the frame short.
#include "platform/dvcodec/DVDecoder.h"
#include "platform/dvcodec/DVEncoder.h"

extern "C" {
#include <libavutil/log.h>
}

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

namespace {

std::vector<unsigned char> encodedFrame(int height) {
    std::vector<unsigned char> pixels(size_t(720) * 4 * size_t(height));
    for (size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = static_cast<unsigned char>((i / 4) % 720 + i / (720 * 4 * 8) * 5 + i % 4 * 60);
    std::vector<unsigned char> frame(platform::kDVMaxFrameSize);
    size_t length = 0;
    platform::DVEncoder encoder;
    if (encoder.encode(pixels.data(), 720 * 4, 720, height, frame, length) !=
        platform::DVStatus::Ok)
        return {};
    frame.resize(length);
    return frame;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    av_log_set_level(AV_LOG_QUIET);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::vector<unsigned char> pal = encodedFrame(576);
    static const std::vector<unsigned char> ntsc = encodedFrame(480);
    static platform::DVDecoder decoder;
    static std::vector<unsigned char> picture(size_t(720) * 4 * 576);

    std::vector<unsigned char> frame;
    int height = 576;
    if (size >= 2 && (data[0] & 1)) {
        const bool isPal = !(data[1] & 1);
        frame = isPal ? pal : ntsc;
        height = isPal ? 576 : 480;
        size_t at = 2;
        for (; at + 4 <= size; at += 4) {
            uint32_t offset;
            std::memcpy(&offset, data + at, 3);
            offset &= 0xFFFFFF;
            if (!frame.empty()) frame[offset % frame.size()] = data[at + 3];
        }
        if (size - at == 1 && !frame.empty()) frame.resize(data[at] * frame.size() / 256);
    } else {
        frame.assign(data, data + size);
        height = size == platform::kDVFrameSizeNTSC ? 480 : 576;
    }
    (void)decoder.decode(frame, picture.data(), 720 * 4, 720, height);
    return 0;
}
