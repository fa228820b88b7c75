#pragma once

#include <string>

class IZRImage;
class IZRObject;
class IZRPos;
class QString;
class ZRHostCallbacks;
class ZRObject;
class ZRPos;
class ZRTempFileStore;
class ZRTimelineExportState;
class ZRYieldingMutex;
struct ZREngine;
struct ZRObjectPlacement;

/// What the engine's parts ask of the timeline that owns them: images, objects, module
/// accesses, export sessions, the background renderer and the module manager hold this rather
/// than the timeline itself. The timeline implements it and outlives every holder.
/// Thread-safety: each operation may be called from any thread; the locks it takes are named
/// beside it and follow the engine's lock order (see timeline/ZRTimeline.h).
class ZREngineServices {
public:
    // --- Host and engine tables ------------------------------------------------------------
    /// The host's callback table; it outlives the timeline.
    virtual const ZRHostCallbacks& host() const = 0;
    /// The process-wide kind tables and the interface language ("Language").
    virtual ZREngine& engineTables() = 0;
    /// The built-in module file serving (category, kind) under the data folder; empty, with
    /// "Could not find module for ..." in the host's debug entry, when none.
    virtual std::string moduleFilePath(const char* category, const char* kind,
                                       const char* third) = 0;

    // --- Settings read while rendering -----------------------------------------------------
    /// The "Background Color" setting, in the order it was given.
    virtual void backgroundColor(int* first, int* second, int* third) const = 0;
    /// "Video Dimensions": 0 x 0 until the host sets them.
    virtual void videoDimensions(int* width, int* height) const = 0;
    /// "Force Background Rendering Video Format".
    virtual int forcedRenderFormat() const = 0;

    // --- Composition -----------------------------------------------------------------------
    /// Serialises frame composition; every object's `renderVideo` holds it.
    virtual ZRYieldingMutex& renderMutex() = 0;
    /// Where `object` lies, copied under the timeline mutex.
    virtual ZRObjectPlacement placementOf(IZRObject* object) = 0;
    /// The frame at `position` composed into the frame buffer, which the caller unlocks.
    virtual IZRImage* composeFrame(IZRPos* position) = 0;
    /// The video track `track`'s object at `position`, or null.
    virtual IZRObject* videoObjectAt(int track, IZRPos* position) = 0;
    /// The highest track number that has held an object (0 when none).
    virtual int highestTrack() = 0;
    /// The frame after the last end of any track (frame 0 when empty).
    virtual ZRPos projectEnd() = 0;

    // --- Export pass-through ---------------------------------------------------------------
    /// True while an export passes native frames through unchanged.
    virtual bool exportPassThrough() const = 0;
    /// True for the object the `videoAt` in progress lets hand its source's native frame on;
    /// read under the render mutex.
    virtual bool isPassThroughNominee(const ZRObject* object) const = 0;
    /// The export sessions handed out, the export file name and the AVI settings.
    virtual ZRTimelineExportState& exportState() = 0;

    // --- Background renderer ---------------------------------------------------------------
    virtual bool backgroundRenderingEnabled() const = 0;
    /// Forgets the stored frames of start..end (inclusive); takes only the renderer's store
    /// mutex and never waits for a frame.
    virtual void invalidateRange(const ZRPos& start, const ZRPos& end) = 0;
    /// Where the background renderer keeps its frames.
    virtual ZRTempFileStore& tempFiles() = 0;

protected:
    ~ZREngineServices() = default;
};
