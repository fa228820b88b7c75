#pragma once

// A timeline for the export tests: content of a chosen length, the host's progress entry
// recorded, and the test export modules within reach.

#include "tests/engine/modules/ModuleFixture.h"
#include "tests/plugins/RecordingExport.h"

#include "engine/api/IZRObjectFactory.h"
#include "engine/timeline/ZRTimeline.h"

#include <dlfcn.h>

#include <memory>
#include <string>
#include <vector>

namespace exportfixture {

struct Progress {
    std::vector<int> numbers;   ///< the frame numbers reported
    std::vector<int> totals;    ///< the totals reported
    std::vector<long> frames;   ///< the positions, in timeline frames
    std::vector<bool> recoding; ///< the recompressing flags
    std::vector<int> paused;    ///< "Pause Background Rendering" during each call
    int stopAfter = 0;          ///< answer false after this many calls (0 = never)
    ZRTimeline* timeline = nullptr;
};

inline Progress& progress() {
    static Progress p;
    return p;
}

inline IZRCallbacks* callbacks() {
    static IZRCallbacks table = [] {
        IZRCallbacks c{};
        c.progress = [](int frame, int total, IZRPos* position, bool recompressing) {
            Progress& p = progress();
            p.numbers.push_back(frame);
            p.totals.push_back(total);
            p.frames.push_back(std::lround(position->toFrames()));
            p.recoding.push_back(recompressing);
            int paused = -1;
            if (p.timeline) p.timeline->getIntSetting("Pause Background Rendering", &paused);
            p.paused.push_back(paused);
            return p.stopAfter == 0 || int(p.numbers.size()) < p.stopAfter;
        };
        return c;
    }();
    return &table;
}

/// The counting module of the fixture tree (format "MPEG"): frames, ends and configurations.
struct Counts {
    int frames = 0, ends = 0, configs = 0;
    bool operator==(const Counts&) const = default;
};
// Held open by the test itself, so that the module's counts outlive the engine's binders.
inline void* fixtureLibrary(const char* file) {
    return dlopen((modulefixture::root() + file).toUtf8().constData(), RTLD_NOW);
}

inline Counts counts() {
    static void* library = fixtureLibrary("exports/expmpego.so");
    using Function = void (*)(int*, int*, int*);
    static auto read = reinterpret_cast<Function>(dlsym(library, "exportCounts"));
    Counts c;
    if (read) read(&c.frames, &c.ends, &c.configs);
    return c;
}

/// The recording module of the fixture tree (format "AVI-DV Multifile").
inline RecordedExport& recorded() {
    static void* library = fixtureLibrary("exports/expovl.so");
    using Function = void* (*)();
    static auto read = reinterpret_cast<Function>(dlsym(library, "recordedExport"));
    static RecordedExport none;
    return read ? *static_cast<RecordedExport*>(read()) : none;
}

/// A timeline on `base` (the module fixture tree when empty) at `rate` frames per second and
/// `width` x `height`, holding a solid colour of `frames` frames from 0.
inline std::unique_ptr<ZRTimeline> makeTimeline(int frames, double rate = 30.0, int width = 32,
                                                int height = 24, std::string base = {}) {
    progress() = Progress{};
    counts(); // the test modules stay loaded between exports
    recorded();
    ZRPos::setDefaultFrameRate(rate);
    if (base.empty()) base = modulefixture::rootUtf8();
    auto timeline = std::make_unique<ZRTimeline>(callbacks(), base.c_str(), 1u);
    timeline->setDoubleSetting("Framerate", rate);
    timeline->setIntPairSetting("Video Dimensions", width, height);
    if (frames > 0) {
        IZRObject* colour =
            timeline->createObject("Solid Color", "RGB(20,120,220)", nullptr, nullptr);
        const ZRPos length(0, 0, 0, frames, rate);
        colour->duration()->assign(&length);
        colour->markOut()->assign(&length);
        ZRPos start(0, 0, 0, 0, rate);
        timeline->insertObject(1, &start, colour);
    }
    progress().timeline = timeline.get();
    return timeline;
}

/// The program folder the build made (the real export modules are in its "exports/").
inline std::string programFolder() {
    return (modulefixture::root() + "../../bin/").toStdString();
}

} // namespace exportfixture
