// Changing chained clips in place: marks, trimming and splitting.
#include "engine/api/ZREffect.h"
#include "tests/editor/EditorFixture.h"

using editorfixture::frames;

class ZRVeskEditorTrim : public EditorTest {
protected:
    ZREffect* effectOn(IZRObject* clip, int length) {
        ZREffect* effect = factory()->createEffect("Video Effect", "Colour", "Test Invert");
        if (!effect) return nullptr;
        effect->setMarkOut(pos(length));
        EXPECT_TRUE(editor->setEffect(editor->indexOf(clip), effect));
        return effect;
    }
    /// Records the pause setting whenever the editor deletes an object.
    void watchPauseOnDelete() {
        QObject::connect(editor.get(), &ZRVeskEditor::objectToBeDeleted, [this](IZRObject*) {
            int paused = -1;
            settings()->getIntSetting("Pause Background Rendering", &paused);
            pausedWhileDeleting.push_back(paused);
        });
    }
    std::vector<int> pausedWhileDeleting;
};

TEST_F(ZRVeskEditorTrim, MarksMoveTheClipsEndsAndTheChainFollows) {
    struct Case {
        const char* what;
        int markIn, markOut;    // -1: not set
        int trimStart, trimEnd; // -1: no trim
        int duration, markInAfter, next;
        int effectLength; // the effect's length after (it was 100)
    };
    const Case cases[] = {
        {"mark-out earlier", -1, 50, -1, -1, 50, 0, 150, 50},
        {"mark-out later", -1, 130, -1, -1, 130, 0, 230, 130},
        {"mark-in later keeps the effect", 20, -1, -1, -1, 80, 20, 180, 100},
        {"trim both ends inwards", -1, -1, 110, 189, 80, 10, 180, 80},
        {"mark-in past the mark-out", 100, -1, -1, -1, 100, 0, 200, 100},
        {"mark-out before the mark-in", -1, 0, -1, -1, 100, 0, 200, 100},
        {"trim to nothing", -1, -1, 150, 149, 100, 0, 200, 100},
        {"trim before the source", -1, -1, 90, 199, 100, 0, 200, 100},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        editor->newProject();
        const std::vector<IZRObject*> clips = chainOf({100, 100, 100});
        ZREffect* effect = effectOn(clips[1], 100);
        if (!effect) GTEST_SKIP() << "no effect module in this build";
        if (c.markIn >= 0) editor->setClipMarkIn(clips[1], pos(c.markIn));
        if (c.markOut >= 0) editor->setClipMarkOut(clips[1], pos(c.markOut));
        if (c.trimStart >= 0) editor->trimClip(clips[1], pos(c.trimStart), pos(c.trimEnd));
        EXPECT_EQ(start(clips[1]), 100);
        EXPECT_EQ(frames(clips[1]->duration()), c.duration);
        EXPECT_EQ(frames(clips[1]->markIn()), c.markInAfter);
        EXPECT_EQ(start(clips[2]), c.next);
        EXPECT_EQ(endPosition(), c.next + 100);
        EXPECT_EQ(frames(effect->duration()), c.effectLength);
        expectChain(c.what);
    }
}

TEST_F(ZRVeskEditorTrim, TrimmingPausesRenderingTellsOnceAndCutsTheOtherTracks) {
    const std::vector<IZRObject*> clips = chainOf({100, 100});
    IZRObject* late = title(20);
    ASSERT_TRUE(editor->insertTitle(pos(170), late));
    watchPauseOnDelete();
    ASSERT_TRUE(settings()->setIntSetting("Enable Background Rendering", 1));
    changes = 0;
    editor->setClipMarkOut(clips[1], pos(50));
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(deleted, std::vector<IZRObject*>{late}) << "starts after the new end";
    EXPECT_EQ(pausedWhileDeleting, std::vector<int>{1});
    EXPECT_EQ(endPosition(), 150);
    editor->trimClip(clips[0], pos(0), pos(89));
    editor->setClipMarkIn(clips[0], pos(5));
    EXPECT_EQ(changes, 3);
    EXPECT_EQ(endPosition(), 135);
    settings()->setIntSetting("Enable Background Rendering", 0);
}

