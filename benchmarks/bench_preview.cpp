// Preview playback of the anchor timeline (see AnchorTimeline.h) through the preview's source
// callback and the playback pipeline, at the preview's size, looped for a given time; background
// rendering paused. Prints shown and dropped frames, the largest A/V offset, sound under-runs,
// render times (p50/p99), the first frame's time and the CPU load; with the WAV output (a file
// device: no clock of its own, it takes sound as fast as it is given) also how much sound reached
// the file against the time played.
// Usage: bench_preview [seconds (600)] [null|alsa|wav (null)] [width height (360 288)]
//        [sample rate (48000)]
// benchmarks/bench_preview.sh makes the clips and runs it on two cores.
#include "benchmarks/AnchorTimeline.h"
#include "platform/playback/ZRAlsaOutput.h"
#include "platform/playback/ZRNullOutput.h"
#include "platform/playback/ZRPlaybackPipeline.h"
#include "platform/playback/ZRVideoSurface.h"
#include "platform/playback/ZRWavOutput.h"
#include "views/ZRPreviewSourceCallback.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <mutex>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

double cpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

/// The callback, with the time of every picture it renders recorded.
class TimedSource final : public IZRPreviewSourceCallback {
public:
    explicit TimedSource(IZRPreviewSourceCallback& inner) : m_inner(inner) {}

    std::vector<double> renderMs() {
        std::lock_guard lock(m_mutex);
        return m_renderMs;
    }

    ZRResult renderVideoAt(ZRMediaTime t, int64_t u, unsigned char* p, int s) override {
        return timed([&] { return m_inner.renderVideoAt(t, u, p, s); });
    }
    ZRResult renderNextVideo(int64_t u, unsigned char* p, int s, ZRMediaTime* t) override {
        return timed([&] { return m_inner.renderNextVideo(u, p, s, t); });
    }
    ZRResult seekAudio(ZRMediaTime t) override { return m_inner.seekAudio(t); }
    ZRResult renderAudio(int64_t u, unsigned char* b, int32_t* s, ZRMediaTime* t) override {
        return m_inner.renderAudio(u, b, s, t);
    }
    ZRResult getDuration(ZRMediaTime* d) override { return m_inner.getDuration(d); }
    ZRResult getFrameDuration(ZRMediaTime* d) override { return m_inner.getFrameDuration(d); }
    ZRResult updateDuration() override { return m_inner.updateDuration(); }
    ZRResult getVideoFormat(int i, ZRVideoFormatRecord* f) override {
        return m_inner.getVideoFormat(i, f);
    }
    ZRResult setVideoFormat(const ZRVideoFormatRecord* f) override {
        return m_inner.setVideoFormat(f);
    }
    ZRResult getAudioFormat(int i, ZRAudioFormatRecord* f) override {
        return m_inner.getAudioFormat(i, f);
    }
    ZRResult setAudioFormat(const ZRAudioFormatRecord* f) override {
        return m_inner.setAudioFormat(f);
    }

private:
    template <typename F> ZRResult timed(F&& render) {
        const auto start = Clock::now();
        const ZRResult r = render();
        const double ms = seconds(Clock::now() - start) * 1000.0;
        std::lock_guard lock(m_mutex);
        m_renderMs.push_back(ms);
        return r;
    }

    IZRPreviewSourceCallback& m_inner;
    std::mutex m_mutex;
    std::vector<double> m_renderMs;
};

