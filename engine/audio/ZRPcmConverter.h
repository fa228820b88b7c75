#pragma once

#include "engine/audio/ZRIsaacRandom.h"

#include <cstddef>
#include <memory>
#include <vector>

/// Converts interleaved integer PCM to 32-bit float frames and back, remapping channels:
/// output channel k of O is the mean of source channels floor(k S / O) up to (excluding)
/// floor((k + 1) S / O), at least the first of them (mono feeds every channel, stereo folds
/// to mono by averaging). Samples take whole bytes: 1 for up to 8 bits (unsigned, offset
/// 128), 2 for 9 to 16, 3 for 17 to 24, 4 for 25 to 32 (signed, little-endian). Full scale is
/// 2^(bits - 1).
/// Thread-safety: one converter belongs to one thread at a time (the dither state changes).
class ZRPcmConverter {
public:
    static constexpr int kMaxChannels = 64;

    /// With `dither`, float-to-PCM adds a random half step (ISAAC noise) before rounding down.
    explicit ZRPcmConverter(bool dither);
    ~ZRPcmConverter();
    ZRPcmConverter(const ZRPcmConverter&) = delete;
    ZRPcmConverter& operator=(const ZRPcmConverter&) = delete;

    bool dithers() const { return m_random != nullptr; }

    /// Bytes one sample of `bits` takes, 0 when `bits` is outside 1..32.
    static int bytesPerSample(int bits);

    /// `frames` frames of `sourceChannels` samples -> frames x outputChannels floats, each
    /// value / 2^(bits - 1). Empty for a null source, no frames, bits outside 1..32, channel
    /// counts outside 1..kMaxChannels or a failed allocation.
    std::vector<float> toFloat(const void* source, int sourceChannels, int bits, size_t frames,
                               int outputChannels) const;

    /// `frames` float frames -> frames x outputChannels PCM samples of `bits`, clamped to
    /// -2^(bits-1) .. 2^(bits-1) - 1 (NaN gives 0). Empty under the same conditions as toFloat.
    std::vector<unsigned char> toPcm(const float* source, int sourceChannels, size_t frames,
                                     int outputChannels, int bits);

private:
    std::unique_ptr<ZRIsaacRandom> m_random;
};
