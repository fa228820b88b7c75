#pragma once

#include "editor/ZRAppState.h"
#include "editor/ZRCallbacks.h"
#include "editor/ZRChainLinks.h"
#include "editor/ZRUserData.h"
#include "editor/ZRVeskEditor.h"
#include "engine/api/IZRSettings.h"
#include "engine/api/IZRTimeline.h"
#include "platform/system/SystemPaths.h"
#include "tests/support/GuiApplication.h"

#include <QString>

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace editorfixture {

/// The tree of small test modules (a transition "Basic"/"Test Fade", the "Media Import" counting
/// import with sound) built beside the test programs.
inline std::string moduleRoot() {
    static const int anchor = 0;
    return (platform::folderOfAddress(&anchor) + QStringLiteral("modulefixture/")).toStdString();
}

inline int frames(const IZRPos* pos) {
    return int(std::lround(pos->toFrames()));
}

} // namespace editorfixture

/// An editor on a fresh timeline, with the program's callbacks published in the state object.
/// Every test ends with the chain's invariants checked.
class EditorTest : public ::testing::Test {
protected:
    void SetUp() override {
        testsupport::guiApplication();
        fillCallbacks(callbacks);
        // Transitions and effects come from the fixture tree (module registration needs flags 0).
        timeline = IZRCreateTimelineInstance(&callbacks, editorfixture::moduleRoot().c_str(), 0);
        ASSERT_NE(timeline, nullptr);
        // The frame rate is the engine's default for every timeline: each test starts at 30.
        settings()->setDoubleSetting("Framerate", 30.0);
        appState().timeline = timeline;
        editor = std::make_unique<ZRVeskEditor>();
        editor->setTimeline(timeline);
        QObject::connect(editor.get(), &ZRVeskEditor::objectToBeDeleted,
                         [this](IZRObject* object) { deleted.push_back(object); });
        QObject::connect(editor.get(), &ZRVeskEditor::projectChanged, [this] { ++changes; });
    }

    void TearDown() override {
        if (editor && !HasFatalFailure()) expectChain("at the end of the test");
        editor.reset();
        if (timeline) IZRDeleteTimelineInstance(timeline);
        appState().timeline = nullptr;
    }

    IZRObjectFactory* factory() { return timeline->factory(); }
    IZRSettings* settings() { return timeline->settings(); }

    /// A position at the timeline's frame rate, kept until the timeline goes.
    IZRPos* pos(int frames) {
        IZRPos* p = factory()->createPos();
        p->set(0, 0, 0, frames, p->framerate());
        return p;
    }

    /// A clip of one colour, `length` frames long, on no track.
    IZRObject* solid(int length, int red = 40, int green = 80, int blue = 120) {
        const std::string colour = "RGB(" + std::to_string(red) + "," + std::to_string(green) +
                                   "," + std::to_string(blue) + ")";
        IZRObject* object =
            factory()->createObject("Solid Color", colour.c_str(), nullptr, nullptr);
        EXPECT_NE(object, nullptr);
        if (object) timeline->setObjectMarkOut(object, pos(length));
        return object;
    }

    /// A title-like object (a coloured block carrying a title record).
    IZRObject* title(int length) {
        IZRObject* object = solid(length, 200, 200, 200);
        object->setUserValue(reinterpret_cast<intptr_t>(new ZRTitleUserData()));
        return object;
    }

    /// A free audio object (the counting import: sound and picture) cut to `length` frames.
    IZRObject* audio(int length) {
        IZRObject* object = factory()->createObject("Import", "Media Import", nullptr, "tone.avi");
        EXPECT_NE(object, nullptr);
        if (object) {
            timeline->setObjectMarkOut(object, pos(length));
            object->setUserValue(reinterpret_cast<intptr_t>(new ZRAudioUserData()));
        }
        return object;
    }

    /// Appends clips of the given lengths.
    std::vector<IZRObject*> chainOf(const std::vector<int>& lengths) {
        std::vector<IZRObject*> clips;
        for (int length : lengths) {
            clips.push_back(solid(length));
            EXPECT_TRUE(editor->insertClip(clips.back(), editor->objectCount()));
        }
        return clips;
    }

    /// Gives the clip a transition of `length` frames and re-places the chain, as attaching a
    /// transition does.
    IZRObject* linkTransition(IZRObject* clip, int length) {
        IZRObject* transition =
            factory()->createObject("Transition", "Basic", "Test Fade", nullptr);
        EXPECT_NE(transition, nullptr);
        if (!transition) return nullptr;
        auto* link = new ZRTransitionUserData();
        transition->setUserValue(reinterpret_cast<intptr_t>(link));
        editor->removeTransition(clip, false); // a clip has one transition at most
        ZRVideoUserData* record = chainlinks::clip(clip);
        record->linkedObject = transition;
        record->linkedPosition = factory()->createPos();
        record->linkedPosition->set(0, 0, 0, length, record->linkedPosition->framerate());
        editor->relayoutFrom(clip);
        return transition;
    }

