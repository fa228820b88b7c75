#pragma once

class IZRObject;
class IZRPos;

/// The mark operations of the editor object that the trimmers call: they set a clip's source
/// marks and place the chain again. The editor object implements it; the trimmers find it
/// through `ZRAppState::editor`. GUI thread only.
class ZRClipMarks {
public:
    virtual void setClipMarkIn(IZRObject* clip, IZRPos* markIn) = 0;
    virtual void setClipMarkOut(IZRObject* clip, IZRPos* markOut) = 0;

protected:
    ~ZRClipMarks() = default;
};
