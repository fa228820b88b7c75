// The DV live output in real time: the anchor timeline (two DV clips and a cross-fade, 475
// frames) looped to a simulated camcorder that takes one frame every 40 ms from a queue of
// three, as a IEEE 1394 transmitter does. Prints frames sent, frames the camcorder had to repeat
// (goal: none), the producer's lead over the sender in slots (goal: at least 5 at the 1st
// percentile, i.e. 99 % of the samples), the GUI thread's event delay (goal: at most 50 ms) and
// the CPU time as a share of one core. With --free the camcorder takes frames as fast as they
// come and the frames per second of the whole chain are printed instead.
// Usage: bench_live_output [seconds (600)] [--free]
// Run on two cores: taskset -c 0,1 build/default/bin/bench_live_output
#include "benchmarks/AnchorTimeline.h"
#include "editor/ZRAppState.h"
#include "output/ZRLiveOutput.h"
#include "output/ZRLiveOutputThread.h"
#include "platform/ieee1394/ZRIeee1394Backend.h"
#include "platform/ieee1394/ZRSimulatedCamcorder.h"
#include "views/ZRSBPSlider.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

double cpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

template <class T> T percentile(std::vector<T> v, double p) {
    if (v.empty()) return T{};
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, size_t(p * double(v.size() - 1) + 0.5))];
}

constexpr uint64_t kGuid = 0x0800460001BE0C11ull;

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    int seconds = 600;
    bool free = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--free") == 0)
            free = true;
        else
            seconds = std::max(1, std::atoi(argv[i]));
    }
    std::string why;
    Timeline timeline = anchorTimeline(48000, &why);
    if (!timeline) {
        std::fprintf(stderr, "bench_live_output: %s\n", why.c_str());
        return 1;
    }
    auto camcorder = std::make_shared<zrieee1394::ZRSimulatedCamcorder>(
        kGuid, "Benchmark Camcorder", zrieee1394::ZRSimulatedCamcorder::Frames{});
    zrieee1394::registerBusBackend(camcorder);
    camcorder->setTransmitPacing(!free);
    int64_t sent = 0;
    camcorder->setTransmitSink([&sent](std::span<const uint8_t>) { ++sent; });

    ZRLiveOutput live(timeline.get());
    if (!live.open(QStringLiteral("ieee1394:") + QString::fromStdString(zr1394GuidText(kGuid)),
                   144000)) {
        std::fprintf(stderr, "bench_live_output: the live output did not open\n");
        return 1;
    }
    ZRSBPSlider slider(nullptr);

    // The GUI thread's lateness: a 10 ms timer's ticks against when they were due.
    std::vector<double> delays;
    std::vector<int64_t> leads;
    QElapsedTimer clock;
    clock.start();
    double due = 10;
    QTimer tick;
    tick.setInterval(10);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const double now = double(clock.nsecsElapsed()) / 1e6;
        delays.push_back(std::max(0.0, now - due));
        due = now + 10;
        if (const ZRLiveOutputThread* p = live.producer())
            leads.push_back(p->produced() - p->consumed());
    });
    tick.start();
    QTimer::singleShot(seconds * 1000, [] { appState().stopRequested = true; });

    const double cpu0 = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    live.playRange(&slider, true);
    const double elapsed = double(wall.nsecsElapsed()) / 1e9;
    const double cpu = cpuSeconds() - cpu0;

    std::printf("seconds %.1f, frames sent %lld, repeated by the camcorder %lld\n", elapsed,
                static_cast<long long>(sent),
                static_cast<long long>(camcorder->repeatedFrames(kGuid)));
    std::printf(
        "producer lead (slots): p1 %lld, median %lld, min %lld\n",
        static_cast<long long>(percentile(leads, 0.01)),
        static_cast<long long>(percentile(leads, 0.5)),
        static_cast<long long>(leads.empty() ? 0 : *std::min_element(leads.begin(), leads.end())));
    std::printf("GUI event delay (ms): p99 %.1f, max %.1f\n", percentile(delays, 0.99),
                delays.empty() ? 0.0 : *std::max_element(delays.begin(), delays.end()));
    std::printf("CPU %.0f %% of one core\n", 100.0 * cpu / elapsed);
    if (free) std::printf("unpaced: %.1f frames/s\n", double(sent) / elapsed);
    live.close();
    return 0;
}
