#include "tests/engine/objects/ObjectTestSupport.h"

#include "engine/objects/ZRGuardedEffectList.h"
#include "engine/objects/ZRModuleEffect.h"
#include "engine/render/ZRImage.h"

#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>

using namespace objecttest;

namespace {

class NullEffectBinding : public ZRVideoEffectBinding {
public:
    int32_t generateVideoEffect(IZRImage*, IZRImage*, int32_t) override { return 0; }
};

std::unique_ptr<ZRModuleEffect> videoEffect() {
    auto effect = std::make_unique<ZRModuleEffect>("Video Effect", "Grey", "");
    effect->bindModule(std::make_unique<NullEffectBinding>());
    return effect;
}

} // namespace

TEST(ZRObject, NewObjectHasTheDocumentedDefaults) {
    ZRObject object(nullptr, "Solid Color", "RGB(1,2,3)", nullptr, nullptr);
    EXPECT_EQ(object.trackNumber(true), 0);
    EXPECT_EQ(object.trackNumber(false), 0);
    EXPECT_EQ(object.effectList(), nullptr);
    EXPECT_FALSE(object.hasEffectsOrTransition());
    EXPECT_EQ(object.getUserValue(), 0);
    EXPECT_STREQ(object.name(), "");
    EXPECT_EQ(object.module(), "");
    EXPECT_EQ(object.options(), QString());
    EXPECT_EQ(object.duration()->toFrames(), 0.0);
    EXPECT_EQ(object.startPos()->framerate(), 30.0);
    EXPECT_EQ(object.overlay().fadeTime, 1000);
    EXPECT_EQ(object.overlay().match, 100);
    EXPECT_EQ(object.overlay().mode, 0);

    const double panning[] = {-1.0, 1.0, 0.0, 0.0};
    for (int channel = 1; channel <= 4; ++channel) {
        double value = 99.0;
        EXPECT_TRUE(object.getIndexedDoubleSetting("Channel Audio Panning", &channel, &value));
        EXPECT_EQ(value, panning[channel - 1]) << channel;
        EXPECT_TRUE(object.getIndexedDoubleSetting("Channel Audio Level", &channel, &value));
        EXPECT_EQ(value, 0.0) << channel;
    }
}

TEST(ZRObject, TrackNumberIsTheIndexPlusOne) {
    ZRObject object(nullptr, "Solid Color", "", "", "");
    object.setTrackIndex(true, 4);
    object.setTrackIndex(false, 0);
    EXPECT_EQ(object.trackNumber(true), 5);
    EXPECT_EQ(object.trackNumber(false), 1);
    object.setTrackIndex(true, -1);
    EXPECT_EQ(object.trackNumber(true), 0);
}

TEST(ZRObject, EffectListComesWithTheFirstEffectAndGoesWithTheLast) {
    auto first = videoEffect();
    auto second = std::make_unique<ZRModuleEffect>("Transition", "", "");
    auto object = makeObject(nullptr, "Solid Color", 100);
    object->markIn()->set(0, 0, 0, 5, 30.0);

    ASSERT_TRUE(object->addEffect(first.get()));
    ASSERT_NE(object->effectList(), nullptr);
    EXPECT_TRUE(object->hasEffectsOrTransition());
    EXPECT_EQ(first->owner(), object.get());
    EXPECT_EQ(first->startPos()->toFrames(), 0.0);
    EXPECT_EQ(first->duration()->toFrames(), 100.0);
    EXPECT_EQ(first->endPos()->toFrames(), 99.0);
    EXPECT_EQ(first->sourceLength()->toFrames(), 100.0);

    EXPECT_FALSE(object->addEffect(first.get())) << "already attached";
    EXPECT_EQ(object->effectList()->count(), 1);

    ASSERT_TRUE(object->addEffect(second.get()));
    EXPECT_EQ(object->effectList()->find(second.get()), 1);
    EXPECT_TRUE(object->effectList()->anyHasVideo());

    EXPECT_TRUE(object->removeEffect(first.get()));
    EXPECT_EQ(first->owner(), nullptr);
    ASSERT_NE(object->effectList(), nullptr);
    EXPECT_FALSE(object->effectList()->anyHasVideo());
    EXPECT_FALSE(object->removeEffect(first.get())) << "no longer attached";
    EXPECT_TRUE(object->removeEffect(second.get()));
    EXPECT_EQ(object->effectList(), nullptr);
    EXPECT_FALSE(object->hasEffectsOrTransition());
}

TEST(ZRObject, AnEffectBelongsToOneObjectAtATime) {
    auto effect = videoEffect(); // effects outlive objects, as in the timeline
    auto a = makeObject(nullptr, "Solid Color", 100);
    auto b = makeObject(nullptr, "Solid Color", 50);
    ASSERT_TRUE(a->addEffect(effect.get()));
    EXPECT_FALSE(b->addEffect(effect.get()));
    EXPECT_EQ(b->effectList(), nullptr);
    EXPECT_EQ(effect->duration()->toFrames(), 100.0);
    EXPECT_FALSE(a->addEffect(nullptr));
    EXPECT_FALSE(a->removeEffect(nullptr));
}

