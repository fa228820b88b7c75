// The transition track: caps and icon, zones, trims through the editor, copies only, and the
// video track's ripple preview followed through the shift.
#include "views/ZRTransitionTrack.h"
#include "classes/skins/ZRSkinPreload.h"
#include "editor/ZRChainLinks.h"
#include "engine/api/IZRTimeline.h"
#include "tests/views/TrackEditFixture.h"

#include <QSignalSpy>

using namespace viewstest;

namespace {

/// A transition track that also records where it draws each object.
class RecordingTransitions : public Probing<ZRTransitionTrack> {
public:
    using Probing<ZRTransitionTrack>::Probing;
    struct Drawn {
        IZRObject* object;
        int64_t x, width;
    };
    std::vector<Drawn> drawn;

    void paintObject(const QRegion& region, QImage* target, const QPoint& offset, int64_t x,
                     int64_t width, IZRObject* object) override {
        drawn.push_back({object, x, width});
        ZRTransitionTrack::paintObject(region, target, offset, x, width, object);
    }
};

class TransitionTrackTest : public TrackEditTest {
protected:
    void SetUp() override {
        TrackEditTest::SetUp();
        qRegisterMetaType<IZRObject*>();
        t = new RecordingTransitions("TRANSITION", 1001, 1000);
        showTracks({t});
        // Three 20 s clips, the first leading into the second through a 25-frame transition.
        for (int i = 0; i < 2; ++i)
            ASSERT_TRUE(editor.insertClip(clip("long.avi"), editor.objectCount()));
        transition = factory()->createObject("Transition", "Basic", "Test Fade", nullptr);
        ASSERT_NE(transition, nullptr);
        ASSERT_TRUE(editor.setTransition(0, transition));
        view->updateHorizontalRange();
        editor.pauses.clear();
    }

    const QImage* piece(const char* set, const char* name) {
        PSDLayerSet* s = preloadedSkinSets("timeline_tracks")->find(QString::fromLatin1(set));
        return &s->layers.find(QString::fromLatin1(name))->image;
    }

    RecordingTransitions* t = nullptr;
    IZRObject* transition = nullptr;
};

} // namespace

TEST_F(TransitionTrackTest, CapsGiveTheZones) {
    EXPECT_EQ(t->capsWidth(), piece("transition_normal", "left")->width() +
                                  piece("transition_normal", "right")->width());
    EXPECT_EQ(t->iconMinWidth(), t->capsWidth() + piece("transition_normal", "icon")->width());
    EXPECT_EQ(t->sizeHint(), QSize(-1, 15));
    zoomTo(3); // 1.5 pixels a frame: 4 frames are 6 pixels, 3 frames 5
    const int start = frames(transition->startPos());
    for (int length : {4, 3}) {
        editor.setTransitionLength(transition, pos(start), pos(start + length - 1));
        ASSERT_EQ(frames(transition->duration()), length);
        reveal(frames(transition->startPos()));
        const int64_t width = view->timeScale().xOfFrames(length);
        int part = -1;
        EXPECT_EQ(t->transitionAt(at(t, frames(transition->startPos())), &part), transition);
        EXPECT_EQ(part, width >= t->capsWidth() ? 0 : 2) << width << " pixels";
    }
    int part = -1;
    EXPECT_EQ(t->transitionAt(at(t, 10), &part), nullptr);
}

TEST_F(TransitionTrackTest, NarrowBarHasNoIcon) {
    const QImage* icon = piece("transition_normal", "icon");
    const QImage* fill = piece("transition_normal", "left_fill");
    const int capWidth = piece("transition_normal", "left")->width();
    // A pixel where the icon differs from the fill beside it.
    QPoint mark(-1, -1);
    for (int y = 0; y < icon->height() && mark.x() < 0; ++y)
        for (int x = 0; x < icon->width() && mark.x() < 0; ++x)
            if (icon->pixel(x, y) != fill->pixel(0, y)) mark = QPoint(x, y);
    ASSERT_GE(mark.x(), 0);
    const QRect content = t->contentRect();
    for (int width : {t->iconMinWidth(), t->iconMinWidth() - 1}) {
        QImage target(view->size(), QImage::Format_ARGB32);
        target.fill(0xFF000000u);
        const int64_t x = view->timeScale().xOfFrames(40);
        t->paintObject(QRegion(view->rect()), &target, QPoint(0, 0), x, width, transition);
        const QPoint left(content.left() + int(x), content.top());
        const int between = width - t->capsWidth();
        const QPoint iconAt = left + QPoint(capWidth + (between - icon->width()) / 2, 0);
        const QRgb seen = target.pixel(iconAt + mark);
        if (width >= t->iconMinWidth())
            EXPECT_EQ(seen, icon->pixel(mark)) << "the icon is drawn";
        else
            EXPECT_NE(seen, icon->pixel(mark)) << "no icon in a narrow bar";
        EXPECT_NE(target.pixel(left + QPoint(width - 1, 7)), 0xFF000000u) << "the right cap";
    }
}

