// The capture graph under a live DV load: PAL DV frames from a file-backed source (a few seconds
// of frames read again and again), paced by the clock, through a Smart Tee into "Dump" (every
// frame) and the preview chain (DV decoder and video renderer, the latest frame only). Prints
// the frames sent, those that reached the capture output, the preview's shown and dropped
// frames, and the CPU load. Then the time from opening a ".mvl" list in the file preview to its
// first frame on screen, median of five rounds.
// Usage: bench_graph [seconds (600)] [dump file (/dev/null)]
// Run on two cores: taskset -c 0,1 build/default/bin/bench_graph
// bench_graph --screenshot <prefix> (under xvfb-run) instead saves the file preview playing a
// ".mvl" list, windowed and full screen, as <prefix>-playing.png and <prefix>-fullscreen.png.
#include "capture/ZRDSFilePreview.h"
#include "platform/dvcodec/DVEncoder.h"
#include "platform/graph/ZRDecoderNode.h"
#include "platform/graph/ZRDumpNode.h"
#include "platform/graph/ZRGraph.h"
#include "platform/graph/ZRRendererNodes.h"
#include "platform/graph/ZRSourceNodes.h"
#include "platform/graph/ZRTeeNodes.h"
#include "platform/playback/ZRNullOutput.h"
#include "platform/playback/ZRPreviewOutput.h"
#include "platform/playback/ZRVideoSurface.h"
#include "platform/segments/ZRSegmentList.h"

#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QPointer>
#include <QScreen>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double cpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

bool writeDV(const std::string& path, int frames) {
    platform::DVEncoder encoder;
    std::vector<unsigned char> pixels(720 * 576 * 4);
    std::vector<unsigned char> frame(144000);
    FILE* out = std::fopen(path.c_str(), "wb");
    if (!out) return false;
    bool ok = true;
    for (int f = 0; f < frames && ok; ++f) {
        for (int y = 0; y < 576; ++y)
            for (int x = 0; x < 720; ++x) {
                unsigned char* p = &pixels[size_t(y * 720 + x) * 4];
                p[0] = uint8_t(x + f * 4);
                p[1] = uint8_t(y + f * 2);
                p[2] = uint8_t((x ^ y) + f);
            }
        size_t length = 0;
        ok = encoder.encode(pixels.data(), 720 * 4, 720, 576, frame, length) ==
                 platform::DVStatus::Ok &&
             std::fwrite(frame.data(), 1, length, out) == length;
    }
    return std::fclose(out) == 0 && ok;
}

void captureRun(const QString& folder, double seconds, const std::string& dumpPath) {
    const std::string dv = (folder + "/source.dv").toStdString();
    if (!writeDV(dv, 100)) {
        std::fprintf(stderr, "could not make the DV frames\n");
        return;
    }
    const auto frames = int64_t(seconds * 25);
    ZRGraph graph;
    auto source = std::make_unique<ZRDVFileSourceNode>(dv, frames);
    auto tee = std::make_unique<ZRSmartTeeNode>();
    auto dump = std::make_unique<ZRDumpNode>();
    auto decoder = std::make_unique<ZRDecoderNode>("DV Video Decoder", AV_CODEC_ID_DVVIDEO,
                                                   ZRMediaType{"", "dvvideo"});
    auto renderer = std::make_unique<ZRVideoRendererNode>();
    ZRDVFileSourceNode* src = source.get();
    ZRSmartTeeNode* t = tee.get();
    ZRDumpNode* d = dump.get();
    ZRVideoRendererNode* r = renderer.get();
    ZRDecoderNode* dec = decoder.get();
    (void)d->setFileName(dumpPath);
    graph.addNode(std::move(source), "Capture Device");
    graph.addNode(std::move(tee), "SmartTee iavs");
    graph.addNode(std::move(dump), "Dump");
    graph.addNode(std::move(decoder), "DV Video Dec");
    graph.addNode(std::move(renderer), "Video Renderer");
    graph.connect(src->outputPin(0), t->inputPin(0));
    graph.connect(t->capturePin(), d->inputPin(0));
    graph.connect(t->previewPin(), dec->inputPin(0));
    graph.connect(dec->outputPin(0), r->inputPin(0));
    r->setWindowPosition(0, 0, 360, 288);
    r->setVisible(true);

    const double cpu0 = cpuSeconds();
    const auto t0 = Clock::now();
    if (graph.setState(ZRGraphState::Running) != kZRGraphOk) {
        std::fprintf(stderr, "the graph did not run\n");
        return;
    }
    int code = 0;
    intptr_t p1, p2;
    bool complete = false;
    while (!complete) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        while (graph.getEvent(&code, &p1, &p2, 20))
            complete |= code == kZREventComplete;
    }
    (void)graph.setState(ZRGraphState::Stopped);
    const double wall = std::chrono::duration<double>(Clock::now() - t0).count();
    const double cpu = cpuSeconds() - cpu0;
    const int64_t captured = d->written() / 144000;
    std::printf("capture: %.0f s of PAL DV, %lld frames sent, %lld at the capture output "
                "(%lld lost), %lld bytes dumped\n",
                wall, (long long)src->sent(), (long long)t->capturePin()->delivered(),
                (long long)(src->sent() - captured), (long long)d->written());
    std::printf("preview: %lld decoded, %lld shown, %lld dropped by the renderer, %lld dropped "
                "by the Smart Tee\n",
                (long long)dec->decoded(), (long long)r->shown(), (long long)r->dropped(),
                (long long)t->previewDropped());
    std::printf("CPU: %.1f s in %.1f s, %.0f %% of one core\n", cpu, wall, 100.0 * cpu / wall);
}

