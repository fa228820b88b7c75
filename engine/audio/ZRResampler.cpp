#include "engine/audio/ZRResampler.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int64_t kOne = 32768; // one input frame in phase units
constexpr double kCutoff = 0.45;
constexpr double kKaiserBeta = 9.0;
constexpr int kMaxTableSize = 8192;

// Modified Bessel function of the first kind, order 0, by its power series.
double besselI0(double x) {
    double sum = 1.0;
    double term = 1.0;
    const double half = x / 2.0;
    for (int j = 1; j < 1000; ++j) {
        term *= half / j;
        const double square = term * term;
        sum += square;
        if (square < 1e-21 * sum) break;
    }
    return sum;
}

} // namespace

ZRResampler::~ZRResampler() = default;

std::unique_ptr<ZRResampler> ZRResampler::make(int inputRate, int outputRate, int channels,
                                               int mode, bool longFilter,
                                               bool interpolateCoefficients) {
    if (inputRate < kMinRate || inputRate > kMaxRate) return nullptr;
    if (outputRate < kMinRate || outputRate > kMaxRate) return nullptr;
    if (channels < 1 || channels > kMaxChannels) return nullptr;
    if (mode < 0 || mode > 4) return nullptr;
    std::unique_ptr<ZRResampler> r(new (std::nothrow) ZRResampler);
    if (!r) return nullptr;
    r->m_inputRate = inputRate;
    r->m_outputRate = outputRate;
    r->m_channels = channels;
    r->m_mode = inputRate == outputRate ? 0 : mode;
    r->m_interpolateCoefficients = interpolateCoefficients;
    r->m_step = int64_t(inputRate) * kOne / outputRate;
    static constexpr int kHistory[] = {0, 1, 3, 2};
    try {
        if (r->m_mode == 4)
            r->buildFilter(longFilter);
        else
            r->m_history = kHistory[r->m_mode];
        r->m_accumulator.resize(size_t(channels));
        r->m_buffer.assign(size_t(2 * r->m_history + kBlockFrames) * size_t(channels), 0.0f);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    return r;
}

void ZRResampler::buildFilter(bool longFilter) {
    m_taps = (longFilter ? 65 : 23) | 1;
    m_tableSize = std::min((m_taps - 1) * 128, kMaxTableSize);
    const int n = m_tableSize;
    m_tableStep = std::min<int>(256, int(int64_t(m_outputRate) * 256 / m_inputRate));
    m_history = (n + m_tableStep - 1) / m_tableStep;
    m_filter.assign(size_t(n), 0.0);
    m_difference.assign(size_t(n), 0.0);
    m_filter[0] = 2.0 * kCutoff;
    const double window0 = besselI0(kKaiserBeta);
    for (int k = 1; k < n; ++k) {
        const double x = k * kPi / 256.0;
        const double r = double(k) / double(n - 1);
        const double window = besselI0(kKaiserBeta * std::sqrt(std::max(0.0, 1.0 - r * r)));
        m_filter[k] = std::sin(2.0 * kCutoff * x) / x * window / window0;
    }
    for (int k = 0; k + 1 < n; ++k)
        m_difference[k] = m_filter[k + 1] - m_filter[k];
    m_difference[n - 1] = -m_filter[n - 1];
    double sum = m_filter[0];
    for (int j = 1; int64_t(j) * m_tableStep < n; ++j)
        sum += 2.0 * m_filter[size_t(j) * m_tableStep];
    m_gain = 1.0 / sum;
}

std::vector<float> ZRResampler::resample(const float* input, size_t frames) {
    if (frames > 0 && !input) return {};
    const bool flush = frames == 0;
    const size_t history = size_t(m_history);
    const size_t total = m_buffered + (flush ? history : frames);
    size_t toProcess;
    if (flush)
        toProcess = m_buffered;
    else
        toProcess = total > history ? (total - history) / kBlockFrames * kBlockFrames : 0;

    const int64_t end = int64_t(toProcess) * kOne;
    const int64_t count = end > m_phase ? (end - m_phase + m_step - 1) / m_step : 0;
    std::vector<float> out;
    try {
        out.resize(size_t(count) * size_t(m_channels));
    } catch (const std::bad_alloc&) {
        return {};
    }

    // Input frames, then (when flushing) silence, copied behind what the buffer holds.
    const size_t ch = size_t(m_channels);
    size_t consumed = 0;
    auto pull = [&](size_t want) {
        float* dst = m_buffer.data() + (history + m_buffered) * ch;
        const size_t fromInput = flush ? 0 : std::min(want, frames - consumed);
        if (fromInput) std::memcpy(dst, input + consumed * ch, fromInput * ch * sizeof(float));
        std::fill(dst + fromInput * ch, dst + want * ch, 0.0f);
        consumed += fromInput;
        m_buffered += want;
    };

    float* o = out.data();
    size_t left = toProcess;
    while (left > 0) {
        const size_t block = std::min<size_t>(left, kBlockFrames);
        // The block and its look-ahead must be in the buffer.
        if (m_buffered < block + history) pull(block + history - m_buffered);
        o = processBlock(m_buffer.data() + history * ch, int(block), o);
        // The frames behind the processed block become the next block's context.
        const size_t keep = history + m_buffered - block;
        std::memmove(m_buffer.data(), m_buffer.data() + block * ch, keep * ch * sizeof(float));
        m_buffered -= block;
        left -= block;
    }
    if (flush)
        m_buffered = 0; // the silence was look-ahead only; the context stays for what follows
    else if (consumed < frames)
        pull(frames - consumed);
    return out;
}

float* ZRResampler::processBlock(const float* x, int frames, float* out) {
    const int64_t end = int64_t(frames) * kOne;
    const int ch = m_channels;
    for (; m_step > 0 && m_phase < end; m_phase += m_step, out += ch) {
        const int i = int(m_phase >> 15);
        const int frac = int(m_phase & 0x7FFF);
        const float* p = x + ptrdiff_t(i) * ch;
        const double t = frac / 32768.0;
        switch (m_mode) {
        case 0:
            std::copy(p, p + ch, out);
            break;
        case 1:
            for (int c = 0; c < ch; ++c)
                out[c] = float((double(p[ch + c]) * frac + double(p[c]) * (kOne - frac)) / kOne);
            break;
        case 2: {
            // Lagrange weights through the nodes -3..3 at t.
            double w[7];
            for (int k = -3; k <= 3; ++k) {
                double weight = 1.0;
                for (int j = -3; j <= 3; ++j)
                    if (j != k) weight *= (t - j) / double(k - j);
                w[k + 3] = weight;
            }
            for (int c = 0; c < ch; ++c) {
                double sum = 0.0;
                for (int k = -3; k <= 3; ++k)
                    sum += w[k + 3] * p[k * ch + c];
                out[c] = float(sum);
            }
            break;
        }
        case 3: {
            auto q = [](double v) { return v * v * v * v / 24.0; };
            const double w[5] = {q(1 - t), q(2 - t) - 5 * q(1 - t),
                                 10 * q(t) + q(t + 2) - 5 * q(t + 1), q(t + 1) - 5 * q(t), q(t)};
            for (int c = 0; c < ch; ++c) {
                double sum = 0.0;
                for (int k = -2; k <= 2; ++k)
                    sum += w[k + 2] * p[k * ch + c];
                out[c] = float(sum);
            }
            break;
        }
        default:
            interpolateSinc(x, i, frac, out);
            break;
        }
    }
    m_phase -= end;
    return out;
}

// One output frame of the bandlimited interpolation: the left wing runs back from x[i] and
// the right wing forward from x[i + 1], each stepping through the table by d (256 = one
// input frame when up-sampling; fewer when down-sampling, which narrows the pass band to the
// output rate).
void ZRResampler::interpolateSinc(const float* x, int i, int frac, float* out) {
    const int ch = m_channels;
    const int d = m_tableStep;
    double* acc = m_accumulator.data();
    std::fill(acc, acc + ch, 0.0);
    const double* h = m_filter.data();
    const double* e = m_difference.data();
    auto wing = [&](int phase, int limit, int firstTap, int direction) {
        // Positions in 1/128 table entries.
        int q = d == 256 ? phase : int((int64_t(phase) * d * 128) >> 15);
        const int stride = d * 128;
        const float* p = x + ptrdiff_t(i + firstTap) * ch;
        for (; (q >> 7) < limit; q += stride, p += direction * ch) {
            const int index = q >> 7;
            double c = h[index];
            if (m_interpolateCoefficients) c += e[index] * (q & 127) / 128.0;
            for (int k = 0; k < ch; ++k)
                acc[k] += c * p[k];
        }
    };
    wing(frac, m_tableSize, 0, -1);
    wing(int(kOne) - frac, m_tableSize - 1, 1, 1);
    for (int k = 0; k < ch; ++k)
        out[k] = float(acc[k] * m_gain);
}
