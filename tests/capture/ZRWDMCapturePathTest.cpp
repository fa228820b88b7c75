#include "capture/ZRWDMCapturePath.h"
#include "capture/ZRFileOutputPath.h"
#include "capture/ZRFileSinkFilter.h"
#include "capture/ZRWDMCaptureFilter.h"
#include "capture/ZRWDMPlaybackPath.h"
#include "platform/graph/ZRSceneSplitWriterNode.h"
#include "platform/segments/ZRSegmentList.h"
#include "tests/capture/DVCameraFixture.h"
#include "tests/platform/ieee1394/DvTestFiles.h"

#include <QFileInfo>
#include <QSignalSpy>

#include <cerrno>
#include <cstring>
#include <fcntl.h>

#include <gtest/gtest.h>

using capturetest::DVCameraFixture;

namespace {

/// Captures the camera's tape from its start to its end into `target`.
struct Capture {
    Capture(DVCameraFixture& f, const std::string& target, bool sceneSplit = false,
            long splitKilobytes = 0)
        : fixture(f), path(&f.base) {
        path.setDeviceName(capturetest::kCameraName);
        path.setOutputFile(QString::fromStdString(target));
        path.setSplitLimit(splitKilobytes);
        path.setSceneSplit(sceneSplit);
        built = path.connectInternal();
        if (ZRSceneSplitWriterNode* w = writer())
            f.camera->setFreeRunningGate([w] { return w->queued() < 8; });
    }
    ~Capture() { fixture.camera->setFreeRunningGate(nullptr); }
    ZRSceneSplitWriterNode* writer() const {
        auto* sink =
            path.fileOutput() ? static_cast<ZRFileSinkFilter*>(path.fileOutput()->end()) : nullptr;
        ZRGraphNode* n = sink ? fixture.base.node(sink->sink()) : nullptr;
        return n ? n->as<ZRSceneSplitWriterNode>() : nullptr;
    }
    /// Runs, plays the tape to its end, stops.
    bool run() {
        if (fixture.base.setGraphState(2) != kZRGraphOk) return false;
        path.captureFilter()->setState(4296, 0);
        const bool ended = DVCameraFixture::waitFor(
            [&] {
                return fixture.camera->modeOpcode() == 0xC4 &&
                       fixture.camera->modeOperand() == 0x60 && fixture.camera->framesSent() > 0;
            },
            120000);
        // The last frames reach the writer's queue (a slow writer may hold one back a while):
        // every frame the camera sent, or, where a writer stopped taking them, what it took once
        // that stood still for a second.
        ZRSceneSplitWriterNode* w = writer();
        for (int64_t seen = -1, still = 0, i = 0; w && i < 200; ++i) {
            const int64_t now = w->framesNotDropped() + w->framesDropped();
            if (now >= fixture.camera->framesSent()) break;
            still = now == seen ? still + 1 : 0;
            if (still >= 10) break;
            seen = now;
            DVCameraFixture::waitFor([] { return false; }, 100);
        }
        fixture.base.setGraphState(0);
        return ended;
    }
    DVCameraFixture& fixture;
    ZRWDMCapturePath path;
    ZRGraphResult built;
};

} // namespace

TEST(WDMCapturePath, CapturesTheTapeByteForByte) {
    DVCameraFixture f;
    const std::string target = f.path("tape.ovl");
    Capture c(f, target);
    ASSERT_EQ(c.built, kZRGraphOk);
    EXPECT_EQ(c.path.objectName(), "dshow wdm to file capture path");
    EXPECT_EQ(ZRWDMCapturePath::kKind, 0x001);
    // The device is the graph's clock; "AVI Mux" stands in front of the writer.
    EXPECT_EQ(f.base.graph()->syncSource(), f.base.node(c.path.captureFilter()->device()));
    EXPECT_TRUE(f.base.graph()->findNode("AVI Mux"));
    EXPECT_TRUE(f.base.graph()->findNode("ZR DV SceneSplit MultiFile Writer"));
    EXPECT_TRUE(f.base.graph()->findNode("SmartTee iavs"));
    EXPECT_TRUE(f.base.graph()->findNode("DV Split"));
    EXPECT_TRUE(f.base.graph()->findNode("Video Renderer"));
    ASSERT_TRUE(c.run());
    const auto contents = dvtest::readAvi(f.path("tape.avi"));
    ASSERT_TRUE(contents.opened);
    const auto& tape = capturetest::tape250();
    ASSERT_EQ(contents.frames.size(), tape.size());
    for (size_t i = 0; i < tape.size(); ++i)
        ASSERT_EQ(contents.frames[i], tape[i]) << i;
    EXPECT_EQ(contents.samples, dvtest::soundOf(tape));
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(target)));
}

