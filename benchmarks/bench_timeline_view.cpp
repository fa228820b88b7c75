// The timeline view over 1,000 clips on the video track and 1,000 audio objects (the render
// tests' counting clip, 2 s each), 1200 x 260 offscreen, 25 fps:
// - FullRepaint/level: the whole widget composed and presented (ruler strip included) at zoom
//   levels 0, 4 and 13, left edge in the middle of the project;
// - ZoomStep: one zoom in and one zoom out, each followed by a full repaint (time per pair / 2);
// - PageScroll: the horizontal bar moved one page, then a full repaint.
// Goal: each under 16 ms. Tracks draw each object as a tinted block, as a light track kind does.
#include "benchmarks/EditorBench.h"
#include "classes/painting/ZRImagePainting.h"
#include "classes/skins/ZRSkinPreload.h"
#include "classes/widgets/ZRScrollBar.h"
#include "engine/api/IZRTimeline.h"
#include "views/ZRTimelineTrack.h"
#include "views/ZRTimelineView.h"

#include <benchmark/benchmark.h>

#include <QApplication>

#include <memory>

namespace {

class BlockTrack : public ZRTimelineTrack {
public:
    using ZRTimelineTrack::ZRTimelineTrack;
    void paintObject(const QRegion& region, QImage* target, const QPoint& offset, int64_t x,
                     int64_t width, IZRObject*) override {
        const QRect span = objectSpan(x, width);
        if (!span.isEmpty())
            tintImageClipped(region.translated(offset), *target, span.translated(offset),
                             0xC04080C0);
    }
};

struct Fixture : editorbench::EditorTimeline {
    std::unique_ptr<ZRTimelineView> view;

    Fixture() : EditorTimeline(CLIPSTEAD_RENDER_FIXTURE) {
        setSkinBaseFolder(QStringLiteral(CLIPSTEAD_BIN_DIR));
        preloadSkins();
        appendCountingClips(1000);
        IZRObjectFactory* f = timeline->factory();
        IZRPos* at = f->createPos();
        for (int i = 0; i < 1000; ++i) {
            at->set(0, 0, 0, 0, 25.0);
            at->addFrames(i * 50);
            timeline->insertObject(10, at,
                                   f->createObject("Import", "Media Import", nullptr, "clip.avi"));
        }
        f->destroyPos(at);
        view = std::make_unique<ZRTimelineView>();
        view->insertTrack(new BlockTrack(2, true, "TRANSITION", 15, 1000), -1);
        view->insertTrack(new BlockTrack(1, true, "VIDEO", 40, 1001), -1);
        view->insertTrack(new BlockTrack(3, true, "VIDEO B", 40, -1), -1);
        view->insertTrack(new BlockTrack(4, true, "TITLES", 27, -1), -1);
        view->insertTrack(new BlockTrack(10, false, "AUDIO2", 15, 2), -1);
        view->insertTrack(new BlockTrack(11, false, "AUDIO3", 15, 3), -1);
        view->setEditor(editor.get());
        view->resize(1200, 260);
        view->show();
        QApplication::processEvents();
    }
    void setLevel(int level) {
        while (view->zoomLevel() > level)
            view->slotZoomIn();
        while (view->zoomLevel() < level)
            view->slotZoomOut();
        view->horizontalBar()->setValue(view->horizontalBar()->maximum() / 2);
    }
    void repaint() { view->repaint(); }
};

// Made on first use and destroyed by main while the application still exists: the fixture
// owns widgets.
std::unique_ptr<Fixture> sharedFixture;

Fixture& fixture() {
    if (!sharedFixture) sharedFixture = std::make_unique<Fixture>();
    return *sharedFixture;
}

void FullRepaint(benchmark::State& state) {
    Fixture& f = fixture();
    f.setLevel(int(state.range(0)));
    for (auto _ : state)
        f.repaint();
}
BENCHMARK(FullRepaint)->Arg(0)->Arg(4)->Arg(13)->Unit(benchmark::kMillisecond);

void ZoomStep(benchmark::State& state) {
    Fixture& f = fixture();
    f.setLevel(4);
    for (auto _ : state) {
        f.view->slotZoomIn();
        f.repaint();
        f.view->slotZoomOut();
        f.repaint();
    }
    state.counters["per_step_ms"] = benchmark::Counter(
        double(state.iterations()) * 2, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(ZoomStep)->Unit(benchmark::kMillisecond);

void PageScroll(benchmark::State& state) {
    Fixture& f = fixture();
    f.setLevel(4);
    ZRScrollBar* bar = f.view->horizontalBar();
    int direction = 1;
    for (auto _ : state) {
        if (bar->value() + bar->pageStep() > bar->maximum()) direction = -1;
        if (bar->value() - bar->pageStep() < 0) direction = 1;
        bar->setValue(bar->value() + direction * bar->pageStep());
        f.repaint();
    }
}
BENCHMARK(PageScroll)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    return editorbench::runOffscreen(argc, argv, [] { sharedFixture.reset(); });
}
