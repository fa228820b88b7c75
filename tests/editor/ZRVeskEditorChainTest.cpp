// The editor's chain of clips: placement on tracks 1 and 3, insertion, removal, moving and
// copying, transitions following their clips, look-ups and selection.
#include "engine/api/ZREffectList.h"
#include "tests/editor/EditorFixture.h"

#include <algorithm>

using editorfixture::frames;

namespace {

struct Placement {
    int track;
    int start;
};

} // namespace

class ZRVeskEditorChain : public EditorTest {
protected:
    std::vector<Placement> placements() {
        std::vector<Placement> result;
        for (IZRObject* clip : chain())
            result.push_back({clip->trackNumber(true), start(clip)});
        return result;
    }
    void expectPlacements(const std::vector<Placement>& expected) {
        const std::vector<Placement> actual = placements();
        ASSERT_EQ(actual.size(), expected.size());
        for (size_t i = 0; i < actual.size(); ++i) {
            EXPECT_EQ(actual[i].track, expected[i].track) << "clip " << i;
            EXPECT_EQ(actual[i].start, expected[i].start) << "clip " << i;
        }
    }
};

TEST_F(ZRVeskEditorChain, NewEditorIsEmpty) {
    EXPECT_EQ(editor->objectCount(), 0);
    EXPECT_TRUE(editor->isEmpty());
    EXPECT_EQ(editor->objectAt(0), nullptr);
    EXPECT_EQ(editor->clipAtPosition(pos(0)), nullptr);
    EXPECT_EQ(editor->indexOf(solid(10)), -1);
    int index = 7;
    double fraction = 3.0;
    EXPECT_FALSE(editor->locatePosition(pos(0), &index, &fraction));
    EXPECT_EQ(index, -1);
    EXPECT_EQ(fraction, 0.0);
}

TEST_F(ZRVeskEditorChain, ClipsAlternateBetweenTracksOneAndThree) {
    const std::vector<IZRObject*> clips = chainOf({100, 100, 100});
    expectPlacements({{1, 0}, {3, 100}, {1, 200}});
    EXPECT_EQ(endPosition(), 300);
    EXPECT_EQ(editor->clipAtPosition(pos(150)), clips[1]);
    EXPECT_EQ(editor->clipAtPosition(pos(300)), nullptr);

    editor->removeClipAt(0, true);
    expectPlacements({{1, 0}, {3, 100}});
    EXPECT_EQ(chain(), (std::vector<IZRObject*>{clips[1], clips[2]}));
    EXPECT_EQ(endPosition(), 200);
    EXPECT_EQ(deleted, std::vector<IZRObject*>{clips[0]});
}

TEST_F(ZRVeskEditorChain, InsertsAtTheFrontInTheMiddleAndRefusesBadIndices) {
    const std::vector<IZRObject*> clips = chainOf({100, 50});
    IZRObject* spare = solid(10);
    for (int index : {-1, 3, 100})
        EXPECT_FALSE(editor->insertClip(spare, index)) << index;
    EXPECT_FALSE(editor->insertClip(nullptr, 0));
    EXPECT_FALSE(editor->insertClip(clips[1], 0)) << "a chained clip is not inserted twice";
    EXPECT_EQ(spare->trackNumber(true), 0);
    expectPlacements({{1, 0}, {3, 100}});

    // The cache follows the clip that now holds the index.
    EXPECT_EQ(editor->objectAt(1), clips[1]);
    IZRObject* front = solid(20);
    ASSERT_TRUE(editor->insertClip(front, 0));
    EXPECT_EQ(editor->objectAt(1), clips[0]);
    IZRObject* middle = solid(30);
    ASSERT_TRUE(editor->insertClip(middle, 2));
    EXPECT_EQ(chain(), (std::vector<IZRObject*>{front, clips[0], middle, clips[1]}));
    expectPlacements({{1, 0}, {3, 20}, {1, 120}, {3, 150}});
    EXPECT_EQ(endPosition(), 200);
}

