#include "tests/views/TimelineFixture.h"

#include "classes/skins/ZRSkinPreload.h"
#include "classes/widgets/ZRPushButton.h"
#include "classes/widgets/ZRScrollBar.h"
#include "editor/ZRUserData.h"
#include "engine/api/IZRTimeline.h"

#include <QFile>
#include <QMimeData>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>

using namespace viewstest;

namespace {

QRgb cornerFrameColour() {
    QDict<PSDLayerSet>* sets = preloadedSkinSets("timeline_boxes");
    PSDLayerSet* other = sets ? sets->find(QStringLiteral("other")) : nullptr;
    PSDLayer* layer = other ? other->layers.find(QStringLiteral("corner_frame_color")) : nullptr;
    return layer && !layer->image.isNull() ? layer->image.pixel(0, 0) : 0;
}

} // namespace

TEST_F(TimelineTest, TrackContainer) {
    ZRTimelineView v;
    EXPECT_FALSE(v.insertTrack(nullptr, 0));
    auto* a = new RecordingTrack(1, true, "A", 15, 7);
    EXPECT_FALSE(v.insertTrack(a, 1)); // above the count
    ASSERT_TRUE(v.insertTrack(a, -1));
    auto* b = new RecordingTrack(2, true, "B", 15, 8);
    ASSERT_TRUE(v.insertTrack(b, 0));
    EXPECT_EQ(v.trackAt(0), b);
    EXPECT_EQ(v.indexOfTrackId(7), 1);
    EXPECT_EQ(v.indexOfTrackId(99), -1);
    EXPECT_EQ(b->view(), &v);
    ZRTimelineTrack* taken = v.takeTrack(-1);
    EXPECT_EQ(taken, b);
    EXPECT_EQ(b->view(), nullptr);
    EXPECT_EQ(v.takeTrack(5), nullptr);
    delete taken;
    EXPECT_TRUE(v.removeTrackAt(0));
    EXPECT_FALSE(v.removeTrackAt(0));
}

TEST_F(TimelineTest, LayoutColumnsAndVisibleTracks) {
    makeView();
    EXPECT_EQ(view->headerColumnWidth(), 103);
    RecordingTrack* first = track(0);
    EXPECT_EQ(first->trackRect().top(), view->trackRegionRect().top());
    EXPECT_EQ(first->contentRect().left(), view->timeAreaRect().left());
    EXPECT_EQ(track(1)->trackRect().top(), first->trackRect().bottom() + 1);
    EXPECT_EQ(view->firstVisibleTrack(), 0);
    EXPECT_EQ(view->lastVisibleTrack(), 5);
    EXPECT_EQ(view->maximumHeight(), 36 + (15 + 40 + 15 + 27 + 15 + 15) + 43);

    // Too short for a second track: the one visible track is first and last.
    view->setMinimumHeight(0);
    view->resize(900, 22 + 24 + 12 + 23 + 10);
    EXPECT_EQ(view->firstVisibleTrack(), 0);
    EXPECT_EQ(view->lastVisibleTrack(), 0);
}

TEST_F(TimelineTest, EmptyProjectHasNoScrollRange) {
    makeView();
    EXPECT_EQ(view->horizontalBar()->minimum(), 0);
    EXPECT_EQ(view->horizontalBar()->maximum(), 0);
    EXPECT_TRUE(view->isProjectEmpty());
    addClips(3); // 6 s: 150 frames, 90 px at level 4
    EXPECT_EQ(view->horizontalBar()->maximum(), 1);
}

TEST_F(TimelineTest, ZoomKeepsTheLeftEdgeAtAWholeUnit) {
    makeView();
    for (int i = 0; i < 30; ++i)
        ASSERT_TRUE(editor.insertClip(clip("long.avi"), editor.objectCount()));
    view->updateHorizontalRange();
    view->horizontalBar()->setValue(3); // 375 frames at the left edge
    view->slotZoomIn();                 // level 3: 50 frames a unit
    EXPECT_EQ(view->zoomLevel(), 3);
    EXPECT_EQ(view->horizontalBar()->value(), 7); // 7.5 units, rounded down to 7
    view->slotZoomOut();
    view->slotZoomOut();                          // level 5: 250 frames a unit
    EXPECT_EQ(view->horizontalBar()->value(), 1); // 350 frames lie in unit 1
    EXPECT_LE(view->visibleStart()->toFrames(), 350.0);

    while (view->zoomLevel() > 0)
        view->slotZoomIn();
    const int value = view->horizontalBar()->value();
    view->slotZoomIn();
    EXPECT_EQ(view->zoomLevel(), 0);
    EXPECT_EQ(view->horizontalBar()->value(), value);
    while (view->zoomLevel() < 13)
        view->slotZoomOut();
    view->slotZoomOut();
    EXPECT_EQ(view->zoomLevel(), 13);
}

