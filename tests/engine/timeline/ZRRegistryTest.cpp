#include "engine/timeline/ZRRegistry.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

// Counts the items alive, so that the tests see who deleted what.
struct Item {
    explicit Item(int* alive) : alive(alive) { ++*alive; }
    ~Item() { --*alive; }
    int* alive;
};

} // namespace

TEST(ZRRegistry, OwnsWhatItHoldsAndHandsItBackOnTake) {
    int alive = 0;
    Item* kept = nullptr;
    Item* taken = nullptr;
    {
        ZRRegistry<Item> registry;
        kept = registry.add(std::make_unique<Item>(&alive));
        taken = registry.add(std::make_unique<Item>(&alive));
        EXPECT_EQ(alive, 2);
        EXPECT_TRUE(registry.contains(kept));

        std::unique_ptr<Item> back = registry.take(taken);
        EXPECT_EQ(back.get(), taken);
        EXPECT_FALSE(registry.contains(taken));
        EXPECT_EQ(registry.count(), 1u);
        EXPECT_EQ(alive, 2) << "taking hands the item over, it does not delete it";
        back.reset();
        EXPECT_EQ(alive, 1);
    }
    EXPECT_EQ(alive, 0) << "what is still registered goes with the registry";
}

TEST(ZRRegistry, RefusesWhatItDoesNotHold) {
    int alive = 0;
    ZRRegistry<Item> registry;
    Item* item = registry.add(std::make_unique<Item>(&alive));
    Item stranger(&alive);
    EXPECT_EQ(registry.add(nullptr), nullptr);
    EXPECT_EQ(registry.take(&stranger), nullptr);
    EXPECT_EQ(registry.take(nullptr), nullptr);
    EXPECT_NE(registry.take(item), nullptr);
    EXPECT_EQ(registry.take(item), nullptr) << "a second take finds nothing";
    EXPECT_EQ(registry.count(), 0u);
}

TEST(ZRRegistry, WalksInMakingOrder) {
    int alive = 0;
    ZRRegistry<Item> registry;
    std::vector<Item*> made;
    for (int i = 0; i < 5; ++i)
        made.push_back(registry.add(std::make_unique<Item>(&alive)));
    registry.take(made[2]);
    std::vector<Item*> walked;
    registry.forEach([&](Item* item) { walked.push_back(item); });
    EXPECT_EQ(walked, (std::vector<Item*>{made[0], made[1], made[3], made[4]}));
    EXPECT_EQ(registry.first(), made[0]);
}
