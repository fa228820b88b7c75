#pragma once

#include "engine/audio/ZRPcmConverter.h"
#include "engine/audio/ZRResampler.h"

#include <cstdint>
#include <memory>
#include <vector>

class IZRPos;
class ZRMediaSource;

/// The sound of one media source as the mixer takes it: blocks read from the source in its own
/// format, converted to float frames of the mix's channel count, resampled to the mix's rate
/// when the rates differ, and handed out in blocks of any size; frames the resampler produced
/// beyond a block are kept for the next one.
/// Thread-safety: confined to the thread of one mix run, like the source it reads.
class ZRAudioSource {
public:
    /// Reads `media`, which must outlive this object.
    explicit ZRAudioSource(ZRMediaSource* media);
    ~ZRAudioSource();
    ZRAudioSource(const ZRAudioSource&) = delete;
    ZRAudioSource& operator=(const ZRAudioSource&) = delete;

    /// Moves the source to `position`, reads its format again and drops every frame held
    /// (the resampler starts afresh). False when the source has no audio.
    bool seek(IZRPos* position);
    /// Delivers `rate` Hz and `channels` channels from now on and seeks to `position`. Rates
    /// that differ are converted by a resampler of mode `quality` (0..4, clamped).
    bool prepare(IZRPos* position, int rate, int channels, int quality);
    bool isPrepared() const { return m_rate > 0; }
    int rate() const { return m_rate; }
    int channels() const { return m_channels; }

    /// The next `frames` frames x channels() floats, valid until the next call; null when the
    /// source delivers nothing at all (no audio, a format that cannot be converted, a rate the
    /// resampler refuses). When the source ends inside a block the rest is silence.
    float* read(int32_t frames);

private:
    /// One block of `frames` source frames converted to float; empty when none came.
    std::vector<float> readConverted(int32_t frames);
    void resetResampler();

    ZRMediaSource* m_media;
    int m_sourceRate = 0;
    int m_sourceBits = 0;
    int m_sourceChannels = 0;
    int m_rate = 0;
    int m_channels = 0;
    int m_quality = 0;
    ZRPcmConverter m_converter{false};
    std::unique_ptr<ZRResampler> m_resampler;
    bool m_flushed = false;
    std::vector<float> m_leftover;
    size_t m_leftoverAt = 0;
    std::vector<float> m_block;
};