TEST(ZRObject, DestroyingTheObjectDetachesItsEffects) {
    auto effect = videoEffect();
    {
        auto object = makeObject(nullptr, "Solid Color", 10);
        ASSERT_TRUE(object->addEffect(effect.get()));
    }
    EXPECT_EQ(effect->owner(), nullptr);
    auto next = makeObject(nullptr, "Solid Color", 10);
    EXPECT_TRUE(next->addEffect(effect.get()));
}

namespace {

int g_deleteCalls = 0;
intptr_t g_deletedValue = 0;

void countDelete(intptr_t value) {
    ++g_deleteCalls;
    g_deletedValue = value;
}

} // namespace

TEST(ZRObject, DestructorHandsANonZeroUserValueToTheHostOnce) {
    IZRCallbacks callbacks{};
    callbacks.deleteUserData = countDelete;
    Timeline timeline = makeTimeline(&callbacks);
    ASSERT_TRUE(timeline);
    int editorData = 0;
    const intptr_t pointerValue = reinterpret_cast<intptr_t>(&editorData);

    struct Case {
        intptr_t value;
        int calls;
    };
    for (const Case& c : {Case{0, 0}, Case{pointerValue, 1}}) {
        g_deleteCalls = 0;
        g_deletedValue = 0;
        {
            ZRObject object(engine(timeline), "Solid Color", "", "", "");
            object.setUserValue(c.value);
            EXPECT_EQ(object.getUserValue(), c.value);
        }
        EXPECT_EQ(g_deleteCalls, c.calls) << c.value;
        EXPECT_EQ(g_deletedValue, c.value);
    }
}

TEST(ZRObject, SolidColorFillsTheWholeTarget) {
    ZRObject object(nullptr, "solid color", "", "", "");
    object.setSolidColor(0xFF102030);
    ZRImage image(nullptr);
    ASSERT_TRUE(image.create(3, 2, 0));
    ZRPos at;
    EXPECT_EQ(object.renderVideo(&at, nullptr), nullptr);
    EXPECT_EQ(object.renderVideo(nullptr, &image), nullptr);
    EXPECT_EQ(object.renderVideo(&at, &image), &image);
    EXPECT_FALSE(image.locked());
    for (int i = 0; i < 6; ++i) {
        const unsigned char* p = image.pixels() + i * 4;
        EXPECT_EQ(p[0], 0x30);
        EXPECT_EQ(p[1], 0x20);
        EXPECT_EQ(p[2], 0x10);
        EXPECT_EQ(p[3], 0xFF);
    }
}

namespace {

const IZRPos* g_framePosition = nullptr;

void drawRed(const IZRPos* position, IZRImage* target) {
    g_framePosition = position;
    std::memset(target->pixels(), 0x7F, size_t(target->stride()) * target->height());
}

void throwingSource(const IZRPos*, IZRImage*) {
    throw std::runtime_error("host failure");
}

} // namespace

TEST(ZRObject, ExternalFrameSourceDrawsAndItsFailuresStayInside) {
    ZRObject object(nullptr, "Import", "External Video Object", "", "");
    object.setFrameSource(drawRed);
    ZRImage image(nullptr);
    ASSERT_TRUE(image.create(2, 2, 0));
    ZRPos at(0, 0, 1, 0, 30.0);
    EXPECT_EQ(object.renderVideo(&at, &image), &image);
    EXPECT_EQ(g_framePosition, &at);
    EXPECT_EQ(image.pixels()[0], 0x7F);

    object.setFrameSource(throwingSource);
    EXPECT_EQ(object.renderVideo(&at, &image), &image);
    EXPECT_FALSE(image.locked());
}

TEST(ZRObject, RenderTransitionScalesProgressForTheModule) {
    ZRObject object(nullptr, "Transition", "Wipe", "", "");
    ZRImage a(nullptr), b(nullptr), out(nullptr);
    object.renderTransition(&a, &b, &out, 0.5); // no module: nothing happens

    auto module = std::make_unique<FakeTransition>();
    FakeTransition* fake = module.get();
    object.bindTransition(std::move(module));
    EXPECT_TRUE(object.isTransition());
    EXPECT_TRUE(object.hasEffectsOrTransition());

    object.renderTransition(&a, &b, &out, 0.12345);
    object.renderTransition(&a, &b, nullptr, 0.5);
    object.renderTransition(&a, &b, &out, 7.0);
    ASSERT_EQ(fake->calls.size(), 2u);
    EXPECT_EQ(fake->calls[0].progress, 1234);
    EXPECT_EQ(fake->calls[0].from, &a);
    EXPECT_EQ(fake->calls[0].to, &b);
    EXPECT_EQ(fake->calls[0].out, &out);
    EXPECT_EQ(fake->calls[1].progress, 10000);
}

TEST(ZRObject, AudioNeedsAnAudioSource) {
    ZRObject object(nullptr, "Solid Color", "", "", "");
    ZRPos at(0, 0, 2, 0, 30.0);
    EXPECT_FALSE(object.seekAudio(&at));
    int32_t bytes = 7;
    EXPECT_EQ(object.renderAudio(100, &bytes), nullptr);
    EXPECT_EQ(bytes, 0);
    int rate = 1, bits = 2, channels = 3;
    EXPECT_FALSE(object.getIntTripleSetting("Audio Settings", &rate, &bits, &channels));
    EXPECT_EQ(rate, 1);
}
