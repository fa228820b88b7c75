#include "capture/ZRGraphFactory.h"
#include "capture/ZRGraphBase.h"
#include "capture/ZRVideoWidget.h"
#include "tests/support/GuiApplication.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLoggingCategory>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace factorytest {

/// What the fake paths did, in order, across every path of a test.
std::vector<std::string> gLog;
int gAlive = 0;

/// A path of any kind that records the factory's calls and what it had been given when it
/// was asked to build.
class FakePath : public ZRFilterPathBase, public IZRFactoryPath {
public:
    FakePath(ZRGraphBase* graph, long kind) : ZRFilterPathBase(graph, "fake path"), kind(kind) {
        ++gAlive;
        // A device node of its own, so that a lost device can be told from another.
        graph->addFilter(std::make_unique<ZRGraphNode>("fake device"), QStringLiteral("device"),
                         &m_captureDevice);
    }
    ~FakePath() override { --gAlive; }

    ZRGraphResult connectInternal() override {
        built = QStringList{text(0), text(1), text(2), text(4), text(5)};
        builtSplit = splitLimit();
        builtSettings9 = captureSetting(9);
        gLog.push_back("build " + std::to_string(kind));
        return kZRGraphOk;
    }
    ZRGraphResult teardown() override {
        gLog.push_back("teardown " + std::to_string(kind));
        return ZRFilterPathBase::teardown();
    }
    bool runPath(long capture, long preview) override {
        gLog.push_back("run " + std::to_string(capture) + "," + std::to_string(preview));
        return true;
    }
    bool getAVProp(long code, ZRAVProp* out) override {
        if (code != 9) return false;
        out->value = 1;
        out->names = {QStringLiteral("NTSC_M"), QStringLiteral("PAL_B")};
        return true;
    }
    bool setAVPropName(long code, const QString& name) override {
        gLog.push_back("set " + std::to_string(code) + " " + name.toStdString());
        return true;
    }
    void setSignalLinks(const ZRSignalLink& a, const ZRSignalLink&,
                        const ZRSignalLink& c) override {
        links = {QString::fromLatin1(a.method), QString::fromLatin1(c.method)};
    }
    void setCamState(long request, long) override {
        gLog.push_back("cam " + std::to_string(request));
    }

    long kind;
    QStringList built;
    long builtSplit = -1;
    long builtSettings9 = -1;
    QStringList links;
};

/// Registers a fake maker for every kind for the scope.
class FakeMakers {
public:
    FakeMakers() {
        gLog.clear();
        for (long kind : ZRGraphFactory::kSlotKinds)
            ZRGraphFactory::registerPathMaker(kind, [kind](ZRGraphBase* graph) {
                return std::make_unique<FakePath>(graph, kind);
            });
    }
    ~FakeMakers() {
        for (long kind : ZRGraphFactory::kSlotKinds)
            ZRGraphFactory::registerPathMaker(kind, {});
    }
};

/// Debug traces of the factory for the scope.
class Traces {
public:
    Traces() {
        s_lines = &lines;
        QLoggingCategory::setFilterRules(QStringLiteral("clipstead.capture.factory.debug=true"));
        m_before = qInstallMessageHandler([](QtMsgType, const QMessageLogContext&,
                                             const QString& text) { s_lines->append(text); });
    }
    ~Traces() {
        qInstallMessageHandler(m_before);
        QLoggingCategory::setFilterRules(QString());
        s_lines = nullptr;
    }
    bool has(const char* text) const { return lines.contains(QString::fromLatin1(text)); }
    QStringList lines;

private:
    static inline QStringList* s_lines = nullptr;
    QtMessageHandler m_before = nullptr;
};

struct Fixture {
    Fixture() : widget(nullptr, "Capture Preview Window") {
        factory = std::make_unique<ZRGraphFactory>(&widget);
        factory->buildGraph(nullptr, &widget, {&widget, "rcStateChanged(long,long)"}, {},
                            {&widget, "slotShowTimeCode(long)"});
    }
    FakePath* path() const { return dynamic_cast<FakePath*>(factory->activePath()); }
    QApplication& app = testsupport::guiApplication();
    FakeMakers makers;
    ZRVideoWidget widget;
    std::unique_ptr<ZRGraphFactory> factory;
};

} // namespace factorytest

using factorytest::FakePath;
using factorytest::Fixture;
using factorytest::gLog;

TEST(GraphFactory, BuildsTwiceOnlyAfterTeardownWithTraces) {
    Fixture f;
    factorytest::Traces traces;
    ZRGraphBase* first = f.factory->graph();
    f.factory->buildGraph(nullptr, &f.widget, {}, {}, {});
    EXPECT_TRUE(traces.has("buildGraph: a graph exists"));
    EXPECT_EQ(f.factory->graph(), first);

    f.factory->buildPath(0x011, "dev", {}, "/tmp/out.avi");
    FakePath* built = f.path();
    ASSERT_NE(built, nullptr);
    f.factory->buildPath(0x201, "dev2", {}, "/tmp/out2.mvl");
    EXPECT_TRUE(traces.has("buildPath: a path exists"));
    EXPECT_EQ(f.path(), built);
    EXPECT_EQ(f.factory->kind(), 0x011);
}

