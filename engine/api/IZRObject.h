#pragma once

#include <cstdint>

class IZRImage;
class IZRPos;
class ZREffect;
class ZREffectList;

/// A timeline object: a clip, a solid colour, a title, a transition or an external video
/// object. Made only by the timeline's factory, which owns it; tracks hold it by pointer.
/// The object has no lock of its own: the timeline's locks guard it.
class IZRObject {
public:
    virtual ~IZRObject() = default;

    /// Draws the frame at a source position into the target; null when either is null.
    virtual IZRImage* renderVideo(IZRPos* sourcePosition, IZRImage* target) = 0;
    virtual bool seekAudio(IZRPos* sourcePosition) = 0;
    /// Float samples for the next `frames` sample frames, or null without audio.
    virtual float* renderAudio(int32_t frames, int32_t* bytes) = 0;
    virtual IZRPos* currentPos() = 0;
    virtual const char* name() const = 0;
    virtual void setName(const char* name) = 0;
    /// The host's per-object value (pointer-sized: the program stores a pointer in it).
    virtual intptr_t getUserValue() const = 0;
    virtual void setUserValue(intptr_t value) = 0;
    virtual IZRPos* startPos() = 0;
    virtual IZRPos* endPos() = 0;
    virtual IZRPos* duration() = 0;
    virtual IZRPos* sourceLength() = 0;
    virtual bool hasVideo() const = 0;
    virtual bool hasAudio() const = 0;
    virtual bool addEffect(ZREffect* effect) = 0;
    virtual bool removeEffect(ZREffect* effect) = 0;
    /// Null before the first effect and after the last one is removed.
    virtual ZREffectList* effectList() = 0;
    virtual void renderTransition(IZRImage* from, IZRImage* to, IZRImage* out, double progress) = 0;
    virtual IZRPos* markIn() = 0;
    virtual IZRPos* markOut() = 0;
    /// 1-based video (true) or audio (false) track number; 0 when not on such a track.
    virtual int32_t trackNumber(bool video) const = 0;
};
