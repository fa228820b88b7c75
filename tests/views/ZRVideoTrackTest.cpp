#include "tests/views/TracksFixture.h"

#include "editor/ZRChainLinks.h"
#include "engine/api/ZREffect.h"
#include "views/ZRVideoTrackLayout.h"

#include <QSignalSpy>

using namespace viewstest;

namespace {

// The default skin's clip pieces: caps 5, fills 3, body tile 8; narrow below 10, wide from 128,
// the first thumbnail from 9.
const ZRClipPieceWidths kWidths{5, 8, 5, 3, 3, 52};

TEST(ZRClipLayoutTest, StylesThumbnailsAndTransitionsShapeTheBox) {
    struct Case {
        const char* what;
        int64_t width, before, after;
        ZRClipLayout::Style style;
        bool leftCap, firstThumb, lastThumb, rightCap;
        int64_t boxLeft, boxWidth;
    };
    const Case cases[] = {
        {"at the wide limit", 128, 0, 0, ZRClipLayout::Wide, true, true, true, true, 100, 128},
        {"one below it", 127, 0, 0, ZRClipLayout::Middle, true, true, false, true, 100, 127},
        {"narrow with room for a thumbnail", 9, 0, 0, ZRClipLayout::Narrow, true, true, false, true,
         100, 9},
        {"narrow without", 8, 0, 0, ZRClipLayout::Narrow, true, false, false, true, 100, 8},
        {"transition before", 300, 40, 0, ZRClipLayout::Wide, false, true, true, true, 120, 280},
        {"transition after", 300, 0, 41, ZRClipLayout::Wide, true, true, true, false, 100, 280},
        {"middle after a transition", 120, 40, 0, ZRClipLayout::Middle, false, true, false, true,
         120, 100},
        {"transitions on both sides", 300, 40, 40, ZRClipLayout::Wide, false, true, true, false,
         120, 260},
        {"no room past the transition", 80, 40, 0, ZRClipLayout::Middle, false, false, false, true,
         120, 60},
    };
    for (const Case& c : cases) {
        const ZRClipLayout l = layoutClip(kWidths, 100, c.width, c.before, c.after);
        EXPECT_EQ(l.style, c.style) << c.what;
        EXPECT_EQ(l.piece(ZRClipPiece::LeftCap) != nullptr, c.leftCap) << c.what;
        EXPECT_EQ(l.piece(ZRClipPiece::FirstThumb) != nullptr, c.firstThumb) << c.what;
        EXPECT_EQ(l.piece(ZRClipPiece::LastThumb) != nullptr, c.lastThumb) << c.what;
        EXPECT_EQ(l.piece(ZRClipPiece::RightCap) != nullptr, c.rightCap) << c.what;
        EXPECT_EQ(l.box.left, c.boxLeft) << c.what;
        EXPECT_EQ(l.box.width, c.boxWidth) << c.what;
        // Every piece keeps inside the box.
        for (const ZRClipPiece& p : l.pieces) {
            const ZRSpan shown = p.span.intersected(p.clip).intersected(l.box);
            EXPECT_EQ(shown.intersected(l.box).width, shown.width) << c.what;
        }
    }
    // The wide clip's pieces follow each other without a gap, the body in the middle.
    const ZRClipLayout wide = layoutClip(kWidths, 0, 200, 0, 0);
    EXPECT_EQ(wide.piece(ZRClipPiece::FirstThumb)->span.left, 5);
    EXPECT_EQ(wide.piece(ZRClipPiece::Body)->span.left, 60);
    EXPECT_EQ(wide.piece(ZRClipPiece::Body)->span.width, 80);
    EXPECT_EQ(wide.piece(ZRClipPiece::LastThumb)->span.left, 143);
    // A narrow clip's ends each keep to their half.
    const ZRClipLayout narrow = layoutClip(kWidths, 0, 9, 0, 0);
    EXPECT_EQ(narrow.piece(ZRClipPiece::LeftCap)->clip.width, 4);
    EXPECT_EQ(narrow.piece(ZRClipPiece::RightCap)->clip.left, 4);
    // The part under a transition is tinted: what of the box lies before the transition's end.
    const ZRClipLayout overlapped = layoutClip(kWidths, 100, 300, 40, 0);
    EXPECT_EQ(overlapped.overlapLeft.left, 120);
    EXPECT_EQ(overlapped.overlapLeft.width, 20);
    // Its thumbnails sit where the clip is seen alone, past the transitions.
    EXPECT_EQ(overlapped.piece(ZRClipPiece::FirstThumb)->span.left, 140);
    const ZRClipLayout both = layoutClip(kWidths, 100, 300, 40, 40);
    EXPECT_EQ(both.piece(ZRClipPiece::LastThumb)->span.left, 100 + 300 - 40 - 52);
}

TEST(ZRClipLayoutTest, TransitionsLongerThanTheClipLeaveNothingToDraw) {
    for (int64_t width : {0, 1, 40, 100}) {
        const ZRClipLayout l = layoutClip(kWidths, 0, width, 100, 100);
        EXPECT_TRUE(l.box.isEmpty()) << width;
        EXPECT_TRUE(l.pieces.empty()) << width;
    }
}

class ZRVideoTrackTest : public TracksTest {};

TEST_F(ZRVideoTrackTest, WithoutClipsNothingIsHitOrDrawn) {
    const QImage before = view->grab().toImage();
    for (int frame : {0, 10, 200}) {
        int part = 7;
        EXPECT_EQ(video()->objectAt(at(Video, frame), &part), nullptr);
        EXPECT_EQ(part, -1);
        EXPECT_EQ(video()->transitionSlotAt(at(Video, frame)), nullptr);
        EXPECT_EQ(video()->effectMarkerAt(at(Video, frame)), nullptr);
    }
    EXPECT_EQ(video()->firstObject(), nullptr);
    EXPECT_EQ(view->grab().toImage(), before);
}

TEST_F(ZRVideoTrackTest, HitsClipsByPartButNothingUnderATransition) {
    addClips(3);
    addTransition(0, 25); // clip 0 0..49, clip 1 25..74, clip 2 75..124
    IZRObject* c0 = editor->objectAt(0);
    IZRObject* c1 = editor->objectAt(1);
    IZRObject* c2 = editor->objectAt(2);
    ASSERT_EQ(c1->startPos()->toFrames(), 25);
    struct Case {
        const char* what;
        QPoint point;
        IZRObject* clip;
        int part;
    };
    const Case cases[] = {
        {"body", at(Video, 20), c0, 2},
        {"start cap", at(Video, 0) + QPoint(1, 0), c0, 0},
        {"first frame of the transition", at(Video, 25) + QPoint(1, 0), nullptr, -1},
        {"last frame of the transition", at(Video, 49) + QPoint(1, 0), nullptr, -1},
        {"just after it", at(Video, 50) + QPoint(1, 0), c1, 2},
        {"end cap, last pixel of the edit", at(Video, 125) - QPoint(1, 0), c2, 1},
        {"past the end", at(Video, 126), nullptr, -1},
        {"above the track", at(Video, 20, 0) - QPoint(0, 2), nullptr, -1},
    };
    for (const Case& c : cases) {
        int part = 7;
        EXPECT_EQ(video()->objectAt(c.point, &part), c.clip) << c.what;
        EXPECT_EQ(part, c.part) << c.what;
    }
}

TEST_F(ZRVideoTrackTest, TransitionSlotsLieBetweenTheMiddlesOfTwoClips) {
    addClips(3); // 0..49, 50..99, 100..149
    IZRObject* c0 = editor->objectAt(0);
    IZRObject* c1 = editor->objectAt(1);
    struct Case {
        double frame;
        IZRObject* clip;
    };
    const Case cases[] = {{20, nullptr}, {30, c0}, {70, c0}, {80, c1}, {120, c1}, {130, nullptr}};
    for (const Case& c : cases)
        EXPECT_EQ(video()->transitionSlotAt(at(Video, c.frame)), c.clip) << c.frame;
}

TEST_F(ZRVideoTrackTest, ChainWalksBothWaysAndInsertsAtAPosition) {
    addClips(3);
    ZRVideoTrack* t = video();
    EXPECT_EQ(t->firstObject(), editor->objectAt(0));
    EXPECT_EQ(t->nextObject(), editor->objectAt(1));
    EXPECT_EQ(t->nextObject(), editor->objectAt(2));
    EXPECT_EQ(t->prevObject(), editor->objectAt(1));
    EXPECT_EQ(t->prevObject(), editor->objectAt(0));
    EXPECT_EQ(t->prevObject(), nullptr);
    EXPECT_EQ(t->lastObject(), editor->objectAt(2));
    EXPECT_EQ(t->nextObject(), nullptr);
    EXPECT_EQ(t->indexOfObject(editor->objectAt(2)), 2);
    EXPECT_EQ(t->objectAtIndex(-1), nullptr);

    IZRObject* inserted = clip("inserted.avi");
    ASSERT_TRUE(t->insertObject(pos(60), inserted));
    EXPECT_EQ(editor->indexOf(inserted), 1);
    IZRObject* appended = clip("appended.avi");
    ASSERT_TRUE(t->insertObject(pos(100000), appended));
    EXPECT_EQ(editor->indexOf(appended), 4);
    t->removeObject(inserted);
    EXPECT_EQ(editor->indexOf(inserted), -1);
    EXPECT_EQ(editor->objectCount(), 4);
    factory()->destroyObject(inserted);
}

TEST_F(ZRVideoTrackTest, ClipsShowTheirFirstAndLastFrames) {
    IZRObject* trimmed = clip("trimmed.avi");
    timeline->setObjectMarkIn(trimmed, pos(10));
    ASSERT_TRUE(editor->insertClip(trimmed, 0)); // 40 frames: 120 pixels, a middle clip
    addClips(1);                                 // 50 frames: 150 pixels, a wide clip
    view->updateHorizontalRange();
    const QImage shot = view->grab().toImage();
    const int top = at(Video, 0, 0).y();
    // The slot follows the 5-pixel cap; its picture lies one pixel inside it.
    const QPoint firstOfTrimmed(xOf(Video, 0) + 5 + 10, top + 10);
    EXPECT_EQ(frameNumber(shot.pixel(firstOfTrimmed)), 10);
    const int start1 = xOf(Video, 40);
    EXPECT_EQ(frameNumber(shot.pixel(start1 + 5 + 10, top + 10)), 0);
    const int end1 = xOf(Video, 90) - 1;
    EXPECT_EQ(frameNumber(shot.pixel(end1 - 5 - 52 + 10, top + 10)), 49);
    // A middle clip has no last-frame slot: its right end is body and cap.
    EXPECT_NE(frameNumber(shot.pixel(xOf(Video, 40) - 5 - 40, top + 10)), 39);
}

TEST_F(ZRVideoTrackTest, EffectMarkersSelectTheirEffect) {
    addClips(2);
    IZRObject* c0 = editor->objectAt(0);
    ZREffect* effect = factory()->createEffect("Video Effect", "Colour", "Test Invert");
    ASSERT_NE(effect, nullptr);
    ASSERT_TRUE(editor->setEffect(0, effect));
    auto* record = chainlinks::clip(c0);
    const QRect marker = video()->effectMarkerRect(c0, video()->clipLayout(c0));
    ASSERT_FALSE(marker.isEmpty());
    statusHub.messages.clear();
    EXPECT_EQ(video()->effectMarkerAt(marker.center()), c0);
    EXPECT_EQ(video()->effectMarkerAt(at(Video, 70)), nullptr) << "a clip without an effect";
    EXPECT_TRUE(statusHub.messages.isEmpty()) << "the hit test traces to the log only";

    QSignalSpy changed(view.get(), &ZRTimelineView::objectChanged);
    struct Case {
        bool selectedBefore;
        bool ctrl;
        bool selectedAfter;
        bool announced;
    };
    const Case cases[] = {{false, false, true, true},
                          {false, true, true, false},
                          {true, true, false, true},
                          {true, false, true, false}};
    for (const Case& c : cases) {
        record->videoFlags = c.selectedBefore ? ZRVideoUserData::EffectSelected : 0;
        changed.clear();
        const Qt::KeyboardModifiers mods = c.ctrl ? Qt::ControlModifier : Qt::NoModifier;
        press(video(), marker.center(), mods);
        EXPECT_EQ(video()->pressedEffectClip(), c0);
        EXPECT_EQ(video()->pressedObject(), nullptr) << "the press is the marker's alone";
        release(video(), marker.center(), mods);
        EXPECT_EQ(bool(record->videoFlags & ZRVideoUserData::EffectSelected), c.selectedAfter);
        ASSERT_EQ(changed.count(), c.announced ? 1 : 0);
        if (c.announced) {
            EXPECT_EQ(changed.first().at(0).value<IZRObject*>(), c0);
        }
        EXPECT_EQ(video()->pressedEffectClip(), nullptr);
    }
}

TEST_F(ZRVideoTrackTest, TrimsAndDragsShowOnTheClipAudioTrackUntilTheyEnd) {
    addClips(2);
    IZRObject* c0 = editor->objectAt(0);
    ZRAudioTrack* linked = audio(Audio1);
    // The video track trims: the clip-audio track is shown the same.
    video()->setTrim(c0, pos(0), pos(30));
    video()->setMouseState(1);
    video()->notifyView(2);
    EXPECT_EQ(linked->trimObject(), c0);
    video()->notifyView(2);
    EXPECT_EQ(linked->trimObject(), c0);
    EXPECT_EQ(video()->trimObject(), c0) << "the track keeps its own trim";
    video()->clearTrim();
    video()->notifyView(2);
    EXPECT_EQ(linked->trimObject(), nullptr);
    video()->setMouseState(0);

    // And the other way: the clip-audio track's trim is copied into the video track.
    linked->setTrim(c0, pos(5), pos(49));
    linked->setMouseState(1);
    linked->notifyView(2);
    EXPECT_EQ(video()->trimObject(), c0);
    linked->notifyView(2);
    EXPECT_EQ(video()->trimObject(), c0) << "the copy stays while the trim runs";
    EXPECT_EQ(linked->trimObject(), c0);
    linked->clearTrim();
    linked->notifyView(2);
    EXPECT_EQ(video()->trimObject(), nullptr);
    linked->setMouseState(0);
    (void)view->grab();
}

} // namespace
