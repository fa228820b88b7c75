#pragma once

#include "engine/api/ZRGuardedList.h"
#include "engine/base/ZRPos.h"
#include "engine/util/ZRList.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <mutex>
#include <vector>

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
    /// The first item in list order for which `before` is false, or null. `before` must hold
    /// for a leading run of the list and for nothing after it (as "ends before frame f" does on
    /// a track, whose objects are in time order and do not overlap). Bisects, in O(log n) calls
    /// of `before`, under one lock, without moving the list's current item.
    template <class Before> void* partitionPoint(Before before) {
        lock();
        const auto found = std::partition_point(m_order.begin(), m_order.end(), before);
        void* item = found == m_order.end() ? nullptr : *found;
        unlock();
        return item;
    }

    // The track's audio mix values (audio tracks); read and written under the list's mutex, so
    // that the mix sees a setting whole while the host changes it.
    bool mute = false;
    double level = 0.0;
    std::array<bool, kChannels> channelMute{};
    std::array<bool, kChannels> channelInvert{};
    std::array<double, kChannels> channelPanning{};
    std::array<double, kChannels> channelLevel{};

private:
    ZRList m_items;
    // The items of m_items in the same order, for lookups by index that leave the list's
    // current item alone; every change to m_items is made to it as well.
    std::vector<void*> m_order;
    ZRPos m_total;
    std::recursive_mutex m_mutex;
    int m_lockDepth = 0;
};
