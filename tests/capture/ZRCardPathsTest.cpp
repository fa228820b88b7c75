#include "capture/ZRCirrusDVRCapPath.h"
#include "capture/ZRDeviceInfo.h"
#include "capture/ZRKestrelCapPath.h"
#include "capture/ZROutsideFilters.h"
#include "capture/ZRPlaybackPaths.h"
#include "capture/ZRWDMCapPath.h"
#include "platform/ffmpeg/FFmpegHandles.h"
#include "platform/graph/ZRDecoderNode.h"
#include "platform/segments/MpegJoiner.h"
#include "platform/segments/ZRMpegSegmentWriter.h"
#include "platform/segments/ZRSegmentList.h"
#include "platform/v4l2/ZRAviCaptureSinkNode.h"
#include "platform/v4l2/ZRCldvrSplitterNode.h"
#include "platform/v4l2/ZRLpcmRemuxNodes.h"
#include "platform/v4l2/ZRMvlWriterNode.h"
#include "platform/v4l2/ZRSimMpegEncoder.h"
#include "platform/v4l2/ZRV4l2CaptureNode.h"
#include "platform/v4l2/ZRV4l2OutputNode.h"
#include "tests/capture/CardTestSupport.h"
#include "tests/plugins/export/FFprobe.h"
#include "tests/support/GuiApplication.h"

#include <QDir>
#include <QElapsedTimer>
#include <QPointer>
#include <QTemporaryDir>
#include <QThread>

extern "C" {
#include <libavformat/avformat.h>
}

#include <fstream>
#include <functional>
#include <map>
#include <set>

#include <gtest/gtest.h>

using cardtest::SimulatedCards;
using zrv4l2::SimConfig;
using zrv4l2::SimDevice;

namespace {

template <class Path> struct CardFixture {
    CardFixture() {
        testsupport::guiApplication();
        base.buildGraph();
        path = new Path(&base);
    }
    ~CardFixture() { delete path.data(); }
    ZRGraphBase base;
    QPointer<Path> path;
};

std::vector<long> pal(long format = 0) {
    std::vector<long> w(17, 0);
    w[0] = format;
    w[2] = 2;
    return w;
}

// Waits, letting queued events through, until `done` or `ms` passed.
template <class Fn> bool waitFor(Fn done, int ms) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > ms) return false;
        QThread::msleep(5);
    }
    return true;
}

std::vector<uint8_t> fileHead(const std::string& path, size_t n) {
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> b(n);
    in.read(reinterpret_cast<char*>(b.data()), std::streamsize(n));
    b.resize(size_t(in.gcount()));
    return b;
}

int64_t fileSize(const std::string& path) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    return in ? int64_t(in.tellg()) : -1;
}

bool startsWithPack(const std::string& path) {
    const auto b = fileHead(path, 4);
    return b.size() == 4 && b[0] == 0 && b[1] == 0 && b[2] == 1 && b[3] == 0xBA;
}

// The events queued so far, as (code, first parameter).
std::vector<std::pair<long, intptr_t>> events(ZRGraphBase& base) {
    std::vector<std::pair<long, intptr_t>> list;
    long code = 0;
    intptr_t p1 = 0, p2 = 0;
    while (base.getEvent(&code, &p1, &p2, 0))
        list.emplace_back(code, p1);
    return list;
}

} // namespace

TEST(CardDevices, ClassifiedByNameAndFormats) {
    SimulatedCards cards;
    cards.backend->addCard("simcls:a", SimConfig::mpegEncoder("Hauppage Encoder"));
    cards.backend->addCard("simcls:b", SimConfig::captureCard("Sony Capture Card"));
    cards.backend->addCard("simcls:c", SimConfig::mpegEncoder("Kestrel Studio 200"));
    cards.backend->addCard("simcls:d", SimConfig::captureCard("Plain TV Card"));
    struct Row {
        const char* displayName;
        int32_t family, model;
    };
    const Row rows[] = {{"simcls:a", 4, 0x10},
                        {"simcls:b", 1, 1}, // a camcorder name does not make a card a camcorder
                        {"simcls:c", 4, 0x40},
                        {"simcls:d", 1, 1}};
    const auto list = gGetVidCapDevInfoList(-1, -1);
    for (const Row& r : rows) {
        const auto it = std::find_if(list.begin(), list.end(), [&](const auto& rec) {
            return rec->displayName == QLatin1String(r.displayName);
        });
        ASSERT_NE(it, list.end()) << r.displayName;
        EXPECT_EQ((*it)->familyMask, r.family) << r.displayName;
        EXPECT_EQ((*it)->modelMask, r.model) << r.displayName;
        EXPECT_EQ((*it)->devicePath, "platform:sim-0");
        EXPECT_FALSE((*it)->description.isEmpty());
    }
}

TEST(WDMCapPath, InputsOfSeveralAndOfOneInputCards) {
    SimulatedCards cards;
    SimConfig one = SimConfig::captureCard("One Input Card");
    one.inputs.resize(1);
    cards.backend->addCard("simwdm:three", SimConfig::captureCard("Three Input Card"));
    cards.backend->addCard("simwdm:one", one);
    struct Row {
        const char* device;
        QStringList inputs;
    };
    const Row rows[] = {{"simwdm:three", {"Tuner", "Composite", "S-Video"}},
                        {"simwdm:one", {"Composite", "SVideo"}}};
    for (const Row& r : rows) {
        CardFixture<ZRWDMCapPath> f;
        f.path->setDeviceName(QString::fromLatin1(r.device));
        const auto w = pal();
        f.path->setCaptureSettings(w.data(), 17);
        ASSERT_TRUE(zrGraphSucceeded(f.path->connectInternal())) << r.device;
        ZRAVProp prop;
        ASSERT_TRUE(f.path->getAVProp(zravprop::kInput, &prop));
        EXPECT_EQ(prop.names, r.inputs) << r.device;
        EXPECT_EQ(prop.high, r.inputs.size());
    }
    // Routing reaches the card; it is refused while capturing.
    CardFixture<ZRWDMCapPath> f;
    f.path->setDeviceName("simwdm:three");
    ASSERT_TRUE(zrGraphSucceeded(f.path->connectInternal()));
    EXPECT_TRUE(f.path->setAVProp(zravprop::kInput, 2));
    EXPECT_EQ(cards.backend->card("simwdm:three")->currentInput(), 2u);
    ZRAVProp prop;
    ASSERT_TRUE(f.path->getAVProp(zravprop::kInput, &prop));
    EXPECT_EQ(prop.value, 2);
    EXPECT_FALSE(f.path->getAVProp(6, &prop));
    EXPECT_FALSE(f.path->setAVProp(10, 1)); // volume: read false, write nothing
}

