// Saving and loading a generated project of 5,000 clips on track 1 (every second one with an
// effect and a transition on track 2), with the program's editor-data callbacks filled against
// an empty callback table. Each side loads the file it saved itself, so the filled side also
// reads the editor-data lines it wrote. Both sides save inside the editor data's save scope, as
// the program does. The transitions are solid colours on track 2: the
// timeline runs without modules. Goal: the callbacks add under 20%.
#include "editor/ZRAppState.h"
#include "editor/ZRCallbacks.h"
#include "editor/ZREditorData.h"
#include "editor/ZRUserData.h"
#include "engine/api/IZRTimeline.h"
#include "engine/api/ZREffectList.h"

#include <benchmark/benchmark.h>

#include <QDir>

#include <cstdio>
#include <string>

namespace {

constexpr int kClips = 5000;

std::string projectPath(bool filled) {
    return QDir::tempPath().toStdString() + "/bench_editordata_" + (filled ? "filled" : "empty") +
           ".zrs";
}

// The callback table lives as long as the timelines made with it.
IZRCallbacks& table(bool filled) {
    static IZRCallbacks empty{};
    static IZRCallbacks program = [] {
        IZRCallbacks t{};
        fillCallbacks(t);
        return t;
    }();
    return filled ? program : empty;
}

IZRTimeline* makeTimeline(bool filled) {
    IZRTimeline* timeline = IZRCreateTimelineInstance(&table(filled), nullptr, 1);
    appState().timeline = filled ? timeline : nullptr;
    return timeline;
}

void deleteTimeline(IZRTimeline* timeline) {
    IZRDeleteTimelineInstance(timeline);
    appState().timeline = nullptr;
}

std::string at(int second) {
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d.00", second / 3600, second / 60 % 60,
                  second % 60);
    return text;
}

// Clips, effects and transitions through the host functions; then, with the callbacks filled,
// the program's user data on every clip and transition.
IZRTimeline* buildTimeline(bool filled) {
    IZRTimeline* timeline = makeTimeline(filled);
    std::string script;
    for (int i = 0; i < kClips; ++i) {
        const std::string clip = "c" + std::to_string(i);
        script += "integer " + clip +
                  " = zrObjectFactory( \"Solid Color\", \"RGB(1,2,3)\", \"\", \"\" );";
        script += "zrSetObjectMarkOut( " + clip + ", \"00:00:01.00\" );";
        script += "zrInsertObject( " + clip + ", 1, \"" + at(i) + "\" );\n";
        if (i % 2 == 0) {
            const std::string transition = "t" + std::to_string(i);
            script += "zrAddEffect( " + clip + ", zrEffectFactory( \"Mask\", \"\", \"\" ) );";
            script += "integer " + transition +
                      " = zrObjectFactory( \"Solid Color\", \"RGB(4,5,6)\", \"\", \"\" );";
            script += "zrSetObjectMarkOut( " + transition + ", \"00:00:00.10\" );";
            script += "zrInsertObject( " + transition + ", 2, \"" + at(i) + "\" );\n";
        }
    }
    timeline->runScript(script.data(), false);
    if (!filled) return timeline;
    ZRGuardedList* clips = timeline->track(1, true);
    ZRGuardedList* transitions = timeline->track(2, true);
    for (unsigned i = 0; i < clips->count(); ++i) {
        auto* clip = static_cast<IZRObject*>(clips->at(i));
        auto* record = new ZRVideoUserData(int(i), nullptr, nullptr);
        if (ZREffectList* effects = clip->effectList()) record->effect = effects->first();
        if (i % 2 == 0) {
            record->linkedObject = static_cast<IZRObject*>(transitions->at(i / 2));
            auto* link = new ZRTransitionUserData;
            link->owner = clip;
            link->number = int(i);
            record->linkedObject->setUserValue(reinterpret_cast<intptr_t>(link));
        }
        clip->setUserValue(reinterpret_cast<intptr_t>(record));
    }
    return timeline;
}

void BM_SaveProject(benchmark::State& state) {
    const bool filled = state.range(0) != 0;
    IZRTimeline* timeline = buildTimeline(filled);
    const std::string path = projectPath(filled);
    for (auto _ : state) {
        // The program saves inside a scope that maps the transition track once.
        editordata::SaveScope scope(timeline);
        benchmark::DoNotOptimize(timeline->saveProject(path.c_str()));
    }
    state.SetItemsProcessed(state.iterations() * kClips);
    state.SetLabel(filled ? "callbacks filled" : "callbacks empty");
    deleteTimeline(timeline);
}

void BM_LoadProject(benchmark::State& state) {
    const bool filled = state.range(0) != 0;
    const std::string path = projectPath(filled);
    {
        IZRTimeline* source = buildTimeline(filled);
        editordata::SaveScope scope(source);
        source->saveProject(path.c_str());
        deleteTimeline(source);
    }
    IZRTimeline* timeline = makeTimeline(filled);
    for (auto _ : state) {
        state.PauseTiming();
        timeline->clear();
        state.ResumeTiming();
        benchmark::DoNotOptimize(timeline->runScriptFile(path.c_str(), true));
    }
    state.SetItemsProcessed(state.iterations() * kClips);
    state.SetLabel(filled ? "callbacks filled" : "callbacks empty");
    deleteTimeline(timeline);
}

} // namespace

BENCHMARK(BM_SaveProject)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadProject)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
