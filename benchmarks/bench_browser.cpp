// The icon view at browser scale: 10,000 items of 64 x 44 with captions on an offscreen
// skinned panel. Goals: arranging under 20 ms; scrolling by one row and repainting under 16 ms
// (only the strips in sight are drawn); finding the item under a point at the end under 10 us;
// 1,000 inserts into a visible view (laid out after every insert) under 100 ms.
//
// The media folders page with 1,000 clips (the counting test import, so that the engine's own
// work is small and the page's shows). Goals: cached, the first screen under 150 ms after
// `setFolder` and all listed under 500 ms; uncached, placeholders under 150 ms, at least 25
// thumbnails a second from the worker on one core (run under `taskset -c 2`), no GUI stall over
// 16 ms while they arrive (the counter "max_stall_ms"); "clipstead.ini" with 1,000 thumbnails:
// load under 300 ms, save under 400 ms, under 150 MB above an empty file ("rss_mb").
#include "browser/ZRBrowserIconView.h"
#include "browser/ZRClipFolderStore.h"
#include "browser/ZRIconView.h"
#include "browser/ZRIconViewItem.h"
#include "browser/ZRThumbnailWorker.h"
#include "classes/skins/ZRSkinPreload.h"
#include "classes/widgets/QSBWidget.h"
#include "common/config/QConfig.h"
#include "editor/ZRAppState.h"
#include "editor/ZRCallbacks.h"
#include "engine/api/IZRTimeline.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <unistd.h>

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

// --- the media folders page ------------------------------------------------------------------

constexpr int kClips = 1000;

double residentMb() {
    long pages = 0, resident = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
        std::fclose(f);
    }
    return double(resident) * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

/// 1,000 clip files, a settings file naming them in folder "Bench", a timeline over the test
/// modules published as the program's, and the page on a panel.
struct FolderBench {
    QTemporaryDir dir;
    IZRCallbacks callbacks{};
    IZRTimeline* timeline = nullptr;
    std::unique_ptr<QSBWidget> panel;
    ZRBrowserIconView* page = nullptr;

    FolderBench() {
        ZRBrowserIconView::setThumbnailEngine(&IZRCreateTimelineInstance,
                                              &IZRDeleteTimelineInstance);
        ZRBrowserIconView::setThumbnailBaseFolder(CLIPSTEAD_MODULE_FIXTURE_DIR);
        fillCallbacks(callbacks);
        timeline = IZRCreateTimelineInstance(&callbacks, CLIPSTEAD_MODULE_FIXTURE_DIR, 1);
        appState().timeline = timeline;
        QByteArray ini = "# Config File\n[BrowserFolder::Bench]\n";
        for (int i = 0; i < kClips; ++i) {
            const QString path =
                dir.filePath(QStringLiteral("clip%1.avi").arg(i, 4, 10, QChar('0')));
            QFile clip(path);
            if (clip.open(QIODevice::WriteOnly)) clip.write("clip");
            ini += "Profile" + QByteArray::number(i + 1) + "=" + path.toUtf8() + "\n";
        }
        ini += "NumProfiles=" + QByteArray::number(kClips + 1) + "\n";
        QFile file(dir.filePath(QStringLiteral("clipstead.ini")));
        if (file.open(QIODevice::WriteOnly)) file.write(ini);
        file.close();
        appState().setSettings(new QConfig(QConfig::Flavour::Program, file.fileName()),
                               [](QConfig* settings) { delete settings; });
        QImage skin(820, 620, QImage::Format_ARGB32);
        skin.fill(qRgba(90, 90, 100, 255));
        panel = std::make_unique<QSBWidget>(skin, false);
        panel->resize(820, 620);
        page = new ZRBrowserIconView(panel.get(), "clip view");
        page->setGeometry(10, 10, 800, 600);
        page->setThumbnailSize(QSize(60, 40));
        panel->show();
        QCoreApplication::processEvents();
    }
    ~FolderBench() {
        panel.reset();
        appState().setSettings(nullptr, nullptr);
        appState().timeline = nullptr;
        IZRDeleteTimelineInstance(timeline);
    }

