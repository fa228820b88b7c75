// Configuration files that grew large. A timeline reads and writes back the log "kernel.log"
// in the state folder: creating and destroying one over a 1 MB log of 120,000 groups must take
// milliseconds, not minutes. Reading a file of short "k=v" lines reports the heap it takes per
// byte of file ("heap_per_file_byte"). A settings file of 1,000 cached thumbnails (19 MB) is
// read and saved as the program's start and quit do.
#include "common/config/QConfig.h"
#include "engine/timeline/ZRTimeline.h"

#include <benchmark/benchmark.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>

#include <cstdlib>
#include <malloc.h>
#include <memory>

namespace {

// A private state folder for the benchmark's files.
const QTemporaryDir& stateHome() {
    static QTemporaryDir home;
    static const bool set = [] {
        qputenv("XDG_CONFIG_HOME", home.path().toLocal8Bit());
        qputenv("XDG_CACHE_HOME", (home.path() + "/cache").toLocal8Bit());
        return true;
    }();
    (void)set;
    return home;
}

// Bytes the allocator has handed out, large blocks (mapped on their own) included.
size_t heapInUse() {
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

void writeFile(const QString& path, const QByteArray& text) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) file.write(text);
}

void BM_TimelineOverLargeKernelLog(benchmark::State& state) {
    const QString log = stateHome().path() + "/clipstead/kernel.log";
    QByteArray text;
    for (int i = 0; i < 120000; ++i)
        text += "[g" + QByteArray::number(i) + "]\n";
    writeFile(log, text);
    for (auto _ : state) {
        auto timeline = std::make_unique<ZRTimeline>(nullptr, nullptr, 0);
        benchmark::DoNotOptimize(timeline.get());
    }
    state.counters["log_bytes"] = double(QFileInfo(log).size());
}

void BM_ReadKeyValueFile(benchmark::State& state) {
    const QString path = stateHome().path() + "/kv.ini";
    const int lines = int(state.range(0));
    QByteArray text;
    text.reserve(lines * 4);
    for (int i = 0; i < lines; ++i)
        text += "k=v\n";
    writeFile(path, text);
    double perByte = 0;
    for (auto _ : state) {
        const size_t before = heapInUse();
        auto config = std::make_unique<QConfig>(path);
        perByte = double(heapInUse() - before) / double(text.size());
        state.PauseTiming();
        // Nothing changed: the destructor's write-back is not what is measured here.
        config.reset();
        state.ResumeTiming();
    }
    state.counters["heap_per_file_byte"] = perByte;
    state.SetBytesProcessed(state.iterations() * text.size());
}

// A program settings file of 1,000 cached thumbnails (lines of 19,200 characters) and their
// dates, about 19 MB: reading it is part of every start, saving it of every quit.
QString thumbnailSettings() {
    const QString path = stateHome().path() + "/thumbnails.ini";
    if (QFileInfo::exists(path)) return path;
    QByteArray hex;
    for (int i = 0; i < 60 * 40 * 4; ++i)
        hex += QByteArray::number((i * 7) & 0xff, 16).rightJustified(2, '0');
    QByteArray text = "# Config File\n[BrowserFolder::]\n";
    for (int i = 0; i < 1000; ++i)
        text += "Profile" + QByteArray::number(i + 1) + "=/media/clips/clip" +
                QByteArray::number(i) + ".avi\n";
    text += "[Thumbnails60x40]\n";
    for (int i = 0; i < 1000; ++i)
        text += "/media/clips/clip" + QByteArray::number(i) + ".avi=" + hex + "\n";
    text += "[Thumbnails60x40Timestamps]\n";
    for (int i = 0; i < 1000; ++i)
        text += "/media/clips/clip" + QByteArray::number(i) + ".avi=2023-11-14T22:13:20\n";
    writeFile(path, text);
    return path;
}

void BM_ReadThumbnailSettings(benchmark::State& state) {
    const QString path = thumbnailSettings();
    double perByte = 0;
    for (auto _ : state) {
        const size_t before = heapInUse();
        auto config = std::make_unique<QConfig>(QConfig::Flavour::Program, path);
        perByte = double(heapInUse() - before) / double(QFileInfo(path).size());
        state.PauseTiming();
        config->clearModified(true);
        config.reset();
        state.ResumeTiming();
    }
    state.counters["heap_per_file_byte"] = perByte;
    state.SetBytesProcessed(state.iterations() * QFileInfo(path).size());
}

// One changed entry, saved as the quit saves it: the file read again, the change applied, the
// whole file written.
void BM_SaveThumbnailSettings(benchmark::State& state) {
    const QString path = thumbnailSettings();
    QConfig config(QConfig::Flavour::Program, path);
    config.setGroup("General Settings");
    int n = 0;
    for (auto _ : state) {
        config.writeEntry("NewFolderCounter", ++n);
        if (!config.writeFile()) state.SkipWithError("the save failed");
    }
    state.SetBytesProcessed(state.iterations() * QFileInfo(path).size());
}

// What the GUI thread spends on an automatic save of that file after a new thumbnail: taking
// the end of the save before (without an application object the next save takes it) and
// starting this one on its thread (copying the changes); the save itself is waited for untimed.
void BM_BackgroundSaveOnTheCallersThread(benchmark::State& state) {
    const QString path = thumbnailSettings();
    QConfig config(QConfig::Flavour::Program, path);
    int n = 0;
    for (auto _ : state) {
        ++n;
        config.setGroup("Thumbnails60x40");
        config.writeEntry("/media/clips/clip" + QString::number(n % 1000) + ".avi",
                          QString(19200, QLatin1Char('a' + n % 6)));
        if (!config.saveInBackground()) state.SkipWithError("no save started");
        state.PauseTiming();
        while (config.isSaving())
            QThread::msleep(1);
        state.ResumeTiming();
    }
    config.writeFile();
}

} // namespace

BENCHMARK(BM_TimelineOverLargeKernelLog)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_ReadKeyValueFile)->Arg(1 << 20)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadThumbnailSettings)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveThumbnailSettings)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BackgroundSaveOnTheCallersThread)->Unit(benchmark::kMicrosecond);
