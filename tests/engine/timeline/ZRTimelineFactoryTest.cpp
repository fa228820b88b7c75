#include "tests/engine/modules/ModuleFixture.h"

#include "engine/api/ZREffect.h"
#include "engine/api/ZREffectList.h"
#include "engine/objects/ZRObject.h"
#include "engine/timeline/ZRTimeline.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>

namespace {

std::map<intptr_t, int> deleted;
intptr_t nextValue = 100;

IZRCallbacks userDataCallbacks() {
    IZRCallbacks c{};
    c.createUserData = [](IZRObject*) { return nextValue++; };
    c.deleteUserData = [](intptr_t value) { ++deleted[value]; };
    return c;
}

void drawNothing(const IZRPos*, IZRImage*) {}

ZRObject* solid(IZRObjectFactory* f, const char* colour = "RGB(1,2,3)") {
    return static_cast<ZRObject*>(f->createObject("Solid Color", colour, nullptr, nullptr));
}

class Factory : public ::testing::Test {
protected:
    void SetUp() override {
        callbacks = userDataCallbacks();
        timeline = std::make_unique<ZRTimeline>(&callbacks, modulefixture::rootUtf8().c_str(), 0);
        f = timeline->factory();
    }
    IZRCallbacks callbacks;
    std::unique_ptr<ZRTimeline> timeline;
    IZRObjectFactory* f = nullptr;
};

} // namespace

TEST_F(Factory, SolidColours) {
    const struct {
        const char* text;
        uint32_t colour;
    } cases[] = {{"rgb( 300 , 20,5 )", 0xFFFF1405u},
                 {"RGB(0,0,255)", 0xFF0000FFu},
                 {"no colour here", 0xFF000000u},
                 {nullptr, 0xFF000000u}};
    for (const auto& c : cases) {
        ZRObject* o = solid(f, c.text);
        ASSERT_NE(o, nullptr);
        EXPECT_EQ(o->solidColor(), c.colour) << (c.text ? c.text : "null");
        EXPECT_STREQ(o->name(), c.text ? c.text : "");
    }
    ZRObject* o = solid(f);
    EXPECT_STREQ(o->duration()->toText(), "00:05:01.00");
    EXPECT_STREQ(o->sourceLength()->toText(), "09:59:59.00");
    EXPECT_TRUE(*o->endPos() == o->duration());
    EXPECT_TRUE(*o->markOut() == o->duration());
    EXPECT_TRUE(o->hasVideo());
    EXPECT_FALSE(o->hasAudio());
    EXPECT_NE(o->getUserValue(), 0);
}

TEST_F(Factory, ExternalVideoObjectKeepsItsFunction) {
    auto* o = static_cast<ZRObject*>(f->createObject("Import", "External Video Object", nullptr,
                                                     reinterpret_cast<const char*>(&drawNothing)));
    ASSERT_NE(o, nullptr);
    EXPECT_EQ(o->frameSource(), &drawNothing);
    EXPECT_TRUE(o->hasVideo());
    EXPECT_FALSE(o->hasAudio());
    EXPECT_STREQ(o->duration()->toText(), "00:00:01.00");
    auto* copy = static_cast<ZRObject*>(f->duplicateObject(o));
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->frameSource(), &drawNothing);
}

TEST_F(Factory, TitleObjects) {
    IZRObject* title = f->createObject("2D-Text", nullptr, nullptr, "Hello");
    ASSERT_NE(title, nullptr);
    auto* settings = static_cast<ZRObject*>(title);
    int mode = -1;
    ASSERT_TRUE(settings->getIntSetting("Overlay Mode", &mode));
    EXPECT_EQ(mode, 4);
    char* text = nullptr;
    ASSERT_TRUE(settings->getStringSetting("Text Text", &text));
    EXPECT_STREQ(text, "Hello");
    EXPECT_FALSE(title->hasAudio());
    int width = 0;
    ASSERT_TRUE(settings->getIntSetting("Text Width", &width));
    EXPECT_GT(width, 0);
}

TEST_F(Factory, ImportsThroughTheirModule) {
    IZRObject* clip = f->createObject("Import", "Media Import", nullptr, "clip.avi");
    ASSERT_NE(clip, nullptr);
    EXPECT_TRUE(clip->hasVideo());
    EXPECT_TRUE(clip->hasAudio());
    EXPECT_STREQ(clip->duration()->toText(), "00:00:02.00");
    EXPECT_STREQ(clip->name(), (modulefixture::rootUtf8() + "clip.avi").c_str());
    // A suggested kind leads to the media import module too.
    EXPECT_NE(f->createObject("Import", "DV-AVI", nullptr, "/abs/clip.avi"), nullptr);

    const int before = int(nextValue);
    EXPECT_EQ(f->createObject("Import", "No Such Module", nullptr, "clip.avi"), nullptr);
    EXPECT_EQ(f->createObject("Import", "Media Import", nullptr, "missing.avi"), nullptr);
    EXPECT_EQ(f->createObject("Nonsense", "x", nullptr, nullptr), nullptr);
    EXPECT_EQ(int(nextValue), before); // half-made objects never reach the host
}