TEST(WDMCapPath, SettingsSizesFormatsAndTuner) {
    CardFixture<ZRWDMCapPath> f;
    auto w = pal();
    w[2] = 1;
    f.path->setCaptureSettings(w.data(), 17);
    EXPECT_EQ(f.path->captureSetting(5), 352);
    EXPECT_EQ(f.path->captureSetting(6), 240);
    EXPECT_EQ(f.path->captureSetting(13), 44100);
    EXPECT_EQ(f.path->captureSetting(16), 2);
    w[2] = 2;
    f.path->setCaptureSettings(w.data(), 17);
    EXPECT_EQ(f.path->captureSetting(6), 288);
    EXPECT_EQ(ZRWDMCapPath::frameDuration(25.0), 400000);
    EXPECT_EQ(ZRWDMCapPath::frameDuration(29.97), 333667);
    EXPECT_EQ(ZRWDMCapPath::frameDuration(30.0), 333333);
    EXPECT_EQ(ZRWDMCapPath::frameDuration(12.5), 800000);

    SimulatedCards cards;
    SimConfig config = SimConfig::captureCard("TV Card");
    config.adjustWidth[720] = 704;
    config.speed = 200;
    auto device = cards.backend->addCard("simwdm:tv", config);
    cards.backend->addSound("simwdm sound", 8.0);
    f.path->setDeviceName("simwdm:tv");
    f.path->setAudioDeviceName("simwdm sound");
    ASSERT_TRUE(zrGraphSucceeded(f.path->connectInternal()));
    // The sizes of the PAL family, largest first; a driver answering 704 for 720 is believed.
    ASSERT_FALSE(f.path->videoSizes().empty());
    EXPECT_EQ(f.path->videoSizes().front(), (ZRVideoResolution{720, 576}));
    EXPECT_EQ(device->format().width, 704u);
    EXPECT_TRUE(f.path->videoSize(352, 288));
    EXPECT_EQ(device->format().width, 352u);
    EXPECT_EQ(f.path->audioFormats().front(), (ZRAudioResolution{48000, 2, 16}));

    // Code 9: the formats of the PAL family by name.
    ZRAVProp formats;
    ASSERT_TRUE(f.path->getAVProp(zravprop::kTVFormat, &formats));
    EXPECT_TRUE(formats.names.contains("PAL I"));
    EXPECT_FALSE(formats.names.contains("NTSC M"));
    EXPECT_TRUE(f.path->setAVPropName(zravprop::kTVFormat, "PAL I"));
    EXPECT_EQ(device->currentStandard(), V4L2_STD_PAL_I);
    EXPECT_FALSE(f.path->setAVPropName(zravprop::kTVFormat, "PAL Q"));

    // The tuner's channel, input and sound mode chosen in preview survive the capture start.
    ZRAVProp tuner;
    EXPECT_TRUE(f.path->getAVProp(zravprop::kTVTuner, &tuner));
    int dialogs = 0;
    QObject::connect(f.path, &ZRWDMCapPath::propertyDialogRequested, [&](int) { ++dialogs; });
    EXPECT_TRUE(f.path->setAVProp(zravprop::kTVAudio, 0));
    EXPECT_EQ(dialogs, 1);
    f.path->deviceNode()->setFrequency(543 * 16);
    f.path->deviceNode()->setAudioMode(V4L2_TUNER_MODE_LANG2);
    ASSERT_TRUE(f.path->setAVProp(zravprop::kInput, 0));
    QTemporaryDir dir;
    f.path->setOutputFile(dir.filePath("tv.mpg"));
    ASSERT_TRUE(zrGraphSucceeded(f.path->stream(1, 1)));
    EXPECT_EQ(device->frequency(), 543u * 16);
    EXPECT_EQ(device->audioMode(), uint32_t(V4L2_TUNER_MODE_LANG2));
    EXPECT_EQ(device->currentInput(), 0u);
    EXPECT_EQ(device->currentStandard(), V4L2_STD_PAL_I);
    EXPECT_FALSE(f.path->setAVProp(zravprop::kInput, 1));
    EXPECT_FALSE(f.path->setAVProp(zravprop::kTVTuner, 0));
    EXPECT_EQ(f.path->captureFileName(), dir.filePath("tv.avi"));
    (void)f.base.setGraphState(0);
}

TEST(WDMCapPath, CapturesPalWithSoundIntoAvi) {
    struct Row {
        const char* compressor;
        const char* codec;
        std::set<int64_t> gaps;
    };
    const Row rows[] = {{"Motion JPEG", "mjpeg", {}},
                        {"", "rawvideo", {}},
                        {"No Such Codec", "rawvideo", {10, 11, 25}}};
    for (const Row& r : rows) {
        SimulatedCards cards;
        SimConfig config = SimConfig::captureCard("TV Card");
        config.speed = 25; // real time: the preview's sound output plays in real time
        auto device = cards.backend->addCard("simavi:tv", config);
        device->skipFrames(r.gaps);
        cards.backend->addSound("simavi sound", 1.0);
        CardFixture<ZRWDMCapPath> f;
        QTemporaryDir dir;
        f.path->setDeviceName("simavi:tv");
        f.path->setAudioDeviceName("simavi sound");
        f.path->setVideoEncoderName(QString::fromLatin1(r.compressor));
        f.path->setOutputFile(dir.filePath("capture.mpg"));
        const auto w = pal();
        f.path->setCaptureSettings(w.data(), 17);
        ASSERT_TRUE(zrGraphSucceeded(f.path->connectInternal()));
        ASSERT_TRUE(f.path->videoSize(720, 576));
        ASSERT_TRUE(zrGraphSucceeded(f.path->stream(1, 1)));
        auto* node = f.path->deviceNode();
        ASSERT_TRUE(node);
        ASSERT_TRUE(waitFor([&] { return node->framesNotDropped() >= 40; }, 10000));
        auto* sink = dynamic_cast<ZRAviCaptureSinkNode*>(f.base.node(f.path->aviWriter()));
        ASSERT_TRUE(sink);
        ASSERT_EQ(f.base.setGraphState(0), kZRGraphOk);
        // Every frame the card skipped is repeated in the file (those before the sound began
        // are not in it).
        EXPECT_GE(node->framesDropped(), int64_t(r.gaps.size())) << r.compressor;
        EXPECT_LE(sink->framesRepeated(), node->framesDropped()) << r.compressor;

        const auto avi = cardtest::readAvi(dir.filePath("capture.avi").toStdString());
        EXPECT_EQ(avi.videoCodec, r.codec);
        ASSERT_GE(avi.frameNumbers.size(), 30u) << r.compressor;
        // In order, each skipped number standing in for by the frame before it.
        // The file starts with the sound; from its first frame on the numbers run in order,
        // each one skipped (injected, or lost on a loaded machine) standing in for by the frame
        // before it.
        int64_t repeats = 0;
        for (size_t i = 1; i < avi.frameNumbers.size(); ++i) {
            const int64_t before = avi.frameNumbers[i - 1], now = avi.frameNumbers[i];
            EXPECT_GE(now, before) << r.compressor << " frame " << i;
            if (now == before) ++repeats;
        }
        EXPECT_GE(repeats, int64_t(r.gaps.size())) << r.compressor;
        EXPECT_LE(repeats, node->framesDropped()) << r.compressor;
        if (node->framesDropped() == int64_t(r.gaps.size())) {
            // Nothing lost besides the injected gaps: every frame's place is filled.
            EXPECT_EQ(avi.frameNumbers.back() - avi.frameNumbers.front() + 1,
                      int64_t(avi.frameNumbers.size()))
                << r.compressor;
        }
        // The sound keeps step with the pictures: within a frame and a sound block at the end,
        // plus the frames a slow build (the sanitizers, a loaded machine) still has queued when
        // the stop comes while the sound's last block is in: a few frames, never a drift.
        EXPECT_NEAR(avi.audioSeconds, avi.videoSeconds, 0.04 + 0.04 + 0.2) << r.compressor;
    }
}

