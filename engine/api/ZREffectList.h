#pragma once

#include <cstdint>

class ZREffect;

/// The effects attached to one object, in attachment order. The list does not own them (the
/// timeline's factory does). Every operation takes the list's recursive mutex for its own
/// duration; a walk over several calls is not atomic, and the one cursor of
/// `first`/`next`/`prev`/`last` is shared by every walker of the list.
class ZREffectList {
public:
    virtual ~ZREffectList() = default;

    virtual bool isEmpty() = 0;
    /// True when some effect answers `hasVideo`.
    virtual bool anyHasVideo() = 0;
    virtual bool anyHasAudio() = 0;
    virtual int32_t count() = 0;
    /// False when `index` lies past the end or the effect is null.
    virtual bool insertAt(int32_t index, ZREffect* effect) = 0;
    virtual void append(ZREffect* effect) = 0;
    /// False when the effect is not in the list.
    virtual bool remove(ZREffect* effect) = 0;
    /// The effect's index, -1 when absent.
    virtual int32_t find(ZREffect* effect) = 0;
    virtual ZREffect* first() = 0;
    virtual ZREffect* next() = 0;
    virtual ZREffect* prev() = 0;
    virtual ZREffect* last() = 0;
};
