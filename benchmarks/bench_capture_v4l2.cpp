// Capture cards under a live load, on the simulated devices in real time:
// 1. MJPEG encoding alone: PAL 4:2:2 frames through libavcodec's MJPEG encoder, per-frame time
//    (median and p99);
// 2. the WDM capture path: PAL YUYV at 25 fps with a tone, through "Motion JPEG" into an AVI
//    file; prints frames captured, dropped (numbers the device skipped), repeated in the file,
//    and the CPU load in percent of one core;
// 3. the Kestrel 250 capture path: the MPEG device at 8 Mbit/s with its preview decoded; prints
//    the pictures the device made, the packs its reads handed out and the packs written (the same
//    number when none was lost), the pictures the preview decoded and the CPU load.
// Usage: bench_capture_v4l2 [seconds per run (600)] [output folder (a temporary one)]
// Run on two cores: taskset -c 0,1 build/default/bin/bench_capture_v4l2
#include "capture/ZRKestrelCapPath.h"
#include "capture/ZRWDMCapPath.h"
#include "platform/ffmpeg/FFmpegHandles.h"
#include "platform/graph/ZRDecoderNode.h"
#include "platform/playback/ZRNullOutput.h"
#include "platform/playback/ZRPreviewOutput.h"
#include "platform/v4l2/ZRAviCaptureSinkNode.h"
#include "platform/v4l2/ZRMvlWriterNode.h"
#include "platform/v4l2/ZRV4l2Backend.h"
#include "platform/v4l2/ZRV4l2CaptureNode.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QThread>

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double cpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

void mjpegAlone() {
    using namespace platform::ffmpeg;
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_MJPEG);
    CodecContextHandle c(avcodec_alloc_context3(codec));
    c->width = 720;
    c->height = 576;
    c->pix_fmt = AV_PIX_FMT_YUVJ422P;
    c->time_base = {1, 25};
    c->thread_count = 1;
    c->flags |= AV_CODEC_FLAG_QSCALE;
    c->global_quality = FF_QP2LAMBDA * 5;
    if (avcodec_open2(c.get(), codec, nullptr) < 0) return;
    FrameHandle f(av_frame_alloc());
    f->format = c->pix_fmt;
    f->width = 720;
    f->height = 576;
    if (av_frame_get_buffer(f.get(), 0) < 0) return;
    PacketHandle p(av_packet_alloc());
    std::vector<double> ms;
    for (int n = 0; n < 500; ++n) {
        (void)av_frame_make_writable(f.get());
        for (int y = 0; y < 576; ++y)
            for (int x = 0; x < 720; ++x)
                f->data[0][y * f->linesize[0] + x] = uint8_t((x + y + n * 8) & 0xFF);
        for (int y = 0; y < 576; ++y) {
            std::fill_n(f->data[1] + y * f->linesize[1], 360, uint8_t(128));
            std::fill_n(f->data[2] + y * f->linesize[2], 360, uint8_t(128));
        }
        f->pts = n;
        const auto t = Clock::now();
        if (avcodec_send_frame(c.get(), f.get()) < 0) return;
        while (avcodec_receive_packet(c.get(), p.get()) == 0)
            av_packet_unref(p.get());
        ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t).count());
    }
    std::sort(ms.begin(), ms.end());
    std::printf(
        "MJPEG encoding alone, PAL 4:2:2, 500 frames: median %.2f ms, p99 %.2f ms a frame\n",
        ms[ms.size() / 2], ms[ms.size() * 99 / 100]);
}

void waitSeconds(double seconds) {
    const auto end = Clock::now() + std::chrono::duration<double>(seconds);
    while (Clock::now() < end) {
        QCoreApplication::processEvents();
        QThread::msleep(20);
    }
}

