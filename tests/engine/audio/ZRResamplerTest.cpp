#include "engine/audio/ZRResampler.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

constexpr double kPi = 3.14159265358979323846;

std::vector<float> sine(double frequency, int rate, size_t frames, int channels = 1) {
    std::vector<float> out(frames * size_t(channels));
    for (size_t i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c)
            out[i * size_t(channels) + size_t(c)] =
                float(0.8 * std::sin(2.0 * kPi * frequency * double(i) / rate));
    return out;
}

// Everything the resampler gives for `input`, fed in pieces of `piece` frames, then flushed.
std::vector<float> run(ZRResampler& r, const std::vector<float>& input, size_t piece) {
    std::vector<float> out;
    const size_t ch = size_t(r.channels());
    for (size_t at = 0; at < input.size() / ch; at += piece) {
        const size_t n = std::min(piece, input.size() / ch - at);
        const auto part = r.resample(input.data() + at * ch, n);
        out.insert(out.end(), part.begin(), part.end());
    }
    const auto rest = r.resample(nullptr, 0);
    out.insert(out.end(), rest.begin(), rest.end());
    return out;
}

// The frequency of a tone from its rising zero crossings, interpolated between samples.
double measuredFrequency(const std::vector<float>& x, int rate, size_t skip) {
    double first = -1, last = -1;
    int crossings = 0;
    for (size_t i = skip; i + 1 < x.size() - skip; ++i) {
        if (x[i] < 0 && x[i + 1] >= 0) {
            const double at = double(i) + x[i] / (x[i] - x[i + 1]);
            if (first < 0) first = at;
            last = at;
            ++crossings;
        }
    }
    return crossings > 1 ? (crossings - 1) * rate / (last - first) : 0.0;
}

double rms(const std::vector<float>& x, size_t skip) {
    double sum = 0;
    for (size_t i = skip; i < x.size() - skip; ++i)
        sum += double(x[i]) * x[i];
    return std::sqrt(sum / double(x.size() - 2 * skip));
}

} // namespace

TEST(ZRResampler, RefusedSettings) {
    EXPECT_EQ(ZRResampler::make(999, 44100, 2, 1, false, false), nullptr);
    EXPECT_EQ(ZRResampler::make(44100, 100001, 2, 1, false, false), nullptr);
    EXPECT_EQ(ZRResampler::make(44100, 48000, 2, 5, false, false), nullptr);
    EXPECT_EQ(ZRResampler::make(44100, 48000, 2, -1, false, false), nullptr);
    EXPECT_EQ(ZRResampler::make(44100, 48000, 0, 1, false, false), nullptr);
    EXPECT_NE(ZRResampler::make(1000, 100000, 1, 4, true, true), nullptr);
    EXPECT_NE(ZRResampler::make(100000, 1000, 1, 4, true, true), nullptr);
}

TEST(ZRResampler, EqualRatesPassThroughInModeZero) {
    auto r = ZRResampler::make(44100, 44100, 2, 4, true, true);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->mode(), 0);
    EXPECT_EQ(r->history(), 0);
    const auto input = sine(440, 44100, 10000, 2);
    EXPECT_EQ(run(*r, input, 3000), input);
}

TEST(ZRResampler, HistoryPerMode) {
    const int expected[] = {0, 1, 3, 2};
    for (int mode = 0; mode < 4; ++mode)
        EXPECT_EQ(ZRResampler::make(44100, 48000, 1, mode, false, false)->history(),
                  expected[mode]);
    // Up-sampling walks the table a whole input frame (256 entries) per tap.
    EXPECT_EQ(ZRResampler::make(44100, 48000, 1, 4, false, false)->history(), 11);
    EXPECT_EQ(ZRResampler::make(44100, 48000, 1, 4, true, false)->history(), 32);
    // 48000 -> 44100 steps 235 entries: (2816 + 234) / 235.
    EXPECT_EQ(ZRResampler::make(48000, 44100, 1, 4, false, false)->history(), 12);
}