TEST_F(TimelineTest, RulerLabels) {
    makeView();
    addClips(1);
    // Level 8 (60 s): whole ten minutes give the full timecode, others minutes and seconds.
    while (view->zoomLevel() < 8)
        view->slotZoomOut();
    EXPECT_EQ(view->rulerLabel(0), QStringLiteral("00:00:00.00"));
    EXPECT_EQ(view->rulerLabel(1), QStringLiteral("01:00"));
    EXPECT_EQ(view->rulerLabel(10), QStringLiteral("00:10:00.00"));
    while (view->zoomLevel() > 1)
        view->slotZoomIn();
    EXPECT_EQ(view->rulerLabel(1), QStringLiteral("05f"));
}

// Clips without effects need no background rendering: their columns carry the strip, and the
// columns past the project's end stay bare.
TEST_F(TimelineTest, RenderStripStopsAtTheProjectEnd) {
    makeView();
    addClips(2); // 100 frames: 60 columns at level 4
    const QImage shot = view->grab().toImage();
    const QRect ruler = view->rulerRect();
    const int y = ruler.bottom() - 2;
    auto isStrip = [&](int x) { return (shot.pixel(x, y) & 0xFFFFFFu) == 0xFFD207u; };
    EXPECT_TRUE(isStrip(ruler.left() + 10));
    EXPECT_TRUE(isStrip(ruler.left() + 59));
    EXPECT_FALSE(isStrip(ruler.left() + 62));
    EXPECT_FALSE(isStrip(ruler.right() - 10));
}

// The skin's ruler is dark: labels and ticks must stand out from it.
TEST_F(TimelineTest, RulerLabelsAndTicksShowOnTheRuler) {
    makeView();
    addClips(1);
    const QImage shot = view->grab().toImage();
    const QRect ruler = view->rulerRect();
    const int tickX = ruler.left() + view->timeScale().pixelsPerUnit();
    const int fill = qGray(shot.pixel(tickX + 20, ruler.bottom() - 4));
    EXPECT_GT(qGray(shot.pixel(tickX, ruler.bottom() - 4)), fill + 60);
    int brightest = 0;
    for (int y = ruler.top(); y < ruler.bottom() - 4; ++y)
        for (int x = tickX - 12; x <= tickX + 12; ++x)
            brightest = std::max(brightest, qGray(shot.pixel(x, y)));
    EXPECT_GT(brightest, fill + 140); // also fails for a hairline weight
}

// Labels take the skin's "corner_frame_color" and are drawn whole: the first is moved inside
// the ruler rather than cut at its left edge, and none is cut at the right edge.
TEST_F(TimelineTest, RulerLabelsAreWholeAndInTheSkinsColour) {
    makeView();
    addClips(1);
    for (const int level : {4, 8}) {
        while (view->zoomLevel() < level)
            view->slotZoomOut();
        const QImage shot = view->grab().toImage();
        const QRect ruler = view->rulerRect();
        const QRgb colour = cornerFrameColour() & 0xFFFFFFu;
        const int tick = ruler.bottom() - 4;
        EXPECT_EQ(shot.pixel(ruler.left() + view->timeScale().pixelsPerUnit(), tick) & 0xFFFFFFu,
                  colour)
            << level;
        auto textIn = [&](int x) {
            for (int y = ruler.top(); y < tick - 1; ++y)
                if ((shot.pixel(x, y) & 0xFFFFFFu) == colour) return true;
            return false;
        };
        bool first = false;
        for (int x = ruler.left(); x < ruler.left() + 40; ++x)
            first = first || textIn(x);
        EXPECT_TRUE(first) << level << ": the first label is drawn";
        EXPECT_FALSE(textIn(ruler.left())) << level << ": and not cut at the left edge";
        EXPECT_FALSE(textIn(ruler.right())) << level << ": none is cut at the right edge";
    }
}