// Without a sound device the AVI holds the pictures alone, no empty sound stream.
TEST(WDMCapPath, CapturesVideoOnlyWithoutASoundDevice) {
    SimulatedCards cards;
    SimConfig config = SimConfig::captureCard("TV Card");
    config.speed = 25;
    cards.backend->addCard("simavi:mute", config);
    CardFixture<ZRWDMCapPath> f;
    QTemporaryDir dir;
    f.path->setDeviceName("simavi:mute");
    f.path->setOutputFile(dir.filePath("capture.mpg"));
    const auto w = pal();
    f.path->setCaptureSettings(w.data(), 17);
    ASSERT_TRUE(zrGraphSucceeded(f.path->connectInternal()));
    ASSERT_TRUE(zrGraphSucceeded(f.path->stream(1, 1)));
    auto* node = f.path->deviceNode();
    ASSERT_TRUE(node);
    ASSERT_TRUE(waitFor([&] { return node->framesNotDropped() >= 20; }, 10000));
    ASSERT_EQ(f.base.setGraphState(0), kZRGraphOk);
    const auto avi = cardtest::readAvi(dir.filePath("capture.avi").toStdString());
    EXPECT_GE(avi.frameNumbers.size(), 10u);
    EXPECT_EQ(avi.audioStreams, 0);
}

TEST(KestrelCapPath, SettingsByModelAndFormat) {
    struct Row {
        ZRKestrelCapPath::Model model;
        long format, standard;
        long version, width, height, gop, rate7, rate8, rate9, variable, audioRate, audioBits;
    };
    using M = ZRKestrelCapPath::Model;
    const Row rows[] = {
        {M::Kestrel200, 1, 1, 1, 352, 240, 18, 1150000, 1150000, 1150000, 0, 48000, 16},
        {M::Kestrel200, 2, 2, 2, 480, 576, 15, 2375000, 2376000, 2420000, 1, 48000, 16},
        {M::Kestrel200, 3, 2, 2, 720, 576, 12, 6000000, 4200000, 8000000, 1, 48000, 16},
        {M::Kestrel250, 1, 2, 1, 352, 288, 12, 1150000, 1150000, 1150000, 0, 44100, 16},
        {M::Kestrel250, 2, 1, 2, 480, 480, 15, 2375000, 2376000, 2420000, 1, 44100, 16},
        {M::Kestrel250, 4, 2, 2, 720, 576, 12, 6000000, 4200000, 8000000, 1, 48000, 16},
    };
    testsupport::guiApplication();
    ZRGraphBase base;
    for (const Row& r : rows) {
        ZRKestrelCapPath path(&base, r.model);
        auto w = pal(r.format);
        w[2] = r.standard;
        path.setCaptureSettings(w.data(), 17);
        const long got[] = {path.captureSetting(1),  path.captureSetting(5),
                            path.captureSetting(6),  path.captureSetting(3),
                            path.captureSetting(7),  path.captureSetting(8),
                            path.captureSetting(9),  path.captureSetting(10),
                            path.captureSetting(13), path.captureSetting(15)};
        const long want[] = {r.version, r.width, r.height,   r.gop,       r.rate7,
                             r.rate8,   r.rate9, r.variable, r.audioRate, r.audioBits};
        for (int i = 0; i < 10; ++i)
            EXPECT_EQ(got[i], want[i]) << r.format << " field " << i;
        EXPECT_EQ(path.captureSetting(16), 3);
        EXPECT_EQ(path.captureSetting(4), 3);
    }
    // Variable mode's average for a peak; the split limit's default and floor.
    const uint32_t averages[][2] = {{6000000, 4200000}, {2420000, 2376000}, {8000000, 6000000}};
    for (const auto& a : averages)
        EXPECT_EQ(ZRKestrelCapPath::averageForPeak(a[0]), a[1]);
    ZRKestrel250CapPath path(&base);
    path.setSplitLimit(0);
    EXPECT_EQ(path.splitLimit(), 4000000);
    path.setSplitLimit(100);
    EXPECT_EQ(path.splitLimit(), 150);
}

