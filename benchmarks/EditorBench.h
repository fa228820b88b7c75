#pragma once

// What the timeline-view benchmarks share: a 25 fps timeline published as the program's, with
// an editor over it, and the offscreen program around the benchmarks.

#include "editor/ZRAppState.h"
#include "editor/ZRCallbacks.h"
#include "editor/ZRVeskEditor.h"
#include "engine/api/IZRTimeline.h"

#include <benchmark/benchmark.h>

#include <QApplication>

#include <functional>
#include <memory>

namespace editorbench {

/// A timeline whose modules come from `moduleFolder` (none when null), at 25 fps, with an editor.
/// A fixture deriving from it declares its widgets as its own members, so that they go before
/// the editor and the timeline.
struct EditorTimeline {
    IZRCallbacks callbacks{};
    IZRTimeline* timeline = nullptr;
    std::unique_ptr<ZRVeskEditor> editor;

    explicit EditorTimeline(const char* moduleFolder) {
        fillCallbacks(callbacks);
        timeline = IZRCreateTimelineInstance(&callbacks, moduleFolder, 1);
        timeline->settings()->setDoubleSetting("Framerate", 25.0);
        appState().timeline = timeline;
        appState().frameRate = 25.0;
        editor = std::make_unique<ZRVeskEditor>();
        editor->setTimeline(timeline);
    }
    ~EditorTimeline() {
        editor.reset();
        appState().timeline = nullptr;
        IZRDeleteTimelineInstance(timeline);
    }
    EditorTimeline(const EditorTimeline&) = delete;
    EditorTimeline& operator=(const EditorTimeline&) = delete;

    /// Appends `count` clips of the render fixtures' counting file to the chain.
    void appendCountingClips(int count) {
        IZRObjectFactory* f = timeline->factory();
        for (int i = 0; i < count; ++i)
            editor->insertClip(f->createObject("Import", "Media Import", nullptr, "clip.avi"),
                               editor->objectCount());
    }
};

/// Runs the benchmarks in an offscreen application; `beforeExit` runs while it still exists
/// (fixtures that own widgets go there).
inline int runOffscreen(int argc, char** argv, const std::function<void()>& beforeExit = {}) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (beforeExit) beforeExit();
    return 0;
}

} // namespace editorbench
