#pragma once

#include "api/ZRGuardedList.h"
#include "timeline/ZRPos.h"
#include "util/ZRHeapMutex.h"
#include "util/ZRList.h"

#include <array>
#include <cstdint>

/// A track (items are objects, kept in time order, with the track's audio mix values) or a
/// plain engine list handed out by the factory. Does not own its items.
/// Thread-safety: every operation takes the list's recursive mutex; walkers hold `lock`.
/// Lock order: the timeline mutex before any list mutex.
class ZRTrackList final : public ZRGuardedList {
public:
    static constexpr int kChannels = 16;

    ZRTrackList();
    ~ZRTrackList() override;

    bool isEmpty() override;
    void clear() override;
    IZRPos* totalDuration() override;
    bool anyObjectHasVideo() override;
    bool anyObjectHasAudio() override;
    unsigned count() override;
    void insertAt(unsigned index, void* item) override;
    void append(void* item) override;
    void remove(void* item) override;
    int find(void* item) override;
    void* first() override;
    void* next() override;
    void* prev() override;
    void* last() override;
    void* at(unsigned index) override;
    void lock() override;
    void unlock() override;
    bool locked() override;
    bool tryLock() override;

    /// Takes the first item out; null when empty.
    void* takeFirst();
    /// The first item in list order for which `match` is true, or null; one lock for the walk.
    template <class Match> void* findFirst(Match match) {
        lock();
        void* found = nullptr;
        for (void* p = m_items.first(); p; p = m_items.next()) {
            if (match(p)) {
                found = p;
                break;
            }
        }
        unlock();
        return found;
    }

    // The track's audio mix values (audio tracks); read and written under the timeline's
    // settings calls.
    bool mute = false;
    double level = 0.0;
    std::array<bool, kChannels> channelMute{};
    std::array<bool, kChannels> channelInvert{};
    std::array<double, kChannels> channelPanning{};
    std::array<double, kChannels> channelLevel{};

private:
    ZRList m_items;
    ZRPos m_total;
    ZRHeapMutex m_mutex{true};
    int m_lockDepth = 0;
};
