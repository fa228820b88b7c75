#include "engine/audio/ZRAudioSource.h"

#include "engine/base/ZRObjectBindings.h"

#include <algorithm>
#include <cstring>

ZRAudioSource::ZRAudioSource(ZRMediaSource* media) : m_media(media) {}

ZRAudioSource::~ZRAudioSource() = default;

bool ZRAudioSource::seek(IZRPos* position) {
    m_leftover.clear();
    m_leftoverAt = 0;
    m_sourceRate = m_sourceBits = m_sourceChannels = 0;
    if (!m_media || !position) return false;
    m_media->seekAudio(position);
    if (!m_media->audioSettings(&m_sourceRate, &m_sourceBits, &m_sourceChannels)) {
        m_sourceRate = m_sourceBits = m_sourceChannels = 0;
        return false;
    }
    resetResampler();
    return true;
}

bool ZRAudioSource::prepare(IZRPos* position, int rate, int channels, int quality) {
    m_rate = rate > 0 ? rate : 0;
    m_channels = std::clamp(channels, 1, ZRPcmConverter::kMaxChannels);
    m_quality = std::clamp(quality, 0, 4);
    return seek(position);
}

// Only differing rates get a resampler: at equal rates it would hand the frames on unchanged,
// one 4096-frame block later.
void ZRAudioSource::resetResampler() {
    m_resampler.reset();
    m_flushed = false;
    if (m_rate <= 0 || m_sourceRate <= 0 || m_sourceRate == m_rate) return;
    m_resampler = ZRResampler::make(m_sourceRate, m_rate, m_channels, m_quality, false, false);
}

std::vector<float> ZRAudioSource::readConverted(int32_t frames) {
    const void* data = nullptr;
    int32_t bytes = 0;
    const int perSample = ZRPcmConverter::bytesPerSample(m_sourceBits);
    if (perSample == 0 || m_sourceChannels < 1 || !m_media->renderAudio(frames, &data, &bytes) ||
        !data || bytes <= 0)
        return {};
    const size_t got = size_t(bytes) / (size_t(perSample) * size_t(m_sourceChannels));
    return m_converter.toFloat(data, m_sourceChannels, m_sourceBits, std::min(got, size_t(frames)),
                               m_channels);
}

float* ZRAudioSource::read(int32_t frames) {
    if (!m_media || m_rate <= 0 || frames <= 0 || m_sourceRate <= 0) return nullptr;
    const size_t channels = size_t(m_channels);
    const size_t wanted = size_t(frames) * channels;
    const bool resampled = m_sourceRate != m_rate;
    if (resampled && !m_resampler) return nullptr;

    const size_t held = m_leftover.size() - m_leftoverAt;
    if (held > wanted) {
        m_block.assign(m_leftover.begin() + ptrdiff_t(m_leftoverAt),
                       m_leftover.begin() + ptrdiff_t(m_leftoverAt + wanted));
        m_leftoverAt += wanted;
        return m_block.data();
    }

    std::vector<float> fresh;
    if (!resampled) {
        fresh = readConverted(frames);
        if (fresh.empty()) return nullptr;
    } else {
        // Keep feeding until the held and the new frames fill the block. The resampler answers
        // once a whole block of its input and the context after it have arrived; a source that
        // runs dry is flushed once, and after that the rest of the block is silence.
        const size_t input = size_t(ZRResampler::kBlockFrames) +
                             2 * size_t(m_resampler->history()) +
                             size_t(frames) * size_t(m_sourceRate) / size_t(m_rate);
        const size_t rounds = input / size_t(frames) + 4;
        for (size_t round = 0; round < rounds && held + fresh.size() < wanted && !m_flushed;
             ++round) {
            const std::vector<float> block = readConverted(frames);
            std::vector<float> out;
            if (block.empty()) {
                out = m_resampler->resample(nullptr, 0);
                m_flushed = true;
            } else {
                out = m_resampler->resample(block.data(), block.size() / channels);
            }
            fresh.insert(fresh.end(), out.begin(), out.end());
        }
        if (held == 0 && fresh.empty() && m_flushed) return nullptr;
    }

    m_block.assign(wanted, 0.0f);
    std::copy(m_leftover.begin() + ptrdiff_t(m_leftoverAt), m_leftover.end(), m_block.begin());
    const size_t taken = std::min(fresh.size(), wanted - held);
    std::copy_n(fresh.begin(), taken, m_block.begin() + ptrdiff_t(held));
    m_leftover.assign(fresh.begin() + ptrdiff_t(taken), fresh.end());
    m_leftoverAt = 0;
    return m_block.data();
}
