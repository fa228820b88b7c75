// The background renderer stores every costly 720 x 576 frame as DV (and other sizes as JPEG)
// and decodes it again when the frame is shown; DV output encodes each frame it sends.
#include "platform/dvcodec/DVDecoder.h"
#include "platform/dvcodec/DVEncoder.h"
#include "platform/mjpeg/JPEGDecoder.h"
#include "platform/mjpeg/JPEGEncoder.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

namespace {

constexpr int kWidth = 720;
constexpr int kHeight = 576;
constexpr int kStride = kWidth * 4;

// Smooth colour gradients with a fine texture over them, like a video frame with detail.
std::vector<unsigned char> testFrame() {
    std::vector<unsigned char> pixels(size_t(kStride) * kHeight);
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            unsigned char* px = pixels.data() + size_t(y) * kStride + size_t(x) * 4;
            const double texture = 24.0 * std::sin(x * 0.37) * std::cos(y * 0.23);
            px[0] = static_cast<unsigned char>(std::lround(40 + 150.0 * x / kWidth + texture));
            px[1] = static_cast<unsigned char>(std::lround(60 + 120.0 * y / kHeight - texture));
            px[2] =
                static_cast<unsigned char>(std::lround(128 + 80.0 * std::sin(x * 0.01 + y * 0.02)));
            px[3] = 255;
        }
    }
    return pixels;
}

void BM_DVEncode(benchmark::State& state) {
    const std::vector<unsigned char> pixels = testFrame();
    std::vector<unsigned char> frame(platform::kDVMaxFrameSize);
    platform::DVEncoder encoder;
    for (auto _ : state) {
        size_t length = 0;
        const auto status = encoder.encode(pixels.data(), kStride, kWidth, kHeight, frame, length);
        benchmark::DoNotOptimize(status);
        if (status != platform::DVStatus::Ok) state.SkipWithError(platform::dvStatusText(status));
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_DVDecode(benchmark::State& state) {
    const std::vector<unsigned char> pixels = testFrame();
    std::vector<unsigned char> frame(platform::kDVMaxFrameSize);
    platform::DVEncoder encoder;
    size_t length = 0;
    if (encoder.encode(pixels.data(), kStride, kWidth, kHeight, frame, length) !=
        platform::DVStatus::Ok) {
        state.SkipWithError("encoding the test frame failed");
        return;
    }
    std::vector<unsigned char> decoded(pixels.size());
    platform::DVDecoder decoder;
    for (auto _ : state) {
        const auto status = decoder.decode(std::span(frame).first(length), decoded.data(), kStride,
                                           kWidth, kHeight);
        benchmark::DoNotOptimize(status);
        if (status != platform::DVStatus::Ok) state.SkipWithError(platform::dvStatusText(status));
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_JPEGEncode(benchmark::State& state) {
    const std::vector<unsigned char> pixels = testFrame();
    std::vector<unsigned char> jpeg;
    platform::JPEGEncoder encoder;
    for (auto _ : state) {
        const auto status = encoder.compress(pixels.data(), kStride, kWidth, kHeight,
                                             platform::kJPEGStoredFrameQuality, jpeg);
        benchmark::DoNotOptimize(status);
        if (status != platform::JPEGStatus::Ok)
            state.SkipWithError(platform::jpegStatusText(status));
    }
    state.counters["bytes"] = double(jpeg.size());
    state.SetItemsProcessed(state.iterations());
}

void BM_JPEGDecode(benchmark::State& state) {
    const std::vector<unsigned char> pixels = testFrame();
    std::vector<unsigned char> jpeg;
    platform::JPEGEncoder encoder;
    if (encoder.compress(pixels.data(), kStride, kWidth, kHeight, platform::kJPEGStoredFrameQuality,
                         jpeg) != platform::JPEGStatus::Ok) {
        state.SkipWithError("compressing the test frame failed");
        return;
    }
    std::vector<unsigned char> decoded(pixels.size());
    platform::JPEGDecoder decoder;
    for (auto _ : state) {
        const auto status = decoder.decompress(jpeg, decoded.data(), kStride, kWidth, kHeight);
        benchmark::DoNotOptimize(status);
        if (status != platform::JPEGStatus::Ok)
            state.SkipWithError(platform::jpegStatusText(status));
    }
    state.counters["bytes"] = double(jpeg.size());
    state.SetItemsProcessed(state.iterations());
}

} // namespace

BENCHMARK(BM_DVEncode)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DVDecode)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JPEGEncode)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JPEGDecode)->Unit(benchmark::kMillisecond);