TEST_F(ZRVeskEditorChain, TransitionsOverlapTheirClipsAndShrinkToFit) {
    const std::vector<IZRObject*> clips = chainOf({100, 100, 100});
    IZRObject* transition = linkTransition(clips[0], 30);
    expectPlacements({{1, 0}, {3, 70}, {1, 170}});
    EXPECT_EQ(start(transition), 70);
    EXPECT_EQ(frames(transition->markOut()), 30);
    EXPECT_EQ(editor->transitionOf(0), transition);
    EXPECT_EQ(editor->transitionAt(pos(80)), transition);
    EXPECT_EQ(editor->nextClipWithTransition(clips[0]), clips[0]);
    EXPECT_EQ(editor->nextClipWithTransition(clips[1]), nullptr);

    // Inserting a clip shorter than the incoming transition shortens it to that clip.
    IZRObject* shortClip = solid(10);
    ASSERT_TRUE(editor->insertClip(shortClip, 1));
    EXPECT_EQ(frames(chainlinks::clip(clips[0])->linkedPosition), 10);
    EXPECT_EQ(start(shortClip), 90);

    // A clip wholly covered by the incoming transition loses its own.
    IZRObject* second = linkTransition(shortClip, 5);
    EXPECT_EQ(chainlinks::clip(shortClip)->linkedObject, nullptr);
    EXPECT_NE(std::find(deleted.begin(), deleted.end(), second), deleted.end());
    expectChain("after the covered clip's transition went");
}

TEST_F(ZRVeskEditorChain, UnlinkingHandsTheTransitionToTheClipBefore) {
    const std::vector<IZRObject*> clips = chainOf({100, 100, 100, 100});
    IZRObject* first = linkTransition(clips[0], 20);
    IZRObject* second = linkTransition(clips[1], 10);
    IZRObject* taken = editor->takeClipAt(1);
    EXPECT_EQ(taken, clips[1]);
    EXPECT_EQ(taken->trackNumber(true), 0);
    EXPECT_EQ(chainlinks::clip(taken)->number, -1);
    // The clip before had one: it goes, the unlinked clip's takes its place.
    EXPECT_EQ(deleted, std::vector<IZRObject*>{first});
    EXPECT_EQ(editor->transitionOf(0), second);
    EXPECT_EQ(chainlinks::transition(second)->owner, clips[0]);
    expectPlacements({{1, 0}, {3, 90}, {1, 190}});

    // A taken clip goes back in.
    ASSERT_TRUE(editor->insertClip(taken, 3));
    EXPECT_EQ(chain().back(), taken);

    // Removing a clip destroys its own transition; the clip before keeps its own.
    deleted.clear();
    editor->removeClip(clips[2], true, true);
    EXPECT_EQ(editor->transitionOf(0), second);
    EXPECT_EQ(deleted, std::vector<IZRObject*>{clips[2]});
}

TEST_F(ZRVeskEditorChain, RemovingTheLastClipDropsTheTransitionBeforeIt) {
    const std::vector<IZRObject*> clips = chainOf({100, 100});
    IZRObject* transition = linkTransition(clips[0], 20);
    editor->removeClipAt(1, true);
    EXPECT_EQ(deleted, (std::vector<IZRObject*>{transition, clips[1]}));
    EXPECT_EQ(editor->transitionOf(0), nullptr);
    EXPECT_EQ(endPosition(), 100);
}

TEST_F(ZRVeskEditorChain, AppendingAfterADeletionWithoutTrimmingLeavesNoGap) {
    const std::vector<IZRObject*> clips = chainOf({100, 100, 100});
    IZRObject* late = title(50);
    ASSERT_TRUE(editor->insertTitle(pos(250), late));
    editor->select(2);
    editor->deleteSelected(false);
    EXPECT_EQ(end(late), 299);
    EXPECT_EQ(endPosition(), 300);
    IZRObject* appended = solid(40);
    ASSERT_TRUE(editor->insertClip(appended, 2));
    EXPECT_EQ(start(appended), 200);
}

