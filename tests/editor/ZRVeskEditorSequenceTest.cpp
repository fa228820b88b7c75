// Random edit sequences with fixed seeds keep the chain's invariants, and a preview thread
// composing frames meanwhile neither deadlocks nor races with the edits.
#include "engine/api/IZRImage.h"
#include "tests/editor/EditorFixture.h"

#include <atomic>
#include <chrono>
#include <random>
#include <thread>

class ZRVeskEditorSequence : public EditorTest, public ::testing::WithParamInterface<unsigned> {};

TEST_P(ZRVeskEditorSequence, RandomEditsKeepTheChain) {
    // With the renderer on, every step also shows that rendering was resumed.
    ASSERT_TRUE(settings()->setIntSetting("Enable Background Rendering", 1));
    std::mt19937 random(GetParam());
    auto pick = [&random](int n) { return n > 0 ? int(random() % unsigned(n)) : 0; };
    for (int step = 0; step < 300; ++step) {
        const int count = editor->objectCount();
        const int op = pick(10);
        std::string what;
        switch (op) {
        case 0:
        case 1:
            what = "insert";
            editor->insertClip(solid(1 + pick(40)), pick(count + 1));
            break;
        case 2:
            what = "move";
            editor->moveClip(editor->objectAt(pick(count)), pick(count + 2));
            break;
        case 3:
            what = "select";
            editor->clearSelection();
            editor->selectRange(pick(count), pick(count));
            break;
        case 4:
            what = "move selected";
            editor->moveSelected(pick(count + 2));
            break;
        case 5:
            what = "copy selected";
            if (editor->selectedCount() < 4) editor->copySelected(pick(count + 2));
            break;
        case 6:
            what = "delete selected";
            editor->deleteSelected(pick(2) == 1);
            break;
        case 7:
            what = "transition";
            if (count > 1) linkTransition(editor->objectAt(pick(count - 1)), 1 + pick(30));
            break;
        case 8:
            what = "title";
            editor->insertTitle(pos(pick(endPosition() + 10)), title(1 + pick(40)));
            break;
        default:
            what = "take and put back";
            if (IZRObject* taken = editor->takeClipAt(pick(count))) {
                EXPECT_TRUE(editor->insertClip(taken, pick(editor->objectCount() + 1)));
            }
            break;
        }
        expectChain("step " + std::to_string(step) + ": " + what);
        if (HasFailure()) break;
    }
    settings()->setIntSetting("Enable Background Rendering", 0);
}

INSTANTIATE_TEST_SUITE_P(Seeds, ZRVeskEditorSequence, ::testing::Values(1u, 7u, 2026u));

class ZRVeskEditorPreviewThread : public EditorTest {};

TEST_F(ZRVeskEditorPreviewThread, ComposingWhileTitlesArriveAndTheChainEmpties) {
    settings()->setIntSetting("Enable Background Rendering", 1);
    std::atomic<bool> done{false};
    std::atomic<int> composed{0};
    IZRPos* at = factory()->createPos();
    std::thread preview([&] {
        int frame = 0;
        while (!done.load()) {
            at->set(0, 0, 0, frame, at->framerate());
            frame = (frame + 7) % 200;
            if (IZRImage* image = timeline->videoAt(at, 0)) {
                image->unlock();
                composed.fetch_add(1);
            }
        }
    });
    // The edits start once the preview composes.
    for (int wait = 0; wait < 5000 && composed.load() == 0; ++wait)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    for (int round = 0; round < 6; ++round) {
        chainOf({40, 30, 50, 20});
        linkTransition(editor->objectAt(1), 10);
        for (int t = 0; t < 5; ++t)
            editor->insertTitle(pos(t * 25), title(30));
        editor->select(3);
        editor->deleteSelected(true);
        editor->selectAll();
        editor->deleteSelected(true);
        EXPECT_TRUE(editor->isEmpty());
    }
    done = true;
    preview.join();
    EXPECT_GT(composed.load(), 0);
    settings()->setIntSetting("Enable Background Rendering", 0);
}
