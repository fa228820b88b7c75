#include "tests/engine/worker/WorkerFixture.h"

#include "engine/render/ZRImage.h"
#include "tests/support/TestEnvironment.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>

using namespace workerfixture;

namespace {

class Worker : public ::testing::Test {
protected:
    void TearDown() override { ZRPos::setDefaultFrameRate(30.0); }
};

ZRPos frame(int n) {
    return ZRPos(0, 0, 0, n, 25.0);
}

constexpr int kFrames = 6;
constexpr char kRed[] = "RGB(220,20,20)";
constexpr char kBlue[] = "RGB(20,20,220)";
constexpr char kChildFolder[] = "CLIPSTEAD_TEST_STORE_FOLDER";

// A timeline of `kFrames` frames of `colour`, stored by its background renderer.
std::unique_ptr<ZRTimeline> renderedTimeline(const char* colour, const QByteArray& folder = {}) {
    auto t = makeTimeline(64, 48);
    if (!folder.isEmpty()) t->setStringSetting("Temporary Directory", folder.constData());
    addColour(*t, 0, kFrames, 1, colour);
    t->setIntSetting("Enable Background Rendering", 1);
    return t;
}

// Every frame comes from the timeline's own store (native kind 1: a stored JPEG) and is of its
// colour: red over blue when `red`, else blue over red.
void expectOwnFrames(ZRTimeline& t, bool red) {
    for (int f = 0; f < kFrames; ++f) {
        SCOPED_TRACE(f);
        ZRPos at = frame(f);
        auto* image = static_cast<ZRImage*>(t.videoAt(&at, 0));
        EXPECT_EQ(image->nativeKind(), 1);
        const auto mean = [&](int channel) {
            return meanChannel(image->pixels(), image->stride(), image->width(), image->height(),
                               channel);
        };
        const double blue = mean(0), redness = mean(2);
        image->unlock();
        EXPECT_GT(red ? redness - blue : blue - redness, 100.0);
    }
}

} // namespace

// DV sizes are stored as one DV frame, every other size as a JPEG; videoAt then serves the
// stored frame with its data as the frame's native data.
TEST_F(Worker, StoresEachSizeInItsKindAndServesIt) {
    struct Case {
        int width, height;
        uint32_t kind;
        int nativeKind;
    };
    for (const Case c : {Case{720, 576, 2, 2}, Case{640, 480, 0, 1}, Case{720, 480, 2, 2}}) {
        SCOPED_TRACE(c.width * 1000 + c.height);
        auto t = makeTimeline(c.width, c.height);
        addColour(*t, 0, 3);
        ASSERT_TRUE(t->setIntSetting("Enable Background Rendering", 1));
        ASSERT_TRUE(waitForStored(*t, 3));
        EXPECT_EQ(counters().rendered.load(), 3);
        ZRPos at = frame(1);
        EXPECT_EQ(t->renderStateAt(&at), 2);
        const QString path = t->backgroundRenderer().storedFilePath(at);
        EXPECT_TRUE(QFileInfo(path).fileName().startsWith("zrt"));
        EXPECT_TRUE(path.endsWith(".tmp"));
        // In the test's private cache folder: programs running side by side never share it.
        EXPECT_TRUE(path.startsWith(testsupport::homeFolder()));
        const std::vector<unsigned char> bytes = readFile(path);
        ASSERT_GE(bytes.size(), 12u);
        EXPECT_EQ(word(bytes, 0), c.kind);
        EXPECT_EQ(word(bytes, 4), bytes.size() - 8);
        if (c.kind == 2)
            EXPECT_EQ(word(bytes, 4), c.height == 576 ? 144000u : 120000u);
        else
            EXPECT_TRUE(bytes[8] == 0xFF && bytes[9] == 0xD8); // a JPEG's start of image

        auto* image = static_cast<ZRImage*>(t->videoAt(&at, 0));
        EXPECT_EQ(image->nativeKind(), c.nativeKind);
        ASSERT_EQ(image->nativeLength(), bytes.size() - 8);
        EXPECT_TRUE(std::equal(bytes.begin() + 8, bytes.end(), image->nativeData()));
        // The decoded picture is the colour laid over the white background.
        const double blue =
            meanChannel(image->pixels(), image->stride(), image->width(), image->height(), 0);
        image->unlock();
        EXPECT_GT(blue, 150.0);
        // Disabling forgets every stored frame.
        t->setIntSetting("Enable Background Rendering", 0);
        EXPECT_EQ(t->backgroundRenderer().storedFrameCount(), 0u);
        EXPECT_FALSE(QFile::exists(path));
    }
}

