#include "tests/views/TracksFixture.h"

#include "engine/api/ZRGuardedList.h"

#include <QDropEvent>
#include <QFile>
#include <QTemporaryDir>
#include <QUrl>

using namespace viewstest;

namespace {

class ZRVideoTrackEditTest : public TracksTest {
protected:
    bool withRenderer() const override { return true; }

    std::vector<IZRObject*> chain() {
        std::vector<IZRObject*> out;
        for (int i = 0; i < editor->objectCount(); ++i)
            out.push_back(editor->objectAt(i));
        return out;
    }

    /// Drags `object` over the video track from `from` to `to` with `action`; `meanwhile` runs
    /// after the move, before the drop.
    void dragClip(IZRObject* object, QPoint from, QPoint to, Qt::DropAction action,
                  const std::function<void()>& meanwhile) {
        whileDragging(object, [&](const QMimeData* data) {
            QDragEnterEvent enter(from, action, data, Qt::LeftButton, Qt::NoModifier);
            view->dragEnterEvent(&enter);
            EXPECT_TRUE(enter.isAccepted());
            QDragMoveEvent moved(to, action, data, Qt::LeftButton, Qt::NoModifier);
            view->dragMoveEvent(&moved);
            meanwhile();
            QDropEvent dropped(QPointF(to), action, data, Qt::LeftButton, Qt::NoModifier);
            view->dropEvent(&dropped);
        });
    }
};

// Four clips of 50 frames: 0..49, 50..99, 100..149, 150..199.
TEST_F(ZRVideoTrackEditTest, AMovedClipLandsWhereThePreviewShowedIt) {
    addClips(4);
    const std::vector<IZRObject*> c = chain();
    pausedOnChange.clear();
    // Dropped centred on frame 130, the clip covers 105..154: behind it the others close up
    // (1 at 0, 2 at 50, 3 at 100), and the first whose middle lies at or after 105 is clip 3.
    dragClip(c[0], at(Video, 25), at(Video, 130), Qt::MoveAction, [&] {
        EXPECT_TRUE(video()->dropValid());
        EXPECT_EQ(video()->dropStart()->toFrames(), 105);
        (void)view->grab();
        EXPECT_EQ(video()->insertIndex(), 3);
        // The clip-audio track shows the same preview, the transitions follow its shift.
        EXPECT_EQ(audio(Audio1)->dropObject(), c[0]);
        ASSERT_NE(view->trackAt(Transition)->dropShift(), nullptr);
        EXPECT_EQ(view->trackAt(Transition)->dropShift()->toFrames(), 50);
    });
    EXPECT_EQ(chain(), (std::vector<IZRObject*>{c[1], c[2], c[0], c[3]}));
    EXPECT_EQ(audio(Audio1)->dropObject(), nullptr) << "the preview's copies went with it";
    EXPECT_EQ(view->trackAt(Transition)->dropShift(), nullptr);
    EXPECT_EQ(video()->mouseState(), 0);
    expectPausedThroughout();
}

TEST_F(ZRVideoTrackEditTest, ACopiedClipLandsWhereThePreviewShowedIt) {
    addClips(4);
    const std::vector<IZRObject*> c = chain();
    pausedOnChange.clear();
    // Centred on frame 110 the copy starts at 85, inside clip 1; but clip 1's middle (75) lies
    // before it, so the preview pushes from clip 2, and there the copy goes.
    dragClip(c[3], at(Video, 175), at(Video, 110), Qt::CopyAction, [&] {
        EXPECT_EQ(video()->mouseState(), 4);
        EXPECT_EQ(video()->dropStart()->toFrames(), 85);
        (void)view->grab();
        EXPECT_EQ(video()->insertIndex(), 2);
    });
    const std::vector<IZRObject*> after = chain();
    ASSERT_EQ(after.size(), 5u);
    EXPECT_EQ(after[0], c[0]);
    EXPECT_EQ(after[1], c[1]);
    EXPECT_EQ(after[3], c[2]);
    EXPECT_EQ(after[4], c[3]);
    EXPECT_EQ(after[2]->duration()->toFrames(), 50) << "a copy keeps the copied length";
    EXPECT_TRUE(QString::fromUtf8(after[2]->name()).endsWith("clip3.avi"));
    expectPausedThroughout();
}

TEST_F(ZRVideoTrackEditTest, TheLastClipGrowsToItsSourcesEndAndTheSoundFollows) {
    addClips(1);
    IZRObject* last = clip("last.avi");
    timeline->setObjectMarkOut(last, pos(30));
    ASSERT_TRUE(editor->insertClip(last, 1)); // 50..79 of a 50-frame source
    view->updateHorizontalRange();
    pausedOnChange.clear();
    const QPoint edge = at(Video, 80) - QPoint(1, 0);
    int part = -1;
    ASSERT_EQ(video()->objectAt(edge, &part), last);
    ASSERT_EQ(part, 1);
    press(video(), edge);
    move(video(), edge + QPoint(300, 0));
    EXPECT_EQ(video()->trimEnd()->toFrames(), 99) << "the source has 50 frames";
    EXPECT_EQ(audio(Audio1)->trimObject(), last);
    release(video(), edge + QPoint(300, 0));
    EXPECT_EQ(last->duration()->toFrames(), 50);
    EXPECT_EQ(audio(Audio1)->trimObject(), nullptr);
    expectPausedThroughout();

    // Trimmed back from the clip-audio track: the video track shows it meanwhile.
    const QPoint soundEdge = at(Audio1, 100) - QPoint(1, 0);
    ASSERT_EQ(audio(Audio1)->objectAt(soundEdge, &part), last);
    ASSERT_EQ(part, 1);
    press(audio(Audio1), soundEdge);
    move(audio(Audio1), soundEdge - QPoint(30, 0));
    EXPECT_EQ(video()->trimObject(), last);
    release(audio(Audio1), soundEdge - QPoint(30, 0));
    EXPECT_EQ(last->duration()->toFrames(), 40);
    EXPECT_EQ(video()->trimObject(), nullptr);
}

TEST_F(ZRVideoTrackEditTest, FreeAudioIsDroppedIntoAGapOfItsTrack) {
    addClips(4);
    QTemporaryDir dir;
    QMimeData data;
    data.setUrls(mediaFiles(dir, {QStringLiteral("music.avi")}));
    pausedOnChange.clear();
    QDragEnterEvent enter(at(Audio2, 50), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    view->dragEnterEvent(&enter);
    EXPECT_TRUE(enter.isAccepted());
    QDragMoveEvent moved(at(Audio2, 60), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    view->dragMoveEvent(&moved);
    EXPECT_TRUE(audio(Audio2)->dropValid());
    QDropEvent dropped(QPointF(at(Audio2, 60)), Qt::CopyAction, &data, Qt::LeftButton,
                       Qt::NoModifier);
    view->dropEvent(&dropped);
    ZRGuardedList* list = timeline->track(10, false);
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->count(), 1u);
    auto* placed = static_cast<IZRObject*>(list->first());
    EXPECT_EQ(placed->startPos()->toFrames(), 35);
    EXPECT_EQ(audio(Audio2)->mouseState(), 0);
    EXPECT_EQ(audio(Audio2)->dropObject(), nullptr);
    expectPausedThroughout();
}

} // namespace
