#pragma once

#include "platform/playback/IZRPreviewSourceCallback.h"
#include "platform/playback/ZRPlaybackPipeline.h"
#include "platform/playback/ZRVideoSurface.h"

#include <QCoreApplication>
#include <QEvent>
#include <QObject>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

/// Small pictures whose first pixel holds the picture's number, and mono 16-bit sound whose
/// sample s is s modulo 32768 (a ramp).
class NumberedSource : public IZRPreviewSourceCallback {
public:
    static constexpr int kWidth = 16;
    static constexpr int kHeight = 8;
    static constexpr ZRMediaTime kFrame = 400000;
    static constexpr int kRate = 8000;

    ZRMediaTime length = 100 * kFrame;
    /// Called before picture `index` is drawn (on the video thread).
    std::function<void(int64_t index)> beforeRender;

    static int64_t numberOf(const QImage& image) {
        return image.isNull() ? -1 : int64_t(image.pixel(0, 0) & 0xFFFFFF);
    }

    ZRResult renderVideoAt(ZRMediaTime time, int64_t, unsigned char* pixels, int stride) override {
        const int64_t index = time / kFrame;
        m_next = index + 1;
        return draw(index, pixels, stride);
    }
    ZRResult renderNextVideo(int64_t, unsigned char* pixels, int stride,
                             ZRMediaTime* time) override {
        const int64_t index = m_next++;
        *time = index * kFrame;
        return draw(index, pixels, stride);
    }
    ZRResult seekAudio(ZRMediaTime time) override {
        m_sample = time * kRate / kZRMediaTimePerSecond;
        return kZROk;
    }
    ZRResult renderAudio(int64_t, unsigned char* buffer, int32_t* size,
                         ZRMediaTime* time) override {
        *time = m_sample * kZRMediaTimePerSecond / kRate;
        const int32_t frames = *size / 2;
        for (int32_t i = 0; i < frames; ++i) {
            const int16_t v = int16_t(m_sample++ % 32768);
            std::memcpy(buffer + 2 * i, &v, 2);
        }
        *size = frames * 2;
        return kZROk;
    }
    ZRResult getDuration(ZRMediaTime* d) override {
        *d = length;
        return kZROk;
    }
    ZRResult getFrameDuration(ZRMediaTime* d) override {
        *d = kFrame;
        return kZROk;
    }
    ZRResult updateDuration() override { return kZROk; }
    ZRResult getVideoFormat(int index, ZRVideoFormatRecord* f) override {
        if (index != 0) return kZRNoMoreItems;
        *f = {0, kWidth, kHeight, 1, 32, 0, kWidth * kHeight * 4, kFrame, kZRSubtypeRGB32};
        return kZROk;
    }
    ZRResult setVideoFormat(const ZRVideoFormatRecord* f) override {
        return f->width == kWidth && f->height == kHeight ? kZROk : kZRFail;
    }
    ZRResult getAudioFormat(int index, ZRAudioFormatRecord* f) override {
        if (index != 0) return kZRNoMoreItems;
        *f = {0, kRate, 16, 1};
        return kZROk;
    }
    ZRResult setAudioFormat(const ZRAudioFormatRecord*) override { return kZROk; }

private:
    ZRResult draw(int64_t index, unsigned char* pixels, int stride) {
        if (beforeRender) beforeRender(index);
        for (int y = 0; y < kHeight; ++y) {
            auto* row = reinterpret_cast<uint32_t*>(pixels + y * stride);
            for (int x = 0; x < kWidth; ++x)
                row[x] = 0xFF000000u | uint32_t(index);
        }
        return kZROk;
    }

    int64_t m_next = 0;
    int64_t m_sample = 0;
};

/// Counts the posted events of one type.
class EventCounter : public QObject {
public:
    explicit EventCounter(int type) : m_type(type) {}
    int count = 0;

protected:
    bool event(QEvent* e) override {
        if (e->type() == m_type) {
            ++count;
            return true;
        }
        return QObject::event(e);
    }

private:
    int m_type;
};

/// Waits (events delivered) until `done` holds; false after 10 s.
inline bool waitFor(const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        QCoreApplication::processEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    QCoreApplication::processEvents();
    return true;
}

/// Waits until the pipeline has acted on the clock's time: the presenter has seen it and the
/// video thread has filled its queue, finished, or is held by the source (`held`).
inline bool settle(ZRPlaybackPipeline& p, const std::function<bool()>& held = {}) {
    return waitFor([&] {
        const ZRPlaybackStats s = p.stats();
        return s.presentedUntil >= p.currentPosition() && s.presentedRendered == s.rendered &&
               (s.queued >= ZRPlaybackPipeline::kFramesAhead || s.videoDone || (held && held()));
    });
}
