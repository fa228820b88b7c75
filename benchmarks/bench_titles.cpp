// The titles page at work, part of bench_browser: a still preview of a title at the preview
// frame's 381 x 284 on a 720 x 576 project (goal under 10 ms: one engine render and the
// composition of the preview), one tick of a playing preview with the background renderer on
// (goal well under the 30 ms tick), and 200 stored titles loaded from the settings file with
// their icons (goal under 500 ms).
#include "browser/ZRBrowserTitlesBrowser.h"
#include "browser/ZRBrowserTitlesView.h"
#include "browser/ZRTextPreview.h"
#include "classes/skins/ZRSkinPreload.h"
#include "common/config/QConfig.h"
#include "editor/ZRAppState.h"
#include "engine/api/IZRSettings.h"
#include "engine/api/IZRTimeline.h"
#include "views/ZRSBPreviewFrame.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

void releaseTitleSettings(QConfig* settings) {
    delete settings;
}

/// A 720 x 576 project, a published preview frame and a bound titles page on a shown panel.
struct TitlesBench {
    QTemporaryDir dir;
    IZRTimeline* timeline = nullptr;
    std::unique_ptr<QSBWidget> host;
    ZRBrowserTitlesView* page = nullptr;

    TitlesBench() {
        static const bool skins = [] {
            setSkinBaseFolder(QCoreApplication::applicationDirPath());
            return preloadSkins() > 0;
        }();
        (void)skins;
        appState().setSettings(
            new QConfig(QConfig::Flavour::Program, dir.filePath(QStringLiteral("clipstead.ini"))),
            releaseTitleSettings);
        timeline = IZRCreateTimelineInstance(nullptr, nullptr, 0);
        timeline->settings()->setIntPairSetting("Video Dimensions", 720, 576);
        timeline->settings()->setIntSetting("Enable Background Rendering", 1);
        QImage skin(800, 500, QImage::Format_ARGB32);
        skin.fill(qRgba(90, 90, 100, 255));
        host = std::make_unique<QSBWidget>(skin, false);
        host->resize(800, 500);
        auto* frame = new ZRSBPreviewFrame(host.get(), "Preview Frame");
        appState().previewFrame = frame;
        page = new ZRBrowserTitlesView(nullptr, host.get());
        page->setGeometry(420, 0, 330, 470);
        page->titlesBrowser()->hide();
        host->show();
        page->attachProject(timeline);
        page->show();
        QCoreApplication::processEvents();
    }
    ~TitlesBench() {
        host.reset();
        appState().previewFrame = nullptr;
        appState().setSettings(nullptr, nullptr);
        IZRDeleteTimelineInstance(timeline);
    }
};

void BM_StillTitlePreview(benchmark::State& state) {
    TitlesBench bench;
    ZRTextPreview* preview = bench.page->textPreview();
    for (auto _ : state) {
        bench.page->generatePreview(QRegion(preview->rect()));
        preview->repaint();
    }
    state.counters["width"] = preview->width();
    state.counters["height"] = preview->height();
}
BENCHMARK(BM_StillTitlePreview)->Unit(benchmark::kMillisecond);

void BM_PlayingTitleTick(benchmark::State& state) {
    TitlesBench bench;
    bench.page->previewClicked();
    for (auto _ : state) {
        if (!bench.page->isPreviewRunning()) bench.page->previewClicked();
        bench.page->preview();
        bench.page->textPreview()->repaint();
    }
    if (bench.page->isPreviewRunning()) bench.page->previewClicked();
}
BENCHMARK(BM_PlayingTitleTick)->Unit(benchmark::kMillisecond);

void BM_Load200StoredTitles(benchmark::State& state) {
    TitlesBench bench;
    QByteArray ini = "# Config File\n[TextList]\nNumProfiles=200\n";
    for (int i = 0; i < 200; ++i)
        ini += "Profile" + QByteArray::number(i) + "=Title " + QByteArray::number(i) + "\n";
    for (int i = 0; i < 200; ++i)
        ini += "[TextObject" + QByteArray::number(i) + "_Title " + QByteArray::number(i) +
               "]\nText=<!Font=Arial!><!Size=32!><!Color=R:0,G:0,B:0!>Title " +
               QByteArray::number(i) + "xNxsecond line\nText Alignment=1\nText Duration=3000\n";
    const QString path = bench.dir.filePath(QStringLiteral("titles.ini"));
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(ini);
    file.close();
    appState().setSettings(new QConfig(QConfig::Flavour::Program, path), releaseTitleSettings);
    ZRBrowserTitlesBrowser* titles = bench.page->titlesBrowser();
    for (auto _ : state) {
        titles->clear();
        titles->loadTitles();
    }
    state.counters["titles"] = titles->count();
}
BENCHMARK(BM_Load200StoredTitles)->Unit(benchmark::kMillisecond);

} // namespace