TEST_F(Worker, OnlyCostlyFramesNeedRendering) {
    auto t = makeTimeline(64, 48);
    addColour(*t, 0, 5, 0);
    addColour(*t, 6, 5, 1);
    ZRPos plain = frame(2), overlaid = frame(8), after = frame(20);
    EXPECT_EQ(t->renderStateAt(&plain), 0);
    EXPECT_EQ(t->renderStateAt(&overlaid), 1);
    EXPECT_EQ(t->renderStateAt(&after), 0);
    EXPECT_EQ(t->renderStateAt(nullptr), 0);
    // A forced video format makes sources of another format need rendering.
    t->setIntSetting("Force Background Rendering Video Format", 3);
    EXPECT_EQ(t->renderStateAt(&plain), 1);
}

// An edit forgets the stored frames of its range, and only those; resuming renders them again.
TEST_F(Worker, EditForgetsItsRange) {
    auto t = makeTimeline(64, 48);
    IZRObject* first = addColour(*t, 0, 5);
    IZRObject* second = addColour(*t, 6, 5);
    (void)first;
    const int total = int(t->endPosition()->toFrames());
    size_t needed = 0;
    for (int n = 0; n < total; ++n) {
        ZRPos at = frame(n);
        needed += t->renderStateAt(&at) == 1;
    }
    t->setIntSetting("Enable Background Rendering", 1);
    ASSERT_TRUE(waitForStored(*t, needed));
    std::vector<QString> secondFiles;
    for (int n = 6; n <= 10; ++n) {
        ZRPos at = frame(n);
        secondFiles.push_back(t->backgroundRenderer().storedFilePath(at));
    }

    t->setIntSetting("Pause Background Rendering", 1);
    ASSERT_TRUE(dynamic_cast<ZRObject*>(second)->setIntSetting("Overlay Opacity", 50));
    const double secondStart = second->startPos()->toFrames();
    const double secondEnd = second->endPos()->toFrames();
    for (int n = 0; n < total; ++n) {
        ZRPos at = frame(n);
        const bool edited = n >= secondStart && n <= secondEnd;
        const int before = n == 5 ? 0 : 2; // frame 5 lies between the two colours
        EXPECT_EQ(t->renderStateAt(&at), edited ? 1 : before) << n;
    }
    for (const QString& path : secondFiles)
        EXPECT_FALSE(QFile::exists(path)) << path.toStdString();

    t->setIntSetting("Pause Background Rendering", 0);
    ASSERT_TRUE(waitForStored(*t, needed));
    ZRPos at = frame(7);
    EXPECT_EQ(t->renderStateAt(&at), 2);
}

TEST_F(Worker, NewDimensionsOrRateForgetEveryFrame) {
    for (bool rate : {false, true}) {
        auto t = makeTimeline(64, 48);
        addColour(*t, 0, 4);
        t->setIntSetting("Enable Background Rendering", 1);
        ASSERT_TRUE(waitForStored(*t, 4));
        ZRPos at = frame(1);
        const QString path = t->backgroundRenderer().storedFilePath(at);
        t->setIntSetting("Pause Background Rendering", 1);
        if (rate)
            t->setDoubleSetting("Framerate", 30.0);
        else
            t->setIntPairSetting("Video Dimensions", 32, 24);
        EXPECT_EQ(t->backgroundRenderer().storedFrameCount(), 0u);
        EXPECT_FALSE(QFile::exists(path));
    }
}

// A frame of another size than the frame buffer is never decoded into it.
TEST_F(Worker, StoredFrameOfAnotherSizeIsComposedInstead) {
    auto t = makeTimeline(64, 48);
    addColour(*t, 0, 2);
    ZRImage other(t.get());
    ASSERT_TRUE(other.create(32, 24, 0));
    ZRPos at = frame(0);
    ASSERT_TRUE(t->backgroundRenderer().storeFrame(at, &other));
    auto* image = static_cast<ZRImage*>(t->videoAt(&at, 0));
    EXPECT_EQ(image->nativeKind(), 0);
    EXPECT_EQ(image->width(), 64);
    image->unlock();
}

TEST_F(Worker, SuspendNests) {
    auto t = makeTimeline(64, 48);
    ZRTimelineWorker& worker = t->backgroundRenderer();
    t->setIntSetting("Enable Background Rendering", 1);
    worker.suspend(true);
    worker.suspend(true);
    worker.suspend(false);
    EXPECT_TRUE(worker.isPaused());
    worker.suspend(false);
    EXPECT_FALSE(worker.isPaused());
    worker.suspend(false); // never below 0
    worker.suspend(true);
    EXPECT_TRUE(worker.isPaused());
    worker.suspend(false);

    // A pause held across switching rendering off and on again is still released by its own
    // resume, and holds the renderer meanwhile.
    addColour(*t, 0, 3);
    t->setIntSetting("Enable Background Rendering", 0);
    worker.suspend(true);
    t->setIntSetting("Enable Background Rendering", 1);
    EXPECT_TRUE(worker.isPaused());
    EXPECT_EQ(worker.storedFrameCount(), 0u);
    worker.suspend(false);
    EXPECT_TRUE(waitForStored(*t, 3));
}

