// The transition that follows a clip and the clip's video effect.
#include "engine/api/ZREffect.h"
#include "engine/api/ZREffectList.h"
#include "tests/editor/EditorFixture.h"

#include <algorithm>

using editorfixture::frames;

class ZRVeskEditorTransitions : public EditorTest {
protected:
    IZRObject* fade() {
        IZRObject* object = factory()->createObject("Transition", "Basic", "Test Fade", nullptr);
        EXPECT_NE(object, nullptr);
        return object;
    }
    int direction(IZRObject* transition) {
        int value = -1;
        dynamic_cast<IZRSettings*>(transition)->getIntSetting("Transition Direction", &value);
        return value;
    }
    int length(IZRObject* clip) {
        IZRPos* p = chainlinks::clip(clip)->linkedPosition;
        return p ? frames(p) : 0;
    }
    bool wasDeleted(IZRObject* object) {
        return std::find(deleted.begin(), deleted.end(), object) != deleted.end();
    }
};

TEST_F(ZRVeskEditorTransitions, ADefaultTransitionLastsOneSecond) {
    const std::vector<IZRObject*> clips = chainOf({100, 100, 100});
    IZRObject* transition = fade();
    changes = 0;
    ASSERT_TRUE(editor->setTransition(0, transition));
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(length(clips[0]), 30);
    EXPECT_EQ(start(clips[1]), 70);
    EXPECT_EQ(start(clips[2]), 170);
    EXPECT_EQ(transition->trackNumber(true), 2);
    EXPECT_EQ(start(transition), 70);
    EXPECT_EQ(frames(transition->duration()), 30);
    EXPECT_EQ(direction(transition), 0);
    EXPECT_EQ(endPosition(), 270);
    ZRTransitionUserData* link = chainlinks::transition(transition);
    ASSERT_NE(link, nullptr) << "a transition without a record gets one";
    EXPECT_EQ(link->owner, clips[0]);
    EXPECT_EQ(link->number, 0);
    EXPECT_EQ(editor->transitionOf(0), transition);
}

TEST_F(ZRVeskEditorTransitions, TransitionsThatCannotBeAttached) {
    const std::vector<IZRObject*> clips = chainOf({100, 100});
    IZRObject* spare = fade();
    EXPECT_FALSE(editor->setTransition(1, spare)) << "the last clip takes none";
    EXPECT_FALSE(editor->setTransition(-1, spare));
    EXPECT_FALSE(editor->setTransition(0, nullptr));
    EXPECT_EQ(spare->trackNumber(true), 0);

    editor->insertClip(solid(100), 2);
    IZRObject* owned = fade();
    ASSERT_TRUE(editor->setTransition(0, owned));
    EXPECT_FALSE(editor->setTransition(1, owned)) << "it follows clip 0";
    EXPECT_TRUE(editor->setTransition(0, owned)) << "its own clip: nothing changes";
    EXPECT_EQ(editor->transitionOf(0), owned);
    EXPECT_EQ(editor->transitionOf(1), nullptr);
    EXPECT_TRUE(deleted.empty());
}

TEST_F(ZRVeskEditorTransitions, LongTransitionsAreShortenedToTheRoomThereIs) {
    // Clip 1 is 20 frames: the default second does not fit into it, and once the transition
    // from clip 0 covers all of it, clip 1 has no room for a transition of its own.
    const std::vector<IZRObject*> clips = chainOf({100, 20, 100});
    IZRObject* into = fade();
    ASSERT_TRUE(editor->setTransition(0, into));
    EXPECT_EQ(length(clips[0]), 20);
    IZRObject* outOf = fade();
    ASSERT_TRUE(editor->setTransition(1, outOf));
    EXPECT_EQ(editor->transitionOf(1), nullptr);
    EXPECT_TRUE(wasDeleted(outOf));
    EXPECT_EQ(start(clips[2]), 100);
}

