// The threaded frame view on a 720 x 576 25 fps DV clip (made with ffmpeg into a temporary
// folder) through the program's media import module in bin/PlugIns:
// - FrameToFront: gotoPosition to the new frame in the front image of a 110 x 84 view, one
//   source frame after another; median and p99 of the latency as counters (goal: median under
//   40 ms);
// - SliderDrag: 100 positions requested over one second (every 10 ms, as a slider drag sends
//   them); counters: render passes, and the time from the last request to its frame in units of
//   one render (the requests coalesce: the last position is shown within one render of the end).
// The preview player on the anchor timeline (AnchorTimeline.h; skipped without its clips), at
// its size in the preview frame (388 x 291), sound through a null output paced by the system
// clock (the same pacing a device gives, without the device's own start-up):
// - PreviewPlayToSurface: from play() to the first frame on the pipeline's surface (goal under
//   200 ms); stopped again between rounds;
// - PreviewGotoToFront: stopped, from gotoPosition to the project frame rendered for the front
//   image, one frame after another round the timeline (goal: median under 40 ms).
// The main window as the hub, on a project of 1,000 solid-colour clips (2 s each), offscreen at
// 1100 x 760, state folders in a temporary folder:
// - HubSliderPosition: a position sent by the slider (as a drag sends it) relayed to every
//   visible view (storyboard, preview, trimmers) and painted; goal under 16 ms.
// The anchor timeline does not load its modules after the DV fixture's timeline was made in the
// same process: run these two on their own (--benchmark_filter=Preview).
#include "app/ZRSBMainWindow.h"
#include "benchmarks/AnchorTimeline.h"
#include "classes/skins/ZRSkinPreload.h"
#include "editor/ZRAppState.h"
#include "editor/ZRCallbacks.h"
#include "editor/ZRVeskEditor.h"
#include "platform/playback/ZRNullOutput.h"
#include "platform/playback/ZRPlaybackPipeline.h"
#include "platform/playback/ZRPreviewOutput.h"
#include "platform/playback/ZRVideoSurface.h"
#include "views/ZRSBPSlider.h"
#include "views/ZRSBPreview.h"
#include "views/ZRSBVideoView.h"

#include "engine/api/IZRObject.h"
#include "engine/api/IZRObjectFactory.h"
#include "engine/api/IZRPos.h"
#include "engine/api/IZRTimeline.h"
#include "platform/system/SystemPaths.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// A view that tells which frame its last pass drew (-1 when it drew none) and when.
template <class View> class Timed : public View {
public:
    using View::View;
    ~Timed() override { this->stopThread(); }

    /// Waits until a pass drew `frame`; false after two seconds.
    bool waitFor(int frame) {
        std::unique_lock l(m_lock);
        return m_wake.wait_for(l, std::chrono::seconds(2), [&] { return m_lastFrame == frame; });
    }
    Clock::time_point drawnAt() {
        std::lock_guard l(m_lock);
        return m_drawnAt;
    }
    std::atomic<int> passes{0};
    std::atomic<double> renderSeconds{0.0};

protected:
    bool renderFrame(const typename View::RenderRequest& request, IZRImage* target) override {
        const auto start = Clock::now();
        const bool drawn = View::renderFrame(request, target);
        const auto end = Clock::now();
        ++passes;
        renderSeconds = renderSeconds + std::chrono::duration<double>(end - start).count();
        std::lock_guard l(m_lock);
        m_lastFrame = drawn && request.position ? int(request.position->toFrames()) : -1;
        m_drawnAt = end;
        m_wake.notify_all();
        return drawn;
    }

private:
    std::mutex m_lock;
    std::condition_variable m_wake;
    int m_lastFrame = -1;
    Clock::time_point m_drawnAt;
};
using TimedView = Timed<ZRSBVideoView>;
using TimedPreview = Timed<ZRSBPreview>;

struct Fixture {
    QTemporaryDir folder;
    IZRTimeline* timeline = nullptr;
    IZRObject* clip = nullptr;
    std::string why;

