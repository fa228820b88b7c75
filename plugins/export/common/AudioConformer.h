#pragma once

#include "platform/ffmpeg/FFmpegHandles.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace exportmodule {

/// Brings the engine's audio (8-bit unsigned, 16, 24 or 32-bit signed interleaved PCM at any
/// rate and channel count) to the rate and channel count an output needs, as 16-bit
/// interleaved samples, and holds them until the writer takes them.
/// Thread-safety: one thread at a time.
class AudioConformer {
public:
    AudioConformer() = default;
    AudioConformer(const AudioConformer&) = delete;
    AudioConformer& operator=(const AudioConformer&) = delete;

    /// False for an input or output format it cannot convert.
    bool open(int inRate, int inBits, int inChannels, int outRate, int outChannels);
    /// Converts `bytes` of input; a partial sample frame at the end waits for the next call.
    bool push(const uint8_t* data, size_t bytes);
    /// Moves what the resampler still holds into the ready samples (at the end of the input).
    void flush();
    /// Sample frames ready.
    size_t available() const { return (m_ready.size() - m_read) / size_t(m_outChannels); }
    /// Writes exactly `frames` sample frames to `out`: the ready ones first, then silence.
    /// Answers how many were real.
    size_t pull(int16_t* out, size_t frames);
    int outChannels() const { return m_outChannels; }

private:
    bool convert(const uint8_t* data, int frames);

    platform::ffmpeg::SwrHandle m_swr;
    int m_inBits = 16;
    int m_inChannels = 2;
    int m_outChannels = 2;
    int m_inRate = 0;
    int m_outRate = 0;
    bool m_direct = false;
    std::vector<uint8_t> m_partial;
    std::vector<int32_t> m_widened; // 24-bit input as 32-bit samples
    std::vector<int16_t> m_ready;
    size_t m_read = 0;
};

} // namespace exportmodule
