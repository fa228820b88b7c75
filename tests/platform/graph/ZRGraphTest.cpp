#include "platform/graph/ZRGraph.h"
#include "platform/graph/ZRGraphInterfaces.h"
#include "tests/platform/graph/GraphTestNodes.h"
#include "tests/support/GuiApplication.h"

#include <QEvent>

#include <gtest/gtest.h>

using graphtest::LoggingNode;

namespace {

/// Counts the graph's announcements.
class AnnouncementCounter : public QObject {
public:
    int count = 0;
    bool event(QEvent* e) override {
        if (e->type() != QEvent::User + 7) return QObject::event(e);
        ++count;
        return true;
    }
};

/// source -> middle -> sink, logging their state changes.
struct Chain {
    std::vector<std::string> log;
    ZRGraph graph;
    LoggingNode *source, *middle, *sink;
    ZRGraph::NodeId sourceId = 0, middleId = 0, sinkId = 0;

    Chain() {
        auto s = std::make_unique<LoggingNode>(&log, false, true);
        auto m = std::make_unique<LoggingNode>(&log, true, true);
        auto k = std::make_unique<LoggingNode>(&log, true, false);
        source = s.get();
        middle = m.get();
        sink = k.get();
        // Added downstream first, so that the order of adding says nothing.
        EXPECT_EQ(graph.addNode(std::move(k), "sink", &sinkId), kZRGraphOk);
        EXPECT_EQ(graph.addNode(std::move(m), "middle", &middleId), kZRGraphOk);
        EXPECT_EQ(graph.addNode(std::move(s), "source", &sourceId), kZRGraphOk);
        EXPECT_EQ(graph.connect(source->outputPin(0), middle->inputPin(0)), kZRGraphOk);
        EXPECT_EQ(graph.connect(middle->outputPin(0), sink->inputPin(0)), kZRGraphOk);
    }
};

} // namespace

TEST(Graph, HandlesNamesAndStaleNodes) {
    ZRGraph graph;
    ZRGraph::NodeId a = 0, b = 0;
    ASSERT_EQ(graph.addNode(std::make_unique<LoggingNode>(nullptr, true, true), "Tee", &a),
              kZRGraphOk);
    ASSERT_EQ(graph.addNode(std::make_unique<LoggingNode>(nullptr, true, true), "Tee", &b),
              kZRGraphOk);
    EXPECT_EQ(graph.node(a)->name(), "Tee");
    EXPECT_EQ(graph.node(b)->name(), "Tee 0001");
    EXPECT_EQ(graph.findNode("Tee 0001"), b);
    EXPECT_EQ(graph.addNode(nullptr, "x"), kZRGraphInvalidArg);

    ASSERT_EQ(graph.connect(graph.node(a)->outputPin(0), graph.node(b)->inputPin(0)), kZRGraphOk);
    EXPECT_EQ(graph.removeNode(a), kZRGraphOk);
    EXPECT_EQ(graph.node(a), nullptr);
    EXPECT_EQ(graph.removeNode(a), kZRGraphInvalidArg);
    EXPECT_FALSE(graph.node(b)->inputPin(0)->isConnected());
    EXPECT_EQ(graph.node(0), nullptr);
}

TEST(Graph, ConnectionsCheckTypesAndTheState) {
    ZRGraph graph;
    auto src = std::make_unique<LoggingNode>(nullptr, false, true); // offers "vids"
    auto dst = std::make_unique<LoggingNode>(nullptr, true, false);
    LoggingNode* s = src.get();
    LoggingNode* d = dst.get();
    graph.addNode(std::move(src), "s");
    graph.addNode(std::move(dst), "d");
    const ZRMediaType audio{"auds", {}};
    EXPECT_EQ(graph.connect(s->outputPin(0), d->inputPin(0), &audio), kZRGraphTypeNotAccepted);
    EXPECT_EQ(graph.connect(d->inputPin(0), s->outputPin(0)), kZRGraphInvalidArg);
    ASSERT_EQ(graph.connect(s->outputPin(0), d->inputPin(0)), kZRGraphOk);
    EXPECT_EQ(d->inputPin(0)->connectionType().major, "vids");
    EXPECT_EQ(graph.connect(s->outputPin(0), d->inputPin(0)), kZRGraphAlreadyConnected);

    ASSERT_EQ(graph.setState(ZRGraphState::Paused), kZRGraphOk);
    EXPECT_EQ(graph.disconnect(s->outputPin(0)), kZRGraphNotStopped);
    EXPECT_EQ(graph.addNode(std::make_unique<LoggingNode>(nullptr, true, false), "late"),
              kZRGraphNotStopped);
    ASSERT_EQ(graph.setState(ZRGraphState::Stopped), kZRGraphOk);
    EXPECT_EQ(graph.disconnect(s->outputPin(0)), kZRGraphOk);
    EXPECT_EQ(graph.disconnect(s->outputPin(0)), kZRGraphFalse);
}

