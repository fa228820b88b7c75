#include "platform/graph/ZRTeeNodes.h"
#include "platform/graph/ZRGraph.h"
#include "tests/platform/graph/GraphTestNodes.h"

#include <gtest/gtest.h>

#include <chrono>

using graphtest::CheckingSink;
using graphtest::PatternSource;

namespace {

bool waitFor(const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

} // namespace

// The capture output is switched on and off from this thread while 10,000 frames stream: every
// frame that arrives is whole and in order, and none is lost without being counted.
TEST(SmartTee, CaptureOutputSwitchesBetweenWholeFrames) {
    constexpr int64_t kFrames = 10000;
    ZRGraph graph;
    auto source = std::make_unique<PatternSource>(kFrames);
    auto tee = std::make_unique<ZRSmartTeeNode>();
    auto capture = std::make_unique<CheckingSink>();
    auto preview = std::make_unique<CheckingSink>(/*slow=*/true);
    PatternSource* src = source.get();
    ZRSmartTeeNode* t = tee.get();
    CheckingSink* cap = capture.get();
    CheckingSink* pre = preview.get();
    graph.addNode(std::move(source), "source");
    graph.addNode(std::move(tee), "Video SmartTee");
    graph.addNode(std::move(capture), "capture");
    graph.addNode(std::move(preview), "preview");
    ASSERT_EQ(graph.connect(src->outputPin(0), t->inputPin(0)), kZRGraphOk);
    EXPECT_EQ(t->capturePin()->mediaType().major, "iavs");
    ASSERT_EQ(graph.connect(t->capturePin(), cap->inputPin(0)), kZRGraphOk);
    ASSERT_EQ(graph.connect(t->previewPin(), pre->inputPin(0)), kZRGraphOk);

    // Besides the switching at any time, frame 5000 certainly meets a stopped output and
    // frame 5001 a started one.
    src->gateA = 5000;
    src->gateB = 5001;
    ASSERT_EQ(graph.setState(ZRGraphState::Running), kZRGraphOk);
    bool on = true;
    bool holding = false; // between the gates: the output stays stopped for frame 5000
    while (!src->done.load()) {
        const int64_t gate = src->waitingAt.load();
        if (gate >= 0) {
            holding = gate == 5000;
            holding ? t->capturePin()->stopStream() : t->capturePin()->startStream();
            src->waitingAt.store(-1);
            continue;
        }
        if (holding) continue;
        on = !on;
        on ? t->capturePin()->startStream() : t->capturePin()->stopStream();
        std::this_thread::yield();
    }
    ASSERT_EQ(graph.setState(ZRGraphState::Stopped), kZRGraphOk);

    std::lock_guard lock(cap->mutex);
    EXPECT_EQ(cap->broken, 0);
    EXPECT_EQ(cap->outOfOrder, 0);
    EXPECT_EQ(cap->received, t->capturePin()->delivered());
    EXPECT_EQ(t->capturePin()->delivered() + t->capturePin()->discarded(), kFrames);
    EXPECT_GT(t->capturePin()->discarded(), 0);
    EXPECT_GT(cap->received, 0);

    // The slow preview saw frames whole and in order; those it had no time for were counted.
    std::lock_guard previewLock(pre->mutex);
    EXPECT_EQ(pre->broken, 0);
    EXPECT_EQ(pre->outOfOrder, 0);
    EXPECT_LE(pre->received + t->previewDropped(), kFrames);
    EXPECT_GE(pre->received + t->previewDropped(), kFrames - 1);
}

TEST(SmartTee, EndOfStreamReachesBothOutputs) {
    ZRGraph graph;
    auto source = std::make_unique<PatternSource>(20);
    auto tee = std::make_unique<ZRSmartTeeNode>();
    auto a = std::make_unique<CheckingSink>();
    auto b = std::make_unique<CheckingSink>();
    PatternSource* src = source.get();
    ZRSmartTeeNode* t = tee.get();
    CheckingSink* ca = a.get();
    CheckingSink* cb = b.get();
    graph.addNode(std::move(source), "source");
    graph.addNode(std::move(tee), "tee");
    graph.addNode(std::move(a), "a");
    graph.addNode(std::move(b), "b");
    graph.connect(src->outputPin(0), t->inputPin(0));
    graph.connect(t->capturePin(), ca->inputPin(0));
    graph.connect(t->previewPin(), cb->inputPin(0));
    ASSERT_EQ(graph.setState(ZRGraphState::Running), kZRGraphOk);
    int code = 0;
    intptr_t p1, p2;
    ASSERT_TRUE(graph.getEvent(&code, &p1, &p2, 10000));
    EXPECT_EQ(code, kZREventComplete);
    EXPECT_EQ(graph.setState(ZRGraphState::Stopped), kZRGraphOk);
    std::lock_guard lock(ca->mutex);
    EXPECT_EQ(ca->received, 20);
}

TEST(InfTee, EveryOutputGetsEverySampleAndANewOutputAppears) {
    ZRGraph graph;
    auto source = std::make_unique<PatternSource>(50);
    auto tee = std::make_unique<ZRInfTeeNode>();
    PatternSource* src = source.get();
    ZRInfTeeNode* t = tee.get();
    graph.addNode(std::move(source), "source");
    graph.addNode(std::move(tee), "Video InfTee");
    graph.connect(src->outputPin(0), t->inputPin(0));
    std::vector<CheckingSink*> sinks;
    for (int i = 0; i < 3; ++i) {
        auto sink = std::make_unique<CheckingSink>();
        sinks.push_back(sink.get());
        graph.addNode(std::move(sink), "sink");
        ASSERT_EQ(t->outputCount(), i + 1);
        ASSERT_EQ(graph.connect(t->outputPin(i), sinks.back()->inputPin(0)), kZRGraphOk);
    }
    EXPECT_EQ(t->outputCount(), 4);
    ASSERT_EQ(graph.setState(ZRGraphState::Running), kZRGraphOk);
    ASSERT_TRUE(waitFor([&] { return src->done.load(); }));
    ASSERT_EQ(graph.setState(ZRGraphState::Stopped), kZRGraphOk);
    for (CheckingSink* s : sinks) {
        std::lock_guard lock(s->mutex);
        EXPECT_EQ(s->received, 50);
        EXPECT_EQ(s->broken, 0);
    }
}