    int start(IZRObject* object) { return editorfixture::frames(object->startPos()); }
    int end(IZRObject* object) { return editorfixture::frames(object->endPos()); }
    int endPosition() { return editorfixture::frames(editor->endPosition()); }

    int count(int track, bool video) {
        ZRGuardedList* list = timeline->track(track, video);
        return list ? int(list->count()) : 0;
    }

    std::vector<IZRObject*> chain() {
        std::vector<IZRObject*> clips;
        for (IZRObject* c = editor->firstObject(); c && clips.size() < 100000;
             c = chainlinks::next(c))
            clips.push_back(c);
        return clips;
    }

    /// Checks the chain's invariants, the look-up cache against a walk, and that rendering is
    /// not left paused.
    void expectChain(const std::string& where) {
        SCOPED_TRACE(where);
        using editorfixture::frames;
        const std::vector<IZRObject*> clips = chain();
        ASSERT_LT(clips.size(), 100000u) << "the chain loops";
        EXPECT_EQ(editor->objectCount(), int(clips.size()));
        EXPECT_EQ(editor->isEmpty(), clips.empty());
        if (clips.empty()) {
            EXPECT_EQ(editor->lastObject(), nullptr);
        } else {
            EXPECT_EQ(chainlinks::previous(clips.front()), nullptr);
            EXPECT_EQ(editor->lastObject(), clips.back());
        }
        std::set<IZRObject*> onClipTracks, transitions;
        for (int t : {1, 3}) {
            ZRGuardedList* list = timeline->track(t, true);
            for (unsigned i = 0; list && i < list->count(); ++i)
                onClipTracks.insert(static_cast<IZRObject*>(list->at(i)));
        }
        for (size_t i = 0; i < clips.size(); ++i) {
            SCOPED_TRACE("clip " + std::to_string(i));
            IZRObject* clip = clips[i];
            ZRVideoUserData* record = chainlinks::clip(clip);
            ASSERT_NE(record, nullptr);
            EXPECT_EQ(record->number, int(i));
            EXPECT_EQ(editor->objectAt(int(i)), clip);
            EXPECT_EQ(editor->indexOf(clip), int(i));
            EXPECT_TRUE(onClipTracks.count(clip));
            if (i > 0) {
                EXPECT_EQ(record->previous, clips[i - 1]);
            }
            const int track = clip->trackNumber(true);
            if (i == 0) {
                EXPECT_EQ(track, 1);
                EXPECT_EQ(start(clip), 0);
            } else {
                EXPECT_EQ(track, clips[i - 1]->trackNumber(true) == 1 ? 3 : 1);
            }
            if (i + 1 == clips.size()) {
                EXPECT_EQ(record->linkedObject, nullptr) << "the last clip has a transition";
                continue;
            }
            IZRObject* following = clips[i + 1];
            int length = 0;
            if (record->linkedObject) {
                transitions.insert(record->linkedObject);
                ASSERT_NE(record->linkedPosition, nullptr);
                length = frames(record->linkedPosition);
                EXPECT_GT(length, 0);
                EXPECT_EQ(record->linkedObject->trackNumber(true), 2);
                EXPECT_EQ(start(record->linkedObject), start(following));
                EXPECT_EQ(frames(record->linkedObject->markOut()), length);
                int direction = -1;
                dynamic_cast<IZRSettings*>(record->linkedObject)
                    ->getIntSetting("Transition Direction", &direction);
                EXPECT_EQ(direction, track == 1 ? 0 : 1);
            }
            EXPECT_EQ(start(following), end(clip) + 1 - length);
        }
        // Track 2 holds the chain's transitions; any other object there (a loaded transition
        // that no clip claimed) is unattached.
        ZRGuardedList* track2 = timeline->track(2, true);
        for (unsigned i = 0; track2 && i < track2->count(); ++i) {
            auto* object = static_cast<IZRObject*>(track2->at(i));
            if (transitions.erase(object)) continue;
            ZRTransitionUserData* link = chainlinks::transition(object);
            EXPECT_TRUE(link && !link->owner && link->number == -1) << "a transition off the chain";
        }
        EXPECT_TRUE(transitions.empty()) << "a chained transition off track 2";
        EXPECT_EQ(editor->objectAt(int(clips.size())), nullptr);
        int paused = -1;
        settings()->getIntSetting("Pause Background Rendering", &paused);
        EXPECT_EQ(paused, 0);
    }

    IZRCallbacks callbacks{};
    IZRTimeline* timeline = nullptr;
    std::unique_ptr<ZRVeskEditor> editor;
    std::vector<IZRObject*> deleted;
    int changes = 0;
};
