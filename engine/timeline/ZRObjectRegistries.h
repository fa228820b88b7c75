#pragma once

#include "engine/api/IZRObject.h"
#include "engine/api/ZREffect.h"
#include "engine/api/ZRGuardedList.h"
#include "engine/base/ZRPos.h"
#include "engine/render/ZRImage.h"
#include "engine/timeline/ZRRegistry.h"

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
