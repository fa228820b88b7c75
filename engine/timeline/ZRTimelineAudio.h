#pragma once

#include "engine/audio/ZRAudioMixer.h"
#include "engine/base/ZRPos.h"
#include "engine/timeline/ZRGuardedValues.h"
#include "engine/timeline/ZRTrackList.h"

#include <array>
#include <cstdint>
#include <mutex>

class IZRPos;
class ZRTrackTable;

/// The timeline's audio settings: the output format, the mode and the master channels.
struct ZRAudioSettings {
    int sampleRate = 44100;
    int bitsPerSample = 16;
    int channels = 2;
    int resamplingQuality = 2;
    /// "Enhanced BRIVA Audio Handling": channel mode rather than track mode.
    bool enhanced = false;
    std::array<bool, ZRTrackList::kChannels> masterMute{};
    std::array<bool, ZRTrackList::kChannels> masterInvert{};
    std::array<double, ZRTrackList::kChannels> masterPanning{-1.0, 1.0};
    std::array<double, ZRTrackList::kChannels> masterLevel{};
};

/// The sound of every audio track mixed one frame of 1/30 s at a time, in track mode (tracks
/// averaged, "Track Audio Level" as a relative gain) or in channel mode (master and track
/// channel levels, pans and inversion): the mix run that `start` begins and `render` goes on
/// with, and the audio settings it mixes by.
/// Thread-safety: the mix mutex guards the run; `start` and `render` hold it for the whole mix,
/// which takes the timeline mutex and a track's list mutex after it to copy what it mixes by.
/// Callers hold the render mutex around both, which keeps the objects mixed alive and unset. The
/// settings have a leaf mutex of their own: the mix copies them at each frame, and setting them
/// never waits for a mix.
class ZRTimelineAudio {
public:
    /// The audio settings.
    ZRGuardedValues<ZRAudioSettings>& settings() { return m_settings; }
    const ZRGuardedValues<ZRAudioSettings>& settings() const { return m_settings; }

    /// Starts a run at `position` (frame 0 at `rate` when null) in the current settings.
    void start(const IZRPos* position, double rate);
    /// The next `frames` sample frames of the run (see `ZRAudioMixer::render`).
    const unsigned char* render(int32_t frames, int32_t* bytes, ZRTrackTable& tracks);

private:
    void mixFrame(int32_t samples, ZRTrackTable& tracks);

    std::mutex m_mutex;
    ZRGuardedValues<ZRAudioSettings> m_settings;
    ZRAudioMixer m_mixer;
    // The run: its start position, where the walk over the tracks is, the frames of 1/30 s
    // mixed since the start, and the run's number, by which objects see a new run.
    ZRPos m_start;
    ZRPos m_position;
    int64_t m_framesMixed = 0;
    uint32_t m_generation = 0;
};