TEST(KestrelCapPath, EncoderReceivesTheSettingsInOrder) {
    SimulatedCards cards;
    auto device = cards.backend->addCard("simk:250", SimConfig::mpegEncoder("Kestrel Studio 250"));
    CardFixture<ZRKestrel250CapPath> f;
    f.path->setDeviceName("simk:250");
    auto w = pal(3);
    // Stored as given (the settings operation would fix the GOP): a GOP of 30 goes out as 20.
    w[1] = 2;
    w[3] = 30;
    w[4] = 5;
    w[5] = 720;
    w[6] = 576;
    w[9] = 6000000;
    w[10] = 1;
    w[13] = 48000;
    f.path->ZRFilterPathBase::setCaptureSettings(w.data(), 17);
    ASSERT_TRUE(zrGraphSucceeded(f.path->connectInternal()));
    using L = std::vector<std::pair<uint32_t, int32_t>>;
    EXPECT_EQ(device->controlsReceived(),
              (L{{V4L2_CID_MPEG_STREAM_TYPE, V4L2_MPEG_STREAM_TYPE_MPEG2_DVD},
                 {V4L2_CID_MPEG_VIDEO_ENCODING, V4L2_MPEG_VIDEO_ENCODING_MPEG_2},
                 {V4L2_CID_MPEG_VIDEO_GOP_SIZE, 20},
                 {V4L2_CID_MPEG_VIDEO_B_FRAMES, 2},
                 {V4L2_CID_MPEG_VIDEO_BITRATE_MODE, V4L2_MPEG_VIDEO_BITRATE_MODE_VBR},
                 {V4L2_CID_MPEG_VIDEO_BITRATE, 4200000},
                 {V4L2_CID_MPEG_VIDEO_BITRATE_PEAK, 6000000},
                 {V4L2_CID_MPEG_AUDIO_L2_BITRATE, 11},
                 {V4L2_CID_MPEG_AUDIO_SAMPLING_FREQ, 1}}));
    EXPECT_EQ(f.path->traces().front(), "connectInternal: VideoRange.ulMinimumBitrate=1000000");
    EXPECT_EQ(device->format().width, 720u);

    // Code 6 reads the range and the peak; code 7 the Kestrel 250's inputs.
    ZRAVProp rate;
    ASSERT_TRUE(f.path->getAVProp(zravprop::kBitRate, &rate));
    EXPECT_EQ(rate.low, 1000000);
    EXPECT_EQ(rate.high, 9800000);
    EXPECT_EQ(rate.value, 6000000);
    ZRAVProp inputs;
    ASSERT_TRUE(f.path->getAVProp(zravprop::kInput, &inputs));
    EXPECT_EQ(inputs.names, (QStringList{"Composite", "SVideo", "1394"}));
    EXPECT_TRUE(f.path->setAVProp(zravprop::kInput, 1));
    EXPECT_EQ(device->currentInput(), 1u);
    ASSERT_TRUE(zrGraphSucceeded(f.path->stream(1, 1)));
    EXPECT_FALSE(f.path->setAVProp(zravprop::kInput, 2)); // refused while capturing
    EXPECT_EQ(device->currentInput(), 1u);
    (void)f.base.setGraphState(0);
}

TEST(KestrelCapPath, ConstantRateCappedAndProgramStreamRequired) {
    // Constant mode: a Kestrel 250 (model 0x10) takes no more than 6 Mbit/s.
    zrv4l2::EncoderVideoRange range{1000000, 9800000, 6000000};
    auto w = pal(3);
    w[7] = 9000000;
    w[10] = 0;
    w[5] = 720;
    w[6] = 576;
    const auto s = ZRKestrelCapPath::encoderSettings(w.data(), ZRKestrelCapPath::Model::Kestrel250,
                                                     0x10, range, {});
    EXPECT_EQ(s.bitRate, 6000000u);
    EXPECT_EQ(s.peakBitRate, 6000000u);
    const auto other = ZRKestrelCapPath::encoderSettings(
        w.data(), ZRKestrelCapPath::Model::Kestrel250, 1, range, {});
    EXPECT_EQ(other.bitRate, 9000000u);

    // A device that offers no DVD program stream fails the build.
    SimulatedCards cards;
    SimConfig config = SimConfig::mpegEncoder("Transport Only Encoder");
    for (auto& c : config.controls)
        if (c.id == V4L2_CID_MPEG_STREAM_TYPE) c.menu.resize(2); // program and transport only
    cards.backend->addCard("simk:ts", config);
    CardFixture<ZRKestrel250CapPath> f;
    f.path->setDeviceName("simk:ts");
    const auto dvd = pal(3);
    f.path->setCaptureSettings(dvd.data(), 17);
    EXPECT_EQ(f.path->connectInternal(), kZRGraphTypeNotAccepted);
}

TEST(KestrelCapPath, CapturesSegmentsThatJoinWithoutAGap) {
    SimulatedCards cards;
    auto device = cards.backend->addCard("simk:cap", SimConfig::mpegEncoder("Kestrel Studio 250"));
    CardFixture<ZRKestrel250CapPath> f;
    QTemporaryDir dir;
    f.path->setDeviceName("simk:cap");
    f.path->setOutputFile(dir.filePath("take.avi"));
    f.path->setSplitLimit(2000);
    auto w = pal(3);
    f.path->setCaptureSettings(w.data(), 17);
    // A constant 6 Mbit/s (the settings operation would make a DVD variable).
    w = {3, 2, 2, 12, 3, 720, 576, 6000000, 6000000, 6000000, 0, 5, 256000, 48000, 2, 16, 3};
    f.path->ZRFilterPathBase::setCaptureSettings(w.data(), 17);
    ASSERT_TRUE(zrGraphSucceeded(f.path->connectInternal()));
    ASSERT_TRUE(f.path->intelliActive());
    ASSERT_EQ(f.base.setGraphState(2), kZRGraphOk);
    ASSERT_TRUE(zrGraphSucceeded(f.path->stream(1, 1)));
    // 30 seconds of pictures (made in about 30 s alone under the thread sanitizer; the wait
    // leaves room for a machine busy with other work).
    ASSERT_TRUE(waitFor([&] { return device->framesMade() >= 750; }, 180000));
    ASSERT_EQ(f.base.setGraphState(0), kZRGraphOk);
    auto* writer = dynamic_cast<ZRMvlWriterNode*>(f.base.node(f.path->writer()));
    ASSERT_TRUE(writer);
    const auto files = writer->segmentFiles();
    ASSERT_GE(files.size(), 8u); // about 22 MB in pieces of 2000 kB
    for (const std::string& file : files) {
        EXPECT_TRUE(startsWithPack(file)) << file;
        EXPECT_LE(fileSize(file), 2000 * 1024);
        EXPECT_EQ(fileSize(file) % 2048, 0) << file;
    }
    const std::string list = dir.filePath("take.mvl").toStdString();
    ASSERT_TRUE(segments::MpegSegmentList(list));
    std::string error;
    const auto joined = segments::ZRSegmentList::read(list, &error);
    ASSERT_TRUE(joined) << error;
    const auto positions = cardtest::barPositions(joined->readableSegments());
    ASSERT_GE(positions.size(), 700u);
    for (size_t i = 1; i < positions.size(); ++i) {
        const int step = ((positions[i] - positions[i - 1]) % 704 + 704) % 704;
        ASSERT_NEAR(step, 8, 2) << "picture " << i << " of " << positions.size();
    }
}

