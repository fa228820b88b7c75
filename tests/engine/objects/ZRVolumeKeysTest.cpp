#include "tests/engine/objects/ObjectTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <string>

using namespace objecttest;

namespace {

ZRPos at(int frames) {
    return ZRPos(0, 0, 0, frames, 30.0);
}

} // namespace

TEST(ZRVolumeKeys, InterpolatesTowardsSilenceAtTheEnds) {
    auto object = makeObject(nullptr, "Import", 100);
    ZRPos p = at(25);
    EXPECT_TRUE(object->volumeKeysEmpty());
    EXPECT_EQ(object->volumeAt(&p), 0.0);
    EXPECT_EQ(object->volumeGainAt(&p), 1.0);

    ZRPos key = at(50);
    ASSERT_TRUE(object->setVolumeKey(&key, 6.0));
    struct Case {
        int frame;
        double level;
    };
    const Case cases[] = {{0, 0.0}, {25, 3.0}, {50, 6.0}, {75, 3.0}, {100, 0.0}, {140, 0.0}};
    for (const Case& c : cases) {
        ZRPos q = at(c.frame);
        EXPECT_DOUBLE_EQ(object->volumeAt(&q), c.level) << c.frame;
    }
    EXPECT_DOUBLE_EQ(object->volumeGainAt(&key), std::pow(10.0, 0.3));
    p = at(25);
    EXPECT_DOUBLE_EQ(object->volumeGainAt(&p), std::trunc(std::pow(10.0, 0.15) * 1000) * 0.001);
}

TEST(ZRVolumeKeys, InterpolatesBetweenNeighbouringKeys) {
    auto object = makeObject(nullptr, "Import", 300);
    const std::pair<int, double> keys[] = {{200, -12.0}, {40, -6.0}, {100, 6.0}};
    for (auto [frame, level] : keys) {
        ZRPos p = at(frame);
        ASSERT_TRUE(object->setVolumeKey(&p, level));
    }
    ZRPos p = at(70);
    EXPECT_DOUBLE_EQ(object->volumeAt(&p), 0.0);
    p = at(150);
    EXPECT_DOUBLE_EQ(object->volumeAt(&p), -3.0);
    p = at(250);
    EXPECT_DOUBLE_EQ(object->volumeAt(&p), -6.0);
}

TEST(ZRVolumeKeys, KeysAreAddedRemovedAndListedByText) {
    auto object = makeObject(nullptr, "Import", 1000);
    ZRPos p = at(45), q = at(300);
    EXPECT_FALSE(object->setVolumeKey(nullptr, 1.0));
    EXPECT_FALSE(object->setVolumeKey(&p, std::nan("")));
    ASSERT_TRUE(object->setVolumeKey(&p, 1.0));
    ASSERT_TRUE(object->setVolumeKey(&p, 2.0)) << "a second key at the same text";
    ASSERT_TRUE(object->setVolumeKey(&q, 3.0));
    EXPECT_EQ(object->volumeKeyCount(), 3);

    std::multiset<std::string> texts;
    for (int32_t i = 0; i < object->volumeKeyCount(); ++i) {
        IZRPos* key = object->volumeKeyPosAt(i);
        ASSERT_NE(key, nullptr);
        texts.insert(key->toText());
    }
    EXPECT_EQ(texts, (std::multiset<std::string>{"00:00:01.15", "00:00:01.15", "00:00:10.00"}));
    EXPECT_EQ(object->volumeKeyPosAt(3), nullptr);
    EXPECT_EQ(object->volumeKeyPosAt(-1), nullptr);

    EXPECT_TRUE(object->removeVolumeKey(&p));
    EXPECT_EQ(object->volumeKeyCount(), 2);
    EXPECT_TRUE(object->removeVolumeKey(&p));
    EXPECT_FALSE(object->removeVolumeKey(&p));
    EXPECT_FALSE(object->removeVolumeKey(nullptr));
    object->clearVolumeKeys();
    EXPECT_TRUE(object->volumeKeysEmpty());
}

TEST(ZRVolumeKeys, EachObjectHasItsOwnKeyPosition) {
    auto a = makeObject(nullptr, "Import", 100);
    auto b = makeObject(nullptr, "Import", 100);
    ZRPos p = at(10), q = at(20);
    a->setVolumeKey(&p, 1.0);
    b->setVolumeKey(&q, 1.0);
    IZRPos* fromA = a->volumeKeyPosAt(0);
    IZRPos* fromB = b->volumeKeyPosAt(0);
    ASSERT_NE(fromA, fromB);
    EXPECT_EQ(fromA->toFrames(), 10.0);
    EXPECT_EQ(fromB->toFrames(), 20.0);
}
