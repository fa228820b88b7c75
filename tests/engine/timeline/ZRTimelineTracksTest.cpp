#include "tests/engine/timeline/FakeObject.h"

#include "engine/objects/ZRModuleEffect.h"
#include "engine/objects/ZRObject.h"
#include "engine/timeline/ZRTimeline.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace {

std::vector<std::string> debugLines;
void onDebug(const char* text) {
    debugLines.emplace_back(text);
}

// Objects here belong to the test, not to the timeline's registry; each test takes them off the
// tracks before the timeline goes.
class Tracks : public ::testing::Test {
protected:
    void SetUp() override {
        ZRPos::setDefaultFrameRate(25.0);
        callbacks.debug = onDebug;
        timeline = std::make_unique<ZRTimeline>(&callbacks, nullptr, 0);
    }
    void TearDown() override {
        for (auto& o : objects)
            timeline->removeObject(o.get());
        timeline.reset();
        ZRPos::setDefaultFrameRate(30.0);
    }
    FakeObject* make(const char* name, int frames, bool video = true, bool audio = false) {
        objects.push_back(std::make_unique<FakeObject>(name, frames, video, audio));
        return objects.back().get();
    }
    bool insertAt(int track, FakeObject* o, int frame) {
        ZRPos at(0, 0, 0, frame, 25.0);
        return timeline->insertObject(track, &at, o);
    }
    std::vector<std::pair<int, int>> spans(int track, bool video = true) {
        std::vector<std::pair<int, int>> out;
        ZRGuardedList* list = timeline->track(track, video);
        for (unsigned i = 0; list && i < list->count(); ++i) {
            auto* o = static_cast<FakeObject*>(list->at(i));
            out.emplace_back(o->startFrame(), o->endFrame());
        }
        return out;
    }
    using Spans = std::vector<std::pair<int, int>>;

    IZRCallbacks callbacks{};
    std::unique_ptr<ZRTimeline> timeline;
    std::vector<std::unique_ptr<FakeObject>> objects;
};

} // namespace

TEST_F(Tracks, InsertPlacesAndEndPositionFollows) {
    EXPECT_STREQ(timeline->endPosition()->toText(), "00:00:00.00");
    FakeObject* a = make("a", 125);
    FakeObject* b = make("b", 125);
    ASSERT_TRUE(insertAt(1, b, 125));
    ASSERT_TRUE(insertAt(1, a, 0));
    EXPECT_EQ(spans(1), (Spans{{0, 124}, {125, 249}}));
    EXPECT_STREQ(timeline->endPosition()->toText(), "00:00:10.00");
    EXPECT_EQ(a->trackNumber(true), 1);
    EXPECT_EQ(a->trackNumber(false), 0);
    for (int bad : {0, 101, -1})
        EXPECT_FALSE(insertAt(bad, make("x", 10), 0));
    EXPECT_EQ(timeline->track(0, true), nullptr);
    EXPECT_EQ(timeline->track(2, true), nullptr);
}

TEST_F(Tracks, VideoAndAudioGoOnBothTracksOfTheNumber) {
    FakeObject* av = make("av", 50, true, true);
    ASSERT_TRUE(insertAt(7, av, 10));
    EXPECT_EQ(av->trackNumber(true), 7);
    EXPECT_EQ(av->trackNumber(false), 7);
    EXPECT_EQ(spans(7, false), (Spans{{10, 59}}));
    // Inserting again moves it; it is never listed twice.
    ASSERT_TRUE(insertAt(3, av, 0));
    EXPECT_TRUE(timeline->track(7, true)->isEmpty());
    EXPECT_EQ(spans(3, true), (Spans{{0, 49}}));
    EXPECT_EQ(spans(3, false), (Spans{{0, 49}}));
}

TEST_F(Tracks, ObjectAtCoversFirstToLastFrame) {
    FakeObject* a = make("a", 100);
    insertAt(2, a, 50);
    const struct {
        int frame;
        bool hit;
    } cases[] = {{49, false}, {50, true}, {149, true}, {150, false}};
    for (const auto& c : cases) {
        ZRPos at(0, 0, 0, c.frame, 25.0);
        EXPECT_EQ(timeline->objectAt(2, &at, true), c.hit ? a : nullptr) << c.frame;
    }
    ZRPos at(0, 0, 0, 60, 25.0);
    EXPECT_EQ(timeline->objectAt(2, &at, false), nullptr);
    EXPECT_EQ(timeline->objectAt(101, &at, true), nullptr);
}

