#include "capture/ZRGraphBase.h"
#include "capture/ZROutsideFilters.h"
#include "capture/ZRVideoWidget.h"
#include "tests/capture/SimulatedDevices.h"
#include "tests/support/GuiApplication.h"

#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

using capturetest::device;
using capturetest::RegisteredBackend;
using capturetest::SimulatedDeviceNode;

namespace {

/// Refuses to run `refusals` times.
class StubbornNode : public ZRGraphNode {
public:
    explicit StubbornNode(int refusals) : ZRGraphNode("Stubborn"), refusals(refusals) {}
    int refusals;
    int tries = 0;

protected:
    ZRGraphResult onRun() override {
        ++tries;
        return refusals-- > 0 ? kZRGraphFail : kZRGraphOk;
    }
};

/// One capability list for the size and format walks.
class Caps : public IZRStreamConfig {
public:
    std::vector<ZRVideoStreamCaps> video;
    std::vector<ZRAudioStreamCaps> audio;
    int capabilityCount() const override { return int(video.size() + audio.size()); }
    bool videoCaps(int i, ZRVideoStreamCaps* c) const override {
        if (i >= int(video.size())) return false;
        *c = video[size_t(i)];
        return true;
    }
    bool audioCaps(int i, ZRAudioStreamCaps* c) const override {
        i -= int(video.size());
        if (i < 0 || i >= int(audio.size())) return false;
        *c = audio[size_t(i)];
        return true;
    }
    ZRGraphResult setFormat(const ZRMediaType&) override { return kZRGraphOk; }
};

struct BuiltGraph {
    BuiltGraph() { base.buildGraph(); }
    ZRGraphBase base;
};

} // namespace

TEST(GraphBase, SetGraphStateTriesFourTimes) {
    for (auto [refusals, succeeds] : {std::pair{3, true}, {4, false}}) {
        BuiltGraph g;
        QSignalSpy changed(&g.base, &ZRGraphBase::graphStateChanged);
        auto node = std::make_unique<StubbornNode>(refusals);
        StubbornNode* n = node.get();
        ASSERT_EQ(g.base.addFilter(std::move(node), "stubborn"), kZRGraphOk);
        const ZRGraphResult r = g.base.setGraphState(2);
        EXPECT_EQ(n->tries, 4) << refusals;
        EXPECT_EQ(zrGraphSucceeded(r), succeeds) << refusals;
        EXPECT_EQ(g.base.lastResult(), r);
        EXPECT_EQ(changed.count(), succeeds ? 1 : 0);
        EXPECT_EQ(g.base.currentState(), succeeds ? 2 : 0);
        // Values other than 0-2 only report the last result.
        g.base.setLastResult(0x1234);
        EXPECT_EQ(g.base.setGraphState(7), 0x1234);
        g.base.setGraphState(0);
    }
}

TEST(GraphBase, GraphStateReadsChangesUnderWayAndLiveSources) {
    BuiltGraph g;
    long state = 99;
    EXPECT_TRUE(zrGraphSucceeded(g.base.graphState(&state)));
    EXPECT_EQ(state, 0);
    EXPECT_EQ(g.base.graphState(nullptr), kZRGraphInvalidArg);

    struct Reporting : ZRGraphNode {
        Reporting() : ZRGraphNode("Reporting") {}
        ZRGraphResult queryState() const override { return report; }
        ZRGraphResult report = kZRGraphOk;
    };
    auto node = std::make_unique<Reporting>();
    Reporting* n = node.get();
    g.base.addFilter(std::move(node), "reporting");
    g.base.setGraphState(1);
    for (auto [report, expected] :
         {std::pair{kZRGraphStateIntermediate, 3L}, {kZRGraphCantCue, 4L}, {kZRGraphFail, -1L}}) {
        n->report = report;
        g.base.graphState(&state);
        EXPECT_EQ(state, expected);
        EXPECT_EQ(g.base.currentState(), expected);
    }
    ZRGraphBase none;
    none.graphState(&state);
    EXPECT_EQ(state, -1);
}

