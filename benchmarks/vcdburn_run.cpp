// One Video CD burn in a process of its own, for benchmarks/bench_vcd_vs_vcdimager.sh: the clip
// given is built into an image (vcdxgen, vcdxbuild, cdrdao toc-size) and written at speed 8 to
// the simulated unit, whose disc is a file in the work folder. A timer due every 10 ms measures
// how late the event loop runs it throughout: the GUI's wait for its events.
// Usage: vcdburn_run <clip.mpg> <work folder>; prints "burn_ms=<n> max_event_delay_ms=<n>
// ok=<0|1>".

#include "platform/cdwriter/ZRSimulatedCdWriter.h"
#include "platform/cdwriter/ZRVcdWriter.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>
#include <cstdio>

namespace {

// The simulated unit, noting when it is handed the image.
class TimedWriter : public ZRSimulatedCdWriter {
public:
    TimedWriter(QString disc, const QElapsedTimer& clock)
        : ZRSimulatedCdWriter(std::move(disc)), m_clock(clock) {}
    bool write(int unit, const QString& cue, int speed, bool eject, Progress progress,
               Finished finished) override {
        imageMs = m_clock.elapsed();
        return ZRSimulatedCdWriter::write(unit, cue, speed, eject, std::move(progress),
                                          std::move(finished));
    }
    qint64 imageMs = -1;

private:
    const QElapsedTimer& m_clock;
};

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: vcdburn_run <clip.mpg> <work folder>\n");
        return 2;
    }
    // The image folder lies under the temporary folder, here in the work folder.
    qputenv("XDG_CACHE_HOME", QByteArray(argv[2]) + "/cache");
    QCoreApplication app(argc, argv);
    const QString clip = QString::fromLocal8Bit(argv[1]);
    QElapsedTimer clock;
    auto writer = std::make_shared<TimedWriter>(
        QDir(QString::fromLocal8Bit(argv[2])).filePath(QStringLiteral("disc.bin")), clock);
    ZRVcdWriter vcd(writer);
    if (!vcd.init() || !vcd.setOptions(false) || !vcd.addEntry(clip)) {
        std::fprintf(stderr, "vcdburn_run: vcdimager missing\n");
        return 1;
    }

    qint64 due = 10;
    qint64 worst = 0;
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        worst = std::max(worst, now - due);
        due = now + 10;
    });
    bool ok = false;
    clock.start();
    tick.start(10);
    vcd.write(1, 8, false, [&](bool result) {
        ok = result;
        QCoreApplication::quit();
    });
    QCoreApplication::exec();
    std::printf("burn_ms=%lld image_ms=%lld max_event_delay_ms=%lld ok=%d\n",
                static_cast<long long>(clock.elapsed()), static_cast<long long>(writer->imageMs),
                static_cast<long long>(worst), ok ? 1 : 0);
    return ok ? 0 : 1;
}
