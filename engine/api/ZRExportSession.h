#pragma once

class IZRImage;

/// A frame-push export through an export module, made and started by the factory's
/// `createExportModule` (width, height, frame count, rate and file name fixed there). Frames
/// carry no audio. Deleting the session (directly or through `deleteInterfaceObject`) ends the
/// export; the timeline deletes the sessions still open when it is destroyed.
/// Thread-safety: used by one thread at a time.
class ZRExportSession {
public:
    virtual ~ZRExportSession() = default;
    /// Hands one frame to the module. False for a frame without pixels (the export goes on),
    /// or when the module refused it: the export has then ended and later frames are refused.
    virtual bool encodeExportFrame(IZRImage* frame) = 0;
};