TEST(ZRResampler, InterpolationWeightsAtWholeFrames) {
    // Halving the rate lands every output on an input frame (t = 0): Lagrange gives the frame
    // itself, the B-spline 1/24, 11/24, 11/24, 1/24 of frames i-2 .. i+1.
    std::vector<float> impulse(10000, 0.0f);
    impulse[10] = 24.0f;
    auto lagrange = ZRResampler::make(48000, 24000, 1, 2, false, false);
    const auto l = run(*lagrange, impulse, impulse.size());
    ASSERT_GE(l.size(), 8u);
    EXPECT_FLOAT_EQ(l[5], 24.0f);
    EXPECT_FLOAT_EQ(l[4], 0.0f);
    EXPECT_FLOAT_EQ(l[6], 0.0f);

    auto spline = ZRResampler::make(48000, 24000, 1, 3, false, false);
    const auto s = run(*spline, impulse, impulse.size());
    EXPECT_FLOAT_EQ(s[5], 11.0f) << "x[i] at i = 10";
    EXPECT_FLOAT_EQ(s[6], 1.0f) << "x[i-2] at i = 12";
    EXPECT_FLOAT_EQ(s[4], 0.0f);
    impulse[10] = 0.0f;
    impulse[11] = 24.0f;
    auto spline2 = ZRResampler::make(48000, 24000, 1, 3, false, false);
    const auto s2 = run(*spline2, impulse, impulse.size());
    EXPECT_FLOAT_EQ(s2[5], 1.0f) << "x[i+1] at i = 10";
    EXPECT_FLOAT_EQ(s2[6], 11.0f) << "x[i-1] at i = 12";

    // Doubling with linear interpolation puts the mean between two frames.
    auto linear = ZRResampler::make(32000, 64000, 1, 1, false, false);
    const std::vector<float> ramp = {0, 2, 4, 6, 8};
    const auto lin = run(*linear, ramp, ramp.size());
    ASSERT_GE(lin.size(), 8u);
    for (size_t i = 0; i < 8; ++i)
        EXPECT_FLOAT_EQ(lin[i], float(i));
}

TEST(ZRResampler, ToneKeepsItsFrequency) {
    const struct {
        int from, to, mode;
        bool longFilter, interpolate;
    } cases[] = {
        {44100, 48000, 1, false, false}, {44100, 48000, 2, false, false},
        {44100, 48000, 3, false, false}, {44100, 48000, 4, false, false},
        {44100, 48000, 4, true, true},   {48000, 44100, 4, false, true},
        {48000, 22050, 4, true, true},   {22050, 96000, 2, false, false},
    };
    for (const auto& c : cases) {
        auto r = ZRResampler::make(c.from, c.to, 2, c.mode, c.longFilter, c.interpolate);
        ASSERT_NE(r, nullptr);
        const size_t frames = size_t(c.from) * 2;
        const auto out = run(*r, sine(1000, c.from, frames, 2), 4410);
        // Output length follows the rate ratio.
        const double expected = double(frames) * c.to / c.from;
        // The fixed-point step is truncated: up to 1 / step longer.
        EXPECT_NEAR(double(out.size() / 2), expected, expected * 1.5e-4 + 2)
            << c.from << "->" << c.to;
        std::vector<float> left(out.size() / 2);
        for (size_t i = 0; i < left.size(); ++i)
            left[i] = out[2 * i];
        EXPECT_NEAR(measuredFrequency(left, c.to, 200), 1000.0, 0.1)
            << c.from << "->" << c.to << " mode " << c.mode;
        EXPECT_NEAR(rms(left, 200), 0.8 / std::sqrt(2.0), 0.01) << "mode " << c.mode;
    }
}

TEST(ZRResampler, DownSamplingFiltersWhatTheOutputRateCannotHold) {
    // 15 kHz lies above the 11025 Hz limit of 22050 Hz output.
    auto r = ZRResampler::make(44100, 22050, 1, 4, true, true);
    const auto out = run(*r, sine(15000, 44100, 44100), 44100);
    EXPECT_LT(rms(out, 200), 0.01);
}

TEST(ZRResampler, OutputDoesNotDependOnHowTheInputIsCut) {
    const auto input = sine(1000, 44100, 30000, 2);
    for (int mode = 0; mode <= 4; ++mode) {
        auto whole = ZRResampler::make(44100, 48000, 2, mode, false, true);
        auto pieces = ZRResampler::make(44100, 48000, 2, mode, false, true);
        const auto a = run(*whole, input, input.size());
        const auto b = run(*pieces, input, 777);
        EXPECT_EQ(a, b) << "mode " << mode;
    }
}

TEST(ZRResampler, OutputOnlyOnceABlockAndItsLookAheadArrived) {
    auto r = ZRResampler::make(44100, 48000, 1, 4, false, false);
    const std::vector<float> input(ZRResampler::kBlockFrames + 11, 0.25f);
    EXPECT_TRUE(r->resample(input.data(), ZRResampler::kBlockFrames).empty());
    EXPECT_EQ(r->buffered(), size_t(ZRResampler::kBlockFrames));
    const auto out = r->resample(input.data(), 11);
    // ceil(4096 x 48000 / 44100) outputs for one block.
    EXPECT_EQ(out.size(), 4459u);
    EXPECT_EQ(r->buffered(), 11u);
    EXPECT_TRUE(r->resample(nullptr, 5).empty()) << "null input with frames";
    EXPECT_EQ(r->buffered(), 11u);
    const auto flushed = r->resample(nullptr, 0);
    EXPECT_EQ(flushed.size(), 12u);
    EXPECT_EQ(r->buffered(), 0u);
    EXPECT_TRUE(r->resample(nullptr, 0).empty());
}
