// The storyboard with 10 and 1,000 clips (solid colours, 2 s each) in an 800 px wide offscreen
// widget, so that about eight cells show:
// - FullRepaint: the whole widget painted at once, render bars included;
// - SelectCell: a cell selected and deselected, each followed by its repaint;
// - ScrollPage: the view moved by one page and back, each followed by its repaint;
// - RenderBarRefresh: the render bars of the visible cells redrawn.
// Goal: each under 16 ms, and 1,000 clips within 10 % of 10 clips (only visible cells are
// drawn).
#include "classes/skins/ZRSkinPreload.h"
#include "classes/widgets/ZRScrollBar.h"
#include "editor/ZRAppState.h"
#include "editor/ZRCallbacks.h"
#include "editor/ZRVeskEditor.h"
#include "engine/api/IZRObject.h"
#include "engine/api/IZRObjectFactory.h"
#include "engine/api/IZRPos.h"
#include "engine/api/IZRTimeline.h"
#include "views/ZRStoryboard.h"

#include <benchmark/benchmark.h>

#include <QApplication>

#include <cstdlib>
#include <memory>

namespace {

struct Board {
    IZRCallbacks callbacks{};
    IZRTimeline* timeline = nullptr;
    std::unique_ptr<ZRVeskEditor> editor;
    std::unique_ptr<ZRStoryboard> board;

    explicit Board(int clips) {
        fillCallbacks(callbacks);
        timeline = IZRCreateTimelineInstance(&callbacks, nullptr, 0);
        appState().timeline = timeline;
        editor = std::make_unique<ZRVeskEditor>();
        editor->setTimeline(timeline);
        IZRObjectFactory* f = timeline->factory();
        IZRPos* length = f->createPosHMSF(0, 0, 2, 0);
        for (int i = 0; i < clips; ++i) {
            IZRObject* clip = f->createObject(
                "Solid Color", i % 2 ? "RGB(200,60,60)" : "RGB(60,60,200)", nullptr, nullptr);
            timeline->setObjectMarkOut(clip, length);
            editor->insertClip(clip, editor->objectCount());
        }
        f->destroyPos(length);
        board = std::make_unique<ZRStoryboard>();
        board->resize(800, 189);
        board->setEditor(editor.get());
        board->show();
        board->updateLayout();
        board->setCursorPosition(0, 0.3);
        QCoreApplication::processEvents();
    }
    ~Board() {
        board.reset();
        editor.reset();
        appState().timeline = nullptr;
        IZRDeleteTimelineInstance(timeline);
    }
};

void FullRepaint(benchmark::State& state) {
    Board b(int(state.range(0)));
    for (auto _ : state)
        b.board->repaint();
}

void SelectCell(benchmark::State& state) {
    Board b(int(state.range(0)));
    for (auto _ : state) {
        b.board->selectCell(3, true);
        b.board->repaint(b.board->cellRect(3).adjusted(-12, -20, 12, 30));
        b.board->deselectCell(3, true);
        b.board->repaint(b.board->cellRect(3).adjusted(-12, -20, 12, 30));
    }
}

void ScrollPage(benchmark::State& state) {
    Board b(int(state.range(0)));
    const int page = b.board->scrollBar()->pageStep();
    for (auto _ : state) {
        b.board->scrollBar()->setValue(page);
        b.board->repaint(b.board->cursorArea());
        b.board->scrollBar()->setValue(0);
        b.board->repaint(b.board->cursorArea());
    }
}

void RenderBarRefresh(benchmark::State& state) {
    Board b(int(state.range(0)));
    for (auto _ : state) {
        b.board->refreshRenderBars();
        QCoreApplication::processEvents();
    }
}

BENCHMARK(FullRepaint)->Arg(10)->Arg(1000)->Unit(benchmark::kMillisecond);
BENCHMARK(SelectCell)->Arg(10)->Arg(1000)->Unit(benchmark::kMillisecond);
BENCHMARK(ScrollPage)->Arg(10)->Arg(1000)->Unit(benchmark::kMillisecond);
BENCHMARK(RenderBarRefresh)->Arg(10)->Arg(1000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    preloadSkins();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
