// Titles are drawn for every frame a text object covers; captions for every skinned label.
#include "engine/api/ZRFont.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace {

struct Font {
    Font() : font(TTFontFactory()) {}
    ~Font() { TTFontDestroy(font); }
    ZRFont* font;
};

void renderRepeatedly(benchmark::State& state, ZRFontData data, int width, int height, float y) {
    Font font;
    std::vector<unsigned char> pixels(size_t(width) * height * 4);
    if (font.font->openFont(&data) != 0) {
        state.SkipWithError("font not installed");
        return;
    }
    for (auto _ : state) {
        font.font->renderString(pixels.data(), width * 4, width, height, &data, 0, y, 4);
        benchmark::DoNotOptimize(pixels.data());
    }
    state.counters["renders/s"] =
        benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_TitleTwoLines48pt(benchmark::State& state) {
    ZRFontData data;
    data.faceName = "arial.ttf";
    data.size = 48;
    data.antiAlias = int(state.range(0));
    data.text = "<!Color=R:255,G: 255,B:255!>Clipstead <!Size=56!>Summer\n"
                "<!Size=40!><!Color=R:255,G: 200,B:0!>A Very Average Holiday";
    renderRepeatedly(state, data, 720, 576, 180);
}
BENCHMARK(BM_TitleTwoLines48pt)->Arg(1)->Arg(0)->ArgName("antiAlias");

void BM_Caption10pt(benchmark::State& state) {
    ZRFontData data;
    data.faceName = "DejaVuSans.ttf";
    data.size = 10;
    data.xResolution = data.yResolution = 72;
    data.alignment = 1;
    data.text = "00:01:23.12  Clip 4";
    renderRepeatedly(state, data, 160, 16, 0);
}
BENCHMARK(BM_Caption10pt);

} // namespace
