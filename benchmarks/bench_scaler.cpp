// The scaler fits every imported frame to the project size and feeds the preview.
#include "platform/scaler/SRScaler.h"

#include <benchmark/benchmark.h>

#include <vector>

static void BM_ScaleFrame(benchmark::State& state) {
    const int sw = 720, sh = 576;
    const int dw = int(state.range(0)), dh = int(state.range(1));
    std::vector<unsigned char> source(size_t(sw) * sh * 4);
    for (size_t i = 0; i < source.size(); ++i)
        source[i] = static_cast<unsigned char>(i * 7 + i / 2880);
    std::vector<unsigned char> destination(size_t(dw) * dh * 4);
    for (auto _ : state) {
        const bool ok = SRScaler_FourCC_BGRA(0, kFourCC_BGRA, source.data(), sw * 4, sw, sh,
                                             destination.data(), dw * 4, dw, dh, 0, 1);
        benchmark::DoNotOptimize(ok);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ScaleFrame)
    ->Args({352, 288})
    ->Args({1920, 1080})
    ->ArgNames({"width", "height"})
    ->Unit(benchmark::kMillisecond);