    Fixture() {
        static const int anchor = 0;
        const QString path = folder.filePath(QStringLiteral("dv.avi"));
        const int made = QProcess::execute(QStringLiteral("ffmpeg"),
                                           {"-v", "error", "-y", "-f", "lavfi", "-i",
                                            "testsrc=size=720x576:rate=25:duration=8", "-c:v",
                                            "dvvideo", "-pix_fmt", "yuv420p", "-f", "avi", path});
        if (made != 0) {
            why = "ffmpeg could not make the DV clip";
            return;
        }
        const std::string base = platform::folderOfAddress(&anchor).toStdString();
        timeline = IZRCreateTimelineInstance(nullptr, base.c_str(), 1);
        timeline->settings()->setDoubleSetting("Framerate", 25.0);
        clip = timeline->factory()->createObject("Import", "DV-AVI", nullptr,
                                                 path.toUtf8().constData());
        if (!clip) why = "the media import module is not in " + base + "PlugIns";
    }
    ~Fixture() { IZRDeleteTimelineInstance(timeline); }

    IZRPos* pos(int frames) {
        IZRPos* p = timeline->factory()->createPosAt(0, 0, 0, 0, 25.0);
        p->addFrames(frames);
        return p;
    }
};

Fixture& fixture() {
    static Fixture f;
    return f;
}

double percentile(std::vector<double> v, double p) {
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, size_t(p * double(v.size())))];
}

// Times each request (`request` asks for a frame and answers its number) until `view` has drawn
// that frame, and reports the median and 99th percentile of those latencies.
template <class View, class Request>
void measureRequestLatency(benchmark::State& state, View& view, Request request) {
    std::vector<double> latencies;
    for (auto _ : state) {
        const auto start = Clock::now();
        const int frame = request();
        if (!view.waitFor(frame)) {
            state.SkipWithError("no frame");
            break;
        }
        const double seconds = std::chrono::duration<double>(view.drawnAt() - start).count();
        latencies.push_back(seconds);
        state.SetIterationTime(seconds);
        QCoreApplication::processEvents();
    }
    if (!latencies.empty()) {
        state.counters["median_ms"] = percentile(latencies, 0.5) * 1e3;
        state.counters["p99_ms"] = percentile(latencies, 0.99) * 1e3;
    }
}

void FrameToFront(benchmark::State& state) {
    Fixture& f = fixture();
    if (!f.clip) {
        state.SkipWithError(f.why.c_str());
        return;
    }
    TimedView view;
    view.resize(110, 84);
    view.show();
    view.setTimeline(f.timeline);
    std::vector<IZRPos*> positions;
    for (int i = 0; i < 200; ++i)
        positions.push_back(f.pos(i));
    int i = 0;
    measureRequestLatency(state, view, [&] {
        const int frame = i++ % 200;
        view.gotoPosition(f.clip, positions[size_t(frame)], nullptr);
        return frame;
    });
    view.setTimeline(nullptr);
}
BENCHMARK(FrameToFront)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(300);

void SliderDrag(benchmark::State& state) {
    Fixture& f = fixture();
    if (!f.clip) {
        state.SkipWithError(f.why.c_str());
        return;
    }
    std::vector<IZRPos*> positions;
    for (int i = 0; i < 100; ++i)
        positions.push_back(f.pos(i * 2));
    for (auto _ : state) {
        TimedView view;
        view.resize(110, 84);
        view.show();
        view.setTimeline(f.timeline);
        const auto begin = Clock::now();
        Clock::time_point last;
        for (int i = 0; i < 100; ++i) {
            std::this_thread::sleep_until(begin + std::chrono::milliseconds(10 * i));
            last = Clock::now();
            view.gotoPosition(f.clip, positions[size_t(i)], nullptr);
        }
        if (!view.waitFor(99 * 2)) {
            state.SkipWithError("the last position was never shown");
            break;
        }
        const double tail = std::chrono::duration<double>(view.drawnAt() - last).count();
        const double render = view.renderSeconds / std::max(1, view.passes.load());
        state.SetIterationTime(tail);
        state.counters["passes"] = view.passes.load();
        state.counters["tail_in_renders"] = tail / render;
        state.counters["render_ms"] = render * 1e3;
        view.setTimeline(nullptr);
    }
}
BENCHMARK(SliderDrag)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

Timeline& anchor(std::string* why) {
    static std::string reason;
    static Timeline timeline = anchorTimeline(48000, &reason);
    *why = reason;
    return timeline;
}