TEST_F(Factory, TransitionsAndEffects) {
    IZRObject* t = f->createObject("Transition", "Basic", "Test Fade", nullptr);
    ASSERT_NE(t, nullptr);
    EXPECT_TRUE(static_cast<ZRObject*>(t)->isTransition());
    EXPECT_STREQ(t->name(), "Test Fade");
    EXPECT_EQ(f->createObject("Transition", "Basic", "Nothing", nullptr), nullptr);

    ZREffect* plain = f->createEffect("Transition", "x", "y");
    ASSERT_NE(plain, nullptr);
    EXPECT_FALSE(plain->hasVideo());
    ZREffect* invert = f->createEffect("Video Effect", "Colour", "Test Invert");
    ASSERT_NE(invert, nullptr);
    EXPECT_TRUE(invert->hasVideo());
    EXPECT_EQ(f->createEffect("Video Effect", "Colour", "Nothing"), nullptr);

    ZRObject* o = solid(f);
    ASSERT_TRUE(o->addEffect(invert));
    ASSERT_NE(o->effectList(), nullptr);
    f->destroyEffect(invert); // leaves the object first
    EXPECT_EQ(o->effectList(), nullptr);
}

TEST_F(Factory, DuplicateCopiesNameEffectsOverlayAndMarks) {
    ZRObject* o = solid(f, "RGB(9,9,9)");
    o->setName("Backdrop");
    o->addEffect(f->createEffect("Video Effect", "Colour", "Test Invert"));
    o->setIntSetting("Overlay Opacity", 40);
    ZRPos out(0, 0, 3, 0, 30.0);
    ASSERT_TRUE(timeline->setObjectMarkOut(o, &out));
    auto* copy = static_cast<ZRObject*>(f->duplicateObject(o));
    ASSERT_NE(copy, nullptr);
    EXPECT_STREQ(copy->name(), "Backdrop");
    EXPECT_EQ(copy->solidColor(), o->solidColor());
    ASSERT_NE(copy->effectList(), nullptr);
    EXPECT_EQ(copy->effectList()->count(), 1u);
    EXPECT_EQ(copy->overlay().opacity, 40);
    EXPECT_STREQ(copy->markOut()->toText(), "00:00:03.00");
    EXPECT_EQ(copy->trackNumber(true), 0);
}

TEST_F(Factory, TwoFiveSecondClipsEndAtTenSeconds) {
    ZRObject* a = solid(f);
    ZRObject* b = solid(f);
    ZRPos five(0, 0, 5, 0, 30.0);
    for (ZRObject* o : {a, b})
        ASSERT_TRUE(timeline->setObjectMarkOut(o, &five));
    ZRPos zero(0, 0, 0, 0, 30.0);
    ASSERT_TRUE(timeline->insertObject(1, &zero, a));
    ASSERT_TRUE(timeline->insertObject(1, &five, b));
    EXPECT_STREQ(timeline->endPosition()->toText(), "00:00:10.00");
    ASSERT_TRUE(timeline->settings()->setDoubleSetting("framerate", 25.0));
    EXPECT_STREQ(b->startPos()->toText(), "00:00:05.00");
    EXPECT_DOUBLE_EQ(b->startPos()->framerate(), 25.0);
    timeline->clear();
    EXPECT_EQ(timeline->track(1, true)->count(), 0u);
    ZRPos::setDefaultFrameRate(30.0);
}

TEST(FactoryLifetime, DestroyingTheTimelineReleasesEveryObjectOnce) {
    deleted.clear();
    IZRCallbacks callbacks = userDataCallbacks();
    std::vector<intptr_t> values;
    {
        ZRTimeline timeline(&callbacks, nullptr, 0);
        IZRObjectFactory* f = timeline.factory();
        ZRPos zero(0, 0, 0, 0, 30.0);
        for (int i = 0; i < 4; ++i) {
            IZRObject* o = f->createObject("Solid Color", "RGB(1,1,1)", nullptr, nullptr);
            values.push_back(o->getUserValue());
            if (i % 2 == 0) timeline.insertObject(i + 1, &zero, o);
            if (i == 1) o->addEffect(f->createEffect("Transition", "x", "y"));
        }
        IZRObject* gone = f->createObject("Solid Color", "RGB(1,1,1)", nullptr, nullptr);
        values.push_back(gone->getUserValue());
        f->destroyObject(gone);
        f->destroyObject(gone); // a second destroy of a stale pointer is ignored
    }
    for (intptr_t v : values)
        EXPECT_EQ(deleted[v], 1) << v;
}

// Timelines made and deleted in any order, with any flags, each find every module their flags
// ask for: a timeline made while one made without transitions and effects lives (the media
// browser's private timeline beside the program's) sets them up for itself.
TEST(TimelineModules, EveryTimelineFindsItsModulesWhateverLivesBeside) {
    auto finds = [](const modulefixture::Timeline& t) {
        IZRObjectFactory* f = t->factory();
        IZRObject* fade = f->createObject("Transition", "Basic", "Test Fade", nullptr);
        ZREffect* invert = f->createEffect("Video Effect", "Colour", "Test Invert");
        IZRObject* clip = f->createObject("Import", "Media Import", nullptr, "clip.avi");
        const bool all = fade && invert && clip;
        if (fade) f->destroyObject(fade);
        if (invert) f->destroyEffect(invert);
        if (clip) f->destroyObject(clip);
        return all;
    };
    auto bare = modulefixture::makeTimeline(nullptr, 1);
    auto first = modulefixture::makeTimeline();
    EXPECT_TRUE(finds(first)) << "made beside a timeline without transitions and effects";
    bare.reset();
    auto second = modulefixture::makeTimeline();
    EXPECT_TRUE(finds(second));
    first.reset();
    EXPECT_TRUE(finds(second));
    second.reset();
    auto again = modulefixture::makeTimeline(nullptr, 1);
    auto last = modulefixture::makeTimeline();
    EXPECT_TRUE(finds(last)) << "made after every other timeline was deleted";
}
