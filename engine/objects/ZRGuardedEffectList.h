#pragma once

#include "engine/api/ZREffectList.h"
#include "engine/util/ZRList.h"

#include <mutex>

/// The engine's effect list of one object: effect pointers in attachment order behind one
/// recursive mutex, which every operation holds for its own duration. Items are not owned.
class ZRGuardedEffectList final : public ZREffectList {
public:
    ZRGuardedEffectList() = default;
    ~ZRGuardedEffectList() override;
    ZRGuardedEffectList(const ZRGuardedEffectList&) = delete;
    ZRGuardedEffectList& operator=(const ZRGuardedEffectList&) = delete;

    bool isEmpty() override;
    bool anyHasVideo() override;
    bool anyHasAudio() override;
    int32_t count() override;
    bool insertAt(int32_t index, ZREffect* effect) override;
    void append(ZREffect* effect) override;
    bool remove(ZREffect* effect) override;
    int32_t find(ZREffect* effect) override;
    ZREffect* first() override;
    ZREffect* next() override;
    ZREffect* prev() override;
    ZREffect* last() override;

    /// Holds the list's mutex for a walk of several calls (recursive: the operations still work).
    void lock() { m_mutex.lock(); }
    void unlock() { m_mutex.unlock(); }

private:
    std::recursive_mutex m_mutex;
    ZRTypedList<ZREffect> m_items;
};
