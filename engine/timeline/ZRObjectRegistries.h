#pragma once

#include "api/IZRObject.h"
#include "api/ZREffect.h"
#include "api/ZRGuardedList.h"
#include "render/ZRImage.h"
#include "timeline/ZRPos.h"
#include "timeline/ZRRegistry.h"

/// Everything a timeline's factory made and still owns: objects, effects, positions, images
/// and lists, each registry with its own mutex. Taking an item out hands its ownership back to
/// the caller, which destroys it where that is safe (objects and effects under the render
/// mutex).
/// Thread-safety: as `ZRRegistry`; no two registries' mutexes are held at once.
struct ZRObjectRegistries {
    ZRRegistry<IZRObject> objects;
    ZRRegistry<ZREffect> effects;
    ZRRegistry<ZRPos> positions;
    ZRRegistry<ZRImage> images;
    ZRRegistry<ZRGuardedList> lists;
};