TEST_F(ZRVeskEditorChain, MovesClipsAndTheSelection) {
    struct Case {
        std::vector<int> selected;
        int index;
        std::vector<int> order; // the old indices in their new order
    };
    const Case cases[] = {
        {{0}, 2, {1, 2, 0, 3}},    {{3}, 0, {3, 0, 1, 2}},    {{1}, 9, {0, 2, 3, 1}},
        {{0, 2}, 3, {1, 0, 2, 3}}, {{1, 3}, 0, {1, 3, 0, 2}}, {{0, 1}, 9, {2, 3, 0, 1}},
        {{1, 2}, 1, {0, 1, 2, 3}}, {{}, 1, {0, 1, 2, 3}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("moving to " + std::to_string(c.index));
        editor->selectAll();
        editor->deleteSelected(true);
        const std::vector<IZRObject*> clips = chainOf({10, 20, 30, 40});
        for (int i : c.selected)
            editor->select(i);
        editor->moveSelected(c.index);
        std::vector<IZRObject*> expected;
        for (int i : c.order)
            expected.push_back(clips[size_t(i)]);
        EXPECT_EQ(chain(), expected);
        expectChain("after the move");
    }
    // The only clip of a chain stays where it is.
    editor->selectAll();
    editor->deleteSelected(true);
    IZRObject* only = chainOf({10}).front();
    editor->select(0);
    editor->moveSelected(1);
    EXPECT_EQ(chain(), std::vector<IZRObject*>{only});

    const std::vector<IZRObject*> clips = chainOf({20, 30});
    editor->moveClip(only, 2);
    EXPECT_EQ(chain(), (std::vector<IZRObject*>{clips[0], only, clips[1]}));
}

TEST_F(ZRVeskEditorChain, CopiesTheSelectionInChainOrder) {
    const std::vector<IZRObject*> clips = chainOf({10, 20, 30});
    editor->select(2);
    editor->select(0);
    editor->copySelected(1);
    const std::vector<IZRObject*> now = chain();
    ASSERT_EQ(now.size(), 5u);
    EXPECT_EQ(frames(now[1]->duration()), 10);
    EXPECT_EQ(frames(now[2]->duration()), 30);
    EXPECT_EQ(now[3], clips[1]);
    EXPECT_FALSE(editor->isSelected(1));
    EXPECT_FALSE(editor->isSelected(2));
    EXPECT_EQ(editor->selectedCount(), 2);
    // Past the end the copies are appended.
    editor->copySelected(99);
    EXPECT_EQ(editor->objectCount(), 7);
}

TEST_F(ZRVeskEditorChain, DuplicatesGetFreshRecordsOfTheirKind) {
    IZRObject* clip = chainOf({10}).front();
    chainlinks::clip(clip)->setSelected(true);
    IZRObject* copy = editor->duplicateObject(clip);
    ZRVideoUserData* record = chainlinks::clip(copy);
    ASSERT_NE(record, nullptr);
    EXPECT_FALSE(record->isSelected());
    EXPECT_EQ(record->number, -1);
    EXPECT_EQ(copy->trackNumber(true), 0);
    IZRObject* titleCopy = editor->duplicateObject(title(5));
    EXPECT_EQ(ZRUserData::of(titleCopy)->kind, ZRUserData::Title);
    IZRObject* bare = solid(5);
    EXPECT_EQ(ZRUserData::of(editor->duplicateObject(bare)), nullptr);
}

TEST_F(ZRVeskEditorChain, DuplicateOfAClipWithAnEffectKnowsTheCopysEffect) {
    IZRObject* clip = chainOf({10}).front();
    ZREffect* effect = factory()->createEffect("Video Effect", "Colour", "Test Invert");
    if (!effect) GTEST_SKIP() << "no effect module in this build";
    clip->addEffect(effect);
    chainlinks::clip(clip)->effect = effect;
    IZRObject* copy = editor->duplicateObject(clip);
    ZREffect* copied = chainlinks::clip(copy)->effect;
    ASSERT_NE(copied, nullptr);
    EXPECT_NE(copied, effect);
    EXPECT_EQ(copy->effectList()->find(copied), 0);
}

TEST_F(ZRVeskEditorChain, SelectionByRange) {
    chainOf({10, 10, 10, 10});
    struct Case {
        int from, to;
        int selected;
    };
    for (const Case& c :
         {Case{2, 5, 0}, Case{-1, 2, 0}, Case{1, 2, 2}, Case{0, 3, 4}, Case{3, 1, 0}}) {
        editor->clearAllSelections();
        editor->selectRange(c.from, c.to);
        EXPECT_EQ(editor->selectedCount(), c.selected) << c.from << ".." << c.to;
    }
    editor->selectRange(0, 3);
    editor->deselectRange(1, 2);
    EXPECT_TRUE(editor->isSelected(0));
    EXPECT_FALSE(editor->isSelected(1));
    editor->invertSelection();
    EXPECT_EQ(editor->selectedCount(), 2);
    EXPECT_TRUE(editor->isSelected(2));
    EXPECT_FALSE(editor->isSelected(9));
}

TEST_F(ZRVeskEditorChain, LocatesPositionsWithinClips) {
    const std::vector<IZRObject*> clips = chainOf({100, 1, 100, 40});
    linkTransition(clips[2], 39);
    // Clip 3 (40 frames, 162..201) lies under the transition from clip 2 but for its last frame.
    struct Case {
        int at;
        bool found;
        int index;
        double fraction;
    };
    const Case cases[] = {
        {0, true, 0, 0.0},           {99, true, 0, 1.0},  {100, true, 1, 0.0},
        {150, true, 2, 49.0 / 99.0}, {201, true, 3, 0.0}, {202, false, -1, 0.0},
        {500, false, -1, 0.0},
    };
    for (const Case& c : cases) {
        int index = 42;
        double fraction = 42.0;
        EXPECT_EQ(editor->locatePosition(pos(c.at), &index, &fraction), c.found) << c.at;
        EXPECT_EQ(index, c.index) << c.at;
        EXPECT_DOUBLE_EQ(fraction, c.fraction) << c.at;
    }
    IZRPos* out = pos(0);
    seekToObjectStart(clips[2], 0.5, out);
    EXPECT_EQ(frames(out), 101 + 50);
}

TEST_F(ZRVeskEditorChain, EachEditPausesRenderingAndTellsOnce) {
    ASSERT_TRUE(settings()->setIntSetting("Enable Background Rendering", 1));
    changes = 0;
    const std::vector<IZRObject*> clips = chainOf({30, 30, 30});
    EXPECT_EQ(changes, 3);
    editor->select(0);
    editor->select(2);
    editor->moveSelected(1);
    EXPECT_EQ(changes, 4);
    editor->selectAll();
    editor->deleteSelected(true);
    EXPECT_EQ(changes, 5);
    int paused = -1;
    settings()->getIntSetting("Pause Background Rendering", &paused);
    EXPECT_EQ(paused, 0);
    settings()->setIntSetting("Enable Background Rendering", 0);
}

TEST_F(ZRVeskEditorChain, WithoutATimelineEverythingAnswersNothing) {
    ZRVeskEditor bare;
    IZRObject* clip = solid(10);
    EXPECT_FALSE(bare.insertClip(clip, 0));
    EXPECT_FALSE(bare.insertTitle(pos(0), clip));
    EXPECT_EQ(bare.duplicateObject(clip), nullptr);
    EXPECT_EQ(bare.objectCount(), 0);
    EXPECT_EQ(bare.objectAt(0), nullptr);
    EXPECT_EQ(bare.endPosition(), nullptr);
    EXPECT_EQ(bare.clipAtPosition(pos(0)), nullptr);
    bare.deleteSelected(true);
    bare.moveSelected(0);
    bare.trimTracksToEnd();
    bare.updateThumbnail(clip);
    EXPECT_EQ(clip->trackNumber(true), 0);
}
