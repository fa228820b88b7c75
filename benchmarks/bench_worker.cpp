// The background renderer: frames stored per second (each composed, DV-encoded and written),
// and videoAt serving stored frames (read and DV-decoded). On the anchor timeline (two PAL DV
// clips with a 1-second cross-fade; CLIPSTEAD_BENCH_MEDIA names the folder with A.avi and B.avi,
// made by benchmarks/bench_render_vs_ffmpeg.sh) only the cross-fade's frames need rendering; the
// overlay timeline (50 frames of a solid colour laid over the background at 720 x 576) needs
// every frame and runs without media. BM_EditsBesideRendering/0 and /1: edits per second on a
// timeline of 10,000 objects while a preview thread composes frames in a loop, with the
// background renderer off (0) and on (1); on must keep at least 90 % of off.
#include "benchmarks/BenchTimeline.h"
#include "engine/objects/ZRObject.h"
#include "engine/timeline/ZRTimeline.h"
#include "platform/system/SystemPaths.h"

#include <benchmark/benchmark.h>

#include <QFileInfo>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr double kRate = 25.0;

std::unique_ptr<ZRTimeline> emptyTimeline() {
    static const int anchor = 0;
    const std::string base = platform::folderOfAddress(&anchor).toStdString();
    ZRPos::setDefaultFrameRate(kRate);
    auto t = std::make_unique<ZRTimeline>(nullptr, base.c_str(), 0u);
    t->setDoubleSetting("Framerate", kRate);
    t->setIntPairSetting("Video Dimensions", 720, 576);
    return t;
}

std::unique_ptr<ZRTimeline> overlayTimeline(int seconds = 2) {
    auto t = emptyTimeline();
    IZRObject* colour = t->createObject("Solid Color", "RGB(20,120,220)", nullptr, nullptr);
    const ZRPos length(0, 0, seconds, 0, kRate);
    ZRPos zero(0, 0, 0, 0, kRate);
    colour->duration()->assign(&length);
    colour->markOut()->assign(&length);
    dynamic_cast<ZRObject*>(colour)->setIntSetting("Overlay Mode", 1);
    t->insertObject(1, &zero, colour);
    return t;
}

std::unique_ptr<ZRTimeline> anchorTimeline() {
    const char* folder = std::getenv("CLIPSTEAD_BENCH_MEDIA");
    if (!folder) return nullptr;
    const std::string a = std::string(folder) + "/A.avi", b = std::string(folder) + "/B.avi";
    if (!QFileInfo::exists(QString::fromStdString(a))) return nullptr;
    auto t = emptyTimeline();
    IZRObject* first = t->createObject("Import", "DV-AVI", nullptr, a.c_str());
    IZRObject* second = t->createObject("Import", "DV-AVI", nullptr, b.c_str());
    IZRObject* fade = t->createObject("Transition", "Blends", "Cross Fade", nullptr);
    if (!first || !second || !fade) return nullptr;
    ZRPos zero(0, 0, 0, 0, kRate), nine(0, 0, 9, 0, kRate), one(0, 0, 1, 0, kRate),
        ten(0, 0, 10, 0, kRate);
    t->setObjectMarkOut(first, &ten);
    t->setObjectMarkOut(second, &ten);
    t->setObjectMarkOut(fade, &one);
    t->insertObject(1, &zero, first);
    t->insertObject(2, &nine, fade);
    t->insertObject(3, &nine, second);
    return t;
}

size_t framesNeeded(ZRTimeline& t) {
    size_t needed = 0;
    const int total = int(t.endPosition()->toFrames());
    for (int n = 0; n < total; ++n) {
        ZRPos at(0, 0, 0, n, kRate);
        needed += t.renderStateAt(&at) != 0;
    }
    return needed;
}

// One whole pass of the renderer per iteration, from enabling to the last frame stored.
void storePass(benchmark::State& state, std::unique_ptr<ZRTimeline> t) {
    if (!t) {
        state.SkipWithError("the timeline cannot be built (clips or modules missing)");
        return;
    }
    const size_t needed = framesNeeded(*t);
    ZRTimelineWorker& worker = t->backgroundRenderer();
    for (auto _ : state) {
        t->setIntSetting("Enable Background Rendering", 1);
        while (worker.storedFrameCount() < needed || worker.isBusy())
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        state.PauseTiming();
        t->setIntSetting("Enable Background Rendering", 0);
        state.ResumeTiming();
    }
    state.counters["frames/s"] = benchmark::Counter(double(needed) * double(state.iterations()),
                                                    benchmark::Counter::kIsRate);
}

void serveStored(benchmark::State& state, std::unique_ptr<ZRTimeline> t) {
    if (!t) {
        state.SkipWithError("the timeline cannot be built (clips or modules missing)");
        return;
    }
    const size_t needed = framesNeeded(*t);
    ZRTimelineWorker& worker = t->backgroundRenderer();
    t->setIntSetting("Enable Background Rendering", 1);
    while (worker.storedFrameCount() < needed || worker.isBusy())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    const int total = int(t->endPosition()->toFrames());
    int64_t served = 0;
    for (auto _ : state) {
        for (int n = 0; n < total; ++n) {
            ZRPos at(0, 0, 0, n, kRate);
            if (t->renderStateAt(&at) != 2) continue;
            IZRImage* image = t->videoAt(&at, 0);
            benchmark::DoNotOptimize(image->pixels());
            image->unlock();
            ++served;
        }
    }
    state.counters["frames/s"] = benchmark::Counter(double(served), benchmark::Counter::kIsRate);
}

