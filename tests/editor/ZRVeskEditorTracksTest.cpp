// The editor's objects off the chain: titles, free audio, deleting the selection, keeping the
// other tracks within the chain, and the clips' thumbnails.
#include "engine/api/IZRImage.h"
#include "tests/editor/EditorFixture.h"

#include <QColor>

#include <algorithm>

using editorfixture::frames;

class ZRVeskEditorTracks : public EditorTest {
protected:
    IZRObject* titleAt(int at, int length) {
        IZRObject* object = title(length);
        EXPECT_TRUE(editor->insertTitle(pos(at), object));
        return object;
    }
    bool wasDeleted(IZRObject* object) {
        return std::find(deleted.begin(), deleted.end(), object) != deleted.end();
    }
};

TEST_F(ZRVeskEditorTracks, TitleDroppedOnATitlePushesTheRestAndTheEndCutsThem) {
    chainOf({100, 100, 100});
    IZRObject* first = titleAt(10, 30);
    IZRObject* second = titleAt(50, 30);
    IZRObject* third = titleAt(260, 20);
    IZRObject* fourth = titleAt(280, 15);
    IZRObject* dropped = title(30);
    ASSERT_TRUE(editor->insertTitle(pos(60), dropped));
    EXPECT_EQ(start(dropped), 50);
    EXPECT_EQ(start(first), 10);
    EXPECT_EQ(start(second), 80);
    EXPECT_EQ(start(third), 290);
    EXPECT_EQ(end(third), 299) << "cut at the end of the edit";
    EXPECT_EQ(frames(third->duration()), 10);
    EXPECT_EQ(deleted, std::vector<IZRObject*>{fourth}) << "pushed past the end";
    EXPECT_EQ(editor->titleAt(pos(55)), dropped);
}

TEST_F(ZRVeskEditorTracks, TitlesThatCannotBePlacedAnswerFalse) {
    EXPECT_FALSE(editor->insertTitle(pos(0), title(10))) << "an empty chain";
    chainOf({100});
    IZRObject* tooLong = title(101);
    EXPECT_FALSE(editor->insertTitle(pos(0), tooLong));
    EXPECT_EQ(tooLong->trackNumber(true), 0);
    EXPECT_FALSE(editor->insertTitle(pos(100), title(10))) << "at the end, no title track yet";
    IZRObject* last = titleAt(99, 30);
    EXPECT_EQ(frames(last->duration()), 1);
    // With a title track: the clean-up deletes a title dropped at the end.
    IZRObject* atEnd = title(10);
    EXPECT_FALSE(editor->insertTitle(pos(100), atEnd));
    EXPECT_TRUE(wasDeleted(atEnd));
    EXPECT_EQ(count(4, true), 1);
}

TEST_F(ZRVeskEditorTracks, FreeAudioKeepsOnlyItsSound) {
    editor->insertAudioObject(pos(0), 10, audio(30));
    EXPECT_EQ(count(10, false), 0) << "an empty chain takes none";
    chainOf({100});
    IZRObject* music = audio(30);
    editor->insertAudioObject(pos(20), 10, music);
    EXPECT_EQ(music->trackNumber(false), 10);
    EXPECT_EQ(music->trackNumber(true), 0);
    EXPECT_EQ(start(music), 20);
    EXPECT_EQ(editor->audioTrackObject(0, 0), music);
    EXPECT_EQ(editor->audioTrackObject(1, 0), nullptr);
    EXPECT_EQ(editor->audioTrackObject(2, 0), nullptr);
}

TEST_F(ZRVeskEditorTracks, TrimmingATrackObjectMovesItsMarks) {
    chainOf({100});
    IZRObject* object = titleAt(50, 30);
    editor->trimTrackObject(object, pos(60), pos(69));
    EXPECT_EQ(start(object), 60);
    EXPECT_EQ(end(object), 69);
    EXPECT_EQ(frames(object->markIn()), 10);
    EXPECT_EQ(frames(object->markOut()), 20);
    editor->trimTrackObject(object, pos(55), pos(79));
    EXPECT_EQ(frames(object->markIn()), 5);
    EXPECT_EQ(frames(object->markOut()), 30);
    EXPECT_EQ(start(object), 55);
}