TEST(WDMCapturePath, ASceneCutGivesTwoSegmentsAndAList) {
    DVCameraFixture f;
    f.camera->markRecording(0, 1700000000);
    f.camera->markRecording(100, 1700090000);
    Capture c(f, f.path("scenes.ovl"), true);
    ASSERT_EQ(c.built, kZRGraphOk);
    ASSERT_TRUE(c.run());
    std::string error;
    const auto list = segments::ZRSegmentList::read(f.path("scenes.ovl"), &error);
    ASSERT_TRUE(list) << error;
    ASSERT_EQ(list->entries().size(), 2u);
    EXPECT_EQ(dvtest::readAvi(list->entries()[0].path).frames.size(), 100u);
    EXPECT_EQ(dvtest::readAvi(list->entries()[1].path).frames.size(), 150u);
}

TEST(WDMCapturePath, IncompleteFramesAreTheDroppedCount) {
    DVCameraFixture f;
    f.camera->setIncompleteFrames({10, 11, 200});
    Capture c(f, f.path("gaps.avi"));
    ASSERT_EQ(c.built, kZRGraphOk);
    QSignalSpy counts(c.path.captureFilter(), &ZRWDMCaptureFilter::framesDropped);
    ASSERT_TRUE(c.run());
    // The counts as they stand at the end: polls until a state poll reports them.
    ZRWDMCaptureFilter* filter = c.path.captureFilter();
    DVCameraFixture::waitFor([&] { return !filter->isPollPending(); }, 3000);
    counts.clear();
    for (int i = 0; i < 4 && counts.isEmpty(); ++i) {
        filter->doTimer();
        DVCameraFixture::waitFor([&] { return !filter->isPollPending(); }, 3000);
    }
    ASSERT_FALSE(counts.isEmpty());
    EXPECT_EQ(counts.last()[0].toLongLong(), 247);
    EXPECT_EQ(counts.last()[1].toLongLong(), 3);
    EXPECT_EQ(dvtest::readAvi(f.path("gaps.avi")).frames.size(), 247u);
}

TEST(WDMCapturePath, AFailedWriteEndsTheCaptureWithWholeFrames) {
    DVCameraFixture f;
    Capture c(f, f.path("full.avi"));
    ASSERT_EQ(c.built, kZRGraphOk);
    // The writer's disk fills at frame 180: a writer of that kind replaces the built one.
    auto* sink = static_cast<ZRFileSinkFilter*>(c.path.fileOutput()->end());
    ZRGraphNode* built = f.base.node(sink->sink());
    ASSERT_TRUE(built);
    ZRGraphPin* feed = built->inputPin(0)->peer();
    int calls = 0;
    auto full = std::make_unique<ZRSceneSplitWriterNode>(
        segments::ZRDVSceneSplitWriter::Reserve([&](int fd, int64_t at, int64_t n) {
            return ++calls > 180 ? ENOSPC : ::posix_fallocate(fd, off_t(at), off_t(n));
        }));
    ASSERT_EQ(full->setFileName(f.path("full.avi")), kZRGraphOk);
    ZRGraphBase::Filter replaced = sink->sink();
    ASSERT_EQ(f.base.kill(&replaced), kZRGraphOk);
    ZRGraphBase::Filter id = 0;
    ASSERT_EQ(f.base.addFilter(std::move(full), "full writer", &id), kZRGraphOk);
    auto* writer = f.base.node(id)->as<ZRSceneSplitWriterNode>();
    ASSERT_EQ(f.base.connectPins(feed, writer->inputPin(0)), kZRGraphOk);
    f.camera->setFreeRunningGate([writer] { return writer->queued() < 8; });
    ASSERT_TRUE(c.run());
    long code = 0;
    intptr_t p1 = 0, p2 = 0;
    bool aborted = false;
    while (f.base.getEvent(&code, &p1, &p2, 0))
        aborted = aborted || code == kZREventErrorAbort;
    EXPECT_TRUE(aborted);
    EXPECT_NE(writer->error().find(std::strerror(ENOSPC)), std::string::npos);
    const auto contents = dvtest::readAvi(f.path("full.avi"));
    ASSERT_TRUE(contents.opened);
    EXPECT_EQ(contents.frames.size(), 180u);
}

