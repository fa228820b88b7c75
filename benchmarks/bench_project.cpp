// Saving and loading generated projects of 5,000 and 10,000 objects: solid colours on tracks 1
// and 3, every second one with an effect. Loading time must grow linearly with the objects.
#include "engine/timeline/ZRTimeline.h"

#include <benchmark/benchmark.h>

#include <QDir>

#include <memory>
#include <string>

namespace {

std::string projectPath(int objects) {
    return QDir::tempPath().toStdString() + "/bench_project_" + std::to_string(objects) + ".zrs";
}

// A timeline holding `objects` objects, built through the host functions.
std::unique_ptr<ZRTimeline> buildTimeline(int objects) {
    auto timeline = std::make_unique<ZRTimeline>(nullptr, nullptr, 0);
    std::string script;
    for (int i = 0; i < objects; ++i) {
        const int track = i % 2 ? 3 : 1;
        const int second = i / 2;
        script += "integer o" + std::to_string(i) +
                  " = zrObjectFactory( \"Solid Color\", \"RGB(1,2,3)\", \"\", \"\" );";
        script += "zrSetObjectMarkOut( o" + std::to_string(i) + ", \"00:00:01.00\" );";
        if (i % 2 == 0)
            script += "zrAddEffect( o" + std::to_string(i) +
                      ", zrEffectFactory( \"Mask\", \"\", \"\" ) );";
        char at[32];
        std::snprintf(at, sizeof at, "%02d:%02d:%02d.00", second / 3600, second / 60 % 60,
                      second % 60);
        script += "zrInsertObject( o" + std::to_string(i) + ", " + std::to_string(track) + ", \"" +
                  at + "\" );\n";
    }
    timeline->runScript(script.data(), false);
    return timeline;
}

void BM_SaveProject(benchmark::State& state) {
    const int objects = int(state.range(0));
    auto timeline = buildTimeline(objects);
    const std::string path = projectPath(objects);
    for (auto _ : state)
        benchmark::DoNotOptimize(timeline->saveProject(path.c_str()));
    state.SetItemsProcessed(state.iterations() * objects);
}

void BM_LoadProject(benchmark::State& state) {
    const int objects = int(state.range(0));
    const std::string path = projectPath(objects);
    {
        auto source = buildTimeline(objects);
        source->saveProject(path.c_str());
    }
    auto timeline = std::make_unique<ZRTimeline>(nullptr, nullptr, 0);
    for (auto _ : state)
        benchmark::DoNotOptimize(timeline->runScriptFile(path.c_str(), true));
    state.SetItemsProcessed(state.iterations() * objects);
}

} // namespace

BENCHMARK(BM_SaveProject)->Arg(5000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadProject)->Arg(5000)->Arg(10000)->Unit(benchmark::kMillisecond);
