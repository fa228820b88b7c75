// The produce page rendering the anchor timeline (two 10-second PAL DV clips with a 1-second
// cross-fade, 475 frames) with "MPEG-II DVD PAL" and the bit rates of bench_export's DVD run,
// offscreen, through the program's own progress callback and a status bar that paints each
// line at once, as the main window's does. Compare its time with bench_export's BM_ExportDVD
// (the engine alone, same clips, same module settings) in the same run of the machine.
// Counters: the largest gap between two repaints of the slider and of the status bar, and the
// longest a posted event waited, all in milliseconds (an event filter records them).
// The clips come from CLIPSTEAD_BENCH_A and CLIPSTEAD_BENCH_B (benchmarks/anchor_clips.sh); the
// file goes to CLIPSTEAD_BENCH_OUT.
#include "benchmarks/BenchTimeline.h"

#include "classes/skins/ZRSkinPreload.h"
#include "classes/widgets/ZRComboBox.h"
#include "common/config/QConfig.h"
#include "editor/ZRAppState.h"
#include "editor/ZRCallbacks.h"
#include "output/ZRExportView.h"
#include "views/ZRSBPSlider.h"
#include "views/ZRWindowServices.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QStatusBar>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdlib>
#include <string>

namespace {

std::string env(const char* name, const char* fallback = "") {
    const char* value = std::getenv(name);
    return value ? value : fallback;
}

// Records paint gaps of the slider and the status bar, and how long posted probe events wait.
class Watch : public QObject {
public:
    static constexpr QEvent::Type kProbe = QEvent::Type(QEvent::User + 54);
    QObject* slider = nullptr;
    QObject* status = nullptr;
    QElapsedTimer clock;
    qint64 lastSlider = -1, lastStatus = -1, posted = 0;
    qint64 sliderGap = 0, statusGap = 0, eventWait = 0;
    bool probing = false;
    int sliderPaints = 0;

    void start() {
        clock.start();
        lastSlider = lastStatus = 0;
        sliderGap = statusGap = eventWait = 0;
        probing = true;
        post();
    }
    /// Ends the watch at the last progress call: before the first and after the last one the
    /// engine opens and completes its files, with no call into the page.
    void stop() {
        probing = false;
        sliderGap = std::max(sliderGap, lastProgress - lastSlider);
        statusGap = std::max(statusGap, lastProgress - lastStatus);
    }
    qint64 lastProgress = 0;
    void post() {
        posted = clock.elapsed();
        QCoreApplication::postEvent(this, new QEvent(kProbe));
    }

protected:
    bool event(QEvent* e) override {
        if (e->type() != kProbe) return QObject::event(e);
        if (!probing) return true;
        eventWait = std::max(eventWait, clock.elapsed() - posted);
        post();
        return true;
    }
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (probing && e->type() == QEvent::Paint) {
            const qint64 now = clock.elapsed();
            if (watched == slider) {
                ++sliderPaints;
                sliderGap = std::max(sliderGap, now - lastSlider);
                lastSlider = now;
            } else if (watched == status) {
                statusGap = std::max(statusGap, now - lastStatus);
                lastStatus = now;
            }
        }
        return false;
    }
};

// The main window's part in a render: the status line painted at once (at most every 50 ms,
// as the main window does), progress to the page; the watch runs from the first progress call.
class BenchHub : public ZRAppState::Hub {
public:
    QStatusBar* statusBar = nullptr;
    ZRExportView* page = nullptr;
    Watch* watch = nullptr;
    QElapsedTimer sincePaint;
    IZRObject* currentObject() override { return nullptr; }
    IZRPos* currentPosition() override { return nullptr; }
    void message(const QString& text, int ms) override {
        statusBar->showMessage(text, ms);
        if (sincePaint.isValid() && sincePaint.elapsed() < 50) return;
        statusBar->repaint();
        sincePaint.start();
    }
    void setMenuItemEnabled(int, bool) override {}
    void setMenuItemChecked(int, bool) override {}
    void exportProgress(IZRPos* position, bool recompressing) override {
        if (!watch->probing) watch->start();
        page->exportProgress(position, recompressing);
        watch->lastProgress = watch->clock.elapsed();
    }
};