// A capture of the encoder in real time holds the recorded time in pictures and in sound, and
// decodes cleanly: the device encodes as time passes, not ahead of it, and what it encoded
// before the stop reaches the file.
TEST(KestrelCapPath, CaptureHoldsTheRecordedTimeInPicturesAndSound) {
    SimulatedCards cards;
    SimConfig config = SimConfig::mpegEncoder("Kestrel Studio 250");
    config.speed = 25;
    auto device = cards.backend->addCard("simk:timed", config);
    CardFixture<ZRKestrel250CapPath> f;
    QTemporaryDir dir;
    f.path->setDeviceName("simk:timed");
    f.path->setOutputFile(dir.filePath("timed.mvl"));
    f.path->setSplitLimit(150); // a VCD stream fills a segment about once a second
    auto w = pal(1);
    f.path->setCaptureSettings(w.data(), 17);
    ASSERT_TRUE(zrGraphSucceeded(f.path->connectInternal()));
    ASSERT_EQ(f.base.setGraphState(2), kZRGraphOk);
    ASSERT_TRUE(waitFor([&] { return device->framesMade() >= 10; }, 10000));
    QElapsedTimer recording;
    recording.start();
    ASSERT_TRUE(zrGraphSucceeded(f.path->stream(1, 1)));
    QThread::msleep(4000);
    ASSERT_EQ(f.base.setGraphState(0), kZRGraphOk);
    const double seconds = recording.elapsed() / 1000.0;
    auto* writer = dynamic_cast<ZRMvlWriterNode*>(f.base.node(f.path->writer()));
    ASSERT_TRUE(writer);
    ASSERT_GE(writer->segmentFiles().size(), 3u);
    auto joinedInOne = [&](const std::vector<std::string>& files, const char* name) {
        const std::string whole = dir.filePath(QLatin1String(name)).toStdString();
        std::ofstream out(whole, std::ios::binary);
        for (const std::string& file : files) {
            std::ifstream in(file, std::ios::binary);
            out << in.rdbuf();
        }
        return whole;
    };
    const std::string whole = joinedInOne(writer->segmentFiles(), "whole.mpg");
    const ffprobe::Decoded d = ffprobe::decoded(whole);
    const double pictures = double(d.pictures) / 25.0;
    const double frame = 0.04, soundBlock = 1152.0 / 44100;
    // Against each other: both timed by the device. Against the time between the two calls:
    // the graph's restart and stop take some of it, more on a loaded machine.
    EXPECT_NEAR(d.soundSeconds(), pictures, frame + soundBlock);
    EXPECT_NEAR(pictures, seconds, frame + 0.15);
    EXPECT_NEAR(d.soundSeconds(), seconds, soundBlock + 0.15);
    EXPECT_EQ(ffprobe::decodeErrors(whole), "");

    // Joined, the segments lose no more than the unfinished group at the end.
    const std::string list = dir.filePath("timed.mvl").toStdString();
    ASSERT_TRUE(segments::MpegSegmentList(list));
    std::string error;
    const auto joined = segments::ZRSegmentList::read(list, &error);
    ASSERT_TRUE(joined) << error;
    const std::string joinedWhole = joinedInOne(joined->readableSegments(), "joined.mpg");
    EXPECT_GE(ffprobe::decoded(joinedWhole).pictures, d.pictures - 15);
    EXPECT_EQ(ffprobe::decodeErrors(joinedWhole), "");
}

TEST(KestrelCapPath, LostDeviceAndFailedWriteKeepWholeFiles) {
    struct Row {
        const char* what;
        bool lostDevice;
        long event;
    };
    const Row rows[] = {{"device gone", true, kZREventDeviceLost},
                        {"disk full", false, kZREventErrorAbort}};
    for (const Row& r : rows) {
        SimulatedCards cards;
        auto device =
            cards.backend->addCard("simk:fail", SimConfig::mpegEncoder("Kestrel Studio 250"));
        CardFixture<ZRKestrel250CapPath> f;
        QTemporaryDir dir;
        f.path->setDeviceName("simk:fail");
        f.path->setOutputFile(dir.filePath("fail.mpg"));
        f.path->setSplitLimit(300);
        const auto w = pal(3);
        f.path->setCaptureSettings(w.data(), 17);
        ASSERT_TRUE(zrGraphSucceeded(f.path->connectInternal()));
        auto* writer = dynamic_cast<ZRMvlWriterNode*>(f.base.node(f.path->writer()));
        ASSERT_TRUE(writer);
        if (r.lostDevice) {
            device->failAfter(8, -ENODEV);
        } else {
            auto room = std::make_shared<size_t>(200 * 1024 + 77);
            writer->setWriteFunction([room](int fd, const void* data, size_t size) -> ssize_t {
                if (*room == 0) {
                    errno = ENOSPC;
                    return -1;
                }
                const size_t n = std::min(*room, size);
                *room -= n;
                return ::write(fd, data, n);
            });
        }
        ASSERT_EQ(f.base.setGraphState(2), kZRGraphOk);
        ASSERT_TRUE(zrGraphSucceeded(f.path->stream(1, 1)));
        std::vector<std::pair<long, intptr_t>> got;
        ASSERT_TRUE(waitFor(
            [&] {
                for (const auto& e : events(f.base))
                    got.push_back(e);
                return std::any_of(got.begin(), got.end(),
                                   [&](const auto& e) { return e.first == r.event; });
            },
            30000))
            << r.what;
        const auto event = *std::find_if(got.begin(), got.end(),
                                         [&](const auto& e) { return e.first == r.event; });
        if (r.lostDevice) {
            EXPECT_EQ(event.second, intptr_t(f.path->captureDevice()))
                << "the event names its node";
        }
        ASSERT_EQ(f.base.setGraphState(0), kZRGraphOk);
        const auto files = writer->segmentFiles();
        ASSERT_FALSE(files.empty()) << r.what;
        for (const std::string& file : files) {
            EXPECT_TRUE(startsWithPack(file)) << file;
            EXPECT_EQ(fileSize(file) % 2048, 0) << file;
        }
        std::string error;
        EXPECT_TRUE(segments::ZRSegmentList::read(dir.filePath("fail.mvl").toStdString(), &error) ||
                    files.size() == 1)
            << error;
        EXPECT_FALSE(cardtest::barPositions(files).empty()) << r.what;
    }
}

