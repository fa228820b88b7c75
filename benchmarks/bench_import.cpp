// Decode-and-render throughput of the media import module through the engine's module access:
// every frame of a 720 x 576 DV AVI and of an MPEG-2 program stream, in order, rendered into a
// 720 x 576 engine image on one thread. The media are made with the ffmpeg command into the
// folder named by BENCH_IMPORT_MEDIA (a temporary folder when unset); the side-by-side script
// bench_import_vs_ffmpeg.sh compares the rates with ffmpeg's own decode of the same files.
#include "engine/api/IZRTimeline.h"
#include "engine/modules/ZRModuleAccess.h"
#include "engine/timeline/ZRTimeline.h"
#include "platform/system/SystemPaths.h"

#include <benchmark/benchmark.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdlib>
#include <memory>
#include <string>

namespace {

constexpr int kSeconds = 10;
constexpr int kFrames = kSeconds * 25;

QString mediaFolder() {
    static QTemporaryDir temporary;
    const QByteArray named = qgetenv("BENCH_IMPORT_MEDIA");
    return named.isEmpty() ? temporary.path() : QString::fromLocal8Bit(named);
}

// Ten seconds of moving test pictures and a tone, made once.
std::string media(const char* name, const char* codec) {
    const std::string path = (mediaFolder() + QLatin1Char('/') + QLatin1String(name)).toStdString();
    if (!QFile::exists(QString::fromStdString(path))) {
        const std::string command =
            "ffmpeg -nostdin -loglevel error -y -f lavfi -i testsrc2=s=720x576:r=25:d=" +
            std::to_string(kSeconds) +
            " -f lavfi -i sine=frequency=440:sample_rate=48000:d=" + std::to_string(kSeconds) +
            " -pix_fmt yuv420p " + codec + " '" + path + "'";
        if (std::system(command.c_str()) != 0) return {};
    }
    return path;
}

struct TimelineDeleter {
    void operator()(IZRTimeline* timeline) const { IZRDeleteTimelineInstance(timeline); }
};

void decode(benchmark::State& state, const std::string& path) {
    static const int anchor = 0;
    const std::string bin = platform::folderOfAddress(&anchor).toStdString();
    const std::string module = bin + "PlugIns/import/mediaimport.so";
    std::unique_ptr<IZRTimeline, TimelineDeleter> timeline(
        IZRCreateTimelineInstance(nullptr, bin.c_str(), 0));
    if (path.empty() || !timeline) {
        state.SkipWithError("no media or no timeline");
        return;
    }
    ZRModuleAccess access(static_cast<ZRTimeline*>(timeline.get()));
    if (!access.open("Import", path.c_str(), module.c_str())) {
        state.SkipWithError("the import module did not open the file");
        return;
    }
    IZRObjectFactory* factory = timeline->factory();
    IZRImage* image = factory->createImage(720, 576, 0);
    IZRPos* position = factory->createPosAt(0, 0, 0, 0, 25.0);
    int64_t frames = 0;
    for (auto _ : state) {
        for (int frame = 0; frame < kFrames; ++frame) {
            position->setTotalFrames(frame);
            benchmark::DoNotOptimize(access.renderVideo(position, image));
        }
        frames += kFrames;
    }
    state.SetItemsProcessed(frames);
    state.counters["fps"] = benchmark::Counter(double(frames), benchmark::Counter::kIsRate);
}

void BM_ImportDV(benchmark::State& state) {
    decode(state, media("bench_dv.avi", "-c:v dvvideo -c:a pcm_s16le -f avi"));
}

void BM_ImportMPEG2(benchmark::State& state) {
    decode(state, media("bench_mpeg2.mpg", "-c:v mpeg2video -b:v 8M -g 12 -bf 2 -c:a mp2 -f vob"));
}

} // namespace

BENCHMARK(BM_ImportDV)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_ImportMPEG2)->Unit(benchmark::kMillisecond)->MinTime(2.0);