// A frame that cannot be stored is told once, and the renderer waits for the next wake-up.
TEST_F(Worker, UnwritableFolderGivesOneEvent) {
    auto t = makeTimeline(64, 48);
    const QString missing = QDir::tempPath() + "/clipstead-missing-folder/none";
    ASSERT_TRUE(t->setStringSetting("Temporary Directory", missing.toLocal8Bit().constData()));
    addColour(*t, 0, 10);
    t->setIntSetting("Enable Background Rendering", 1);
    ASSERT_TRUE(waitFor([] { return counters().storeFailed.load() > 0; }));
    ASSERT_TRUE(waitFor([&] { return !t->backgroundRenderer().isBusy(); }));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(counters().storeFailed.load(), 1);
    EXPECT_EQ(counters().rendered.load(), 0);
    EXPECT_EQ(t->backgroundRenderer().storedFrameCount(), 0u);
    EXPECT_FALSE(t->backgroundRenderer().isBusy());
}

TEST_F(Worker, StartAndStopManyTimes) {
    auto t = makeTimeline(32, 24);
    addColour(*t, 0, 3);
    ZRTimelineWorker& worker = t->backgroundRenderer();
    for (int i = 0; i < 1000; ++i) {
        worker.start();
        EXPECT_TRUE(worker.isRunning());
        if (i % 10 == 0) worker.setEnabled(true);
        worker.stop();
        ASSERT_FALSE(worker.isRunning());
    }
    EXPECT_EQ(worker.storedFrameCount(), 0u);
    worker.stop(); // stopping a stopped renderer does nothing
}

TEST_F(Worker, DestroyingTheTimelineWhileItRenders) {
    for (int round = 0; round < 5; ++round) {
        auto t = makeTimeline(64, 48);
        addColour(*t, 0, 200);
        addColour(*t, 0, 200, 2, "RGB(200,10,10)", 2);
        const QString folder = t->tempFiles().folder();
        t->setIntSetting("Enable Background Rendering", 1);
        ASSERT_TRUE(waitFor([round] { return counters().rendered.load() > round % 3; }));
        t.reset();
        // The store's folder and its lock file went with it.
        EXPECT_TRUE(
            QDir(folder).entryList({"zrt*"}, QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty());
    }
}

// Two timelines of one program keep their stored frames apart.
TEST_F(Worker, TwoTimelinesServeTheirOwnFrames) {
    auto red = renderedTimeline(kRed);
    auto blue = renderedTimeline(kBlue);
    ASSERT_TRUE(waitForStored(*red, kFrames));
    ASSERT_TRUE(waitForStored(*blue, kFrames));
    EXPECT_NE(red->tempFiles().storeFolder(), blue->tempFiles().storeFolder());
    expectOwnFrames(*red, true);
    expectOwnFrames(*blue, false);
}

// Run by the test below in a second process: stores blue frames in the folder it is given,
// says so, and keeps them until its input closes.
TEST_F(Worker, DISABLED_SecondProcessStoresItsFrames) {
    const QByteArray folder = qgetenv(kChildFolder);
    ASSERT_FALSE(folder.isEmpty());
    auto blue = renderedTimeline(kBlue, folder);
    ASSERT_TRUE(waitForStored(*blue, kFrames));
    std::printf("stored\n");
    std::fflush(stdout);
    char line[16];
    while (std::fgets(line, sizeof line, stdin)) {
    }
    expectOwnFrames(*blue, false);
}

// Two running copies with one temporary folder: neither removes nor overwrites the other's
// frames.
TEST_F(Worker, TwoProcessesServeTheirOwnFrames) {
    QTemporaryDir shared;
    const QByteArray folder = QFile::encodeName(shared.path());
    auto red = renderedTimeline(kRed, folder);
    ASSERT_TRUE(waitForStored(*red, kFrames));

    QProcess second;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(kChildFolder, shared.path());
    second.setProcessEnvironment(environment);
    second.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    second.start(QFile::symLinkTarget("/proc/self/exe"),
                 {"--gtest_also_run_disabled_tests",
                  "--gtest_filter=Worker.DISABLED_SecondProcessStoresItsFrames"});
    ASSERT_TRUE(second.waitForStarted());
    QByteArray said;
    while (!said.contains("stored") && second.waitForReadyRead(60000))
        said += second.readAllStandardOutput();
    EXPECT_TRUE(said.contains("stored")) << said.constData();

    expectOwnFrames(*red, true);
    second.closeWriteChannel();
    ASSERT_TRUE(second.waitForFinished(60000));
    said += second.readAllStandardOutput();
    EXPECT_EQ(second.exitCode(), 0) << said.constData();
    expectOwnFrames(*red, true);
}
