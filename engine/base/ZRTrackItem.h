#pragma once

#include "engine/api/IZRObject.h"
#include "engine/base/ZRPos.h"

/// What the timeline needs of an object beyond the host's interface: where it lies.
/// Every object the factory makes is one. Guarded by the timeline mutex.
class ZRTrackItem : public IZRObject {
public:
    /// 0-based index of the video (true) or audio (false) track holding the object; -1 = none.
    virtual int trackIndex(bool video) const = 0;
    virtual void setTrackIndex(bool video, int index) = 0;
};

/// An object's place on the timeline and in its source, copied under the timeline mutex so
/// that a frame can be composed from it while edits move the object.
struct ZRObjectPlacement {
    ZRPos start;
    ZRPos end;
    ZRPos duration;
    ZRPos markIn;
};