TEST(WDMCapturePath, UnpluggedCameraEndsWithDeviceLostAndCompleteFiles) {
    DVCameraFixture f;
    Capture c(f, f.path("lost.avi"));
    ASSERT_EQ(c.built, kZRGraphOk);
    ASSERT_EQ(f.base.setGraphState(2), kZRGraphOk);
    f.camera->setFreeRunning(false); // real time, so the unplug lands mid-tape
    c.path.captureFilter()->setState(4296, 0);
    ASSERT_TRUE(DVCameraFixture::waitFor([&] { return f.camera->framesSent() >= 20; }));
    f.camera->unplug();
    long code = 0;
    intptr_t p1 = 0, p2 = 0;
    bool lost = false;
    ASSERT_TRUE(DVCameraFixture::waitFor([&] {
        while (f.base.getEvent(&code, &p1, &p2, 0))
            if (code == kZREventDeviceLost) {
                lost = true;
                EXPECT_EQ(p1, intptr_t(c.path.captureFilter()->device()));
            }
        return lost;
    }));
    f.base.setGraphState(0);
    const auto contents = dvtest::readAvi(f.path("lost.avi"));
    ASSERT_TRUE(contents.opened);
    EXPECT_GE(contents.frames.size(), 20u);
    EXPECT_LT(contents.frames.size(), 250u);
    for (size_t i = 0; i < contents.frames.size(); ++i)
        ASSERT_EQ(contents.frames[i], capturetest::tape250()[i]) << i;
}

TEST(WDMCapturePath, SinksByExtension) {
    struct Row {
        const char* file;
        const char* sink; // null: none
        const char* written;
    };
    const Row rows[] = {
        {"a.ovl", "ZR DV SceneSplit MultiFile Writer", "a.avi"},
        {"a.AVI", "ZR DV SceneSplit MultiFile Writer", "a.AVI"},
        {"a.MPG", "Dump", "a.MPG"},
        {"a.mpeg", "Dump", "a.mpeg"},
        {"a.dv", "Dump", "a.dv"},
        {"a.dif", "Dump", "a.dif"},
        {"a.xyz", nullptr, "a.xyz"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.file);
        DVCameraFixture f(zrieee1394::generatedTape(2, false));
        Capture c(f, f.path(row.file));
        ASSERT_EQ(c.built, kZRGraphOk);
        auto* sink = static_cast<ZRFileSinkFilter*>(c.path.fileOutput()->end());
        EXPECT_EQ(QFileInfo(sink->writtenName()).fileName(), row.written);
        if (row.sink) {
            ASSERT_TRUE(f.base.node(sink->sink()));
            EXPECT_EQ(f.base.node(sink->sink())->name(), row.sink);
        } else {
            EXPECT_FALSE(f.base.node(sink->sink()));
        }
        EXPECT_EQ(f.base.node(sink->aviMux()) != nullptr,
                  row.sink && std::string(row.sink).starts_with("ZR DV"));
    }
    // ".mvl" takes the MPEG devices' multi-file writer, which takes no DV: the build says so
    // instead of capturing nowhere.
    DVCameraFixture f(zrieee1394::generatedTape(2, false));
    Capture c(f, f.path("a.mvl"));
    EXPECT_EQ(c.built, kZRGraphTypeNotAccepted);
}