// Every frame of a track shaped by inserts, ripples, a zero-length object, mark changes and a
// removal, against a plain scan of the track's list.
TEST_F(Tracks, ObjectAtAgreesWithAScanOfTheTrack) {
    FakeObject* av = make("av", 40, true, true);
    FakeObject* b = make("b", 25);
    FakeObject* one = make("one", 1, true, true);
    FakeObject* empty = make("empty", 0);
    FakeObject* e = make("e", 60, true, true);
    insertAt(1, av, 0);
    insertAt(1, b, 100);
    insertAt(1, empty, 300);
    insertAt(1, one, 301);
    insertAt(1, e, 500);
    insertAt(1, make("wedge", 30), 110);             // lands inside b, which moves after it
    insertAt(1, make("ripple", 30, true, true), 20); // pushes av on both tracks
    ZRPos out(0, 0, 0, 170, 25.0);
    ASSERT_TRUE(timeline->setObjectMarkOut(b, &out)); // lengthens b over what follows
    timeline->removeObject(empty);
    for (bool video : {true, false}) {
        ZRGuardedList* list = timeline->track(1, video);
        ASSERT_NE(list, nullptr);
        for (int f = 0; f < 800; ++f) {
            IZRObject* scanned = nullptr;
            for (unsigned i = 0; i < list->count() && !scanned; ++i) {
                auto* o = static_cast<FakeObject*>(list->at(i));
                if (o->startFrame() <= f && f <= o->endFrame()) scanned = o;
            }
            ZRPos at(0, 0, 0, f, 25.0);
            ASSERT_EQ(timeline->objectAt(1, &at, video), scanned) << f << (video ? " v" : " a");
        }
    }
}

// A walk through the list's own cursor, one call at a time, is not disturbed by lookups made
// between its steps (another thread's renderer or preview asks for objects at any time).
TEST_F(Tracks, ObjectAtLeavesAWalkOfTheListAlone) {
    std::vector<IZRObject*> placed;
    for (int i = 0; i < 6; ++i) {
        placed.push_back(make("o", 10));
        insertAt(1, static_cast<FakeObject*>(placed.back()), i * 20);
    }
    ZRGuardedList* list = timeline->track(1, true);
    std::vector<IZRObject*> walked;
    for (void* p = list->first(); p && walked.size() < 20; p = list->next()) {
        walked.push_back(static_cast<IZRObject*>(p));
        for (int f : {0, 45, 105, 200}) {
            ZRPos at(0, 0, 0, f, 25.0);
            (void)timeline->objectAt(1, &at, true);
        }
    }
    EXPECT_EQ(walked, placed);
}

TEST_F(Tracks, EndPositionBelongsToTheCallingThread) {
    insertAt(1, make("a", 50), 0);
    IZRPos* mine = timeline->endPosition();
    FakeObject* b = make("b", 50);
    double theirs = -1.0;
    std::thread other([&] {
        insertAt(1, b, 50);
        theirs = timeline->endPosition()->toFrames();
    });
    other.join();
    EXPECT_EQ(theirs, 100.0);
    EXPECT_EQ(mine->toFrames(), 50.0); // untouched by the other thread's call
    EXPECT_EQ(timeline->endPosition(), mine);
    EXPECT_EQ(mine->toFrames(), 100.0);
}

TEST_F(Tracks, RipplePushesEachOverlappingFollowerAfterThePreviousOne) {
    FakeObject* a = make("a", 100);
    FakeObject* b = make("b", 100);
    FakeObject* c = make("c", 50);
    FakeObject* far = make("far", 10);
    insertAt(1, a, 0);
    insertAt(1, b, 100);
    insertAt(1, c, 200);
    insertAt(1, far, 1000);
    FakeObject* wedge = make("wedge", 60);
    insertAt(1, wedge, 100);
    EXPECT_EQ(spans(1), (Spans{{0, 99}, {100, 159}, {160, 259}, {260, 309}, {1000, 1009}}));
}

TEST_F(Tracks, RippleKeepsTheOtherTrackOfAPushedObjectInOrder) {
    FakeObject* av = make("av", 100, true, true);
    FakeObject* sound = make("sound", 20, false, true);
    insertAt(1, av, 100);
    insertAt(1, sound, 210); // after av on the audio track
    FakeObject* wedge = make("wedge", 150);
    insertAt(1, wedge, 90); // pushes av to 240 on the video track
    EXPECT_EQ(av->startFrame(), 240);
    EXPECT_EQ(spans(1, false), (Spans{{210, 229}, {240, 339}}));
}

TEST_F(Tracks, PackPlacesObjectsEndToEndInOrder) {
    FakeObject* a = make("a", 100);
    FakeObject* b = make("b", 100);
    FakeObject* c = make("c", 50);
    insertAt(4, a, 0);
    insertAt(4, b, 200);
    insertAt(4, c, 500);
    timeline->packTrack(4, true);
    EXPECT_EQ(spans(4), (Spans{{0, 99}, {100, 199}, {200, 249}}));
}

