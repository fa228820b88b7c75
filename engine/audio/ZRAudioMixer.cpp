#include "engine/audio/ZRAudioMixer.h"

#include <algorithm>
#include <cmath>
#include <cstring>

ZRAudioMixer::ZRAudioMixer() = default;

bool ZRAudioMixer::start(int rate, int bits, int channels, int mixChannels) {
    m_started = false;
    m_leftover.clear();
    m_leftoverAt = 0;
    m_accumulator = 0.0f;
    m_mix.clear();
    m_output.clear();
    if (rate < 1 || rate > 1000000 || bits < 1 || bits > 32 || channels < 1 ||
        channels > kMaxChannels || mixChannels < 1 || mixChannels > kMaxChannels)
        return false;
    m_rate = rate;
    m_bits = bits;
    m_channels = channels;
    m_mixChannels = mixChannels;
    // Whole bytes per sample, as the converter writes them (12 bits take two bytes, not one).
    m_bytesPerFrame = ZRPcmConverter::bytesPerSample(bits) * channels;
    const double msPerFrame = 1000.0 / kFrameRate;
    const float samplesPerFrame = float(rate * 0.001 * msPerFrame);
    m_wholeSamples = int32_t(std::trunc(samplesPerFrame));
    m_fractionalSamples = samplesPerFrame - float(m_wholeSamples);
    // Room for the largest frame: the whole part plus a catch-up, in every mixed channel.
    m_mix.assign(size_t(m_wholeSamples + kCatchUpFrames + 1) * size_t(mixChannels), 0.0f);
    m_output.reserve(size_t(std::floor(m_bytesPerFrame * rate * 0.001 * msPerFrame + 200.0 + 0.5)));
    m_started = true;
    return true;
}

int32_t ZRAudioMixer::takeFrameSamples() {
    int32_t samples = m_wholeSamples;
    m_accumulator += m_fractionalSamples;
    if (m_accumulator > float(kCatchUpFrames)) {
        samples += kCatchUpFrames;
        m_accumulator -= float(kCatchUpFrames);
    }
    return samples;
}

void ZRAudioMixer::addAveraged(const float* samples, double gain) {
    if (!samples || m_frameSamples <= 0) return;
    const size_t count = size_t(m_frameSamples) * size_t(m_mixChannels);
    float* mix = m_mix.data();
    if (!m_contributed) {
        if (gain == 1.0)
            std::memcpy(mix, samples, count * sizeof(float));
        else
            for (size_t i = 0; i < count; ++i)
                mix[i] = float(samples[i] * gain);
    } else {
        for (size_t i = 0; i < count; ++i)
            mix[i] = float((mix[i] + float(samples[i] * gain)) * 0.5);
    }
    m_contributed = true;
}

void ZRAudioMixer::addRouted(const float* samples, const double* gains) {
    if (!samples || !gains || m_frameSamples <= 0) return;
    const int channels = m_mixChannels;
    const size_t frames = size_t(m_frameSamples);
    float* mix = m_mix.data();
    if (!m_contributed) std::fill_n(mix, frames * size_t(channels), 0.0f);
    m_contributed = true;
    for (int j = 0; j < channels; ++j) {
        for (int c = 0; c < channels; ++c) {
            const double g = gains[j * channels + c];
            if (std::fabs(g) < 0.00001) continue;
            const float* in = samples + j;
            float* out = mix + c;
            for (size_t i = 0; i < frames; ++i, in += channels, out += channels)
                *out = float(*out + *in * g);
        }
    }
}

size_t ZRAudioMixer::leftoverFrames() const {
    if (m_bytesPerFrame <= 0) return 0;
    return (m_leftover.size() - m_leftoverAt) / size_t(m_bytesPerFrame);
}

const unsigned char* ZRAudioMixer::render(int32_t frames, int32_t* bytes,
                                          const FrameFunction& mix) {
    if (bytes) *bytes = 0;
    if (!m_started) return nullptr;
    if (frames <= 0) return m_output.data();
    const size_t perFrame = size_t(m_bytesPerFrame);
    const size_t total = size_t(frames) * perFrame;
    if (total > kMaxBlockBytes) return nullptr;
    if (m_output.size() < total) m_output.resize(total);

    size_t filled = 0;
    const size_t held = m_leftover.size() - m_leftoverAt;
    if (held > 0) {
        const size_t take = std::min(held, total);
        std::memcpy(m_output.data(), m_leftover.data() + m_leftoverAt, take);
        m_leftoverAt += take;
        filled = take;
    }
    while (filled < total) {
        m_frameSamples = takeFrameSamples();
        m_contributed = false;
        if (mix) mix(m_frameSamples);
        if (!m_contributed)
            std::fill_n(m_mix.data(), size_t(m_frameSamples) * size_t(m_mixChannels), 0.0f);
        m_contributed = false;
        std::vector<unsigned char> pcm = m_converter.toPcm(
            m_mix.data(), m_mixChannels, size_t(m_frameSamples), m_channels, m_bits);
        if (pcm.size() != size_t(m_frameSamples) * perFrame)
            pcm.assign(size_t(m_frameSamples) * perFrame, m_bits <= 8 ? 0x80 : 0);
        const size_t take = std::min(pcm.size(), total - filled);
        std::memcpy(m_output.data() + filled, pcm.data(), take);
        filled += take;
        m_leftover = std::move(pcm);
        m_leftoverAt = take;
    }
    if (bytes) *bytes = int32_t(total);
    return m_output.data();
}