void PreviewPlayToSurface(benchmark::State& state) {
    std::string why;
    Timeline& timeline = anchor(&why);
    if (!timeline) {
        state.SkipWithError(why.c_str());
        return;
    }
    zrSetPreviewOutputFactory([] { return std::make_unique<ZRNullOutput>(); });
    ZRSBPSlider slider(nullptr);
    TimedPreview preview;
    preview.resize(388, 291);
    preview.setPositionSlider(&slider);
    preview.setTimeline(timeline.get());
    preview.show();
    IZRPos* start = timeline->factory()->createPos();
    std::vector<double> latencies;
    int round = 0;
    for (auto _ : state) {
        start->assignFrames((round++ * 37) % 400);
        preview.gotoPosition(start, nullptr);
        const auto begin = Clock::now();
        preview.play();
        ZRPlaybackPipeline* pipeline = preview.graph()->pipeline();
        ZRVideoSurface* surface = pipeline ? pipeline->surface() : nullptr;
        if (!surface || preview.playState() != ZRSBPreview::Playing) {
            state.SkipWithError("the preview does not play");
            break;
        }
        while (surface->currentFrameTime() < 0 && Clock::now() - begin < std::chrono::seconds(2))
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        const double seconds = std::chrono::duration<double>(Clock::now() - begin).count();
        if (surface->currentFrameTime() < 0) {
            state.SkipWithError("no frame on the surface");
            break;
        }
        latencies.push_back(seconds);
        state.SetIterationTime(seconds);
        preview.stop();
        // A fresh surface for the next round.
        preview.releaseGraph();
        QCoreApplication::processEvents();
    }
    if (!latencies.empty()) {
        state.counters["median_ms"] = percentile(latencies, 0.5) * 1e3;
        state.counters["max_ms"] = percentile(latencies, 1.0) * 1e3;
    }
    timeline->factory()->destroyPos(start);
    preview.setTimeline(nullptr);
    zrSetPreviewOutputFactory({});
}
BENCHMARK(PreviewPlayToSurface)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

void PreviewGotoToFront(benchmark::State& state) {
    std::string why;
    Timeline& timeline = anchor(&why);
    if (!timeline) {
        state.SkipWithError(why.c_str());
        return;
    }
    TimedPreview preview;
    preview.resize(388, 291);
    preview.setTimeline(timeline.get());
    preview.show();
    std::vector<IZRPos*> positions;
    for (int i = 0; i < kFrames; ++i) {
        positions.push_back(timeline->factory()->createPos());
        positions.back()->assignFrames(i);
    }
    int i = 0;
    measureRequestLatency(state, preview, [&] {
        const int frame = (i++ * 7) % kFrames;
        preview.gotoPosition(positions[size_t(frame)], nullptr);
        return frame;
    });
    for (IZRPos* p : positions)
        timeline->factory()->destroyPos(p);
    preview.setTimeline(nullptr);
}
BENCHMARK(PreviewGotoToFront)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(200);

void HubSliderPosition(benchmark::State& state) {
    QTemporaryDir home;
    for (const char* name : {"HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_DATA_HOME"})
        qputenv(name, QFile::encodeName(home.path()));
    preloadSkins();
    IZRCallbacks callbacks{};
    fillCallbacks(callbacks);
    IZRTimeline* timeline = IZRCreateTimelineInstance(&callbacks, nullptr, 1);
    {
        ZRSBMainWindow window;
        window.setTimeline(timeline);
        IZRObjectFactory* f = timeline->factory();
        IZRPos* length = f->createPosHMSF(0, 0, 2, 0);
        for (int i = 0; i < 1000; ++i) {
            IZRObject* clip = f->createObject(
                "Solid Color", i % 2 ? "RGB(200,60,60)" : "RGB(60,60,200)", nullptr, nullptr);
            timeline->setObjectMarkOut(clip, length);
            window.editor()->insertClip(clip, window.editor()->objectCount());
        }
        f->destroyPos(length);
        window.resize(1100, 760);
        static_cast<QMainWindow&>(window).show();
        window.updateContents(&window);
        QCoreApplication::processEvents();
        QWidget* slider = window.positionSlider();
        int step = 0;
        for (auto _ : state) {
            window.gotoPosition(double((step++ * 37) % 1000) / 1000.0, slider);
            QCoreApplication::processEvents();
        }
    }
    appState().setSettings(nullptr, nullptr);
    appState().timeline = nullptr;
    IZRDeleteTimelineInstance(timeline);
}
BENCHMARK(HubSliderPosition)->Unit(benchmark::kMillisecond)->Iterations(200);

} // namespace

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
