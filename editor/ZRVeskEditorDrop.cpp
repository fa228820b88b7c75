// Finding the object that a drop of an editor-object drag names.
#include "editor/ZRChainLinks.h"
#include "editor/ZRVeskEditor.h"
#include "editor/ZRVeskEditorDrag.h"
#include "engine/api/IZRTimeline.h"

#include <QDropEvent>
#include <QThread>

#include <array>
#include <utility>

IZRObject* ZRVeskEditor::droppedObject(const QDropEvent* event) {
    if (!m_timeline || !event || !ZRVeskEditorDrag::running()) return nullptr;
    uintptr_t thread = 0, address = 0;
    if (!ZRVeskEditorDrag::decode(event->mimeData(), &thread, &address)) return nullptr;
    if (thread != reinterpret_cast<uintptr_t>(QThread::currentThread()) || address == 0)
        return nullptr;
    // The number names an object only when one of the editor's tracks holds an object at it.
    static constexpr std::array<std::pair<int, bool>, 6> kTracks = {
        {{chainlinks::kClipTrackA, true},
         {chainlinks::kTransitionTrack, true},
         {chainlinks::kClipTrackB, true},
         {chainlinks::kTitleTrack, true},
         {chainlinks::kFreeAudioTrack, false},
         {chainlinks::kFreeAudioTrack + 1, false}}};
    for (const auto& [track, video] : kTracks) {
        for (IZRObject* object : trackObjects(track, video)) {
            if (reinterpret_cast<uintptr_t>(object) == address) return object;
        }
    }
    return nullptr;
}
