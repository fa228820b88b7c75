#include "views/ZRPreviewGraph.h"
#include "platform/playback/ZRNullOutput.h"
#include "platform/playback/ZRPlaybackPipeline.h"
#include "platform/playback/ZRPreviewOutput.h"
#include "platform/playback/ZRVideoSurface.h"
#include "tests/support/GuiApplication.h"
#include "tests/views/FakeTimeline.h"
#include "views/ZRPreviewSourceCallback.h"

#include <QTest>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <vector>

namespace {

/// A preview widget that records what the graph asks of it.
class FakePreview : public QWidget, public ZRPreviewGraph::Host {
public:
    IZRTimeline* timeline = nullptr;
    int state = 1;
    QTimer timer;
    int graphEvents = 0;
    std::vector<qint64> reported;
    std::vector<const char*> commands;

    QWidget* previewWidget() override { return this; }
    IZRTimeline* previewTimeline() override { return timeline; }
    int playState() override { return state; }
    QTimer* pollTimer() override { return &timer; }
    void handleGraphEvents() override { ++graphEvents; }
    void slotPositionChanged(qint64 t) override { reported.push_back(t); }
    void play() override { commands.push_back("play"); }
    void stop() override { commands.push_back("stop"); }
};

class PreviewGraph : public ::testing::Test {
protected:
    // Before the fixture's widgets are made.
    static void SetUpTestSuite() { testsupport::guiApplication(); }

    void SetUp() override {
        zrSetPreviewOutputFactory([] { return std::make_unique<ZRNullOutput>(); });
        timeline.setEndFrames(250);
        preview.timeline = &timeline;
        preview.resize(360, 288);
    }
    void TearDown() override {
        graph.reset();
        zrSetPreviewOutputFactory({});
    }

    ZRVideoSurface* surface() { return graph->pipeline()->surface(); }

