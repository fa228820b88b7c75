#pragma once

#include <cstdint>

class IZRPos;

/// Audio volume keys of a timeline object: levels in decibels at positions. The object's third
/// interface beside `IZRObject` and `IZRSettings`; deleting through it destroys the object.
/// Not thread-safe: used from the thread that edits the timeline and the audio path it drives.
class IZRVolumeKeys {
public:
    virtual ~IZRVolumeKeys() = default;

    virtual bool volumeKeysEmpty() = 0;
    virtual int32_t volumeKeyCount() = 0;
    /// Adds a key at the position's text (a key already there is not replaced); false for null.
    virtual bool setVolumeKey(IZRPos* position, double levelDb) = 0;
    /// Removes the first key at the position's text; false when there is none.
    virtual bool removeVolumeKey(IZRPos* position) = 0;
    virtual void clearVolumeKeys() = 0;
    /// The level in dB at a position, interpolated between keys (0.0 without keys).
    virtual double volumeAt(IZRPos* position) = 0;
    /// The position of the index-th key in key order, in a position object of this object's
    /// own that stays valid until the next call; null past the end.
    virtual IZRPos* volumeKeyPosAt(int32_t index) = 0;
};