TEST(GraphFactory, StartsEachKindAsItsFamilyNeeds) {
    QTemporaryDir dir;
    const QString input = dir.filePath("in.mpg");
    QFile(input).open(QIODevice::WriteOnly);
    struct Case {
        long kind;
        std::vector<std::string> log;
        long state; ///< the graph state after the build
        bool devicePath;
    } cases[] = {
        {0x001, {"build 1", "run 0,1"}, 2, false},
        {0x201, {"build 513", "run 0,1"}, 2, true},
        {0x251, {"build 593", "run 0,1"}, 2, true},
        {0x011, {"build 17", "run 0,1"}, 2, true},
        {0x081, {"build 129", "run 0,1"}, 2, true},
        {0x021, {"build 33", "run 0,1"}, 2, true},
        {0x002, {"build 2", "run 1,1"}, 0, false},
        {0x202, {"build 514", "run 1,1"}, 0, true},
        {0x252, {"build 594"}, 0, true},
        {0x022, {"build 34"}, 0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.kind);
        Fixture f;
        f.factory->buildPath(c.kind, "dev", input, dir.filePath("out"));
        EXPECT_EQ(gLog, c.log);
        EXPECT_EQ(f.factory->graph()->currentState(), c.state);
        EXPECT_EQ(f.factory->activeDevicePath() != nullptr, c.devicePath);
        EXPECT_EQ(f.factory->pathOfKind(c.kind), f.factory->activePath());
        // Each kind's teardown finds its own slot.
        gLog.clear();
        f.factory->teardownPath();
        EXPECT_EQ(f.factory->activePath(), nullptr);
        EXPECT_EQ(f.factory->pathOfKind(c.kind), nullptr);
        EXPECT_EQ(f.factory->kind(), 0);
        EXPECT_EQ(factorytest::gAlive, 0);
    }
}

TEST(GraphFactory, ChecksNamesAndKeepsEarlierOnes) {
    QTemporaryDir dir;
    const QString input = dir.filePath("in.avi");
    Fixture f;
    // A playback kind whose input does not exist builds nothing but keeps the kind.
    f.factory->buildPath(0x002, "camera", input, {});
    EXPECT_EQ(f.factory->activePath(), nullptr);
    EXPECT_EQ(f.factory->kind(), 0x002);
    QFile(input).open(QIODevice::WriteOnly);
    f.factory->buildPath(0x002, {}, {}, {});
    ASSERT_NE(f.path(), nullptr);
    EXPECT_EQ(f.factory->deviceName(), "camera");
    f.factory->teardownPath();

    // Capture kinds need an output file; an unknown kind builds nothing.
    Fixture g;
    g.factory->buildPath(0x011, "card", {}, {});
    EXPECT_EQ(g.factory->activePath(), nullptr);
    g.factory->buildPath(0x123, "card", {}, "out.avi");
    EXPECT_EQ(g.factory->activePath(), nullptr);
    // A kind without a maker builds nothing either.
    ZRGraphFactory::registerPathMaker(0x011, {});
    g.factory->buildPath(0x011, {}, {}, {});
    EXPECT_EQ(g.factory->activePath(), nullptr);
}

TEST(GraphFactory, HandsTheNamesAndSettingsOverBeforeBuilding) {
    Fixture f;
    std::array<long, 17> settings{};
    settings[9] = 6000000;
    f.factory->setCaptureSettings(settings);
    f.factory->setSplitLimit(5120);
    f.factory->setAudioDeviceName("mic");
    f.factory->setVideoEncoderName("enc");
    f.factory->buildPath(0x011, "card", "ignored.avi", "/tmp/x.avi");
    ASSERT_NE(f.path(), nullptr);
    EXPECT_EQ(f.path()->built, (QStringList{"card", "mic", "enc", "ignored.avi", "/tmp/x.avi"}));
    EXPECT_EQ(f.path()->builtSplit, 5120);
    EXPECT_EQ(f.path()->builtSettings9, 6000000);
    EXPECT_EQ(f.path()->videoWidget(), &f.widget);

    // The camera path gets the links instead of the other names.
    Fixture g;
    g.factory->setAudioDeviceName("mic");
    g.factory->buildPath(0x001, "cam", {}, "/tmp/c.ovl");
    ASSERT_NE(g.path(), nullptr);
    EXPECT_EQ(g.path()->built[1], "");
    EXPECT_EQ(g.path()->links,
              (QStringList{"rcStateChanged(long,long)", "slotShowTimeCode(long)"}));
    g.factory->setCamState(8, 0);
    EXPECT_EQ(gLog.back(), "cam 8");
}