    FakeTimeline timeline;
    FakePreview preview;
    std::unique_ptr<ZRPreviewGraph> graph = std::make_unique<ZRPreviewGraph>(preview);
};

TEST_F(PreviewGraph, BuiltHiddenTheSurfaceAttachesOnShow) {
    ASSERT_TRUE(graph->buildGraph());
    EXPECT_EQ(surface()->owner(), nullptr);
    EXPECT_FALSE(surface()->isVisible());
    // Reduced to the view: 720 x 576 into 360 x 288.
    EXPECT_EQ(graph->sourceCallback()->ratioX(), 2);
    EXPECT_EQ(graph->sourceCallback()->ratioY(), 2);
    EXPECT_EQ(graph->pipeline()->videoSize(), QSize(360, 288));

    preview.show();
    EXPECT_EQ(surface()->owner(), &preview);
    EXPECT_EQ(surface()->parentWidget(), &preview);
    EXPECT_EQ(surface()->geometry(), QRect(0, 0, 360, 288));
    EXPECT_FALSE(surface()->isVisible()); // stopped
    EXPECT_FALSE(preview.timer.isActive());

    preview.resize(200, 100);
    EXPECT_EQ(surface()->geometry(), QRect(0, 0, 200, 100));

    // Playing, showing again restarts the slow poll; hiding stops it.
    preview.hide();
    preview.state = 0;
    preview.show();
    EXPECT_TRUE(preview.timer.isActive());
    EXPECT_EQ(preview.timer.interval(), 1000);
    preview.hide();
    EXPECT_FALSE(preview.timer.isActive());
}

TEST_F(PreviewGraph, BuildingTwiceKeepsTheGraphAndUpdateRebuildsOnlyAnExistingOne) {
    graph->update();
    EXPECT_FALSE(graph->hasGraph());

    ASSERT_TRUE(graph->buildGraph());
    ZRPlaybackPipeline* first = graph->pipeline();
    ASSERT_TRUE(graph->buildGraph());
    EXPECT_EQ(graph->pipeline(), first);

    timeline.width = 360;
    graph->update();
    ASSERT_TRUE(graph->hasGraph());
    EXPECT_EQ(graph->sourceCallback()->ratioX(), 1);
    EXPECT_EQ(graph->pipeline()->videoSize(), QSize(360, 288));

    graph->releaseGraph();
    EXPECT_FALSE(graph->hasGraph());
    graph->releaseGraph();
}

TEST_F(PreviewGraph, AnEmptyViewKeepsTheRatio) {
    preview.resize(0, 0);
    ASSERT_TRUE(graph->buildGraph());
    EXPECT_EQ(graph->sourceCallback()->ratioX(), 1);
    EXPECT_EQ(graph->sourceCallback()->ratioY(), 1);
    EXPECT_EQ(graph->pipeline()->videoSize(), QSize(720, 576));
}

TEST_F(PreviewGraph, WithoutAUsableTimelineNoGraphIsBuilt) {
    preview.timeline = nullptr;
    EXPECT_FALSE(graph->buildGraph());
    EXPECT_FALSE(graph->hasGraph());
    preview.timeline = &timeline;
    timeline.width = 0;
    EXPECT_FALSE(graph->buildGraph());
    EXPECT_FALSE(graph->hasGraph());
}

TEST_F(PreviewGraph, F12OnTheSurfaceTwiceEndsWindowedWithTheCursorShown) {
    preview.show();
    ASSERT_TRUE(graph->buildGraph());
    preview.state = 0;
    ASSERT_TRUE(graph->pipeline()->run());

    QTest::keyClick(surface(), Qt::Key_F12);
    EXPECT_TRUE(graph->fullScreen());
    EXPECT_TRUE(surface()->isFullScreen());
    EXPECT_EQ(surface()->cursor().shape(), Qt::BlankCursor);
    EXPECT_EQ(QWidget::keyboardGrabber(), surface());

    QTest::keyClick(surface(), Qt::Key_F12);
    EXPECT_FALSE(graph->fullScreen());
    EXPECT_FALSE(surface()->isFullScreen());
    EXPECT_NE(surface()->cursor().shape(), Qt::BlankCursor);
    EXPECT_EQ(QWidget::keyboardGrabber(), nullptr);
    EXPECT_EQ(surface()->parentWidget(), &preview);
    EXPECT_EQ(surface()->geometry(), QRect(0, 0, 360, 288));

    // Escape leaves full screen, and is not taken when windowed.
    QTest::keyClick(surface(), Qt::Key_F12);
    QTest::keyClick(surface(), Qt::Key_Escape);
    EXPECT_FALSE(graph->fullScreen());
    EXPECT_EQ(QWidget::keyboardGrabber(), nullptr);
}

TEST_F(PreviewGraph, HomeGoesToTheStartAndSpacePlaysOrStops) {
    preview.show();
    ASSERT_TRUE(graph->buildGraph());
    const ZRMediaTime later = 40000000;
    graph->pipeline()->setPositions(&later, nullptr);

    QTest::keyClick(&preview, Qt::Key_Home);
    EXPECT_EQ(graph->pipeline()->currentPosition(), 0);
    EXPECT_EQ(preview.reported, std::vector<qint64>{0});

    QTest::keyClick(&preview, Qt::Key_Space);
    preview.state = 0;
    QTest::keyClick(&preview, Qt::Key_Space);
    preview.state = 2;
    QTest::keyClick(&preview, Qt::Key_Space);
    EXPECT_EQ(preview.commands, (std::vector<const char*>{"play", "stop", "stop"}));
}

TEST_F(PreviewGraph, TheEndOfPlaybackReachesThePreviewsEventHandler) {
    preview.show();
    ASSERT_TRUE(graph->buildGraph());
    const ZRMediaTime stop = 400000;
    graph->pipeline()->setPositions(nullptr, &stop);
    ASSERT_TRUE(graph->pipeline()->run());
    ASSERT_TRUE(QTest::qWaitFor([&] { return preview.graphEvents > 0; }, 10000));
    int code = 0;
    ASSERT_TRUE(graph->pipeline()->getEvent(&code));
    EXPECT_EQ(code, ZRPlaybackPipeline::kEventComplete);
}

// Small frames, real time: the preview's own commands in quick succession many times over, and
// the graph destroyed while it plays.
TEST_F(PreviewGraph, StartStopSeekAndReleaseRepeatedlyAndDestroyWhilePlaying) {
    timeline.width = 64;
    timeline.height = 48;
    preview.resize(64, 48);
    preview.show();
    for (int round = 0; round < 200; ++round) {
        ASSERT_TRUE(graph->buildGraph());
        ZRPlaybackPipeline* p = graph->pipeline();
        ASSERT_TRUE(p->run());
        const ZRMediaTime at = (round % 25) * 400000;
        p->setPositions(&at, nullptr);
        if (round % 4 == 0) p->stop();
        graph->releaseGraph();
    }
    ASSERT_TRUE(graph->buildGraph());
    ASSERT_TRUE(graph->pipeline()->run());
    ASSERT_TRUE(QTest::qWaitFor([&] { return graph->pipeline()->stats().shown > 2; }, 10000));
    graph.reset();
}

} // namespace
