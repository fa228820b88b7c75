// Audio of a clip at another rate runs through the resampler on every rendered audio block.
#include "engine/audio/ZRResampler.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

static void BM_Resample44100To48000(benchmark::State& state) {
    const int mode = int(state.range(0));
    const bool best = mode == 4;
    auto resampler = ZRResampler::make(44100, 48000, 2, mode, best, best);
    const size_t frames = 44100; // one second per iteration, fed in blocks as the mixer does
    std::vector<float> input(frames * 2);
    for (size_t i = 0; i < frames; ++i)
        input[2 * i] = input[2 * i + 1] = float(std::sin(double(i) * 0.1425));
    const size_t block = 4410;
    for (auto _ : state) {
        for (size_t at = 0; at < frames; at += block) {
            auto out = resampler->resample(input.data() + at * 2, block);
            benchmark::DoNotOptimize(out.data());
        }
    }
    // Items are input sample frames (one frame = both channels).
    state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(frames));
}
BENCHMARK(BM_Resample44100To48000)->Arg(1)->Arg(2)->Arg(4)->ArgName("mode");