TEST(GraphFactory, RunKeepsTheStreamPairAcrossCalls) {
    Fixture f;
    f.factory->buildPath(0x011, "card", {}, "/tmp/x.avi");
    gLog.clear();
    f.factory->runActivePath(-2, 0);
    f.factory->start();
    EXPECT_EQ(gLog, (std::vector<std::string>{"run 0,0", "run 1,0"}));
    EXPECT_EQ(f.factory->captureFlag(), 1);
    EXPECT_EQ(f.factory->previewFlag(), 0);
}

TEST(GraphFactory, PropertiesAndFormatsGoToTheirKindsOnly) {
    Fixture f;
    ZRAVProp prop;
    prop.value = 7;
    EXPECT_FALSE(f.factory->getAVProp(9, &prop));
    EXPECT_EQ(prop.value, 0);
    f.factory->buildPath(0x201, "kestrel", {}, "/tmp/x.mvl");
    ASSERT_TRUE(f.factory->getAVProp(9, &prop));
    EXPECT_EQ(prop.names, (QStringList{"NTSC_M", "PAL_B"}));
    EXPECT_TRUE(f.factory->setAVPropName(9, "PAL_B"));
    EXPECT_EQ(gLog.back(), "set 9 PAL_B");
    // Sizes and formats belong to the generic card alone.
    EXPECT_FALSE(f.factory->videoSizeList().has_value());
    EXPECT_FALSE(f.factory->videoSize(720, 576));
    // A camera path answers no property.
    Fixture g;
    g.factory->buildPath(0x001, "cam", {}, "/tmp/c.ovl");
    EXPECT_FALSE(g.factory->getAVProp(9, &prop));
}

TEST(GraphFactory, GraphEventsStopOnceWithTheLastCode) {
    struct Case {
        const char* name;
        std::vector<int> codes;
        bool ownDevice; ///< a lost device names the path's own node
        std::vector<long> stops;
    } cases[] = {
        {"complete then error", {1, 3}, true, {3}}, {"user abort", {2}, true, {2}},
        {"our device lost", {0x1F}, true, {0x1F}},  {"another device lost", {0x1F}, false, {}},
        {"other codes", {0x0D, 0x0E}, true, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Fixture f;
        factorytest::Traces traces;
        f.factory->buildPath(0x011, "card", {}, "/tmp/x.avi");
        QSignalSpy stopped(f.factory.get(), &ZRGraphFactory::graphStopped);
        ZRGraph* graph = f.factory->graph()->graph();
        ZRGraph::NodeId other = 0;
        graph->addNode(std::make_unique<ZRGraphNode>("other"), "other", &other);
        const intptr_t lost = c.ownDevice ? intptr_t(f.path()->captureDevice()) : intptr_t(other);
        for (int code : c.codes)
            graph->postEvent(code, lost, 0);
        QCoreApplication::processEvents();
        std::vector<long> got;
        for (const auto& args : stopped)
            got.push_back(args.at(0).value<long>());
        EXPECT_EQ(got, c.stops);
        EXPECT_TRUE(traces.lines.contains(QStringLiteral("GRAPH NOTIFICATION: EC_%1")
                                              .arg(c.codes[0], 8, 16, QChar(u'0'))
                                              .toUpper()));
    }
}

TEST(GraphFactory, AHandledNoticeIsLeftAlone) {
    Fixture f;
    QSignalSpy stopped(f.factory.get(), &ZRGraphFactory::graphStopped);
    f.factory->graph()->graph()->postEvent(1, 0, 0);
    QEvent notice(QEvent::Type(ZRGraphBase::kGraphNotify));
    bool handled = true;
    f.factory->myWinEvent(&handled, &notice);
    EXPECT_EQ(stopped.count(), 0);
    handled = false;
    f.factory->myWinEvent(&handled, &notice);
    EXPECT_TRUE(handled);
    EXPECT_EQ(stopped.count(), 1);
}

TEST(GraphFactory, DeletingARunningFactoryTearsEverythingDown) {
    {
        Fixture f;
        f.factory->buildPath(0x011, "card", {}, "/tmp/x.avi");
        f.factory->start();
        EXPECT_EQ(factorytest::gAlive, 1);
    }
    EXPECT_EQ(factorytest::gAlive, 0);
    EXPECT_EQ(gLog.back(), "teardown 17");

    Fixture g;
    g.factory->buildPath(0x011, "card", {}, "/tmp/x.avi");
    g.factory->destroyGraph();
    EXPECT_EQ(g.factory->graph(), nullptr);
    EXPECT_EQ(g.factory->activePath(), nullptr);
    EXPECT_EQ(factorytest::gAlive, 0);
}