TEST(GraphBase, EventsReachTheVideoWidgetAndDrainInOnePass) {
    testsupport::guiApplication();
    ZRVideoWidget widget;
    ZRGraphBase base;
    base.setOwnerWindow(&widget);
    base.buildGraph();
    std::vector<long> codes;
    int announcements = 0;
    QObject::connect(&widget, &ZRVideoWidget::winEventOccured, [&](bool* handled, QEvent* e) {
        EXPECT_EQ(int(e->type()), 0x401);
        ++announcements;
        long code;
        intptr_t p1, p2;
        while (base.getEvent(&code, &p1, &p2, 0)) {
            codes.push_back(code);
            base.freeEventParams(code, p1, p2);
        }
        *handled = true;
    });
    base.graph()->postEvent(kZREventComplete, 0, 0);
    base.graph()->postEvent(kZREventErrorAbort, 0, 0);
    QTest::qWait(20);
    EXPECT_EQ(announcements, 1);
    EXPECT_EQ(codes, (std::vector<long>{1, 3}));
    base.destroyGraph();
}

TEST(GraphBase, RefusesMissingArgumentsAndStaleHandles) {
    BuiltGraph g;
    EXPECT_EQ(g.base.addFilterByClsid(nullptr, zroutsidefilters::kClsidSmartTee, "tee"),
              kZRGraphInvalidArg);
    EXPECT_EQ(g.base.lastResult(), int32_t(0x80070057u));
    EXPECT_EQ(g.base.kill(nullptr), kZRGraphInvalidArg);
    EXPECT_EQ(g.base.connectPins(nullptr, nullptr), kZRGraphInvalidArg);
    long code;
    intptr_t p;
    EXPECT_FALSE(g.base.getEvent(nullptr, &p, &p, 0));
    EXPECT_EQ(g.base.lastResult(), kZRGraphInvalidArg);
    EXPECT_FALSE(g.base.getEvent(&code, &p, &p, 0));
    EXPECT_EQ(g.base.lastResult(), kZRGraphFalse);

    ZRGraphBase::Filter tee = 0;
    ASSERT_EQ(g.base.addFilterByClsid(&tee, zroutsidefilters::kClsidSmartTee, "Video SmartTee"),
              kZRGraphOk);
    ZRGraphBase::Filter copy = tee;
    ZRGraphPin* pin = g.base.node(tee)->outputPin(0);
    EXPECT_TRUE(g.base.holdsPin(pin));
    EXPECT_EQ(g.base.kill(&tee), kZRGraphOk);
    EXPECT_EQ(tee, 0u);
    EXPECT_EQ(g.base.node(copy), nullptr);
    EXPECT_EQ(g.base.queryInterface<IZRVideoWindow>(copy), nullptr);
    EXPECT_EQ(g.base.lastResult(), kZRGraphInvalidArg);
    // The pin went with its node: it is refused, never followed.
    EXPECT_FALSE(g.base.holdsPin(pin));
    EXPECT_EQ(g.base.disconnectPins(pin, pin), kZRGraphInvalidArg);
}

TEST(GraphBase, LoadFilterFromFileKnowsOnlyTheTable) {
    BuiltGraph g;
    std::unique_ptr<ZRGraphNode> node;
    EXPECT_EQ(g.base.loadFilterFromFile(&node, "nothing.ax", zroutsidefilters::kClsidDump),
              int32_t(0x80040154u));
    EXPECT_FALSE(node);
    // A known file without that class.
    EXPECT_EQ(g.base.loadFilterFromFile(&node, "CSDump.Ax", zroutsidefilters::kClsidSmartTee),
              kZRGraphClassNotRegistered);
    ZRGraphBase::Filter f = 7;
    EXPECT_EQ(g.base.addFilterFromFile(&f, "missing.ax", zroutsidefilters::kClsidDump, "Dump"),
              kZRGraphClassNotRegistered);
    EXPECT_EQ(f, 0u);
    EXPECT_TRUE(g.base.graph()->nodeIds().empty());
    // File names compare without case and without their folder.
    EXPECT_EQ(
        g.base.loadFilterFromFile(&node, "/opt/filters/csdump.AX", zroutsidefilters::kClsidDump),
        kZRGraphOk);
    EXPECT_TRUE(node);
}

