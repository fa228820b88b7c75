#include "engine/objects/ZRGuardedEffectList.h"
#include "engine/objects/ZRModuleEffect.h"
#include "engine/render/ZRImage.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

/// A video-effect module that remembers what it was given and what the target held.
class RecordingBinding : public ZRVideoEffectBinding {
public:
    int32_t progress = -1;
    unsigned char firstTargetByte = 0;
    int32_t generateVideoEffect(IZRImage*, IZRImage* target, int32_t p) override {
        progress = p;
        firstTargetByte = target->pixels()[0];
        return 17;
    }
};

// An attached effect as `addEffect` leaves it on an object of `frames` frames.
std::unique_ptr<ZRModuleEffect> effectOf(int frames) {
    auto effect = std::make_unique<ZRModuleEffect>("Video Effect", "Grey", "");
    effect->startPos()->set(0, 0, 0, 0, 30.0);
    effect->duration()->set(0, 0, 0, frames, 30.0);
    effect->sourceLength()->set(0, 0, 0, frames, 30.0);
    effect->updateEnd();
    return effect;
}

double frames(IZRPos* p) {
    return p->toFrames();
}

} // namespace

TEST(ZREffect, SetMarkInMovesTheStartAndKeepsTheEnd) {
    auto effect = effectOf(100);
    ZRPos ten(0, 0, 0, 10, 30.0);
    ASSERT_TRUE(effect->setMarkIn(&ten));
    EXPECT_EQ(frames(effect->startPos()), 10.0);
    EXPECT_EQ(frames(effect->markIn()), 10.0);
    EXPECT_EQ(frames(effect->duration()), 90.0);
    EXPECT_EQ(frames(effect->endPos()), 99.0);
    EXPECT_EQ(effect->markOut(), effect->endPos());
}

TEST(ZREffect, SetMarkInRefusesAPointAtOrPastTheEnd) {
    for (int p : {100, 150}) {
        auto effect = effectOf(100);
        ZRPos at(0, 0, 0, p, 30.0);
        EXPECT_FALSE(effect->setMarkIn(&at)) << p;
        EXPECT_EQ(frames(effect->startPos()), 0.0);
        EXPECT_EQ(frames(effect->markIn()), 0.0);
        EXPECT_EQ(frames(effect->duration()), 100.0);
    }
    EXPECT_FALSE(effectOf(100)->setMarkIn(nullptr));
}

TEST(ZREffect, SetMarkOutKeepsTheSpanWithinTheSource) {
    struct Case {
        int markIn, markOut;
        bool accepted;
        double duration, end;
    };
    const Case cases[] = {
        {0, 60, true, 60, 59},    // shorter
        {0, 100, true, 100, 99},  // the whole source
        {0, 101, false, 100, 99}, // one frame beyond the source
        {20, 110, true, 90, 109}, // span 90 within 100
        {20, 121, false, 80, 99}, // span 101
        {20, 19, false, 80, 99},  // before the mark-in
    };
    for (const Case& c : cases) {
        auto effect = effectOf(100);
        ZRPos in(0, 0, 0, c.markIn, 30.0), out(0, 0, 0, c.markOut, 30.0);
        if (c.markIn) {
            ASSERT_TRUE(effect->setMarkIn(&in));
        }
        EXPECT_EQ(effect->setMarkOut(&out), c.accepted) << c.markIn << ".." << c.markOut;
        EXPECT_EQ(frames(effect->duration()), c.duration) << c.markIn << ".." << c.markOut;
        EXPECT_EQ(frames(effect->endPos()), c.end) << c.markIn << ".." << c.markOut;
    }
}

TEST(ZREffect, RenderFillsTheTargetWhiteAndScalesProgress) {
    auto unbound = effectOf(10);
    ZRImage source(nullptr), target(nullptr);
    ASSERT_TRUE(source.create(4, 2, 0));
    ASSERT_TRUE(target.create(4, 2, 0));
    target.pixels()[0] = 0x11;
    EXPECT_FALSE(unbound->hasVideo());
    EXPECT_EQ(unbound->render(&source, &target, 0.5), 0);
    EXPECT_EQ(target.pixels()[0], 0x11) << "without a module the target stays as it was";

    auto bound = effectOf(10);
    auto binding = std::make_unique<RecordingBinding>();
    RecordingBinding* module = binding.get();
    bound->bindModule(std::move(binding));
    EXPECT_TRUE(bound->hasVideo());
    EXPECT_FALSE(bound->hasAudio());
    EXPECT_EQ(bound->render(&source, &target, 0.25), 17);
    EXPECT_EQ(module->progress, 25000);
    EXPECT_EQ(module->firstTargetByte, 0xFF);
    EXPECT_EQ(bound->render(&source, nullptr, 0.25), 0);
    bound->render(&source, &target, 2.0);
    EXPECT_EQ(module->progress, 100000);
}

TEST(ZREffectList, KeepsAttachmentOrderWithOneCursor) {
    ZRGuardedEffectList list;
    ZRModuleEffect a("Transition", "", ""), b("Transition", "", ""), c("Transition", "", "");
    EXPECT_TRUE(list.isEmpty());
    EXPECT_EQ(list.first(), nullptr);
    EXPECT_EQ(list.last(), nullptr);
    list.append(&a);
    list.append(&c);
    list.append(nullptr);
    EXPECT_TRUE(list.insertAt(1, &b));
    EXPECT_FALSE(list.insertAt(5, &b));
    EXPECT_FALSE(list.insertAt(-1, &b));
    EXPECT_EQ(list.count(), 3);
    EXPECT_EQ(list.find(&b), 1);
    EXPECT_EQ(list.find(nullptr), -1);
    ZRModuleEffect other("Transition", "", "");
    EXPECT_EQ(list.find(&other), -1);

    std::vector<ZREffect*> forward;
    for (ZREffect* e = list.first(); e; e = list.next())
        forward.push_back(e);
    EXPECT_EQ(forward, (std::vector<ZREffect*>{&a, &b, &c}));
    std::vector<ZREffect*> backward;
    for (ZREffect* e = list.last(); e; e = list.prev())
        backward.push_back(e);
    EXPECT_EQ(backward, (std::vector<ZREffect*>{&c, &b, &a}));

    EXPECT_FALSE(list.anyHasVideo()) << "only unbound effects";
    EXPECT_FALSE(list.anyHasAudio());
    EXPECT_TRUE(list.remove(&b));
    EXPECT_FALSE(list.remove(&b));
    EXPECT_EQ(list.count(), 2);
}
