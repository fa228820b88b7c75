#pragma once

#include "engine/base/ZRPos.h"
#include "engine/base/ZRTrackItem.h"
#include "engine/timeline/ZRTrackList.h"

#include <array>
#include <memory>
#include <mutex>

class IZRObject;

/// The timeline's 100 video and 100 audio tracks: their lists (made on first use, owned here),
/// the highest track that has held an object, and the timeline mutex that guards them, the
/// objects' places on them and every list's membership.
/// Thread-safety: the timeline mutex (recursive) guards the table; the operations that say so
/// take it themselves, the others expect the caller to hold it. Lock order: the timeline mutex
/// before any track's own mutex (see ZRTimeline.h).
class ZRTrackTable {
public:
    static constexpr int kTrackCount = 100;

    static bool isValid(int track) { return track >= 1 && track <= kTrackCount; }

    /// The timeline mutex.
    std::recursive_mutex& mutex() { return m_mutex; }

    /// Track `track`'s list, or null when it has none or the number is out of range. The
    /// caller holds the timeline mutex.
    ZRTrackList* list(int track, bool video) const;
    /// As `list`, making the list when it has none. The caller holds the timeline mutex.
    ZRTrackList* makeList(int track, bool video);
    /// `makeList` under the timeline mutex: the lists the settings of audio tracks address.
    ZRTrackList* settingsList(int track);

    /// The highest track number that has held an object (0 when none); takes the mutex.
    int highest();
    /// Notes that `track` holds an object. The caller holds the timeline mutex.
    void raiseHighest(int track) {
        if (track > m_highest) m_highest = track;
    }

    /// The object of track `track` at frame `frame`, or null; takes the mutex.
    IZRObject* objectAt(int track, double frame, bool video);
    /// The frame after the last end of any track, frame 0 at `rate` when empty; takes the
    /// mutex.
    ZRPos end(double rate);
    /// Where `object` lies, copied under the mutex.
    ZRObjectPlacement placementOf(IZRObject* object);

private:
    std::recursive_mutex m_mutex;
    std::array<std::unique_ptr<ZRTrackList>, kTrackCount> m_video;
    std::array<std::unique_ptr<ZRTrackList>, kTrackCount> m_audio;
    int m_highest = 0;
};
