#pragma once

#include "engine/api/IZRTimeline.h"
#include "engine/base/ZRPos.h"
#include "engine/objects/ZRObject.h"
#include "engine/timeline/ZRTimeline.h"
#include "platform/system/SystemPaths.h"
#include "tests/support/TimelineDeleter.h"

#include <QString>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

/// A timeline over the render tests' module tree (tests/renderfixture: the counting clip
/// "Media Import", the "Constant Source" sound, the "Test Fade" transition, the "Test Invert"
/// and "Test Progress" effects), with helpers to place objects and read pixels.
namespace renderfixture {

inline std::string root() {
    static const int anchor = 0;
    return (platform::folderOfAddress(&anchor) + QStringLiteral("renderfixture/")).toStdString();
}

/// What the engine wrote to the host's debug entry.
inline std::vector<std::string>& debugLines() {
    static std::vector<std::string> lines;
    return lines;
}

inline IZRCallbacks* callbacks() {
    static IZRCallbacks table = [] {
        IZRCallbacks c{};
        c.debug = [](const char* text) { debugLines().emplace_back(text); };
        return c;
    }();
    return &table;
}

using Timeline = std::unique_ptr<IZRTimeline, TimelineDeleter>;

inline Timeline makeTimeline() {
    debugLines().clear();
    return Timeline(IZRCreateTimelineInstance(callbacks(), root().c_str(), 0));
}

inline ZRTimeline* engine(const Timeline& t) {
    return static_cast<ZRTimeline*>(t.get());
}

inline ZRPos at(int seconds, int frames, double rate = 30.0) {
    return ZRPos(0, 0, seconds, frames, rate);
}

/// A "Solid Color" of 0xRRGGBB placed on `track` at `start`.
inline ZRObject* solid(IZRTimeline* t, int track, uint32_t rgb, ZRPos start = at(0, 0)) {
    const std::string colour = "RGB(" + std::to_string(rgb >> 16 & 0xFF) + "," +
                               std::to_string(rgb >> 8 & 0xFF) + "," + std::to_string(rgb & 0xFF) +
                               ")";
    IZRObject* o = t->factory()->createObject("Solid Color", colour.c_str(), nullptr, nullptr);
    if (o) t->insertObject(track, &start, o);
    return static_cast<ZRObject*>(o);
}

inline uint32_t pixel(IZRImage* image, int x, int y) {
    uint32_t value;
    std::memcpy(&value, image->pixels() + ptrdiff_t(y) * image->stride() + ptrdiff_t(x) * 4, 4);
    return value;
}

/// The frame at `position` (videoAt), read at (x, y) and unlocked again.
inline uint32_t frameAt(IZRTimeline* t, ZRPos position, int x = 0, int y = 0) {
    IZRImage* frame = t->videoAt(&position, 0);
    if (!frame) return 0xDEADBEEF;
    const uint32_t value = frame->pixels() ? pixel(frame, x, y) : 0xDEADBEEF;
    frame->unlock();
    return value;
}

/// True when every pixel of the frame at `position` is `value`.
inline bool frameIs(IZRTimeline* t, ZRPos position, uint32_t value) {
    IZRImage* frame = t->videoAt(&position, 0);
    bool all = frame && frame->pixels();
    for (int y = 0; all && y < frame->height(); ++y)
        for (int x = 0; all && x < frame->width(); ++x)
            all = pixel(frame, x, y) == value;
    if (frame) frame->unlock();
    return all;
}

} // namespace renderfixture