TEST_F(Tracks, ShiftMovesFromAnObjectOnAndStopsAtZero) {
    FakeObject* a = make("a", 10);
    FakeObject* b = make("b", 10);
    FakeObject* c = make("c", 10);
    insertAt(1, a, 0);
    insertAt(1, b, 20);
    insertAt(1, c, 40);
    ZRPos amount(0, 0, 0, 15, 25.0);
    timeline->shiftTrackObjects(1, true, b, &amount, true);
    EXPECT_EQ(spans(1), (Spans{{0, 9}, {35, 44}, {55, 64}}));
    ZRPos back(0, 0, 10, 0, 25.0);
    timeline->shiftTrackObjects(1, true, a, &back, false);
    EXPECT_EQ(spans(1), (Spans{{0, 9}, {10, 19}, {20, 29}}));
    FakeObject* stranger = make("stranger", 10);
    timeline->shiftTrackObjects(1, true, stranger, &amount, true);
    EXPECT_EQ(spans(1).size(), 3u);
}

TEST_F(Tracks, MarkInMovesStartOrEnd) {
    FakeObject* a = make("a", 100);
    insertAt(1, a, 100);
    ZRPos in(0, 0, 0, 20, 25.0);
    ASSERT_TRUE(timeline->setObjectMarkIn(a, &in));
    EXPECT_EQ(spans(1), (Spans{{120, 199}})); // later mark-in keeps the end
    ZRPos earlier(0, 0, 0, 10, 25.0);
    ASSERT_TRUE(timeline->setObjectMarkIn(a, &earlier));
    EXPECT_EQ(spans(1), (Spans{{120, 209}})); // earlier mark-in keeps the start
    ZRPos beyond(0, 0, 10, 0, 25.0);
    EXPECT_FALSE(timeline->setObjectMarkIn(a, &beyond));
    EXPECT_EQ(spans(1), (Spans{{120, 209}}));
}

TEST_F(Tracks, MarkOutTrimsRefusesAndPushesFollowers) {
    FakeObject* a = make("a", 100);
    FakeObject* b = make("b", 100);
    insertAt(1, a, 0);
    insertAt(1, b, 100);
    ZRPos out(0, 0, 0, 150, 25.0);
    ASSERT_TRUE(timeline->setObjectMarkOut(a, &out));
    EXPECT_EQ(spans(1), (Spans{{0, 149}, {150, 249}}));
    ZRPos tooLong(0, 0, 0, 1001, 25.0); // source length is 1000 frames
    EXPECT_FALSE(timeline->setObjectMarkOut(a, &tooLong));
    ZRPos in(0, 0, 0, 50, 25.0);
    ASSERT_TRUE(timeline->setObjectMarkIn(a, &in));
    ZRPos beforeIn(0, 0, 0, 40, 25.0);
    EXPECT_FALSE(timeline->setObjectMarkOut(a, &beforeIn));
    EXPECT_EQ(a->markOut()->frames(), out.frames());
}

TEST_F(Tracks, RemoveAndClear) {
    FakeObject* a = make("a", 30);
    insertAt(1, a, 60);
    timeline->removeObject(a);
    EXPECT_EQ(a->trackNumber(true), 0);
    EXPECT_EQ(a->startFrame(), 0);
    EXPECT_EQ(a->endFrame(), 0);
    EXPECT_TRUE(timeline->track(1, true)->isEmpty());
}

TEST_F(Tracks, DumpTrackWritesOneLinePerObject) {
    debugLines.clear();
    FakeObject* a = make("Clip", 25);
    insertAt(2, a, 0);
    timeline->dumpTrack(2, true);
    ASSERT_EQ(debugLines.size(), 2u);
    EXPECT_EQ(debugLines[0], "Video Track 2:\n");
    EXPECT_EQ(debugLines[1], " Object: Clip \t\t Start: 00:00:00.00, End: 00:00:00.24\n");
    timeline->dumpTrack(3, true);
    EXPECT_EQ(debugLines.size(), 2u);
}

