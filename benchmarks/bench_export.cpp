// Exports the anchor timeline, two 10-second PAL DV clips with a 1-second cross-fade (475
// frames), to DV AVI segments and to the DVD profile, through our own export modules, inside
// one process (no start-up counted: the side-by-side scripts time whole processes with
// bench_timeline instead). The clips come from the environment (CLIPSTEAD_BENCH_A,
// CLIPSTEAD_BENCH_B); the files go to CLIPSTEAD_BENCH_OUT.
#include "benchmarks/BenchTimeline.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <string>

namespace {

constexpr int kFrames = 475;

std::string env(const char* name, const char* fallback = "") {
    const char* value = std::getenv(name);
    return value ? value : fallback;
}

void exportAnchor(benchmark::State& state, const char* format, const char* file,
                  bool (*settings)()) {
    if (!settings()) {
        state.SkipWithError("the module settings cannot be written");
        return;
    }
    std::string why;
    auto t = benchtimeline::anchorTimeline(env("CLIPSTEAD_BENCH_A"), env("CLIPSTEAD_BENCH_B"),
                                           nullptr, &why);
    if (!t) {
        state.SkipWithError(why.c_str());
        return;
    }
    const std::string out = env("CLIPSTEAD_BENCH_OUT", "/tmp") + "/" + file;
    for (auto _ : state) {
        const int result = t->exportProject(out.c_str(), format, nullptr, nullptr, 720, 576, 25.0);
        if (result != 0) state.SkipWithError("the export failed");
    }
    state.counters["frames"] = std::lround(t->endPosition()->toFrames());
    state.counters["fps"] = benchmark::Counter(double(kFrames) * double(state.iterations()),
                                               benchmark::Counter::kIsRate);
}

void BM_ExportDV(benchmark::State& state) {
    exportAnchor(state, "AVI-DV Multifile", "clipstead_dv.ovl", benchtimeline::writeDvSettings);
}

void BM_ExportDVD(benchmark::State& state) {
    exportAnchor(state, "MPEG", "clipstead_dvd.mpg", benchtimeline::writeDvdSettings);
}

} // namespace

BENCHMARK(BM_ExportDV)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_ExportDVD)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
