// Mixing the sound of every audio track (startAudioAt, renderAudio): one frame of 1/30 s at a
// time, in track mode (tracks averaged, "Track Audio Level" as a relative gain) or in channel
// mode ("Enhanced BRIVA Audio Handling": master and track channel levels, pans and inversion).
#include "ZRTimeline.h"

#include "objects/ZRObject.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

ZRPos sourcePosition(IZRObject* object, const ZRPos& position) {
    ZRPos s = position;
    s.subtract(object->startPos());
    s.add(object->markIn());
    return s;
}

double decibels(double level) {
    return std::pow(10.0, level * 0.05);
}

} // namespace

bool ZRTimeline::startAudioAt(IZRPos* position) {
    const int mixChannels =
        m_enhancedAudioHandling ? std::min(m_channels, ZRTrackList::kChannels) : m_channels;
    m_audioMixer.start(m_sampleRate, m_bitsPerSample, m_channels, mixChannels);
    if (position)
        m_audioStart.assign(position);
    else
        m_audioStart.set(0, 0, 0, 0, m_frameRate);
    m_audioPosition = m_audioStart;
    m_audioFramesMixed = 0;
    // Objects compare the run's number with the one they prepared for; 0 is never a run.
    if (++m_mixGeneration == 0) m_mixGeneration = 1;
    return true;
}

void* ZRTimeline::renderAudio(int32_t frames, int32_t* bytes) {
    const unsigned char* block =
        m_audioMixer.render(frames, bytes, [this](int32_t samples) { mixAudioFrame(samples); });
    return const_cast<unsigned char*>(block);
}

void ZRTimeline::mixAudioFrame(int32_t samples) {
    // The mixer's frames are 1/30 s whatever the timeline's rate: the walk over the tracks
    // follows the sound, in the start position's own frames.
    const double rate = m_audioStart.framerate();
    m_audioPosition = m_audioStart;
    if (rate > 0.0) {
        const double frames =
            std::floor(double(m_audioFramesMixed) * rate / ZRAudioMixer::kFrameRate + 1e-6);
        m_audioPosition.addFrames(int(std::min(frames, 2.0e9)));
    }
    ++m_audioFramesMixed;

    const bool channelMode = m_enhancedAudioHandling;
    const int channels = m_audioMixer.mixChannels();
    std::vector<double> gains;
    for (int k = 1; k <= kTrackCount; ++k) {
        ZRTrackList* list = nullptr;
        {
            std::lock_guard lock(m_tracks.mutex());
            list = m_tracks.list(k, false);
        }
        if (!list) continue;
        auto* object = dynamic_cast<ZRObject*>(objectAt(k, &m_audioPosition, false));
        if (!object) continue;
        if (!channelMode && list->mute) continue;
        if (channelMode) {
            const int routed = std::min(channels, ZRTrackList::kChannels);
            bool anyOpen = false;
            for (int j = 0; j < routed && !anyOpen; ++j)
                anyOpen = !list->channelMute[size_t(j)];
            if (!anyOpen) continue;
        }
        ZRPos s = sourcePosition(object, m_audioPosition);
        if (object->mixGeneration() != m_mixGeneration) {
            object->prepareAudio(&s, m_audioMixer.rate(), m_audioMixer.bits(), channels,
                                 channelMode, m_audioResamplingQuality);
            object->setMixGeneration(m_mixGeneration);
        }
        int32_t bytes = 0;
        const float* data = object->renderAudio(samples, &bytes);
        if (!data) continue;
        if (!channelMode) {
            m_audioMixer.addAveraged(data, 1.0 + list->level);
            continue;
        }
        // gains[j x channels + c]: source channel j into output channel c.
        gains.assign(size_t(channels) * size_t(channels), 0.0);
        for (int c = 0; c < channels && c < ZRTrackList::kChannels; ++c) {
            if (m_masterMute[size_t(c)]) continue;
            const double master = decibels(m_masterLevel[size_t(c)]) *
                                  zrPanFactor(m_masterPanning[size_t(c)], c) *
                                  (m_masterInvert[size_t(c)] ? -1.0 : 1.0);
            for (int j = 0; j < channels && j < ZRTrackList::kChannels; ++j) {
                if (list->channelMute[size_t(j)]) continue;
                gains[size_t(j) * size_t(channels) + size_t(c)] =
                    master * decibels(list->channelLevel[size_t(j)]) *
                    zrPanFactor(list->channelPanning[size_t(j)], c) *
                    (list->channelInvert[size_t(j)] ? -1.0 : 1.0);
            }
        }
        m_audioMixer.addRouted(data, gains.data());
    }
}
