#pragma once

#include <cstdint>

class IZRImage;
class IZRObject;
class IZRPos;
class ZREffect;
class ZRExportSession;
class ZRGuardedList;

/// Makes and destroys everything the host holds of the engine besides the timeline itself.
/// Each made thing is registered in its timeline and lives until its destroy operation or
/// the timeline's destruction. Registry changes are guarded by the timeline's registry locks.
class IZRObjectFactory {
public:
    /// Destroys the whole timeline.
    virtual ~IZRObjectFactory() = default;

    /// A copy of the source's kind, name, effects, text, overlay values and marks; not placed.
    virtual IZRObject* duplicateObject(IZRObject* source) = 0;
    /// `options` is the file name of an "Import" clip, the text of a "2D-Text" title, or
    /// (for "External Video Object") the host's frame function given as a pointer.
    virtual IZRObject* createObject(const char* kind, const char* subclass, const char* module,
                                    const char* options) = 0;
    virtual void destroyObject(IZRObject* object) = 0;
    virtual ZREffect* createEffect(const char* kind, const char* subclass, const char* module) = 0;
    virtual void destroyEffect(ZREffect* effect) = 0;
    virtual IZRPos* createPos() = 0;
    virtual IZRPos* createPosHMSF(int32_t hours, int32_t minutes, int32_t seconds,
                                  int32_t frames) = 0;
    virtual IZRPos* createPosAt(int32_t hours, int32_t minutes, int32_t seconds, int32_t frames,
                                double rate) = 0;
    virtual void destroyPos(IZRPos* pos) = 0;
    virtual IZRImage* createImage(int32_t width, int32_t height, int32_t noAllocation) = 0;
    virtual IZRImage* createEmptyImage() = 0;
    virtual void destroyImage(IZRImage* image) = 0;
    virtual ZRGuardedList* createList() = 0;
    virtual void destroyList(ZRGuardedList* list) = 0;
    virtual ZRExportSession* createExportModule(const char* moduleName, IZRImage* size,
                                                int32_t totalFrames, double rate,
                                                const char* fileName) = 0;
    /// Deletes any engine object through its virtual destructor; null is ignored.
    virtual void deleteInterfaceObject(void* object) = 0;
};