QString mvlList(const QString& folder) {
    const QString whole = folder + "/whole.mpg";
    const std::string command =
        "ffmpeg -nostdin -hide_banner -loglevel quiet -y -f lavfi -i testsrc=s=720x576:r=25:d=10 "
        "-f lavfi -i sine=frequency=440:sample_rate=48000:duration=10 -ac 2 -c:v mpeg2video "
        "-b:v 6M -c:a mp2 -f vob '" +
        whole.toStdString() + "'";
    if (std::system(command.c_str()) != 0) return {};
    QFile in(whole);
    if (!in.open(QIODevice::ReadOnly)) return {};
    const QByteArray bytes = in.readAll();
    const qsizetype cut = bytes.size() / 2 / 2048 * 2048;
    std::vector<std::string> paths;
    for (int i = 0; i < 2; ++i) {
        const QString path = folder + QStringLiteral("/capture_%1.mpg").arg(i);
        QFile out(path);
        if (!out.open(QIODevice::WriteOnly) || out.write(i ? bytes.mid(cut) : bytes.left(cut)) < 0)
            return {};
        paths.push_back(path.toStdString());
    }
    const QString list = folder + "/capture.mvl";
    return segments::ZRSegmentList::writeFile(list.toStdString(),
                                              segments::ZRSegmentList::Kind::Mpeg, paths)
               ? list
               : QString();
}

void firstFrameRuns(const QString& folder) {
    const QString list = mvlList(folder);
    if (list.isEmpty()) {
        std::fprintf(stderr, "ffmpeg could not make the list\n");
        return;
    }
    std::vector<double> ms;
    for (int round = 0; round < 5; ++round) {
        const auto t0 = Clock::now();
        QPointer<ZRDSFilePreview> preview = new ZRDSFilePreview(nullptr, "DirectShow File Preview");
        preview->resize(360, 288);
        if (!preview->openFile(list)) {
            std::fprintf(stderr, "the list did not open\n");
            delete preview.data();
            return;
        }
        preview->show();
        ZRVideoSurface* surface = preview->findChild<ZRVideoSurface*>();
        while (surface && surface->currentFrameTime() < 0 &&
               Clock::now() - t0 < std::chrono::seconds(10))
            QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
        delete preview.data();
    }
    std::sort(ms.begin(), ms.end());
    std::printf(
        "file preview, first frame of a \".mvl\": median %.1f ms (%.1f to %.1f), 5 rounds\n", ms[2],
        ms.front(), ms.back());
}

void waitMs(int ms) {
    const auto end = Clock::now() + std::chrono::milliseconds(ms);
    while (Clock::now() < end)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

int screenshots(const QString& folder, const QString& prefix) {
    const QString list = mvlList(folder);
    if (list.isEmpty()) return 1;
    // A window behind, so that the preview is seen as the window of its own it is.
    QWidget backdrop;
    backdrop.setStyleSheet(QStringLiteral("background: #d8dde3"));
    backdrop.setGeometry(0, 0, 900, 640);
    backdrop.show();
    QPointer<ZRDSFilePreview> preview = new ZRDSFilePreview(nullptr, "DirectShow File Preview");
    preview->setGeometry(120, 90, 480, 384);
    if (!preview->openFile(list)) return 1;
    preview->show();
    waitMs(2500);
    QScreen* screen = QGuiApplication::primaryScreen();
    bool ok = screen->grabWindow(0).save(prefix + "-playing.png");
    QKeyEvent f12(QEvent::KeyPress, Qt::Key_F12, Qt::NoModifier);
    QCoreApplication::sendEvent(preview.data(), &f12);
    waitMs(1500);
    ok = screen->grabWindow(0).save(prefix + "-fullscreen.png") && ok;
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QCoreApplication::sendEvent(preview.data(), &escape);
    delete preview.data();
    return ok ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc > 2 && QByteArray(argv[1]) == "--screenshot") {
        QApplication app(argc, argv);
        zrSetPreviewOutputFactory([] { return std::make_unique<ZRNullOutput>(); });
        QTemporaryDir dir;
        return screenshots(dir.path(), QString::fromLocal8Bit(argv[2]));
    }
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const double seconds = argc > 1 ? std::atof(argv[1]) : 600.0;
    const std::string dump = argc > 2 ? argv[2] : "/dev/null";
    zrSetPreviewOutputFactory([] { return std::make_unique<ZRNullOutput>(); });
    QTemporaryDir dir;
    captureRun(dir.path(), seconds > 0 ? seconds : 600.0, dump);
    firstFrameRuns(dir.path());
    return 0;
}