TEST_F(Tracks, DumpTrackWritesEffectsAndOnAudioTracksVolumeKeys) {
    auto* o = static_cast<ZRObject*>(
        timeline->createObject("Solid Color", "RGB(1,2,3)", nullptr, nullptr));
    ASSERT_NE(o, nullptr);
    o->setName("Title");
    o->setHasAudio(true);
    const ZRPos length(0, 0, 0, 25, 25.0);
    o->duration()->assign(&length);
    auto* echo = static_cast<ZRModuleEffect*>(timeline->createEffect("Audio Effect", "A", "B"));
    echo->setName("Echo");
    ASSERT_TRUE(o->addEffect(echo));
    const ZRPos key(0, 0, 0, 5, 25.0);
    ASSERT_TRUE(o->setVolumeKey(const_cast<ZRPos*>(&key), -6.0));
    ZRPos at(0, 0, 1, 0, 25.0);
    ASSERT_TRUE(timeline->insertObject(3, &at, o));

    const std::string object = " Object: Title \t\t Start: 00:00:01.00, End: 00:00:01.24\n";
    const std::string effect = "  Effect: Echo \t\t Start: 00:00:00.00, End: 00:00:00.24\n";
    debugLines.clear();
    timeline->dumpTrack(3, true);
    EXPECT_EQ(debugLines, (std::vector<std::string>{"Video Track 3:\n", object, effect}));
    debugLines.clear();
    timeline->dumpTrack(3, false);
    EXPECT_EQ(debugLines,
              (std::vector<std::string>{"Audio Track 3:\n", object, effect,
                                        "    Audio Volume Key of -6.000000 at 00:00:00.05\n"}));
}

TEST_F(Tracks, EditsWhileAnotherThreadWalks) {
    std::vector<FakeObject*> pool;
    for (int i = 0; i < 20; ++i)
        pool.push_back(make("o", 10 + i));
    std::atomic<bool> stop{false};
    std::atomic<int> passes{0};
    std::thread reader([&] {
        ZRPos at(0, 0, 0, 0, 25.0);
        while (!stop) {
            for (int f = 0; f < 400; f += 7) {
                at.set(0, 0, 0, f, 25.0);
                if (IZRObject* o = timeline->objectAt(1, &at, true)) (void)o->name();
            }
            if (ZRGuardedList* list = timeline->track(1, true)) {
                list->lock();
                for (void* p = list->first(); p; p = list->next())
                    (void)static_cast<IZRObject*>(p)->endPos()->toFrames();
                list->unlock();
            }
            if (timeline->endPosition()->toFrames() >= 0.0) ++passes;
        }
    });
    while (passes.load() == 0)
        std::this_thread::yield();
    for (int round = 0; round < 200; ++round) {
        FakeObject* o = pool[size_t(round) % pool.size()];
        insertAt(1, o, (round * 37) % 300);
        if (round % 5 == 0) timeline->packTrack(1, true);
        if (round % 7 == 0) timeline->removeObject(pool[size_t(round * 3) % pool.size()]);
        EXPECT_GE(timeline->endPosition()->toFrames(), 0.0);
    }
    stop = true;
    reader.join();
    const Spans s = spans(1);
    for (size_t i = 1; i < s.size(); ++i)
        EXPECT_GT(s[i].first, s[i - 1].second);
}

// A cascade of pushes that crosses between the video and the audio track of the number twenty
// times: X pushes a picture-only blocker, which pushes a clip with sound; that clip, placed again
// on the audio track, pushes a sound-only blocker, which pushes the next clip, and so on. Every
// object ends 5 frames later, and both tracks stay in time order without overlaps, so that
// `objectAt` still finds each object by bisection.
TEST_F(Tracks, PushesCrossBetweenTheTracksToAnyDepth) {
    constexpr int kLevels = 20, kLength = 10;
    std::vector<FakeObject*> blockers, clips;
    for (int k = 1; k <= kLevels; ++k) {
        const bool picture = k % 2 == 1;
        blockers.push_back(make("blocker", kLength, picture, !picture));
        clips.push_back(make("clip", kLength, true, true));
        insertAt(1, blockers.back(), 20 * k - 15);
        insertAt(1, clips.back(), 20 * k - 5);
    }
    FakeObject* x = make("x", kLength, true, true);
    insertAt(1, x, 0);
    for (int k = 1; k <= kLevels; ++k) {
        SCOPED_TRACE(k);
        EXPECT_EQ(blockers[size_t(k - 1)]->startFrame(), 20 * k - 10);
        EXPECT_EQ(clips[size_t(k - 1)]->startFrame(), 20 * k);
    }
    for (bool video : {true, false}) {
        const Spans placed = spans(1, video);
        for (size_t i = 1; i < placed.size(); ++i)
            EXPECT_LT(placed[i - 1].second, placed[i].first) << (video ? "video " : "audio ") << i;
        for (FakeObject* clip : clips) {
            ZRPos at(0, 0, 0, clip->startFrame() + 3, 25.0);
            EXPECT_EQ(timeline->objectAt(1, &at, video), clip);
        }
    }
}