TEST_F(ZRVeskEditorTransitions, AReplacedTransitionKeepsItsStartAndLength) {
    const std::vector<IZRObject*> clips = chainOf({100, 100, 100});
    IZRObject* first = fade();
    ASSERT_TRUE(editor->setTransition(1, first));
    editor->setTransitionLength(first, pos(0), pos(11));
    EXPECT_EQ(length(clips[1]), 12);
    const int at = start(first);
    IZRObject* second = fade();
    changes = 0;
    ASSERT_TRUE(editor->setTransition(1, second));
    EXPECT_EQ(changes, 1);
    EXPECT_TRUE(wasDeleted(first));
    EXPECT_EQ(start(second), at);
    EXPECT_EQ(frames(second->duration()), 12);
    EXPECT_EQ(direction(second), 1) << "clip 1 lies on track 3";
    EXPECT_EQ(chainlinks::transition(second)->owner, clips[1]);
}

TEST_F(ZRVeskEditorTransitions, SizingAndRemovingTransitions) {
    const std::vector<IZRObject*> clips = chainOf({100, 100, 100});
    IZRObject* transition = fade();
    ASSERT_TRUE(editor->setTransition(0, transition));
    changes = 0;
    editor->setTransitionLength(transition, pos(60), pos(99));
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(length(clips[0]), 40);
    EXPECT_EQ(start(clips[1]), 60);
    editor->setTransitionLength(transition, pos(60), pos(59));
    EXPECT_EQ(length(clips[0]), 40) << "an end before the start";
    editor->setTransitionLength(transition, pos(0), pos(500));
    EXPECT_EQ(length(clips[0]), 100) << "no longer than the next clip";

    // A transition with a record but no owner (as a loaded one that no clip claimed).
    IZRObject* loose = fade();
    loose->setUserValue(reinterpret_cast<intptr_t>(new ZRTransitionUserData()));
    changes = 0;
    editor->setTransitionLength(loose, pos(0), pos(9));
    editor->setTransitionLength(solid(10), pos(0), pos(9));
    EXPECT_EQ(changes, 0);
    editor->removeTransitionAt(0);
    EXPECT_TRUE(wasDeleted(transition));
    EXPECT_EQ(start(clips[1]), 100);
    EXPECT_EQ(endPosition(), 300);
}

TEST_F(ZRVeskEditorTransitions, EffectsAreAttachedCutAndReplaced) {
    const std::vector<IZRObject*> clips = chainOf({50, 100});
    ZREffect* effect = factory()->createEffect("Video Effect", "Colour", "Test Invert");
    if (!effect) GTEST_SKIP() << "no effect module in this build";
    effect->setMarkOut(pos(80));
    EXPECT_FALSE(editor->setEffect(2, effect));
    EXPECT_FALSE(editor->setEffect(0, nullptr));
    changes = 0;
    ASSERT_TRUE(editor->setEffect(0, effect));
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(frames(effect->duration()), 50) << "cut to the clip";
    EXPECT_EQ(clips[0]->effectList()->find(effect), 0);
    EXPECT_TRUE(editor->setEffect(0, effect)) << "the same effect again changes nothing";

    ZREffect* other = factory()->createEffect("Video Effect", "Colour", "Test Invert");
    ASSERT_TRUE(editor->setEffect(0, other));
    EXPECT_EQ(chainlinks::clip(clips[0])->effect, other);
    EXPECT_EQ(clips[0]->effectList()->find(other), 0);
    EXPECT_EQ(clips[0]->effectList()->count(), 1) << "the old effect was destroyed";

    editor->selectEverything();
    editor->removeEffect(0);
    ZRVideoUserData* record = chainlinks::clip(clips[0]);
    EXPECT_EQ(record->effect, nullptr);
    EXPECT_FALSE(record->videoFlags & ZRVideoUserData::EffectSelected);
    EXPECT_TRUE(!clips[0]->effectList() || clips[0]->effectList()->count() == 0);
    editor->removeEffect(7);
}