    /// Lets every thumbnail arrive; answers the longest single pass of the event loop (ms).
    double settle() {
        double longest = 0;
        QElapsedTimer pass;
        while (page->pendingThumbnails() > 0) {
            pass.start();
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            longest = std::max(longest, double(pass.nsecsElapsed()) / 1e6);
        }
        return longest;
    }
    void dropCache() {
        QConfig* settings = appState().settings();
        settings->deleteGroup(QString::fromLatin1(ZRClipFolderStore::kThumbnailGroup), true);
        settings->deleteGroup(QString::fromLatin1(ZRClipFolderStore::kTimestampGroup), true);
    }
};

void BM_FolderCachedFirstScreen(benchmark::State& state) {
    FolderBench b;
    b.page->setFolder(QStringLiteral("Bench"));
    b.settle();
    for (auto _ : state) {
        b.page->setFolder(QString());
        QCoreApplication::processEvents();
        QElapsedTimer shown;
        shown.start();
        b.page->setFolder(QStringLiteral("Bench"));
        b.page->viewport()->repaint();
        state.counters["first_screen_ms"] = double(shown.nsecsElapsed()) / 1e6;
        state.counters["listed"] = b.page->count();
    }
}
BENCHMARK(BM_FolderCachedFirstScreen)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_FolderUncachedPlaceholders(benchmark::State& state) {
    FolderBench b;
    for (auto _ : state) {
        state.PauseTiming();
        b.page->setFolder(QString());
        b.dropCache();
        QCoreApplication::processEvents();
        state.ResumeTiming();
        b.page->setFolder(QStringLiteral("Bench"));
        b.page->viewport()->repaint();
        state.PauseTiming();
        QElapsedTimer all;
        all.start();
        state.counters["max_stall_ms"] = b.settle();
        state.counters["thumbnails_per_s"] = kClips / (double(all.nsecsElapsed()) / 1e9);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_FolderUncachedPlaceholders)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_WorkerThumbnails(benchmark::State& state) {
    IZRCallbacks callbacks{};
    fillCallbacks(callbacks);
    IZRTimeline* timeline = IZRCreateTimelineInstance(&callbacks, CLIPSTEAD_MODULE_FIXTURE_DIR, 1);
    ZRThumbnailWorker worker({&IZRCreateTimelineInstance, &IZRDeleteTimelineInstance},
                             CLIPSTEAD_MODULE_FIXTURE_DIR);
    int answered = 0;
    QObject::connect(&worker, &ZRThumbnailWorker::pictureReady, [&] { ++answered; });
    QStringList paths;
    for (int i = 0; i < 200; ++i)
        paths.append(QStringLiteral("/bench/clip%1.avi").arg(i));
    for (auto _ : state) {
        answered = 0;
        worker.request(paths);
        while (answered < paths.size())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    state.SetItemsProcessed(state.iterations() * paths.size());
    IZRDeleteTimelineInstance(timeline);
}
BENCHMARK(BM_WorkerThumbnails)->Unit(benchmark::kMillisecond)->UseRealTime();

/// "clipstead.ini" holding 1,000 thumbnail records as the page writes them.
void BM_SettingsWithThousandThumbnails(benchmark::State& state) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("clipstead.ini"));
    {
        QFile(path).open(QIODevice::WriteOnly);
        QConfig config(QConfig::Flavour::Program, path);
        ZRClipFolderStore store(&config);
        QImage thumbnail(64, 44, QImage::Format_ARGB32);
        thumbnail.fill(qRgb(40, 80, 120));
        for (int i = 0; i < kClips; ++i)
            store.storeThumbnail(QStringLiteral("/media/clips/clip%1.avi").arg(i), thumbnail,
                                 QDateTime::currentDateTime());
    }
    for (auto _ : state) {
        const double before = residentMb();
        QElapsedTimer timer;
        timer.start();
        auto config = std::make_unique<QConfig>(QConfig::Flavour::Program, path);
        state.counters["load_ms"] = double(timer.nsecsElapsed()) / 1e6;
        state.counters["rss_mb"] = residentMb() - before;
        config->setGroup(QStringLiteral("General Settings"));
        config->writeEntry(QStringLiteral("Touched"), int(timer.elapsed()));
        timer.start();
        config->writeFile();
        state.counters["save_ms"] = double(timer.nsecsElapsed()) / 1e6;
        config.reset();
    }
}
BENCHMARK(BM_SettingsWithThousandThumbnails)->Unit(benchmark::kMillisecond)->Iterations(5);

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
