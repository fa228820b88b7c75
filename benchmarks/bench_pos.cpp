// Position arithmetic runs for every object on every frame the renderer composes.
#include "engine/base/ZRPos.h"

#include <benchmark/benchmark.h>

static void BM_PosAddCompare(benchmark::State& state) {
    ZRPos a(0, 12, 34, 5, 25.0);
    const ZRPos step(0, 0, 0, 1, 25.0);
    const ZRPos end(1, 0, 0, 0, 25.0);
    for (auto _ : state) {
        a.add(&step);
        if (a >= &end) a.set(0, 0, 0, 0, 25.0);
        benchmark::DoNotOptimize(a.frames());
    }
}
BENCHMARK(BM_PosAddCompare);

static void BM_PosText(benchmark::State& state) {
    ZRPos a(1, 2, 3, 4, 30.0);
    for (auto _ : state) {
        a.fromText(a.toText());
        benchmark::DoNotOptimize(a.frames());
    }
}
BENCHMARK(BM_PosText);
