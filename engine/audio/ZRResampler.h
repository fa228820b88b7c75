#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

/// Converts interleaved float audio from one sample rate to another in one of five modes:
/// 0 nearest (floor) sample, 1 linear, 2 seven-point Lagrange, 3 quartic B-spline, 4
/// bandlimited interpolation over a Kaiser-windowed sinc table (a down-sampling variant
/// walks the table in smaller steps so the cut-off follows the output rate).
///
/// The position runs in 15-bit fixed point (32768 = one input frame). Input is taken in
/// blocks of 4096 frames; each block needs `history()` frames before and after it, so a
/// call returns output only once a whole block plus that look-ahead has arrived, and keeps
/// the rest buffered. A call with no frames flushes: silence stands in for the look-ahead,
/// everything buffered comes out and nothing stays buffered.
/// Thread-safety: one resampler belongs to one thread at a time.
class ZRResampler {
public:
    static constexpr int kBlockFrames = 4096;
    static constexpr int kMinRate = 1000;
    static constexpr int kMaxRate = 100000;
    static constexpr int kMaxChannels = 64;

    /// Null for rates outside 1000..100000, a mode outside 0..4 or a channel count outside
    /// 1..kMaxChannels. Equal rates always run in mode 0. `longFilter` gives mode 4 65 taps
    /// instead of 23; `interpolateCoefficients` interpolates between its table entries.
    static std::unique_ptr<ZRResampler> make(int inputRate, int outputRate, int channels, int mode,
                                             bool longFilter, bool interpolateCoefficients);
    ~ZRResampler();
    ZRResampler(const ZRResampler&) = delete;
    ZRResampler& operator=(const ZRResampler&) = delete;

    /// Feeds `frames` frames (0 = flush) and returns the output frames that became ready,
    /// interleaved; empty when more input is needed (or for a null `input` with frames, or
    /// when the output block cannot be allocated, in which case nothing is consumed).
    std::vector<float> resample(const float* input, size_t frames);

    int inputRate() const { return m_inputRate; }
    int outputRate() const { return m_outputRate; }
    int channels() const { return m_channels; }
    int mode() const { return m_mode; }
    /// Frames of context each side of a block.
    int history() const { return m_history; }
    /// Frames received and not yet turned into output.
    size_t buffered() const { return m_buffered; }

private:
    ZRResampler() = default;
    void buildFilter(bool longFilter);
    /// Produces the output frames of one block of `frames` input frames starting at `x`,
    /// which has history() valid frames before and after it. Returns the new output end.
    float* processBlock(const float* x, int frames, float* out);
    void interpolateSinc(const float* x, int i, int frac, float* out);

    int m_inputRate = 0;
    int m_outputRate = 0;
    int m_channels = 0;
    int m_mode = 0;
    bool m_interpolateCoefficients = false;
    int m_history = 0;
    int m_taps = 0;
    int m_tableSize = 0;
    int m_tableStep = 256;
    double m_gain = 1.0;
    std::vector<double> m_filter;
    std::vector<double> m_difference;
    std::vector<double> m_accumulator;
    /// history() context frames, then m_buffered frames waiting; room for 2 x history + 4096.
    std::vector<float> m_buffer;
    size_t m_buffered = 0;
    int64_t m_step = 0;
    int64_t m_phase = 0;
};