void wdmRun(const std::shared_ptr<zrv4l2::ZRSimulatedBackend>& backend, double seconds,
            const QString& folder) {
    ZRGraphBase base;
    base.buildGraph();
    ZRWDMCapPath path(&base);
    path.setDeviceName("bench:tv");
    path.setAudioDeviceName("bench sound");
    path.setVideoEncoderName("Motion JPEG");
    path.setOutputFile(folder + "/bench-wdm.mpg");
    std::vector<long> w(17, 0);
    w[2] = 2;
    path.setCaptureSettings(w.data(), 17);
    if (!zrGraphSucceeded(path.connectInternal()) || !path.videoSize(720, 576) ||
        !zrGraphSucceeded(path.stream(1, 1))) {
        std::printf("WDM path: the capture does not start\n");
        return;
    }
    const double cpu0 = cpuSeconds();
    const auto t0 = Clock::now();
    waitSeconds(seconds);
    const double wall = std::chrono::duration<double>(Clock::now() - t0).count();
    const double cpu = cpuSeconds() - cpu0;
    auto* node = path.deviceNode();
    auto* sink = dynamic_cast<ZRAviCaptureSinkNode*>(base.node(path.aviWriter()));
    const int64_t captured = node ? node->framesNotDropped() : 0;
    const int64_t dropped = node ? node->framesDropped() : 0;
    (void)base.setGraphState(0);
    std::printf("WDM path, PAL YUYV 25 fps -> Motion JPEG -> AVI, %.0f s: %lld frames captured, "
                "%lld dropped, %lld written, %lld repeated; CPU %.1f %% of one core\n",
                wall, (long long)captured, (long long)dropped,
                (long long)(sink ? sink->framesWritten() : 0),
                (long long)(sink ? sink->framesRepeated() : 0), 100.0 * cpu / wall);
    (void)backend;
}

void kestrelRun(const std::shared_ptr<zrv4l2::SimDevice>& device, double seconds,
                const QString& folder) {
    ZRGraphBase base;
    base.buildGraph();
    ZRKestrel250CapPath path(&base);
    path.setDeviceName("bench:mpeg");
    path.setOutputFile(folder + "/bench-mpeg.mpg");
    path.setSplitLimit(0);
    std::vector<long> w = {3,       2, 2, 12,     3,     720, 576, 8000000, 8000000,
                           8000000, 0, 5, 256000, 48000, 2,   16,  3};
    path.ZRFilterPathBase::setCaptureSettings(w.data(), 17);
    if (!zrGraphSucceeded(path.connectInternal()) || base.setGraphState(2) != kZRGraphOk ||
        !zrGraphSucceeded(path.stream(1, 1))) {
        std::printf("Kestrel 250 path: the capture does not start\n");
        return;
    }
    const double cpu0 = cpuSeconds();
    const auto t0 = Clock::now();
    waitSeconds(seconds);
    const double wall = std::chrono::duration<double>(Clock::now() - t0).count();
    const double cpu = cpuSeconds() - cpu0;
    auto* decoder = dynamic_cast<ZRDecoderNode*>(base.node(path.videoDecoder()));
    const int64_t decoded = decoder ? decoder->decoded() : 0;
    (void)base.setGraphState(0);
    auto* writer = dynamic_cast<ZRMvlWriterNode*>(base.node(path.writer()));
    std::printf(
        "Kestrel 250 path, MPEG-2 8 Mbit/s with preview, %.0f s: %lld pictures and %lld packs "
        "read, %lld packs written, %lld pictures decoded; CPU %.1f %% of one core\n",
        wall, (long long)device->framesMade(), (long long)device->packsMade(),
        (long long)(writer ? writer->packsWritten() : 0), (long long)decoded, 100.0 * cpu / wall);
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const double seconds = argc > 1 ? std::atof(argv[1]) : 600.0;
    QTemporaryDir temporary;
    const QString folder = argc > 2 ? QString::fromLocal8Bit(argv[2]) : temporary.path();
    zrSetPreviewOutputFactory([] { return std::make_unique<ZRNullOutput>(); });
    auto backend = std::make_shared<zrv4l2::ZRSimulatedBackend>();
    ZRDeviceRegistry::instance().add(backend);
    zrv4l2::SimConfig card = zrv4l2::SimConfig::captureCard("Bench TV Card");
    card.speed = 25;
    backend->addCard("bench:tv", card);
    backend->addSound("bench sound", 1.0);
    zrv4l2::SimConfig mpeg = zrv4l2::SimConfig::mpegEncoder("Bench MPEG Encoder");
    mpeg.speed = 25;
    auto device = backend->addCard("bench:mpeg", mpeg);

    mjpegAlone();
    wdmRun(backend, seconds, folder);
    kestrelRun(device, seconds, folder);
    ZRDeviceRegistry::instance().remove(backend.get());
    return 0;
}
