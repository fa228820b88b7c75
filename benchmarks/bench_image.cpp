// Every rendered frame is cleared to the background and copied out at least once.
#include "engine/render/ZRImage.h"
#include "engine/timeline/ZRTimeline.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

namespace {

constexpr int kWidth = 720;
constexpr int kHeight = 576;
constexpr size_t kBytes = size_t(kWidth) * kHeight * 4;

void report(benchmark::State& state) {
    state.SetItemsProcessed(state.iterations());
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kBytes));
}

} // namespace

// The floor for `clear`: a plain memset of the same bytes.
static void BM_MemsetFrame(benchmark::State& state) {
    ZRImage image(nullptr);
    image.create(kWidth, kHeight, 0);
    for (auto _ : state) {
        std::memset(image.pixels(), 0xFF, kBytes);
        benchmark::ClobberMemory();
    }
    report(state);
}
BENCHMARK(BM_MemsetFrame);

// Arg 0: the default white; arg 1: a colour whose bytes differ.
static void BM_ImageClear(benchmark::State& state) {
    IZRTimeline* timeline = IZRCreateTimelineInstance(nullptr, nullptr, 1);
    if (state.range(0) == 1)
        timeline->settings()->setIntTripleSetting("Background Color", 10, 20, 30);
    ZRImage image(static_cast<ZRTimeline*>(timeline));
    image.create(kWidth, kHeight, 0);
    for (auto _ : state) {
        image.clear();
        benchmark::ClobberMemory();
    }
    report(state);
    IZRDeleteTimelineInstance(timeline);
}
BENCHMARK(BM_ImageClear)->Arg(0)->Arg(1);

// Formats 0 (BGRA), 1 (BGR), 2 (RGB 565) and 5 (4:2:2).
static void BM_ImageCopyTo(benchmark::State& state) {
    const int format = int(state.range(0));
    ZRImage image(nullptr);
    image.create(kWidth, kHeight, 0);
    const int bytesPerPixel[] = {4, 3, 2, 2, 0, 2};
    const int stride = kWidth * bytesPerPixel[format];
    std::vector<unsigned char> destination(size_t(stride) * kHeight);
    for (auto _ : state) {
        image.copyTo(destination.data(), stride, format, false);
        benchmark::ClobberMemory();
    }
    report(state);
}
BENCHMARK(BM_ImageCopyTo)->Arg(0)->Arg(1)->Arg(2)->Arg(5);