TEST_F(ZRVeskEditorTracks, DeletingTheLastClipCutsTheOtherTracks) {
    chainOf({100, 100, 100});
    IZRObject* kept = titleAt(50, 30);
    IZRObject* overlapping = titleAt(180, 50);
    IZRObject* after = titleAt(250, 30);
    IZRObject* music = audio(60);
    editor->insertAudioObject(pos(190), 11, music);
    editor->select(2);
    editor->deleteSelected(true);
    EXPECT_EQ(endPosition(), 200);
    EXPECT_EQ(end(kept), 79);
    EXPECT_EQ(start(overlapping), 180);
    EXPECT_EQ(end(overlapping), 199);
    EXPECT_EQ(end(music), 199);
    EXPECT_TRUE(wasDeleted(after));
    EXPECT_FALSE(wasDeleted(kept));
}

TEST_F(ZRVeskEditorTracks, DeletingNothingOnlyEmptiesTheDictionaries) {
    const std::vector<IZRObject*> clips = chainOf({100, 100});
    IZRObject* late = titleAt(150, 50);
    chainlinks::clip(clips[0])->dictionary.insert(1, 2);
    changes = 0;
    editor->deleteSelected(false);
    EXPECT_TRUE(chainlinks::clip(clips[0])->dictionary.isEmpty());
    EXPECT_TRUE(deleted.empty());
    EXPECT_EQ(end(late), 199);
    EXPECT_EQ(chain(), clips);
    EXPECT_EQ(endPosition(), 200);
    EXPECT_EQ(changes, 1);
}

TEST_F(ZRVeskEditorTracks, DeletesSelectedTransitionsTitlesAndAudio) {
    const std::vector<IZRObject*> clips = chainOf({100, 100, 100});
    IZRObject* transition = linkTransition(clips[1], 20);
    IZRObject* chosen = titleAt(10, 10);
    IZRObject* other = titleAt(40, 10);
    IZRObject* music = audio(20);
    editor->insertAudioObject(pos(0), 10, music);
    ZRUserData::of(transition)->setSelected(true);
    ZRUserData::of(chosen)->setSelected(true);
    ZRUserData::of(music)->setSelected(true);
    editor->deleteSelected(false);
    EXPECT_EQ(deleted, (std::vector<IZRObject*>{transition, chosen, music}));
    EXPECT_EQ(start(clips[2]), 200) << "re-placed without the transition";
    EXPECT_EQ(other->trackNumber(true), 4);

    // Everything selected: the chain empties and takes every title and free audio with it.
    editor->insertAudioObject(pos(0), 11, audio(20));
    editor->selectAll();
    ZRUserData::of(other)->setSelected(false);
    editor->deleteSelected(false);
    EXPECT_TRUE(editor->isEmpty());
    EXPECT_EQ(count(4, true), 0);
    EXPECT_EQ(count(10, false), 0);
    EXPECT_EQ(count(11, false), 0);
    EXPECT_EQ(endPosition(), 0);
}

TEST_F(ZRVeskEditorTracks, SelectEverythingReachesEveryKind) {
    const std::vector<IZRObject*> clips = chainOf({100, 100});
    IZRObject* transition = linkTransition(clips[0], 10);
    IZRObject* text = titleAt(10, 10);
    IZRObject* music = audio(20);
    editor->insertAudioObject(pos(0), 10, music);
    editor->selectEverything();
    EXPECT_EQ(editor->selectedCount(), 2);
    for (IZRObject* object : {transition, text, music})
        EXPECT_TRUE(ZRUserData::of(object)->isSelected());
    editor->clearAllSelections();
    EXPECT_EQ(editor->selectedCount(), 0);
    for (IZRObject* object : {transition, text, music})
        EXPECT_FALSE(ZRUserData::of(object)->isSelected());
}

