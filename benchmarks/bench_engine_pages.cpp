// The effects page's animation tick beside the background renderer. The page shows 24 entries
// of the program's own video effects (bin/PlugIns/videofx, cycled), all in sight, while the
// background renderer stores the anchor timeline's cross-fade again and again
// (CLIPSTEAD_BENCH_MEDIA names the folder with A.avi and B.avi, made by
// benchmarks/anchor_clips.sh). Each iteration is one 30 ms tick period: /1 runs the tick and the
// paint it asks for, then sleeps the rest of the period; /0 only sleeps, the page hidden.
// Counters: "gui_ms" the tick and its paint (goal: under 5 ms), "renderer_frames/s" the frames
// the renderer stored meanwhile (goal: /1 within 5 % of /0).
#include "AnchorTimeline.h"
#include "browser/ZRBrowserEffectsView.h"
#include "classes/widgets/QSBWidget.h"
#include "engine/timeline/ZRTimeline.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

constexpr int kEntries = 24;
constexpr int kTickMs = 30;

// Entries are made beside the page's own listing, so that 24 of the few effects show at once.
class BenchEffectsPage : public ZRBrowserEffectsView {
public:
    using ZRBrowserEffectsView::ZRBrowserEffectsView;
    void fill() {
        clear();
        for (int i = 0; i < kEntries && !entries().isEmpty(); ++i)
            makeEntryItem(entries()[i % entries().size()]);
    }
};

// Passes of the background renderer over the anchor timeline until told to stop; counts the
// frames stored.
class RendererLoop {
public:
    explicit RendererLoop(ZRTimeline& t) : m_timeline(t), m_thread([this] { run(); }) {}
    ~RendererLoop() {
        m_stop = true;
        m_thread.join();
    }
    int64_t frames() const { return m_frames.load(); }

private:
    void run() {
        size_t needed = 0;
        const int total = int(m_timeline.endPosition()->toFrames());
        for (int n = 0; n < total; ++n) {
            ZRPos at(0, 0, 0, n, kRate);
            needed += m_timeline.renderStateAt(&at) != 0;
        }
        ZRTimelineWorker& worker = m_timeline.backgroundRenderer();
        while (!m_stop) {
            m_timeline.setIntSetting("Enable Background Rendering", 1);
            while (!m_stop && (worker.storedFrameCount() < needed || worker.isBusy()))
                std::this_thread::sleep_for(std::chrono::microseconds(200));
            m_frames += int64_t(worker.storedFrameCount());
            m_timeline.setIntSetting("Enable Background Rendering", 0);
        }
    }

    ZRTimeline& m_timeline;
    std::atomic<bool> m_stop{false};
    std::atomic<int64_t> m_frames{0};
    std::thread m_thread;
};

void BM_EffectsTickBesideRenderer(benchmark::State& state) {
    std::string why;
    Timeline anchor = anchorTimeline(48000, &why);
    if (!anchor) {
        state.SkipWithError(why.c_str());
        return;
    }
    QImage skin(700, 500, QImage::Format_ARGB32);
    skin.fill(qRgba(90, 90, 100, 255));
    QSBWidget panel(skin, false);
    panel.resize(700, 500);
    auto* page = new BenchEffectsPage(&panel, "effects");
    page->setGeometry(5, 5, 690, 490);
    page->setTimeline(anchor.get());
    page->fill();
    if (page->count() != kEntries) {
        state.SkipWithError("no video effects in bin/PlugIns/videofx");
        return;
    }
    const bool shown = state.range(0) != 0;
    if (shown) panel.show();
    QCoreApplication::processEvents();
    // The timer stays off: the loop drives the ticks at the timer's period.
    page->stopAnimation();

    auto& timeline = static_cast<ZRTimeline&>(*anchor);
    double guiMs = 0.0;
    QElapsedTimer wall;
    {
        RendererLoop renderer(timeline);
        wall.start();
        const int64_t startFrames = renderer.frames();
        for (auto _ : state) {
            QElapsedTimer tick;
            tick.start();
            if (shown) {
                page->paintTimer();
                QCoreApplication::processEvents();
            }
            const double spent = double(tick.nsecsElapsed()) / 1e6;
            guiMs += spent;
            if (spent < kTickMs)
                std::this_thread::sleep_for(
                    std::chrono::microseconds(int((kTickMs - spent) * 1000)));
        }
        const double seconds = double(wall.nsecsElapsed()) / 1e9;
        state.counters["renderer_frames/s"] = double(renderer.frames() - startFrames) / seconds;
    }
    state.counters["gui_ms"] = guiMs / double(state.iterations());
}
BENCHMARK(BM_EffectsTickBesideRenderer)
    ->Arg(0)
    ->Arg(1)
    ->Iterations(200)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace
