// The icon view at browser scale: 10,000 items of 64 x 44 with captions on an offscreen
// skinned panel. Goals: arranging under 20 ms; scrolling by one row and repainting under 16 ms
// (only the strips in sight are drawn); finding the item under a point at the end under 10 us;
// 1,000 inserts into a visible view (laid out after every insert) under 100 ms.
#include "browser/ZRIconView.h"
#include "browser/ZRIconViewItem.h"
#include "classes/widgets/QSBWidget.h"

#include <QApplication>
#include <QImage>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>

namespace {

QImage itemIcon() {
    QImage image(64, 44, QImage::Format_ARGB32);
    image.fill(qRgba(40, 120, 200, 200));
    return image;
}

struct Panel {
    std::unique_ptr<QSBWidget> panel;
    ZRIconView* view = nullptr;

    // Items are added while the panel is hidden, so that they are laid out once when shown.
    explicit Panel(int items, bool showFirst = false) {
        QImage skin(820, 620, QImage::Format_ARGB32);
        skin.fill(qRgba(90, 90, 100, 255));
        panel = std::make_unique<QSBWidget>(skin, false);
        panel->resize(820, 620);
        view = new ZRIconView(panel.get(), "icons");
        view->setGeometry(10, 10, 800, 600);
        if (showFirst) panel->show();
        const QImage icon = itemIcon();
        for (int i = 0; i < items; ++i)
            new ZRIconViewItem(view, QStringLiteral("clip %1.avi").arg(i), icon);
        panel->show();
        QCoreApplication::processEvents();
    }
};

void BM_Arrange(benchmark::State& state) {
    Panel p(10000);
    for (auto _ : state)
        p.view->arrangeItemsInGrid(false);
}
BENCHMARK(BM_Arrange)->Unit(benchmark::kMillisecond);

void BM_ScrollOneRowAndRepaint(benchmark::State& state) {
    Panel p(10000);
    const int row = p.view->firstItem()->height() + p.view->spacing();
    int y = 0;
    for (auto _ : state) {
        y = (y + row) % (p.view->contentsHeight() - p.view->visibleHeight());
        p.view->setContentsPos(0, y);
        p.view->viewport()->repaint();
    }
}
BENCHMARK(BM_ScrollOneRowAndRepaint)->Unit(benchmark::kMillisecond);

void BM_FindItemAtTheEnd(benchmark::State& state) {
    Panel p(10000);
    const QPoint at = p.view->lastItem()->pixmapRect(false).center();
    for (auto _ : state)
        benchmark::DoNotOptimize(p.view->findItem(at));
}
BENCHMARK(BM_FindItemAtTheEnd)->Unit(benchmark::kMicrosecond);

void BM_ThousandInsertsIntoAVisibleView(benchmark::State& state) {
    const QImage icon = itemIcon();
    for (auto _ : state) {
        state.PauseTiming();
        auto p = std::make_unique<Panel>(0, true);
        state.ResumeTiming();
        for (int i = 0; i < 1000; ++i)
            new ZRIconViewItem(p->view, QStringLiteral("clip %1.avi").arg(i), icon);
        state.PauseTiming();
        p.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_ThousandInsertsIntoAVisibleView)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
