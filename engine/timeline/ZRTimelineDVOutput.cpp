// DV live output: each frame handed out as one DV frame, the source's own DV data passed
// through unchanged, every other frame composed and encoded.
#include "engine/timeline/ZRTimeline.h"

#include "platform/dvcodec/DVFrame.h"

#include <span>

namespace {
constexpr int kDVMode = 1;
}

bool ZRTimeline::startDVOutput(int mode) {
    const int size = int(platform::dvFrameSize(videoWidth(), videoHeight()));
    if (mode != kDVMode || size == 0) return false;
    m_dvOutput.mode = kDVMode;
    m_dvOutput.frameSize = size;
    m_dvOutput.active = true;
    return true;
}

unsigned char* ZRTimeline::dvOutputFrame(IZRPos* position, int* frameSize) {
    if (!m_dvOutput.active.load() || !position) return nullptr;
    auto* frame = static_cast<ZRImage*>(videoAt(position, 0));
    if (!frame) return nullptr;
    unsigned char* result = nullptr;
    const int size = m_dvOutput.frameSize.load();
    // Native data passes through only when it is a whole frame of the output's system.
    if (frame->nativeKind() == 2 && frame->nativeData() && frame->nativeLength() == size_t(size)) {
        m_dvOutput.passThrough = true;
        if (frameSize) *frameSize = size;
        result = const_cast<unsigned char*>(frame->nativeData());
    } else {
        m_dvOutput.passThrough = false;
        if (!m_dvOutput.buffer)
            m_dvOutput.buffer = std::make_unique<unsigned char[]>(platform::kDVMaxFrameSize);
        size_t length = 0;
        const std::span<unsigned char> out(m_dvOutput.buffer.get(), platform::kDVMaxFrameSize);
        if (frame->pixels() &&
            m_dvOutput.encoder.encode(frame->pixels(), frame->stride(), frame->width(),
                                      frame->height(), out, length) == platform::DVStatus::Ok &&
            length == size_t(size)) {
            if (frameSize) *frameSize = size;
            result = m_dvOutput.buffer.get();
        }
    }
    frame->unlock();
    return result;
}

void ZRTimeline::stopDVOutput() {
    m_dvOutput.active = false;
    m_dvOutput.passThrough = false;
}
