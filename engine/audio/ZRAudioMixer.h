#pragma once

#include "engine/audio/ZRPcmConverter.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

/// The pan factor of pan position `pan` (-1.0 left .. +1.0 right) for output channel
/// `channel`: channel 0 loses what the pan moves right, channel 1 what it moves left, other
/// channels keep 1.
inline double zrPanFactor(double pan, int channel) {
    if (channel == 0) return pan > 0.0 ? 1.0 - pan : 1.0;
    if (channel == 1) return pan < 0.0 ? 1.0 + pan : 1.0;
    return 1.0;
}

/// The timeline's audio mix: float frames of 1/30 s mixed one at a time, turned into PCM of
/// the output format and cut into blocks of whatever size the caller asks for; what a mixed
/// frame holds beyond a block is kept for the next one.
///
/// A frame has trunc(rate / 30) sample frames; the fraction left over accumulates, and the
/// frame in which it passes 20.0 gets 20 sample frames more (the fraction drops by 20.0).
/// The caller fills each frame through the mixing operations (`addAveraged`, `addRouted`)
/// from the frame function it hands to `render`.
/// Thread-safety: confined to one thread at a time (one mix run).
class ZRAudioMixer {
public:
    static constexpr double kFrameRate = 30.0;
    static constexpr int kCatchUpFrames = 20;
    static constexpr int kMaxChannels = ZRPcmConverter::kMaxChannels;
    /// The largest block `render` produces at once.
    static constexpr size_t kMaxBlockBytes = size_t(256) << 20;

    ZRAudioMixer();

    /// Starts a run in the output format (`rate` Hz, `bits` per sample, `channels`), mixing
    /// `mixChannels` channels (the output's, or fewer; the conversion spreads them). Forgets
    /// every mixed sample. False, with the mixer delivering nothing until the next start, for
    /// a rate outside 1..1000000, bits outside 1..32 or channel counts outside 1..64.
    bool start(int rate, int bits, int channels, int mixChannels);

    int rate() const { return m_rate; }
    int bits() const { return m_bits; }
    int channels() const { return m_channels; }
    int mixChannels() const { return m_mixChannels; }
    /// trunc(rate / 30) and the fraction beside it.
    int32_t wholeSamplesPerFrame() const { return m_wholeSamples; }

    /// The size of the next frame in sample frames; advances the fraction.
    int32_t takeFrameSamples();

    /// Mixing one frame: `samples` holds the frame's sample frames x mixChannels() floats.
    /// Track mode: multiplied by `gain`; the first track of a frame is taken as it is, every
    /// further one averaged in: mix = (mix + track) x 0.5.
    void addAveraged(const float* samples, double gain);
    /// Channel mode: mix[i, c] += samples[i, j] x gains[j x mixChannels() + c] for every pair
    /// whose gain is at least 0.00001 in magnitude; the first track of a frame starts from
    /// silence.
    void addRouted(const float* samples, const double* gains);

    /// Fills the frame of `samples` sample frames through the caller's mixing calls.
    using FrameFunction = std::function<void(int32_t samples)>;

    /// The next `frames` sample frames in the output format; `*bytes` receives their byte
    /// count. Mixed frames left over from the last call are used first; further frames are
    /// mixed through `mix`, silence when it adds nothing. The buffer belongs to the mixer and
    /// stays valid until the next call. Null, with 0 bytes, before a good `start` or when the
    /// block would exceed kMaxBlockBytes; `frames` <= 0 gives the buffer with 0 bytes.
    const unsigned char* render(int32_t frames, int32_t* bytes, const FrameFunction& mix);

    /// Sample frames mixed and not yet handed out.
    size_t leftoverFrames() const;

private:
    bool m_started = false;
    int m_rate = 0;
    int m_bits = 0;
    int m_channels = 0;
    int m_mixChannels = 0;
    int m_bytesPerFrame = 0;
    int32_t m_wholeSamples = 0;
    float m_fractionalSamples = 0.0f;
    float m_accumulator = 0.0f;
    std::vector<float> m_mix;
    int32_t m_frameSamples = 0;
    bool m_contributed = false;
    std::vector<unsigned char> m_output;
    std::vector<unsigned char> m_leftover;
    size_t m_leftoverAt = 0;
    ZRPcmConverter m_converter{false};
};
