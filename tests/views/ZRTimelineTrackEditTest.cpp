// Selecting, trimming, dragging and dropping on the track base, driven by events.
#include "tests/views/TrackEditFixture.h"

#include "engine/api/IZRTimeline.h"

using namespace viewstest;

namespace {

class TrackBaseEdit : public TrackEditTest {
protected:
    void SetUp() override {
        TrackEditTest::SetUp();
        t = new ProbeTrack(4, true, "TITLES", 27, -1);
        showTracks({t});
    }
    ProbeTrack* t = nullptr;
};

} // namespace

TEST_F(TrackBaseEdit, ZonesNeed32PixelsAndTheHitFollowsTheEngine) {
    // Five seconds a unit: 53 frames are 32 pixels, 52 frames 31.
    IZRObject* narrow = place(4, 0, 52);
    IZRObject* wide = place(4, 100, 53);
    int part = -1;
    EXPECT_EQ(t->objectAt(at(t, 0), &part), narrow);
    EXPECT_EQ(part, 2) << "31 pixels: no zones";
    EXPECT_EQ(t->objectAt(at(t, 100), &part), wide);
    EXPECT_EQ(part, 0);
    EXPECT_EQ(t->objectAt(at(t, 152), &part), wide);
    EXPECT_EQ(part, 1);
    EXPECT_EQ(t->objectAt(at(t, 200), &part), nullptr);
    EXPECT_EQ(part, -1);
    EXPECT_EQ(t->objectAt(QPoint(t->contentRect().left() - 1, at(t, 0).y()), &part), nullptr);

    // Nothing is hit while the chain is empty.
    editor.removeClipAt(0, true);
    EXPECT_EQ(t->objectAt(at(t, 110), &part), nullptr);
}

TEST_F(TrackBaseEdit, BodyDragStartsBeyondTwoPixels) {
    IZRObject* o = place(4, 100, 200);
    const QPoint p = at(t, 200);
    press(t, p);
    EXPECT_EQ(t->mouseState(), 3);
    move(t, p + QPoint(1, 1));
    EXPECT_EQ(movesStarted, 0) << "a Manhattan length of 2 is no drag";
    EXPECT_EQ(t->mouseState(), 3);
    move(t, p + QPoint(2, 1));
    EXPECT_EQ(movesStarted, 1);
    EXPECT_TRUE(t->isObjectSelected(o)) << "the dragged object is selected";
    release(t, p);
    EXPECT_EQ(t->mouseState(), 0);
}

TEST_F(TrackBaseEdit, ClicksSelectAndCtrlToggles) {
    IZRObject* a = place(4, 0, 200);
    IZRObject* b = place(4, 300, 100);
    const QPoint pa = at(t, 100), pb = at(t, 350);
    press(t, pa);
    release(t, pa);
    EXPECT_TRUE(t->isObjectSelected(a));
    press(t, pb, Qt::ControlModifier);
    release(t, pb, Qt::ControlModifier);
    EXPECT_TRUE(t->isObjectSelected(a));
    EXPECT_TRUE(t->isObjectSelected(b));
    press(t, pb, Qt::ControlModifier);
    release(t, pb, Qt::ControlModifier);
    EXPECT_TRUE(t->isObjectSelected(a)) << "Ctrl-click only deselects the clicked one";
    EXPECT_FALSE(t->isObjectSelected(b));
    press(t, pa);
    release(t, pa);
    EXPECT_FALSE(t->isObjectSelected(a)) << "a plain click on a selected object clears all";
    EXPECT_EQ(frames(view->cursorPosition()), 0);
}