class FileAnswer : public ZRWindowServices {
public:
    QString file;
    QString fileName(QWidget*, bool, const QString&, const QString&, const QString&) override {
        return file;
    }
    bool confirmOverwrite(QWidget*, const QString&, const QString&) override { return true; }
    void informAbort(QWidget*, const QString&, const QString& text) override { failure = text; }
    QString failure;
};

void BM_ProduceDVD(benchmark::State& state) {
    QTemporaryDir settingsFolder;
    appState().setSettings(
        new QConfig(QConfig::Flavour::Program, settingsFolder.filePath("clipstead.ini")),
        [](QConfig* c) { delete c; });
    QConfig* settings = appState().settings();
    settings->setGroup(QStringLiteral("General Settings"));
    settings->writeEntry(QStringLiteral("MPEGMaxBitrate"), QStringLiteral("8000000"));
    settings->writeEntry(QStringLiteral("MPEGAvgBitrate"), QStringLiteral("6000000"));

    IZRCallbacks callbacks{};
    fillCallbacks(callbacks);
    std::string why;
    auto t = benchtimeline::anchorTimeline(env("CLIPSTEAD_BENCH_A"), env("CLIPSTEAD_BENCH_B"),
                                           &callbacks, &why);
    if (!t) {
        state.SkipWithError(why.c_str());
        appState().setSettings(nullptr, nullptr);
        return;
    }
    appState().timeline = t.get();
    {
        QWidget window;
        window.resize(1100, 520);
        QStatusBar statusBar(&window);
        statusBar.setGeometry(0, 490, 1100, 24);
        auto* page = new ZRExportView(&window, "ZRExportView");
        page->setGeometry(0, 0, 1100, 480);
        page->setTimeline(t.get());
        page->profileBox()->setCurrentIndex(ZRExportProfiles::kDvdPal);
        page->slotFormatActivated(ZRExportProfiles::kDvdPal);
        window.show();
        QCoreApplication::processEvents();

        BenchHub hub;
        hub.statusBar = &statusBar;
        hub.page = page;
        appState().hub = &hub;
        FileAnswer answer;
        answer.file = QString::fromStdString(env("CLIPSTEAD_BENCH_OUT", "/tmp")) +
                      QStringLiteral("/clipstead_produce.mpg");
        ZRWindowServices::install(&answer);
        Watch watch;
        hub.watch = &watch;
        watch.slider = page->slider();
        watch.status = &statusBar;
        qApp->installEventFilter(&watch);

        qint64 sliderGap = 0, statusGap = 0, eventWait = 0;
        for (auto _ : state) {
            page->slotRenderClicked();
            watch.stop();

            sliderGap = std::max(sliderGap, watch.sliderGap);
            statusGap = std::max(statusGap, watch.statusGap);
            eventWait = std::max(eventWait, watch.eventWait);
            if (!answer.failure.isEmpty()) state.SkipWithError("the render failed");
        }
        qApp->removeEventFilter(&watch);
        state.counters["slider_gap_ms"] = double(sliderGap);
        state.counters["slider_paints"] = double(watch.sliderPaints);
        state.counters["status_gap_ms"] = double(statusGap);
        state.counters["event_wait_ms"] = double(eventWait);
        state.counters["fps"] =
            benchmark::Counter(475.0 * double(state.iterations()), benchmark::Counter::kIsRate);
        ZRWindowServices::install(nullptr);
        appState().hub = nullptr;
        QCoreApplication::processEvents();
    }
    appState().timeline = nullptr;
    appState().setSettings(nullptr, nullptr);
}

} // namespace

BENCHMARK(BM_ProduceDVD)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    preloadSkins();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    releaseSkins();
    return 0;
}