TEST_F(ZRVeskEditorTrim, ShorteningAClipShortensTheTransitionIntoIt) {
    const std::vector<IZRObject*> clips = chainOf({100, 100, 100});
    linkTransition(clips[0], 40);
    linkTransition(clips[1], 20);
    editor->setClipMarkOut(clips[1], pos(30));
    ZRVideoUserData* first = chainlinks::clip(clips[0]);
    ASSERT_NE(first->linkedObject, nullptr);
    EXPECT_EQ(frames(first->linkedPosition), 30) << "no longer than the clip it leads into";
    EXPECT_EQ(chainlinks::clip(clips[1])->linkedObject, nullptr)
        << "the clip is wholly under the incoming transition";
}

TEST_F(ZRVeskEditorTrim, SplittingAClip) {
    struct Case {
        const char* what;
        int clip, at;
        bool splits;
        int firstPart, secondPart;
    };
    const Case cases[] = {
        {"in the middle", 1, 130, true, 30, 70}, {"at the last frame", 1, 199, true, 99, 1},
        {"the first clip", 0, 1, true, 1, 99},   {"at the clip's own start", 1, 100, false, 0, 0},
        {"after the clip", 1, 200, false, 0, 0}, {"a one-frame clip", 2, 200, false, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        editor->newProject();
        const std::vector<IZRObject*> clips = chainOf({100, 100, 1, 50});
        IZRObject* object = clips[size_t(c.clip)];
        changes = 0;
        IZRObject* copy = editor->splitObject(object, pos(c.at));
        EXPECT_EQ(copy != nullptr, c.splits);
        EXPECT_EQ(changes, c.splits ? 1 : 0);
        if (copy) {
            EXPECT_EQ(editor->indexOf(copy), c.clip);
            EXPECT_EQ(editor->indexOf(object), c.clip + 1);
            EXPECT_EQ(frames(copy->duration()), c.firstPart);
            EXPECT_EQ(frames(object->duration()), c.secondPart);
            EXPECT_EQ(frames(object->markIn()), c.firstPart);
            EXPECT_EQ(editor->objectCount(), 5);
            EXPECT_EQ(endPosition(), 251) << "the chain keeps its length";
            EXPECT_FALSE(chainlinks::clip(copy)->largeFirstFrame.isNull()) << "thumbnails";
        }
        expectChain(c.what);
    }
}

TEST_F(ZRVeskEditorTrim, SplittingAClipUnderTransitions) {
    // Clip 1 (100 frames) starts at 80 under a 20-frame transition and ends under a 30-frame one.
    const std::vector<IZRObject*> clips = chainOf({100, 100, 100});
    linkTransition(clips[0], 20);
    linkTransition(clips[1], 30);
    ASSERT_EQ(start(clips[1]), 80);
    IZRObject* copy = editor->splitObject(clips[1], pos(90));
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(chainlinks::clip(clips[0])->linkedObject, nullptr)
        << "the incoming transition reached the cut";
    EXPECT_EQ(start(copy), 100);
    EXPECT_NE(chainlinks::clip(clips[1])->linkedObject, nullptr);
    expectChain("cut under the incoming transition");

    IZRObject* second = editor->splitObject(clips[1], pos(start(clips[1]) + 85));
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(chainlinks::clip(clips[1])->linkedObject, nullptr)
        << "the outgoing transition started before the cut";
}

TEST_F(ZRVeskEditorTrim, SplittingFreeAudio) {
    chainOf({200});
    IZRObject* music = audio(50);
    ASSERT_EQ(frames(music->duration()), 50);
    editor->insertAudioObject(pos(20), 10, music);
    IZRObject* copy = editor->splitObject(music, pos(50));
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(ZRUserData::of(copy)->kind, ZRUserData::Audio);
    EXPECT_EQ(copy->trackNumber(false), 10);
    EXPECT_EQ(start(copy), 20);
    EXPECT_EQ(frames(copy->duration()), 30);
    EXPECT_EQ(start(music), 50);
    EXPECT_EQ(frames(music->duration()), 20);
    EXPECT_EQ(frames(music->markIn()), 30);
    EXPECT_EQ(editor->splitObject(title(10), pos(5)), nullptr) << "a title on no track";
}