TEST_F(TransitionTrackTest, MovedTransitionRefusedCopiedOnePlaced) {
    const int before = frames(transition->startPos());
    whileDragging(payloadOf(transition), [&](const QMimeData* data) {
        dragOver(data, at(t, before + 5), at(t, 200), Qt::MoveAction);
    });
    EXPECT_EQ(frames(transition->startPos()), before);
    EXPECT_EQ(t->objects().size(), 1u);

    whileDragging(payloadOf(transition), [&](const QMimeData* data) {
        dragOver(data, at(t, before + 5), at(t, 200), Qt::CopyAction);
    });
    ASSERT_EQ(t->objects().size(), 2u);
    IZRObject* copy = t->objects().front();
    ASSERT_NE(copy, transition);
    EXPECT_EQ(frames(copy->startPos()), 188) << "centred on the pointer";
    EXPECT_EQ(frames(copy->duration()), 25);
    ZRTransitionUserData* link = chainlinks::transition(copy);
    ASSERT_NE(link, nullptr);
    EXPECT_EQ(link->owner, nullptr);
    EXPECT_EQ(frames(transition->startPos()), before);
    ASSERT_FALSE(t->pauses.empty());
    EXPECT_EQ(t->pauses.back(), 1);

    // A copy no clip owns is not trimmed.
    zoomTo(2);
    const QPoint edge = at(t, frames(copy->endPos()), 1);
    drag(t, edge, edge + QPoint(30, 0));
    EXPECT_EQ(frames(copy->duration()), 25);
    EXPECT_TRUE(editor.pauses.empty());
}

TEST_F(TransitionTrackTest, OtherKindsAreRefused) {
    IZRObject* title = solid(50);
    ASSERT_TRUE(editor.insertTitle(pos(10), title));
    for (IZRObject* o : {editor.objectAt(1), title}) {
        whileDragging(payloadOf(o), [&](const QMimeData* data) {
            EXPECT_FALSE(dragOver(data, at(t, 100), at(t, 200), Qt::CopyAction));
        });
    }
    EXPECT_EQ(t->objects().size(), 1u);
}

TEST_F(TransitionTrackTest, TrimGoesThroughTheEditorAndNamesTheClip) {
    zoomTo(2);
    reveal(frames(transition->startPos()));
    QSignalSpy changed(view.get(), &ZRTimelineView::objectChanged);
    const QPoint edge = at(t, frames(transition->endPos()), 1);
    int part = -1;
    ASSERT_EQ(t->transitionAt(edge, &part), transition);
    EXPECT_EQ(part, 1);
    press(t, edge);
    EXPECT_EQ(t->trimObject(), transition);
    release(t, edge);
    ASSERT_EQ(editor.pauses.size(), 1u) << "unchanged, the editor is still called";
    EXPECT_EQ(editor.pauses.back(), 1);
    ASSERT_GE(changed.count(), 1);
    EXPECT_EQ(changed.last().at(0).value<IZRObject*>(), editor.objectAt(0)) << "the owning clip";

    const QPoint end = at(t, frames(transition->endPos()), 1);
    drag(t, end, end + QPoint(30, 0)); // ten frames longer
    EXPECT_EQ(frames(transition->duration()), 35);
    reveal(frames(transition->startPos()));
    const QPoint start = at(t, frames(transition->startPos()), 1);
    drag(t, start, start + QPoint(-3000, 0)); // as long as the clips allow
    EXPECT_EQ(frames(transition->duration()), int(ZRTransitionTrack::longestLength(transition)));
    EXPECT_EQ(pausedNow(timeline), 0);
}

TEST_F(TransitionTrackTest, RipplePreviewOfTheVideoTrackPushesLaterTransitions) {
    IZRObject* clipObject = editor.objectAt(2);
    IZRPos* shift = pos(50);
    ZRTrackState state;
    state.track = t;
    state.object = clipObject;
    state.start = pos(100);
    state.end = pos(149);
    state.drop = true;
    state.valid = true;
    state.shift = shift;
    view->repaintTrackStates({state}, 2);
    t->drawn.clear();
    (void)view->grab();
    ASSERT_EQ(t->drawn.size(), 2u);
    EXPECT_EQ(t->drawn[0].object, clipObject) << "the preview first";
    EXPECT_EQ(t->drawn[0].x, view->timeScale().xOfFrames(100));
    EXPECT_EQ(t->drawn[1].object, transition);
    EXPECT_EQ(t->drawn[1].x, view->timeScale().xOfFrames(frames(transition->startPos()) + 50));
    view->clearTrackStates();
    EXPECT_EQ(t->dropShift(), nullptr);
    t->drawn.clear();
    (void)view->grab();
    ASSERT_EQ(t->drawn.size(), 1u);
    EXPECT_EQ(t->drawn[0].x, view->timeScale().xOfFrames(frames(transition->startPos())));
}
