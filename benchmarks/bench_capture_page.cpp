// The capture page on a simulated DV camcorder, through the real camera paths (kind 0x001):
// - BM_ShownToFirstLiveFrame: the page shown with the camcorder chosen before, "PLAY" pressed,
//   until the preview's renderer holds the first picture. Goal: under 300 ms.
// - BM_RecordStartStop: a recording started and stopped (a few frames each, collected into
//   "Captured", the graph rebuilt); "rss_growth_mb" and "thread_growth" compare the process
//   after the last cycle with after the first, so they show what the cycles keep. Goal: flat.
// - BM_DisplayTick: one tick of the record display while recording (free space asked of the
//   disk, estimates, labels, elapsed time code). Goal: under 1 ms.
// Run on the cores left to benchmarks: taskset -c 2-7 build/default/bin/bench_capture_page
#include "capture/ZRDVPathMakers.h"
#include "capture/ZRGraphBase.h"
#include "capture/ZRGraphFactory.h"
#include "capture/ZRImportView.h"
#include "capture/ZRRemoteCtrl.h"
#include "classes/skins/ZRSkinPreload.h"
#include "classes/widgets/ZRComboBox.h"
#include "common/config/QConfig.h"
#include "editor/ZRAppState.h"
#include "platform/graph/ZRDeviceRegistry.h"
#include "platform/graph/ZRGraphInterfaces.h"
#include "platform/graph/ZRSceneSplitWriterNode.h"
#include "platform/ieee1394/ZRGeneratedTape.h"
#include "platform/ieee1394/ZRIeee1394Backend.h"
#include "platform/ieee1394/ZRSimulatedCamcorder.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QThread>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <malloc.h>
#include <functional>
#include <memory>
#include <unistd.h>

namespace {

constexpr const char* kCamera = "ieee1394:0800460001C0FFEE";

// Resident memory after the allocator handed back what it holds free, so that the figure shows
// what is kept rather than how the heap is cut up.
int64_t residentBytes() {
    ::malloc_trim(0);
    long pages = 0, resident = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
        std::fclose(f);
    }
    return int64_t(resident) * ::sysconf(_SC_PAGESIZE);
}

int threadCount() {
    return int(QDir(QStringLiteral("/proc/self/task"))
                   .entryList(QDir::Dirs | QDir::NoDotAndDotDot)
                   .size());
}

bool waitFor(const std::function<bool()>& done, int ms = 10000) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > ms) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        QThread::usleep(200);
    }
    return true;
}

// The camcorder on its bus, a settings file and a capture folder of this run, and the page with
// the camcorder chosen once.
struct Bench {
    QTemporaryDir folder;
    std::shared_ptr<zrieee1394::ZRSimulatedCamcorder> camera;
    std::shared_ptr<zrieee1394::ZRIeee1394Backend> backend;
    std::unique_ptr<ZRImportView> page;

    Bench() {
        camera = std::make_shared<zrieee1394::ZRSimulatedCamcorder>(
            0x0800460001C0FFEEull, "Bench DV Camcorder", zrieee1394::generatedTape(250, false));
        camera->setTapeLength(1000000);
        backend = std::make_shared<zrieee1394::ZRIeee1394Backend>(camera);
        ZRDeviceRegistry::instance().add(backend);
        zrcapture::registerDVPathMakers();
        appState().setSettings(new QConfig(QConfig::Flavour::Program,
                                           folder.filePath(QStringLiteral("clipstead.ini"))),
                               [](QConfig* c) { delete c; });
        appState().settings()->setGroup(QStringLiteral("General Settings"));
        appState().settings()->writeEntry(QStringLiteral("MediaFolder"), folder.path());
        page = std::make_unique<ZRImportView>(nullptr, "ZRImportView");
        page->setWait([](int) {});
        page->resize(800, 560);
        page->show();
        const VidCapDevInfoList* list = page->factory()->videoDevices();
        for (size_t i = 0; list && i < list->size(); ++i)
            if ((*list)[i]->displayName == QLatin1String(kCamera)) {
                page->videoDeviceCombo()->setCurrentIndex(int(i) + 1);
                page->slotVideoDeviceSelected(int(i) + 1);
            }
    }
    ~Bench() {
        page.reset();
        ZRDeviceRegistry::instance().remove(backend.get());
        appState().setSettings(nullptr, nullptr);
    }
    ZRGraphNode* nodeOf(const char* name) const {
        ZRGraphBase* g = page->factory() ? page->factory()->graph() : nullptr;
        if (!g || !g->graph()) return nullptr;
        return g->graph()->node(g->graph()->findNode(name));
    }
    bool hasPicture() const {
        ZRGraphNode* renderer = nodeOf("Video Renderer");
        IZRVideoWindow* window = renderer ? renderer->as<IZRVideoWindow>() : nullptr;
        int width = 0, height = 0;
        if (window) window->videoSize(&width, &height);
        return width > 0;
    }
    void clearFolder() {
        QDir dir(folder.path());
        for (const QString& f : dir.entryList({QStringLiteral("capture*")}, QDir::Files))
            dir.remove(f);
    }
};

std::unique_ptr<Bench> gBench;

Bench& bench() {
    if (!gBench) gBench = std::make_unique<Bench>();
    return *gBench;
}

void BM_ShownToFirstLiveFrame(benchmark::State& state) {
    Bench& b = bench();
    b.camera->setFreeRunning(false);
    int missed = 0;
    for (auto _ : state) {
        state.PauseTiming();
        b.page->hide();
        QCoreApplication::processEvents();
        state.ResumeTiming();
        b.page->show();
        b.page->remoteControl()->guiClickPlayFwd();
        if (!waitFor([&] { return b.hasPicture(); })) ++missed;
    }
    b.page->remoteControl()->guiClickStop();
    state.counters["missed"] = missed;
}
BENCHMARK(BM_ShownToFirstLiveFrame)->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_RecordStartStop(benchmark::State& state) {
    Bench& b = bench();
    b.camera->setFreeRunning(true);
    b.camera->setFreeRunningPeriod(std::chrono::milliseconds(2));
    int64_t rssAfterFirst = 0;
    int threadsAfterFirst = 0;
    int cycles = 0;
    int empty = 0;
    for (auto _ : state) {
        b.page->slotStartRec();
        auto* writer =
            b.nodeOf("ZR DV SceneSplit MultiFile Writer")
                ? b.nodeOf("ZR DV SceneSplit MultiFile Writer")->as<ZRSceneSplitWriterNode>()
                : nullptr;
        if (!writer || !waitFor([&] { return writer->written() >= 5; }, 5000)) ++empty;
        b.page->slotStopRec();
        state.PauseTiming();
        b.clearFolder();
        if (++cycles == 1) {
            rssAfterFirst = residentBytes();
            threadsAfterFirst = threadCount();
        }
        state.ResumeTiming();
    }
    state.counters["rss_growth_mb"] = double(residentBytes() - rssAfterFirst) / 1e6;
    state.counters["thread_growth"] = threadCount() - threadsAfterFirst;
    state.counters["empty"] = empty;
}
BENCHMARK(BM_RecordStartStop)->Unit(benchmark::kMillisecond)->Iterations(100);

void BM_DisplayTick(benchmark::State& state) {
    Bench& b = bench();
    b.camera->setFreeRunning(false);
    b.page->slotStartRec();
    for (auto _ : state)
        b.page->slotRecTimer();
    b.page->slotStopRec();
    b.clearFolder();
}
BENCHMARK(BM_DisplayTick)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    preloadSkins();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    gBench.reset();
    releaseSkins();
    return 0;
}
