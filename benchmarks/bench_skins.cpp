// Pixel routines on a 1280 x 800 block (items are pixels, so the rate reads as pixels per
// second), reference and vector kernels side by side; and the whole start-up skin preload.
#include "classes/pixels/ZRPixelKernels.h"
#include "classes/pixels/ZRPixelRoutines.h"
#include "classes/skins/ZRSkinPreload.h"

#include <QGuiApplication>

#include <benchmark/benchmark.h>

#include <random>
#include <vector>

namespace {

constexpr int kW = 1280, kH = 800;

// A skin-like source: a third transparent, a third opaque, a third translucent.
std::vector<uint32_t> sourcePixels(int w, int h) {
    std::vector<uint32_t> px(size_t(w) * h);
    std::mt19937 rng(7);
    for (uint32_t& p : px) {
        const uint32_t colour = rng() & 0x00FFFFFF;
        switch (rng() % 3) {
        case 0:
            p = colour;
            break;
        case 1:
            p = colour | 0xFF000000;
            break;
        default:
            p = colour | (1 + rng() % 254) << 24;
            break;
        }
    }
    return px;
}

const zrpixels::Kernels& kernels(const benchmark::State& state) {
    return state.range(0) ? zrpixels::vectorKernels() : zrpixels::referenceKernels();
}

void BM_Blend(benchmark::State& state) {
    const std::vector<uint32_t> src = sourcePixels(kW, kH);
    std::vector<uint32_t> dst(size_t(kW) * kH, 0xFF203040);
    for (auto _ : state) {
        zrpixels::blendPixels(kernels(state), src.data(), kW * 4, kW, kH, dst.data(), kW * 4);
        benchmark::DoNotOptimize(dst.data());
    }
    state.SetItemsProcessed(state.iterations() * kW * kH);
    state.SetLabel(state.range(0) ? "vector" : "reference");
}
BENCHMARK(BM_Blend)->Arg(0)->Arg(1);

void BM_Tile(benchmark::State& state) {
    const std::vector<uint32_t> tile = sourcePixels(37, 23);
    std::vector<uint32_t> dst(size_t(kW) * kH, 0xFF203040);
    for (auto _ : state) {
        zrpixels::tileBlendPixelsOpacity(kernels(state), tile.data(), 37 * 4, 37, 23, dst.data(),
                                         kW * 4, 255, kW, kH, 5, -3);
        benchmark::DoNotOptimize(dst.data());
    }
    state.SetItemsProcessed(state.iterations() * kW * kH);
    state.SetLabel(state.range(0) ? "vector" : "reference");
}
BENCHMARK(BM_Tile)->Arg(0)->Arg(1);

// The preload main() runs before the first window: 45 skin files and the cursors.
void BM_Preload(benchmark::State& state) {
    static int argc = 1;
    static char name[] = "bench_skins";
    static char* argv[] = {name, nullptr};
    static QGuiApplication* app = new QGuiApplication(argc, argv);
    (void)app;
    setSkinBaseFolder(QStringLiteral(CLIPSTEAD_BIN_DIR));
    for (auto _ : state) {
        preloadSkins();
        releaseSkins();
    }
}
BENCHMARK(BM_Preload)->Unit(benchmark::kMillisecond);

} // namespace
