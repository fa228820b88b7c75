#include "views/ZRPreviewSourceCallback.h"

#include "engine/api/IZRTimeline.h"
#include "platform/scaler/SRScaler.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <mutex>

std::unique_ptr<ZRPreviewSourceCallback> ZRPreviewSourceCallback::CreateInstance() {
    return std::unique_ptr<ZRPreviewSourceCallback>(new ZRPreviewSourceCallback);
}

ZRPreviewSourceCallback::~ZRPreviewSourceCallback() {
    if (!m_timeline) return;
    if (m_dvOutputStarted) m_timeline->stopDVOutput();
    IZRObjectFactory* factory = m_timeline->factory();
    for (IZRPos* p : {m_videoPos, m_nextVideoPos, m_audioPos})
        if (p) factory->destroyPos(p);
}

void ZRPreviewSourceCallback::setTimeline(IZRTimeline* timeline, bool startDvOutput) {
    if (!timeline) return;
    m_timeline = timeline;
    IZRObjectFactory* factory = timeline->factory();
    for (IZRPos** p : {&m_videoPos, &m_nextVideoPos, &m_audioPos})
        if (!*p) *p = factory->createPos();
    m_end = mediaTime(timeline->endPosition());
    if (startDvOutput && timeline->startDVOutput(1)) m_dvOutputStarted = true;
}

void ZRPreviewSourceCallback::setRatio(int x, int y) {
    if (x == 0 || y == 0) return;
    m_ratioX = x;
    m_ratioY = y;
}

ZRMediaTime ZRPreviewSourceCallback::mediaTime(const IZRPos* position) {
    if (!position) return 0;
    return ZRMediaTime(position->toMilliseconds()) * 10000;
}

ZRResult ZRPreviewSourceCallback::renderVideoAt(ZRMediaTime time, int64_t, unsigned char* pixels,
                                                int stride) {
    if (!m_timeline || !m_videoPos) return kZRFail;
    m_videoPos->setMilliseconds(unsigned(std::clamp<ZRMediaTime>(time / 10000, 0, UINT32_MAX)));
    m_nextVideoPos->assign(m_videoPos);
    m_nextVideoPos->increment();
    return renderVideo(pixels, stride);
}

ZRResult ZRPreviewSourceCallback::renderNextVideo(int64_t, unsigned char* pixels, int stride,
                                                  ZRMediaTime* time) {
    if (!m_timeline || !m_videoPos) return kZRFail;
    if (time) *time = mediaTime(m_nextVideoPos);
    m_videoPos->assign(m_nextVideoPos);
    m_nextVideoPos->increment();
    return renderVideo(pixels, stride);
}

ZRResult ZRPreviewSourceCallback::renderVideo(unsigned char* pixels, int stride) {
    if (m_videoFormat != 0 || !pixels) return kZRFail;
    IZRImage* image = m_timeline->videoAt(m_videoPos, 0);
    if (!image) return kZRFail;
    std::lock_guard imageLock(*image, std::adopt_lock); // the frame comes locked
    // The image's own size: the project's dimensions may have changed since the format was
    // agreed, and the scaler must never read past the image.
    int width = image->width();
    int height = image->height();
    int sourceStride = image->stride();
    const int ratioX = m_ratioX, ratioY = m_ratioY;
    if (ratioY >= 2) {
        height /= 2;
        sourceStride *= 2;
    }
    const int outWidth = m_width / ratioX;
    const int outHeight = m_height / ratioY;
    const bool scaled = SRScaler_FourCC_BGRA(0, kFourCC_BGRA, image->pixels(), sourceStride, width,
                                             height, pixels, stride, outWidth, outHeight, 0, 0);
    return scaled ? kZROk : kZRFail;
}

ZRResult ZRPreviewSourceCallback::seekAudio(ZRMediaTime time) {
    if (!m_timeline || !m_audioPos) return kZRFail;
    m_audioPos->setMilliseconds(unsigned(std::clamp<ZRMediaTime>(time / 10000, 0, UINT32_MAX)));
    m_timeline->startAudioAt(m_audioPos);
    return kZROk;
}

