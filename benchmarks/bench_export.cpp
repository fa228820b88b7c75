// Exports the anchor timeline, two 10-second PAL DV clips with a 1-second cross-fade (475
// frames), to DV AVI segments and to the DVD profile, through our own export modules. The clips
// come from the environment (CLIPSTEAD_BENCH_A, CLIPSTEAD_BENCH_B; bench_export_vs_melt.sh makes
// them); the files go to CLIPSTEAD_BENCH_OUT.
#include "api/IZRTimeline.h"
#include "platform/system/SystemPaths.h"

#include <benchmark/benchmark.h>

#include <QFile>
#include <QStringList>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

namespace {

constexpr int kFrames = 475;

std::string env(const char* name, const char* fallback = "") {
    const char* value = std::getenv(name);
    return value ? value : fallback;
}

struct TimelineDeleter {
    void operator()(IZRTimeline* t) const { IZRDeleteTimelineInstance(t); }
};

std::unique_ptr<IZRTimeline, TimelineDeleter> anchorTimeline() {
    static const int anchor = 0;
    const std::string base = platform::folderOfAddress(&anchor).toStdString();
    std::unique_ptr<IZRTimeline, TimelineDeleter> t(
        IZRCreateTimelineInstance(nullptr, base.c_str(), 0));
    if (!t) return t;
    IZRSettings* s = t->settings();
    s->setDoubleSetting("Framerate", 25.0);
    s->setIntPairSetting("Video Dimensions", 720, 576);
    s->setIntTripleSetting("Audio Settings", 48000, 16, 2);
    IZRObjectFactory* f = t->factory();
    IZRObject* a =
        f->createObject("Import", "Media Import", nullptr, env("CLIPSTEAD_BENCH_A").c_str());
    IZRObject* b =
        f->createObject("Import", "Media Import", nullptr, env("CLIPSTEAD_BENCH_B").c_str());
    IZRObject* fade = f->createObject("Transition", "Blends", "Cross Fade", nullptr);
    if (!a || !b || !fade) {
        std::fprintf(stderr, "clip A %s, clip B %s, cross-fade %s\n", a ? "made" : "missing",
                     b ? "made" : "missing", fade ? "made" : "missing");
        return {};
    }
    IZRPos* start = f->createPosAt(0, 0, 0, 0, 25.0);
    t->insertObject(1, start, a);
    start->set(0, 0, 9, 0, 25.0);
    t->insertObject(3, start, b);
    IZRPos* second = f->createPosAt(0, 0, 1, 0, 25.0);
    fade->duration()->assign(second);
    fade->markOut()->assign(second);
    t->insertObject(2, start, fade);
    return t;
}

void exportAnchor(benchmark::State& state, const char* format, const char* file,
                  const QString& group, const QString& settings) {
    // The engine's module cache shares the file: only the export group is replaced.
    const QString path = platform::stateFolder() + "/tmp_modules.ini";
    QFile ini(path);
    QStringList kept;
    if (ini.open(QIODevice::ReadOnly)) {
        bool skipping = false;
        for (const QString& line : QString::fromUtf8(ini.readAll()).split('\n')) {
            if (line.trimmed().startsWith('[')) skipping = line.trimmed() == group;
            if (!skipping && !line.isEmpty()) kept.push_back(line);
        }
        ini.close();
    }
    if (kept.isEmpty()) kept.push_back("# Marvesto Config File");
    kept.push_back(group);
    kept.push_back(settings);
    if (!ini.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        ini.write(kept.join('\n').toUtf8()) < 0) {
        state.SkipWithError("the module settings cannot be written");
        return;
    }
    ini.close();
    auto t = anchorTimeline();
    if (!t) {
        state.SkipWithError("the anchor timeline cannot be built (clips or modules missing)");
        return;
    }
    const std::string out = env("CLIPSTEAD_BENCH_OUT", "/tmp") + "/" + file;
    for (auto _ : state) {
        const int result = t->exportProject(out.c_str(), format, nullptr, nullptr, 720, 576, 25.0);
        if (result != 0) state.SkipWithError("the export failed");
    }
    state.counters["frames"] = std::lround(t->endPosition()->toFrames());
    state.counters["fps"] = benchmark::Counter(double(kFrames) * double(state.iterations()),
                                               benchmark::Counter::kIsRate);
}

void BM_ExportDV(benchmark::State& state) {
    exportAnchor(state, "AVI-DV Multifile", "clipstead_dv.ovl", "[Export::AVI Multifile]",
                 "Splitsize=2096000");
}

void BM_ExportDVD(benchmark::State& state) {
    exportAnchor(state, "MPEG", "clipstead_dvd.mpg", "[Export::MPEG]",
                 "Format=DVD\nSplitsize=3784704\nMaxBitrate=8000000\nAvgBitrate=6000000");
}

} // namespace

BENCHMARK(BM_ExportDV)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_ExportDVD)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