TEST_F(TimelineTest, UnusableProgramRateNeverBreaksPainting) {
    makeView();
    addClips(2);
    {
        std::lock_guard lock(appState().lock);
        appState().frameRate = 0.0;
    }
    (void)view->grab();
    EXPECT_EQ(view->timeScale().pixelsPerUnit(), 75);
    view->slotZoomIn();
    view->slotGotoPosition(pos(40), nullptr);
    (void)view->grab();
    {
        std::lock_guard lock(appState().lock);
        appState().frameRate = 30.0;
    }
    (void)view->grab();
    EXPECT_EQ(view->timeScale().pixelsPerUnit(), 90);
}

TEST_F(TimelineTest, RulerPressInEmptyProjectReachesTheTracks) {
    makeView();
    const QPoint inRuler = view->rulerRect().center();
    QTest::mousePress(view.get(), Qt::LeftButton, {}, inRuler);
    EXPECT_EQ(view->mouseState(), 0);
    QTest::mouseRelease(view.get(), Qt::LeftButton, {}, inRuler);
    int releases = 0;
    for (int i = 0; i < view->trackCount(); ++i)
        releases += track(i)->releases;
    EXPECT_EQ(releases, view->trackCount());

    // A press over a track goes to that track only.
    const QPoint overVideo = track(1)->contentRect().center();
    QTest::mousePress(view.get(), Qt::LeftButton, {}, overVideo);
    EXPECT_EQ(track(1)->presses, 1);
    EXPECT_EQ(track(0)->presses, 0);
}

TEST_F(TimelineTest, RulerDragMovesTheCursor) {
    makeView();
    addClips(3);
    QSignalSpy moved(view.get(), &ZRTimelineView::positionChanged);
    const QRect ruler = view->rulerRect();
    QTest::mousePress(view.get(), Qt::LeftButton, {},
                      QPoint(ruler.left() + 60, ruler.center().y()));
    EXPECT_EQ(view->mouseState(), 1);
    EXPECT_EQ(view->cursorPosition()->toFrames(), 100.0); // 60 px x 125 / 75
    EXPECT_GE(moved.count(), 1);
    QTest::mouseRelease(view.get(), Qt::LeftButton, {},
                        QPoint(ruler.left() + 60, ruler.center().y()));
    EXPECT_EQ(view->mouseState(), 0);
}

TEST_F(TimelineTest, ToolsSetTheirCursors) {
    makeView();
    struct Row {
        int id;
        int tool;
        int cursor;
    };
    const Row rows[] = {{1, ZRTimelineView::ZoomTool, 4},
                        {2, ZRTimelineView::SplitTool, 2},
                        {4, ZRTimelineView::MarkerTool, 12},
                        {0, ZRTimelineView::SelectTool, 0}};
    for (const Row& r : rows) {
        view->toolSelected(r.id);
        EXPECT_EQ(view->tool(), r.tool);
        EXPECT_EQ(view->toolCursor(), r.cursor);
    }
    view->toolSelected(3);
    EXPECT_EQ(view->tool(), ZRTimelineView::SelectTool);
}

TEST_F(TimelineTest, ZoomToolBandAndClicks) {
    makeView();
    addClips(2);
    view->toolSelected(1);
    const QPoint a = view->timeAreaRect().center();
    QTest::mousePress(view.get(), Qt::LeftButton, {}, a);
    QMouseEvent move(QEvent::MouseMove, QPointF(a + QPoint(30, 10)), QPointF(a + QPoint(30, 10)),
                     Qt::NoButton, Qt::LeftButton, {});
    QCoreApplication::sendEvent(view.get(), &move);
    EXPECT_EQ(view->bandRect(), QRect(a, a + QPoint(30, 10)));
    QTest::mouseRelease(view.get(), Qt::LeftButton, {}, a + QPoint(30, 10));
    EXPECT_TRUE(view->bandRect().isNull());
    EXPECT_EQ(view->zoomLevel(), 3);
    QTest::mouseClick(view.get(), Qt::RightButton, {}, a); // without moving
    EXPECT_EQ(view->zoomLevel(), 4);
}

