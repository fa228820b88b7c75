// Mixing the sound of every audio track (startAudioAt, renderAudio): one frame of 1/30 s at a
// time, in track mode (tracks averaged, "Track Audio Level" as a relative gain) or in channel
// mode ("Enhanced BRIVA Audio Handling": master and track channel levels, pans and inversion).
#include "engine/timeline/ZRTimelineAudio.h"

#include "engine/objects/ZRObject.h"
#include "engine/timeline/ZRTrackTable.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <mutex>
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

void ZRTimelineAudio::start(const IZRPos* position, double rate) {
    std::lock_guard lock(m_mutex);
    const ZRAudioSettings audio = m_settings.read([](const ZRAudioSettings& a) { return a; });
    const int mixChannels =
        audio.enhanced ? std::min(audio.channels, ZRTrackList::kChannels) : audio.channels;
    m_mixer.start(audio.sampleRate, audio.bitsPerSample, audio.channels, mixChannels);
    if (position)
        m_start.assign(position);
    else
        m_start.set(0, 0, 0, 0, rate);
    m_position = m_start;
    m_framesMixed = 0;
    // Objects compare the run's number with the one they prepared for; 0 is never a run.
    if (++m_generation == 0) m_generation = 1;
}

const unsigned char* ZRTimelineAudio::render(int32_t frames, int32_t* bytes, ZRTrackTable& tracks) {
    std::lock_guard lock(m_mutex);
    return m_mixer.render(frames, bytes,
                          [this, &tracks](int32_t samples) { mixFrame(samples, tracks); });
}

void ZRTimelineAudio::mixFrame(int32_t samples, ZRTrackTable& tracks) {
    // The mixer's frames are 1/30 s whatever the timeline's rate: the walk over the tracks
    // follows the sound, in the start position's own frames.
    const double rate = m_start.framerate();
    m_position = m_start;
    if (rate > 0.0) {
        const double frames =
            std::floor(double(m_framesMixed) * rate / ZRAudioMixer::kFrameRate + 1e-6);
        m_position.addFrames(int(std::min(frames, 2.0e9)));
    }
    ++m_framesMixed;

    const ZRAudioSettings audio = m_settings.read([](const ZRAudioSettings& a) { return a; });
    const bool channelMode = audio.enhanced;
    const int channels = m_mixer.mixChannels();
    std::vector<double> gains;
    const double frame = m_position.toFrames();
    // The frame the next mix frame reads: an object ending before it is not met again in this
    // run (positions only move forward), so its sound reader goes once its samples are mixed.
    // A long timeline would otherwise hold a reader and its buffers for every clip played.
    const double nextFrame =
        rate > 0.0 ? std::floor(double(m_framesMixed) * rate / ZRAudioMixer::kFrameRate + 1e-6) +
                         m_start.toFrames()
                   : frame;
    struct ReleaseAfterMix {
        ZRObject* object = nullptr;
        ~ReleaseAfterMix() {
            if (object) object->releaseAudio();
        }
    };
    for (int k = 1; k <= ZRTrackTable::kTrackCount; ++k) {
        // What the mix needs of the track and its object is copied under the timeline mutex and
        // the list's: a trim or a setting on the host's thread changes them meanwhile. The object
        // itself cannot go while the mix runs: it is destroyed only under the render mutex,
        // which the caller holds.
        ZRObject* object = nullptr;
        ReleaseAfterMix release;
        ZRPos s;
        bool mute = false;
        double level = 0.0;
        std::array<bool, ZRTrackList::kChannels> channelMute{}, channelInvert{};
        std::array<double, ZRTrackList::kChannels> channelLevel{}, channelPanning{};
        {
            std::lock_guard lock(tracks.mutex());
            ZRTrackList* list = tracks.list(k, false);
            if (!list) continue;
            object = dynamic_cast<ZRObject*>(tracks.objectAt(k, frame, false));
            if (!object) continue;
            if (object->endPos()->toFrames() < nextFrame) release.object = object;
            s = sourcePosition(object, m_position);
            std::lock_guard trackLock(*list);
            mute = list->mute;
            level = list->level;
            channelMute = list->channelMute;
            channelInvert = list->channelInvert;
            channelLevel = list->channelLevel;
            channelPanning = list->channelPanning;
        }
        if (!channelMode && mute) continue;
        if (channelMode) {
            const int routed = std::min(channels, ZRTrackList::kChannels);
            bool anyOpen = false;
            for (int j = 0; j < routed && !anyOpen; ++j)
                anyOpen = !channelMute[size_t(j)];
            if (!anyOpen) continue;
        }
        if (object->mixGeneration() != m_generation) {
            object->prepareAudio(&s, m_mixer.rate(), m_mixer.bits(), channels, channelMode,
                                 audio.resamplingQuality);
            object->setMixGeneration(m_generation);
        }
        int32_t bytes = 0;
        const float* data = object->renderAudio(samples, &bytes);
        if (!data) continue;
        if (!channelMode) {
            m_mixer.addAveraged(data, 1.0 + level);
            continue;
        }
        // gains[j x channels + c]: source channel j into output channel c.
        gains.assign(size_t(channels) * size_t(channels), 0.0);
        for (int c = 0; c < channels && c < ZRTrackList::kChannels; ++c) {
            if (audio.masterMute[size_t(c)]) continue;
            const double master = decibels(audio.masterLevel[size_t(c)]) *
                                  zrPanFactor(audio.masterPanning[size_t(c)], c) *
                                  (audio.masterInvert[size_t(c)] ? -1.0 : 1.0);
            for (int j = 0; j < channels && j < ZRTrackList::kChannels; ++j) {
                if (channelMute[size_t(j)]) continue;
                gains[size_t(j) * size_t(channels) + size_t(c)] =
                    master * decibels(channelLevel[size_t(j)]) *
                    zrPanFactor(channelPanning[size_t(j)], c) *
                    (channelInvert[size_t(j)] ? -1.0 : 1.0);
            }
        }
        m_mixer.addRouted(data, gains.data());
    }
}
