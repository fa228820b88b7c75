// Rendering the anchor timeline: two 10-second 720 x 576 25 fps DV clips joined by a 1-second
// cross-fade, 475 frames, each frame composed (videoAt) and its sound mixed (renderAudio),
// through the program's own modules in bin/PlugIns (the media import module and the
// "Cross Fade" transition). benchmarks/bench_render_vs_ffmpeg.sh makes the clips and runs this
// beside ffmpeg.
#include "benchmarks/AnchorTimeline.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

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
