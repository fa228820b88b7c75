#pragma once

// A timeline for the background renderer tests: solid colours laid over the background (so
// that every frame needs rendering), and the host's frameRendered and event entries counted.

#include "engine/api/IZRCallbacks.h"
#include "engine/objects/ZRObject.h"
#include "engine/timeline/ZRTimeline.h"

#include <QFile>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <thread>
#include <vector>

namespace workerfixture {

struct Counters {
    std::atomic<int> rendered{0};
    std::atomic<int> storeFailed{0};
};

inline Counters& counters() {
    static Counters c;
    return c;
}

inline IZRCallbacks* callbacks() {
    static IZRCallbacks table = [] {
        IZRCallbacks c{};
        c.frameRendered = [](IZRPos*) { ++counters().rendered; };
        c.event = [](int code, const char*) {
            if (code == 5000) ++counters().storeFailed;
        };
        return c;
    }();
    return &table;
}

/// A timeline at 25 frames per second and `width` x `height`, empty.
inline std::unique_ptr<ZRTimeline> makeTimeline(int width, int height) {
    counters().rendered = 0;
    counters().storeFailed = 0;
    ZRPos::setDefaultFrameRate(25.0);
    auto timeline = std::make_unique<ZRTimeline>(callbacks(), nullptr, 0u);
    timeline->setDoubleSetting("Framerate", 25.0);
    timeline->setIntPairSetting("Video Dimensions", width, height);
    return timeline;
}

/// A solid colour of `frames` frames on video track `track` from frame `start`; laid over the
/// background (overlay mode `overlay`) unless `overlay` is 0.
inline IZRObject* addColour(ZRTimeline& timeline, int start, int frames, int overlay = 1,
                            const char* colour = "RGB(20,120,220)", int track = 1) {
    IZRObject* object = timeline.createObject("Solid Color", colour, nullptr, nullptr);
    const ZRPos length(0, 0, 0, frames, 25.0);
    object->duration()->assign(&length);
    object->markOut()->assign(&length);
    if (overlay) dynamic_cast<ZRObject*>(object)->setIntSetting("Overlay Mode", overlay);
    ZRPos at(0, 0, 0, start, 25.0);
    timeline.insertObject(track, &at, object);
    return object;
}

/// Waits (at most 60 s, so that a fault fails rather than hangs) until `done` holds.
template <class F> bool waitFor(F done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

/// Waits until the renderer has stored `count` frames and its pass has ended.
inline bool waitForStored(ZRTimeline& timeline, size_t count) {
    ZRTimelineWorker& worker = timeline.backgroundRenderer();
    return waitFor([&] { return worker.storedFrameCount() >= count && !worker.isBusy(); });
}

inline std::vector<unsigned char> readFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    const QByteArray bytes = file.readAll();
    return {bytes.begin(), bytes.end()};
}

inline uint32_t word(const std::vector<unsigned char>& bytes, size_t at) {
    return uint32_t(bytes[at]) | uint32_t(bytes[at + 1]) << 8 | uint32_t(bytes[at + 2]) << 16 |
           uint32_t(bytes[at + 3]) << 24;
}

/// The mean of one byte channel (0 blue, 1 green, 2 red) over the picture.
inline double meanChannel(const unsigned char* pixels, int stride, int width, int height,
                          int channel) {
    double sum = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            sum += pixels[size_t(y) * size_t(stride) + size_t(x) * 4 + size_t(channel)];
    return sum / (double(width) * height);
}

} // namespace workerfixture
