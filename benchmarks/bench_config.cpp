// Configuration files that grew large. A timeline reads and writes back the log "kernel.log"
// in the state folder: creating and destroying one over a 1 MB log of 120,000 groups must take
// milliseconds, not minutes. Reading a file of short "k=v" lines reports the heap it takes per
// byte of file ("heap_per_file_byte").
#include "common/config/QConfig.h"
#include "engine/timeline/ZRTimeline.h"

#include <benchmark/benchmark.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

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
        const size_t before = mallinfo2().uordblks;
        auto config = std::make_unique<QConfig>(path);
        perByte = double(mallinfo2().uordblks - before) / double(text.size());
        state.PauseTiming();
        // Nothing changed: the destructor's write-back is not what is measured here.
        config.reset();
        state.ResumeTiming();
    }
    state.counters["heap_per_file_byte"] = perByte;
    state.SetBytesProcessed(state.iterations() * text.size());
}

} // namespace

BENCHMARK(BM_TimelineOverLargeKernelLog)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_ReadKeyValueFile)->Arg(1 << 20)->Unit(benchmark::kMillisecond);