TEST_F(ZRVeskEditorTracks, SingleObjectsDetachAndDelete) {
    const std::vector<IZRObject*> clips = chainOf({100, 100, 100});
    IZRObject* transition = linkTransition(clips[0], 30);
    editor->detachTransition(transition);
    EXPECT_EQ(editor->transitionOf(0), nullptr);
    EXPECT_EQ(chainlinks::transition(transition)->owner, nullptr);
    EXPECT_EQ(start(clips[1]), 100);
    EXPECT_EQ(transition->trackNumber(true), 2) << "left for the caller";
    editor->deleteTrackObject(transition);
    EXPECT_EQ(deleted, std::vector<IZRObject*>{transition});

    // A chained clip or an attached transition leaves through the chain's own operations.
    IZRObject* second = linkTransition(clips[1], 10);
    editor->deleteObject(second);
    EXPECT_EQ(editor->transitionOf(1), nullptr);
    editor->deleteObject(clips[1]);
    EXPECT_EQ(chain(), (std::vector<IZRObject*>{clips[0], clips[2]}));
    EXPECT_EQ(endPosition(), 200);

    IZRObject* text = titleAt(10, 10);
    editor->detachObject(text);
    EXPECT_EQ(text->trackNumber(true), 0);
    editor->deleteObject(text);
    EXPECT_TRUE(wasDeleted(text));
}

TEST_F(ZRVeskEditorTracks, ThumbnailsOfOneColour) {
    IZRObject* clip = chainOf({20}).front();
    ZRVideoUserData* record = chainlinks::clip(clip);
    for (const QImage* image :
         {&record->largeFirstFrame, &record->smallFirstFrame, &record->smallLastFrame}) {
        EXPECT_EQ(image->format(), QImage::Format_RGB32);
        EXPECT_EQ(QColor(image->pixel(image->width() / 2, image->height() / 2)),
                  QColor(40, 80, 120));
    }
    EXPECT_EQ(record->largeFirstFrame.size(), QSize(68, 51));
    EXPECT_EQ(record->smallLastFrame.size(), QSize(40, 30));
    editor->setSmallThumbSize(QSize(51, 38));
    editor->refreshFrom(clip);
    EXPECT_EQ(record->smallFirstFrame.size(), QSize(51, 38));
    EXPECT_EQ(QColor(record->smallFirstFrame.pixel(25, 19)), QColor(40, 80, 120));
}

// The counting import paints each frame with its number (blue the low byte).
TEST_F(ZRVeskEditorTracks, ThumbnailsShowTheFirstAndLastFrames) {
    ASSERT_TRUE(settings()->setDoubleSetting("Framerate", 25.0));
    struct Case {
        int markIn, markOut;
    };
    for (const Case& c : {Case{10, 11}, Case{5, 20}, Case{0, 50}}) {
        IZRObject* clip = factory()->createObject("Import", "Media Import", nullptr, "count.avi");
        ASSERT_NE(clip, nullptr);
        timeline->setObjectMarkOut(clip, pos(c.markOut));
        timeline->setObjectMarkIn(clip, pos(c.markIn));
        ASSERT_TRUE(editor->insertClip(clip, editor->objectCount()));
        ZRVideoUserData* record = chainlinks::clip(clip);
        EXPECT_EQ(qBlue(record->largeFirstFrame.pixel(30, 20)), c.markIn);
        EXPECT_EQ(qBlue(record->smallFirstFrame.pixel(20, 15)), c.markIn);
        EXPECT_EQ(qBlue(record->smallLastFrame.pixel(20, 15)), c.markOut - 1) << c.markIn;
    }
    // From one clip to another, both included.
    const std::vector<IZRObject*> clips = chain();
    for (IZRObject* clip : clips)
        chainlinks::clip(clip)->smallLastFrame.fill(Qt::white);
    editor->updateThumbnails(clips[1], clips[2]);
    EXPECT_EQ(chainlinks::clip(clips[0])->smallLastFrame.pixel(0, 0), QColor(Qt::white).rgb());
    EXPECT_EQ(qBlue(chainlinks::clip(clips[2])->smallLastFrame.pixel(0, 0)), 49);
}