TEST(CirrusDVRCapPath, BoardAndSplitterReceiveTheSetUp) {
    using L = std::vector<std::pair<uint32_t, int32_t>>;
    using M = std::vector<std::pair<int, int32_t>>;
    struct Row {
        long format;
        int32_t rate;
        int32_t streamType;
        M passed;
        int32_t splitter7;
    };
    const Row rows[] = {
        {1,
         1150000,
         V4L2_MPEG_STREAM_TYPE_MPEG1_VCD,
         {{54, 0},
          {35, 0},
          {37, 0},
          {34, 0},
          {26, 2},
          {28, 2},
          {39, 0},
          {22, 0},
          {24, 1},
          {58, 12},
          {26, 1},
          {38, 0}},
         0},
        {3,
         4000000,
         V4L2_MPEG_STREAM_TYPE_MPEG2_DVD,
         {{54, 0},
          {35, 0},
          {37, 0},
          {34, 0},
          {26, 2},
          {28, 5},
          {39, 1},
          {22, 1},
          {24, 1},
          {58, 12},
          {38, 0}},
         1},
    };
    for (const Row& r : rows) {
        SimulatedCards cards;
        auto device = cards.backend->addCard("simc:dvr", SimConfig::mpegEncoder("USB-PLM2 DVR"));
        CardFixture<ZRCirrusDVRCapPath> f;
        QTemporaryDir dir;
        f.path->setDeviceName("simc:dvr");
        f.path->setOutputFile(dir.filePath("dvr.avi"));
        const auto w = pal(r.format);
        f.path->setCaptureSettings(w.data(), 17);
        ASSERT_TRUE(zrGraphSucceeded(f.path->connectInternal())) << r.format;
        // The bit rate 4000000 of the set-up, then the format's; the stream code's type.
        L rates, types;
        for (const auto& c : device->controlsReceived()) {
            if (c.first == V4L2_CID_MPEG_VIDEO_BITRATE) rates.push_back(c);
            if (c.first == V4L2_CID_MPEG_STREAM_TYPE) types.push_back(c);
        }
        EXPECT_EQ(rates, (L{{V4L2_CID_MPEG_VIDEO_BITRATE, 4000000},
                            {V4L2_CID_MPEG_VIDEO_BITRATE, r.rate}}));
        EXPECT_EQ(types, (L{{V4L2_CID_MPEG_STREAM_TYPE, r.streamType}}));
        EXPECT_EQ(f.path->deviceNode()->passedBoardMethods(), r.passed);
        auto* splitter = dynamic_cast<ZRCldvrSplitterNode*>(f.base.node(f.path->splitter()));
        ASSERT_TRUE(splitter);
        EXPECT_EQ(
            splitter->methods(),
            (M{{3, 180000}, {5, 180000}, {7, r.splitter7}, {9, 0}, {11, 0}, {13, 0}, {15, 0}}));
        EXPECT_EQ(splitter->fileName(), dir.filePath("dvr.mpg").toStdString());
        // The PAL board was asked for its standard and told PAL.
        EXPECT_TRUE(device->currentStandard() & V4L2_STD_PAL);
    }
}

TEST(CirrusDVRCapPath, InputsAndTheLongFileName) {
    const int32_t boardToIndex[][2] = {{1, 1}, {2, 2}, {3, 0}, {4, 1}, {5, 3}, {0, 0}, {9, 0}};
    for (const auto& b : boardToIndex)
        EXPECT_EQ(ZRCirrusDVRCapPath::inputIndexOfBoard(b[0]), b[1]) << b[0];
    const long indexToBoard[][2] = {{0, 0}, {1, 1}, {2, 2}, {3, 5}, {4, 0}};
    for (const auto& i : indexToBoard)
        EXPECT_EQ(ZRCirrusDVRCapPath::boardInputOfIndex(i[0]), i[1]) << i[0];

    SimulatedCards cards;
    SimConfig config = SimConfig::mpegEncoder("USB-PLM2 DVR");
    config.inputs.push_back({3, "IEEE 1394", V4L2_INPUT_TYPE_CAMERA, V4L2_STD_ALL});
    config.speed = 0;
    auto device = cards.backend->addCard("simc:in", config);
    CardFixture<ZRCirrusDVRCapPath> f;
    QTemporaryDir dir;
    // A path far longer than 260 characters is written where it says.
    QString folder = dir.path();
    while (folder.size() < 300)
        folder += QStringLiteral("/a-rather-long-folder-name-for-a-capture");
    ASSERT_TRUE(QDir().mkpath(folder));
    f.path->setDeviceName("simc:in");
    f.path->setOutputFile(folder + QStringLiteral("/evening news.avi"));
    const auto w = pal(3);
    f.path->setCaptureSettings(w.data(), 17);
    ASSERT_TRUE(zrGraphSucceeded(f.path->connectInternal()));
    ZRAVProp inputs;
    ASSERT_TRUE(f.path->getAVProp(zravprop::kInput, &inputs));
    EXPECT_EQ(inputs.names, (QStringList{"Composite", "SVideo", "Tuner", "1394"}));
    ASSERT_TRUE(f.path->setAVProp(zravprop::kInput, 3)); // "1394" sends 5 to the board
    EXPECT_EQ(device->currentInput(), 3u);
    ASSERT_TRUE(f.path->getAVProp(zravprop::kInput, &inputs));
    EXPECT_EQ(inputs.value, 3);
    ASSERT_TRUE(f.path->setAVProp(zravprop::kInput, 1));
    EXPECT_EQ(device->currentInput(), 2u); // the S-Video input

    ASSERT_EQ(f.base.setGraphState(2), kZRGraphOk);
    ASSERT_TRUE(zrGraphSucceeded(f.path->stream(1, 1)));
    EXPECT_FALSE(f.path->setAVProp(zravprop::kInput, 0));
    EXPECT_FALSE(f.path->setAVProp(zravprop::kTVFormat, 0));
    ASSERT_TRUE(waitFor([&] { return device->framesMade() >= 50; }, 30000));
    ASSERT_EQ(f.base.setGraphState(0), kZRGraphOk);
    const std::string file = (folder + QStringLiteral("/evening news.mpg")).toStdString();
    EXPECT_TRUE(startsWithPack(file)) << file.size();
    EXPECT_GT(fileSize(file), 100000);
}

namespace {

// A joined "OVMP" list of VCD segments made by the simulated encoder; the bytes of its
// segments one after the other.
std::vector<uint8_t> makeJoinedList(const std::string& base) {
    zrv4l2::SimMpegEncoder encoder;
    zrv4l2::SimMpegSettings settings;
    settings.format = zrv4l2::DiscFormat::Vcd;
    settings.width = 352;
    settings.height = 288;
    settings.bitRate = settings.peakBitRate = 1150000;
    settings.variable = false;
    settings.sampleRate = 44100;
    if (!encoder.open(settings)) return {};
    segments::ZRMpegSegmentWriter writer;
    if (!writer.open(base + ".mpg", 150)) return {};
    std::vector<uint8_t> chunk(10000);
    while (encoder.frames() < 100) {
        const size_t n = encoder.take(chunk.data(), chunk.size());
        if (n == 0 || !writer.write(chunk.data(), n)) return {};
    }
    if (!writer.close() || !segments::MpegSegmentList(writer.listPath())) return {};
    std::string error;
    const auto list = segments::ZRSegmentList::read(writer.listPath(), &error);
    std::vector<uint8_t> all;
    for (const std::string& s : list->readableSegments()) {
        std::ifstream in(s, std::ios::binary);
        all.insert(all.end(), std::istreambuf_iterator<char>(in), {});
    }
    return all;
}

} // namespace