TEST(GraphBase, EveryOutsideFilterRowMakesItsNamedNode) {
    for (const zroutsidefilters::Row& row : zroutsidefilters::rows()) {
        // A graph each: two identifiers may make the same filter under the same name.
        BuiltGraph g;
        ZRGraphBase::Filter f = 0;
        const QString name = QString::fromLatin1(row.graphName);
        const ZRGraphResult r = row.file ? g.base.addFilterFromFile(&f, row.file, row.clsid, name)
                                         : g.base.addFilterByClsid(&f, row.clsid, name);
        ASSERT_EQ(r, kZRGraphOk) << row.graphName;
        ASSERT_NE(g.base.node(f), nullptr);
        EXPECT_EQ(g.base.node(f)->name(), row.graphName);
        EXPECT_EQ(g.base.graph()->findNode(row.graphName), f);
    }
    // The preview loads the same files by their lower-case names.
    BuiltGraph g;
    ZRGraphBase::Filter f = 0;
    EXPECT_EQ(g.base.addFilterFromFile(&f, "zrspmpeg.ax",
                                       zroutsidefilters::kClsidEngineMpegSplitter,
                                       "Veltrane MPEG Splitter"),
              kZRGraphOk);
}

TEST(GraphBase, MakeFilterEnumFindsDevicesByNamePart) {
    RegisteredBackend reg;
    reg.backend->add(ZRDeviceCategory::VideoInput, device("@1394#cam-0001", "Sony DV Camcorder"));
    reg.backend->add(ZRDeviceCategory::VideoInput, device("@v4l#video0", "Capture Card"));
    BuiltGraph g;
    ZRGraphBase::Filter f = 0;
    EXPECT_EQ(g.base.makeFilterEnumByDisplayName(&f, ZRDeviceCategory::VideoInput, "video0",
                                                 "Capture Device"),
              kZRGraphOk);
    ASSERT_NE(g.base.node(f), nullptr);
    EXPECT_EQ(g.base.node(f)->kind(), "Capture Card");
    EXPECT_EQ(
        g.base.makeFilterEnumByFriendlyName(&f, ZRDeviceCategory::VideoInput, "sony", "Camera"),
        kZRGraphNotFound);
    EXPECT_EQ(f, 0u);
    EXPECT_EQ(
        g.base.makeFilterEnumByFriendlyName(&f, ZRDeviceCategory::VideoInput, "Sony", "Camera"),
        kZRGraphOk);
    auto record = g.base.copyDeviceRecord("cam-0001");
    ASSERT_TRUE(record);
    EXPECT_EQ(record->familyMask, 2);
    EXPECT_FALSE(g.base.copyDeviceRecord("nothing"));
}

TEST(GraphBase, FindCrossbarInputTakesARoutableVideoInput) {
    BuiltGraph g;
    SimulatedDeviceNode crossbar("xbar");
    EXPECT_EQ(g.base.findCrossbarInput(&crossbar, 2), 1);
    EXPECT_EQ(g.base.findCrossbarInput(&crossbar, 3), 2);
    EXPECT_EQ(g.base.findCrossbarInput(&crossbar, 1), -1);    // the tuner cannot be routed
    EXPECT_EQ(g.base.findCrossbarInput(&crossbar, 4097), -1); // an audio type
    EXPECT_EQ(g.base.findCrossbarInput(nullptr, 2), -1);
    EXPECT_EQ(g.base.lastResult(), kZRGraphInvalidArg);
    EXPECT_EQ(ZRGraphBase::connectorTypeName(4098), "Mic");
    EXPECT_EQ(ZRGraphBase::videoStandardName(0x100000), "PAL N Combo");
}

