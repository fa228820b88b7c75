#pragma once

#include <cstdint>

class IZRImage;
class IZRPos;

/// A video-effect module applied to a stretch of one timeline object. Made and destroyed by the
/// timeline's factory, which owns it; attached to an object with `IZRObject::addEffect`.
/// Positions count inside the object's used part. Confined to the thread that edits the timeline
/// and the renderer, which the timeline's locks keep apart.
class ZREffect {
public:
    virtual ~ZREffect() = default;

    virtual const char* name() const = 0;
    virtual IZRPos* startPos() = 0;
    /// The last frame: start + duration - 1 frame (the same position as `markOut`).
    virtual IZRPos* endPos() = 0;
    virtual IZRPos* duration() = 0;
    /// True when a "Video Effect" module is bound.
    virtual bool hasVideo() const = 0;
    virtual bool hasAudio() const = 0;
    virtual IZRPos* markIn() = 0;
    /// Moves the first frame `p` frames in: false (nothing changes) unless the duration is
    /// longer than `p`.
    virtual bool setMarkIn(const IZRPos* p) = 0;
    virtual IZRPos* markOut() = 0;
    /// Sets the duration to `p` - mark-in: false (nothing changes) when `p` lies before the
    /// mark-in or the span exceeds the source length.
    virtual bool setMarkOut(const IZRPos* p) = 0;
    /// Runs the module from `source` into `target` (first filled with bytes 0xFF) at progress
    /// 0..1; the module's result, 0 without a module.
    virtual int32_t render(IZRImage* source, IZRImage* target, double progress) = 0;
};