void BM_StoreOverlay(benchmark::State& state) {
    storePass(state, overlayTimeline());
}
void BM_StoreAnchor(benchmark::State& state) {
    storePass(state, anchorTimeline());
}
void BM_ServeStoredOverlay(benchmark::State& state) {
    serveStored(state, overlayTimeline());
}
void BM_ServeStoredAnchor(benchmark::State& state) {
    serveStored(state, anchorTimeline());
}

// An export of 10 s of stored frames (the overlay timeline, every frame stored) per iteration:
// the export's composers (as many as the machine gives) read and decode the stored frames side by
// side. Arg 0: DV segments (the stored DV frames pass through), 1: the DVD profile.
void BM_ExportStored(benchmark::State& state) {
    const bool dvd = state.range(0) == 1;
    if (!(dvd ? benchtimeline::writeDvdSettings() : benchtimeline::writeDvSettings())) {
        state.SkipWithError("the module settings cannot be written");
        return;
    }
    auto t = overlayTimeline(10);
    const size_t needed = framesNeeded(*t);
    ZRTimelineWorker& worker = t->backgroundRenderer();
    t->setIntSetting("Enable Background Rendering", 1);
    while (worker.storedFrameCount() < needed || worker.isBusy())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    const char* out = std::getenv("CLIPSTEAD_BENCH_OUT");
    const std::string file =
        std::string(out ? out : "/tmp") + (dvd ? "/clipstead_stored.mpg" : "/clipstead_stored.ovl");
    for (auto _ : state) {
        if (t->exportProject(file.c_str(), dvd ? "MPEG" : "AVI-DV Multifile", nullptr, nullptr, 720,
                             576, kRate) != 0)
            state.SkipWithError("the export failed");
    }
    state.counters["fps"] = benchmark::Counter(double(needed) * double(state.iterations()),
                                               benchmark::Counter::kIsRate);
}

// 100 tracks of 100 solid colours of 10 frames each, every one laid over the background (so that
// every frame needs rendering), at 320 x 240.
std::unique_ptr<ZRTimeline> crowdedTimeline() {
    auto t = emptyTimeline();
    t->setIntPairSetting("Video Dimensions", 320, 240);
    const ZRPos length(0, 0, 0, 10, kRate);
    for (int track = 1; track <= 100; ++track) {
        for (int n = 0; n < 100; ++n) {
            IZRObject* colour = t->createObject("Solid Color", "RGB(20,120,220)", nullptr, nullptr);
            colour->duration()->assign(&length);
            colour->markOut()->assign(&length);
            colour->sourceLength()->assign(&length);
            dynamic_cast<ZRObject*>(colour)->setIntSetting("Overlay Mode", 1);
            ZRPos at(0, 0, 0, n * 10, kRate);
            t->insertObject(track, &at, colour);
        }
    }
    return t;
}

// One edit per iteration: an object's mark-out moved one frame in and back again, in turn over
// objects spread across the timeline.
void BM_EditsBesideRendering(benchmark::State& state) {
    auto t = crowdedTimeline();
    std::vector<IZRObject*> objects;
    for (int track = 1; track <= 100; track += 9) {
        ZRGuardedList* list = t->track(track, true);
        for (unsigned i = 0; i < list->count(); i += 7)
            objects.push_back(static_cast<IZRObject*>(list->at(i)));
    }
    t->setIntSetting("Enable Background Rendering", int(state.range(0)));
    std::atomic<bool> stop{false};
    std::thread preview([&] {
        for (int n = 0; !stop.load(); n = (n + 13) % 1000) {
            ZRPos at(0, 0, 0, n, kRate);
            IZRImage* image = t->videoAt(&at, 0);
            benchmark::DoNotOptimize(image->pixels());
            image->unlock();
        }
    });
    const ZRPos shorter(0, 0, 0, 9, kRate), full(0, 0, 0, 10, kRate);
    size_t next = 0;
    for (auto _ : state) {
        IZRObject* object = objects[next / 2 % objects.size()];
        ZRPos out = next % 2 ? full : shorter;
        t->setObjectMarkOut(object, &out);
        ++next;
    }
    stop = true;
    preview.join();
    state.SetItemsProcessed(int64_t(state.iterations()));
}

} // namespace

BENCHMARK(BM_ExportStored)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5)
    ->UseRealTime();
BENCHMARK(BM_EditsBesideRendering)->Arg(0)->Arg(1)->UseRealTime()->MinTime(3.0);
BENCHMARK(BM_StoreOverlay)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_StoreAnchor)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ServeStoredOverlay)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ServeStoredAnchor)->Unit(benchmark::kMillisecond)->UseRealTime();