TEST(WDMCapturePath, StartStopCyclesWhilePolling) {
    DVCameraFixture f(zrieee1394::generatedTape(25, false));
    Capture c(f, f.path("cycles.avi"));
    ASSERT_EQ(c.built, kZRGraphOk);
    for (int i = 0; i < 200; ++i) {
        ASSERT_EQ(f.base.setGraphState(2), kZRGraphOk) << i;
        if (i % 3 == 0) c.path.captureFilter()->setState(4296, 0);
        c.path.captureFilter()->doTimer();
        QCoreApplication::processEvents();
        ASSERT_EQ(f.base.setGraphState(0), kZRGraphOk) << i;
    }
    // Teardown while frames stream.
    ASSERT_EQ(f.base.setGraphState(2), kZRGraphOk);
    f.camera->setPosition(0);
    c.path.captureFilter()->setState(4296, 0);
    DVCameraFixture::waitFor([&] { return f.camera->framesSent() > 3; }, 3000);
    c.path.teardown();
    EXPECT_EQ(c.path.captureFilter(), nullptr);
}

TEST(WDMPlaybackPath, TheTapeGetsTheFileFramesAndSound) {
    // First a capture to a DV AVI and to a two-segment list, then each played to the camera.
    DVCameraFixture f;
    f.camera->markRecording(0, 1700000000);
    f.camera->markRecording(100, 1700090000);
    {
        Capture c(f, f.path("one.avi"));
        ASSERT_EQ(c.built, kZRGraphOk);
        ASSERT_TRUE(c.run());
    }
    f.camera->setPosition(0);
    {
        Capture c(f, f.path("two.ovl"), true);
        ASSERT_EQ(c.built, kZRGraphOk);
        ASSERT_TRUE(c.run());
    }
    for (const char* file : {"one.avi", "two.ovl"}) {
        SCOPED_TRACE(file);
        const auto before = f.camera->recorded().size();
        f.camera->setPosition(0);
        ZRWDMPlaybackPath path(&f.base);
        EXPECT_EQ(path.objectName(), "dshow file to wdm playback path");
        path.setDeviceName(capturetest::kCameraName);
        path.setInputFile(QString::fromStdString(f.path(file)));
        ASSERT_EQ(path.connectInternal(), kZRGraphOk);
        ASSERT_TRUE(f.base.graph()->findNode("DV Mux"));
        path.captureFilter()->setState(4302, 0); // record
        DVCameraFixture::waitFor([&] { return f.camera->modeOpcode() == 0xC2; }, 3000);
        ASSERT_EQ(f.base.setGraphState(2), kZRGraphOk);
        long code = 0;
        intptr_t p1 = 0, p2 = 0;
        ASSERT_TRUE(DVCameraFixture::waitFor([&] {
            while (f.base.getEvent(&code, &p1, &p2, 0))
                if (code == kZREventComplete) return true;
            return false;
        }));
        f.base.setGraphState(0);
        path.teardown();
        const auto recorded = f.camera->recorded();
        const auto& tape = capturetest::tape250();
        ASSERT_EQ(recorded.size() - before, tape.size());
        // The pictures are the tape's own blocks, the sound the same samples.
        std::vector<std::vector<uint8_t>> got(recorded.begin() + ptrdiff_t(before), recorded.end());
        for (size_t i = 0; i < tape.size(); i += 7) {
            for (size_t at = 0; at < tape[i].size(); at += 80) {
                if ((tape[i][at] >> 5) != 4) continue;
                ASSERT_TRUE(std::equal(tape[i].begin() + ptrdiff_t(at),
                                       tape[i].begin() + ptrdiff_t(at + 80),
                                       got[i].begin() + ptrdiff_t(at)))
                    << i << " " << at;
            }
        }
        EXPECT_EQ(dvtest::soundOf(got), dvtest::soundOf(tape));
    }
}