TEST_F(TrackBaseEdit, TrimsStopAtNeighboursTheEditsEndAndTheMarkIn) {
    zoomTo(2); // three pixels a frame
    struct Case {
        const char* what;
        int start, length, markIn; // the trimmed object
        int nextAt;                // -1: no next object
        bool clipTrack;
        bool endEdge;
        int dx;
        int expectStart, expectEnd, expectMarkIn;
    };
    const int editEnd = frames(editor.endPosition());
    const Case cases[] = {
        {"past the next object", 0, 100, 0, 150, false, true, 900, 0, 149, 0},
        {"past the edit's end", 0, 100, 0, -1, false, true, 3000, 0, editEnd - 1, 0},
        {"start past its mark-in", 100, 100, 10, -1, false, false, -450, 90, 199, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        IZRObject* o = solid(c.length + c.markIn);
        timeline->setObjectMarkIn(o, pos(c.markIn));
        ASSERT_TRUE(timeline->insertObject(4, pos(c.start), o));
        IZRObject* next = c.nextAt >= 0 ? place(4, c.nextAt, 50) : nullptr;
        t->setClipTrack(c.clipTrack);
        const QPoint edge = c.endEdge ? at(t, c.start + c.length - 1, 1) : at(t, c.start, 1);
        press(t, edge);
        EXPECT_EQ(t->trimObject(), o);
        move(t, edge + QPoint(c.dx, 0));
        release(t, edge + QPoint(c.dx, 0));
        EXPECT_EQ(t->trimObject(), nullptr);
        EXPECT_EQ(frames(o->startPos()), c.expectStart);
        EXPECT_EQ(frames(o->endPos()), c.expectEnd);
        EXPECT_EQ(frames(o->markIn()), c.expectMarkIn);
        ASSERT_FALSE(editor.pauses.empty());
        EXPECT_EQ(editor.pauses.back(), 1) << "the commit runs paused";
        EXPECT_EQ(pausedNow(timeline), 0);
        factory()->destroyObject(o);
        if (next) factory()->destroyObject(next);
    }
}

TEST_F(TrackBaseEdit, ClipGrowsToItsSourcesEnd) {
    zoomTo(2);
    IZRObject* c = clip(); // 50 frames of source
    timeline->setObjectMarkOut(c, pos(30));
    ASSERT_TRUE(timeline->insertObject(4, pos(0), c));
    t->setClipTrack(true);
    const QPoint edge = at(t, 29, 1);
    drag(t, edge, edge + QPoint(600, 0));
    EXPECT_EQ(frames(c->endPos()), 49);
    EXPECT_EQ(frames(c->markOut()), 50);
}

TEST_F(TrackBaseEdit, UnchangedTrimCallsNoEditor) {
    zoomTo(2);
    place(4, 0, 100);
    const QPoint edge = at(t, 99, 1);
    drag(t, edge, edge);
    EXPECT_TRUE(editor.pauses.empty());
}

TEST_F(TrackBaseEdit, MovedObjectLandsInTheChosenGapCutToIt) {
    IZRObject* a = place(4, 100, 100);
    IZRObject* b = place(4, 300, 100);
    IZRObject* moved = place(4, 0, 50);
    // Pointer on the second half of a: the gap 200..299 after it.
    whileDragging(payloadOf(moved), [&](const QMimeData* data) {
        EXPECT_TRUE(dragOver(data, at(t, 10), at(t, 170), Qt::MoveAction));
    });
    EXPECT_EQ(frames(moved->startPos()), 200);
    EXPECT_EQ(frames(moved->endPos()), 249);
    EXPECT_EQ(frames(a->startPos()), 100);
    EXPECT_EQ(t->dropObject(), nullptr);
    // Longer than the gap before a (0..99): cut to it.
    IZRObject* longer = place(4, 400, 90);
    timeline->setObjectMarkOut(longer, pos(150));
    ASSERT_EQ(frames(longer->duration()), 150);
    whileDragging(payloadOf(longer), [&](const QMimeData* data) {
        dragOver(data, at(t, 420), at(t, 110), Qt::MoveAction);
    });
    EXPECT_EQ(frames(longer->startPos()), 0);
    EXPECT_EQ(frames(longer->endPos()), 99);
    EXPECT_EQ(frames(longer->markOut()), 100);
    EXPECT_EQ(frames(b->startPos()), 300);
    ASSERT_FALSE(t->pauses.empty());
    for (int paused : t->pauses)
        EXPECT_EQ(paused, 1);
    EXPECT_EQ(pausedNow(timeline), 0);
}

TEST_F(TrackBaseEdit, CopyKeepsTheCopiedMarkOut) {
    IZRObject* source = place(4, 0, 150);
    place(4, 200, 100);
    whileDragging(payloadOf(source), [&](const QMimeData* data) {
        dragOver(data, at(t, 10), at(t, 320), Qt::CopyAction);
    });
    EXPECT_EQ(frames(source->markOut()), 150);
    EXPECT_EQ(frames(source->startPos()), 0);
    ASSERT_EQ(t->objects().size(), 3u);
    IZRObject* copy = t->objects().back();
    EXPECT_NE(copy, source);
    EXPECT_EQ(frames(copy->startPos()), 300);
    EXPECT_EQ(frames(copy->endPos()), 449) << "a copy is cut to the gap";
    EXPECT_EQ(t->pauses.back(), 1);
}

TEST_F(TrackBaseEdit, ForeignDragsAreRefused) {
    IZRObject* onTrack = place(4, 0, 50);
    IZRObject* offTrack = solid(50);
    struct Case {
        const char* what;
        QByteArray bytes;
    };
    const Case cases[] = {
        {"an object this timeline does not hold", payloadOf(offTrack)},
        {"another thread's drag", payloadOf(onTrack, 8)},
        {"not a number", QByteArray("ZRVESKEDITOR$@@$x$@@$y$@@$")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        whileDragging(c.bytes, [&](const QMimeData* data) {
            EXPECT_FALSE(dragOver(data, at(t, 100), at(t, 200), Qt::MoveAction));
            EXPECT_EQ(t->dropObject(), nullptr);
        });
        EXPECT_EQ(frames(onTrack->startPos()), 0);
    }
    // Outside a running drag even a good payload names nothing.
    QMimeData data;
    data.setData(ZRVeskEditorDrag::kMimeType, payloadOf(onTrack));
    EXPECT_FALSE(dragOver(&data, at(t, 100), at(t, 200), Qt::MoveAction));
    EXPECT_TRUE(t->pauses.empty());
    factory()->destroyObject(offTrack);
}

TEST_F(TrackBaseEdit, LeaveAndPlacelessDropEndTheDrag) {
    IZRObject* a = place(4, 0, 500);
    whileDragging(payloadOf(a), [&](const QMimeData* data) {
        // Copied over itself: no place.
        dragOver(data, at(t, 10), at(t, 200), Qt::CopyAction, false);
        EXPECT_EQ(t->dropObject(), a);
        EXPECT_FALSE(t->dropValid());
        QDropEvent dropped(QPointF(at(t, 200)), Qt::CopyAction, data, Qt::LeftButton,
                           Qt::NoModifier);
        view->dropEvent(&dropped);
        EXPECT_EQ(t->dropObject(), nullptr);
        EXPECT_EQ(t->dropStart(), nullptr);
        EXPECT_EQ(t->mouseState(), 0);
    });
    EXPECT_EQ(t->objects().size(), 1u);
}