TEST(Graph, StartsFromTheSinksAndStopsFromTheSources) {
    Chain c;
    ASSERT_EQ(c.graph.setState(ZRGraphState::Running), kZRGraphOk);
    EXPECT_EQ(c.log, (std::vector<std::string>{"sink pause", "sink run", "middle pause",
                                               "middle run", "source pause", "source run"}));
    c.log.clear();
    ASSERT_EQ(c.graph.setState(ZRGraphState::Stopped), kZRGraphOk);
    EXPECT_EQ(c.log, (std::vector<std::string>{"source stop", "middle stop", "sink stop"}));
}

TEST(Graph, ARefusalPutsBackTheNodesAlreadyChanged) {
    Chain c;
    c.source->refusals = 1;
    EXPECT_EQ(c.graph.setState(ZRGraphState::Running), kZRGraphFail);
    EXPECT_EQ(c.graph.state(), ZRGraphState::Stopped);
    EXPECT_EQ(c.sink->state(), ZRGraphState::Stopped);
    EXPECT_EQ(c.middle->state(), ZRGraphState::Stopped);
    EXPECT_EQ(c.graph.setState(ZRGraphState::Running), kZRGraphOk);
    EXPECT_EQ(c.source->state(), ZRGraphState::Running);
}

TEST(Graph, StateReportsAChangeUnderWayAndLiveSources) {
    Chain c;
    ZRGraphState s;
    ASSERT_EQ(c.graph.setState(ZRGraphState::Paused), kZRGraphOk);
    c.sink->reportState = kZRGraphStateIntermediate;
    EXPECT_EQ(c.graph.getState(20, &s), kZRGraphStateIntermediate);
    EXPECT_EQ(s, ZRGraphState::Paused);
    c.sink->reportState = kZRGraphOk;
    c.source->reportState = kZRGraphCantCue;
    EXPECT_EQ(c.graph.getState(20, &s), kZRGraphCantCue);
    c.middle->reportState = kZRGraphFail;
    EXPECT_EQ(c.graph.getState(20, &s), kZRGraphFail);
    EXPECT_EQ(c.graph.getState(20, nullptr), kZRGraphInvalidArg);
}

TEST(Graph, EventsAreAnnouncedOnceAndDrainedInOnePass) {
    testsupport::guiApplication();
    AnnouncementCounter owner;
    ZRGraph graph;
    graph.setNotifyTarget(&owner, QEvent::User + 7);
    // Queued from a streaming thread, as nodes do.
    std::thread([&] {
        graph.postEvent(kZREventComplete, 0, 0);
        graph.postEvent(kZREventErrorAbort, 5, int32_t(0x80004005u));
    }).join();
    QCoreApplication::processEvents();
    EXPECT_EQ(owner.count, 1);
    std::vector<int> codes;
    int code = 0;
    intptr_t p1 = 0, p2 = 0;
    while (graph.getEvent(&code, &p1, &p2, 0))
        codes.push_back(code);
    EXPECT_EQ(codes, (std::vector<int>{kZREventComplete, kZREventErrorAbort}));
    EXPECT_EQ(p1, 5);
    // Taking events makes the next one announced again.
    graph.postEvent(kZREventUserAbort, 0, 0);
    QCoreApplication::processEvents();
    EXPECT_EQ(owner.count, 2);
    graph.setNotifyTarget(nullptr, 0);
}

TEST(Graph, StreamTimeHoldsWhilePausedAndFollowsTheSyncSource) {
    struct ClockNode : ZRGraphNode, IZRReferenceClock {
        ClockNode() : ZRGraphNode("Clock") {}
        ZRMediaTime clockTime() const override { return now.load(); }
        std::atomic<ZRMediaTime> now{1000};
    };
    ZRGraph graph;
    auto made = std::make_unique<ClockNode>();
    ClockNode* clock = made.get();
    graph.addNode(std::move(made), "clock");
    EXPECT_EQ(graph.setSyncSource(clock), kZRGraphOk);
    ASSERT_EQ(graph.setState(ZRGraphState::Running), kZRGraphOk);
    clock->now += 500;
    EXPECT_EQ(graph.streamTime(), 500);
    ASSERT_EQ(graph.setState(ZRGraphState::Paused), kZRGraphOk);
    clock->now += 700;
    EXPECT_EQ(graph.streamTime(), 500);
    ASSERT_EQ(graph.setState(ZRGraphState::Running), kZRGraphOk);
    clock->now += 100;
    EXPECT_EQ(graph.streamTime(), 600);
    ASSERT_EQ(graph.setState(ZRGraphState::Stopped), kZRGraphOk);
    EXPECT_EQ(graph.streamTime(), 0);

    auto plain = std::make_unique<LoggingNode>(nullptr, false, false);
    LoggingNode* p = plain.get();
    graph.addNode(std::move(plain), "plain");
    EXPECT_EQ(graph.setSyncSource(p), kZRGraphNoInterface);
}