double percentile(std::vector<double> v, double p) {
    if (v.empty()) return 0.0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, size_t(p * double(v.size())))];
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    const double runSeconds = argc > 1 ? std::atof(argv[1]) : 600.0;
    const bool alsa = argc > 2 && std::string(argv[2]) == "alsa";
    const bool wav = argc > 2 && std::string(argv[2]) == "wav";
    const int viewWidth = argc > 4 ? std::atoi(argv[3]) : 360;
    const int viewHeight = argc > 4 ? std::atoi(argv[4]) : 288;
    const int sampleRate = argc > 5 ? std::atoi(argv[5]) : 48000;

    std::string why;
    Timeline timeline = anchorTimeline(sampleRate, &why);
    if (!timeline) {
        std::fprintf(stderr, "bench_preview: %s\n", why.c_str());
        return 1;
    }
    timeline->settings()->setIntSetting("Pause Background Rendering", 1);

    auto callback = ZRPreviewSourceCallback::CreateInstance();
    callback->setTimeline(timeline.get(), false);
    callback->setRatio(int(720.0 / viewWidth + 0.5), int(576.0 / viewHeight + 0.5));
    TimedSource source(*callback);

    std::unique_ptr<ZRSoundOutput> output;
    ZRAlsaOutput* device = nullptr;
    QTemporaryDir folder;
    const QString wavPath = folder.filePath(QStringLiteral("preview.wav"));
    if (wav) {
        output = std::make_unique<ZRWavOutput>(wavPath, nullptr);
    } else if (alsa) {
        auto a = std::make_unique<ZRAlsaOutput>();
        device = a.get();
        output = std::move(a);
    } else {
        output = std::make_unique<ZRNullOutput>();
    }
    auto pipeline = std::make_unique<ZRPlaybackPipeline>(std::move(output));
    QString warning;
    if (!pipeline->setSource(&source, &warning)) {
        std::fprintf(stderr, "bench_preview: the source's formats were refused\n");
        return 1;
    }
    if (!warning.isEmpty())
        std::fprintf(stderr, "bench_preview: no sound device (%s), null output\n",
                     qPrintable(warning));
    pipeline->surface()->resize(viewWidth, viewHeight);

    const double cpuStart = cpuSeconds();
    const auto start = Clock::now();
    double firstFrame = -1.0;
    int loops = 0;
    pipeline->run();
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (firstFrame < 0 && pipeline->stats().shown > 0)
            firstFrame = seconds(Clock::now() - start);
        int code = 0;
        while (pipeline->getEvent(&code))
            if (code == ZRPlaybackPipeline::kEventComplete) {
                const ZRMediaTime zero = 0;
                pipeline->setPositions(&zero, nullptr);
                ++loops;
            }
        if (seconds(Clock::now() - start) >= runSeconds) QCoreApplication::exit(0);
    });
    poll.start(5);
    app.exec();
    const double wall = seconds(Clock::now() - start);
    const double cpu = cpuSeconds() - cpuStart;
    const ZRPlaybackStats s = pipeline->stats();
    if (device)
        std::printf("sound                ALSA \"default\", %d ms buffered\n", device->latencyMs());
    pipeline->stop();
    if (wav) {
        // The pipeline owns the output: the file is complete once the pipeline is gone.
        const ZRAudioFormat format = pipeline->audioFormat();
        pipeline.reset();
        const double bytesPerSecond = double(format.sampleRate) * format.bytesPerFrame();
        const qint64 data = std::max<qint64>(QFile(wavPath).size() - 44, 0);
        std::printf(
            "sound written        %.2f s at %d Hz to the file, %.1f %% of the time played\n",
            bytesPerSecond > 0 ? double(data) / bytesPerSecond : 0.0, format.sampleRate,
            bytesPerSecond > 0 ? 100.0 * double(data) / bytesPerSecond / wall : 0.0);
    }

    const std::vector<double> renders = source.renderMs();
    std::printf("played               %.1f s, %d loops of the anchor timeline at %d x %d\n", wall,
                loops, viewWidth, viewHeight);
    std::printf("frames               %lld shown, %lld dropped\n", (long long)s.shown,
                (long long)s.dropped);
    std::printf("largest A/V offset   %.1f ms\n", double(s.largestOffset) / 10000.0);
    std::printf("sound under-runs     %lld\n", (long long)s.underruns);
    std::printf("render               p50 %.2f ms, p99 %.2f ms (%zu frames)\n",
                percentile(renders, 0.5), percentile(renders, 0.99), renders.size());
    std::printf("first frame          %.1f ms\n", firstFrame * 1000.0);
    std::printf("CPU load             %.0f%% of one core\n", 100.0 * cpu / wall);
    return 0;
}