TEST_F(TimelineTest, KeysZoomAndSelect) {
    makeView();
    QTest::keyClick(view.get(), Qt::Key_A); // empty project: nothing
    addClips(2);
    QTest::keyClick(view.get(), Qt::Key_Plus);
    EXPECT_EQ(view->zoomLevel(), 3);
    QTest::keyClick(view.get(), Qt::Key_Minus);
    EXPECT_EQ(view->zoomLevel(), 4);
    QTest::keyClick(view.get(), Qt::Key_A);
    EXPECT_EQ(editor.selectedCount(), 2);
}

TEST_F(TimelineTest, DeletingTheLastClipResetsToolAndCursor) {
    makeView();
    addClips(1);
    view->slotGotoPosition(pos(10), nullptr);
    view->toolSelected(2);
    editor.selectEverything();
    QSignalSpy gone(view.get(), &ZRTimelineView::allItemsDeleted);
    QSignalSpy deleted(view.get(), &ZRTimelineView::objectDeleted);
    QTest::keyClick(view.get(), Qt::Key_Delete);
    EXPECT_EQ(editor.objectCount(), 0);
    EXPECT_EQ(gone.count(), 1);
    EXPECT_EQ(deleted.count(), 1);
    EXPECT_EQ(view->tool(), ZRTimelineView::SelectTool);
    EXPECT_EQ(view->toolCursor(), 0);
    EXPECT_EQ(view->cursorPosition()->toFrames(), 0.0);
    EXPECT_TRUE(view->isProjectEmpty());
}

TEST_F(TimelineTest, DeleteButtonDeletesTheSelectionAndKeepsTheFocusAway) {
    makeView();
    addClips(3);
    view->slotGotoPosition(pos(60), nullptr); // inside clip 1
    editor.select(1);
    EXPECT_EQ(view->deleteButton()->focusPolicy(), Qt::NoFocus);
    QTest::mouseClick(view->deleteButton(), Qt::LeftButton);
    EXPECT_EQ(editor.objectCount(), 2);
    // The cursor lands on the clip that followed, now the second one.
    EXPECT_EQ(view->cursorPosition()->toFrames(), editor.objectAt(1)->startPos()->toFrames());
}

TEST_F(TimelineTest, DragNearTheMarginsScrollsOneUnitATick) {
    makeView(QSize(700, 260));
    for (int i = 0; i < 20; ++i)
        ASSERT_TRUE(editor.insertClip(clip("long.avi"), editor.objectCount()));
    view->updateHorizontalRange();
    view->horizontalBar()->setValue(10);
    QMimeData data;
    const QRect area = view->timeAreaRect();
    const QPoint middle(area.center().x(), track(1)->contentRect().center().y());
    QDragEnterEvent enter(middle, Qt::CopyAction, &data, Qt::LeftButton, {});
    view->dragEnterEvent(&enter);
    EXPECT_EQ(view->dragTrack(), track(1));
    EXPECT_EQ(track(1)->dragEnters, 1);

    auto moveTo = [&](QPoint at) {
        QDragMoveEvent move(at, Qt::CopyAction, &data, Qt::LeftButton, {});
        view->dragMoveEvent(&move);
    };
    moveTo(QPoint(area.right() - 10, middle.y()));
    EXPECT_TRUE(view->isAutoScrolling());
    EXPECT_EVENTUALLY_EQ(view->horizontalBar()->value(), 12);
    moveTo(QPoint(area.left() + 5, middle.y()));
    EXPECT_EVENTUALLY_EQ(view->horizontalBar()->value(), 10);
    moveTo(middle);
    EXPECT_FALSE(view->isAutoScrolling());
    EXPECT_EVENTUALLY(!view->autoScrollTimer()->isActive());
    const int stopped = view->horizontalBar()->value();
    QTest::qWait(250);
    EXPECT_EQ(view->horizontalBar()->value(), stopped);

    QDropEvent drop(QPointF(middle), Qt::CopyAction, &data, Qt::LeftButton, {});
    view->dropEvent(&drop);
    EXPECT_EQ(track(1)->drops, 1);
    EXPECT_EQ(view->dragTrack(), nullptr);
}