TEST(PlaybackPaths, JoinedListReachesTheOutputUnchanged) {
    QTemporaryDir dir;
    const std::string base = dir.filePath("show").toStdString();
    const auto bytes = makeJoinedList(base);
    ASSERT_GT(bytes.size(), 300000u);
    {
        SimulatedCards cards;
        cards.backend->addCard("simpb:k250", SimConfig::mpegEncoder("Kestrel Studio 250"));
        auto output =
            cards.backend->addOutput("simpb:k250", SimConfig::output("Kestrel Studio 250"));
        CardFixture<ZRKestrel250PBPath> f;
        f.path->setDeviceName("simpb:k250");
        f.path->setInputFile(QString::fromStdString(base + ".mvl"));
        ASSERT_TRUE(zrGraphSucceeded(f.path->connectInternal()));
        EXPECT_TRUE(f.path->traces().isEmpty());
        ASSERT_EQ(f.base.setGraphState(2), kZRGraphOk);
        ASSERT_TRUE(waitFor([&] { return output->outputBytes().size() >= bytes.size(); }, 30000));
        ASSERT_EQ(f.base.setGraphState(0), kZRGraphOk);
        EXPECT_TRUE(output->outputBytes() == bytes);
    }
    {
        SimulatedCards cards;
        cards.backend->addCard("simpb:dvr", SimConfig::mpegEncoder("USB-PLM2 DVR"));
        auto output = cards.backend->addOutput("simpb:dvr", SimConfig::output("USB-PLM2 DVR"));
        CardFixture<ZRCirrusDVRPBPath> f;
        f.path->setDeviceName("simpb:dvr");
        f.path->setInputFile(QString::fromStdString(base + ".mvl"));
        ASSERT_TRUE(zrGraphSucceeded(f.path->connectInternal()));
        auto* sink = dynamic_cast<ZRV4l2OutputNode*>(f.base.node(f.path->sink()));
        ASSERT_TRUE(sink);
        using M = std::vector<std::pair<int, int32_t>>;
        EXPECT_EQ(sink->sinkMethods(), (M{{9, 1}, {7, 0}}));
        auto* board = dynamic_cast<ZRV4l2CaptureNode*>(f.base.node(f.path->captureDevice()));
        ASSERT_TRUE(board);
        EXPECT_EQ(board->passedBoardMethods(), (M{{54, 0}}));
        ASSERT_EQ(f.base.setGraphState(2), kZRGraphOk);
        ASSERT_TRUE(waitFor([&] { return output->outputBytes().size() >= bytes.size(); }, 30000));
        ASSERT_EQ(f.base.setGraphState(0), kZRGraphOk);
        EXPECT_TRUE(output->outputBytes() == bytes);
    }
}

namespace {

// The codecs of a program stream's streams and the packets of each, read by libavformat.
std::map<AVCodecID, int> programStreamPackets(const std::string& path) {
    std::map<AVCodecID, int> packets;
    AVFormatContext* raw = nullptr;
    if (avformat_open_input(&raw, path.c_str(), av_find_input_format("mpeg"), nullptr) < 0)
        return packets;
    platform::ffmpeg::InputHandle input(raw);
    if (avformat_find_stream_info(raw, nullptr) < 0) return packets;
    platform::ffmpeg::PacketHandle packet(av_packet_alloc());
    while (av_read_frame(raw, packet.get()) >= 0) {
        ++packets[raw->streams[packet->stream_index]->codecpar->codec_id];
        av_packet_unref(packet.get());
    }
    return packets;
}

} // namespace

