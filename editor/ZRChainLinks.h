#pragma once

#include "editor/ZREditorData.h"
#include "editor/ZRUserData.h"
#include "engine/api/IZRObject.h"

/// Typed access to the link records that engine objects carry (their user values): each answer is
/// null when the object is null or carries a record of another kind. GUI thread.
namespace chainlinks {

/// The track layout of a project.
inline constexpr int kClipTrackA = 1;      ///< video: clips with an even chain index
inline constexpr int kTransitionTrack = 2; ///< video: the transitions between clips
inline constexpr int kClipTrackB = 3;      ///< video: clips with an odd chain index
inline constexpr int kTitleTrack = 4;      ///< video: titles
inline constexpr int kEndAudioTrack = 6;   ///< audio: one object that lasts as long as the chain
inline constexpr int kFreeAudioTrack = 10; ///< audio: free audio, tracks 10 and 11

inline ZRVideoUserData* clip(const IZRObject* object) {
    ZRUserData* data = ZRUserData::of(object);
    return data && data->kind == ZRUserData::Video ? static_cast<ZRVideoUserData*>(data) : nullptr;
}

inline ZRTransitionUserData* transition(const IZRObject* object) {
    ZRUserData* data = ZRUserData::of(object);
    return data && data->kind == ZRUserData::Transition ? static_cast<ZRTransitionUserData*>(data)
                                                        : nullptr;
}

inline IZRObject* next(const IZRObject* object) {
    ZRVideoUserData* record = clip(object);
    return record ? record->next : nullptr;
}

inline IZRObject* previous(const IZRObject* object) {
    ZRVideoUserData* record = clip(object);
    return record ? record->previous : nullptr;
}

/// Hands `object` a new record in place of whatever it carried (released through `factory`).
/// The engine effect that a clip record named stays on the object.
inline void replaceRecord(IZRObjectFactory* factory, IZRObject* object, ZRUserData* record) {
    if (ZRVideoUserData* old = clip(object)) old->effect = nullptr;
    editordata::release(factory, object->getUserValue());
    object->setUserValue(reinterpret_cast<intptr_t>(record));
}

} // namespace chainlinks
