// A DV capture from a simulated camcorder through the capture path (kind 0x001): the camera
// plays a PAL tape at 25 frames a second (a ten-second generated recording repeated to the
// length asked for), the preview shows it, the scene-split writer writes it to disk. Prints
// frames received and dropped, the writer queue's peak, the write times' median and p99, and
// the CPU time as a share of one core. With --free the camera sends as fast as the path takes
// its frames and the time is compared with the tape's length (the real-time factor).
// Usage: bench_capture_dv [seconds (600)] [--free] [folder (a temporary one)]
// Run on two cores: taskset -c 0,1 build/default/bin/bench_capture_dv
#include "capture/ZRFileOutputPath.h"
#include "capture/ZRFileSinkFilter.h"
#include "capture/ZRGraphBase.h"
#include "capture/ZRWDMCaptureFilter.h"
#include "capture/ZRWDMCapturePath.h"
#include "platform/graph/ZRDeviceRegistry.h"
#include "platform/graph/ZRSceneSplitWriterNode.h"
#include "platform/ieee1394/ZRGeneratedTape.h"
#include "platform/ieee1394/ZRIeee1394Backend.h"
#include "platform/ieee1394/ZRSimulatedCamcorder.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QThread>
#include <QWidget>

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>

namespace {

double cpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

double percentile(std::vector<int64_t> values, double p) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const size_t at = std::min(values.size() - 1, size_t(p * double(values.size())));
    return double(values[at]) / 1000.0;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    int seconds = 600;
    bool free = false;
    QString folder;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--free") == 0)
            free = true;
        else if (argv[i][0] >= '0' && argv[i][0] <= '9')
            seconds = std::max(1, std::atoi(argv[i]));
        else
            folder = QString::fromLocal8Bit(argv[i]);
    }
    QTemporaryDir temporary;
    if (folder.isEmpty()) folder = temporary.path();

    auto camera = std::make_shared<zrieee1394::ZRSimulatedCamcorder>(
        0x0800460001C0FFEEull, "Bench DV Camcorder", zrieee1394::generatedTape(250, false));
    const int64_t frames = int64_t(seconds) * 25;
    camera->setTapeLength(frames);
    camera->setFreeRunning(free);
    auto backend = std::make_shared<zrieee1394::ZRIeee1394Backend>(camera);
    ZRDeviceRegistry::instance().add(backend);

    QWidget window;
    window.resize(360, 288);
    window.show();
    ZRGraphBase base;
    base.buildGraph();
    auto* path = new ZRWDMCapturePath(&base);
    path->setDeviceName(QStringLiteral("ieee1394:0800460001C0FFEE"));
    path->setOutputFile(folder + QStringLiteral("/bench.avi"));
    path->setVideoWidget(&window);
    if (path->connectInternal() != kZRGraphOk || base.setGraphState(2) != kZRGraphOk) {
        std::fprintf(stderr, "the capture path could not be built\n");
        return 1;
    }
    auto* sink = static_cast<ZRFileSinkFilter*>(path->fileOutput()->end());
    auto* writer = base.node(sink->sink())->as<ZRSceneSplitWriterNode>();
    ZRWDMCaptureFilter* filter = path->captureFilter();
    long notDropped = 0, dropped = 0;
    QObject::connect(filter, &ZRWDMCaptureFilter::framesDropped, [&](long a, long b) {
        notDropped = a;
        dropped = b;
    });

    const double cpuStart = cpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    filter->setState(4296, 0);
    while (!(camera->framesSent() > 0 && camera->modeOpcode() == 0xC4)) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    const double elapsed =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    // The last frames reach the writer, then one poll reads the final counts.
    QThread::msleep(200);
    filter->doTimer();
    for (int i = 0; i < 50 && filter->isPollPending(); ++i) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    base.setGraphState(0);
    const double cpu = cpuSeconds() - cpuStart;
    const auto times = writer->writeTimes();

    std::printf("tape: %lld frames (%d s)%s\n", static_cast<long long>(frames), seconds,
                free ? ", free-running" : "");
    std::printf("frames sent %lld, received %ld, dropped %ld, written %lld\n",
                static_cast<long long>(camera->framesSent()), notDropped, dropped,
                static_cast<long long>(writer->written()));
    std::printf("writer queue peak %lld frames\n", static_cast<long long>(writer->queuePeak()));
    std::printf("write time median %.3f ms, p99 %.3f ms, max %.3f ms\n", percentile(times, 0.5),
                percentile(times, 0.99), percentile(times, 1.0));
    std::printf("elapsed %.2f s (%.1fx real time), CPU %.2f s = %.1f %% of one core\n", elapsed,
                double(seconds) / elapsed, cpu, 100.0 * cpu / elapsed);
    delete path;
    base.destroyGraph();
    ZRDeviceRegistry::instance().remove(backend.get());
    return 0;
}