ZRResult ZRPreviewSourceCallback::renderAudio(int64_t, unsigned char* buffer, int32_t* size,
                                              ZRMediaTime* time) {
    if (!m_timeline || !m_audioPos || !buffer || !size || *size < 0) return kZRFail;
    if (IZRPos* current = m_timeline->currentPosition()) m_audioPos->assign(current);
    if (time) *time = mediaTime(m_audioPos);
    int frameBytes = m_audioFrameBytes;
    if (frameBytes <= 0) {
        int rate = 0, bits = 0, channels = 0;
        m_timeline->settings()->getIntTripleSetting("Audio Settings", &rate, &bits, &channels);
        frameBytes = channels * (bits / 8);
    }
    if (frameBytes <= 0) {
        *size = 0;
        return kZRFail;
    }
    const int32_t frames = *size / frameBytes;
    int32_t bytes = 0;
    const void* data = frames > 0 ? m_timeline->renderAudio(frames, &bytes) : nullptr;
    if (!data || bytes <= 0) {
        *size = 0;
        return frames > 0 ? kZRFail : kZROk;
    }
    const int32_t copied = std::min(bytes, frames * frameBytes);
    std::memcpy(buffer, data, size_t(copied));
    *size = copied;
    return kZROk;
}

ZRResult ZRPreviewSourceCallback::getDuration(ZRMediaTime* duration) {
    if (!duration) return kZRFail;
    *duration = std::max<ZRMediaTime>(m_end, 0);
    return kZROk;
}

ZRResult ZRPreviewSourceCallback::getFrameDuration(ZRMediaTime* duration) {
    if (!m_timeline || !duration) return kZRFail;
    double rate = 0.0;
    if (!m_timeline->settings()->getDoubleSetting("Framerate", &rate) || !std::isfinite(rate) ||
        !(rate > 0.0))
        return kZRFail;
    *duration = ZRMediaTime(double(kZRMediaTimePerSecond) / rate);
    return kZROk;
}

ZRResult ZRPreviewSourceCallback::updateDuration() {
    if (!m_timeline) return kZRFail;
    m_end = mediaTime(m_timeline->endPosition());
    return kZROk;
}

ZRResult ZRPreviewSourceCallback::getVideoFormat(int index, ZRVideoFormatRecord* format) {
    if (!m_timeline) return kZRNoMoreItems;
    int width = 0, height = 0;
    if (m_timeline->settings()->getIntPairSetting("Video Dimensions", &width, &height)) {
        m_width = width;
        m_height = height;
    }
    if (index != 0 || !format) return kZRNoMoreItems;
    format->width = m_width / m_ratioX;
    format->height = std::abs(m_height / m_ratioY);
    format->planes = 1;
    format->bitCount = 32;
    format->compression = 0;
    format->imageSize = uint32_t(int64_t(format->width) * format->height * 4);
    ZRMediaTime frame = 0;
    format->averageTimePerFrame = getFrameDuration(&frame) == kZROk ? frame : 0;
    format->subtype = kZRSubtypeRGB32;
    return kZROk;
}

ZRResult ZRPreviewSourceCallback::setVideoFormat(const ZRVideoFormatRecord* format) {
    m_videoFormat = 0;
    const bool accepted = format && format->width == m_width / m_ratioX &&
                          std::abs(format->height) == m_height / m_ratioY && format->planes == 1 &&
                          format->bitCount == 32 && format->compression == 0 &&
                          format->subtype == kZRSubtypeRGB32;
    return accepted ? kZROk : kZRFail;
}

ZRResult ZRPreviewSourceCallback::getAudioFormat(int index, ZRAudioFormatRecord* format) {
    if (!m_timeline || index != 0 || !format) return kZRNoMoreItems;
    int rate = 0, bits = 0, channels = 0;
    m_timeline->settings()->getIntTripleSetting("Audio Settings", &rate, &bits, &channels);
    format->sampleRate = rate;
    format->bitsPerSample = bits;
    format->channels = channels;
    m_audioFrameBytes = std::max(channels * (bits / 8), 0);
    m_audioFormat = 0;
    return kZROk;
}

ZRResult ZRPreviewSourceCallback::setAudioFormat(const ZRAudioFormatRecord*) {
    return kZROk;
}
