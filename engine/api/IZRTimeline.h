#pragma once

#include <cstdint>

#include "engine/api/IZRCallbacks.h"
#include "engine/api/IZRChangeTracker.h"
#include "engine/api/IZRImage.h"
#include "engine/api/IZRModuleConfig.h"
#include "engine/api/IZRObject.h"
#include "engine/api/IZRObjectFactory.h"
#include "engine/api/IZRPos.h"
#include "engine/api/IZRSettings.h"
#include "engine/api/ZRGuardedList.h"
#include "engine/api/zrexport.h"

/// The editing engine's timeline: 100 video and 100 audio tracks of objects, rendering,
/// export, projects and scripts. The same object also carries `IZRSettings`,
/// `IZRObjectFactory`, `IZRModuleConfig` and `IZRChangeTracker` (see `zrSettings` and
/// friends below); deleting through any of them destroys the whole timeline.
/// Driven from one host thread; rendering may also be called from the host's preview thread.
class IZRTimeline {
public:
    virtual ~IZRTimeline() = default;

    /// Composes the frame at `position`; the image comes back locked for the caller to unlock.
    virtual IZRImage* videoAt(IZRPos* position, int buffer) = 0;
    virtual bool startAudioAt(IZRPos* position) = 0;
    /// The next `frames` sample frames of the mix; the buffer belongs to the timeline.
    virtual void* renderAudio(int32_t frames, int32_t* bytes) = 0;
    virtual IZRPos* currentPosition() = 0;
    /// Places `object` on track 1..100 at `start`; false outside 1..100.
    virtual bool insertObject(int track, IZRPos* start, IZRObject* object) = 0;
    virtual void removeObject(IZRObject* object) = 0;
    /// The track list, or null outside 1..100 or when the track was never used.
    virtual ZRGuardedList* track(int track, bool video) = 0;
    virtual void packTrack(int track, bool video) = 0;
    virtual void shiftTrackObjects(int track, bool video, IZRObject* from, IZRPos* amount,
                                   bool later) = 0;
    virtual IZRObject* objectAt(int track, IZRPos* position, bool video) = 0;
    virtual void clear() = 0;
    /// True when a module file serves the export format.
    virtual bool configureExportModule(const char* format) = 0;
    /// The AVI writer's video (true) or audio (false) compressor names; null unless "AVI".
    virtual const char* const* exportCodecSetting(const char* format, bool video) = 0;
    virtual void setExportCodecName(const char* format, bool video, const char* codec) = 0;
    virtual const char* exportCodecName(const char* format, bool video) = 0;
    /// 0 finished or stopped, 1 no module or a refused frame, 2/3 video/audio format refused.
    virtual int exportProject(const char* fileName, const char* format, IZRPos* rangeStart,
                              IZRPos* rangeEnd, int width, int height, double rate) = 0;
    /// The frame after the last object's end (frame 0 when empty). The position belongs to the
    /// calling thread and holds the value until that thread's next call.
    virtual IZRPos* endPosition() = 0;
    virtual bool setObjectMarkIn(IZRObject* object, IZRPos* markIn) = 0;
    virtual bool setObjectMarkOut(IZRObject* object, IZRPos* markOut) = 0;
    /// Writes one debug line per object of the track.
    virtual void dumpTrack(int track, bool video) = 0;
    /// Writes the timeline as a project script (".zrs" appended when missing).
    virtual bool saveProject(const char* fileName) = 0;
    virtual bool runScript(char* text, bool redeclare) = 0;
    virtual bool runScriptFile(const char* path, bool redeclare) = 0;
    virtual bool runScriptLine(const char* format, ...) = 0;
    virtual bool startDVOutput(int mode) = 0;
    /// One DV frame for `position` and its size, or null while DV output is off.
    virtual unsigned char* dvOutputFrame(IZRPos* position, int* frameSize) = 0;
    virtual void stopDVOutput() = 0;
    /// 0 nothing to render, 1 must be rendered, 2 already rendered in the background.
    virtual int renderStateAt(IZRPos* position) = 0;
    /// A name table (50-byte entries ended by an empty one) or a text. For "Transition" and
    /// "Video Effect": no `name`, the groups; a group `name`, its modules; a group and an
    /// `entry` (a module of the group), the module's description text. Null when unknown.
    virtual void* moduleList(const char* category, const char* name, const char* entry,
                             int fourth) = 0;
    /// The import kind to use for a file ("Misc" when unknown).
    virtual const char* suggestImportModule(const char* fileName) = 0;
    /// Writes "AVI", "MPEG" or "DIF" and a subtype; false when unknown or unreadable.
    virtual bool identifyMediaFile(const char* fileName, char* kind, uint32_t* subtype) = 0;
    /// 2 = second, 3 = third, anything else = the first of the timeline's image buffers.
    virtual IZRImage* imageBuffer(int index) = 0;

    /// The timeline's other interfaces.
    virtual IZRSettings* settings() = 0;
    virtual IZRObjectFactory* factory() = 0;
    virtual IZRModuleConfig* moduleConfig() = 0;
    virtual IZRChangeTracker* changeTracker() = 0;
};

extern "C" {
/// Makes a timeline. `callbacks` may be null; `baseFolder` (may be null) is where the engine
/// finds its read-only data; `flags` bit 0 skips fonts, titles and effect modules, bit 1 video
/// effects, bit 2 transitions. Null when the timeline cannot be made.
ZR_EXPORT IZRTimeline* IZRCreateTimelineInstance(IZRCallbacks* callbacks, const char* baseFolder,
                                                 unsigned flags);
/// Destroys a timeline (null is allowed), and the engine's font registry with the last one.
ZR_EXPORT void IZRDeleteTimelineInstance(IZRTimeline* timeline);
}
