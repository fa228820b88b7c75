// Rendering the anchor timeline: two 10-second 720 x 576 25 fps DV clips joined by a 1-second
// cross-fade, 475 frames, each frame composed (videoAt) and its sound mixed (renderAudio),
// through the program's own modules in bin/PlugIns (the media import module and the
// "Cross Fade" transition). The clips are made by benchmarks/bench_render_vs_ffmpeg.sh, which
// runs this beside ffmpeg; CLIPSTEAD_BENCH_MEDIA names the folder holding A.avi and B.avi.
#include "api/IZRTimeline.h"
#include "platform/system/SystemPaths.h"
#include "timeline/ZRPos.h"

#include <benchmark/benchmark.h>

#include <QFileInfo>
#include <QString>

#include <cstdlib>
#include <memory>
#include <string>

namespace {

constexpr int kFrames = 475;
constexpr double kRate = 25.0;

struct TimelineDeleter {
    void operator()(IZRTimeline* t) const { IZRDeleteTimelineInstance(t); }
};
using Timeline = std::unique_ptr<IZRTimeline, TimelineDeleter>;

std::string mediaFolder() {
    const char* folder = std::getenv("CLIPSTEAD_BENCH_MEDIA");
    return folder ? std::string(folder) + "/" : std::string();
}

// The anchor timeline: A on track 1 from 0 s, the cross-fade on track 2 from 9 s for 1 s, B on
// track 3 from 9 s; null (with the reason) when a clip or a module is missing.
Timeline anchorTimeline(int audioRate, std::string* why) {
    static const int anchor = 0;
    const std::string base = platform::folderOfAddress(&anchor).toStdString();
    const std::string a = mediaFolder() + "A.avi", b = mediaFolder() + "B.avi";
    if (!QFileInfo::exists(QString::fromStdString(a)) ||
        !QFileInfo::exists(QString::fromStdString(b))) {
        *why = "no clips: run benchmarks/bench_render_vs_ffmpeg.sh";
        return nullptr;
    }
    Timeline t(IZRCreateTimelineInstance(nullptr, base.c_str(), 0));
    IZRSettings* s = t->settings();
    s->setDoubleSetting("Framerate", kRate);
    s->setIntPairSetting("Video Dimensions", 720, 576);
    s->setIntTripleSetting("Audio Settings", audioRate, 16, 2);
    IZRObjectFactory* f = t->factory();
    IZRObject* first = f->createObject("Import", "DV-AVI", nullptr, a.c_str());
    IZRObject* second = f->createObject("Import", "DV-AVI", nullptr, b.c_str());
    IZRObject* fade = f->createObject("Transition", "Blends", "Cross Fade", nullptr);
    if (!first || !second || !fade) {
        *why = "the media import module or the \"Cross Fade\" transition is not in " + base +
               "PlugIns";
        return nullptr;
    }
    ZRPos zero(0, 0, 0, 0, kRate), nine(0, 0, 9, 0, kRate), second1(0, 0, 1, 0, kRate),
        ten(0, 0, 10, 0, kRate);
    // Exactly 10 s of each clip (a container may report a little more) and 1 s of fade.
    t->setObjectMarkOut(first, &ten);
    t->setObjectMarkOut(second, &ten);
    t->setObjectMarkOut(fade, &second1);
    t->insertObject(1, &zero, first);
    t->insertObject(2, &nine, fade);
    t->insertObject(3, &nine, second);
    const int frames = int(t->endPosition()->toFrames()); // the frame after the last
    if (frames != kFrames) {
        *why = "the timeline is " + std::to_string(frames) + " frames long";
        return nullptr;
    }
    return t;
}

// One pass over the 475 frames: compose each frame and mix its sound (a frame's worth of
// samples at 25 frames per second), without encoding.
void renderPass(IZRTimeline* t, int audioRate, bool video, bool audio) {
    ZRPos p(0, 0, 0, 0, kRate);
    if (audio) t->startAudioAt(&p);
    const int samples = audioRate / int(kRate);
    for (int frame = 0; frame < kFrames; ++frame) {
        p.set(0, 0, 0, frame, kRate);
        if (video) {
            IZRImage* image = t->videoAt(&p, 0);
            benchmark::DoNotOptimize(image->pixels());
            image->unlock();
        }
        if (audio) {
            int32_t bytes = 0;
            benchmark::DoNotOptimize(t->renderAudio(samples, &bytes));
        }
    }
}

void run(benchmark::State& state, bool video, bool audio) {
    const int audioRate = int(state.range(0));
    std::string why;
    Timeline t = anchorTimeline(audioRate, &why);
    if (!t) {
        state.SkipWithError(why.c_str());
        return;
    }
    for (auto _ : state)
        renderPass(t.get(), audioRate, video, audio);
    state.counters["fps"] = benchmark::Counter(double(kFrames) * double(state.iterations()),
                                               benchmark::Counter::kIsRate);
}

} // namespace

// The anchor: video and sound together, the sound in the clips' own 48 kHz and resampled to
// the default 44.1 kHz.
static void BM_AnchorTimeline(benchmark::State& state) {
    run(state, true, true);
}
BENCHMARK(BM_AnchorTimeline)
    ->Arg(48000)
    ->Arg(44100)
    ->ArgName("audioRate")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

static void BM_AnchorVideoOnly(benchmark::State& state) {
    run(state, true, false);
}
BENCHMARK(BM_AnchorVideoOnly)
    ->Arg(48000)
    ->ArgName("audioRate")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

static void BM_AnchorAudioOnly(benchmark::State& state) {
    run(state, false, true);
}
BENCHMARK(BM_AnchorAudioOnly)
    ->Arg(48000)
    ->Arg(44100)
    ->ArgName("audioRate")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
