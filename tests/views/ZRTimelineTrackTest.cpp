#include "tests/views/TimelineFixture.h"

#include "classes/widgets/ZRScrollBar.h"
#include "engine/api/IZRTimeline.h"

#include <atomic>
#include <thread>

using namespace viewstest;

TEST_F(TimelineTest, TrackWithoutEngineListHasNothing) {
    for (int number : {0, -1, 101}) {
        RecordingTrack t(number, true, "T", 15, -1);
        t.setEditor(&editor);
        IZRObject* object = clip();
        EXPECT_EQ(t.indexOfObject(object), -1);
        EXPECT_EQ(t.firstObject(), nullptr);
        EXPECT_EQ(t.objectAtIndex(0), nullptr);
        EXPECT_FALSE(t.insertObject(pos(0), object));
        EXPECT_TRUE(t.objects().empty());
        factory()->destroyObject(object);
    }
}

TEST_F(TimelineTest, TrackGeometry) {
    RecordingTrack t(4, true, "TITLES", 27, -1);
    EXPECT_EQ(t.sizeHint(), QSize(-1, 27));
    t.setColumnWidths(93, 141);
    t.setGeometry(QRect(0, 10, 600, 27));
    EXPECT_EQ(t.headerRect().left(), 0);
    EXPECT_EQ(t.headerRect().right(), 93);
    EXPECT_EQ(t.controlRect().left(), 94);
    EXPECT_EQ(t.controlRect().right(), 141);
    EXPECT_EQ(t.contentRect().left(), 142);
    EXPECT_EQ(t.contentRect().right(), 599);

    const QRect before = t.trackRect();
    t.setGeometry(QRect(QPoint(50, 0), QPoint(10, 20)));
    EXPECT_EQ(t.trackRect(), before);
    EXPECT_EQ(t.contentRect().left(), 142);
}

TEST_F(TimelineTest, TrackForgetsObjectsAndItsFeedback) {
    RecordingTrack t(4, true, "TITLES", 27, -1);
    t.setEditor(&editor);
    IZRObject* a = clip();
    IZRObject* b = clip();
    t.setTrim(a, pos(0), pos(10));
    t.setDrop(b, pos(5), pos(9), true);
    t.forgetObject(b);
    EXPECT_EQ(t.trimObject(), a);
    EXPECT_EQ(t.dropObject(), nullptr);
    t.allItemsDeleted();
    EXPECT_EQ(t.trimObject(), nullptr);
    EXPECT_EQ(t.pressedObject(), nullptr);
    factory()->destroyObject(a);
    factory()->destroyObject(b);
}

TEST_F(TimelineTest, HoverTextShowsUtf8NameAndMarkOutLessOneFrame) {
    IZRObject* object = factory()->createObject("Import", "Media Import", nullptr, "clip.avi");
    ASSERT_NE(object, nullptr);
    object->setName("Ωmega клип.avi");
    const QString text = ZRTimelineTrack::hoverText(object);
    EXPECT_TRUE(text.startsWith(QStringLiteral("[Ωmega клип.avi] start: 00:00:00.00")))
        << text.toStdString();
    // The counting clip is 2 s long: mark-out 00:00:02.00 shows as the frame before it.
    EXPECT_TRUE(text.endsWith(QStringLiteral("mark-out: 00:00:01.24"))) << text.toStdString();
    EXPECT_TRUE(ZRTimelineTrack::trimText(nullptr, nullptr, nullptr, nullptr, nullptr).isEmpty());
    factory()->destroyObject(object);
}

TEST_F(TimelineTest, ObjectAtHour10000PaintsAndHitsAtBothEndsOfTheZoom) {
    makeView();
    IZRObject* far = clip();
    IZRPos* at = factory()->createPosAt(10000, 0, 0, 0, kRate);
    ASSERT_TRUE(timeline->insertObject(4, at, far));
    addClips(1);
    RecordingTrack* titles = track(3);
    for (int level : {0, 13}) {
        while (view->zoomLevel() > level)
            view->slotZoomIn();
        while (view->zoomLevel() < level)
            view->slotZoomOut();
        ASSERT_EQ(view->zoomLevel(), level);
        // The edit ends long before: the bar is opened up to reach the object.
        const int unit = int(view->timeScale().unitOfFrames(at->toFrames()));
        view->horizontalBar()->setMaximum(unit);
        view->horizontalBar()->setValue(unit);
        titles->drawn.clear();
        (void)view->grab();
        bool seen = false;
        for (const auto& d : titles->drawn) {
            if (d.object != far) continue;
            seen = true;
            EXPECT_EQ(d.x, view->timeScale().xOfFrames(at->toFrames()));
            // At level 13 a 2 s object is narrower than a pixel: nothing shows, nothing hits.
            if (d.width == 0) {
                EXPECT_EQ(level, 13);
                EXPECT_TRUE(d.span.isEmpty());
                continue;
            }
            EXPECT_TRUE(view->timeAreaRect().contains(d.span.topLeft())) << level;
            int part = -1;
            EXPECT_EQ(titles->objectAt(d.span.center(), &part), far) << level;
            EXPECT_EQ(part, 2);
            const QPoint startEdge(d.span.left() + 2, d.span.center().y());
            EXPECT_EQ(titles->objectAt(startEdge, &part), far);
            EXPECT_EQ(part, 0);
        }
        EXPECT_TRUE(seen) << level;
    }
}

// The renderer and the preview look objects up on their own threads while the GUI paints.
TEST_F(TimelineTest, PaintingWhileAnotherThreadLooksObjectsUp) {
    makeView();
    addClips(1);
    constexpr int kObjects = 20;
    std::vector<IZRObject*> placed;
    for (int i = 0; i < kObjects; ++i) {
        IZRObject* o = clip();
        IZRPos* at = pos(i * 60);
        ASSERT_TRUE(timeline->insertObject(10, at, o));
        placed.push_back(o);
    }
    RecordingTrack* audio = track(4);
    std::atomic<bool> stop{false};
    IZRPos* probe = factory()->createPos();
    std::thread reader([&] {
        int frame = 0;
        while (!stop.load()) {
            probe->set(0, 0, 0, 0, kRate);
            probe->addFrames(frame);
            (void)timeline->objectAt(10, probe, false);
            frame = (frame + 7) % (kObjects * 60);
        }
    });
    const QImage target(view->size(), QImage::Format_ARGB32);
    QImage image = target;
    for (int round = 0; round < 200; ++round) {
        audio->drawn.clear();
        audio->paint(QRegion(view->rect()), &image, QPoint(0, 0));
        ASSERT_EQ(int(audio->drawn.size()), kObjects) << round;
        for (int i = 0; i < kObjects; ++i)
            ASSERT_EQ(audio->drawn[size_t(i)].object, placed[size_t(i)]);
    }
    stop = true;
    reader.join();
    factory()->destroyPos(probe);
}
