#pragma once

// The fuzz targets' small project: three solid-colour clips of `seconds` each, appended to the
// editor's chain (a clip the editor refuses is destroyed).

#include "editor/ZRVeskEditor.h"
#include "engine/api/IZRTimeline.h"

#include <initializer_list>

inline void appendSolidClips(ZRVeskEditor& editor, IZRTimeline& timeline, int seconds) {
    IZRObjectFactory* f = timeline.factory();
    for (const char* colour : {"RGB(200,0,0)", "RGB(0,200,0)", "RGB(0,0,200)"}) {
        IZRObject* clip = f->createObject("Solid Color", colour, nullptr, nullptr);
        if (!clip) continue;
        IZRPos* length = f->createPosHMSF(0, 0, seconds, 0);
        timeline.setObjectMarkOut(clip, length);
        f->destroyPos(length);
        if (!editor.insertClip(clip, editor.objectCount())) f->destroyObject(clip);
    }
}