TEST(PlaybackPaths, Kestrel200RemuxCarriesTheVideoAndLpcmSound) {
    QTemporaryDir dir;
    const std::string base = dir.filePath("show").toStdString();
    ASSERT_GT(makeJoinedList(base).size(), 300000u);
    SimulatedCards cards;
    cards.backend->addCard("simpb:k200", SimConfig::mpegEncoder("Kestrel Studio 200"));
    auto output = cards.backend->addOutput("simpb:k200", SimConfig::output("Kestrel Studio 200"));
    CardFixture<ZRKestrel200PBPath> f;
    f.path->setDeviceName("simpb:k200");
    f.path->setInputFile(QString::fromStdString(base + ".mvl"));
    const auto w = pal(1);
    f.path->setCaptureSettings(w.data(), 17);
    EXPECT_EQ(f.path->captureSetting(13), 48000);
    ASSERT_TRUE(zrGraphSucceeded(f.path->connectInternal()));
    EXPECT_TRUE(f.path->traces().isEmpty());
    auto* muxer = dynamic_cast<ZRMarrackMuxerNode*>(f.base.node(f.path->muxer()));
    ASSERT_TRUE(muxer);
    ASSERT_EQ(f.base.setGraphState(2), kZRGraphOk);
    auto* decoder = dynamic_cast<ZRDecoderNode*>(f.base.node(f.path->videoDecoder()));
    ASSERT_TRUE(decoder);
    // Every picture the preview shows reaches the device, the last once the stream ends.
    ASSERT_TRUE(waitFor([&] { return decoder->decoded() >= 95; }, 30000));
    QThread::msleep(300);
    ASSERT_EQ(f.base.setGraphState(0), kZRGraphOk);

    const std::string sent = dir.filePath("sent.mpg").toStdString();
    {
        const auto bytes = output->outputBytes();
        ASSERT_GT(bytes.size(), 100000u);
        std::ofstream out(sent, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    }
    auto got = programStreamPackets(sent);
    // The pictures unchanged (the list's MPEG-1 video), the sound as DVD LPCM.
    EXPECT_GE(muxer->videoFrames(), decoder->decoded());
    EXPECT_EQ(got[AV_CODEC_ID_MPEG1VIDEO], muxer->videoFrames());
    EXPECT_GT(got[AV_CODEC_ID_PCM_DVD], 10);
    EXPECT_EQ(got[AV_CODEC_ID_MP2], 0);
    EXPECT_GT(muxer->audioBytes(), 48000 * 4 * 3); // more than three seconds of sound
}

TEST(PlaybackPaths, BuildWithoutTheReaderTracesAndGoesOn) {
    QTemporaryDir dir;
    const std::string base = dir.filePath("show").toStdString();
    ASSERT_GT(makeJoinedList(base).size(), 300000u);
    zroutsidefilters::setInstalled(QLatin1String(zroutsidefilters::kClsidMakerMvlReader), false);
    struct Row {
        const char* name;
        std::function<std::unique_ptr<ZRFilterPathBase>(ZRGraphBase*)> make;
        std::function<QStringList(ZRFilterPathBase*)> traces;
    };
    const Row rows[] = {
        {"Kestrel 200", [](ZRGraphBase* g) { return std::make_unique<ZRKestrel200PBPath>(g); },
         [](ZRFilterPathBase* p) { return static_cast<ZRKestrel200PBPath*>(p)->traces(); }},
        {"Kestrel 250", [](ZRGraphBase* g) { return std::make_unique<ZRKestrel250PBPath>(g); },
         [](ZRFilterPathBase* p) { return static_cast<ZRKestrel250PBPath*>(p)->traces(); }},
        {"Cirrus", [](ZRGraphBase* g) { return std::make_unique<ZRCirrusDVRPBPath>(g); },
         [](ZRFilterPathBase* p) { return static_cast<ZRCirrusDVRPBPath*>(p)->traces(); }},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        SimulatedCards cards;
        cards.backend->addCard("simpb:none", SimConfig::mpegEncoder("Kestrel Studio 250"));
        auto output = cards.backend->addOutput("simpb:none", SimConfig::output("Kestrel Studio"));
        testsupport::guiApplication();
        ZRGraphBase graph;
        graph.buildGraph();
        auto path = r.make(&graph);
        path->setDeviceName("simpb:none");
        path->setInputFile(QString::fromStdString(base + ".mvl"));
        // The device is there: the build goes on and succeeds, with the trace kept.
        EXPECT_TRUE(zrGraphSucceeded(path->connectInternal()));
        ASSERT_FALSE(r.traces(path.get()).isEmpty());
        EXPECT_EQ(r.traces(path.get()).first(),
                  QStringLiteral("PROB: no Orvand MVL Source filter found"));
        (void)graph.setGraphState(2);
        QThread::msleep(200);
        (void)graph.setGraphState(0);
        EXPECT_TRUE(output->outputBytes().empty());
        path.reset();
    }
    zroutsidefilters::setInstalled(QLatin1String(zroutsidefilters::kClsidMakerMvlReader), true);
}

TEST(Wren80CapPath, SoundDeviceByFamilyWordAndFixedFormat) {
    const char* rows[][2] = {{"Wren 80 USB", "Wren 80 16"},
                             {"Wren 90 Pro", "Wren 90 16"},
                             {"Norvale Capture", "Norvale 16"},
                             {"Wren 80 and Wren 90", "Wren 80 16"}, // tested in that order
                             {"wren 80", ""},                       // with case
                             {"Other Card", ""}};
    for (const auto& r : rows)
        EXPECT_EQ(ZRWren80CapPath::audioDeviceFor(r[0]), QString::fromLatin1(r[1])) << r[0];

    SimulatedCards cards;
    SimConfig config = SimConfig::captureCard("Plain Capture Box");
    config.speed = 100;
    auto device = cards.backend->addCard("simw:box", config);
    CardFixture<ZRWren80CapPath> f;
    f.path->setDeviceName("simw:box");
    auto w = pal();
    w[2] = 1;
    f.path->setCaptureSettings(w.data(), 17);
    EXPECT_EQ(f.path->captureSetting(13), 16000);
    ASSERT_TRUE(zrGraphSucceeded(f.path->connectInternal()));
    // No family word: no sound device; the fixed NTSC format.
    EXPECT_EQ(f.base.node(f.path->audioCaptureFilter()), nullptr);
    EXPECT_EQ(device->format().width, 352u);
    EXPECT_EQ(device->format().height, 240u);
    ZRAVProp prop;
    EXPECT_FALSE(f.path->getAVProp(zravprop::kTVTuner, &prop));
    EXPECT_FALSE(f.path->getAVProp(zravprop::kTVAudio, &prop));
    (void)f.base.setGraphState(0);
}

TEST(KestrelCapPath, Kestrel200PreviewsThroughTheDemultiplexer) {
    SimulatedCards cards;
    auto device = cards.backend->addCard("simk:200", SimConfig::mpegEncoder("Kestrel Studio 200"));
    CardFixture<ZRKestrel200CapPath> f;
    QTemporaryDir dir;
    f.path->setDeviceName("simk:200");
    f.path->setOutputFile(dir.filePath("k200.mpg"));
    const auto w = pal(2);
    f.path->setCaptureSettings(w.data(), 17);
    ASSERT_TRUE(zrGraphSucceeded(f.path->connectInternal()));
    EXPECT_FALSE(f.path->intelliActive());
    // No stream type or GOP on the Kestrel 200; its sound at 48000 Hz.
    for (const auto& c : device->controlsReceived()) {
        EXPECT_NE(c.first, uint32_t(V4L2_CID_MPEG_STREAM_TYPE));
        EXPECT_NE(c.first, uint32_t(V4L2_CID_MPEG_VIDEO_GOP_SIZE));
    }
    EXPECT_EQ(device->controlsReceived().back(),
              (std::pair<uint32_t, int32_t>{V4L2_CID_MPEG_AUDIO_SAMPLING_FREQ, 1}));
    ZRAVProp inputs;
    ASSERT_TRUE(f.path->getAVProp(zravprop::kInput, &inputs));
    EXPECT_EQ(inputs.names, (QStringList{"Composite", "S-Video"}));
    EXPECT_FALSE(f.path->getAVProp(zravprop::kSharpness, &inputs));
    // The capture output is switched on by the capture flag only.
    ASSERT_EQ(f.base.setGraphState(2), kZRGraphOk);
    auto* writer = dynamic_cast<ZRMvlWriterNode*>(f.base.node(f.path->writer()));
    ASSERT_TRUE(writer);
    QThread::msleep(200);
    EXPECT_EQ(writer->packsWritten(), 0);
    ASSERT_TRUE(zrGraphSucceeded(f.path->stream(1, 1)));
    ASSERT_TRUE(waitFor([&] { return writer->packsWritten() > 50; }, 20000));
    ASSERT_EQ(f.base.setGraphState(0), kZRGraphOk);
    EXPECT_TRUE(startsWithPack(dir.filePath("k200.mpg").toStdString()));
}