TEST(GraphBase, VideoSizesByStandardAndStep) {
    struct Case {
        long standard;
        int step;
        ZRVideoResolutions expected;
    };
    const Case cases[] = {
        // Candidates within 160x120..720x576 on an 8-pixel grid from the minimum.
        {1,
         8,
         {{720, 480}, {704, 480}, {640, 480}, {480, 480}, {352, 240}, {320, 240}, {160, 120}}},
        {2,
         8,
         {{720, 576},
          {704, 576},
          {640, 576},
          {640, 480},
          {480, 576},
          {352, 288},
          {320, 288},
          {320, 240},
          {160, 144},
          {160, 120}}},
        {0,
         8,
         {{720, 576},
          {720, 480},
          {704, 576},
          {704, 480},
          {640, 576},
          {640, 480},
          {480, 576},
          {480, 480},
          {352, 288},
          {352, 240},
          {320, 288},
          {320, 240},
          {160, 144},
          {160, 120}}},
        // Steps of 10 or more walk the range, both sizes a step at a time.
        {1, 16, {{608, 568}, {592, 552}, {576, 536}}},
        // A step of 0 offers the minimum only, for any standard.
        {1, 0, {{160, 120}}},
        {2, 0, {{160, 120}}},
        {0, 0, {{160, 120}}},
    };
    for (const Case& c : cases) {
        BuiltGraph g;
        Caps caps;
        caps.video.push_back({0x7 | 0x10, 160, 120, 720, 576, c.step, c.step});
        ZRVideoResolutions sizes;
        g.base.videoSizesFromStreamConfig(&caps, c.standard, &sizes);
        if (c.step == 16) {
            ASSERT_EQ(sizes.size(), 29u); // (576 - 120) / 16 + 1 steps of the height
            sizes.resize(3);
        }
        EXPECT_EQ(sizes, c.expected) << "standard " << c.standard << " step " << c.step;
    }
    // A capability of another standard offers nothing; a negative step counts as 0.
    BuiltGraph g;
    Caps ntscOnly;
    ntscOnly.video.push_back({0x1, 160, 120, 720, 480, 8, 8});
    ntscOnly.video.push_back({0x1, 320, 240, 720, 480, -4, 8});
    ZRVideoResolutions sizes;
    g.base.videoSizesFromStreamConfig(&ntscOnly, 2, &sizes);
    EXPECT_TRUE(sizes.empty());
    g.base.videoSizesFromStreamConfig(&ntscOnly, 1, &sizes);
    EXPECT_EQ(sizes.size(), 7u);
}

TEST(GraphBase, AudioFormatsWalkByGranularity) {
    BuiltGraph g;
    Caps caps;
    caps.audio.push_back({1, 2, 1, 8, 16, 8, 32000, 48000, 16000});
    // Granularity 0 in every value: the minimum only.
    caps.audio.push_back({2, 6, 0, 24, 32, 0, 96000, 192000, 0});
    // A granularity of 1 over a wide range is walked only so far.
    caps.audio.push_back({1, 1, 0, 16, 16, 0, 8000, 2000000, 1});
    ZRAudioResolutions formats;
    g.base.audioFormatsFromStreamConfig(&caps, &formats);
    const ZRAudioResolutions head{{96000, 2, 24}, {48000, 2, 16}, {32000, 2, 16}};
    ASSERT_GE(formats.size(), 8u + 1 + 1);
    EXPECT_EQ(ZRAudioResolutions(formats.begin(), formats.begin() + 3), head);
    EXPECT_LE(formats.size(), 8u + 1 + 256);

    ZRAudioResolutions fromPin;
    ZRGraphBase::Filter f = 0;
    g.base.addFilterFromFile(&f, "ZRDSMpeg.Ax", zroutsidefilters::kClsidEngineMpegAudioDecoder,
                             "ZR MPEG Audio Decoder");
    g.base.audioFormatsFromPin(g.base.node(f)->outputPin(0), &fromPin);
    EXPECT_EQ(fromPin, (ZRAudioResolutions{{48000, 2, 16}}));
}