TEST_F(TimelineTest, FocusLossClearsSelections) {
    makeView();
    addClips(2);
    editor.selectAll();
    QFocusEvent out(QEvent::FocusOut);
    QCoreApplication::sendEvent(view.get(), &out);
    EXPECT_EQ(editor.selectedCount(), 0);
}

TEST_F(TimelineTest, InsertObjectsKeepsOnlyClipsWithPictures) {
    makeView();
    QTemporaryDir dir;
    auto file = [&dir](const char* name) {
        QFile f(dir.filePath(QString::fromLatin1(name)));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        return f.fileName();
    };
    QSignalSpy changed(view.get(), &ZRTimelineView::contentsChanged);
    view->insertObjects({file("a.avi"), dir.filePath(QStringLiteral("missing.avi")), file("b.avi")},
                        -1);
    EXPECT_EQ(editor.objectCount(), 2);
    EXPECT_FALSE(view->isProjectEmpty());
    EXPECT_EQ(changed.count(), 0); // the project was empty: the cursor moves instead
    view->insertObjects({file("c.avi")}, 99);
    EXPECT_EQ(editor.objectCount(), 3);
    EXPECT_EQ(changed.count(), 1);
}

TEST_F(TimelineTest, SplitToolDrawsALineAcrossTheHoveredTrack) {
    makeView();
    addClips(2);
    view->slotGotoPosition(pos(30), nullptr);
    const QImage plain = view->grab().toImage();
    view->toolSelected(2);
    const QPoint over(view->cursorLineX(), track(1)->contentRect().center().y());
    QMouseEvent move(QEvent::MouseMove, QPointF(over), QPointF(view->mapToGlobal(over)),
                     Qt::NoButton, Qt::NoButton, {});
    QCoreApplication::sendEvent(view.get(), &move);
    EXPECT_EQ(view->hoveredTrack(), track(1));
    const QImage split = view->grab().toImage();
    const int x = view->cursorLineX();
    const QRgb line = split.pixel(x, track(1)->contentRect().center().y());
    EXPECT_GT(qRed(line), qGreen(line) + 60);
    EXPECT_NE(plain.pixel(x, track(1)->contentRect().center().y()), line);
}

// Past the last clip the cursor stays where it is drawn, and so does the position a split takes.
TEST_F(TimelineTest, CursorStaysOnItsClipWhenThePointerPassesTheEnd) {
    makeView();
    addClips(1);
    view->toolSelected(2);
    const int y = track(1)->contentRect().center().y();
    const QPoint inside(view->timeAreaRect().left() + 15, y);
    QTest::mousePress(view.get(), Qt::LeftButton, {}, inside);
    QTest::mouseRelease(view.get(), Qt::LeftButton, {}, inside);
    EXPECT_EQ(editor.objectCount(), 2);
    const double frames = view->cursorPosition()->toFrames();
    const int lineX = view->cursorLineX();
    const QPoint past(view->timeAreaRect().right() - 2, y);
    QMouseEvent move(QEvent::MouseMove, QPointF(past), QPointF(view->mapToGlobal(past)),
                     Qt::NoButton, Qt::NoButton, {});
    QCoreApplication::sendEvent(view.get(), &move);
    EXPECT_EQ(view->cursorPosition()->toFrames(), frames);
    EXPECT_EQ(view->cursorLineX(), lineX);
}

TEST_F(TimelineTest, SplitToolCutsTheClipUnderThePress) {
    makeView();
    addClips(1);
    view->toolSelected(2);
    const QPoint at(view->timeAreaRect().left() + 15, track(1)->contentRect().center().y());
    QTest::mousePress(view.get(), Qt::LeftButton, {}, at);
    QTest::mouseRelease(view.get(), Qt::LeftButton, {}, at);
    EXPECT_EQ(editor.objectCount(), 2);
    EXPECT_EQ(editor.objectAt(1)->startPos()->toFrames(), 25.0); // 15 px x 125 / 75
}
