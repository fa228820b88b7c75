#pragma once

class IZRPos;

/// A lockable ordered list of engine pointers that it does not own: the timeline's tracks
/// (items are `IZRObject*`, ordered by position, with the track's audio mix values) and the
/// lists the factory hands out. Every operation except the lock ones takes the list's own
/// recursive mutex for its duration; callers hold `lock` to walk it consistently.
class ZRGuardedList {
public:
    virtual ~ZRGuardedList() = default;

    virtual bool isEmpty() = 0;
    virtual void clear() = 0;
    /// The sum of every item's duration; the position lives in the list.
    virtual IZRPos* totalDuration() = 0;
    virtual bool anyObjectHasVideo() = 0;
    virtual bool anyObjectHasAudio() = 0;
    virtual unsigned count() = 0;
    virtual void insertAt(unsigned index, void* item) = 0;
    virtual void append(void* item) = 0;
    virtual void remove(void* item) = 0;
    virtual int find(void* item) = 0;
    virtual void* first() = 0;
    virtual void* next() = 0;
    virtual void* prev() = 0;
    virtual void* last() = 0;
    virtual void* at(unsigned index) = 0;
    virtual void lock() = 0;
    virtual void unlock() = 0;
    virtual bool locked() = 0;
    virtual bool tryLock() = 0;
};
